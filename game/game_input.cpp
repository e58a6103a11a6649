#include "game/game.h"

#include "platform/framework.h"

namespace
{
// Removes the last whole UTF-8 character: continuation bytes (10xxxxxx)
// go together with the lead byte before them.
void EraseLastCharacter(std::string& text)
{
    size_t end = text.size();
    while (end > 0)
    {
        --end;
        unsigned char byte = static_cast<unsigned char>(text[end]);
        if ((byte & 0xC0) != 0x80)
            break;
    }
    text.erase(end);
}
}

void CGame::IgnoreUnreadEvents()
{
    // The loop takes one event a pass, at 60 passes a second when presents
    // wait for the display: every event it only throws away holds back the
    // keys queued behind it (a spun mouse wheel held Escape back by 25 s).
    // Dropped here, SDL never queues them. Window events stay: the renderer
    // learns the window's size from them (under Wayland it starts at 1x1 and
    // would stay black). Text editing stays too, as SDL_StartTextInput turns
    // it on again; it only comes from an input method.
    static const Uint32 unread[] = {
        SDL_KEYUP, SDL_KEYMAPCHANGED, SDL_MOUSEBUTTONDOWN, SDL_MOUSEWHEEL,
        SDL_FINGERDOWN, SDL_FINGERUP, SDL_FINGERMOTION,
        SDL_DOLLARGESTURE, SDL_DOLLARRECORD, SDL_MULTIGESTURE,
        // A drop carries a string the reader would have to free.
        SDL_DROPFILE, SDL_DROPTEXT, SDL_DROPBEGIN, SDL_DROPCOMPLETE,
        SDL_DISPLAYEVENT, SDL_CLIPBOARDUPDATE, SDL_AUDIODEVICEADDED, SDL_AUDIODEVICEREMOVED,
        SDL_RENDER_TARGETS_RESET, SDL_RENDER_DEVICE_RESET, SDL_LOCALECHANGED,
    };
    for (Uint32 type : unread)
        SDL_EventState(type, SDL_IGNORE);
}

void CGame::ProcessEvents()
{
    SDL_Event event;
    if (!SDL_PollEvent(&event))
        return;

    if (m_iState == STATE_START && event.type == SDL_TEXTINPUT)
    {
        if (m_sPlayerName.size() > 13)
            return;
        m_sPlayerName += event.text.text;
        m_bNameChanged = true;
        return;
    }

    switch (event.type)
    {
    case SDL_QUIT:
        m_bRunning = false;
        break;

    case SDL_KEYDOWN:
    {
        int code = event.key.keysym.scancode;
        if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9)
            m_sAnswer += static_cast<char>('1' + (code - SDL_SCANCODE_1));
        else if (code == SDL_SCANCODE_0)
            m_sAnswer += '0';
        else if (code >= SDL_SCANCODE_KP_1 && code <= SDL_SCANCODE_KP_9)
            m_sAnswer += static_cast<char>('1' + (code - SDL_SCANCODE_KP_1));
        else if (code == SDL_SCANCODE_KP_0)
            m_sAnswer += '0';
        else
        {
            switch (code)
            {
            case SDL_SCANCODE_RETURN:
                if (m_iState == STATE_GAMEOVER)
                {
                    ResetGame(1);
                    m_iState = STATE_PLAYING;
                }
                break;
            case SDL_SCANCODE_ESCAPE:
                m_bRunning = false;
                break;
            case SDL_SCANCODE_BACKSPACE:
                // The name can only be typed on the start page; in play a
                // child corrects the answer, and the stored name stays whole.
                if (m_iState == STATE_START && !m_sPlayerName.empty())
                {
                    EraseLastCharacter(m_sPlayerName);
                    m_bNameChanged = true;
                }
                else if (m_iState == STATE_PLAYING && !m_sAnswer.empty())
                    m_sAnswer.pop_back();
                break;
            case SDL_SCANCODE_SPACE:
                CheckSolution();
                break;
            case SDL_SCANCODE_F1:
                m_bShowHelp = !m_bShowHelp;
                break;
            case SDL_SCANCODE_F2:
                if (m_iState == STATE_PLAYING || m_iState == STATE_GAMEOVER)
                {
                    ResetGame(0);
                    m_iState = STATE_START;
                }
                break;
            case SDL_SCANCODE_F5:
                StartGame();
                break;
            case SDL_SCANCODE_F9:
                m_iRange = 10;
                break;
            case SDL_SCANCODE_F10:
                m_iRange = 20;
                break;
            case SDL_SCANCODE_F11:
                m_iRange = 99;
                break;
            case SDL_SCANCODE_F12:
                m_bAddition = !m_bAddition;
                break;
            default:
                break;
            }
        }
        break;
    }

    case SDL_MOUSEMOTION:
        // The start button reads the pointer's current position, so the
        // motion queued behind this one tells nothing new; left queued, a
        // fast mouse would hold every key back by seconds.
        SDL_FlushEvent(SDL_MOUSEMOTION);
        [[fallthrough]];
    case SDL_MOUSEBUTTONUP:
        StartButton(event.type);
        break;

    default:
        break;
    }
}

void CGame::StartButton(Uint32 type)
{
    CFramework* framework = TSingleton<CFramework>::Get();
    int x = 0;
    int y = 0;
    SDL_GetMouseState(&x, &y);

    // Strict on all four edges: the border itself is outside.
    const SDL_Rect& zone = framework->m_StartButtonRect;
    bool over = zone.x < x && x < zone.x + zone.w && zone.y < y && y < zone.y + zone.h;

    if (over && type == SDL_MOUSEMOTION)
    {
        SDL_SetCursor(framework->m_pHandCursor);
        return;
    }
    if (over)
        StartGame();
    SDL_SetCursor(framework->m_pArrowCursor);
}
