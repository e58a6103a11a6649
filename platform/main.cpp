#include <cstdlib>

#include "game/game.h"
#include "platform/framework.h"

int main(int, char**)
{
    if (!TSingleton<CFramework>::Get()->Init("Rechenfrucht", 800, 600, 32, true))
    {
        // The failing step has reported itself already.
        TSingleton<CFramework>::Get()->Quit();
        exit(1);
    }

    // Constructed only after a successful start.
    CGame game;
    game.Init();
    game.Run();
    game.Quit();

    TSingleton<CFramework>::Get()->Quit();
    TSingleton<CFramework>::Destroy();
    return 0;
}
