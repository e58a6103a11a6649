#include <gtest/gtest.h>

#include "platform/hotzone.h"

struct ZoneCase
{
    int desktopW;
    int desktopH;
    SDL_Rect expected;
};

void PrintTo(const ZoneCase& c, std::ostream* os)
{
    *os << c.desktopW << "x" << c.desktopH;
}

class StartButtonZone : public ::testing::TestWithParam<ZoneCase>
{
};

TEST_P(StartButtonZone, MatchesTheKnownDesktops)
{
    const ZoneCase& c = GetParam();
    SDL_Rect zone = ComputeStartButtonZone(800, 600, c.desktopW, c.desktopH);
    EXPECT_EQ(c.expected.x, zone.x);
    EXPECT_EQ(c.expected.y, zone.y);
    EXPECT_EQ(c.expected.w, zone.w);
    EXPECT_EQ(c.expected.h, zone.h);
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, StartButtonZone,
    ::testing::Values(
        ZoneCase{800, 600, {560, 522, 160, 48}},
        // 1247, not 1248: the scaled width is 1439.9999 in float.
        ZoneCase{1920, 1080, {1247, 939, 288, 87}},
        ZoneCase{1366, 768, {887, 668, 205, 61}},
        // Narrower than the scaled picture: the left bar is -42 wide.
        ZoneCase{1280, 1024, {913, 890, 273, 82}},
        ZoneCase{1024, 768, {716, 668, 205, 61}}),
    [](const ::testing::TestParamInfo<ZoneCase>& info) {
        return std::to_string(info.param.desktopW) + "x" + std::to_string(info.param.desktopH);
    });
