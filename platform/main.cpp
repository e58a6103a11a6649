#include <cstdlib>

#include "platform/framework.h"

int main(int, char**)
{
    if (!TSingleton<CFramework>::Get()->Init("Rechenfrucht", 800, 600, 32, true))
    {
        // The failing step has reported itself already.
        TSingleton<CFramework>::Get()->Quit();
        exit(1);
    }

    bool running = true;
    while (running)
    {
        SDL_Event event;
        while (SDL_PollEvent(&event))
        {
            if (event.type == SDL_QUIT ||
                (event.type == SDL_KEYDOWN && event.key.keysym.scancode == SDL_SCANCODE_ESCAPE))
                running = false;
        }
        TSingleton<CFramework>::Get()->Update();
        TSingleton<CFramework>::Get()->Clear();
        TSingleton<CFramework>::Get()->Flip();
    }

    TSingleton<CFramework>::Get()->Quit();
    TSingleton<CFramework>::Destroy();
    return 0;
}
