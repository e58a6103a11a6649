#include "tests/game/game_fixture.h"

#include "game/witchey.h"
#include "tests/game/call_hooks.h"

namespace
{
struct KeyCase
{
    const char* name;
    SDL_Scancode key;
    int stateBefore;
    const char* answerAfter;  // the answer starts as "7"
    int stateAfter;
    bool running;
    bool help;
    int range;
    bool addition;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class KeyTable : public GameFixture, public ::testing::WithParamInterface<KeyCase>
{
};
}

TEST_P(KeyTable, ActsAsTheTableSays)
{
    const KeyCase& c = GetParam();
    DrainEvents();
    m_Game.m_iState = c.stateBefore;
    m_Game.m_sAnswer = "7";
    // Both horses fresh, so a pass in play does not end the game.
    m_Game.m_sPlayerName = "Anna";

    PushKey(c.key);
    ProcessQueued();

    EXPECT_EQ(c.answerAfter, m_Game.m_sAnswer);
    EXPECT_EQ(c.stateAfter, m_Game.m_iState);
    EXPECT_EQ(c.running, m_Game.m_bRunning);
    EXPECT_EQ(c.help, m_Game.m_bShowHelp);
    EXPECT_EQ(c.range, m_Game.m_iRange);
    EXPECT_EQ(c.addition, m_Game.m_bAddition);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTable,
    ::testing::Values(
        KeyCase{"Main1", SDL_SCANCODE_1, 1, "71", 1, true, false, 10, true},
        KeyCase{"Main9", SDL_SCANCODE_9, 0, "79", 0, true, false, 10, true},
        KeyCase{"Main0", SDL_SCANCODE_0, 2, "70", 2, true, false, 10, true},
        KeyCase{"Keypad1", SDL_SCANCODE_KP_1, 1, "71", 1, true, false, 10, true},
        KeyCase{"Keypad9", SDL_SCANCODE_KP_9, 1, "79", 1, true, false, 10, true},
        KeyCase{"Keypad0", SDL_SCANCODE_KP_0, 1, "70", 1, true, false, 10, true},
        KeyCase{"ReturnOnStartPage", SDL_SCANCODE_RETURN, 0, "7", 0, true, false, 10, true},
        KeyCase{"ReturnInPlay", SDL_SCANCODE_RETURN, 1, "7", 1, true, false, 10, true},
        KeyCase{"ReturnAfterGameOver", SDL_SCANCODE_RETURN, 2, "7", 1, true, false, 10, true},
        KeyCase{"KeypadEnterNowhere", SDL_SCANCODE_KP_ENTER, 2, "7", 2, true, false, 10, true},
        KeyCase{"Escape", SDL_SCANCODE_ESCAPE, 1, "7", 1, false, false, 10, true},
        KeyCase{"SpaceChecksAndEmpties", SDL_SCANCODE_SPACE, 0, "", 0, true, false, 10, true},
        KeyCase{"F1", SDL_SCANCODE_F1, 2, "7", 2, true, true, 10, true},
        KeyCase{"F2OnStartPage", SDL_SCANCODE_F2, 0, "7", 0, true, false, 10, true},
        KeyCase{"F2InPlay", SDL_SCANCODE_F2, 1, "7", 0, true, false, 10, true},
        KeyCase{"F2AfterGameOver", SDL_SCANCODE_F2, 2, "7", 0, true, false, 10, true},
        KeyCase{"F5", SDL_SCANCODE_F5, 0, "", 1, true, false, 10, true},
        KeyCase{"F5InPlay", SDL_SCANCODE_F5, 1, "", 1, true, false, 10, true},
        KeyCase{"F9", SDL_SCANCODE_F9, 1, "7", 1, true, false, 10, true},
        KeyCase{"F10", SDL_SCANCODE_F10, 1, "7", 1, true, false, 20, true},
        KeyCase{"F11", SDL_SCANCODE_F11, 0, "7", 0, true, false, 99, true},
        KeyCase{"F12", SDL_SCANCODE_F12, 2, "7", 2, true, false, 10, false},
        KeyCase{"LetterIgnored", SDL_SCANCODE_A, 1, "7", 1, true, false, 10, true},
        KeyCase{"F3Ignored", SDL_SCANCODE_F3, 1, "7", 1, true, false, 10, true},
        KeyCase{"TabIgnored", SDL_SCANCODE_TAB, 1, "7", 1, true, false, 10, true}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST_F(GameFixture, QuitRequestEndsTheLoopAfterThePass)
{
    DrainEvents();
    PushEvent(SDL_QUIT);
    ProcessQueued();
    EXPECT_FALSE(m_Game.m_bRunning);
}

TEST_F(GameFixture, NameTakesTextWhileItHasThirteenBytesOrFewer)
{
    DrainEvents();
    struct
    {
        const char* before;
        const char* text;
        const char* after;
    } cases[] = {
        {"", "A", "A"},
        {"abcdefghijklm", "n", "abcdefghijklmn"},               // 13 bytes take one more: 14
        {"abcdefghijklmn", "o", "abcdefghijklmn"},              // 14 bytes take nothing
        {"abcdefghijklm", "\xC3\xB6", "abcdefghijklm\xC3\xB6"},  // an umlaut at 13 makes 15
        {"Jo", "rg!", "Jorg!"},                                 // a text event is taken whole
    };
    for (const auto& c : cases)
    {
        m_Game.m_sPlayerName = c.before;
        m_Game.m_bNameChanged = false;
        PushText(c.text);
        ProcessQueued();
        EXPECT_EQ(c.after, m_Game.m_sPlayerName) << c.before << " + " << c.text;
        EXPECT_EQ(std::string(c.before) != c.after, m_Game.m_bNameChanged) << c.before;
    }
}

TEST_F(GameFixture, TextOutsideTheStartPageIsIgnored)
{
    DrainEvents();
    for (int state : {1, 2})
    {
        m_Game.m_iState = state;
        PushText("x");
        ProcessQueued();
        EXPECT_EQ("", m_Game.m_sPlayerName) << "state " << state;
    }
}

TEST_F(GameFixture, BackspaceEditsTheNameOnTheStartPageAndTheAnswerInPlay)
{
    DrainEvents();
    struct
    {
        int state;
        const char* name;
        const char* answer;
        const char* nameAfter;
        const char* answerAfter;
    } cases[] = {
        {0, "J\xC3\xB6", "12", "J", "12"},  // "Jö": no half umlaut may stay
        {0, "\xE2\x82\xAC\xF0\x9F\x8D\x8E", "", "\xE2\x82\xAC", ""},  // euro sign, apple emoji
        {0, "\xE2\x82\xAC", "", "", ""},
        {0, "", "3", "", "3"},
        {1, "Anna", "72", "Anna", "7"},  // the name to be stored stays whole
        {1, "Anna", "7", "Anna", ""},
        {1, "Anna", "", "Anna", ""},
        {2, "Anna", "72", "Anna", "72"},  // Return plays on under this name
        {2, "", "", "", ""},
    };
    for (const auto& c : cases)
    {
        m_Game.m_iState = c.state;
        m_Game.m_sPlayerName = c.name;
        m_Game.m_sAnswer = c.answer;
        m_Game.m_bNameChanged = false;
        PushKey(SDL_SCANCODE_BACKSPACE);
        ProcessQueued();
        EXPECT_EQ(c.nameAfter, m_Game.m_sPlayerName) << "state " << c.state << ", name " << c.name;
        EXPECT_EQ(c.answerAfter, m_Game.m_sAnswer) << "state " << c.state << ", answer " << c.answer;
        EXPECT_EQ(std::string(c.name) != c.nameAfter, m_Game.m_bNameChanged) << "state " << c.state;
    }
}

// A fast mouse queues hundreds of motion events a second; the ones behind
// the first carry nothing the start button reads, so keys must not wait.
TEST_F(GameFixture, QueuedMotionCountsAsOneAndKeysKeepTheirOrder)
{
    hooks::Scope scope;
    DrainEvents();
    CFramework* framework = TSingleton<CFramework>::Get();
    framework->m_StartButtonRect = {560, 522, 160, 48};
    // Stand-ins: SDL refuses them harmlessly, the hook sees which is chosen.
    static char hand, arrow;
    framework->m_pHandCursor = reinterpret_cast<SDL_Cursor*>(&hand);
    framework->m_pArrowCursor = reinterpret_cast<SDL_Cursor*>(&arrow);
    m_Game.m_iState = 1;

    auto motions = [](int count) {
        for (int i = 0; i < count; ++i)
            PushEvent(SDL_MOUSEMOTION);
    };
    struct
    {
        int x, y;
        SDL_Cursor* cursor;
    } ends[] = {{600, 540, framework->m_pHandCursor}, {100, 100, framework->m_pArrowCursor},
                {640, 545, framework->m_pHandCursor}};
    for (const auto& end : ends)
    {
        m_Game.m_sAnswer.clear();
        motions(500);
        PushKey(SDL_SCANCODE_1);
        motions(500);
        PushKey(SDL_SCANCODE_2);
        motions(500);
        // Where the pointer ended up after the burst.
        SDL_WarpMouseInWindow(framework->m_pWindow, end.x, end.y);
        PushKey(SDL_SCANCODE_3);

        RunPasses(2);
        EXPECT_EQ("1", m_Game.m_sAnswer) << "the first key waited behind the motion";
        EXPECT_EQ(end.cursor, hooks::LastCursorSet()) << "pointer at " << end.x << "," << end.y;
        RunPasses(3);
        EXPECT_EQ("123", m_Game.m_sAnswer);
        SDL_PumpEvents();
        EXPECT_EQ(0, SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_MOUSEMOTION, SDL_MOUSEMOTION));
    }
    framework->m_pHandCursor = nullptr;
    framework->m_pArrowCursor = nullptr;
}

TEST_F(GameFixture, DigitOnTheStartPageReachesAnswerAndNameUntilPlayStarts)
{
    DrainEvents();
    PushKey(SDL_SCANCODE_4);
    PushText("4");
    ProcessQueued();
    ProcessQueued();
    EXPECT_EQ("4", m_Game.m_sAnswer);
    EXPECT_EQ("4", m_Game.m_sPlayerName);

    PushKey(SDL_SCANCODE_F5);
    ProcessQueued();
    EXPECT_EQ("", m_Game.m_sAnswer);
    EXPECT_EQ("4", m_Game.m_sPlayerName);
    EXPECT_EQ(1, m_Game.m_iState);
    EXPECT_FALSE(SDL_IsTextInputActive());
    EXPECT_EQ(SDL_DISABLE, SDL_ShowCursor(SDL_QUERY));
}

TEST_F(GameFixture, ResetKeepsOrClearsTheName)
{
    DrainEvents();
    m_Game.m_sPlayerName = "Anna";
    m_Game.m_sAnswer = "5";
    m_Game.m_iRange = 99;
    m_Game.m_bAddition = false;
    m_Game.StartGame();
    AddApple(3, 100, 100);
    m_Game.m_Bonuses.emplace_back();
    m_Game.m_Horses.front().m_iHits = 3;
    m_Game.m_iScore = 700;
    m_Game.m_sAnswer = "5";

    m_Game.ResetGame(1);
    EXPECT_EQ("Anna", m_Game.m_sPlayerName);
    EXPECT_EQ(SDL_DISABLE, SDL_ShowCursor(SDL_QUERY)) << "the cursor stays hidden";
    EXPECT_FALSE(SDL_IsTextInputActive());
    EXPECT_EQ(0, m_Game.m_iScore);
    EXPECT_TRUE(m_Game.m_Apples.empty());
    EXPECT_TRUE(m_Game.m_Bonuses.empty());
    EXPECT_EQ(0, m_Game.m_Horses.front().m_iHits);
    EXPECT_EQ(0.0f, m_Game.m_fSpawnTimer);
    EXPECT_EQ(3.5f, m_Game.m_fSpawnInterval);
    EXPECT_TRUE(m_Game.m_bScoreChanged);
    EXPECT_TRUE(m_Game.m_bHighScoreChanged);
    // Kept: the answer, the number range and the problem kind.
    EXPECT_EQ("5", m_Game.m_sAnswer);
    EXPECT_EQ(99, m_Game.m_iRange);
    EXPECT_FALSE(m_Game.m_bAddition);

    m_Game.ResetGame(0);
    EXPECT_EQ("", m_Game.m_sPlayerName);
    EXPECT_TRUE(m_Game.m_bNameChanged);
    EXPECT_EQ(SDL_ENABLE, SDL_ShowCursor(SDL_QUERY));
    EXPECT_TRUE(SDL_IsTextInputActive());
}

TEST_F(GameFixture, FirstGameSpawnsAtOnceAResetGameWaitsAnInterval)
{
    DrainEvents();
    PushKey(SDL_SCANCODE_F5);
    ProcessQueued();
    m_Game.RunPass();
    ASSERT_EQ(1, m_Game.m_iState);
    EXPECT_EQ(1u, m_Game.m_Apples.size()) << "the first playing pass spawns";

    PushKey(SDL_SCANCODE_F2);
    ProcessQueued();
    m_Game.RunPass();
    ASSERT_EQ(0, m_Game.m_iState);
    EXPECT_TRUE(m_Game.m_Apples.empty());
    PushKey(SDL_SCANCODE_F5);
    ProcessQueued();
    RunPasses(5);
    EXPECT_EQ(1, m_Game.m_iState);
    EXPECT_TRUE(m_Game.m_Apples.empty()) << "after a reset the first apple waits 3.5 s";
    EXPECT_GT(m_Game.m_fSpawnTimer, 0.0f);
}

TEST_F(GameFixture, HelpOverlayPausesPlayButNotTheWitchHorsesOrScore)
{
    DrainEvents();
    m_Game.m_iState = 1;
    CApple& apple = AddApple(9, 100, 100);
    m_Game.m_fSpawnTimer = 1.0f;
    m_Game.m_fAccelTimer = 2.0f;
    m_Game.m_bShowHelp = true;
    float witchTimer = m_Game.m_pWitch->m_fTimer;

    SDL_Delay(20);
    RunPasses(3);
    EXPECT_EQ(100.0f, apple.m_fYPos) << "apples stand still";
    EXPECT_EQ(1u, m_Game.m_Apples.size());
    EXPECT_EQ(1.0f, m_Game.m_fSpawnTimer);
    EXPECT_EQ(2.0f, m_Game.m_fAccelTimer);
    EXPECT_GT(m_Game.m_pWitch->m_fTimer, witchTimer) << "the witch is still updated";
    EXPECT_FALSE(m_Game.m_bScoreChanged) << "the score is still drawn";

    m_Game.m_bShowHelp = false;
    SDL_Delay(20);
    m_Game.RunPass();
    EXPECT_GT(apple.m_fYPos, 100.0f);
    EXPECT_GT(m_Game.m_fSpawnTimer, 1.0f);
}

TEST_F(GameFixture, StartButtonEdgesAreOutside)
{
    DrainEvents();
    // A zone of known edges inside the headless 1024x768 window.
    TSingleton<CFramework>::Get()->m_StartButtonRect = {560, 522, 160, 48};
    struct
    {
        int x, y;
        bool starts;
    } cases[] = {
        {560, 540, false}, {561, 540, true}, {719, 540, true}, {720, 540, false},
        {600, 522, false}, {600, 523, true}, {600, 569, true}, {600, 570, false},
    };
    for (const auto& c : cases)
    {
        m_Game.m_iState = 0;
        m_Game.m_sAnswer = "3";
        PushMouse(SDL_MOUSEMOTION, c.x, c.y);
        ProcessQueued();
        EXPECT_EQ(0, m_Game.m_iState) << "motion never starts play";
        PushMouse(SDL_MOUSEBUTTONUP, c.x, c.y);
        ProcessQueued();
        EXPECT_EQ(c.starts ? 1 : 0, m_Game.m_iState) << c.x << "," << c.y;
        EXPECT_EQ(c.starts ? "" : "3", m_Game.m_sAnswer) << c.x << "," << c.y;
    }

    m_Game.m_iState = 0;
    PushMouse(SDL_MOUSEBUTTONDOWN, 600, 540);
    ProcessQueued();
    EXPECT_EQ(0, m_Game.m_iState) << "pressing a button does nothing";
}
