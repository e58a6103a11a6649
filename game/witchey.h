#pragma once

#include <SDL.h>
#include <list>

class CSprite;

// The witch: blinks now and then and, after a solving answer, fires bands
// of lightning at the solved apples for 0.7 seconds.
class CWitchey
{
public:
    void Init();
    void Quit();
    void Update();
    void Render();
    // Taken by reference: a per-frame copy of the list would allocate in
    // every pass of a firing.
    void FireFlash(const std::list<SDL_Rect>& targets);
    static void Line(float fX0, float fY0, float fX1, float fY1, SDL_Surface* pSurface, int r, int g, int b);

    CSprite* m_pSprite = nullptr;
    CSprite* m_pFlash = nullptr;
    float m_fState = 0.0f;
    std::list<SDL_Rect> m_Targets;
    float m_fTimer = 0.0f;
};
