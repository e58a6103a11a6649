#include "game/game.h"

#include <cstdlib>

#include "platform/fonts.h"
#include "platform/framework.h"
#include "platform/myerror.h"
#include "platform/sprite.h"
#include "store/dbconnection.h"

namespace
{
const SDL_Color kWhite = {255, 255, 255, 255};

void BlitAt(SDL_Surface* surface, SDL_Surface* target, int x, int y)
{
    SDL_Rect at = {x, y, 0, 0};
    SDL_UpperBlit(surface, nullptr, target, &at);
}

// Cuts a UTF-8 text to at most maxBytes without leaving half a character.
void CutUtf8(char* text, size_t maxBytes)
{
    size_t length = SDL_strlen(text);
    if (length <= maxBytes)
        return;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text[end] = '\0';
}
}

void CGame::RenderScore()
{
    m_pShowScore->SetPos(691.0f, 10.0f);
    m_pShowScore->Render();

    if (m_bScoreChanged)
    {
        char text[20];
        SDL_snprintf(text, sizeof(text), "%010d", m_iScore);
        TTF_Font* font = TSingleton<CMyFont>::Get()->m_pFontSmall;
        TTF_SetFontStyle(font, TTF_STYLE_BOLD);
        if (m_pScoreText)
            SDL_FreeSurface(m_pScoreText);
        m_pScoreText = TTF_RenderText_Blended(font, text, kWhite);
        m_bScoreChanged = false;
    }

    if (m_pScoreText)
        BlitAt(m_pScoreText, TSingleton<CFramework>::Get()->m_pScreen, 700, 17);
}

void CGame::RenderPlayerName()
{
    CMyFont* fonts = TSingleton<CMyFont>::Get();
    if (!fonts->m_bLoaded)
        return;

    if (m_bNameChanged)
    {
        if (m_pNameText)
        {
            SDL_FreeSurface(m_pNameText);
            m_pNameText = nullptr;
        }
        // The name is typed as UTF-8, so it is rendered as UTF-8; the cut to
        // 19 bytes keeps whole characters.
        char text[64];
        SDL_snprintf(text, sizeof(text), "%s", m_sPlayerName.c_str());
        CutUtf8(text, 19);
        TTF_SetFontStyle(fonts->m_pFontLarge, TTF_STYLE_BOLD);
        m_pNameText = TTF_RenderUTF8_Blended(fonts->m_pFontLarge, text, kWhite);
    }

    if (m_pNameText)
        BlitAt(m_pNameText, TSingleton<CFramework>::Get()->m_pScreen, 520, 270);
}

void CGame::RenderHighScore(bool atHelp)
{
    if (m_bHighScoreChanged)
    {
        if (m_pHighScore)
            SDL_FreeSurface(m_pHighScore);
        // A fresh copy of the picture each time, so no old rows remain.
        m_pHighScore = SDL_LoadBMP_RW(SDL_RWFromFile("ImgData/highscore.bmp", "rb"), 1);
        if (!m_pHighScore)
        {
            char message[1024];
            SDL_snprintf(message, sizeof(message), "Fehler beim Laden der Bitmap: %s", "ImgData/highscore.bmp");
            CMyError::PrintError(message, SDL_GetError(), false);
            TSingleton<CFramework>::Get()->Quit();
            exit(1);
        }

        std::vector<std::pair<std::string, std::string>> rows = TSingleton<CDBConnection>::Get()->ReadHighScore();
        TTF_Font* font = TSingleton<CMyFont>::Get()->m_pFontSmall;
        TTF_SetFontStyle(font, TTF_STYLE_BOLD);
        int row = 0;
        for (const auto& entry : rows)
        {
            int y = 7 + 20 * row;
            if (SDL_Surface* name = TTF_RenderText_Blended(font, entry.first.c_str(), kWhite))
            {
                BlitAt(name, m_pHighScore, 19, y);
                SDL_FreeSurface(name);
            }
            if (SDL_Surface* score = TTF_RenderText_Blended(font, entry.second.c_str(), kWhite))
            {
                BlitAt(score, m_pHighScore, 146, y);
                SDL_FreeSurface(score);
            }
            ++row;
        }
        m_bHighScoreChanged = false;
    }

    if (!m_pHighScore)
        return;
    SDL_Surface* screen = TSingleton<CFramework>::Get()->m_pScreen;
    if (atHelp)
        BlitAt(m_pHighScore, screen, 403, 417);
    else
        BlitAt(m_pHighScore, screen, 511, 393);
}
