#include "game/bonus.h"

#include "platform/sprite.h"
#include "platform/timer.h"

void CBonus::Init(CSprite* pSprite, int iFrame, float fXPos, float fYPos)
{
    m_pSprite = pSprite;
    m_iFrame = iFrame;
    m_fXPos = fXPos;
    m_fYPos = fYPos;
    m_fAge = 0.0f;
}

void CBonus::Update()
{
    float elapsed = TSingleton<CTimer>::Get()->m_fElapsed;
    m_fYPos += 20.0f * elapsed;
    // Past the bottom it is as good as expired.
    if (m_fYPos > 590.0f)
        m_fAge = 2.0f;
    else
        m_fAge += elapsed;
}

void CBonus::Render()
{
    m_pSprite->SetPos(m_fXPos, m_fYPos);
    m_pSprite->Render(static_cast<float>(m_iFrame));
}
