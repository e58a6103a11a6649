#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

// Writes a short mono 16-bit 44.1 kHz sine tone as a WAV file.
inline void WriteTestWav(const std::string& path, int milliseconds = 100)
{
    const uint32_t rate = 44100;
    const uint32_t frames = rate * milliseconds / 1000;
    std::vector<int16_t> samples(frames);
    for (uint32_t i = 0; i < frames; ++i)
        samples[i] = static_cast<int16_t>(8000.0 * std::sin(i * 2.0 * M_PI * 440.0 / rate));

    auto u32 = [](std::ofstream& out, uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](std::ofstream& out, uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    std::ofstream out(path, std::ios::binary);
    const uint32_t dataBytes = frames * 2;
    out.write("RIFF", 4);
    u32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(out, 16);
    u16(out, 1);
    u16(out, 1);
    u32(out, rate);
    u32(out, rate * 2);
    u16(out, 2);
    u16(out, 16);
    out.write("data", 4);
    u32(out, dataBytes);
    out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
}
