#pragma once

#include "tools/synth/audio_buffer.h"
#include "tools/synth/score.h"

constexpr int kSynthRate = 44100;

// Renders the score, applies fades and normalizes to the score's peak.
// A loop's tail wraps around to its start, so the end joins the start.
CAudioBuffer RenderScore(const CScore& score);

// Scales the buffer so its largest sample sits at dPeakDb dBFS.
void NormalizeBuffer(CAudioBuffer& buffer, double dPeakDb);
