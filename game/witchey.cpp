#include "game/witchey.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "platform/framework.h"
#include "platform/sprite.h"
#include "platform/timer.h"

void CWitchey::Init()
{
    m_fState = 0.0f;
    m_fTimer = 0.0f;

    m_pSprite = new CSprite;
    m_pSprite->Load("ImgData/witchey.bmp", 3, 204, 320);
    m_pSprite->SetColorKey(255, 0, 255);

    m_pFlash = new CSprite;
    m_pFlash->Load("ImgData/flashbgr.bmp", 0, 32, 32);
    m_pFlash->SetColorKey(255, 0, 255);
    m_pFlash->SetAlpha(146);
}

void CWitchey::Quit()
{
    if (m_pSprite)
    {
        delete m_pSprite;
        m_pSprite = nullptr;
    }
    if (m_pFlash)
    {
        delete m_pFlash;
        m_pFlash = nullptr;
    }
}

void CWitchey::Update()
{
    // Shared by every witch and kept across games on purpose.
    static float fEyesNormal = 3.5f;
    static bool bToggle = false;

    m_fTimer += TSingleton<CTimer>::Get()->m_fElapsed;

    if (fEyesNormal <= 1.0f || fEyesNormal >= 6.0f)
        fEyesNormal = 3.5f;

    if (m_fState != 2.0f)
    {
        if (m_fTimer >= fEyesNormal)
        {
            m_fTimer = 0.0f;
            m_fState = 1.0f;
        }
        else if (m_fState == 1.0f && m_fTimer >= 0.5f)
        {
            m_fTimer = 0.0f;
            m_fState = 0.0f;
            srand(static_cast<unsigned int>(time(nullptr)));
            if (bToggle)
                fEyesNormal += static_cast<float>(rand() % 2);
            else
                fEyesNormal -= static_cast<float>(rand() % 2);
            bToggle = !bToggle;
        }
    }
    else if (static_cast<double>(m_fTimer) >= 0.7)
    {
        // Against the double 0.7: a float timer of exactly 0.7f is too short.
        m_fTimer = 0.0f;
        srand(static_cast<unsigned int>(time(nullptr) + rand() % 65365));
        m_fState = static_cast<float>(rand() % 2);
    }
}

void CWitchey::Render()
{
    m_pSprite->SetPos(314.0f, 276.0f);
    m_pSprite->Render(m_fState);
    if (m_fState == 2.0f)
    {
        FireFlash(m_Targets);
        m_pFlash->SetPos(364.0f, 308.0f);
        m_pFlash->Render();
    }
}

void CWitchey::FireFlash(const std::list<SDL_Rect>& targets)
{
    SDL_Surface* screen = TSingleton<CFramework>::Get()->m_pScreen;
    for (const SDL_Rect& target : targets)
    {
        for (int k = 0; k < 7; ++k)
        {
            Line(static_cast<float>(378 + k), 322.0f,
                 static_cast<float>(target.x + 32 + k), static_cast<float>(target.y + 32),
                 screen, 255, (k % 2 == 0) ? 255 : 0, 0);
        }
    }
}

void CWitchey::Line(float fX0, float fY0, float fX1, float fY1, SDL_Surface* pSurface, int r, int g, int b)
{
    // Bresenham with a float error term; the end with the larger major
    // coordinate is never drawn, and pixels off the surface are skipped.
    bool steep = std::fabs(fY1 - fY0) > std::fabs(fX1 - fX0);
    float majorStart = steep ? fY0 : fX0;
    float minorStart = steep ? fX0 : fY0;
    float majorEnd = steep ? fY1 : fX1;
    float minorEnd = steep ? fX1 : fY1;
    if (majorStart > majorEnd)
    {
        std::swap(majorStart, majorEnd);
        std::swap(minorStart, minorEnd);
    }

    float majorDelta = majorEnd - majorStart;
    float minorExtent = std::fabs(minorEnd - minorStart);
    int major = static_cast<int>(majorStart);
    int last = static_cast<int>(majorEnd);
    int minor = static_cast<int>(minorStart);
    int minorStep = (minorEnd > minorStart) ? 1 : -1;
    float error = 0.5f * majorDelta;

    Uint32 color = SDL_MapRGB(pSurface->format, r & 0xFF, g & 0xFF, b & 0xFF);
    Uint32* pixels = static_cast<Uint32*>(pSurface->pixels);
    for (; major < last; ++major)
    {
        int x = steep ? minor : major;
        int y = steep ? major : minor;
        if (x >= 0 && x < pSurface->w && y >= 0 && y < pSurface->h)
            pixels[x + (y * pSurface->pitch) / 4] = color;
        error -= minorExtent;
        if (error < 0.0f)
        {
            minor += minorStep;
            error += majorDelta;
        }
    }
}
