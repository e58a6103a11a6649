#include "game/game.h"

#include <cstdlib>

#include "platform/timer.h"

namespace
{
float Elapsed()
{
    return TSingleton<CTimer>::Get()->m_fElapsed;
}
}

void CGame::SpawnApples()
{
    m_fSpawnTimer += Elapsed();
    if (m_fSpawnInterval <= m_fSpawnTimer)
    {
        // The x draw comes before the problem's draws.
        float x = static_cast<float>(rand() % 736);
        CApple apple;
        apple.Init(m_pApple, x, -60.0f, m_iRange, m_bAddition);
        m_Apples.push_back(apple);
        // The excess is dropped: at most one apple per pass.
        m_fSpawnTimer = 0.0f;
    }
}

void CGame::RenderApples()
{
    for (auto it = m_Apples.begin(); it != m_Apples.end();)
    {
        if (it->m_bIsAlive)
        {
            it->Render();
            it->Update();
            ++it;
        }
        else
        {
            it->Quit();
            it = m_Apples.erase(it);
        }
    }
}

void CGame::Accelerate()
{
    m_fAccelTimer += Elapsed();
    if (m_fAccelTimer >= 90.0f)
    {
        if (m_fSpawnInterval >= 1.0f)
            m_fSpawnInterval -= 0.5f;
        m_fAccelTimer = 0.0f;
    }
}
