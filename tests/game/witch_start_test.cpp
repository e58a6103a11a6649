#include "tests/game/game_fixture.h"

#include <cstdlib>

#include "game/witchey.h"
#include "tests/game/call_hooks.h"

// The witch's eyes-open time and drift direction live for the whole
// process, so their starting values can only be seen by the first witch
// that is ever updated. This program holds that one test and no other.
TEST_F(GameFixture, FirstWitchOfTheProcessBlinksAfterThreeAndAHalfSecondsThenDriftsDown)
{
    hooks::Scope restore;
    // A clock reading whose reseeding makes rand() % 2 come out 1.
    time_t driftByOne = 1700000000;
    for (;; ++driftByOne)
    {
        srand(static_cast<unsigned>(driftByOne));
        if (rand() % 2 == 1)
            break;
    }
    hooks::FakeTime(driftByOne);

    CWitchey& witch = *m_Game.m_pWitch;
    SetDelta(0.25f);
    std::vector<int> blinksAt;
    std::vector<int> opensAt;
    for (int frame = 1; frame <= 60; ++frame)
    {
        float before = witch.m_fState;
        witch.Update();
        if (before == 0.0f && witch.m_fState == 1.0f)
            blinksAt.push_back(frame);
        if (before == 1.0f && witch.m_fState == 0.0f)
            opensAt.push_back(frame);
    }
    // Open 3.5 s, blink 0.5 s; then 3.5 - 1 = 2.5 s open, then 2.5 + 1 again.
    EXPECT_EQ((std::vector<int>{14, 26, 42, 54}), blinksAt);
    EXPECT_EQ((std::vector<int>{16, 28, 44, 56}), opensAt);
}
