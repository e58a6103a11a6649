#include "platform/hotzone.h"

SDL_Rect ComputeStartButtonZone(int width, int height, int desktopW, int desktopH)
{
    // The float/double mix is deliberate: the truncations decide the exact
    // edges (1920 wide gives x 1247, because scaledWidth is 1439.9999f).
    float scale = static_cast<float>(height) / static_cast<float>(desktopH);
    float scaledWidth = static_cast<float>(width) / scale;

    int zoneY = static_cast<int>(0.87 * desktopH);
    int zoneH = static_cast<int>(static_cast<float>(0.95 * desktopH) - static_cast<float>(zoneY));

    int offset = static_cast<int>((static_cast<float>(desktopW) - scaledWidth) * 0.5f);

    int zoneX = static_cast<int>(0.7 * scaledWidth + offset);
    int zoneW = static_cast<int>(static_cast<float>(0.9 * scaledWidth + offset) - static_cast<float>(zoneX));

    SDL_Rect zone = {zoneX, zoneY, zoneW, zoneH};
    return zone;
}
