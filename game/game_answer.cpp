#include "game/game.h"

#include <cstdlib>
#include <ctime>

#include "game/witchey.h"
#include "platform/sound.h"

void CGame::CheckSolution()
{
    // Narrowed to the low 32 bits, as a plain int cast does on this platform.
    int answer = static_cast<int>(static_cast<unsigned int>(strtol(m_sAnswer.c_str(), nullptr, 10)));
    m_sAnswer.clear();

    std::list<SDL_Rect> solved;
    for (auto it = m_Apples.begin(); it != m_Apples.end();)
    {
        if (it->m_iSolution != answer || it->m_iSolution < 0)
        {
            ++it;
            continue;
        }

        m_bScoreChanged = true;
        unsigned int now = static_cast<unsigned int>(time(nullptr));
        unsigned int r = static_cast<unsigned int>(rand());
        srand((r % 65365u) + now);
        int k = rand() % 5;
        m_iScore += (k + 1) * 100;

        SDL_Rect box = it->m_Rect;
        it->Quit();
        it = m_Apples.erase(it);

        CBonus bonus;
        bonus.Init(m_pBonus, k, static_cast<float>(box.x), static_cast<float>(box.y));
        m_Bonuses.push_back(bonus);

        TSingleton<CMySound>::Get()->Play(3);
        solved.push_back(box);
    }

    if (!solved.empty())
    {
        m_pWitch->m_fTimer = 0.0f;
        m_pWitch->m_fState = 2.0f;
        m_pWitch->m_Targets.swap(solved);
    }
    else
    {
        TSingleton<CMySound>::Get()->Play(4);
    }
}

void CGame::RenderBonus()
{
    for (auto it = m_Bonuses.begin(); it != m_Bonuses.end();)
    {
        if (it->m_fAge < 1.0f)
        {
            it->Render();
            it->Update();
            ++it;
        }
        else
        {
            it = m_Bonuses.erase(it);
        }
    }
}
