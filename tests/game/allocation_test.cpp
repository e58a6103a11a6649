#include "tests/game/game_fixture.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <new>

#include "game/witchey.h"

// Counts every heap allocation of the process: C++ new here, SDL's own
// through its memory functions. The audio thread allocates nothing either.
namespace
{
std::atomic<long> g_Allocations{0};

SDL_malloc_func g_Malloc;
SDL_calloc_func g_Calloc;
SDL_realloc_func g_Realloc;
SDL_free_func g_Free;

void* CountingMalloc(size_t size)
{
    ++g_Allocations;
    return g_Malloc(size);
}
void* CountingCalloc(size_t n, size_t size)
{
    ++g_Allocations;
    return g_Calloc(n, size);
}
void* CountingRealloc(void* p, size_t size)
{
    ++g_Allocations;
    return g_Realloc(p, size);
}

struct InstallCounters
{
    InstallCounters()
    {
        SDL_GetMemoryFunctions(&g_Malloc, &g_Calloc, &g_Realloc, &g_Free);
        SDL_SetMemoryFunctions(CountingMalloc, CountingCalloc, CountingRealloc, g_Free);
    }
} g_Install;
}

void* operator new(size_t size)
{
    ++g_Allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

class SteadyPass : public GameFixture
{
protected:
    // Allocations of the game's own work in the given number of passes.
    // Presenting is measured alone and taken off: SDL's software renderer
    // (the one the dummy driver has) makes temporary surfaces inside
    // SDL_RenderPresent's scaled copy, which is not the game's doing.
    // The passes run in rounds of 100, and `between` is called after each,
    // outside the count.
    long AllocationsOver(int passes, const std::function<void()>& between = [] {})
    {
        // Warm up: the first passes rebuild the cached texts.
        RunPasses(5);
        long inPasses = 0;
        for (int done = 0; done < passes; done += 100)
        {
            long before = g_Allocations;
            RunPasses(std::min(100, passes - done));
            inPasses += g_Allocations - before;
            between();
        }

        long before = g_Allocations;
        for (int i = 0; i < passes; ++i)
            TSingleton<CFramework>::Get()->Flip();
        long inPresent = g_Allocations - before;

        std::printf("%s: %ld allocations in %d passes, %ld of them in SDL's present\n",
                    ::testing::UnitTest::GetInstance()->current_test_info()->name(), inPasses, passes,
                    inPresent);
        return inPasses - inPresent;
    }
};

TEST_F(SteadyPass, StartPageWithHelpAllocatesNothing)
{
    DrainEvents();
    m_Game.m_sPlayerName = "Anna";
    m_Game.m_bShowHelp = true;
    EXPECT_EQ(0, AllocationsOver(1000));
}

TEST_F(SteadyPass, PlayWithApplesMarkersAndFiringWitchAllocatesNothing)
{
    DrainEvents();
    m_Game.StartGame();
    // Apples in view, far from the horses; no new ones come. (SDL maps a
    // text surface to the screen at its first visible blit, once per apple.)
    for (int i = 0; i < 30; ++i)
        AddApple(5 + i, 20.0f * i, 10.0f + i);
    for (int i = 0; i < 10; ++i)
    {
        CBonus bonus;
        bonus.Init(m_Game.m_pBonus, i % 6, 60.0f * i, 100.0f);
        bonus.m_fAge = -1000.0f;  // kept on screen for the whole run
        m_Game.m_Bonuses.push_back(bonus);
    }
    m_Game.m_fSpawnTimer = -1e9f;
    m_Game.m_pWitch->m_Targets = {{100, 50, 64, 64}, {400, 60, 64, 64}, {700, 40, 64, 64}};
    m_Game.m_pWitch->m_fState = 2.0f;
    m_Game.m_pWitch->m_fTimer = -1e9f;  // keeps firing

    // The apples fall by the real clock: put back after every round, none
    // reaches a horse however slow the passes (in a sanitizer build on a
    // busy machine, six did and were eaten).
    auto lift = [this] {
        int i = 0;
        for (CApple& apple : m_Game.m_Apples)
            apple.m_fYPos = 10.0f + i++;
    };
    EXPECT_EQ(0, AllocationsOver(1000, lift));
    EXPECT_EQ(30u, m_Game.m_Apples.size());
}

TEST_F(SteadyPass, GameOverScreenAllocatesNothing)
{
    DrainEvents();
    m_Game.m_iState = 2;
    m_Game.m_pScoreText = SDL_CreateRGBSurfaceWithFormat(0, 80, 15, 32, SDL_PIXELFORMAT_ARGB8888);
    EXPECT_EQ(0, AllocationsOver(1000));
}
