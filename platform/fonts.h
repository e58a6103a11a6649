#pragma once

#include <SDL_ttf.h>
#include <string>

#include "platform/singleton.h"

// One TrueType file opened at a small (12 pt) and a large (18 pt) size.
class CMyFont : public TSingleton<CMyFont>
{
public:
    bool Init();
    bool Load(const std::string& sFilename);
    void CloseFont();
    void Quit();

    TTF_Font* m_pFontSmall = nullptr;
    TTF_Font* m_pFontLarge = nullptr;
    int m_iSizeSmall = 12;
    int m_iSizeLarge = 18;
    bool m_bLoaded = false;
};
