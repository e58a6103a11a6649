#pragma once

#include <SDL.h>

#include "platform/singleton.h"

// Window, renderer and the 800x600 software screen surface everything is
// blitted onto; presented once per pass, scaled to the desktop.
class CFramework : public TSingleton<CFramework>
{
public:
    bool Init(char const* title, int width, int height, int depth, bool fullscreen);
    void InitWindowSizeParams(int width, int height);
    int InitCursor();
    void Update();
    void Clear();
    void Flip();
    bool KeyDown(int scancode);
    void Quit();

    SDL_Surface* m_pScreen = nullptr;
    SDL_Surface* m_pHandImage = nullptr;
    SDL_Surface* m_pArrowImage = nullptr;
    SDL_Texture* m_pTexture = nullptr;
    SDL_Renderer* m_pRenderer = nullptr;
    SDL_Window* m_pWindow = nullptr;
    const Uint8* m_pKeyState = nullptr;
    SDL_Rect m_DesktopRect = {0, 0, 0, 0};
    SDL_Rect m_StartButtonRect = {0, 0, 0, 0};
    SDL_Cursor* m_pArrowCursor = nullptr;
    SDL_Cursor* m_pHandCursor = nullptr;
};
