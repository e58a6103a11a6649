#pragma once

#include <SDL.h>
#include <iostream>

#include "platform/framework.h"

// One error report: a box (unless consoleOnly) and always standard error.
class CMyError
{
public:
    static void PrintError(char const* message, char const* detail, bool consoleOnly)
    {
        char text[1024];
        SDL_snprintf(text, sizeof(text), "%s\nFehler: %s", message, detail);
        if (!consoleOnly)
        {
            // Creates the framework object if none exists; before the window
            // is made the box simply has no parent.
            SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Fehlermeldung", text,
                                     TSingleton<CFramework>::Get()->m_pWindow);
        }
        std::cerr << text << std::endl;
    }
};
