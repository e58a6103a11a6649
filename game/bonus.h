#pragma once

class CSprite;

// A sinking marker: frames 0-4 show 100-500 points, frame 5 a missed apple.
class CBonus
{
public:
    void Init(CSprite* pSprite, int iFrame, float fXPos, float fYPos);
    void Update();
    void Render();

    CSprite* m_pSprite = nullptr;
    float m_fXPos = 0.0f;
    float m_fYPos = 0.0f;
    int m_iFrame = 0;
    float m_fAge = 0.0f;
};
