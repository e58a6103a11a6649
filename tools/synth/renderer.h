#pragma once

#include "tools/synth/audio_buffer.h"
#include "tools/synth/score.h"

constexpr int kSynthRate = 44100;

// Renders the score, applies fades and scales it to the score's level.
// A loop's tail wraps around to its start, so the end joins the start.
CAudioBuffer RenderScore(const CScore& score);

// Scales the buffer so its largest sample sits at dPeakDb dBFS.
void NormalizeBuffer(CAudioBuffer& buffer, double dPeakDb);

// Scales the buffer so its RMS over every sample of every channel sits at
// dRmsDb dBFS; throws if its peak would then pass full scale.
void LevelBufferRms(CAudioBuffer& buffer, double dRmsDb);
