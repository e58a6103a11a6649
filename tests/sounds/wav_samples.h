#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

// A WAV file as SDL's own loader reads it, plus the raw header fields SDL
// would convert silently (it also accepts float and ADPCM files).
struct SWavSamples
{
    bool m_bLoaded = false;
    std::string m_sError;
    SDL_AudioSpec m_spec{};
    uint16_t m_uFormatTag = 0;
    uint16_t m_uBitsPerSample = 0;
    std::vector<int16_t> m_vSamples; // interleaved

    int Channels() const { return m_spec.channels; }
    size_t Frames() const { return m_spec.channels ? m_vSamples.size() / m_spec.channels : 0; }
    double Seconds() const { return m_spec.freq ? double(Frames()) / m_spec.freq : 0.0; }
    int Peak() const; // largest magnitude of any sample
};

SWavSamples LoadWavSamples(const std::string& sPath);
