#pragma once

#include <SDL.h>
#include <string>

// A BMP picture, optionally cut into equal frames numbered row by row,
// drawn onto the framework's screen surface.
class CSprite
{
public:
    CSprite();
    ~CSprite();
    CSprite(const CSprite&) = delete;
    CSprite& operator=(const CSprite&) = delete;

    void Load(const std::string& sFilename);
    void Load(const std::string& sFilename, int iNumFrames, int iFrameWidth, int iFrameHeight);
    void SetColorKey(int r, int g, int b);
    void SetAlpha(unsigned char alpha);
    void SetPos(float fXPos, float fYPos);
    void Render();
    void Render(float fFrameNumber);

    SDL_Surface* m_pScreen;
    SDL_Surface* m_pImage = nullptr;
    SDL_Rect m_Rect = {0, 0, 0, 0};
    SDL_Rect m_FrameRect = {0, 0, 0, 0};
    int m_iNumFrames = 0;
    int m_iFrameWidth = 0;
    int m_iFrameHeight = 0;
    int m_iNumFramesX = 0;
};
