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

namespace
{
// Keyed frames and whole pictures against SDL's own keyed blit straight from
// the file's pixels: same screen, same rectangle written back.
class KeyedDrawing : public SpriteTest
{
protected:
    // Colours from the position; magenta in runs of every length from 0 to
    // 6 pixels, so transparent and opaque runs start and end everywhere.
    std::string MakeKeyedSheet(int w, int h)
    {
        SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_BGR24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                SDL_Rect px = {x, y, 1, 1};
                bool key = (x + 3 * y) % 13 < (y % 7);
                SDL_FillRect(image, &px,
                             key ? SDL_MapRGB(image->format, 255, 0, 255)
                                 : SDL_MapRGB(image->format, x & 0xFF, y & 0xFF, (x ^ y) & 0xFF));
            }
        std::string path = m_Dir.Path() + "/keyed.bmp";
        SDL_SaveBMP(image, path.c_str());
        SDL_FreeSurface(image);
        return path;
    }

    void SetUp() override
    {
        SpriteTest::SetUp();
        m_pExpected = SDL_CreateRGBSurface(0, 800, 600, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    }
    void TearDown() override
    {
        SDL_FreeSurface(m_pExpected);
        SpriteTest::TearDown();
    }

    ::testing::AssertionResult SameScreens()
    {
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                if (PixelAt(m_pScreen, x, y) != PixelAt(m_pExpected, x, y))
                    return ::testing::AssertionFailure() << "first difference at " << x << "," << y;
        return ::testing::AssertionSuccess();
    }

    SDL_Surface* m_pExpected = nullptr;
};
}

TEST_F(KeyedDrawing, FramesAndWholePicturesDrawAsTheSheetWould)
{
    // 200 x 150 in 64 x 64 frames: three per row, a dropped partial column
    // and a last row only 22 pixels high.
    std::string path = MakeKeyedSheet(200, 150);
    SDL_Surface* file = SDL_LoadBMP(path.c_str());
    ASSERT_NE(nullptr, file);
    SDL_SetColorKey(file, SDL_TRUE, SDL_MapRGB(file->format, 255, 0, 255));

    CSprite sheet;
    sheet.Load(path, 9, 64, 64);
    sheet.SetColorKey(255, 0, 255);
    CSprite whole;
    whole.Load(path);
    whole.SetColorKey(255, 0, 255);

    struct
    {
        CSprite* sprite;
        float frame;
        float x, y;
    } cases[] = {
        {&sheet, 0.0f, 100, 100},  {&sheet, 4.0f, -20, -30}, {&sheet, 7.0f, 760, 560},
        {&sheet, 8.9f, 300, 200},  {&sheet, 2.0f, 780, 590}, {&sheet, 9.0f, 10, 10},
        {&sheet, 12.0f, 10, 10},   {&whole, -1.0f, -50, 500}, {&whole, -1.0f, 700, -100},
        {&whole, -1.0f, 300, 200},
    };
    for (const auto& c : cases)
    {
        SDL_FillRect(m_pScreen, nullptr, Grey(77));
        SDL_FillRect(m_pExpected, nullptr, Grey(77));
        SDL_Rect expectedAt = {static_cast<int>(c.x), static_cast<int>(c.y), 0, 0};
        c.sprite->SetPos(c.x, c.y);
        if (c.frame < 0.0f)
        {
            c.sprite->Render();
            SDL_UpperBlit(file, nullptr, m_pExpected, &expectedAt);
        }
        else
        {
            c.sprite->Render(c.frame);
            int n = static_cast<int>(c.frame);
            SDL_Rect source = {(n % 3) * 64, (n / 3) * 64, 64, 64};
            SDL_UpperBlit(file, &source, m_pExpected, &expectedAt);
        }
        EXPECT_TRUE(SameScreens()) << "frame " << c.frame << " at " << c.x << "," << c.y;
        EXPECT_EQ(expectedAt.x, c.sprite->m_Rect.x) << "frame " << c.frame << " at " << c.x << "," << c.y;
        EXPECT_EQ(expectedAt.y, c.sprite->m_Rect.y) << "frame " << c.frame << " at " << c.x << "," << c.y;
        EXPECT_EQ(expectedAt.w, c.sprite->m_Rect.w) << "frame " << c.frame << " at " << c.x << "," << c.y;
        EXPECT_EQ(expectedAt.h, c.sprite->m_Rect.h) << "frame " << c.frame << " at " << c.x << "," << c.y;
    }

    // Drawing leaves the pictures' own pixels readable without a lock.
    for (CSprite* sprite : {&sheet, &whole})
    {
        ASSERT_NE(nullptr, sprite->m_pImage->pixels);
        EXPECT_FALSE(SDL_MUSTLOCK(sprite->m_pImage));
    }
    SDL_FreeSurface(file);
}
