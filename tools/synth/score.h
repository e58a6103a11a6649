#pragma once

#include <vector>

#include "tools/synth/instrument.h"

// A parsed description: global settings, the instruments and every note
// with its start time resolved.
struct CScore
{
    struct SNote
    {
        double m_dStartBeat = 0.0;
        double m_dBeats = 1.0;
        double m_dFreq = 440.0;
        double m_dVelocity = 1.0;
        int m_iInstrument = 0;
    };

    double m_dTempo = 120.0; // beats per minute
    int m_iMeter = 4;        // beats per bar
    int m_iChannels = 2;
    int m_iLoopBars = 0;     // > 0: a seamless loop of this many bars
    double m_dLength = 0.0;  // seconds, for a one-shot sound
    double m_dFadeIn = 0.0;
    double m_dFadeOut = 0.0;
    // The level is set by the peak, or by the RMS over every sample.
    enum class ELevel { Peak, Rms };
    ELevel m_eLevel = ELevel::Peak;
    double m_dLevelDb = -1.0;
    double m_dEchoBeats = 0.75;
    double m_dEchoGain = 0.0;
    int m_iEchoTaps = 0;

    std::vector<CInstrument> m_vInstruments;
    std::vector<SNote> m_vNotes;

    double SecondsPerBeat() const { return 60.0 / m_dTempo; }
};
