#pragma once

#include <SDL.h>
#include <string>
#include <vector>

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

private:
    SDL_Surface* InOwnRows(SDL_Surface* image);
    void Encode();
    SDL_Surface* EncodedCopy(int x, int y, int w, int h);
    void FreeEncoded();

    // A keyed picture is drawn from run-length encoded copies, so that a blit
    // skips transparent runs and copies opaque ones whole instead of testing
    // every pixel against the key; m_pImage itself stays plain for pixel
    // access. A sheet drawn by frames gets a copy per frame: a frame cut from
    // one encoded sheet would walk every run of the rows above and beside it.
    SDL_Surface* m_pWhole = nullptr;
    std::vector<SDL_Surface*> m_Frames;

    // The loaded picture's pixels, rows 8 bytes past a multiple of 16 apart.
    // SDL copies an unkeyed picture with such rows by ordinary stores, which
    // leave the screen in the cache for all that is drawn over it and for the
    // upload; rows on 16 bytes it copies by streaming stores past the cache,
    // and every later blit has to fetch the screen from memory again.
    std::vector<Uint8> m_Pixels;
};
