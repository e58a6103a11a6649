#pragma once

#include <SDL.h>

class CSprite;

// One of the two horses; m_iHits is also the frame of its sheet.
class CHorse
{
public:
    void Init(CSprite* pSprite, int iHits, int iSide);
    void Update(bool bHit);
    void Render();
    void Reset();

    CSprite* m_pSprite = nullptr;
    float m_fXPos = 0.0f;
    float m_fYPos = 0.0f;
    int m_iHits = 0;
    bool m_bIsAlive = true;
    SDL_Rect m_Rect = {0, 0, 0, 0};
    int m_iSide = 1;
};
