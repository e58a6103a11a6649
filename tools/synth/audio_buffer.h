#pragma once

#include <cstddef>
#include <vector>

// Interleaved float samples, nominally within -1..1.
struct CAudioBuffer
{
    int m_iRate = 44100;
    int m_iChannels = 2;
    std::vector<float> m_vSamples;

    size_t Frames() const { return m_iChannels > 0 ? m_vSamples.size() / m_iChannels : 0; }
};
