#include "tools/synth/parser.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "tools/synth/synth_error.h"

namespace
{

struct SToken
{
    std::string m_sText;
    int m_iLine = 0;
};

struct SSequence
{
    std::string m_sName;
    int m_iInstrument = -1;
    int m_iLine = 0;
    std::vector<SToken> m_vTokens;
};

std::string FormatNumber(double dValue)
{
    std::ostringstream out;
    out << dValue;
    return out.str();
}

class CParser
{
public:
    explicit CParser(const std::string& sName) : m_sName(sName) {}

    CScore Parse(std::istream& input)
    {
        std::string sLine;
        while (std::getline(input, sLine))
        {
            ++m_iLine;
            // A comment starts with a word that begins with '#'; inside a
            // word '#' is a sharp (F#4).
            for (size_t i = 0; i < sLine.size(); ++i)
            {
                if (sLine[i] == '#' && (i == 0 || std::isspace(static_cast<unsigned char>(sLine[i - 1]))))
                {
                    sLine.erase(i);
                    break;
                }
            }
            std::istringstream words(sLine);
            std::vector<std::string> vWords;
            for (std::string sWord; words >> sWord;)
                vWords.push_back(sWord);
            if (!vWords.empty())
                Line(vWords);
        }
        if (m_eBlock != EBlock::None)
            Fail(m_iBlockLine, "'" + m_sBlockName + "' has no 'end'");
        if (m_bLoop == m_bLength)
            FailGlobal("give either 'loop <bars>' or 'length <seconds>', exactly one");
        for (const SSequence& track : m_vTracks)
            ExpandTrack(track);
        if (m_score.m_vNotes.empty())
            FailGlobal("there are no notes");
        return m_score;
    }

private:
    enum class EBlock { None, Instrument, Pattern, Track };

    [[noreturn]] void Fail(int iLine, const std::string& sMessage) const
    {
        throw CSynthError(m_sName + ":" + std::to_string(iLine) + ": " + sMessage);
    }

    [[noreturn]] void FailGlobal(const std::string& sMessage) const
    {
        throw CSynthError(m_sName + ": " + sMessage);
    }

    double Number(const std::string& sText, double dLow, double dHigh, const std::string& sWhat, int iLine) const
    {
        char* pEnd = nullptr;
        const double dValue = std::strtod(sText.c_str(), &pEnd);
        if (sText.empty() || *pEnd != '\0' || !std::isfinite(dValue) || dValue < dLow || dValue > dHigh)
            Fail(iLine, sWhat + " must be a number from " + FormatNumber(dLow) + " to " + FormatNumber(dHigh) +
                            ", not '" + sText + "'");
        return dValue;
    }

    int Integer(const std::string& sText, int iLow, int iHigh, const std::string& sWhat, int iLine) const
    {
        char* pEnd = nullptr;
        const long iValue = std::strtol(sText.c_str(), &pEnd, 10);
        if (sText.empty() || *pEnd != '\0' || iValue < iLow || iValue > iHigh)
            Fail(iLine, sWhat + " must be a whole number from " + std::to_string(iLow) + " to " +
                            std::to_string(iHigh) + ", not '" + sText + "'");
        return static_cast<int>(iValue);
    }

    void Arguments(const std::vector<std::string>& vWords, size_t iMin, size_t iMax) const
    {
        const size_t iCount = vWords.size() - 1;
        if (iCount >= iMin && iCount <= iMax)
            return;
        std::string sWant = std::to_string(iMin);
        if (iMax != iMin)
            sWant += " to " + std::to_string(iMax);
        Fail(m_iLine, "'" + vWords[0] + "' takes " + sWant + " value" + (iMax == 1 ? "" : "s") + ", not " +
                          std::to_string(iCount));
    }

    void Line(const std::vector<std::string>& vWords)
    {
        switch (m_eBlock)
        {
        case EBlock::Instrument:
            InstrumentLine(vWords);
            return;
        case EBlock::Pattern:
        case EBlock::Track:
            SequenceLine(vWords);
            return;
        case EBlock::None:
            TopLine(vWords);
            return;
        }
    }

    void TopLine(const std::vector<std::string>& vWords)
    {
        const std::string& sKey = vWords[0];
        if (sKey == "tempo")
        {
            Arguments(vWords, 1, 1);
            m_score.m_dTempo = Number(vWords[1], 20, 400, "tempo", m_iLine);
        }
        else if (sKey == "meter")
        {
            Arguments(vWords, 1, 1);
            m_score.m_iMeter = Integer(vWords[1], 1, 16, "meter", m_iLine);
        }
        else if (sKey == "channels")
        {
            Arguments(vWords, 1, 1);
            m_score.m_iChannels = Integer(vWords[1], 1, 2, "channels", m_iLine);
        }
        else if (sKey == "loop")
        {
            Arguments(vWords, 1, 1);
            m_score.m_iLoopBars = Integer(vWords[1], 1, 1000, "loop", m_iLine);
            m_bLoop = true;
        }
        else if (sKey == "length")
        {
            Arguments(vWords, 1, 1);
            m_score.m_dLength = Number(vWords[1], 0.01, 60, "length", m_iLine);
            m_bLength = true;
        }
        else if (sKey == "fade")
        {
            Arguments(vWords, 2, 2);
            m_score.m_dFadeIn = Number(vWords[1], 0, 10, "fade in", m_iLine);
            m_score.m_dFadeOut = Number(vWords[2], 0, 10, "fade out", m_iLine);
        }
        else if (sKey == "peak" || sKey == "rms")
        {
            Arguments(vWords, 1, 1);
            if (m_iLevelLine > 0)
                Fail(m_iLine, "the level is already set on line " + std::to_string(m_iLevelLine) +
                                  "; give 'peak' or 'rms' once");
            m_iLevelLine = m_iLine;
            const bool bPeak = sKey == "peak";
            m_score.m_eLevel = bPeak ? CScore::ELevel::Peak : CScore::ELevel::Rms;
            m_score.m_dLevelDb = Number(vWords[1], bPeak ? -40 : -60, 0, sKey, m_iLine);
        }
        else if (sKey == "echo")
        {
            Arguments(vWords, 3, 3);
            m_score.m_dEchoBeats = Number(vWords[1], 0.01, 16, "echo delay", m_iLine);
            m_score.m_dEchoGain = Number(vWords[2], 0, 0.95, "echo gain", m_iLine);
            m_score.m_iEchoTaps = Integer(vWords[3], 0, 8, "echo taps", m_iLine);
        }
        else if (sKey == "instrument")
        {
            Arguments(vWords, 1, 1);
            if (m_mInstruments.count(vWords[1]))
                Fail(m_iLine, "instrument '" + vWords[1] + "' is defined twice");
            m_instrument = CInstrument();
            m_instrument.m_sName = vWords[1];
            Open(EBlock::Instrument, "instrument " + vWords[1]);
        }
        else if (sKey == "pattern")
        {
            Arguments(vWords, 1, 1);
            if (m_mPatterns.count(vWords[1]))
                Fail(m_iLine, "pattern '" + vWords[1] + "' is defined twice");
            m_sequence = SSequence();
            m_sequence.m_sName = vWords[1];
            m_sequence.m_iLine = m_iLine;
            Open(EBlock::Pattern, "pattern " + vWords[1]);
        }
        else if (sKey == "track")
        {
            Arguments(vWords, 2, 2);
            auto it = m_mInstruments.find(vWords[2]);
            if (it == m_mInstruments.end())
                Fail(m_iLine, "unknown instrument '" + vWords[2] + "'");
            m_sequence = SSequence();
            m_sequence.m_sName = vWords[1];
            m_sequence.m_iInstrument = it->second;
            m_sequence.m_iLine = m_iLine;
            Open(EBlock::Track, "track " + vWords[1]);
        }
        else if (sKey == "end")
            Fail(m_iLine, "'end' without a block to close");
        else
            Fail(m_iLine, "unknown keyword '" + sKey + "'");
    }

    void Open(EBlock eBlock, const std::string& sName)
    {
        m_eBlock = eBlock;
        m_iBlockLine = m_iLine;
        m_sBlockName = sName;
    }

    void InstrumentLine(const std::vector<std::string>& vWords)
    {
        CInstrument& inst = m_instrument;
        const std::string& sKey = vWords[0];

        struct SSingle
        {
            const char* m_pKey;
            double CInstrument::*m_pField;
            double m_dLow;
            double m_dHigh;
        };
        static const SSingle aSingles[] = {
            {"attack", &CInstrument::m_dAttack, 0, 30},
            {"decay", &CInstrument::m_dDecay, 0, 30},
            {"sustain", &CInstrument::m_dSustain, 0, 1},
            {"release", &CInstrument::m_dRelease, 0, 30},
            {"ring", &CInstrument::m_dRing, 0, 30},
            {"slide", &CInstrument::m_dSlide, -96, 96},
            {"pan", &CInstrument::m_dPan, -1, 1},
            {"gain", &CInstrument::m_dGain, 0, 10},
            {"echo", &CInstrument::m_dEcho, 0, 1},
        };
        for (const SSingle& single : aSingles)
        {
            if (sKey == single.m_pKey)
            {
                Arguments(vWords, 1, 1);
                inst.*single.m_pField = Number(vWords[1], single.m_dLow, single.m_dHigh, sKey, m_iLine);
                return;
            }
        }

        if (sKey == "end")
        {
            Arguments(vWords, 0, 0);
            if (inst.m_vPartials.empty() && inst.m_dNoise <= 0)
                Fail(m_iLine, "instrument '" + inst.m_sName + "' makes no sound: give it a partial or noise");
            const int iIndex = static_cast<int>(m_score.m_vInstruments.size());
            m_mInstruments[inst.m_sName] = iIndex;
            m_score.m_vInstruments.push_back(inst);
            m_eBlock = EBlock::None;
        }
        else if (sKey == "partial")
        {
            Arguments(vWords, 2, 3);
            CInstrument::SPartial partial;
            partial.m_dRatio = Number(vWords[1], 0.01, 64, "partial ratio", m_iLine);
            partial.m_dAmp = Number(vWords[2], 0, 10, "partial amplitude", m_iLine);
            if (vWords.size() > 3)
                partial.m_dDecayScale = Number(vWords[3], 0.001, 100, "partial decay scale", m_iLine);
            inst.m_vPartials.push_back(partial);
        }
        else if (sKey == "noise")
        {
            Arguments(vWords, 1, 2);
            inst.m_dNoise = Number(vWords[1], 0, 10, "noise", m_iLine);
            if (vWords.size() > 2)
                inst.m_dNoiseDecay = Number(vWords[2], 0, 30, "noise decay", m_iLine);
        }
        else if (sKey == "filter")
        {
            Arguments(vWords, 2, 3);
            const std::string& sKind = vWords[1];
            if (sKind == "lowpass")
                inst.m_eFilter = CInstrument::EFilter::Lowpass;
            else if (sKind == "highpass")
                inst.m_eFilter = CInstrument::EFilter::Highpass;
            else if (sKind == "bandpass")
                inst.m_eFilter = CInstrument::EFilter::Bandpass;
            else
                Fail(m_iLine, "filter must be lowpass, highpass or bandpass, not '" + sKind + "'");
            inst.m_dFilterFreq = Number(vWords[2], 10, 20000, "filter frequency", m_iLine);
            if (vWords.size() > 3)
                inst.m_dFilterQ = Number(vWords[3], 0.1, 50, "filter q", m_iLine);
        }
        else if (sKey == "bend")
        {
            Arguments(vWords, 2, 2);
            inst.m_dBend = Number(vWords[1], -48, 48, "bend", m_iLine);
            inst.m_dBendTime = Number(vWords[2], 0.0001, 10, "bend time", m_iLine);
        }
        else if (sKey == "vibrato")
        {
            Arguments(vWords, 2, 3);
            inst.m_dVibratoRate = Number(vWords[1], 0, 50, "vibrato rate", m_iLine);
            inst.m_dVibratoDepth = Number(vWords[2], 0, 24, "vibrato depth", m_iLine);
            if (vWords.size() > 3)
                inst.m_dVibratoDecay = Number(vWords[3], 0, 30, "vibrato decay", m_iLine);
        }
        else if (sKey == "tremolo")
        {
            Arguments(vWords, 2, 2);
            inst.m_dTremoloRate = Number(vWords[1], 0, 50, "tremolo rate", m_iLine);
            inst.m_dTremoloDepth = Number(vWords[2], 0, 1, "tremolo depth", m_iLine);
        }
        else
            Fail(m_iLine, "unknown instrument setting '" + sKey + "'");
    }

    void SequenceLine(const std::vector<std::string>& vWords)
    {
        if (vWords[0] == "end")
        {
            Arguments(vWords, 0, 0);
            if (m_eBlock == EBlock::Pattern)
                m_mPatterns[m_sequence.m_sName] = m_sequence;
            else
                m_vTracks.push_back(m_sequence);
            m_eBlock = EBlock::None;
            return;
        }
        for (const std::string& sWord : vWords)
            m_sequence.m_vTokens.push_back({sWord, m_iLine});
    }

    // MIDI note number of e.g. "C4", "F#3", "Bb5".
    int Pitch(const std::string& sText, int iLine) const
    {
        static const int aSemitones[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
        bool bOk = sText.size() >= 2 && sText[0] >= 'A' && sText[0] <= 'G';
        int iNote = 0;
        if (bOk)
        {
            iNote = aSemitones[sText[0] - 'A'];
            size_t iPos = 1;
            if (sText[iPos] == '#')
                ++iNote, ++iPos;
            else if (sText[iPos] == 'b')
                --iNote, ++iPos;
            bOk = iPos + 1 == sText.size() && sText[iPos] >= '0' && sText[iPos] <= '9';
            if (bOk)
                iNote += 12 * (sText[iPos] - '0' + 1);
        }
        if (!bOk)
            Fail(iLine, "'" + sText + "' is not a pitch: write a letter A-G, then # or b if needed, then an octave 0-9");
        return iNote;
    }

    void ExpandTrack(const SSequence& track)
    {
        double dBeat = 0.0;
        std::vector<std::string> vStack;
        Expand(track, track.m_iInstrument, 0, dBeat, vStack);
        if (m_bLoop)
        {
            const double dLoopBeats = double(m_score.m_iLoopBars) * m_score.m_iMeter;
            if (dBeat > dLoopBeats + 1e-9)
                Fail(track.m_iLine, "track '" + track.m_sName + "' lasts " + FormatNumber(dBeat) +
                                        " beats, longer than the loop of " + FormatNumber(dLoopBeats) + " beats");
        }
    }

    void Expand(const SSequence& sequence, int iInstrument, int iTranspose, double& dBeat,
                std::vector<std::string>& vStack)
    {
        for (const SToken& token : sequence.m_vTokens)
        {
            if (token.m_sText[0] == '@')
                ExpandReference(token, iInstrument, iTranspose, dBeat, vStack);
            else
                AddNotes(token, iInstrument, iTranspose, dBeat);
        }
    }

    // "@name", "@name+5", "@name-7*2": a pattern, transposed and repeated.
    void ExpandReference(const SToken& token, int iInstrument, int iTranspose, double& dBeat,
                         std::vector<std::string>& vStack)
    {
        const std::string& sText = token.m_sText;
        size_t iPos = 1;
        while (iPos < sText.size() && (std::isalnum(static_cast<unsigned char>(sText[iPos])) || sText[iPos] == '_'))
            ++iPos;
        const std::string sName = sText.substr(1, iPos - 1);
        if (sName.empty())
            Fail(token.m_iLine, "'" + sText + "' names no pattern");
        int iShift = 0;
        int iRepeat = 1;
        if (iPos < sText.size() && (sText[iPos] == '+' || sText[iPos] == '-'))
        {
            const size_t iStart = iPos++;
            while (iPos < sText.size() && std::isdigit(static_cast<unsigned char>(sText[iPos])))
                ++iPos;
            iShift = Integer(sText.substr(iStart, iPos - iStart), -48, 48, "transposition", token.m_iLine);
        }
        if (iPos < sText.size() && sText[iPos] == '*')
        {
            iRepeat = Integer(sText.substr(iPos + 1), 1, 1000, "repeat count", token.m_iLine);
            iPos = sText.size();
        }
        if (iPos != sText.size())
            Fail(token.m_iLine, "'" + sText + "' is not a pattern reference: write @name, @name+5, @name-7*2");
        auto it = m_mPatterns.find(sName);
        if (it == m_mPatterns.end())
            Fail(token.m_iLine, "unknown pattern '" + sName + "'");
        for (const std::string& sOpen : vStack)
            if (sOpen == sName)
                Fail(token.m_iLine, "pattern '" + sName + "' uses itself");
        vStack.push_back(sName);
        for (int i = 0; i < iRepeat; ++i)
            Expand(it->second, iInstrument, iTranspose + iShift, dBeat, vStack);
        vStack.pop_back();
    }

    // "C5:1", "C4+E4+G4:0.5:0.7", "r:2".
    void AddNotes(const SToken& token, int iInstrument, int iTranspose, double& dBeat)
    {
        std::vector<std::string> vParts;
        std::istringstream parts(token.m_sText);
        for (std::string sPart; std::getline(parts, sPart, ':');)
            vParts.push_back(sPart);
        if (vParts.size() < 2 || vParts.size() > 3 || token.m_sText.back() == ':')
            Fail(token.m_iLine, "'" + token.m_sText + "' is not a note: write PITCH:BEATS or PITCH:BEATS:VELOCITY, e.g. C5:1");
        const double dBeats = Number(vParts[1], 0.001, 1000, "note length", token.m_iLine);
        const double dVelocity = vParts.size() > 2 ? Number(vParts[2], 0.001, 4, "velocity", token.m_iLine) : 1.0;
        if (vParts[0] != "r")
        {
            std::istringstream pitches(vParts[0]);
            for (std::string sPitch; std::getline(pitches, sPitch, '+');)
            {
                const int iNote = Pitch(sPitch, token.m_iLine) + iTranspose;
                const double dFreq = 440.0 * std::pow(2.0, (iNote - 69) / 12.0);
                if (dFreq < 8.0 || dFreq > 16000.0)
                    Fail(token.m_iLine, "'" + sPitch + "' transposed lies outside the audible range");
                CScore::SNote note;
                note.m_dStartBeat = dBeat;
                note.m_dBeats = dBeats;
                note.m_dFreq = dFreq;
                note.m_dVelocity = dVelocity;
                note.m_iInstrument = iInstrument;
                m_score.m_vNotes.push_back(note);
            }
            if (vParts[0].back() == '+')
                Fail(token.m_iLine, "'" + token.m_sText + "' has an empty pitch in its chord");
        }
        dBeat += dBeats;
    }

    std::string m_sName;
    int m_iLine = 0;
    EBlock m_eBlock = EBlock::None;
    int m_iBlockLine = 0;
    std::string m_sBlockName;
    bool m_bLoop = false;
    bool m_bLength = false;
    int m_iLevelLine = 0;
    CScore m_score;
    CInstrument m_instrument;
    SSequence m_sequence;
    std::map<std::string, int> m_mInstruments;
    std::map<std::string, SSequence> m_mPatterns;
    std::vector<SSequence> m_vTracks;
};

} // namespace

CScore ParseScore(std::istream& input, const std::string& sName)
{
    return CParser(sName).Parse(input);
}

CScore ParseScoreFile(const std::string& sPath)
{
    std::ifstream input(sPath);
    if (!input)
        throw CSynthError(sPath + ": cannot be opened for reading");
    return ParseScore(input, sPath);
}
