#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/fonts.h"
#include "platform/framework.h"
#include "platform/sound.h"
#include "platform/timer.h"
#include "tests/support/capture.h"
#include "tests/support/tempdir.h"
#include "tests/support/wavfile.h"

namespace
{
class SoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, SDL_Init(SDL_INIT_AUDIO));
        ASSERT_TRUE(TSingleton<CMySound>::Get()->Init());
        WriteTestWav(m_Dir.Path() + "/a.wav");
        WriteTestWav(m_Dir.Path() + "/b.wav");
    }
    void TearDown() override
    {
        TSingleton<CMySound>::Get()->Stop();
        TSingleton<CMySound>::Destroy();
        SDL_Quit();
    }
    TempWorkDir m_Dir;
};
}

TEST_F(SoundTest, SlotNumbersMapToTheirSlots)
{
    CMySound* sound = TSingleton<CMySound>::Get();
    struct
    {
        int slot;
        Mix_Chunk* CMySound::*field;
    } cases[] = {{2, &CMySound::m_pEffect2}, {3, &CMySound::m_pEffect3}, {4, &CMySound::m_pEffect4},
                 {7, &CMySound::m_pEffect4}, {0, &CMySound::m_pEffect4}, {-1, &CMySound::m_pEffect4}};
    Mix_Chunk* CMySound::*fields[] = {&CMySound::m_pEffect2, &CMySound::m_pEffect3, &CMySound::m_pEffect4};
    for (const auto& c : cases)
    {
        for (auto field : fields)
        {
            Mix_FreeChunk(sound->*field);
            sound->*field = nullptr;
        }
        EXPECT_TRUE(sound->Load("a.wav", c.slot));
        for (auto field : fields)
            EXPECT_EQ(field == c.field, sound->*field != nullptr) << "slot " << c.slot;
    }
    EXPECT_EQ(nullptr, sound->m_pMusic);
    EXPECT_TRUE(sound->Load("b.wav", 1));
    EXPECT_NE(nullptr, sound->m_pMusic);
}

TEST_F(SoundTest, PlayUsesTheMappedSlotAndEmptySlotsAreSilent)
{
    CMySound* sound = TSingleton<CMySound>::Get();
    sound->Play(1);
    sound->Play(2);
    sound->Play(4);
    EXPECT_EQ(0, Mix_PlayingMusic());
    EXPECT_EQ(0, Mix_Playing(-1));

    ASSERT_TRUE(sound->Load("a.wav", 4));
    sound->Play(0);
    sound->Play(5);
    EXPECT_EQ(2, Mix_Playing(-1)) << "both play slot 4, overlapping on two channels";

    ASSERT_TRUE(sound->Load("b.wav", 1));
    sound->Play(1);
    EXPECT_EQ(1, Mix_PlayingMusic());

    sound->Stop();
    EXPECT_EQ(nullptr, sound->m_pMusic);
    EXPECT_EQ(nullptr, sound->m_pEffect4);
    sound->Stop();  // stopping with empty slots and a closed device is harmless
}

TEST_F(SoundTest, EffectsSoundingTogetherShareTheLoudnessOfThree)
{
    CMySound* sound = TSingleton<CMySound>::Get();
    WriteTestWav(m_Dir.Path() + "/long.wav", 10000);
    ASSERT_TRUE(sound->Load("long.wav", 3));
    auto volumes = [] {
        std::vector<int> v;
        for (int channel = 0; channel < Mix_AllocateChannels(-1); ++channel)
            if (Mix_Playing(channel))
                v.push_back(Mix_Volume(channel, -1));
        return v;
    };
    // Effects sounding, and the volume each of them then has.
    const std::pair<int, int> expected[] = {{1, 128}, {2, 128}, {3, 128}, {4, 96},
                                            {5, 76},  {6, 64},  {7, 54},  {8, 48}};
    for (const auto& [count, volume] : expected)
    {
        sound->Play(3);
        EXPECT_EQ(std::vector<int>(count, volume), volumes()) << count << " sounding";
    }
    sound->Play(3);
    EXPECT_EQ(std::vector<int>(8, 48), volumes()) << "a ninth finds no channel and changes nothing";

    Mix_HaltChannel(-1);
    sound->Play(3);
    EXPECT_EQ(std::vector<int>{128}, volumes()) << "alone again, on a channel that was turned down";
}

TEST_F(SoundTest, MissingSoundIsFatalWithItsPath)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(TSingleton<CMySound>::Get()->Load("Sound/boing.wav", 2), ::testing::ExitedWithCode(1),
                "^Konnte Sound-Datei nicht laden!\nFehler: Sound/boing.wav\n$");
}

TEST(Fonts, LoadsBothSizesAndCloseKeepsTheFlag)
{
    CMyFont* font = TSingleton<CMyFont>::Get();
    EXPECT_EQ(12, font->m_iSizeSmall);
    EXPECT_EQ(18, font->m_iSizeLarge);
    ASSERT_TRUE(font->Init());
    ASSERT_TRUE(font->Load("fonts/FreeSans.ttf"));
    ASSERT_NE(nullptr, font->m_pFontSmall);
    ASSERT_NE(nullptr, font->m_pFontLarge);
    EXPECT_TRUE(font->m_bLoaded);
    EXPECT_LT(TTF_FontHeight(font->m_pFontSmall), TTF_FontHeight(font->m_pFontLarge));

    font->CloseFont();
    EXPECT_EQ(nullptr, font->m_pFontSmall);
    EXPECT_EQ(nullptr, font->m_pFontLarge);
    EXPECT_TRUE(font->m_bLoaded);
    font->CloseFont();
    font->Quit();
    TSingleton<CMyFont>::Destroy();
}

TEST(Fonts, MissingFontIsFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TSingleton<CMyFont>::Get()->Init();
            TSingleton<CMyFont>::Get()->Load("fonts/Fehlt.ttf");
        },
        ::testing::ExitedWithCode(1), "^Konnte Schriftart nicht laden!\nFehler: .+\n");
}

TEST(FrameClock, DeltaIsTheTimeBetweenUpdates)
{
    ASSERT_EQ(0, SDL_Init(SDL_INIT_TIMER));
    CTimer timer;
    EXPECT_EQ(0.0f, timer.m_fElapsed);
    timer.Update();
    EXPECT_LT(timer.m_fElapsed, 0.05f) << "the first delta is close to zero";
    SDL_Delay(120);
    timer.Update();
    EXPECT_GE(timer.m_fElapsed, 0.11f);
    EXPECT_EQ(timer.m_fCurTime, timer.m_fLastTime);
    EXPECT_FLOAT_EQ(static_cast<float>(SDL_GetTicks()) / 1000.0f, timer.m_fCurTime + 0.0f * timer.m_fElapsed)
        << "ticks in seconds";
    SDL_Quit();
}

// The dummy video driver cannot make cursors, so a start-up there gets as
// far as the cursors and fails: everything before them is checked here.
TEST(Framework, HeadlessStartUpFailsOnlyAtTheCursors)
{
    CFramework* fw = TSingleton<CFramework>::Get();
    CaptureStderr capture;
    EXPECT_FALSE(fw->Init("Rechenfrucht", 800, 600, 32, true));
    ASSERT_NE(nullptr, fw->m_pScreen);
    EXPECT_EQ(800, fw->m_pScreen->w);
    EXPECT_EQ(600, fw->m_pScreen->h);
    EXPECT_EQ(32, fw->m_pScreen->format->BitsPerPixel);
    EXPECT_EQ(SDL_PIXELFORMAT_ARGB8888, fw->m_pScreen->format->format);
    EXPECT_NE(nullptr, fw->m_pWindow);
    EXPECT_TRUE(TSingleton<CMyFont>::Get()->m_bLoaded);
    EXPECT_EQ(1024, fw->m_DesktopRect.w);
    EXPECT_EQ(768, fw->m_DesktopRect.h);
    EXPECT_EQ(716, fw->m_StartButtonRect.x);
    EXPECT_EQ(668, fw->m_StartButtonRect.y);
    EXPECT_NE(nullptr, fw->m_pArrowImage) << "the image stays loaded until Quit";
    EXPECT_NE(std::string::npos, capture.Text().find("Mouse Zeiger \"Pfeil\" konnte nicht erstellt werden!\nFehler: "));

    fw->Quit();
    EXPECT_EQ(nullptr, fw->m_pArrowImage);
    EXPECT_EQ(nullptr, fw->m_pHandImage);
    // The second Quit of a failed start finds fresh, unstarted services.
    fw->Quit();
    EXPECT_EQ(44100, TSingleton<CMySound>::Get()->m_iFrequency);
    EXPECT_EQ(nullptr, TSingleton<CMySound>::Get()->m_pMusic);
    EXPECT_FALSE(TSingleton<CMyFont>::Get()->m_bLoaded);
    TSingleton<CMySound>::Destroy();
    TSingleton<CMyFont>::Destroy();
    TSingleton<CFramework>::Destroy();
}

TEST(Framework, CursorCodes)
{
    ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO));
    std::string data = std::filesystem::current_path().string() + "/ImgData/";
    struct
    {
        bool hand, arrow;
        int code;
        const char* report;
    } cases[] = {
        // Headless, cursors can't be made: a present picture fails one step later.
        {false, false, 3, "Mouse Zeiger Bitmap \"Pfeil\" konnte nicht geladen werden!\nFehler: "},
        {true, false, 3, "Mouse Zeiger \"Hand\" konnte nicht erstellt werden!\nFehler: "},
        {false, true, 4, "Mouse Zeiger Bitmap \"Hand\" konnte nicht geladen werden!\nFehler: "},
        {true, true, 4, "Mouse Zeiger \"Pfeil\" konnte nicht erstellt werden!\nFehler: "},
    };
    for (const auto& c : cases)
    {
        TempWorkDir dir;
        std::filesystem::create_directory("ImgData");
        if (c.hand)
            std::filesystem::copy_file(data + "cur_hand.bmp", "ImgData/cur_hand.bmp");
        if (c.arrow)
            std::filesystem::copy_file(data + "cur_std.bmp", "ImgData/cur_std.bmp");
        CFramework fw;
        CaptureStderr capture;
        EXPECT_EQ(c.code, fw.InitCursor()) << c.hand << c.arrow;
        EXPECT_NE(std::string::npos, capture.Text().find(c.report)) << capture.Text();
        EXPECT_EQ(c.hand, fw.m_pHandImage != nullptr);
        if (fw.m_pHandImage)
            SDL_FreeSurface(fw.m_pHandImage);
        if (fw.m_pArrowImage)
            SDL_FreeSurface(fw.m_pArrowImage);
    }
    SDL_Quit();
}
