#include "tools/synth/wav_writer.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>

#include "tools/synth/synth_error.h"

namespace
{

void PutU16(std::string& sOut, uint32_t uValue)
{
    sOut += static_cast<char>(uValue & 0xff);
    sOut += static_cast<char>((uValue >> 8) & 0xff);
}

void PutU32(std::string& sOut, uint32_t uValue)
{
    PutU16(sOut, uValue & 0xffff);
    PutU16(sOut, uValue >> 16);
}

} // namespace

void WriteWav(const std::string& sPath, const CAudioBuffer& buffer)
{
    if (buffer.m_iChannels < 1 || buffer.m_iChannels > 2 || buffer.m_iRate <= 0)
        throw CSynthError(sPath + ": only mono or stereo sound can be written");
    const uint64_t uDataBytes = uint64_t(buffer.m_vSamples.size()) * 2;
    if (uDataBytes > 0xffffffffull - 36)
        throw CSynthError(sPath + ": the sound is too long for a WAV file");

    const uint32_t uBlockAlign = static_cast<uint32_t>(buffer.m_iChannels) * 2;
    std::string sOut;
    sOut.reserve(44 + uDataBytes);
    sOut += "RIFF";
    PutU32(sOut, static_cast<uint32_t>(36 + uDataBytes));
    sOut += "WAVEfmt ";
    PutU32(sOut, 16);
    PutU16(sOut, 1); // PCM
    PutU16(sOut, static_cast<uint32_t>(buffer.m_iChannels));
    PutU32(sOut, static_cast<uint32_t>(buffer.m_iRate));
    PutU32(sOut, static_cast<uint32_t>(buffer.m_iRate) * uBlockAlign);
    PutU16(sOut, uBlockAlign);
    PutU16(sOut, 16);
    sOut += "data";
    PutU32(sOut, static_cast<uint32_t>(uDataBytes));
    for (float fSample : buffer.m_vSamples)
    {
        // Symmetric range: +1.0 must not wrap round to -32768.
        double dValue = std::isfinite(fSample) ? std::round(double(fSample) * 32767.0) : 0.0;
        dValue = std::fmax(-32767.0, std::fmin(32767.0, dValue));
        PutU16(sOut, static_cast<uint16_t>(static_cast<int16_t>(dValue)));
    }

    const std::string sTemp = sPath + ".part";
    {
        std::ofstream out(sTemp, std::ios::binary | std::ios::trunc);
        if (!out)
            throw CSynthError(sPath + ": cannot be opened for writing");
        out.write(sOut.data(), static_cast<std::streamsize>(sOut.size()));
        out.close();
        if (!out)
        {
            std::remove(sTemp.c_str());
            throw CSynthError(sPath + ": writing failed");
        }
    }
    if (std::rename(sTemp.c_str(), sPath.c_str()) != 0)
    {
        std::remove(sTemp.c_str());
        throw CSynthError(sPath + ": cannot be replaced");
    }
}
