#include "game/apple.h"

#include <cstdlib>
#include <ctime>

#include "platform/fonts.h"
#include "platform/framework.h"
#include "platform/myerror.h"
#include "platform/sprite.h"
#include "platform/timer.h"

void CApple::Init(CSprite* pSprite, float fXPos, float fYPos, int iRange, bool bAddition)
{
    if (iRange != 20 && iRange != 99)
        iRange = 10;

    m_fXPos = fXPos;
    m_fYPos = fYPos;
    m_iRange = iRange;
    m_bAddition = bAddition;
    m_pSprite = pSprite;
    m_fAnimPhase = 0.0f;
    m_iTextOffsetX = 0;
    m_iTextOffsetY = 0;
    m_iSolution = -1;
    m_sProblem.clear();

    InitSolution();

    m_Rect.x = static_cast<int>(fXPos);
    m_Rect.y = static_cast<int>(fYPos);
    m_pText = nullptr;
    m_TextColor = {255, 255, 255, 255};

    CMyFont* font = TSingleton<CMyFont>::Get();
    if (!font->m_bLoaded)
    {
        TSingleton<CFramework>::Get()->Quit();
        exit(1);
    }

    TTF_SetFontStyle(font->m_pFontSmall, TTF_STYLE_BOLD);
    m_pText = TTF_RenderText_Blended(font->m_pFontSmall, m_sProblem.c_str(), m_TextColor);
    if (!m_pText)
    {
        CMyError::PrintError("Text Rendern gescheitert!", SDL_GetError(), false);
        TSingleton<CFramework>::Get()->Quit();
        exit(1);
    }

    int w = 0;
    int h = 0;
    if (TTF_SizeText(font->m_pFontSmall, m_sProblem.c_str(), &w, &h) == 0)
    {
        m_iTextOffsetX = (64 - w) / 2;
        m_iTextOffsetY = (64 - h) / 2;
    }
    else
    {
        CMyError::PrintError("Kann Text Metrik nicht ermitteln!", SDL_GetError(), true);
        m_iTextOffsetX = 16;
        m_iTextOffsetY = 24;
    }
    m_bIsAlive = true;
}

void CApple::InitSolution()
{
    // Reseeded from the clock and the generator's own output before each
    // operand; the divisor is 65365 on purpose.
    unsigned int t1 = static_cast<unsigned int>(time(nullptr));
    unsigned int r1 = static_cast<unsigned int>(rand());
    srand((r1 % 65365u) + t1);
    int a = (rand() % m_iRange) + 1;

    unsigned int t2 = static_cast<unsigned int>(time(nullptr));
    unsigned int r2 = static_cast<unsigned int>(rand());
    srand(7u * (r2 % 65365u) + t2);
    int b = (rand() % m_iRange) + 1;

    char text[10];
    if (m_bAddition)
    {
        m_iSolution = a + b;
        SDL_snprintf(text, sizeof(text), "%d + %d", a, b);
    }
    else
    {
        unsigned int t3 = static_cast<unsigned int>(time(nullptr));
        unsigned int r3 = static_cast<unsigned int>(rand());
        srand(3u * (r3 % 65365u) + t3);
        int c = rand();
        if (c % 2 == 0)
        {
            m_iSolution = b;
            SDL_snprintf(text, sizeof(text), "%d - %d", a + b, a);
        }
        else
        {
            m_iSolution = a;
            SDL_snprintf(text, sizeof(text), "%d - %d", a + b, b);
        }
    }
    m_sProblem = text;
}

void CApple::Update()
{
    float elapsed = TSingleton<CTimer>::Get()->m_fElapsed;
    m_fYPos += 20.0f * elapsed;
    m_Rect.y = static_cast<int>(m_fYPos);

    // Wrapped once per move only, even after a long frame.
    m_fAnimPhase += 20.0f * elapsed;
    if (m_fAnimPhase >= 20.0f)
        m_fAnimPhase -= 20.0f;

    if (m_fYPos > 590.0f)
        m_bIsAlive = false;
}

void CApple::Render()
{
    m_TextRect.x = static_cast<int>(m_iTextOffsetX + m_fXPos);
    m_TextRect.y = static_cast<int>(m_iTextOffsetY + m_fYPos);

    m_pSprite->SetPos(m_fXPos, m_fYPos);
    m_pSprite->Render(m_fAnimPhase);

    if (SDL_UpperBlit(m_pText, nullptr, TSingleton<CFramework>::Get()->m_pScreen, &m_TextRect) < 0)
        CMyError::PrintError("Text in den Bildschirm blitten schlug fehl!", SDL_GetError(), true);
}

void CApple::Quit()
{
    if (m_pText)
    {
        SDL_FreeSurface(m_pText);
        m_pText = nullptr;
    }
}
