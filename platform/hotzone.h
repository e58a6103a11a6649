#pragma once

#include <SDL.h>

// The start button's band of the width x height picture (70..90 % across,
// 87..95 % down), in the pixels of a desktopW x desktopH screen onto which
// the picture is scaled to full height and centred. Kept apart from the
// framework so it can be checked without a display.
SDL_Rect ComputeStartButtonZone(int width, int height, int desktopW, int desktopH);
