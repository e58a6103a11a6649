#include "tests/game/game_fixture.h"

#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>

#include "game/witchey.h"
#include "platform/sprite.h"
#include "tests/game/call_hooks.h"

namespace
{
using Pixel = std::pair<int, int>;
using Pixels = std::set<Pixel>;

// A 20 x 10 surface inside a 32 x 12 buffer: its pitch is not 4 x width, and
// a write beside or below it lands in the buffer where the test sees it.
class SmallSurface
{
public:
    explicit SmallSurface(Uint32 format = SDL_PIXELFORMAT_ARGB8888)
        : m_pSurface(SDL_CreateRGBSurfaceWithFormatFrom(m_Buffer, 20, 10, 32, 32 * 4, format))
    {
    }
    ~SmallSurface() { SDL_FreeSurface(m_pSurface); }
    SmallSurface(const SmallSurface&) = delete;
    SmallSurface& operator=(const SmallSurface&) = delete;

    SDL_Surface* Get() const { return m_pSurface; }

    // Every pixel of the buffer written with the colour, inside or not.
    Pixels Written(Uint32 colour, int* others) const
    {
        Pixels written;
        *others = 0;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 32; ++x)
            {
                Uint32 p = m_Buffer[y * 32 + x];
                if (p == colour)
                    written.insert({x, y});
                else if (p != 0)
                    ++*others;
            }
        return written;
    }

private:
    Uint32 m_Buffer[32 * 12] = {};
    SDL_Surface* m_pSurface;
};

struct LineCase
{
    const char* name;
    float x0, y0, x1, y1;
    Pixels expected;
};

class Witch : public GameFixture
{
protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        // Clock readings whose reseeding makes rand() % 2 come out 0 or 1.
        for (time_t t = 1700000000; m_ParityTime[0] == 0 || m_ParityTime[1] == 0; ++t)
        {
            srand(static_cast<unsigned>(t));
            time_t& slot = m_ParityTime[rand() % 2];
            if (slot == 0)
                slot = t;
        }
    }

    CWitchey& W() { return *m_Game.m_pWitch; }

    void Frame(float delta)
    {
        SetDelta(delta);
        W().Update();
    }

    // Quarter-second frames from open eyes up to the frame the blink starts.
    int OpenFrames()
    {
        int n = 0;
        do
        {
            Frame(0.25f);
            ++n;
        } while (W().m_fState == 0.0f && n < 100);
        EXPECT_EQ(1.0f, W().m_fState);
        EXPECT_EQ(0.0f, W().m_fTimer);
        return n;
    }

    // Ends a blink just begun; the drift of the eyes-open time is `amount`.
    void FinishBlink(int amount)
    {
        hooks::FakeTime(m_ParityTime[amount]);
        Frame(0.25f);
        EXPECT_EQ(1.0f, W().m_fState) << "a blink lasts half a second";
        Frame(0.25f);
        EXPECT_EQ(0.0f, W().m_fState);
        EXPECT_EQ(0.0f, W().m_fTimer);
        hooks::RealTime();
    }

    // The eyes-open time and the drift direction are shared by every witch of
    // the process. Read them off the blink timing, then walk them back to
    // their starting values: 3.5 s and a downward next drift. The witch is
    // left with open eyes and a zero timer, as after Init.
    void BackToFirstBlink()
    {
        W().m_fState = 0.0f;
        W().m_fTimer = 0.0f;
        int before = OpenFrames();
        FinishBlink(1);
        int after = OpenFrames();
        bool raised = after == before + 4 || (before == 22 && after == 14);
        bool lowered = after == before - 4 || (before == 6 && after == 14);
        ASSERT_NE(raised, lowered) << before << " then " << after << " quarter seconds";

        int open = after;
        if (!raised)
        {
            // The next drift would go up: spend it without a change.
            FinishBlink(0);
            ASSERT_EQ(open, OpenFrames());
        }
        while (open != 14)
        {
            int step = open > 14 ? -4 : 4;
            FinishBlink(step < 0 ? 1 : 0);
            OpenFrames();
            FinishBlink(step > 0 ? 1 : 0);
            ASSERT_EQ(open + step, OpenFrames());
            open += step;
        }
        W().m_fState = 0.0f;
        W().m_fTimer = 0.0f;
    }

    Uint32 Yellow() const { return SDL_MapRGB(m_pScreen->format, 255, 255, 0); }
    Uint32 Red() const { return SDL_MapRGB(m_pScreen->format, 255, 0, 0); }

    hooks::Scope m_Hooks;
    time_t m_ParityTime[2] = {0, 0};
};

class LineTable : public Witch, public ::testing::WithParamInterface<LineCase>
{
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << c.name;
}
}

TEST_P(LineTable, DrawsExactlyThePixelsOfTheStepping)
{
    const LineCase& c = GetParam();
    SmallSurface surface;
    CWitchey::Line(c.x0, c.y0, c.x1, c.y1, surface.Get(), 255, 255, 0);
    int others = 0;
    EXPECT_EQ(c.expected, surface.Written(0xFFFFFF00u, &others));
    EXPECT_EQ(0, others);
}

// Worked out by hand from the stepping rules (error starts at half the major
// delta, drops by the minor extent per step, the far end is not drawn).
INSTANTIATE_TEST_SUITE_P(
    Lines, LineTable,
    ::testing::Values(
        LineCase{"Flat", 0, 0, 5, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
        LineCase{"Steep", 1, 0, 3, 5, {{1, 0}, {1, 1}, {2, 2}, {2, 3}, {3, 4}}},
        LineCase{"SteepReversed", 3, 5, 1, 0, {{1, 0}, {1, 1}, {2, 2}, {2, 3}, {3, 4}}},
        LineCase{"EqualExtentsStepAlongX", 0, 3, 3, 0, {{0, 3}, {1, 2}, {2, 1}}},
        LineCase{"ReversedFalling", 6, 1, 0, 4, {{0, 4}, {1, 4}, {2, 3}, {3, 3}, {4, 2}, {5, 2}}},
        LineCase{"VerticalUpwards", 8, 9, 8, 2, {{8, 2}, {8, 3}, {8, 4}, {8, 5}, {8, 6}, {8, 7}, {8, 8}}},
        LineCase{"Point", 4, 4, 4, 4, {}},
        LineCase{"SameTruncatedMajor", 2.2f, 1, 2.8f, 1, {}},
        LineCase{"FractionalEnds", 0.9f, 0, 4.2f, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}}},
        LineCase{"PartlyAbove", 2, -3, 4, 3, {{3, 0}, {3, 1}, {4, 2}}},
        LineCase{"PartlyLeft", -3, 2, 2, 2, {{0, 2}, {1, 2}}},
        LineCase{"PartlyRight", 17, 5, 23, 5, {{17, 5}, {18, 5}, {19, 5}}},
        LineCase{"PartlyBelow", 5, 7, 5, 14, {{5, 7}, {5, 8}, {5, 9}}},
        LineCase{"WhollyOutside", -9, -9, -2, -5, {}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST_F(Witch, LineColourIsTheSurfacesMappingOfEightBitValues)
{
    struct
    {
        Uint32 format;
        int r, g, b;
        Uint32 pixel;
    } cases[] = {
        {SDL_PIXELFORMAT_ARGB8888, 255, 0, 0, 0xFFFF0000u},
        {SDL_PIXELFORMAT_ABGR8888, 255, 0, 0, 0xFF0000FFu},
        {SDL_PIXELFORMAT_RGB888, 255, 255, 0, 0x00FFFF00u},
        {SDL_PIXELFORMAT_ARGB8888, 0x1FF, 0x100, 0x203, 0xFFFF0003u},
    };
    for (const auto& c : cases)
    {
        SmallSurface surface(c.format);
        CWitchey::Line(0, 0, 3, 0, surface.Get(), c.r, c.g, c.b);
        int others = 0;
        EXPECT_EQ((Pixels{{0, 0}, {1, 0}, {2, 0}}), surface.Written(c.pixel, &others))
            << SDL_GetPixelFormatName(c.format) << " " << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(0, others);
    }
}

TEST_F(Witch, FiringDrawsSevenStripedLinesToEveryTarget)
{
    struct
    {
        const char* name;
        float state;
        bool bolts;
    } cases[] = {{"firing", 2.0f, true}, {"eyes open", 0.0f, false}, {"blink", 1.0f, false}};
    // One box straight above the bolt start, one at 45 degrees up to the left.
    std::list<SDL_Rect> targets = {{346, 68, 64, 64}, {146, 90, 64, 64}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        W().m_Targets = targets;
        W().m_fState = c.state;
        TSingleton<CFramework>::Get()->Clear();
        W().Render();
        for (int k = 0; k < 7; ++k)
        {
            Uint32 colour = c.bolts ? (k % 2 == 0 ? Yellow() : Red()) & 0xFFFFFF : 0u;
            // Straight up: x 378 + k from y 100 down to the witch's top.
            for (int y = 100; y < 276; ++y)
                ASSERT_EQ(colour, PixelAt(378 + k, y) & 0xFFFFFF) << "k " << k << " y " << y;
            // Diagonal: from (178 + k, 122) in steps of one pixel right and down.
            for (int i = 0; i < 276 - 122; ++i)
                ASSERT_EQ(colour, PixelAt(178 + k + i, 122 + i) & 0xFFFFFF) << "k " << k << " i " << i;
        }
        EXPECT_EQ(0u, PixelAt(378, 99) & 0xFFFFFF) << "the end point stays undrawn";
        EXPECT_EQ(0u, PixelAt(177, 122) & 0xFFFFFF);
        EXPECT_EQ(0u, PixelAt(185, 122) & 0xFFFFFF) << "seven lines, not eight";
        EXPECT_EQ(0u, PixelAt(377, 200) & 0xFFFFFF);
        EXPECT_EQ(0u, PixelAt(385, 200) & 0xFFFFFF);
    }
}

TEST_F(Witch, BoltsToABoxAboveTheScreenKeepTheirVisiblePart)
{
    W().m_Targets = {{346, -300, 64, 64}};
    W().m_fState = 2.0f;
    TSingleton<CFramework>::Get()->Clear();
    W().Render();
    for (int k = 0; k < 7; ++k)
        for (int y = 0; y < 276; ++y)
            ASSERT_EQ(k % 2 == 0 ? Yellow() : Red(), PixelAt(378 + k, y)) << "k " << k << " y " << y;
}

TEST_F(Witch, FlashAndFrameFollowTheState)
{
    auto snapshot = [this](float state) {
        W().m_Targets.clear();
        W().m_fState = state;
        TSingleton<CFramework>::Get()->Clear();
        W().Render();
        std::vector<Uint32> shot;
        for (int y = 276; y < 596; ++y)
            for (int x = 314; x < 518; ++x)
                shot.push_back(PixelAt(x, y));
        return shot;
    };
    auto open = snapshot(0.0f);
    auto blink = snapshot(1.0f);
    auto firing = snapshot(2.0f);
    EXPECT_NE(open, blink);
    EXPECT_NE(open, firing);
    EXPECT_NE(blink, firing);
    EXPECT_EQ(open, snapshot(0.0f));

    // The flash lies over the witch only while firing: outside its 32 x 32
    // square at (364, 308) the firing picture is the bare firing frame.
    int changedOutsideFlash = 0;
    std::vector<Uint32> bareFiring;
    W().m_fState = 2.0f;
    TSingleton<CFramework>::Get()->Clear();
    W().m_pSprite->SetPos(314.0f, 276.0f);
    W().m_pSprite->Render(2.0f);
    int flashPixels = 0;
    for (int y = 276; y < 596; ++y)
        for (int x = 314; x < 518; ++x)
        {
            bool inFlash = x >= 364 && x < 396 && y >= 308 && y < 340;
            bool same = PixelAt(x, y) == firing[(y - 276) * 204 + (x - 314)];
            if (!inFlash && !same)
                ++changedOutsideFlash;
            if (inFlash && !same)
                ++flashPixels;
        }
    EXPECT_EQ(0, changedOutsideFlash);
    EXPECT_GT(flashPixels, 0) << "the flash is drawn";
}

TEST_F(Witch, FiringEndsInItsThirdQuarterSecondFrame)
{
    for (float before : {0.0f, 1.0f})
    {
        SCOPED_TRACE(before);
        W().m_fState = before;
        W().m_fTimer = 0.3f;
        W().m_Targets = {{346, 68, 64, 64}};
        // What a solving answer does.
        W().m_fTimer = 0.0f;
        W().m_fState = 2.0f;
        std::vector<bool> drawn;
        std::vector<float> timers;
        for (int frame = 0; frame < 3; ++frame)
        {
            Frame(0.25f);
            timers.push_back(W().m_fTimer);
            TSingleton<CFramework>::Get()->Clear();
            W().Render();
            drawn.push_back(PixelAt(378, 200) == Yellow());
        }
        EXPECT_EQ((std::vector<bool>{true, true, false}), drawn);
        EXPECT_EQ((std::vector<float>{0.25f, 0.5f, 0.0f}), timers);
        EXPECT_TRUE(W().m_fState == 0.0f || W().m_fState == 1.0f) << W().m_fState;
        EXPECT_EQ(1u, W().m_Targets.size()) << "targets stay after the firing";
    }
}

TEST_F(Witch, FiringLastsUntilTheTimerReachesTheDoubleSevenTenths)
{
    struct
    {
        float timer;
        float delta;
        bool ends;
    } cases[] = {
        {0.7f, 0.0f, false},  // 0.7f is just below the double 0.7
        {0.45f, 0.25f, false},
        {0.5f, 0.2f, false},
        {std::nextafter(0.7f, 1.0f), 0.0f, true},
        {0.69f, 0.0f, false},
        {0.5f, 0.25f, true},
        {0.0f, 5.0f, true},
    };
    for (const auto& c : cases)
    {
        W().m_fState = 2.0f;
        W().m_fTimer = c.timer;
        Frame(c.delta);
        EXPECT_EQ(c.ends, W().m_fState != 2.0f) << c.timer << " + " << c.delta;
        EXPECT_EQ(c.ends ? 0.0f : c.timer + c.delta, W().m_fTimer) << c.timer << " + " << c.delta;
    }
}

TEST_F(Witch, FiringEndsInTheStateDrawnAfterReseeding)
{
    struct
    {
        unsigned seed;
        time_t t;
    } cases[] = {
        {1, 1700000000}, {2, 1700000000}, {3, 1700000001}, {4, 1234567890}, {5, 1234567890},
        {6, 1000},       {7, 1000},       {8, 4294967290}, {9, 4294967290}, {10, 77},
        {11, 77},        {12, 2000000000},
    };
    auto expected = [](unsigned seed, time_t t, unsigned divisor) {
        srand(seed);
        srand(static_cast<unsigned>(t) + static_cast<unsigned>(rand()) % divisor);
        return static_cast<float>(rand() % 2);
    };
    bool anotherDivisorDiffers = false;
    std::set<float> outcomes;
    for (const auto& c : cases)
    {
        float want = expected(c.seed, c.t, 65365u);
        anotherDivisorDiffers = anotherDivisorDiffers || want != expected(c.seed, c.t, 65535u);
        outcomes.insert(want);
        W().m_fState = 2.0f;
        W().m_fTimer = 0.75f;
        srand(c.seed);
        hooks::FakeTime(c.t);
        Frame(0.0f);
        hooks::RealTime();
        EXPECT_EQ(want, W().m_fState) << "seed " << c.seed << " at " << c.t;
    }
    ASSERT_TRUE(anotherDivisorDiffers) << "the cases must tell 65365 from 65535";
    ASSERT_EQ(2u, outcomes.size());
}

TEST_F(Witch, BlinkStartsInTheFourteenthFrameAndEndsTwoFramesLater)
{
    BackToFirstBlink();
    for (int frame = 1; frame <= 13; ++frame)
    {
        Frame(0.25f);
        ASSERT_EQ(0.0f, W().m_fState) << "frame " << frame;
        ASSERT_EQ(frame * 0.25f, W().m_fTimer) << "frame " << frame;
    }
    Frame(0.25f);
    EXPECT_EQ(1.0f, W().m_fState) << "frame 14: the timer reached 3.5";
    EXPECT_EQ(0.0f, W().m_fTimer);
    Frame(0.25f);
    EXPECT_EQ(1.0f, W().m_fState) << "frame 15";
    hooks::FakeTime(m_ParityTime[1]);
    Frame(0.25f);
    hooks::RealTime();
    EXPECT_EQ(0.0f, W().m_fState) << "frame 16: eyes open again";
    EXPECT_EQ(0.0f, W().m_fTimer);
    EXPECT_EQ(10, OpenFrames()) << "the first drift goes down: 2.5 s";
}

TEST_F(Witch, LongFrameDuringABlinkStartsItAgain)
{
    BackToFirstBlink();
    EXPECT_EQ(14, OpenFrames());
    Frame(4.0f);
    EXPECT_EQ(1.0f, W().m_fState);
    EXPECT_EQ(0.0f, W().m_fTimer) << "restarted, not ended";
    FinishBlink(1);
    EXPECT_EQ(10, OpenFrames()) << "the restart used up no drift";
}

TEST_F(Witch, EyesOpenTimeDriftsAlternatelyAndIsPutBackIntoItsInterval)
{
    struct
    {
        const char* name;
        std::vector<int> drifts;   // 0 or 1 at each blink's end
        std::vector<int> openFor;  // quarter seconds of open eyes after it
    } cases[] = {
        {"up past 6", {0, 1, 0, 1, 0, 1}, {14, 18, 18, 22, 22, 14}},
        {"down past 1", {1, 0, 1, 0, 1}, {10, 10, 6, 6, 14}},
        {"down and up", {1, 1, 1, 1}, {10, 14, 10, 14}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        BackToFirstBlink();
        ASSERT_EQ(14, OpenFrames());
        std::vector<int> seen;
        for (int drift : c.drifts)
        {
            FinishBlink(drift);
            seen.push_back(OpenFrames());
        }
        EXPECT_EQ(c.openFor, seen);
    }
}
