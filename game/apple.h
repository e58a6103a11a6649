#pragma once

#include <SDL.h>
#include <string>

class CSprite;

// A falling apple with its arithmetic problem. A plain value: copies share
// m_pText, and only the copy held in the game's list is ever released.
class CApple
{
public:
    void Init(CSprite* pSprite, float fXPos, float fYPos, int iRange, bool bAddition);
    void InitSolution();
    void Update();
    void Render();
    void Quit();

    CSprite* m_pSprite = nullptr;
    float m_fXPos = 0.0f;
    float m_fYPos = 0.0f;
    float m_fAnimPhase = 0.0f;
    bool m_bIsAlive = false;
    SDL_Rect m_Rect = {0, 0, 64, 64};
    SDL_Rect m_TextRect = {0, 0, 0, 0};
    SDL_Surface* m_pText = nullptr;
    SDL_Color m_TextColor = {255, 255, 255, 255};
    std::string m_sProblem;
    int m_iSolution = -1;
    int m_iTextOffsetX = 0;
    int m_iTextOffsetY = 0;
    int m_iRange = 10;
    bool m_bAddition = true;
};
