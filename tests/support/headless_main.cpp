#include <gtest/gtest.h>

#include <cstdlib>

// Unit tests run headless wherever they are started: SDL's dummy drivers,
// and no X display, so an error box returns at once instead of waiting.
int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("DISPLAY");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
