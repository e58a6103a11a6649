#include "platform/framework.h"

#include "platform/fonts.h"
#include "platform/hotzone.h"
#include "platform/myerror.h"
#include "platform/sound.h"
#include "platform/timer.h"

bool CFramework::Init(char const* title, int width, int height, int depth, bool fullscreen)
{
    m_pHandImage = nullptr;
    m_pArrowImage = nullptr;
    m_pHandCursor = nullptr;
    m_pArrowCursor = nullptr;

    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) == -1)
    {
        CMyError::PrintError("SDL konnte nicht initialisiert werden!", SDL_GetError(), false);
        Quit();
        return false;
    }

    if (fullscreen)
        m_pWindow = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 0, 0,
                                     SDL_WINDOW_FULLSCREEN_DESKTOP);
    else
        m_pWindow = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                     SDL_WINDOW_OPENGL);
    if (!m_pWindow)
    {
        CMyError::PrintError("Fenster konnte nicht erzeugt werden!", SDL_GetError(), false);
        Quit();
        return false;
    }

    m_pRenderer = SDL_CreateRenderer(m_pWindow, -1, 0);
    if (!m_pRenderer)
    {
        CMyError::PrintError("Rendering Kontext konnte nicht erzeugt werden!", SDL_GetError(), false);
        Quit();
        return false;
    }

    if (fullscreen)
    {
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
        SDL_RenderSetLogicalSize(m_pRenderer, width, height);
    }

    m_pScreen = SDL_CreateRGBSurface(0, width, height, depth,
                                     0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    m_pTexture = SDL_CreateTexture(m_pRenderer, SDL_PIXELFORMAT_ARGB8888,
                                   SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!m_pScreen || !m_pTexture)
    {
        CMyError::PrintError("Videomode konnte nicht gesetzt werden!", SDL_GetError(), false);
        Quit();
        return false;
    }

    m_pKeyState = SDL_GetKeyboardState(nullptr);

    // The services report their own failures.
    if (!TSingleton<CMySound>::Get()->Init())
        return false;
    if (!TSingleton<CMyFont>::Get()->Init())
        return false;
    if (!TSingleton<CMyFont>::Get()->Load("fonts/FreeSans.ttf"))
        return false;

    InitWindowSizeParams(width, height);

    return InitCursor() == 0;
}

void CFramework::InitWindowSizeParams(int width, int height)
{
    m_DesktopRect = {0, 0, 0, 0};
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0)
    {
        // Not fatal: the start button just can't be hovered or clicked.
        CMyError::PrintError("Fenstergröße konnte nicht ermittelt werden!", SDL_GetError(), true);
        return;
    }
    m_DesktopRect = {0, 0, mode.w, mode.h};
    m_StartButtonRect = ComputeStartButtonZone(width, height, mode.w, mode.h);
}

int CFramework::InitCursor()
{
    int result = 0;

    m_pHandImage = SDL_LoadBMP_RW(SDL_RWFromFile("ImgData/cur_hand.bmp", "rb"), 1);
    if (!m_pHandImage)
    {
        CMyError::PrintError("Mouse Zeiger Bitmap \"Hand\" konnte nicht geladen werden!", SDL_GetError(), false);
        result = 1;
    }
    else
    {
        SDL_SetColorKey(m_pHandImage, SDL_TRUE, SDL_MapRGB(m_pHandImage->format, 255, 0, 255));
        m_pHandCursor = SDL_CreateColorCursor(m_pHandImage, 24, 3);
        if (!m_pHandCursor)
        {
            CMyError::PrintError("Mouse Zeiger \"Hand\" konnte nicht erstellt werden!", SDL_GetError(), false);
            result = 2;
        }
    }

    m_pArrowImage = SDL_LoadBMP_RW(SDL_RWFromFile("ImgData/cur_std.bmp", "rb"), 1);
    if (!m_pArrowImage)
    {
        CMyError::PrintError("Mouse Zeiger Bitmap \"Pfeil\" konnte nicht geladen werden!", SDL_GetError(), false);
        return 3;
    }
    SDL_SetColorKey(m_pArrowImage, SDL_TRUE, SDL_MapRGB(m_pArrowImage->format, 255, 0, 255));
    m_pArrowCursor = SDL_CreateColorCursor(m_pArrowImage, 9, 6);
    if (!m_pArrowCursor)
    {
        CMyError::PrintError("Mouse Zeiger \"Pfeil\" konnte nicht erstellt werden!", SDL_GetError(), false);
        return 4;
    }

    SDL_SetCursor(m_pArrowCursor);
    return result;
}

void CFramework::Update()
{
    TSingleton<CTimer>::Get()->Update();
    SDL_PumpEvents();
}

void CFramework::Clear()
{
    SDL_FillRect(m_pScreen, nullptr, SDL_MapRGB(m_pScreen->format, 0, 0, 0));
}

void CFramework::Flip()
{
    SDL_UpdateTexture(m_pTexture, nullptr, m_pScreen->pixels, m_pScreen->pitch);
    SDL_RenderClear(m_pRenderer);
    SDL_RenderCopy(m_pRenderer, m_pTexture, nullptr, nullptr);
    SDL_RenderPresent(m_pRenderer);
}

bool CFramework::KeyDown(int scancode)
{
    return m_pKeyState[scancode] != 0;
}

namespace
{
// Each release leaves its handle null, so that a second Quit finds nothing.
template <class T>
void Release(T*& handle, void (*release)(T*))
{
    if (handle)
    {
        release(handle);
        handle = nullptr;
    }
}
}

void CFramework::Quit()
{
    Release(m_pHandCursor, SDL_FreeCursor);
    Release(m_pHandImage, SDL_FreeSurface);
    Release(m_pArrowCursor, SDL_FreeCursor);
    Release(m_pArrowImage, SDL_FreeSurface);

    TSingleton<CMySound>::Get()->Stop();
    TSingleton<CMySound>::Destroy();

    TSingleton<CMyFont>::Get()->CloseFont();
    TSingleton<CMyFont>::Get()->Quit();
    TSingleton<CMyFont>::Destroy();

    // Released here rather than left to SDL_Quit, so that no dangling handle
    // survives for an error box or a second Quit.
    Release(m_pTexture, SDL_DestroyTexture);
    Release(m_pRenderer, SDL_DestroyRenderer);
    Release(m_pWindow, SDL_DestroyWindow);
    Release(m_pScreen, SDL_FreeSurface);
    m_pKeyState = nullptr;

    SDL_Quit();
}
