#include "game/horse.h"

#include "platform/framework.h"
#include "platform/sprite.h"

void CHorse::Init(CSprite* pSprite, int iHits, int iSide)
{
    m_bIsAlive = true;
    m_pSprite = pSprite;
    m_iHits = iHits;
    m_iSide = iSide;

    SDL_Surface* screen = TSingleton<CFramework>::Get()->m_pScreen;
    int fw = pSprite->m_iFrameWidth;
    int fh = pSprite->m_iFrameHeight;
    int x = (iSide == 1) ? 10 : screen->w - 10 - fw;
    int y = screen->h - 5 - fh;

    m_fXPos = static_cast<float>(x);
    m_fYPos = static_cast<float>(y);
    m_Rect = {x, y, fw, fh};
}

void CHorse::Update(bool bHit)
{
    if (bHit)
    {
        if (m_iHits > 2)
        {
            m_bIsAlive = false;
            return;
        }
        ++m_iHits;
    }
    if (m_iHits > 2)
        m_bIsAlive = false;
}

void CHorse::Render()
{
    m_pSprite->SetPos(m_fXPos, m_fYPos);
    m_pSprite->Render(static_cast<float>(m_iHits));
}

void CHorse::Reset()
{
    m_iHits = 0;
    m_bIsAlive = true;
}
