#include "platform/timer.h"

#include <SDL.h>

namespace
{
float Now()
{
    return static_cast<float>(SDL_GetTicks()) / 1000.0f;
}
}

CTimer::CTimer()
    : m_fElapsed(0.0f), m_fCurTime(0.0f), m_fLastTime(Now())
{
}

void CTimer::Update()
{
    float now = Now();
    m_fCurTime = now;
    // Not clamped: the pass after a long pause reports the whole pause.
    m_fElapsed = now - m_fLastTime;
    m_fLastTime = now;
}
