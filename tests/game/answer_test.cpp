#include "tests/game/game_fixture.h"

#include <climits>
#include <cstdlib>
#include <vector>

#include "game/witchey.h"
#include "tests/game/call_hooks.h"

namespace
{
bool SameRect(const SDL_Rect& a, const SDL_Rect& b)
{
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

class Answer : public GameFixture
{
protected:
    // The sound slots started since the last call. The channels are freed
    // again, since a sound that finds every channel busy is not started.
    std::vector<int> Sounds()
    {
        CMySound* sound = TSingleton<CMySound>::Get();
        std::vector<int> slots;
        for (Mix_Chunk* chunk : hooks::TakePlayedChunks())
            slots.push_back(chunk == sound->m_pEffect2 ? 2 : chunk == sound->m_pEffect3 ? 3
                                                         : chunk == sound->m_pEffect4 ? 4 : 0);
        Mix_HaltChannel(-1);
        return slots;
    }

    void ClearApples()
    {
        for (CApple& apple : m_Game.m_Apples)
            apple.Quit();
        m_Game.m_Apples.clear();
    }

    hooks::Scope m_Hooks;
};
}

TEST_F(Answer, TypedDigitsAreReadAsTheLowThirtyTwoBitsOfStrtol)
{
    struct
    {
        const char* name;
        const char* typed;
        std::vector<int> solutions;
        std::vector<int> solved;  // indexes into solutions
    } cases[] = {
        {"empty reads as 0", "", {5, 0, 3}, {1}},
        {"empty solves no real problem", "", {5, 3}, {}},
        {"no apples", "5", {}, {}},
        {"leading zeros", "007", {70, 7, 700, 7}, {1, 3}},
        {"2^32 + 2 reads as 2", "4294967298", {4, 2, 42}, {1}},
        {"2^32 - 1 reads as -1", "4294967295", {-1, 1}, {}},
        {"beyond strtol saturates to -1", "99999999999999999999", {-1, INT_MAX, 0}, {}},
        {"2^31 reads negative", "2147483648", {INT_MIN, 0}, {}},
        {"2^32 + 2^31 - 1 reads as INT_MAX", "6442450943", {INT_MAX, -1}, {0}},
        {"leading digits only", "12x3", {123, 12}, {1}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ClearApples();
        m_Game.m_Bonuses.clear();
        m_Game.m_iScore = 0;
        m_Game.m_bScoreChanged = false;
        m_Game.m_pWitch->m_fState = 0.0f;
        for (size_t i = 0; i < c.solutions.size(); ++i)
            AddApple(c.solutions[i], 70.0f * i, 100.0f);
        Sounds();

        m_Game.m_sAnswer = c.typed;
        m_Game.CheckSolution();

        EXPECT_EQ("", m_Game.m_sAnswer);
        std::vector<float> expectLeft;
        for (size_t i = 0; i < c.solutions.size(); ++i)
            if (std::find(c.solved.begin(), c.solved.end(), static_cast<int>(i)) == c.solved.end())
                expectLeft.push_back(70.0f * i);
        std::vector<float> left;
        for (const CApple& apple : m_Game.m_Apples)
            left.push_back(apple.m_fXPos);
        EXPECT_EQ(expectLeft, left);

        size_t n = c.solved.size();
        EXPECT_EQ(n, m_Game.m_Bonuses.size());
        EXPECT_EQ(n > 0, m_Game.m_bScoreChanged);
        EXPECT_EQ(n > 0 ? 2.0f : 0.0f, m_Game.m_pWitch->m_fState);
        EXPECT_EQ(0, m_Game.m_iScore % 100);
        EXPECT_GE(m_Game.m_iScore, static_cast<int>(100 * n));
        EXPECT_LE(m_Game.m_iScore, static_cast<int>(500 * n));
        EXPECT_EQ(n > 0 ? std::vector<int>(n, 3) : std::vector<int>{4}, Sounds());
    }
}

TEST_F(Answer, EachSolvedAppleGetsItsOwnPointsMarkerSoundAndBolt)
{
    const unsigned seeds[] = {1, 2, 3, 4, 5, 6, 7, 8};
    const time_t t = 1700000000;
    bool anotherDivisorDiffers = false;
    for (unsigned seed : seeds)
    {
        SCOPED_TRACE(seed);
        ClearApples();
        m_Game.m_Bonuses.clear();
        CBonus old;
        old.Init(m_Game.m_pBonus, 5, 1.0f, 2.0f);
        m_Game.m_Bonuses.push_back(old);
        m_Game.m_iScore = 1000;
        m_Game.m_bScoreChanged = false;
        // A second answer during a firing: all bolts go to the new apples.
        CWitchey& witch = *m_Game.m_pWitch;
        witch.m_fState = 2.0f;
        witch.m_fTimer = 0.5f;
        witch.m_Targets = {{700, 10, 64, 64}};

        SDL_Rect first = AddApple(12, 10.5f, 20.75f).m_Rect;
        AddApple(5, 200.0f, 30.0f);
        CApple& fallen = AddApple(12, 300.0f, 595.0f);
        fallen.m_bIsAlive = false;  // past the bottom, not yet removed
        SDL_Rect second = fallen.m_Rect;
        AddApple(7, 400.0f, 50.0f);
        Sounds();

        // What the check must draw: reseeded from the clock before each apple.
        auto draws = [&](unsigned divisor) {
            std::vector<int> k;
            srand(seed);
            for (unsigned i = 0; i < 2; ++i)
            {
                srand(static_cast<unsigned>(rand()) % divisor + static_cast<unsigned>(t) + i);
                k.push_back(rand() % 5);
            }
            return k;
        };
        std::vector<int> k = draws(65365u);
        anotherDivisorDiffers = anotherDivisorDiffers || k != draws(65535u);

        int timeCalls = hooks::TimeCalls();
        srand(seed);
        hooks::FakeTime(t, 1);
        m_Game.m_sAnswer = "12";
        m_Game.CheckSolution();
        hooks::RealTime();

        EXPECT_EQ(2, hooks::TimeCalls() - timeCalls);
        EXPECT_EQ(1000 + (k[0] + 1) * 100 + (k[1] + 1) * 100, m_Game.m_iScore);
        EXPECT_TRUE(m_Game.m_bScoreChanged);
        EXPECT_EQ((std::vector<int>{3, 3}), Sounds());

        ASSERT_EQ(2u, m_Game.m_Apples.size());
        EXPECT_EQ(5, m_Game.m_Apples.front().m_iSolution);
        EXPECT_EQ(30.0f, m_Game.m_Apples.front().m_fYPos);
        EXPECT_EQ(7, m_Game.m_Apples.back().m_iSolution);

        ASSERT_EQ(3u, m_Game.m_Bonuses.size());
        auto marker = m_Game.m_Bonuses.begin();
        EXPECT_EQ(5, marker->m_iFrame) << "the old marker stays first";
        ++marker;
        EXPECT_EQ(k[0], marker->m_iFrame);
        EXPECT_EQ(10.0f, marker->m_fXPos) << "at the box, not the float position";
        EXPECT_EQ(20.0f, marker->m_fYPos);
        EXPECT_EQ(0.0f, marker->m_fAge);
        EXPECT_EQ(m_Game.m_pBonus, marker->m_pSprite);
        ++marker;
        EXPECT_EQ(k[1], marker->m_iFrame);
        EXPECT_EQ(300.0f, marker->m_fXPos);
        EXPECT_EQ(595.0f, marker->m_fYPos);

        EXPECT_EQ(2.0f, witch.m_fState);
        EXPECT_EQ(0.0f, witch.m_fTimer);
        ASSERT_EQ(2u, witch.m_Targets.size());
        EXPECT_TRUE(SameRect(first, witch.m_Targets.front())) << "oldest apple first";
        EXPECT_TRUE(SameRect(second, witch.m_Targets.back()));
    }
    ASSERT_TRUE(anotherDivisorDiffers) << "the seeds must tell 65365 from 65535";
}

TEST_F(Answer, AnswerThatSolvesNothingLeavesEverythingButTheAnswer)
{
    CWitchey& witch = *m_Game.m_pWitch;
    witch.m_fState = 1.0f;
    witch.m_fTimer = 0.3f;
    witch.m_Targets = {{1, 2, 3, 4}};
    m_Game.m_iScore = 700;
    m_Game.m_bScoreChanged = false;
    AddApple(3, 10.0f, 20.0f);
    AddApple(9, 100.0f, 200.0f).m_bIsAlive = false;
    m_Game.m_Bonuses.emplace_back();
    Sounds();
    int timeCalls = hooks::TimeCalls();

    srand(99);
    int next = rand();
    srand(99);
    m_Game.m_sAnswer = "8";
    m_Game.CheckSolution();

    EXPECT_EQ(next, rand()) << "nothing drawn, nothing reseeded";
    EXPECT_EQ(timeCalls, hooks::TimeCalls());
    EXPECT_EQ("", m_Game.m_sAnswer);
    EXPECT_EQ((std::vector<int>{4}), Sounds());
    EXPECT_EQ(700, m_Game.m_iScore);
    EXPECT_FALSE(m_Game.m_bScoreChanged);
    EXPECT_EQ(1.0f, witch.m_fState);
    EXPECT_EQ(0.3f, witch.m_fTimer);
    ASSERT_EQ(1u, witch.m_Targets.size());
    EXPECT_TRUE(SameRect({1, 2, 3, 4}, witch.m_Targets.front()));
    ASSERT_EQ(2u, m_Game.m_Apples.size());
    EXPECT_TRUE(m_Game.m_Apples.front().m_bIsAlive);
    EXPECT_FALSE(m_Game.m_Apples.back().m_bIsAlive);
    EXPECT_EQ(1u, m_Game.m_Bonuses.size());
}

TEST_F(Answer, MarkerIsShownForFourQuarterSecondPassesAndGoneInTheFifth)
{
    // Point markers of 100 and 500 and the miss marker behave alike.
    for (int frame : {0, 4, 5})
    {
        SCOPED_TRACE(frame);
        m_Game.m_Bonuses.clear();
        CBonus bonus;
        bonus.Init(m_Game.m_pBonus, frame, 100.0f, 100.0f);
        m_Game.m_Bonuses.push_back(bonus);
        SetDelta(0.25f);
        std::vector<float> ages;
        std::vector<float> heights;
        for (int pass = 1; pass <= 5; ++pass)
        {
            TSingleton<CFramework>::Get()->Clear();
            float age = m_Game.m_Bonuses.empty() ? -1.0f : m_Game.m_Bonuses.front().m_fAge;
            float y = m_Game.m_Bonuses.empty() ? -1.0f : m_Game.m_Bonuses.front().m_fYPos;
            m_Game.RenderBonus();
            if (LitPixels(100, static_cast<int>(y), 64, 64) > 0)
            {
                ages.push_back(age);
                heights.push_back(y);
            }
        }
        EXPECT_EQ((std::vector<float>{0.0f, 0.25f, 0.5f, 0.75f}), ages);
        EXPECT_EQ((std::vector<float>{100.0f, 105.0f, 110.0f, 115.0f}), heights);
        EXPECT_TRUE(m_Game.m_Bonuses.empty()) << "removed in the fifth pass";
    }
}

TEST_F(Answer, BonusPassRemovesExpiredMarkersAndStillDrawsTheOnesAfterThem)
{
    const float ages[] = {1.0f, 0.5f, 1.5f, 2.0f, 0.0f, 1.0f};
    for (size_t i = 0; i < std::size(ages); ++i)
    {
        CBonus bonus;
        bonus.Init(m_Game.m_pBonus, 1, 10.0f + 130.0f * i, 200.0f);
        bonus.m_fAge = ages[i];
        m_Game.m_Bonuses.push_back(bonus);
    }
    TSingleton<CFramework>::Get()->Clear();
    SetDelta(0.25f);
    m_Game.RenderBonus();

    std::vector<float> left;
    std::vector<float> leftAges;
    for (const CBonus& bonus : m_Game.m_Bonuses)
    {
        left.push_back(bonus.m_fXPos);
        leftAges.push_back(bonus.m_fAge);
        EXPECT_EQ(205.0f, bonus.m_fYPos);
    }
    EXPECT_EQ((std::vector<float>{140.0f, 530.0f}), left);
    EXPECT_EQ((std::vector<float>{0.75f, 0.25f}), leftAges);
    for (size_t i = 0; i < std::size(ages); ++i)
        EXPECT_EQ(ages[i] < 1.0f, LitPixels(static_cast<int>(10 + 130 * i), 200, 64, 64) > 0) << "marker " << i;
}

TEST_F(Answer, MarkerSinksTwentyPixelsPerSecondAndExpiresPastTheBottom)
{
    struct
    {
        float y;
        float age;
        float delta;
        float yAfter;
        float ageAfter;
    } cases[] = {
        {100.0f, 0.0f, 0.25f, 105.0f, 0.25f},
        {585.0f, 0.5f, 0.25f, 590.0f, 0.75f},  // at 590 it still ages
        {588.0f, 0.1f, 0.25f, 593.0f, 2.0f},
        {590.0f, 0.0f, 0.0001f, 590.002f, 2.0f},
        {-40.0f, 0.9f, 0.05f, -39.0f, 0.95f},
    };
    for (const auto& c : cases)
    {
        CBonus bonus;
        bonus.Init(m_Game.m_pBonus, 2, 50.0f, c.y);
        bonus.m_fAge = c.age;
        SetDelta(c.delta);
        bonus.Update();
        EXPECT_FLOAT_EQ(c.yAfter, bonus.m_fYPos) << c.y;
        EXPECT_FLOAT_EQ(c.ageAfter, bonus.m_fAge) << c.y;
        EXPECT_EQ(50.0f, bonus.m_fXPos);
    }

    // Young, but past the bottom: gone in the next pass.
    CBonus sinking;
    sinking.Init(m_Game.m_pBonus, 0, 50.0f, 588.0f);
    m_Game.m_Bonuses.push_back(sinking);
    SetDelta(0.25f);
    m_Game.RenderBonus();
    ASSERT_EQ(1u, m_Game.m_Bonuses.size());
    m_Game.RenderBonus();
    EXPECT_TRUE(m_Game.m_Bonuses.empty());
}
