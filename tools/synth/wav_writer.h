#pragma once

#include <string>

#include "tools/synth/audio_buffer.h"

// Writes 16-bit PCM; samples beyond -1..1 are clamped, never wrapped.
// The file appears only once complete, so a failed run leaves no stale output.
void WriteWav(const std::string& sPath, const CAudioBuffer& buffer);
