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
    FreeEncoded();
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

    // Stored in the screen's very layout, opaque: a blit per pass is then a
    // plain copy, and a keyed sheet can be run-length encoded.
    SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    if (converted)
    {
        SDL_FreeSurface(loaded);
        loaded = converted;
        SDL_SetSurfaceBlendMode(loaded, SDL_BLENDMODE_NONE);
    }

    FreeEncoded();
    SDL_FreeSurface(m_pImage);
    m_pImage = InOwnRows(loaded);
    m_Rect.x = 0;
    m_Rect.y = 0;
    m_Rect.w = m_pImage->w;
    m_Rect.h = m_pImage->h;
}

SDL_Surface* CSprite::InOwnRows(SDL_Surface* image)
{
    if (image->format->BytesPerPixel != 4)
        return image;
    int pitch = (image->w * 4 + 15) / 16 * 16 + 8;
    std::vector<Uint8> pixels(static_cast<size_t>(pitch) * static_cast<size_t>(image->h));
    for (int row = 0; row < image->h; ++row)
        SDL_memcpy(pixels.data() + static_cast<size_t>(row) * pitch,
                   static_cast<const Uint8*>(image->pixels) + row * image->pitch, static_cast<size_t>(image->w) * 4);
    SDL_Surface* own =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), image->w, image->h, 32, pitch, image->format->format);
    if (!own)
        return image;
    SDL_SetSurfaceBlendMode(own, SDL_BLENDMODE_NONE);
    SDL_FreeSurface(image);
    m_Pixels.swap(pixels);
    return own;
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
    Encode();
}

void CSprite::Encode()
{
    FreeEncoded();
    if (m_iNumFrames <= 0)
    {
        // Sheets loaded without frames are only ever drawn whole.
        m_pWhole = EncodedCopy(0, 0, m_pImage->w, m_pImage->h);
        return;
    }
    if (m_iNumFramesX <= 0 || m_iFrameHeight <= 0)
        return;
    int rows = (m_pImage->h + m_iFrameHeight - 1) / m_iFrameHeight;
    for (int n = 0; n < rows * m_iNumFramesX; ++n)
    {
        // A frame of the last row may reach below the sheet: its copy holds
        // only the part inside, as a blit from the sheet would clip it.
        int y = (n / m_iNumFramesX) * m_iFrameHeight;
        SDL_Surface* frame = EncodedCopy((n % m_iNumFramesX) * m_iFrameWidth, y, m_iFrameWidth,
                                         SDL_min(m_iFrameHeight, m_pImage->h - y));
        if (!frame)
        {
            FreeEncoded();
            return;
        }
        m_Frames.push_back(frame);
    }
}

SDL_Surface* CSprite::EncodedCopy(int x, int y, int w, int h)
{
    Uint32 key = 0;
    if (SDL_GetColorKey(m_pImage, &key) != 0 || m_pImage->format->BytesPerPixel != 4)
        return nullptr;
    SDL_Surface* copy = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, m_pImage->format->format);
    if (!copy)
        return nullptr;
    for (int row = 0; row < h; ++row)
        SDL_memcpy(static_cast<Uint8*>(copy->pixels) + row * copy->pitch,
                   static_cast<const Uint8*>(m_pImage->pixels) + (y + row) * m_pImage->pitch + x * 4,
                   static_cast<size_t>(w) * 4);
    SDL_SetSurfaceBlendMode(copy, SDL_BLENDMODE_NONE);
    SDL_SetColorKey(copy, SDL_TRUE, key);
    SDL_SetSurfaceRLE(copy, 1);
    if (m_pScreen && m_pScreen->w > 0 && m_pScreen->h > 0)
    {
        // SDL encodes a surface when it is first blitted onto a screen, and
        // encoding allocates: done here, with one pixel put back, it costs
        // no pass anything.
        Uint32 saved = 0;
        Uint8* corner = static_cast<Uint8*>(m_pScreen->pixels);
        SDL_memcpy(&saved, corner, m_pScreen->format->BytesPerPixel);
        SDL_Rect one = {0, 0, 1, 1};
        SDL_Rect at = {0, 0, 1, 1};
        SDL_UpperBlit(copy, &one, m_pScreen, &at);
        SDL_memcpy(corner, &saved, m_pScreen->format->BytesPerPixel);
    }
    return copy;
}

void CSprite::FreeEncoded()
{
    for (SDL_Surface* frame : m_Frames)
        SDL_FreeSurface(frame);
    m_Frames.clear();
    SDL_FreeSurface(m_pWhole);
    m_pWhole = nullptr;
}

void CSprite::SetAlpha(unsigned char alpha)
{
    // Blended from a layout without an alpha channel: with one, SDL picks
    // another blitter, whose rounding gives other colours. Drawn from the
    // sheet itself from now on.
    FreeEncoded();
    if (SDL_Surface* plain = SDL_ConvertSurfaceFormat(m_pImage, SDL_PIXELFORMAT_RGB888, 0))
    {
        Uint32 key = 0;
        if (SDL_GetColorKey(m_pImage, &key) == 0)
        {
            Uint8 r, g, b;
            SDL_GetRGB(key, m_pImage->format, &r, &g, &b);
            SDL_SetColorKey(plain, SDL_TRUE, SDL_MapRGB(plain->format, r, g, b));
        }
        SDL_FreeSurface(m_pImage);
        m_pImage = plain;
        std::vector<Uint8>().swap(m_Pixels);
    }
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
    SDL_UpperBlit(m_pWhole ? m_pWhole : m_pImage, nullptr, m_pScreen, &m_Rect);
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
    if (frame >= 0 && static_cast<size_t>(frame) < m_Frames.size())
    {
        // Clipped against the copy just as the frame would be against the sheet.
        SDL_Rect whole = {0, 0, m_iFrameWidth, m_iFrameHeight};
        SDL_UpperBlit(m_Frames[static_cast<size_t>(frame)], &whole, m_pScreen, &m_Rect);
        return;
    }
    SDL_UpperBlit(m_pImage, &m_FrameRect, m_pScreen, &m_Rect);
}
