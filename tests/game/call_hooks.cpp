#include "tests/game/call_hooks.h"

#include <SDL_ttf.h>

extern "C" {
time_t __real_time(time_t* out);
int __real_TTF_SizeText(TTF_Font* font, const char* text, int* w, int* h);
SDL_Surface* __real_TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color fg);
int __real_Mix_PlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks);
void __real_SDL_SetCursor(SDL_Cursor* cursor);
}

namespace
{
bool g_bFakeTime = false;
time_t g_NextTime = 0;
time_t g_TimeStep = 0;
int g_iTimeCalls = 0;
bool g_bFailTextSize = false;
int g_iTextRenders = 0;
std::vector<Mix_Chunk*> g_Played;
SDL_Cursor* g_pLastCursor = nullptr;
}

extern "C" {
time_t __wrap_time(time_t* out)
{
    ++g_iTimeCalls;
    if (!g_bFakeTime)
        return __real_time(out);
    time_t now = g_NextTime;
    g_NextTime += g_TimeStep;
    if (out)
        *out = now;
    return now;
}

int __wrap_TTF_SizeText(TTF_Font* font, const char* text, int* w, int* h)
{
    if (g_bFailTextSize)
    {
        SDL_SetError("measuring switched off by the test");
        return -1;
    }
    return __real_TTF_SizeText(font, text, w, h);
}

SDL_Surface* __wrap_TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color fg)
{
    ++g_iTextRenders;
    return __real_TTF_RenderText_Blended(font, text, fg);
}

int __wrap_Mix_PlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks)
{
    g_Played.push_back(chunk);
    return __real_Mix_PlayChannelTimed(channel, chunk, loops, ticks);
}

// The dummy video driver makes no cursors, so which one the game chose is
// only seen here.
void __wrap_SDL_SetCursor(SDL_Cursor* cursor)
{
    g_pLastCursor = cursor;
    __real_SDL_SetCursor(cursor);
}
}

namespace hooks
{
void FakeTime(time_t base, time_t step)
{
    g_bFakeTime = true;
    g_NextTime = base;
    g_TimeStep = step;
}

void RealTime()
{
    g_bFakeTime = false;
}

int TimeCalls()
{
    return g_iTimeCalls;
}

void FailTextSize(bool fail)
{
    g_bFailTextSize = fail;
}

int TextRenders()
{
    return g_iTextRenders;
}

std::vector<Mix_Chunk*> TakePlayedChunks()
{
    std::vector<Mix_Chunk*> played;
    played.swap(g_Played);
    return played;
}

SDL_Cursor* LastCursorSet()
{
    return g_pLastCursor;
}

Scope::Scope()
{
    g_Played.clear();
    g_pLastCursor = nullptr;
}

Scope::~Scope()
{
    RealTime();
    FailTextSize(false);
    g_Played.clear();
}
}
