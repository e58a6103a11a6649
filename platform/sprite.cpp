#include "platform/sprite.h"

#include <cstdlib>

#include "platform/framework.h"
#include "platform/myerror.h"

CSprite::CSprite()
    : m_pScreen(TSingleton<CFramework>::Get()->m_pScreen)
{
}

CSprite::~CSprite()
{
    SDL_FreeSurface(m_pImage);
}

void CSprite::Load(const std::string& sFilename)
{
    SDL_Surface* loaded = SDL_LoadBMP_RW(SDL_RWFromFile(sFilename.c_str(), "rb"), 1);
    if (!loaded)
    {
        char message[1024];
        SDL_snprintf(message, sizeof(message), "Fehler beim Laden der Bitmap: %s", sFilename.c_str());
        CMyError::PrintError(message, SDL_GetError(), false);
        TSingleton<CFramework>::Get()->Quit();
        exit(1);
    }

    // Stored in the screen's own 32-bit layout (without alpha) so that
    // every blit per pass is a plain 32-bit copy instead of a conversion.
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0);
    if (converted)
    {
        SDL_FreeSurface(loaded);
        loaded = converted;
    }

    SDL_FreeSurface(m_pImage);
    m_pImage = loaded;
    m_Rect.x = 0;
    m_Rect.y = 0;
    m_Rect.w = m_pImage->w;
    m_Rect.h = m_pImage->h;
}

void CSprite::Load(const std::string& sFilename, int iNumFrames, int iFrameWidth, int iFrameHeight)
{
    Load(sFilename);
    m_iNumFrames = iNumFrames;
    m_iFrameWidth = iFrameWidth;
    m_iFrameHeight = iFrameHeight;
    m_FrameRect.w = iFrameWidth;
    m_FrameRect.h = iFrameHeight;
    // A zero frame width would divide by zero; such a sheet draws no frames.
    m_iNumFramesX = iFrameWidth > 0 ? m_pImage->w / iFrameWidth : 0;
}

void CSprite::SetColorKey(int r, int g, int b)
{
    SDL_SetColorKey(m_pImage, SDL_TRUE, SDL_MapRGB(m_pImage->format, r & 0xFF, g & 0xFF, b & 0xFF));
}

void CSprite::SetAlpha(unsigned char alpha)
{
    SDL_SetSurfaceBlendMode(m_pImage, SDL_BLENDMODE_BLEND);
    SDL_SetSurfaceAlphaMod(m_pImage, alpha);
}

void CSprite::SetPos(float fXPos, float fYPos)
{
    m_Rect.x = static_cast<int>(fXPos);
    m_Rect.y = static_cast<int>(fYPos);
}

void CSprite::Render()
{
    SDL_UpperBlit(m_pImage, nullptr, m_pScreen, &m_Rect);
}

void CSprite::Render(float fFrameNumber)
{
    // The frame number is not bounded: a row below the sheet is clipped
    // away by the blit and draws nothing.
    if (m_iNumFramesX <= 0)
        return;
    int frame = static_cast<int>(fFrameNumber);
    m_FrameRect.x = (frame % m_iNumFramesX) * m_iFrameWidth;
    m_FrameRect.y = (frame / m_iNumFramesX) * m_iFrameHeight;
    SDL_UpperBlit(m_pImage, &m_FrameRect, m_pScreen, &m_Rect);
}
