// The four baked sounds, checked as the game loads them and by analysis.

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/sounds/wav_samples.h"

namespace
{

constexpr double kFullScale = 32767.0;

struct SSoundCase
{
    const char* m_pPath;
    bool m_bMusic;
    double m_dMinSeconds;
    double m_dMaxSeconds;
};

const SSoundCase kSounds[] = {
    {"Sound/sound.wav", true, 30.0, 90.0},
    {"Sound/boing.wav", false, 0.05, 1.5},
    {"Sound/success.wav", false, 0.05, 1.5},
    {"Sound/fail.wav", false, 0.05, 1.5},
};

void PrintTo(const SSoundCase& sound, std::ostream* pOut)
{
    *pOut << sound.m_pPath;
}

std::string CaseName(const testing::TestParamInfo<SSoundCase>& info)
{
    std::string sName = info.param.m_pPath;
    sName = sName.substr(sName.find('/') + 1);
    return sName.substr(0, sName.find('.'));
}

double Db(double dLinear)
{
    return 20.0 * std::log10(std::max(dLinear, 1e-12));
}

// The device is opened the way the game opens it, under the dummy driver.
class SoundFileTest : public testing::TestWithParam<SSoundCase>
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_NE(Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096), -1) << Mix_GetError();
    }
    static void TearDownTestSuite()
    {
        Mix_CloseAudio();
        Mix_Quit();
        SDL_Quit();
    }

    void SetUp() override
    {
        m_wav = LoadWavSamples(GetParam().m_pPath);
        ASSERT_TRUE(m_wav.m_bLoaded) << m_wav.m_sError;
        ASSERT_FALSE(m_wav.m_vSamples.empty()) << GetParam().m_pPath << " holds no 16-bit samples";
    }

    SWavSamples m_wav;
};

TEST_P(SoundFileTest, LoadsTheWayTheGameLoadsIt)
{
    const SSoundCase& sound = GetParam();
    if (sound.m_bMusic)
    {
        Mix_Music* pMusic = Mix_LoadMUS(sound.m_pPath);
        ASSERT_NE(pMusic, nullptr) << Mix_GetError();
        EXPECT_EQ(Mix_GetMusicType(pMusic), MUS_WAV);
        const double dSeconds = Mix_MusicDuration(pMusic);
        EXPECT_GE(dSeconds, sound.m_dMinSeconds);
        EXPECT_LE(dSeconds, sound.m_dMaxSeconds);
        EXPECT_EQ(Mix_PlayMusic(pMusic, -1), 0) << Mix_GetError();
        Mix_HaltMusic();
        Mix_FreeMusic(pMusic);
    }
    else
    {
        Mix_Chunk* pChunk = Mix_LoadWAV_RW(SDL_RWFromFile(sound.m_pPath, "rb"), 1);
        ASSERT_NE(pChunk, nullptr) << Mix_GetError();
        // The chunk is held in the device format: stereo, 16 bit.
        const double dSeconds = pChunk->alen / (44100.0 * 4.0);
        EXPECT_GE(dSeconds, sound.m_dMinSeconds);
        EXPECT_LT(dSeconds, sound.m_dMaxSeconds);
        Mix_FreeChunk(pChunk);
    }
}

TEST_P(SoundFileTest, IsPlain16BitPcmAt44100Hz)
{
    EXPECT_EQ(m_wav.m_uFormatTag, 1) << "not integer PCM";
    EXPECT_EQ(m_wav.m_uBitsPerSample, 16);
    EXPECT_EQ(m_wav.m_spec.freq, 44100);
    EXPECT_EQ(m_wav.m_spec.format, AUDIO_S16LSB);
    if (GetParam().m_bMusic)
        EXPECT_EQ(m_wav.Channels(), 2) << "the music is meant to be stereo";
    else
        EXPECT_TRUE(m_wav.Channels() == 1 || m_wav.Channels() == 2);
    EXPECT_GE(m_wav.Seconds(), GetParam().m_dMinSeconds);
    EXPECT_LT(m_wav.Seconds(), GetParam().m_dMaxSeconds);
}

// Levels, and how the sounds mix, are checked in mix_levels_test.cpp.
TEST_P(SoundFileTest, NeverClipsNorDrifts)
{
    const int iPeak = m_wav.Peak();
    double dSum = 0.0;
    for (int16_t s : m_wav.m_vSamples)
        dSum += s;
    std::printf("%s: peak %.2f dBFS, DC %.1f\n", GetParam().m_pPath, Db(iPeak / kFullScale),
                dSum / m_wav.m_vSamples.size());
    EXPECT_LT(iPeak, 32767) << "full-scale samples: clipped";
    EXPECT_LT(std::fabs(dSum / m_wav.m_vSamples.size()), 0.002 * iPeak) << "DC offset";
}

// A click is a jump between neighbouring frames far above the usual ones.
TEST_P(SoundFileTest, EndsJoinWithoutAClick)
{
    const int iChannels = m_wav.Channels();
    const size_t iFrames = m_wav.Frames();
    const auto& v = m_wav.m_vSamples;
    for (int c = 0; c < iChannels; ++c)
    {
        if (GetParam().m_bMusic)
        {
            std::vector<int> vSteps;
            vSteps.reserve(iFrames);
            for (size_t i = 1; i < iFrames; ++i)
                vSteps.push_back(std::abs(v[i * iChannels + c] - v[(i - 1) * iChannels + c]));
            std::nth_element(vSteps.begin(), vSteps.begin() + vSteps.size() * 95 / 100, vSteps.end());
            const int iTypical = vSteps[vSteps.size() * 95 / 100];
            const int iSeam = std::abs(v[c] - v[(iFrames - 1) * iChannels + c]);
            std::printf("channel %d: loop seam jump %d, 95th percentile of steps %d\n", c, iSeam, iTypical);
            EXPECT_LE(iSeam, iTypical) << "the loop clicks where it wraps in channel " << c;
        }
        else
        {
            // Near silence at both ends: the first and last millisecond
            // stay far below the peak, and the very ends are at zero.
            const size_t iEdge = 44;
            int iHead = 0, iTail = 0;
            for (size_t i = 0; i < iEdge; ++i)
            {
                iHead = std::max(iHead, std::abs(int(v[i * iChannels + c])));
                iTail = std::max(iTail, std::abs(int(v[(iFrames - 1 - i) * iChannels + c])));
            }
            std::printf("%s: first ms up to %.1f dBFS, last ms up to %.1f dBFS\n", GetParam().m_pPath,
                        Db(iHead / kFullScale), Db(iTail / kFullScale));
            EXPECT_LT(std::abs(int(v[c])), 100);
            EXPECT_LT(std::abs(int(v[(iFrames - 1) * iChannels + c])), 100);
            EXPECT_LT(iHead, 0.25 * m_wav.Peak()) << "starts abruptly";
            EXPECT_LT(iTail, 0.05 * m_wav.Peak()) << "ends abruptly";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Baked, SoundFileTest, testing::ValuesIn(kSounds), CaseName);

// Listening by numbers: loudness per second, tempo and key of the music.
class MusicAnalysisTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        const SWavSamples wav = LoadWavSamples("Sound/sound.wav");
        SDL_Quit();
        ASSERT_TRUE(wav.m_bLoaded) << wav.m_sError;
        ASSERT_EQ(wav.Channels(), 2);
        m_dPeakDb = Db(wav.Peak() / kFullScale);
        m_vMono.resize(wav.Frames());
        for (size_t i = 0; i < m_vMono.size(); ++i)
            m_vMono[i] = (wav.m_vSamples[2 * i] + wav.m_vSamples[2 * i + 1]) / (2.0 * kFullScale);
    }

    std::vector<double> m_vMono;
    double m_dPeakDb = 0.0; // of the file, over both channels
};

TEST_F(MusicAnalysisTest, IsNeverSilentNorSquashed)
{
    const size_t iSecond = 44100;
    std::printf("RMS per second (dBFS):");
    double dLoudest = -200.0, dQuietest = 0.0;
    for (size_t iStart = 0; iStart + iSecond <= m_vMono.size(); iStart += iSecond)
    {
        double dSum = 0.0;
        for (size_t i = iStart; i < iStart + iSecond; ++i)
            dSum += m_vMono[i] * m_vMono[i];
        const double dRms = Db(std::sqrt(dSum / iSecond));
        dLoudest = std::max(dLoudest, dRms);
        dQuietest = std::min(dQuietest, dRms);
        std::printf(" %.1f", dRms);
    }
    std::printf("\n");
    EXPECT_GT(dQuietest, m_dPeakDb - 29.0) << "a silent stretch in the music";
    EXPECT_LT(dLoudest, m_dPeakDb - 7.0) << "little headroom: the music is squashed or distorted";
    EXPECT_LT(dLoudest - dQuietest, 12.0) << "sections differ too much in loudness";
}

// The onset envelope's autocorrelation peaks at the beat period.
TEST_F(MusicAnalysisTest, HasABouncyTempo)
{
    const size_t iHop = 256;
    std::vector<double> vEnergy;
    for (size_t iStart = 0; iStart + iHop <= m_vMono.size(); iStart += iHop)
    {
        double dSum = 0.0;
        for (size_t i = iStart; i < iStart + iHop; ++i)
            dSum += m_vMono[i] * m_vMono[i];
        vEnergy.push_back(std::log(1e-9 + dSum));
    }
    std::vector<double> vFlux(vEnergy.size(), 0.0);
    for (size_t i = 1; i < vEnergy.size(); ++i)
        vFlux[i] = std::max(0.0, vEnergy[i] - vEnergy[i - 1]);

    const double dHopsPerMinute = 60.0 * 44100.0 / iHop;
    const size_t iMinLag = static_cast<size_t>(dHopsPerMinute / 180.0);
    const size_t iMaxLag = static_cast<size_t>(dHopsPerMinute / 90.0) + 1;
    std::vector<double> vCorr(iMaxLag + 2, 0.0);
    for (size_t iLag = iMinLag - 1; iLag <= iMaxLag + 1; ++iLag)
        for (size_t i = 0; i < vFlux.size(); ++i)
            vCorr[iLag] += vFlux[i] * vFlux[(i + iLag) % vFlux.size()];
    size_t iBest = iMinLag;
    for (size_t iLag = iMinLag; iLag <= iMaxLag; ++iLag)
        if (vCorr[iLag] > vCorr[iBest])
            iBest = iLag;
    // Parabolic interpolation between neighbouring lags.
    const double dA = vCorr[iBest - 1], dB = vCorr[iBest], dC = vCorr[iBest + 1];
    const double dLag = iBest + 0.5 * (dA - dC) / (dA - 2.0 * dB + dC);
    const double dBpm = dHopsPerMinute / dLag;
    std::printf("estimated tempo %.1f bpm\n", dBpm);
    EXPECT_GE(dBpm, 110.0);
    EXPECT_LE(dBpm, 130.0);
}

// Energy per pitch class (Goertzel over octaves 3 to 6): a tune in
// C major keeps most of it on the white keys.
TEST_F(MusicAnalysisTest, StaysInCMajor)
{
    static const char* aNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    static const bool aInScale[] = {true, false, true, false, true, true, false, true, false, true, false, true};
    const size_t iBlock = 8192;
    double aEnergy[12] = {};
    std::vector<double> vWindow(iBlock);
    for (size_t i = 0; i < iBlock; ++i)
        vWindow[i] = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / iBlock);
    for (size_t iStart = 0; iStart + iBlock <= m_vMono.size(); iStart += 4 * iBlock)
    {
        for (int iMidi = 48; iMidi < 96; ++iMidi)
        {
            const double dFreq = 440.0 * std::pow(2.0, (iMidi - 69) / 12.0);
            const double dCoeff = 2.0 * std::cos(2.0 * M_PI * dFreq / 44100.0);
            double dS1 = 0.0, dS2 = 0.0;
            for (size_t i = 0; i < iBlock; ++i)
            {
                const double dS = m_vMono[iStart + i] * vWindow[i] + dCoeff * dS1 - dS2;
                dS2 = dS1;
                dS1 = dS;
            }
            aEnergy[iMidi % 12] += dS1 * dS1 + dS2 * dS2 - dCoeff * dS1 * dS2;
        }
    }
    double dIn = 0.0, dTotal = 0.0;
    std::printf("pitch-class energy share:");
    for (int i = 0; i < 12; ++i)
        dTotal += aEnergy[i];
    for (int i = 0; i < 12; ++i)
    {
        std::printf(" %s %.1f%%", aNames[i], 100.0 * aEnergy[i] / dTotal);
        if (aInScale[i])
            dIn += aEnergy[i];
    }
    std::printf("\n");
    EXPECT_GT(dIn / dTotal, 0.85) << "much energy off the C major scale: out of tune or distorted";
}

} // namespace
