#include <gtest/gtest.h>

#include <string>

#include "platform/framework.h"
#include "platform/sprite.h"
#include "tests/support/tempdir.h"

namespace
{
Uint32 PixelAt(SDL_Surface* surface, int x, int y)
{
    return static_cast<Uint32*>(surface->pixels)[y * surface->pitch / 4 + x];
}

// A screen surface like the framework's, without a window.
class SpriteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO));
        m_pScreen = SDL_CreateRGBSurface(0, 800, 600, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
        TSingleton<CFramework>::Get()->m_pScreen = m_pScreen;
        SDL_FillRect(m_pScreen, nullptr, 0xFF000000);
    }
    void TearDown() override
    {
        TSingleton<CFramework>::Get()->m_pScreen = nullptr;
        SDL_FreeSurface(m_pScreen);
        SDL_Quit();
    }

    // Each frame of the sheet is filled with its own grey value (frame + 1) * 10,
    // and the top left pixel of every frame is magenta.
    std::string MakeSheet(int w, int h, int frameW, int frameH)
    {
        SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_BGR24);
        int perRow = w / frameW;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                int frame = (y / frameH) * perRow + x / frameW;
                Uint8 v = static_cast<Uint8>((frame + 1) * 10);
                SDL_Rect px = {x, y, 1, 1};
                bool key = (x % frameW == 0) && (y % frameH == 0);
                SDL_FillRect(image, &px, key ? SDL_MapRGB(image->format, 255, 0, 255) : SDL_MapRGB(image->format, v, v, v));
            }
        std::string path = m_Dir.Path() + "/sheet.bmp";
        SDL_SaveBMP(image, path.c_str());
        SDL_FreeSurface(image);
        return path;
    }

    Uint32 Grey(int v) { return SDL_MapRGB(m_pScreen->format, v, v, v); }

    TempWorkDir m_Dir;
    SDL_Surface* m_pScreen = nullptr;
};
}

TEST_F(SpriteTest, FramesAreCutRowByRowAndFractionsTruncate)
{
    CSprite sprite;
    sprite.Load(MakeSheet(320, 128, 64, 64), 10, 64, 64);
    EXPECT_EQ(5, sprite.m_iNumFramesX);
    EXPECT_EQ(320, sprite.m_Rect.w);
    EXPECT_EQ(128, sprite.m_Rect.h);

    struct
    {
        float frame;
        int srcX, srcY;
    } cases[] = {{0.0f, 0, 0}, {4.99f, 256, 0}, {7.0f, 128, 64}, {7.9f, 128, 64}, {9.0f, 256, 64}};
    for (const auto& c : cases)
    {
        sprite.SetPos(100, 100);
        sprite.Render(c.frame);
        EXPECT_EQ(c.srcX, sprite.m_FrameRect.x) << "frame " << c.frame;
        EXPECT_EQ(c.srcY, sprite.m_FrameRect.y) << "frame " << c.frame;
        int drawn = static_cast<int>(c.frame) + 1;
        EXPECT_EQ(Grey(drawn * 10), PixelAt(m_pScreen, 110, 110)) << "frame " << c.frame;
    }
}

TEST_F(SpriteTest, PartialColumnIsDroppedAndRowsBelowDrawNothing)
{
    CSprite sprite;
    sprite.Load(MakeSheet(300, 64, 64, 64), 4, 64, 64);
    EXPECT_EQ(4, sprite.m_iNumFramesX) << "300 / 64 keeps 4 whole columns";

    sprite.SetPos(0, 0);
    sprite.Render(4.0f);  // row 1 lies below the 64-pixel-high image
    EXPECT_EQ(Grey(0) | 0xFF000000, PixelAt(m_pScreen, 10, 10));
}

TEST_F(SpriteTest, SetPosTruncatesTowardZero)
{
    CSprite sprite;
    sprite.Load(MakeSheet(64, 64, 64, 64));
    sprite.SetPos(-0.9f, 599.9f);
    EXPECT_EQ(0, sprite.m_Rect.x);
    EXPECT_EQ(599, sprite.m_Rect.y);
    sprite.SetPos(-1.5f, 12.99f);
    EXPECT_EQ(-1, sprite.m_Rect.x);
    EXPECT_EQ(12, sprite.m_Rect.y);
}

TEST_F(SpriteTest, ClippedBlitWritesTheClippedRectangleBack)
{
    CSprite sprite;
    sprite.Load(MakeSheet(64, 64, 64, 64), 1, 64, 64);
    sprite.SetPos(-10.0f, -20.0f);
    sprite.Render(0.0f);
    EXPECT_EQ(0, sprite.m_Rect.x);
    EXPECT_EQ(0, sprite.m_Rect.y);
    EXPECT_EQ(54, sprite.m_Rect.w);
    EXPECT_EQ(44, sprite.m_Rect.h);
}

TEST_F(SpriteTest, ColourKeyLeavesTheScreenAndAlphaBlends)
{
    CSprite sprite;
    sprite.Load(MakeSheet(64, 64, 64, 64));
    SDL_FillRect(m_pScreen, nullptr, Grey(200));

    sprite.SetColorKey(255 + 256, 0, 255);  // components use their low 8 bits
    sprite.SetPos(0, 0);
    sprite.Render();
    EXPECT_EQ(Grey(200), PixelAt(m_pScreen, 0, 0)) << "magenta is transparent";
    EXPECT_EQ(Grey(10), PixelAt(m_pScreen, 1, 1));

    SDL_FillRect(m_pScreen, nullptr, Grey(200));
    sprite.SetAlpha(128);
    sprite.SetPos(0, 0);
    sprite.Render();
    Uint8 r, g, b;
    SDL_GetRGB(PixelAt(m_pScreen, 1, 1), m_pScreen->format, &r, &g, &b);
    EXPECT_NEAR(105, r, 2) << "half of 10 over 200";
}

TEST_F(SpriteTest, MissingBitmapIsFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            CSprite sprite;
            sprite.Load("ImgData/fehlt.bmp");
        },
        ::testing::ExitedWithCode(1), "Fehler beim Laden der Bitmap: ImgData/fehlt.bmp\nFehler: ");
}
