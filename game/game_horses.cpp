#include "game/game.h"

#include "platform/framework.h"
#include "platform/sound.h"
#include "platform/sprite.h"
#include "store/dbconnection.h"

void CGame::CheckCollisions()
{
    int screenWidth = TSingleton<CFramework>::Get()->m_pScreen->w;
    bool eaten = false;

    for (CHorse& horse : m_Horses)
    {
        const SDL_Rect& h = horse.m_Rect;
        int left = (horse.m_iSide == 1) ? h.x : h.x + 70;
        int right = (horse.m_iSide == 1) ? h.x + h.w - 70 : screenWidth - 10;

        for (auto it = m_Apples.begin(); it != m_Apples.end();)
        {
            int ax = it->m_Rect.x;
            int ay = it->m_Rect.y;
            bool caught = h.y + 1 < ay && ay <= h.y + 64 && ax + 63 >= left && ax < right;
            if (!caught)
            {
                ++it;
                continue;
            }

            it->Quit();
            it = m_Apples.erase(it);

            CBonus miss;
            miss.Init(m_pBonus, 5, static_cast<float>(ax), static_cast<float>(ay));
            m_Bonuses.push_back(miss);

            horse.Update(true);
            eaten = true;
        }
    }

    // One boing per pass, however many apples went.
    if (eaten)
        TSingleton<CMySound>::Get()->Play(2);
}

void CGame::RenderHorses()
{
    bool allOut = true;
    for (CHorse& horse : m_Horses)
    {
        if (horse.m_bIsAlive)
            allOut = false;
        horse.Update(false);
        horse.Render();
    }

    if (allOut && !m_Horses.empty())
    {
        m_iState = STATE_GAMEOVER;
        if (m_sPlayerName.empty())
            m_sPlayerName = "noname";
        if (!m_bScoreStored)
        {
            TSingleton<CDBConnection>::Get()->WriteScore(m_sPlayerName, m_iScore);
            m_bScoreStored = true;
        }
        m_bHighScoreChanged = true;
    }
}

void CGame::RenderLives()
{
    for (CHorse& horse : m_Horses)
    {
        if (horse.m_iSide == 1)
            m_pLives->SetPos(221.0f, 555.0f);
        else if (horse.m_iSide == 2)
            m_pLives->SetPos(457.0f, 555.0f);
        else
            continue;
        m_pLives->Render(static_cast<float>(horse.m_iHits));
    }
}
