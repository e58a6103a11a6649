// The baked sounds as SDL_mixer mixes them: the music and every effect at
// full volume, summed sample by sample into the stereo device stream; and
// the effects as the game's audio service plays them, read back from the
// mixer's own output.

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "tests/sounds/wav_samples.h"

namespace
{

constexpr double kFullScale = 32767.0;
constexpr double kCeilingDb = -1.0;
const int kCeiling = static_cast<int>(kFullScale * std::pow(10.0, kCeilingDb / 20.0)); // 29204

const char* const kEffects[] = {"boing", "success", "fail"};

double Db(double dSample)
{
    return 20.0 * std::log10(std::max(dSample, 1e-9) / kFullScale);
}

struct SLevels
{
    double m_dPeakDb = 0.0;
    double m_dRmsDb = 0.0;
};

// sox's overall figures of a file, over all of its channels.
SLevels SoxLevels(const std::string& sPath)
{
    SLevels levels;
    const std::string sCommand = "sox '" + sPath + "' -n stats 2>&1";
    FILE* pPipe = popen(sCommand.c_str(), "r");
    if (!pPipe)
    {
        ADD_FAILURE() << "cannot run: " << sCommand;
        return levels;
    }
    std::string sOutput;
    char aLine[256];
    bool bPeak = false, bRms = false;
    while (std::fgets(aLine, sizeof aLine, pPipe))
    {
        sOutput += aLine;
        bPeak = bPeak || std::sscanf(aLine, "Pk lev dB %lf", &levels.m_dPeakDb) == 1;
        bRms = bRms || std::sscanf(aLine, "RMS lev dB %lf", &levels.m_dRmsDb) == 1;
    }
    const int iStatus = pclose(pPipe);
    EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0 && bPeak && bRms)
        << sCommand << " failed; sox is needed (scripts/install-deps.sh installs it):\n"
        << sOutput;
    return levels;
}

struct SStream
{
    std::vector<int16_t> m_vSamples; // stereo, interleaved, as the mixer sums them
    SLevels m_sox;

    size_t Frames() const { return m_vSamples.size() / 2; }
};

// The device is opened as the game opens it; effects are read back from
// the loaded chunks, so any conversion the mixer makes is included.
class MixLevelTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_TRUE(TSingleton<CMySound>::Get()->Init()) << Mix_GetError();
        int iRate = 0, iChannels = 0;
        Uint16 uFormat = 0;
        ASSERT_TRUE(Mix_QuerySpec(&iRate, &uFormat, &iChannels));
        ASSERT_EQ(iRate, 44100);
        ASSERT_EQ(uFormat, AUDIO_S16LSB);
        ASSERT_EQ(iChannels, 2);

        // Music is streamed from the file; it is in the device format, so
        // the mixer adds its samples unchanged.
        const SWavSamples music = LoadWavSamples("Sound/sound.wav");
        ASSERT_TRUE(music.m_bLoaded) << music.m_sError;
        ASSERT_EQ(music.Channels(), 2);
        ASSERT_EQ(music.m_spec.freq, 44100);
        ASSERT_FALSE(music.m_vSamples.empty());
        s_mStreams["music"].m_vSamples = music.m_vSamples;
        s_mStreams["music"].m_sox = SoxLevels("Sound/sound.wav");

        for (const char* pName : kEffects)
        {
            const std::string sPath = std::string("Sound/") + pName + ".wav";
            Mix_Chunk* pChunk = Mix_LoadWAV_RW(SDL_RWFromFile(sPath.c_str(), "rb"), 1);
            ASSERT_NE(pChunk, nullptr) << sPath << ": " << Mix_GetError();
            std::vector<int16_t> vSamples(pChunk->alen / 2);
            std::memcpy(vSamples.data(), pChunk->abuf, vSamples.size() * 2);
            Mix_FreeChunk(pChunk);
            s_mStreams[pName].m_vSamples = std::move(vSamples);
            s_mStreams[pName].m_sox = SoxLevels(sPath);
        }
    }

    static void TearDownTestSuite()
    {
        s_mStreams.clear();
        TSingleton<CMySound>::Get()->Stop();
        TSingleton<CMySound>::Destroy();
        SDL_Quit();
    }

    void SetUp() override
    {
        if (s_mStreams.size() != 4)
            GTEST_FAIL() << "the sounds did not load";
    }

    static std::map<std::string, SStream> s_mStreams;
};

std::map<std::string, SStream> MixLevelTest::s_mStreams;

// Guards the sums below: the mixer must hold the samples sox measures in
// the files, neither converted nor attenuated.
TEST_F(MixLevelTest, MixerHoldsWhatSoxMeasures)
{
    std::printf("%-8s %10s %10s\n", "file", "peak dBFS", "RMS dBFS");
    for (const auto& [sName, stream] : s_mStreams)
    {
        int iPeak = 0;
        double dSquares = 0.0;
        for (int16_t s : stream.m_vSamples)
        {
            iPeak = std::max(iPeak, std::abs(int(s)));
            dSquares += double(s) * s;
        }
        const double dRmsDb = Db(std::sqrt(dSquares / stream.m_vSamples.size()));
        std::printf("%-8s %10.2f %10.2f\n", sName.c_str(), stream.m_sox.m_dPeakDb, stream.m_sox.m_dRmsDb);
        EXPECT_NEAR(Db(iPeak), stream.m_sox.m_dPeakDb, 0.02) << sName;
        EXPECT_NEAR(dRmsDb, stream.m_sox.m_dRmsDb, 0.02) << sName;
    }
}

TEST_F(MixLevelTest, MonoEffectsPlayAlikeOnBothSides)
{
    for (const char* pName : kEffects)
    {
        const std::vector<int16_t>& v = s_mStreams[pName].m_vSamples;
        size_t iDiffering = 0;
        for (size_t i = 0; i + 1 < v.size(); i += 2)
            iDiffering += v[i] != v[i + 1];
        EXPECT_EQ(iDiffering, 0u) << pName << " differs between left and right";
    }
}

struct SMix
{
    const char* m_pName;
    std::vector<std::pair<const char*, int>> m_vEffects; // effect, how many start together
};

void PrintTo(const SMix& mix, std::ostream* pOut)
{
    *pOut << mix.m_pName;
}

// The frames the game makes: one pass starts at most one boing, and an
// answer starts a chime per apple solved or else the fail sound.
const SMix kMixes[] = {
    {"boing_and_three_chimes", {{"boing", 1}, {"success", 3}}},
    {"fail", {{"fail", 1}}},
    {"boing_and_fail", {{"boing", 1}, {"fail", 1}}},
};

struct SWorst
{
    size_t m_iStart = 0; // music frame the effects start on
    int m_iPeak = 0;
    size_t m_iBeyond = 0; // samples beyond the ceiling
    size_t m_iClipped = 0;
};

// Over a looping track every effect sample meets every music sample at
// some start, so the worst start puts the effects' extreme on the music's.
SWorst WorstStart(const SStream& music, const std::vector<int>& vEffects)
{
    SWorst worst;
    int iWorst = -1;
    for (int c = 0; c < 2; ++c)
    {
        for (int iSign : {1, -1})
        {
            size_t iMusicAt = c, iEffectAt = c;
            for (size_t i = c; i < music.m_vSamples.size(); i += 2)
                if (iSign * music.m_vSamples[i] > iSign * music.m_vSamples[iMusicAt])
                    iMusicAt = i;
            for (size_t i = c; i < vEffects.size(); i += 2)
                if (iSign * vEffects[i] > iSign * vEffects[iEffectAt])
                    iEffectAt = i;
            const int iSum = iSign * (music.m_vSamples[iMusicAt] + vEffects[iEffectAt]);
            if (iSum > iWorst)
            {
                iWorst = iSum;
                worst.m_iStart = (iMusicAt / 2 + music.Frames() - iEffectAt / 2) % music.Frames();
            }
        }
    }
    // That start summed sample by sample, the music wrapping as it loops.
    for (size_t i = 0; i < vEffects.size(); ++i)
    {
        const size_t iFrame = (worst.m_iStart + i / 2) % music.Frames();
        const int iSum = std::abs(music.m_vSamples[2 * iFrame + i % 2] + vEffects[i]);
        worst.m_iPeak = std::max(worst.m_iPeak, iSum);
        worst.m_iBeyond += iSum > kCeiling;
        worst.m_iClipped += iSum > 32767;
    }
    EXPECT_EQ(worst.m_iPeak, iWorst) << "the worst start was missed";
    return worst;
}

SWorst WorstOf(const SMix& mix, std::map<std::string, SStream>& mStreams)
{
    std::vector<int> vEffects;
    for (const auto& [pName, iCount] : mix.m_vEffects)
    {
        const std::vector<int16_t>& v = mStreams[pName].m_vSamples;
        vEffects.resize(std::max(vEffects.size(), v.size()), 0);
        for (size_t i = 0; i < v.size(); ++i)
            vEffects[i] += iCount * v[i];
    }
    return WorstStart(mStreams["music"], vEffects);
}

void ExpectUnderTheCeiling(const std::string& sMix, const SWorst& worst)
{
    std::printf("%s: worst start %.3f s, peak %.2f dBFS, %zu samples beyond %.0f dBFS, %zu clipped\n", sMix.c_str(),
                worst.m_iStart / 44100.0, Db(worst.m_iPeak), worst.m_iBeyond, kCeilingDb, worst.m_iClipped);
    EXPECT_EQ(worst.m_iBeyond, 0u) << sMix << ": peak " << Db(worst.m_iPeak) << " dBFS passes the ceiling of "
                                   << kCeilingDb << " dBFS";
}

class MixPeakTest : public MixLevelTest, public testing::WithParamInterface<SMix>
{
};

TEST_P(MixPeakTest, StaysUnderTheCeilingAtEveryStart)
{
    ExpectUnderTheCeiling(std::string("music + ") + GetParam().m_pName, WorstOf(GetParam(), s_mStreams));
}

INSTANTIATE_TEST_SUITE_P(Game, MixPeakTest, testing::ValuesIn(kMixes),
                         [](const testing::TestParamInfo<SMix>& info) { return std::string(info.param.m_pName); });

// Levels far below the ceiling would leave the whole game needlessly quiet.
TEST_F(MixLevelTest, LoudestFrameUsesTheHeadroom)
{
    int iLoudest = 0;
    for (const SMix& mix : kMixes)
        iLoudest = std::max(iLoudest, WorstOf(mix, s_mStreams).m_iPeak);
    std::printf("loudest frame: %.2f dBFS\n", Db(iLoudest));
    EXPECT_GE(Db(iLoudest), kCeilingDb - 2.0);
}

// Effects started in one pass, and in passes close enough to fall into
// the same mixer period, through the audio service the game plays with.
struct SPlayed
{
    const char* m_pName;
    std::vector<std::vector<int>> m_vPasses; // slots played, pass by pass
};

void PrintTo(const SPlayed& played, std::ostream* pOut)
{
    *pOut << played.m_pName;
}

const SPlayed kPlayed[] = {
    // An answer that solves eight apples fills every channel with chimes.
    {"eight_chimes", {{3, 3, 3, 3, 3, 3, 3, 3}}},
    // Seven chimes and the horses eating in the same pass.
    {"seven_chimes_and_boing", {{3, 3, 3, 3, 3, 3, 3, 2}}},
    // A wrong answer with a boing, then six chimes one pass later.
    {"fail_and_boing_then_six_chimes", {{4, 2}, {3, 3, 3, 3, 3, 3}}},
    // Three chimes, then four more with a boing while the first still ring.
    {"three_chimes_then_boing_and_four", {{3, 3, 3}, {2, 3, 3, 3, 3}}},
};

// Everything the mixer hands to the device, as SDL_mixer's post-mix hook
// sees it: music (none here) and every channel, summed and clipped.
class CDeviceTap
{
public:
    explicit CDeviceTap(double dSeconds) : m_vSamples(size_t(dSeconds * 44100) * 2) { Mix_SetPostMix(&Take, this); }
    ~CDeviceTap() { Stop(); }

    // Unhooking takes the mixer's lock, so no pass is half written after it.
    std::vector<int> Stop()
    {
        Mix_SetPostMix(nullptr, nullptr);
        return std::vector<int>(m_vSamples.begin(), m_vSamples.begin() + m_iFill.load());
    }

private:
    static void Take(void* pTap, Uint8* pStream, int iBytes)
    {
        auto* tap = static_cast<CDeviceTap*>(pTap);
        const size_t iFill = tap->m_iFill.load();
        const size_t iCount = std::min(size_t(iBytes) / 2, tap->m_vSamples.size() - iFill);
        std::memcpy(tap->m_vSamples.data() + iFill, pStream, iCount * 2);
        tap->m_iFill.store(iFill + iCount);
    }

    std::vector<int16_t> m_vSamples;
    std::atomic<size_t> m_iFill{0};
};

class ServiceMixTest : public MixLevelTest, public testing::WithParamInterface<SPlayed>
{
protected:
    void SetUp() override
    {
        MixLevelTest::SetUp();
        // The device of the suite is the one the service opened for the game.
        m_pSound = TSingleton<CMySound>::Get();
        ASSERT_TRUE(m_pSound->Load("Sound/boing.wav", 2));
        ASSERT_TRUE(m_pSound->Load("Sound/success.wav", 3));
        ASSERT_TRUE(m_pSound->Load("Sound/fail.wav", 4));
    }

    void TearDown() override
    {
        Mix_HaltChannel(-1);
        for (Mix_Chunk** pSlot : {&m_pSound->m_pEffect2, &m_pSound->m_pEffect3, &m_pSound->m_pEffect4})
        {
            Mix_FreeChunk(*pSlot);
            *pSlot = nullptr;
        }
    }

    // Plays the passes 10 ms apart, as a fast game loop would, and returns
    // what reached the device until every effect has ended.
    std::vector<int> Play(const std::vector<std::vector<int>>& vPasses, int* pStarted)
    {
        CDeviceTap tap(4.0);
        *pStarted = 0;
        for (const std::vector<int>& vSlots : vPasses)
        {
            for (int iSlot : vSlots)
                m_pSound->Play(iSlot);
            *pStarted = std::max(*pStarted, Mix_Playing(-1));
            SDL_Delay(10);
        }
        for (int i = 0; i < 300 && Mix_Playing(-1); ++i)
            SDL_Delay(10);
        EXPECT_EQ(Mix_Playing(-1), 0) << "the effects did not end within 3 s";
        SDL_Delay(100); // the pass that ended the last effect reaches the tap
        return tap.Stop();
    }

    CMySound* m_pSound = nullptr;
};

TEST_F(ServiceMixTest, OneChimeIsPlayedAtTheFileLevel)
{
    int iStarted = 0;
    const std::vector<int> vHeard = Play({{3}}, &iStarted);
    int iPeak = 0;
    for (int s : vHeard)
        iPeak = std::max(iPeak, std::abs(s));
    int iFilePeak = 0;
    for (int16_t s : s_mStreams["success"].m_vSamples)
        iFilePeak = std::max(iFilePeak, std::abs(int(s)));
    std::printf("one chime through the service: peak %.2f dBFS (file %.2f dBFS)\n", Db(iPeak), Db(iFilePeak));
    EXPECT_EQ(iStarted, 1);
    EXPECT_EQ(iPeak, iFilePeak);
}

TEST_P(ServiceMixTest, EffectsStartedTogetherStayUnderTheCeilingOverTheMusic)
{
    size_t iPlays = 0;
    for (const std::vector<int>& vSlots : GetParam().m_vPasses)
        iPlays += vSlots.size();
    int iStarted = 0;
    const std::vector<int> vHeard = Play(GetParam().m_vPasses, &iStarted);
    EXPECT_EQ(size_t(iStarted), iPlays) << "every effect asked for is heard, each on a channel of its own";

    ExpectUnderTheCeiling(std::string("music + ") + GetParam().m_pName + " through the service",
                          WorstStart(s_mStreams["music"], vHeard));
}

INSTANTIATE_TEST_SUITE_P(Game, ServiceMixTest, testing::ValuesIn(kPlayed),
                         [](const testing::TestParamInfo<SPlayed>& info) { return std::string(info.param.m_pName); });

TEST_F(MixLevelTest, MusicSitsUnderEffectsOfLikeLoudness)
{
    const SLevels music = s_mStreams["music"].m_sox;
    double dQuietest = 0.0, dLoudest = -200.0;
    for (const char* pName : kEffects)
    {
        const SLevels effect = s_mStreams[pName].m_sox;
        dQuietest = std::min(dQuietest, effect.m_dRmsDb);
        dLoudest = std::max(dLoudest, effect.m_dRmsDb);
        EXPECT_LE(music.m_dRmsDb, effect.m_dRmsDb - 6.0) << "the music is not clearly under " << pName;
        EXPECT_GE(effect.m_dPeakDb, -20.0) << pName << " gets lost";
    }
    std::printf("effects' RMS from %.2f to %.2f dBFS, music's %.2f dBFS\n", dQuietest, dLoudest, music.m_dRmsDb);
    EXPECT_LE(dLoudest - dQuietest, 4.0) << "the effects differ too much in loudness";
    EXPECT_GE(music.m_dRmsDb, dQuietest - 12.0) << "the music is buried";
}

} // namespace
