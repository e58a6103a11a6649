#include "tests/sounds/wav_samples.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

SWavSamples LoadWavSamples(const std::string& sPath)
{
    SWavSamples wav;
    std::ifstream in(sPath, std::ios::binary);
    unsigned char aHeader[36] = {};
    if (!in.read(reinterpret_cast<char*>(aHeader), sizeof aHeader) || std::memcmp(aHeader, "RIFF", 4) != 0 ||
        std::memcmp(aHeader + 8, "WAVEfmt ", 8) != 0)
    {
        wav.m_sError = sPath + ": no RIFF/WAVE header with a leading fmt chunk";
        return wav;
    }
    wav.m_uFormatTag = static_cast<uint16_t>(aHeader[20] | aHeader[21] << 8);
    wav.m_uBitsPerSample = static_cast<uint16_t>(aHeader[34] | aHeader[35] << 8);

    Uint8* pBuffer = nullptr;
    Uint32 uLength = 0;
    if (!SDL_LoadWAV(sPath.c_str(), &wav.m_spec, &pBuffer, &uLength))
    {
        wav.m_sError = sPath + ": " + SDL_GetError();
        return wav;
    }
    if (wav.m_spec.format == AUDIO_S16LSB)
    {
        wav.m_vSamples.resize(uLength / 2);
        std::memcpy(wav.m_vSamples.data(), pBuffer, wav.m_vSamples.size() * 2);
    }
    SDL_FreeWAV(pBuffer);
    wav.m_bLoaded = true;
    return wav;
}

int SWavSamples::Peak() const
{
    int iPeak = 0;
    for (int16_t s : m_vSamples)
        iPeak = std::max(iPeak, std::abs(int(s)));
    return iPeak;
}
