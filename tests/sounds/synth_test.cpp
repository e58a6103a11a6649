// The synthesizer: description parser, renderer, WAV writer and program.

#include <SDL.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tests/sounds/wav_samples.h"
#include "tools/synth/parser.h"
#include "tools/synth/renderer.h"
#include "tools/synth/synth_error.h"
#include "tools/synth/wav_writer.h"

namespace
{

// The smallest complete description; cases append to or replace parts of it.
const std::string kHeader = "tempo 60\nchannels 1\nlength 1\ninstrument sine\n  partial 1 1\nend\n";

CScore Parse(const std::string& sText)
{
    std::istringstream in(sText);
    return ParseScore(in, "test.txt");
}

struct SBadCase
{
    const char* m_pWhat;
    std::string m_sText;
    const char* m_pWhere; // "test.txt:<line>:" or "test.txt:" for whole-file faults
    const char* m_pMessage;
};

void PrintTo(const SBadCase& bad, std::ostream* pOut)
{
    *pOut << bad.m_pWhat;
}

class BadDescriptionTest : public testing::TestWithParam<SBadCase>
{
};

TEST_P(BadDescriptionTest, NamesTheLineAndTheFault)
{
    const SBadCase& bad = GetParam();
    try
    {
        Parse(bad.m_sText);
        FAIL() << bad.m_pWhat << ": accepted";
    }
    catch (const CSynthError& error)
    {
        const std::string sMessage = error.what();
        EXPECT_EQ(sMessage.rfind(bad.m_pWhere, 0), 0u) << sMessage;
        EXPECT_NE(sMessage.find(bad.m_pMessage), std::string::npos) << sMessage;
    }
}

const SBadCase kBadCases[] = {
    {"word for a number", "tempo fast\n" + kHeader, "test.txt:1:", "tempo must be a number from 20 to 400, not 'fast'"},
    {"number with junk", "tempo 120bpm\n" + kHeader, "test.txt:1:", "not '120bpm'"},
    {"too many values", "tempo 120 130\n" + kHeader, "test.txt:1:", "'tempo' takes 1 value, not 2"},
    {"unknown keyword", kHeader + "volume 3\n", "test.txt:7:", "unknown keyword 'volume'"},
    {"stray end", kHeader + "end\n", "test.txt:7:", "'end' without a block"},
    {"unclosed instrument", "tempo 60\nlength 1\ninstrument a\n partial 1 1\n", "test.txt:3:", "'instrument a' has no 'end'"},
    {"unclosed track", kHeader + "track t sine\n C4:1\n", "test.txt:7:", "'track t' has no 'end'"},
    {"silent instrument", "length 1\ninstrument a\n attack 0.1\nend\n", "test.txt:4:", "makes no sound"},
    {"unknown setting", "length 1\ninstrument a\n partial 1 1\n loudness 2\nend\n", "test.txt:4:", "unknown instrument setting 'loudness'"},
    {"unknown filter", "length 1\ninstrument a\n noise 1\n filter notch 100\nend\n", "test.txt:4:", "filter must be lowpass"},
    {"duplicate instrument", kHeader + "instrument sine\n partial 1 1\nend\n", "test.txt:7:", "defined twice"},
    {"unknown instrument", kHeader + "track t organ\n C4:1\nend\n", "test.txt:7:", "unknown instrument 'organ'"},
    {"note without length", kHeader + "track t sine\n C4:1\n  E4\nend\n", "test.txt:9:", "'E4' is not a note"},
    {"note with empty part", kHeader + "track t sine\n C4:\nend\n", "test.txt:8:", "is not a note"},
    {"bad pitch letter", kHeader + "track t sine\n H4:1\nend\n", "test.txt:8:", "'H4' is not a pitch"},
    {"pitch without octave", kHeader + "track t sine\n C#:1\nend\n", "test.txt:8:", "'C#' is not a pitch"},
    {"empty chord member", kHeader + "track t sine\n C4++E4:1\nend\n", "test.txt:8:", "is not a pitch"},
    {"zero length", kHeader + "track t sine\n C4:0\nend\n", "test.txt:8:", "note length must be"},
    {"unknown pattern", kHeader + "track t sine\n @tune\nend\n", "test.txt:8:", "unknown pattern 'tune'"},
    {"bad reference", kHeader + "pattern p\n C4:1\nend\ntrack t sine\n @p*x\nend\n", "test.txt:11:", "repeat count must be"},
    {"pattern using itself", kHeader + "pattern a\n C4:1 @b\nend\npattern b\n @a\nend\ntrack t sine\n @a\nend\n",
     "test.txt:11:", "pattern 'a' uses itself"},
    {"transposed out of range", kHeader + "pattern p\n C9:1\nend\ntrack t sine\n @p+24\nend\n", "test.txt:8:",
     "outside the audible range"},
    {"rms out of range", kHeader + "rms -80\n", "test.txt:7:", "rms must be a number from -60 to 0, not '-80'"},
    {"peak and rms", "peak -1\n" + kHeader + "rms -20\n", "test.txt:8:", "the level is already set on line 1"},
    {"loop and length", "loop 1\n" + kHeader + "track t sine\n C4:1\nend\n", "test.txt:", "exactly one"},
    {"neither loop nor length", "instrument a\n partial 1 1\nend\ntrack t a\n C4:1\nend\n", "test.txt:", "exactly one"},
    {"no notes", kHeader + "track t sine\n r:1\nend\n", "test.txt:", "there are no notes"},
    {"track longer than the loop", "tempo 60\nloop 1\ninstrument a\n partial 1 1\nend\ntrack t a\n C4:3 D4:2\nend\n",
     "test.txt:6:", "track 't' lasts 5 beats, longer than the loop of 4 beats"},
};

std::string BadName(const testing::TestParamInfo<SBadCase>& info)
{
    std::string sName;
    for (const char* p = info.param.m_pWhat; *p; ++p)
        sName += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return sName;
}

INSTANTIATE_TEST_SUITE_P(Parser, BadDescriptionTest, testing::ValuesIn(kBadCases), BadName);

TEST(ParserTest, PlacesPatternsChordsAndRestsInTime)
{
    const CScore score = Parse("tempo 120\nmeter 3\nloop 4\n"
                               "instrument a\n partial 1 1\nend\n"
                               "pattern p   # comment\n A4:1 r:0.5 C5+E5:0.5:0.7\nend\n"
                               "track t a\n Bb3:1 @p+12*2 F#4:0.5 # F#4 is a note, this a comment\nend\n");
    EXPECT_DOUBLE_EQ(score.m_dTempo, 120.0);
    EXPECT_EQ(score.m_iMeter, 3);
    EXPECT_EQ(score.m_iLoopBars, 4);
    struct SExpect
    {
        double m_dStart;
        double m_dBeats;
        double m_dFreq;
        double m_dVelocity;
    };
    const SExpect aExpected[] = {
        {0.0, 1.0, 233.0819, 1.0},  {1.0, 1.0, 880.0, 1.0},  {2.5, 0.5, 1046.502, 0.7}, {2.5, 0.5, 1318.510, 0.7},
        {3.0, 1.0, 880.0, 1.0},     {4.5, 0.5, 1046.502, 0.7}, {4.5, 0.5, 1318.510, 0.7}, {5.0, 0.5, 369.994, 1.0},
    };
    ASSERT_EQ(score.m_vNotes.size(), std::size(aExpected));
    for (size_t i = 0; i < std::size(aExpected); ++i)
    {
        const CScore::SNote& note = score.m_vNotes[i];
        EXPECT_DOUBLE_EQ(note.m_dStartBeat, aExpected[i].m_dStart) << "note " << i;
        EXPECT_DOUBLE_EQ(note.m_dBeats, aExpected[i].m_dBeats) << "note " << i;
        EXPECT_NEAR(note.m_dFreq, aExpected[i].m_dFreq, 0.01) << "note " << i;
        EXPECT_DOUBLE_EQ(note.m_dVelocity, aExpected[i].m_dVelocity) << "note " << i;
    }
}

double Peak(const CAudioBuffer& buffer)
{
    double dPeak = 0.0;
    for (float f : buffer.m_vSamples)
        dPeak = std::max(dPeak, double(std::fabs(f)));
    return dPeak;
}

// A note struck just before the loop's end rings on into its start.
TEST(RendererTest, LoopTailWrapsIntoTheStart)
{
    const std::string sText = "tempo 60\nmeter 4\nchannels 2\nloop 1\npeak -1\n"
                              "instrument a\n partial 1 1\n attack 0.01\n decay 0.5\n ring 0.6\n release 0.1\nend\n"
                              "track t a\n r:3.8 A4:0.2\nend\n";
    const CAudioBuffer buffer = RenderScore(Parse(sText));
    ASSERT_EQ(buffer.m_iChannels, 2);
    ASSERT_EQ(buffer.Frames(), 4u * 44100u);
    EXPECT_NEAR(Peak(buffer), std::pow(10.0, -1.0 / 20.0), 1e-5);

    double dHead = 0.0; // the wrapped tail: 0.2 s into the note at frame 0
    for (size_t i = 0; i < 4410; ++i)
        dHead = std::max(dHead, double(std::fabs(buffer.m_vSamples[2 * i])));
    EXPECT_GT(dHead, 0.2) << "the tail was cut off instead of wrapped";

    // Across the seam the wave steps no further than anywhere else.
    const size_t iLast = buffer.Frames() - 1;
    for (int c = 0; c < 2; ++c)
    {
        double dLargestStep = 0.0;
        for (size_t i = 1; i <= iLast; ++i)
            dLargestStep = std::max(dLargestStep, double(std::fabs(buffer.m_vSamples[2 * i + c] -
                                                                    buffer.m_vSamples[2 * (i - 1) + c])));
        EXPECT_LE(std::fabs(buffer.m_vSamples[c] - buffer.m_vSamples[2 * iLast + c]), dLargestStep)
            << "the seam jumps in channel " << c;
    }
}

// The same note in a one-shot sound is cut, faded and ends exactly at zero.
TEST(RendererTest, OneShotFadesToSilence)
{
    const std::string sText = "tempo 60\nchannels 1\nlength 0.5\nfade 0.01 0.05\n"
                              "instrument a\n partial 1 1\n attack 0\n decay 0\n sustain 1\nend\n"
                              "track t a\n A4:2\nend\n";
    const CAudioBuffer buffer = RenderScore(Parse(sText));
    ASSERT_EQ(buffer.Frames(), 22050u);
    EXPECT_EQ(buffer.m_vSamples.front(), 0.0f);
    EXPECT_EQ(buffer.m_vSamples.back(), 0.0f);
    EXPECT_NEAR(Peak(buffer), std::pow(10.0, -1.0 / 20.0), 1e-5);
    // A sine at a steady level: each period's maximum stays the same.
    double dMid = 0.0;
    for (size_t i = 11025; i < 11025 + 100; ++i)
        dMid = std::max(dMid, double(std::fabs(buffer.m_vSamples[i])));
    EXPECT_NEAR(dMid, Peak(buffer), 1e-3);
}

// The sine of OneShotFadesToSilence, now without fades: its RMS lies
// 3.01 dB under its peak, wherever the level puts it.
TEST(RendererTest, RmsLevelScalesTheWholeSound)
{
    const std::string sSine = "tempo 60\nchannels 2\nlength 0.5\n"
                              "instrument a\n partial 1 1\n attack 0\n decay 0\n sustain 1\nend\n"
                              "track t a\n A4:2\nend\n";
    const CAudioBuffer buffer = RenderScore(Parse("rms -20\n" + sSine));
    double dSquares = 0.0;
    for (float f : buffer.m_vSamples)
        dSquares += double(f) * f;
    const double dRmsDb = 20.0 * std::log10(std::sqrt(dSquares / buffer.m_vSamples.size()));
    EXPECT_NEAR(dRmsDb, -20.0, 1e-3);
    EXPECT_NEAR(20.0 * std::log10(Peak(buffer)), -20.0 + 3.01, 0.01);

    try
    {
        RenderScore(Parse("rms -2\n" + sSine));
        FAIL() << "a level that clips was accepted";
    }
    catch (const CSynthError& error)
    {
        EXPECT_NE(std::string(error.what()).find("the peak would reach +1.0 dBFS and clip"), std::string::npos)
            << error.what();
    }
}

TEST(RendererTest, SilenceCannotBeNormalized)
{
    CAudioBuffer buffer;
    buffer.m_iChannels = 1;
    buffer.m_vSamples.assign(100, 0.0f);
    EXPECT_THROW(NormalizeBuffer(buffer, -1.0), CSynthError);
    EXPECT_THROW(LevelBufferRms(buffer, -20.0), CSynthError);
}

class TempDir
{
public:
    TempDir()
    {
        char aPattern[] = "/tmp/rf-synth-test-XXXXXX";
        m_sPath = mkdtemp(aPattern);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_sPath, ignored);
    }
    std::string File(const std::string& sName) const { return m_sPath + "/" + sName; }

private:
    std::string m_sPath;
};

TEST(WavWriterTest, RoundsAndClampsInsteadOfWrapping)
{
    TempDir dir;
    CAudioBuffer buffer;
    buffer.m_iChannels = 2;
    buffer.m_vSamples = {1.0f, -1.0f, 0.5f, -0.5f, 2.0f, -2.0f, 0.0f, 1e-6f};
    WriteWav(dir.File("a.wav"), buffer);

    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    const SWavSamples wav = LoadWavSamples(dir.File("a.wav"));
    SDL_Quit();
    ASSERT_TRUE(wav.m_bLoaded) << wav.m_sError;
    EXPECT_EQ(wav.m_uFormatTag, 1);
    EXPECT_EQ(wav.m_uBitsPerSample, 16);
    EXPECT_EQ(wav.m_spec.freq, 44100);
    EXPECT_EQ(wav.m_spec.channels, 2);
    const std::vector<int16_t> vExpected = {32767, -32767, 16384, -16384, 32767, -32767, 0, 0};
    EXPECT_EQ(wav.m_vSamples, vExpected);
    EXPECT_EQ(std::filesystem::file_size(dir.File("a.wav")), 44u + 16u);
}

TEST(WavWriterTest, UnwritablePathFailsWithoutLeavingAFile)
{
    TempDir dir;
    CAudioBuffer buffer;
    buffer.m_vSamples = {0.5f, 0.5f};
    EXPECT_THROW(WriteWav(dir.File("missing/a.wav"), buffer), CSynthError);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

struct SRunResult
{
    int m_iStatus = -1; // exit status, or -1 if killed or crashed
    std::string m_sStderr;
};

// Runs the synthesizer program; a run that hangs is killed after 60 s.
SRunResult RunSynth(const std::string& sInput, const std::string& sOutput, const std::string& sErrFile)
{
    SRunResult result;
    const pid_t pid = fork();
    if (pid == 0)
    {
        const int iErr = open(sErrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(iErr, STDERR_FILENO);
        execl(RF_SYNTH_PATH, RF_SYNTH_PATH, sInput.c_str(), sOutput.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int iStatus = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(pid, &iStatus, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            kill(pid, SIGKILL);
            waitpid(pid, &iStatus, 0);
            ADD_FAILURE() << "rf_synth hung";
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(iStatus))
        result.m_iStatus = WEXITSTATUS(iStatus);
    std::ifstream err(sErrFile);
    std::ostringstream text;
    text << err.rdbuf();
    result.m_sStderr = text.str();
    return result;
}

TEST(SynthProgramTest, ReportsAFaultyDescriptionAndWritesNothing)
{
    TempDir dir;
    std::ofstream(dir.File("bad.txt")) << kHeader << "track t sine\n C4:1 X4:1\nend\n";
    const SRunResult result = RunSynth(dir.File("bad.txt"), dir.File("bad.wav"), dir.File("err"));
    EXPECT_EQ(result.m_iStatus, 1);
    EXPECT_NE(result.m_sStderr.find(dir.File("bad.txt") + ":8: 'X4' is not a pitch"), std::string::npos)
        << result.m_sStderr;
    EXPECT_FALSE(std::filesystem::exists(dir.File("bad.wav")));
}

TEST(SynthProgramTest, ReportsAMissingDescription)
{
    TempDir dir;
    const SRunResult result = RunSynth(dir.File("none.txt"), dir.File("none.wav"), dir.File("err"));
    EXPECT_EQ(result.m_iStatus, 1);
    EXPECT_NE(result.m_sStderr.find("cannot be opened"), std::string::npos) << result.m_sStderr;
}

TEST(SynthProgramTest, WritesAGoodDescription)
{
    TempDir dir;
    std::ofstream(dir.File("good.txt")) << kHeader << "track t sine\n C4:0.5 E4:0.5\nend\n";
    const SRunResult result = RunSynth(dir.File("good.txt"), dir.File("good.wav"), dir.File("err"));
    EXPECT_EQ(result.m_iStatus, 0) << result.m_sStderr;
    EXPECT_EQ(std::filesystem::file_size(dir.File("good.wav")), 44u + 44100u * 2u);
}

} // namespace
