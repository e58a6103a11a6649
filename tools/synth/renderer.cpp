#include "tools/synth/renderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "tools/synth/synth_error.h"

namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr int kTableBits = 12;
constexpr int kTableSize = 1 << kTableBits;

// Linear interpolation in a 4096-point table is accurate to about -130 dB,
// far below 16-bit resolution, and much cheaper than std::sin per partial.
const std::array<float, kTableSize + 1>& SineTable()
{
    static const std::array<float, kTableSize + 1> aTable = [] {
        std::array<float, kTableSize + 1> a{};
        for (int i = 0; i <= kTableSize; ++i)
            a[i] = static_cast<float>(std::sin(2.0 * kPi * i / kTableSize));
        return a;
    }();
    return aTable;
}

inline double Sine(double dPhase) // phase in cycles, 0..1
{
    const auto& aTable = SineTable();
    const double dPos = dPhase * kTableSize;
    const int i = static_cast<int>(dPos);
    const double dFrac = dPos - i;
    return aTable[i] + (aTable[i + 1] - aTable[i]) * dFrac;
}

// RBJ biquad, used on the noise source.
struct SBiquad
{
    double m_dB0 = 1, m_dB1 = 0, m_dB2 = 0, m_dA1 = 0, m_dA2 = 0;
    double m_dX1 = 0, m_dX2 = 0, m_dY1 = 0, m_dY2 = 0;

    SBiquad(CInstrument::EFilter eKind, double dFreq, double dQ, double dRate)
    {
        if (eKind == CInstrument::EFilter::None)
            return;
        const double dW = 2.0 * kPi * std::min(dFreq, 0.45 * dRate) / dRate;
        const double dAlpha = std::sin(dW) / (2.0 * dQ);
        const double dCos = std::cos(dW);
        const double dA0 = 1.0 + dAlpha;
        double dB0 = 0, dB1 = 0, dB2 = 0;
        switch (eKind)
        {
        case CInstrument::EFilter::Lowpass:
            dB0 = (1.0 - dCos) / 2.0, dB1 = 1.0 - dCos, dB2 = (1.0 - dCos) / 2.0;
            break;
        case CInstrument::EFilter::Highpass:
            dB0 = (1.0 + dCos) / 2.0, dB1 = -(1.0 + dCos), dB2 = (1.0 + dCos) / 2.0;
            break;
        case CInstrument::EFilter::Bandpass:
            dB0 = dAlpha, dB1 = 0.0, dB2 = -dAlpha;
            break;
        case CInstrument::EFilter::None:
            break;
        }
        m_dB0 = dB0 / dA0, m_dB1 = dB1 / dA0, m_dB2 = dB2 / dA0;
        m_dA1 = -2.0 * dCos / dA0, m_dA2 = (1.0 - dAlpha) / dA0;
    }

    double Step(double dX)
    {
        const double dY = m_dB0 * dX + m_dB1 * m_dX1 + m_dB2 * m_dX2 - m_dA1 * m_dY1 - m_dA2 * m_dY2;
        m_dX2 = m_dX1, m_dX1 = dX, m_dY2 = m_dY1, m_dY1 = dY;
        return dY;
    }
};

// Raised-cosine ramps keep both ends of every note free of clicks.
inline double RiseCurve(double dT, double dLength)
{
    if (dLength <= 0.0 || dT >= dLength)
        return 1.0;
    return 0.5 - 0.5 * std::cos(kPi * dT / dLength);
}

// Level before release of one decaying component at time dT.
inline double HeldLevel(const CInstrument& inst, double dT, double dDecay)
{
    double dLevel = RiseCurve(dT, inst.m_dAttack);
    if (dDecay > 0.0)
    {
        const double dAfter = std::max(0.0, dT - inst.m_dAttack);
        dLevel *= inst.m_dSustain + (1.0 - inst.m_dSustain) * std::exp(-dAfter / dDecay);
    }
    return dLevel;
}

// Renders one note, mono, from its onset to the end of its release.
std::vector<float> RenderNote(const CInstrument& inst, const CScore::SNote& note, double dGate, uint32_t uSeed)
{
    const double dRate = kSynthRate;
    const double dRelease = inst.m_dRelease;
    const size_t iFrames = static_cast<size_t>(std::ceil((dGate + dRelease) * dRate)) + 1;
    std::vector<float> vOut(iFrames, 0.0f);

    const size_t iPartials = inst.m_vPartials.size();
    std::vector<double> vPhase(iPartials, 0.0);
    std::vector<double> vDecay(iPartials), vStep(iPartials), vGateLevel(iPartials);
    for (size_t p = 0; p < iPartials; ++p)
    {
        vDecay[p] = inst.m_dDecay * inst.m_vPartials[p].m_dDecayScale;
        // The exponential is advanced by a constant factor per frame.
        vStep[p] = vDecay[p] > 0.0 ? std::exp(-1.0 / (vDecay[p] * dRate)) : 1.0;
        vGateLevel[p] = HeldLevel(inst, dGate, vDecay[p]);
    }
    std::vector<double> vFall(iPartials, 1.0);
    const double dNoiseDecay = inst.m_dNoiseDecay > 0.0 ? inst.m_dNoiseDecay : inst.m_dDecay;
    const double dNoiseStep = dNoiseDecay > 0.0 ? std::exp(-1.0 / (dNoiseDecay * dRate)) : 1.0;
    const double dNoiseSustain = inst.m_dNoiseDecay > 0.0 ? 0.0 : inst.m_dSustain;
    auto noiseHeld = [&](double dT, double dFall) {
        return RiseCurve(dT, inst.m_dAttack) * (dNoiseDecay > 0.0 ? dNoiseSustain + (1.0 - dNoiseSustain) * dFall : 1.0);
    };
    const double dNoiseGateFall = dNoiseDecay > 0.0 ? std::exp(-std::max(0.0, dGate - inst.m_dAttack) / dNoiseDecay) : 1.0;
    const double dNoiseGateLevel = noiseHeld(dGate, dNoiseGateFall);
    double dNoiseFall = 1.0;

    SBiquad filter(inst.m_eFilter, inst.m_dFilterFreq, inst.m_dFilterQ, dRate);
    uint32_t uNoise = uSeed * 2654435761u + 12345u;

    const bool bPitchMoves = inst.m_dBend != 0.0 || inst.m_dSlide != 0.0 ||
                             (inst.m_dVibratoRate > 0.0 && inst.m_dVibratoDepth > 0.0);
    const double dNyquistGuard = 0.45 * dRate;
    const double dAmp = note.m_dVelocity * inst.m_dGain;

    for (size_t i = 0; i < iFrames; ++i)
    {
        const double dT = i / dRate;
        const bool bReleased = dT >= dGate;
        const double dReleaseLevel = bReleased ? 1.0 - RiseCurve(dT - dGate, dRelease) : 1.0;
        if (bReleased && dRelease <= 0.0)
            break;
        const bool bPastAttack = dT >= inst.m_dAttack;

        double dFreq = note.m_dFreq;
        if (bPitchMoves)
        {
            double dSemis = inst.m_dBend * std::exp(-dT / inst.m_dBendTime) + inst.m_dSlide * dT;
            if (inst.m_dVibratoRate > 0.0)
            {
                double dDepth = inst.m_dVibratoDepth;
                if (inst.m_dVibratoDecay > 0.0)
                    dDepth *= std::exp(-dT / inst.m_dVibratoDecay);
                dSemis += dDepth * std::sin(2.0 * kPi * inst.m_dVibratoRate * dT);
            }
            dFreq *= std::exp2(dSemis / 12.0);
        }

        double dSum = 0.0;
        for (size_t p = 0; p < iPartials; ++p)
        {
            const CInstrument::SPartial& partial = inst.m_vPartials[p];
            double dLevel;
            if (bReleased)
                dLevel = vGateLevel[p] * dReleaseLevel;
            else
            {
                dLevel = RiseCurve(dT, inst.m_dAttack);
                if (vDecay[p] > 0.0)
                    dLevel *= inst.m_dSustain + (1.0 - inst.m_dSustain) * vFall[p];
            }
            if (bPastAttack)
                vFall[p] *= vStep[p];
            const double dPartialFreq = dFreq * partial.m_dRatio;
            if (dPartialFreq < dNyquistGuard)
                dSum += partial.m_dAmp * dLevel * Sine(vPhase[p]);
            vPhase[p] += dPartialFreq / dRate;
            vPhase[p] -= std::floor(vPhase[p]);
        }

        if (inst.m_dNoise > 0.0)
        {
            uNoise = uNoise * 1664525u + 1013904223u;
            const double dWhite = (static_cast<double>(uNoise >> 8) / 8388608.0) - 1.0;
            const double dLevel = bReleased ? dNoiseGateLevel * dReleaseLevel : noiseHeld(dT, dNoiseFall);
            if (bPastAttack)
                dNoiseFall *= dNoiseStep;
            dSum += inst.m_dNoise * dLevel * filter.Step(dWhite);
        }

        if (inst.m_dTremoloRate > 0.0)
            dSum *= 1.0 - inst.m_dTremoloDepth * (0.5 - 0.5 * std::cos(2.0 * kPi * inst.m_dTremoloRate * dT));

        vOut[i] = static_cast<float>(dSum * dAmp);
    }
    return vOut;
}

size_t FrameCount(const CScore& score)
{
    double dSeconds = score.m_iLoopBars > 0
                          ? double(score.m_iLoopBars) * score.m_iMeter * score.SecondsPerBeat()
                          : score.m_dLength;
    if (dSeconds > 600.0)
        throw CSynthError("the sound would last " + std::to_string(dSeconds) + " seconds; at most 600 are allowed");
    return static_cast<size_t>(std::llround(dSeconds * kSynthRate));
}

void ApplyFades(CAudioBuffer& buffer, double dFadeIn, double dFadeOut)
{
    const size_t iFrames = buffer.Frames();
    const int iChannels = buffer.m_iChannels;
    const size_t iIn = std::min(iFrames, static_cast<size_t>(dFadeIn * buffer.m_iRate));
    const size_t iOut = std::min(iFrames, static_cast<size_t>(dFadeOut * buffer.m_iRate));
    for (size_t i = 0; i < iIn; ++i)
        for (int c = 0; c < iChannels; ++c)
            buffer.m_vSamples[i * iChannels + c] *= static_cast<float>(RiseCurve(double(i), double(iIn)));
    // The last frame reaches exactly zero.
    for (size_t i = 0; i < iOut; ++i)
    {
        const size_t iFrame = iFrames - 1 - i;
        const float fGain = iOut > 1 ? static_cast<float>(RiseCurve(double(i), double(iOut - 1))) : 0.0f;
        for (int c = 0; c < iChannels; ++c)
            buffer.m_vSamples[iFrame * iChannels + c] *= fGain;
    }
}

} // namespace

void NormalizeBuffer(CAudioBuffer& buffer, double dPeakDb)
{
    float fPeak = 0.0f;
    for (float f : buffer.m_vSamples)
        fPeak = std::max(fPeak, std::fabs(f));
    if (!(fPeak > 1e-9f))
        throw CSynthError("the sound renders as silence");
    const double dScale = std::pow(10.0, dPeakDb / 20.0) / fPeak;
    for (float& f : buffer.m_vSamples)
        f = static_cast<float>(f * dScale);
}

void LevelBufferRms(CAudioBuffer& buffer, double dRmsDb)
{
    double dSquares = 0.0;
    double dPeak = 0.0;
    for (float f : buffer.m_vSamples)
    {
        dSquares += double(f) * f;
        dPeak = std::max(dPeak, double(std::fabs(f)));
    }
    const double dRms = buffer.m_vSamples.empty() ? 0.0 : std::sqrt(dSquares / buffer.m_vSamples.size());
    if (!(dRms > 1e-9))
        throw CSynthError("the sound renders as silence");
    const double dScale = std::pow(10.0, dRmsDb / 20.0) / dRms;
    // The writer would clamp: a level that loud is a fault in the description.
    if (dPeak * dScale >= 1.0)
    {
        char aMessage[128];
        std::snprintf(aMessage, sizeof aMessage, "at rms %.1f dBFS the peak would reach %+.1f dBFS and clip",
                      dRmsDb, 20.0 * std::log10(dPeak * dScale));
        throw CSynthError(aMessage);
    }
    for (float& f : buffer.m_vSamples)
        f = static_cast<float>(f * dScale);
}

CAudioBuffer RenderScore(const CScore& score)
{
    const size_t iFrames = FrameCount(score);
    if (iFrames == 0)
        throw CSynthError("the sound has no length");
    const int iChannels = score.m_iChannels;
    const bool bLoop = score.m_iLoopBars > 0;
    const double dSecondsPerBeat = score.SecondsPerBeat();

    CAudioBuffer buffer;
    buffer.m_iRate = kSynthRate;
    buffer.m_iChannels = iChannels;
    buffer.m_vSamples.assign(iFrames * iChannels, 0.0f);
    std::vector<float> vSend(iFrames * iChannels, 0.0f);

    uint32_t uSeed = 1;
    for (const CScore::SNote& note : score.m_vNotes)
    {
        const CInstrument& inst = score.m_vInstruments.at(note.m_iInstrument);
        const long long iStart = std::llround(note.m_dStartBeat * dSecondsPerBeat * kSynthRate);
        if (!bLoop && iStart >= static_cast<long long>(iFrames))
            continue;
        const double dGate = inst.m_dRing > 0.0 ? inst.m_dRing : note.m_dBeats * dSecondsPerBeat;
        const std::vector<float> vNote = RenderNote(inst, note, dGate, uSeed++);

        // Constant-power pan; a mono file takes the plain sum.
        double aGain[2] = {1.0, 1.0};
        if (iChannels == 2)
        {
            const double dAngle = (inst.m_dPan + 1.0) * kPi / 4.0;
            aGain[0] = std::cos(dAngle);
            aGain[1] = std::sin(dAngle);
        }
        for (size_t i = 0; i < vNote.size(); ++i)
        {
            size_t iFrame = static_cast<size_t>(iStart) + i;
            if (bLoop)
                iFrame %= iFrames;
            else if (iFrame >= iFrames)
                break;
            for (int c = 0; c < iChannels; ++c)
            {
                const float fValue = static_cast<float>(vNote[i] * aGain[c]);
                buffer.m_vSamples[iFrame * iChannels + c] += fValue;
                if (inst.m_dEcho > 0.0)
                    vSend[iFrame * iChannels + c] += static_cast<float>(fValue * inst.m_dEcho);
            }
        }
    }

    // Feed-forward echo taps; in a stereo file they alternate sides.
    double dTapGain = 1.0;
    for (int k = 1; k <= score.m_iEchoTaps; ++k)
    {
        dTapGain *= score.m_dEchoGain;
        const size_t iDelay = static_cast<size_t>(std::llround(k * score.m_dEchoBeats * dSecondsPerBeat * kSynthRate));
        for (size_t i = 0; i < iFrames; ++i)
        {
            size_t iFrom;
            if (bLoop)
                iFrom = (i + iFrames - iDelay % iFrames) % iFrames;
            else if (i >= iDelay)
                iFrom = i - iDelay;
            else
                continue;
            for (int c = 0; c < iChannels; ++c)
            {
                const int iSource = (iChannels == 2 && k % 2 == 1) ? 1 - c : c;
                buffer.m_vSamples[i * iChannels + c] += static_cast<float>(dTapGain * vSend[iFrom * iChannels + iSource]);
            }
        }
    }

    if (!bLoop)
        ApplyFades(buffer, score.m_dFadeIn, score.m_dFadeOut);
    if (score.m_eLevel == CScore::ELevel::Rms)
        LevelBufferRms(buffer, score.m_dLevelDb);
    else
        NormalizeBuffer(buffer, score.m_dLevelDb);
    return buffer;
}
