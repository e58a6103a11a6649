#include "tests/game/game_fixture.h"

#include <climits>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/sprite.h"
#include "store/dbconnection.h"

namespace
{
const SDL_Color kWhite = {255, 255, 255, 255};
using Rows = std::vector<std::pair<std::string, std::string>>;

Uint32 ReadPixel(const SDL_Surface* surface, int x, int y)
{
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * surface->format->BytesPerPixel;
    switch (surface->format->BytesPerPixel)
    {
    case 1:
        return *p;
    case 2:
        return *reinterpret_cast<const Uint16*>(p);
    case 3:
        return SDL_BYTEORDER == SDL_LIL_ENDIAN ? p[0] | p[1] << 8 | p[2] << 16 : p[2] | p[1] << 8 | p[0] << 16;
    default:
        return *reinterpret_cast<const Uint32*>(p);
    }
}

struct Rgb
{
    Uint8 r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

Rgb RgbAt(const SDL_Surface* surface, int x, int y)
{
    Rgb c;
    SDL_GetRGB(ReadPixel(surface, x, y), surface->format, &c.r, &c.g, &c.b);
    return c;
}

Uint8 AlphaAt(const SDL_Surface* surface, int x, int y)
{
    Uint8 r, g, b, a;
    SDL_GetRGBA(ReadPixel(surface, x, y), surface->format, &r, &g, &b, &a);
    return a;
}

// Same size, layout and bytes.
::testing::AssertionResult SameSurface(const SDL_Surface* a, const SDL_Surface* b)
{
    if (!a || !b)
        return ::testing::AssertionFailure() << (a ? "second" : "first") << " surface is null";
    if (a->w != b->w || a->h != b->h || a->format->format != b->format->format)
        return ::testing::AssertionFailure() << a->w << "x" << a->h << " versus " << b->w << "x" << b->h;
    int rowBytes = a->w * a->format->BytesPerPixel;
    for (int y = 0; y < a->h; ++y)
        if (std::memcmp(static_cast<const Uint8*>(a->pixels) + y * a->pitch,
                        static_cast<const Uint8*>(b->pixels) + y * b->pitch, rowBytes) != 0)
            return ::testing::AssertionFailure() << "row " << y << " differs";
    return ::testing::AssertionSuccess();
}

// The screen shows the surface's colours in a rectangle at (x, y) taken
// from the surface's columns from sx on.
::testing::AssertionResult ScreenShows(const SDL_Surface* screen, const SDL_Surface* surface, int x, int y,
                                       int sx = 0)
{
    int wrong = 0;
    for (int v = 0; v < surface->h; ++v)
        for (int u = sx; u < surface->w; ++u)
            if (!(RgbAt(screen, x + u - sx, y + v) == RgbAt(surface, u, v)))
                ++wrong;
    if (wrong == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong << " pixels differ at " << x << "," << y;
}

// Every fully opaque pixel of a rendered white text is white on the screen.
::testing::AssertionResult TextOnScreen(const SDL_Surface* screen, const SDL_Surface* text, int x, int y)
{
    int opaque = 0;
    int wrong = 0;
    for (int v = 0; v < text->h; ++v)
        for (int u = 0; u < text->w; ++u)
            if (AlphaAt(text, u, v) == 255)
            {
                ++opaque;
                if (!(RgbAt(screen, x + u, y + v) == Rgb{255, 255, 255}))
                    ++wrong;
            }
    if (opaque > 0 && wrong == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong << " of " << opaque << " text pixels not white at " << x << ","
                                         << y;
}

bool AreaIsBlack(const SDL_Surface* screen, int x, int y, int w, int h)
{
    for (int v = y; v < y + h; ++v)
        for (int u = x; u < x + w; ++u)
            if (!(RgbAt(screen, u, v) == Rgb{0, 0, 0}))
                return false;
    return true;
}

struct SurfaceDeleter
{
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

Surface RenderLatin1(TTF_Font* font, const std::string& text)
{
    TTF_SetFontStyle(font, TTF_STYLE_BOLD);
    return Surface(TTF_RenderText_Blended(font, text.c_str(), kWhite));
}

Surface RenderUtf8(TTF_Font* font, const std::string& text)
{
    TTF_SetFontStyle(font, TTF_STYLE_BOLD);
    return Surface(TTF_RenderUTF8_Blended(font, text.c_str(), kWhite));
}

TTF_Font* Small()
{
    return TSingleton<CMyFont>::Get()->m_pFontSmall;
}

TTF_Font* Large()
{
    return TSingleton<CMyFont>::Get()->m_pFontLarge;
}

// The panel as it should look: the bare picture with the rows' texts.
Surface ExpectedPanel(const Rows& rows)
{
    Surface panel(SDL_LoadBMP("ImgData/highscore.bmp"));
    int i = 0;
    for (const auto& row : rows)
    {
        int y = 7 + 20 * i++;
        for (const auto& [text, x] : {std::make_pair(row.first, 19), std::make_pair(row.second, 146)})
        {
            Surface rendered = RenderLatin1(Small(), text);
            if (!rendered)
                continue;
            SDL_Rect at = {x, y, 0, 0};
            SDL_BlitSurface(rendered.get(), nullptr, panel.get(), &at);
        }
    }
    return panel;
}

void Write(const std::string& name, int score)
{
    ASSERT_TRUE(TSingleton<CDBConnection>::Get()->WriteScore(name, score));
}
}

TEST_F(GameFixture, ScoreShowsTenDigitsWithLeadingZeros)
{
    struct
    {
        int score;
        const char* text;
    } cases[] = {
        {0, "0000000000"}, {1200, "0000001200"}, {12345, "0000012345"}, {INT_MAX, "2147483647"},
    };
    for (const auto& c : cases)
    {
        SDL_FillRect(m_pScreen, nullptr, 0);
        m_Game.m_iScore = c.score;
        m_Game.m_bScoreChanged = true;
        m_Game.RenderScore();
        EXPECT_FALSE(m_Game.m_bScoreChanged);
        Surface expected = RenderLatin1(Small(), c.text);
        EXPECT_TRUE(SameSurface(expected.get(), m_Game.m_pScoreText)) << c.text;
        EXPECT_TRUE(TextOnScreen(m_pScreen, expected.get(), 700, 17)) << c.text;
    }

    // The plate lies under the text at (691, 10): its top row is above the text.
    SDL_Surface* plate = m_Game.m_pShowScore->m_pImage;
    Uint32 key = 0;
    SDL_GetColorKey(plate, &key);
    int checked = 0;
    for (int u = 0; u < plate->w; ++u)
        for (int v = 0; v < 7; ++v)
            if (ReadPixel(plate, u, v) != key)
            {
                ++checked;
                EXPECT_TRUE(RgbAt(plate, u, v) == RgbAt(m_pScreen, 691 + u, 10 + v)) << u << "," << v;
            }
    EXPECT_GT(checked, 0);
}

TEST_F(GameFixture, ScoreTextIsRenderedOnlyWhenItsFlagIsSet)
{
    m_Game.m_iScore = 100;
    m_Game.RenderScore();
    Surface hundred = RenderLatin1(Small(), "0000000100");
    ASSERT_TRUE(SameSurface(hundred.get(), m_Game.m_pScoreText));

    SDL_Surface* cached = m_Game.m_pScoreText;
    m_Game.m_iScore = 500;
    SDL_FillRect(m_pScreen, nullptr, 0);
    m_Game.RenderScore();
    EXPECT_EQ(cached, m_Game.m_pScoreText);
    EXPECT_TRUE(SameSurface(hundred.get(), m_Game.m_pScoreText)) << "a clean flag keeps the old text";
    EXPECT_TRUE(TextOnScreen(m_pScreen, hundred.get(), 700, 17)) << "and it is still drawn";

    // A solving answer shows the new score in that very pass.
    DrainEvents();
    m_Game.m_iState = CGame::STATE_PLAYING;
    m_Game.m_fSpawnTimer = 0.0f;
    m_Game.m_sPlayerName = "Anna";
    AddApple(5, 300, 100);
    m_Game.m_sAnswer = "5";
    PushKey(SDL_SCANCODE_SPACE);
    m_Game.RunPass();
    ASSERT_TRUE(m_Game.m_Apples.empty()) << "the apple was solved";
    char text[20];
    SDL_snprintf(text, sizeof(text), "%010d", m_Game.m_iScore);
    Surface now = RenderLatin1(Small(), text);
    EXPECT_TRUE(SameSurface(now.get(), m_Game.m_pScoreText)) << text;
    EXPECT_TRUE(TextOnScreen(m_pScreen, now.get(), 700, 17));
}

TEST_F(GameFixture, NameIsRenderedAsUtf8AndCutAtNineteenBytesOfWholeCharacters)
{
    struct
    {
        const char* name;
        std::string shown;
    } cases[] = {
        {"Anna", "Anna"},
        {"J\xC3\xB6rg", "J\xC3\xB6rg"},
        {"abcdefghijklmnopqrstuvwxyz", "abcdefghijklmnopqrs"},
        {"aaaaaaaaaaaaaaaaaa\xC3\xB6", std::string(18, 'a')},                    // the umlaut would end at 20
        {"aaaaaaaaaaaaaaaaa\xE2\x82\xAC" "b", std::string(17, 'a')},             // so would the euro sign
        {"aaaaaaaaaaaaaaaa\xE2\x82\xAC" "b", std::string(16, 'a') + "\xE2\x82\xAC"},  // ends at 19: kept
    };
    for (const auto& c : cases)
    {
        SDL_FillRect(m_pScreen, nullptr, 0);
        m_Game.m_sPlayerName = c.name;
        m_Game.m_bNameChanged = true;
        m_Game.RenderPlayerName();
        Surface expected = RenderUtf8(Large(), c.shown);
        EXPECT_TRUE(SameSurface(expected.get(), m_Game.m_pNameText)) << c.name;
        EXPECT_TRUE(TextOnScreen(m_pScreen, expected.get(), 520, 270)) << c.name;
        EXPECT_EQ(c.name, m_Game.m_sPlayerName) << "the name itself is not cut";
    }

    // Read as Latin-1 the umlaut would be two characters, and wider.
    m_Game.m_sPlayerName = "J\xC3\xB6rg";
    m_Game.m_bNameChanged = true;
    m_Game.RenderPlayerName();
    TTF_SetFontStyle(Large(), TTF_STYLE_BOLD);
    int utf8 = 0, latin1 = 0, h = 0;
    TTF_SizeUTF8(Large(), "J\xC3\xB6rg", &utf8, &h);
    TTF_SizeText(Large(), "J\xC3\xB6rg", &latin1, &h);
    ASSERT_NE(utf8, latin1);
    ASSERT_NE(nullptr, m_Game.m_pNameText);
    EXPECT_EQ(utf8, m_Game.m_pNameText->w);
}

TEST_F(GameFixture, NameIsRenderedOnlyWhenChangedAndEmptyDrawsNothing)
{
    m_Game.m_sPlayerName = "Anna";
    m_Game.m_bNameChanged = true;
    m_Game.RenderPlayerName();
    SDL_Surface* cached = m_Game.m_pNameText;
    EXPECT_TRUE(m_Game.m_bNameChanged) << "the pass clears the flag, not the drawing";

    m_Game.m_sPlayerName = "Berta";
    m_Game.m_bNameChanged = false;
    SDL_FillRect(m_pScreen, nullptr, 0);
    m_Game.RenderPlayerName();
    EXPECT_EQ(cached, m_Game.m_pNameText);
    EXPECT_TRUE(TextOnScreen(m_pScreen, RenderUtf8(Large(), "Anna").get(), 520, 270));

    m_Game.m_sPlayerName.clear();
    m_Game.m_bNameChanged = true;
    SDL_FillRect(m_pScreen, nullptr, 0);
    {
        CaptureStderr quiet;
        m_Game.RenderPlayerName();
        EXPECT_EQ("", quiet.Text());
    }
    EXPECT_EQ(nullptr, m_Game.m_pNameText);
    EXPECT_TRUE(AreaIsBlack(m_pScreen, 0, 0, 800, 600));

    // Without fonts nothing is drawn and nothing rendered.
    CMyFont* fonts = TSingleton<CMyFont>::Get();
    fonts->m_bLoaded = false;
    m_Game.m_sPlayerName = "Anna";
    m_Game.RenderPlayerName();
    fonts->m_bLoaded = true;
    EXPECT_EQ(nullptr, m_Game.m_pNameText);
    EXPECT_TRUE(AreaIsBlack(m_pScreen, 0, 0, 800, 600));
}

TEST_F(GameFixture, TypedFirstCharacterShowsInTheSamePass)
{
    DrainEvents();
    m_Game.RunPass();
    EXPECT_EQ(nullptr, m_Game.m_pNameText);

    PushText("K");
    m_Game.RunPass();
    ASSERT_EQ("K", m_Game.m_sPlayerName);
    Surface expected = RenderUtf8(Large(), "K");
    EXPECT_TRUE(SameSurface(expected.get(), m_Game.m_pNameText));
    EXPECT_TRUE(TextOnScreen(m_pScreen, expected.get(), 520, 270));
}

namespace
{
struct PanelCase
{
    const char* name;
    std::vector<std::pair<std::string, int>> stored;
    bool noDatabase;
    Rows shown;
};

void PrintTo(const PanelCase& c, std::ostream* os)
{
    *os << c.name;
}

class Panel : public GameFixture, public ::testing::WithParamInterface<PanelCase>
{
};
}

TEST_P(Panel, ShowsTheBestThreeRowsOnTheStartPageAndTheHelp)
{
    const PanelCase& c = GetParam();
    for (const auto& [name, score] : c.stored)
        Write(name, score);
    if (c.noDatabase)
        TSingleton<CDBConnection>::Destroy();  // the next one is never opened

    SDL_FillRect(m_pScreen, nullptr, 0);
    m_Game.RenderHighScore(false);
    EXPECT_FALSE(m_Game.m_bHighScoreChanged);
    Surface expected = ExpectedPanel(c.shown);
    ASSERT_TRUE(SameSurface(expected.get(), m_Game.m_pHighScore));
    EXPECT_TRUE(ScreenShows(m_pScreen, expected.get(), 511, 393));

    SDL_FillRect(m_pScreen, nullptr, 0);
    m_Game.RenderHighScore(true);
    EXPECT_TRUE(ScreenShows(m_pScreen, expected.get(), 403, 417));
    EXPECT_TRUE(AreaIsBlack(m_pScreen, 643, 393, 108, 24)) << "nothing at the start page's place";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Panel,
    ::testing::Values(
        PanelCase{"EmptyTable", {}, false, {}},
        PanelCase{"OneRow", {{"Anna", 1200}}, false, {{"Anna", ":   0001200"}}},
        PanelCase{"FourRows",
                  {{"Anna", 50}, {"Berta", 400}, {"Carl", 300}, {"Dora", 200}},
                  false,
                  {{"Berta", ":   0000400"}, {"Carl", ":   0000300"}, {"Dora", ":   0000200"}}},
        PanelCase{"LongName",
                  {{"abcdefghijklmnopqrstuvwxyz", 12345678}},
                  false,
                  {{"abcdefghijklmnopqrs", ":   12345678"}}},
        PanelCase{"NoDatabase", {{"Anna", 100}}, true, {{"Keine Highscore Anzeige!", "Fehler"}}}),
    [](const ::testing::TestParamInfo<PanelCase>& info) { return std::string(info.param.name); });

TEST_F(GameFixture, PanelIsReadOnceWhenDrawnTwiceInAPassAndNotEveryFrame)
{
    // The second call of a pass only blits, so a row written between the
    // two calls is not on it.
    Write("Anna", 1200);
    SDL_FillRect(m_pScreen, nullptr, 0);
    m_Game.RenderHighScore(false);
    Write("Berta", 5000);
    m_Game.RenderHighScore(true);
    Surface one = ExpectedPanel({{"Anna", ":   0001200"}});
    EXPECT_TRUE(SameSurface(one.get(), m_Game.m_pHighScore));
    EXPECT_TRUE(ScreenShows(m_pScreen, one.get(), 403, 417));

    // Whole passes on the start page with the overlay: both places, no rebuild.
    DrainEvents();
    m_Game.m_bShowHelp = true;
    RunPasses(3);
    EXPECT_TRUE(SameSurface(one.get(), m_Game.m_pHighScore));
    EXPECT_TRUE(ScreenShows(m_pScreen, one.get(), 403, 417));
    // The overlay ends at x 699: the panel's right end shows beside it.
    EXPECT_TRUE(ScreenShows(m_pScreen, one.get(), 700, 393, 700 - 511));

    m_Game.m_bHighScoreChanged = true;
    m_Game.RunPass();
    Surface two = ExpectedPanel({{"Berta", ":   0005000"}, {"Anna", ":   0001200"}});
    EXPECT_TRUE(SameSurface(two.get(), m_Game.m_pHighScore));
    EXPECT_TRUE(ScreenShows(m_pScreen, two.get(), 403, 417));
}

TEST_F(GameFixture, StartPageAfterAGameOverShowsTheScoreJustStored)
{
    DrainEvents();
    m_Game.RunPass();
    EXPECT_TRUE(SameSurface(ExpectedPanel({}).get(), m_Game.m_pHighScore));

    m_Game.m_iState = CGame::STATE_PLAYING;
    m_Game.m_sPlayerName = "Emil";
    m_Game.m_iScore = 700;
    for (CHorse& horse : m_Game.m_Horses)
    {
        horse.m_iHits = 3;
        horse.m_bIsAlive = false;
    }
    m_Game.RunPass();
    ASSERT_EQ(CGame::STATE_GAMEOVER, m_Game.m_iState);
    m_Game.m_bShowHelp = true;  // the help on the game-over screen has the panel too
    m_Game.RunPass();
    Surface expected = ExpectedPanel({{"Emil", ":   0000700"}});
    EXPECT_TRUE(ScreenShows(m_pScreen, expected.get(), 403, 417));

    m_Game.m_bShowHelp = false;
    PushKey(SDL_SCANCODE_F2);
    ProcessQueued();
    m_Game.RunPass();
    ASSERT_EQ(CGame::STATE_START, m_Game.m_iState);
    EXPECT_TRUE(SameSurface(expected.get(), m_Game.m_pHighScore));
    EXPECT_TRUE(ScreenShows(m_pScreen, expected.get(), 511, 393));
}
