#include "platform/fonts.h"

#include <cstdlib>

#include "platform/framework.h"
#include "platform/myerror.h"

bool CMyFont::Init()
{
    if (TTF_Init() != -1)
        return true;
    CMyError::PrintError("Konnte SDL_ttf nicht initialisieren!", SDL_GetError(), false);
    return false;
}

bool CMyFont::Load(const std::string& sFilename)
{
    m_pFontSmall = TTF_OpenFont(sFilename.c_str(), m_iSizeSmall);
    m_pFontLarge = TTF_OpenFont(sFilename.c_str(), m_iSizeLarge);
    if (m_pFontSmall && m_pFontLarge)
    {
        m_bLoaded = true;
        return true;
    }
    CMyError::PrintError("Konnte Schriftart nicht laden!", SDL_GetError(), false);
    // The framework's Quit closes a size that did open.
    TSingleton<CFramework>::Get()->Quit();
    exit(1);
}

void CMyFont::CloseFont()
{
    if (m_pFontSmall)
    {
        TTF_CloseFont(m_pFontSmall);
        m_pFontSmall = nullptr;
    }
    if (m_pFontLarge)
    {
        TTF_CloseFont(m_pFontLarge);
        m_pFontLarge = nullptr;
    }
}

void CMyFont::Quit()
{
    TTF_Quit();
}
