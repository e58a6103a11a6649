#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <ctime>
#include <vector>

// Library calls of the game, intercepted at link time (-Wl,--wrap, see
// RF_CALL_HOOKS in CMakeLists.txt), so tests can pin the clock the random
// seeds are made from, make text measuring fail and record played sounds
// and the cursors set.
namespace hooks
{
// While set, time() returns base, base + step, base + 2 * step, ...
void FakeTime(time_t base, time_t step = 0);
void RealTime();
int TimeCalls();

void FailTextSize(bool fail);
int TextRenders();

// Every effect chunk started since the last call, in order.
std::vector<Mix_Chunk*> TakePlayedChunks();

// The cursor most recently handed to SDL_SetCursor (null before any).
SDL_Cursor* LastCursorSet();

// Restores the real library behaviour when a test ends.
class Scope
{
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};
}
