#pragma once

#include <string>
#include <vector>

// One timbre: sine partials plus filtered noise under one envelope, with
// optional pitch movement. Times are in seconds, pitch offsets in semitones.
struct CInstrument
{
    struct SPartial
    {
        double m_dRatio = 1.0;      // of the note's frequency
        double m_dAmp = 1.0;
        double m_dDecayScale = 1.0; // multiplies the envelope's decay time
    };

    enum class EFilter { None, Lowpass, Highpass, Bandpass };

    std::string m_sName;
    std::vector<SPartial> m_vPartials;

    double m_dNoise = 0.0;
    double m_dNoiseDecay = 0.0; // 0: the noise follows the main envelope
    EFilter m_eFilter = EFilter::None;
    double m_dFilterFreq = 1000.0;
    double m_dFilterQ = 0.707;

    double m_dAttack = 0.005;
    double m_dDecay = 0.5; // time constant of the fall to the sustain level; 0: none
    double m_dSustain = 0.0;
    double m_dRelease = 0.05;
    double m_dRing = 0.0; // fixed sounding time; 0: the note's own length

    double m_dBend = 0.0; // start offset that fades to the note's pitch
    double m_dBendTime = 0.05;
    double m_dSlide = 0.0; // semitones per second
    double m_dVibratoRate = 0.0;
    double m_dVibratoDepth = 0.0;
    double m_dVibratoDecay = 0.0; // 0: the vibrato keeps its depth
    double m_dTremoloRate = 0.0;
    double m_dTremoloDepth = 0.0;

    double m_dPan = 0.0; // -1 left .. 1 right
    double m_dGain = 1.0;
    double m_dEcho = 0.0; // send level into the echo
};
