#include "tests/game/game_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "tests/game/call_hooks.h"

namespace
{
// What the problem maker must draw after srand(seed) and `skip` further
// draws, with the clock reading t, t + step, t + 2 * step.
struct Draws
{
    int skipped;  // the last skipped draw, if any
    int a;
    int b;
    int c;
    std::string text;
    int solution;
};

Draws Expect(unsigned seed, int skip, unsigned t, unsigned step, int range, bool addition,
             unsigned divisor = 65365u)
{
    Draws d = {};
    srand(seed);
    for (int i = 0; i < skip; ++i)
        d.skipped = rand();
    srand(static_cast<unsigned>(rand()) % divisor + t);
    d.a = rand() % range + 1;
    srand(7u * (static_cast<unsigned>(rand()) % divisor) + t + step);
    d.b = rand() % range + 1;
    char text[32];
    if (addition)
    {
        d.solution = d.a + d.b;
        snprintf(text, sizeof(text), "%d + %d", d.a, d.b);
    }
    else
    {
        srand(3u * (static_cast<unsigned>(rand()) % divisor) + t + 2 * step);
        d.c = rand();
        bool even = d.c % 2 == 0;
        d.solution = even ? d.b : d.a;
        snprintf(text, sizeof(text), "%d - %d", d.a + d.b, even ? d.a : d.b);
    }
    d.text = text;
    return d;
}

class Apples : public GameFixture
{
protected:
    // Made outside the game's list; released by the caller.
    CApple Make(unsigned seed, time_t t, int range, bool addition, float x = 100.0f, float y = 100.0f)
    {
        srand(seed);
        hooks::FakeTime(t, 1);
        CApple apple;
        apple.Init(m_Game.m_pApple, x, y, range, addition);
        return apple;
    }

    hooks::Scope m_Hooks;
};
}

TEST_F(Apples, OperandsStayInTheirRangeAndOtherRangesBecomeTen)
{
    struct
    {
        int given;
        bool addition;
        int used;
    } cases[] = {
        {10, true, 10}, {20, true, 20}, {99, true, 99}, {10, false, 10}, {20, false, 20},
        {99, false, 99}, {0, true, 10}, {-20, false, 10}, {11, true, 10}, {100, false, 10},
        {98, true, 10},
    };
    for (const auto& c : cases)
    {
        int lowest = 1000;
        int highest = 0;
        int highestResult = 0;
        int lowestResult = 1000;
        for (unsigned i = 0; i < 2000; ++i)
        {
            CApple apple = Make(i, 1700000000 + i, c.given, c.addition);
            SCOPED_TRACE(apple.m_sProblem);
            EXPECT_EQ(c.used, apple.m_iRange);
            EXPECT_EQ(c.addition, apple.m_bAddition);
            int left = 0;
            int right = 0;
            char sign = 0;
            ASSERT_EQ(3, sscanf(apple.m_sProblem.c_str(), "%d %c %d", &left, &sign, &right));
            char again[32];
            snprintf(again, sizeof(again), "%d %c %d", left, sign, right);
            ASSERT_EQ(std::string(again), apple.m_sProblem) << "one blank each side of the sign";
            if (c.addition)
            {
                ASSERT_EQ('+', sign);
                EXPECT_EQ(left + right, apple.m_iSolution);
                lowest = std::min({lowest, left, right});
                highest = std::max({highest, left, right});
            }
            else
            {
                ASSERT_EQ('-', sign);
                EXPECT_EQ(left - right, apple.m_iSolution);
                // The subtrahend is one operand, the result the other.
                lowest = std::min({lowest, right, apple.m_iSolution});
                highest = std::max({highest, right, apple.m_iSolution});
                EXPECT_LE(left, 2 * c.used);
            }
            highestResult = std::max(highestResult, apple.m_iSolution);
            lowestResult = std::min(lowestResult, apple.m_iSolution);
            apple.Quit();
        }
        EXPECT_EQ(1, lowest) << "range " << c.given;
        EXPECT_EQ(c.used, highest) << "range " << c.given;
        EXPECT_GE(lowestResult, c.addition ? 2 : 1) << "no result is 0 or below";
        EXPECT_LE(highestResult, c.addition ? 2 * c.used : c.used);
    }
}

TEST_F(Apples, EachOperandIsDrawnAfterReseedingFromTheClock)
{
    struct
    {
        unsigned seed;
        time_t t;
        int range;
        bool addition;
    } cases[] = {
        {1, 1700000000, 10, true},  {2, 1700000000, 10, false}, {77, 1234567890, 20, true},
        {78, 1234567890, 20, false}, {4242, 1000, 99, true},    {4243, 1000, 99, false},
        {9, 2000000000, 99, false},  {10, 2000000000, 20, true},
    };
    bool anotherDivisorDiffers = false;
    for (const auto& c : cases)
    {
        Draws want = Expect(c.seed, 0, static_cast<unsigned>(c.t), 1, c.range, c.addition);
        Draws wrong = Expect(c.seed, 0, static_cast<unsigned>(c.t), 1, c.range, c.addition, 65535u);
        anotherDivisorDiffers = anotherDivisorDiffers || wrong.text != want.text;

        int callsBefore = hooks::TimeCalls();
        CApple apple = Make(c.seed, c.t, c.range, c.addition);
        EXPECT_EQ(want.text, apple.m_sProblem) << "seed " << c.seed;
        EXPECT_EQ(want.solution, apple.m_iSolution) << "seed " << c.seed;
        EXPECT_EQ(c.addition ? 2 : 3, hooks::TimeCalls() - callsBefore) << "the clock is read before each reseed";
        apple.Quit();
    }
    ASSERT_TRUE(anotherDivisorDiffers) << "the cases must tell 65365 from 65535";
}

TEST_F(Apples, ProblemTextsFollowTheOperandsAndTheParityDraw)
{
    struct
    {
        int range;
        bool addition;
        int a;
        int b;
        int parity;  // of the subtraction's extra draw
        const char* text;
        int solution;
    } cases[] = {
        {99, false, 99, 99, 1, "198 - 99", 99},  // the longest text, 8 characters
        {99, true, 99, 99, 0, "99 + 99", 198},
        {10, false, 3, 8, 0, "11 - 3", 8},      // even: the subtrahend is a
        {10, false, 3, 8, 1, "11 - 8", 3},      // odd: the subtrahend is b
        {20, false, 20, 1, 0, "21 - 20", 1},
        {20, true, 1, 1, 0, "1 + 1", 2},
    };
    const unsigned t = 1700000000;
    for (const auto& c : cases)
    {
        unsigned seed = 0;
        bool found = false;
        for (; seed < 5000000 && !found; ++seed)
        {
            Draws d = Expect(seed, 0, t, 1, c.range, c.addition);
            found = d.a == c.a && d.b == c.b && (c.addition || (d.c % 2) == c.parity);
        }
        ASSERT_TRUE(found) << c.text;
        CApple apple = Make(seed - 1, t, c.range, c.addition);
        EXPECT_EQ(c.text, apple.m_sProblem);
        EXPECT_EQ(c.solution, apple.m_iSolution) << c.text;
        apple.Quit();
    }
}

TEST_F(Apples, TextIsRenderedOnceAndCentredByItsMeasuredSize)
{
    int rendersBefore = hooks::TextRenders();
    CApple& apple = AddApple(5, 100.75f, 200.5f);
    ASSERT_EQ(rendersBefore + 1, hooks::TextRenders());
    SDL_Surface* text = apple.m_pText;
    ASSERT_NE(nullptr, text);

    int w = 0;
    int h = 0;
    ASSERT_EQ(0, TTF_SizeText(TSingleton<CMyFont>::Get()->m_pFontSmall, apple.m_sProblem.c_str(), &w, &h));
    EXPECT_EQ((64 - w) / 2, apple.m_iTextOffsetX);
    EXPECT_EQ((64 - h) / 2, apple.m_iTextOffsetY);
    EXPECT_EQ(TTF_STYLE_BOLD, TTF_GetFontStyle(TSingleton<CMyFont>::Get()->m_pFontSmall));

    TSingleton<CFramework>::Get()->Clear();
    apple.Render();
    int tx = static_cast<int>(apple.m_iTextOffsetX + 100.75f);
    int ty = static_cast<int>(apple.m_iTextOffsetY + 200.5f);
    EXPECT_EQ(tx, apple.m_TextRect.x);
    EXPECT_EQ(ty, apple.m_TextRect.y);
    EXPECT_EQ(text->w, apple.m_TextRect.w);

    // A fully opaque pixel of the text must show white at its place.
    SDL_LockSurface(text);
    int opaque = 0;
    for (int j = 0; j < text->h; ++j)
        for (int i = 0; i < text->w; ++i)
        {
            Uint32 p = static_cast<Uint32*>(text->pixels)[j * text->pitch / 4 + i];
            Uint8 r, g, b, a;
            SDL_GetRGBA(p, text->format, &r, &g, &b, &a);
            if (a == 255)
            {
                ++opaque;
                EXPECT_EQ(0xFFFFFFu, PixelAt(tx + i, ty + j) & 0xFFFFFF) << i << "," << j;
            }
        }
    SDL_UnlockSurface(text);
    EXPECT_GT(opaque, 0);

    SetDelta(0.01f);
    for (int i = 0; i < 50; ++i)
    {
        apple.Render();
        apple.Update();
    }
    EXPECT_EQ(rendersBefore + 1, hooks::TextRenders()) << "drawing only blits the text";
    EXPECT_EQ(text, apple.m_pText);
}

TEST_F(Apples, FailedMeasuringUsesFixedOffsetsAndTheAppleLives)
{
    hooks::FailTextSize(true);
    CaptureStderr err;
    CApple& apple = AddApple(5, 40.0f, 50.0f);
    EXPECT_EQ(16, apple.m_iTextOffsetX);
    EXPECT_EQ(24, apple.m_iTextOffsetY);
    EXPECT_TRUE(apple.m_bIsAlive);
    EXPECT_NE(nullptr, apple.m_pText);
    EXPECT_NE(std::string::npos,
              err.Text().find("Kann Text Metrik nicht ermitteln!\nFehler: measuring switched off by the test"))
        << err.Text();

    apple.Render();
    EXPECT_EQ(56, apple.m_TextRect.x);
    EXPECT_EQ(74, apple.m_TextRect.y);
}

TEST_F(Apples, MovingFallsTwentyPixelsPerSecondAndDiesJustPast590)
{
    struct
    {
        float y;
        float phase;
        float delta;
        float yAfter;
        int boxY;
        float phaseAfter;
        bool alive;
    } cases[] = {
        {100.0f, 0.0f, 0.25f, 105.0f, 105, 5.0f, true},
        {-60.0f, 3.0f, 0.01f, -59.8f, -59, 3.2f, true},  // box y truncated toward zero
        {-0.5f, 0.0f, 0.0f, -0.5f, 0, 0.0f, true},
        {10.0f, 19.5f, 0.05f, 11.0f, 11, 0.5f, true},     // wrapped below 20
        {10.0f, 0.0f, 1.0f, 30.0f, 30, 0.0f, true},       // exactly 20 wraps
        {10.0f, 10.0f, 2.0f, 50.0f, 50, 30.0f, true},     // wrapped once only
        {585.0f, 0.0f, 0.25f, 590.0f, 590, 5.0f, true},   // at 590 still alive
        {585.25f, 0.0f, 0.25f, 590.25f, 590, 5.0f, false},
        {590.0f, 0.0f, 0.0001f, 590.002f, 590, 0.002f, false},
        {700.0f, 0.0f, 0.0f, 700.0f, 700, 0.0f, false},
    };
    for (const auto& c : cases)
    {
        CApple& apple = AddApple(3, 10.0f, c.y);
        apple.m_fAnimPhase = c.phase;
        SetDelta(c.delta);
        apple.Update();
        EXPECT_FLOAT_EQ(c.yAfter, apple.m_fYPos) << c.y << " +" << c.delta;
        EXPECT_EQ(c.boxY, apple.m_Rect.y) << c.y << " +" << c.delta;
        EXPECT_EQ(10, apple.m_Rect.x);
        EXPECT_NEAR(c.phaseAfter, apple.m_fAnimPhase, 1e-4) << c.y << " +" << c.delta;
        EXPECT_EQ(c.alive, apple.m_bIsAlive) << c.y << " +" << c.delta;
    }
}

TEST_F(Apples, PassRemovesDeadApplesAndStillDrawsTheOnesAfterThem)
{
    struct
    {
        float x;
        bool alive;
    } lineup[] = {{10, true}, {110, false}, {210, false}, {310, true}, {410, false}, {510, true}, {610, false}};
    for (const auto& a : lineup)
        AddApple(4, a.x, 100.0f).m_bIsAlive = a.alive;
    int rendersBefore = hooks::TextRenders();

    TSingleton<CFramework>::Get()->Clear();
    SetDelta(0.25f);
    m_Game.RenderApples();

    std::vector<float> left;
    for (const CApple& apple : m_Game.m_Apples)
    {
        left.push_back(apple.m_fXPos);
        EXPECT_FLOAT_EQ(105.0f, apple.m_fYPos) << "moved once: " << apple.m_fXPos;
    }
    EXPECT_EQ((std::vector<float>{10, 310, 510}), left);
    for (const auto& a : lineup)
    {
        int lit = LitPixels(static_cast<int>(a.x), 100, 64, 64);
        if (a.alive)
        {
            EXPECT_GT(lit, 0) << "drawn before it moved: " << a.x;
        }
        else
        {
            EXPECT_EQ(0, lit) << "not drawn: " << a.x;
        }
    }
    EXPECT_EQ(rendersBefore, hooks::TextRenders());
}

TEST_F(Apples, AppleDyingInItsMoveIsRemovedByTheNextPass)
{
    CApple& first = AddApple(4, 10.0f, 589.0f);
    AddApple(6, 300.0f, 100.0f);
    SetDelta(0.25f);
    m_Game.RenderApples();
    ASSERT_EQ(2u, m_Game.m_Apples.size()) << "dead, but kept until the next pass";
    EXPECT_FALSE(first.m_bIsAlive);

    TSingleton<CFramework>::Get()->Clear();
    m_Game.RenderApples();
    ASSERT_EQ(1u, m_Game.m_Apples.size());
    EXPECT_EQ(300.0f, m_Game.m_Apples.front().m_fXPos);
    EXPECT_FLOAT_EQ(110.0f, m_Game.m_Apples.front().m_fYPos) << "the one behind it moved on";
}

TEST_F(Apples, SpawnAtTheIntervalAndDropTheExcess)
{
    struct
    {
        float timer;
        float interval;
        float delta;
        bool spawns;
        float timerAfter;
        int range;
        bool addition;
    } cases[] = {
        {3.25f, 3.5f, 0.25f, true, 0.0f, 20, false},  // exactly the interval
        {3.0f, 3.5f, 0.25f, false, 3.25f, 10, true},
        {10.5f, 3.5f, 0.25f, true, 0.0f, 99, true},   // one apple, the rest dropped
        {0.25f, 0.5f, 0.25f, true, 0.0f, 10, false},
        {0.0f, 0.5f, 0.25f, false, 0.25f, 10, true},
    };
    const unsigned t = 1700000000;
    unsigned seed = 31;
    for (const auto& c : cases)
    {
        for (CApple& apple : m_Game.m_Apples)
            apple.Quit();
        m_Game.m_Apples.clear();
        AddApple(7, 500.0f, 200.0f);
        m_Game.m_fSpawnTimer = c.timer;
        m_Game.m_fSpawnInterval = c.interval;
        m_Game.m_iRange = c.range;
        m_Game.m_bAddition = c.addition;
        SetDelta(c.delta);
        ++seed;
        srand(seed);
        hooks::FakeTime(t, 1);
        m_Game.SpawnApples();
        hooks::RealTime();

        EXPECT_EQ(c.timerAfter, m_Game.m_fSpawnTimer) << c.timer << " of " << c.interval;
        ASSERT_EQ(c.spawns ? 2u : 1u, m_Game.m_Apples.size()) << c.timer << " of " << c.interval;
        EXPECT_EQ(500.0f, m_Game.m_Apples.front().m_fXPos) << "new apples go to the end";
        if (!c.spawns)
            continue;
        const CApple& made = m_Game.m_Apples.back();
        Draws want = Expect(seed, 1, t, 1, c.range, c.addition);
        EXPECT_EQ(static_cast<float>(want.skipped % 736), made.m_fXPos) << "x is the first draw";
        EXPECT_EQ(want.text, made.m_sProblem) << "the problem's draws follow";
        EXPECT_EQ(-60.0f, made.m_fYPos);
        EXPECT_EQ(want.skipped % 736, made.m_Rect.x);
        EXPECT_EQ(-60, made.m_Rect.y);
        EXPECT_EQ(c.range, made.m_iRange);
        EXPECT_EQ(c.addition, made.m_bAddition);
        EXPECT_TRUE(made.m_bIsAlive);
        EXPECT_EQ(m_Game.m_pApple, made.m_pSprite);
    }
}

TEST_F(Apples, NewApplesLieWithinTheScreen)
{
    m_Game.m_fSpawnInterval = 0.5f;
    SetDelta(0.5f);
    float lowest = 1000.0f;
    float highest = -1.0f;
    for (unsigned i = 0; i < 600; ++i)
    {
        srand(i * 7919u);
        m_Game.SpawnApples();
        ASSERT_EQ(1u, m_Game.m_Apples.size());
        float x = m_Game.m_Apples.back().m_fXPos;
        EXPECT_EQ(static_cast<float>(static_cast<int>(x)), x);
        lowest = std::min(lowest, x);
        highest = std::max(highest, x);
        m_Game.m_Apples.back().Quit();
        m_Game.m_Apples.clear();
    }
    EXPECT_GE(lowest, 0.0f);
    EXPECT_LE(highest, 735.0f);
    EXPECT_GT(highest, 600.0f);
    EXPECT_LT(lowest, 100.0f);
}

TEST_F(Apples, IntervalShrinksEveryNinetySecondsDownToHalfASecond)
{
    struct
    {
        float interval;
        float timer;
        float delta;
        float intervalAfter;
        float timerAfter;
    } cases[] = {
        {3.5f, 89.75f, 0.25f, 3.0f, 0.0f},   // exactly 90
        {3.5f, 89.5f, 0.25f, 3.5f, 89.75f},
        {1.0f, 89.75f, 0.25f, 0.5f, 0.0f},
        {0.5f, 89.75f, 0.25f, 0.5f, 0.0f},   // reset though it can't shrink
        {0.75f, 95.0f, 0.0f, 0.75f, 0.0f},   // below 1 never shrinks
        {2.0f, 0.0f, 200.0f, 1.5f, 0.0f},    // one step per call
    };
    for (const auto& c : cases)
    {
        m_Game.m_fSpawnInterval = c.interval;
        m_Game.m_fAccelTimer = c.timer;
        SetDelta(c.delta);
        m_Game.Accelerate();
        EXPECT_EQ(c.intervalAfter, m_Game.m_fSpawnInterval) << c.interval << " at " << c.timer;
        EXPECT_EQ(c.timerAfter, m_Game.m_fAccelTimer) << c.interval << " at " << c.timer;
    }

    // Ten minutes of play in quarter seconds.
    m_Game.m_fSpawnInterval = 3.5f;
    m_Game.m_fAccelTimer = 0.0f;
    SetDelta(0.25f);
    std::vector<float> seen = {3.5f};
    for (int frame = 0; frame < 4 * 600; ++frame)
    {
        m_Game.Accelerate();
        if (m_Game.m_fSpawnInterval != seen.back())
            seen.push_back(m_Game.m_fSpawnInterval);
        if (frame + 1 == 4 * 540)
        {
            EXPECT_EQ(0.5f, m_Game.m_fSpawnInterval) << "reached after 540 s";
        }
    }
    EXPECT_EQ((std::vector<float>{3.5f, 3.0f, 2.5f, 2.0f, 1.5f, 1.0f, 0.5f}), seen);
}
