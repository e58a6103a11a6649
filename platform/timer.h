#pragma once

#include "platform/singleton.h"

// Frame clock: m_fElapsed is the frame delta in seconds.
class CTimer : public TSingleton<CTimer>
{
public:
    CTimer();
    void Update();

    float m_fElapsed;
    float m_fCurTime;
    float m_fLastTime;
};
