// Loads every baked picture the way the game does and checks what the game
// relies on: sizes, frame grids, colour keys, hot spots and dark text areas.
#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

bool IsKey(Rgb c) { return c.r == 255 && c.g == 0 && c.b == 255; }

// Pinkish: what an anti-aliased edge blended against magenta looks like.
bool IsPinkish(Rgb c) { return c.r > 200 && c.b > 200 && c.g < 60; }

double Luma(Rgb c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; }

// A loaded picture, converted to one known layout for reading pixels.
class CPicture {
public:
    explicit CPicture(const std::string& path)
    {
        SDL_Surface* raw = SDL_LoadBMP_RW(SDL_RWFromFile(path.c_str(), "rb"), 1);
        if (raw == nullptr) {
            m_sError = SDL_GetError();
            return;
        }
        m_pSurface = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(raw);
        if (m_pSurface == nullptr)
            m_sError = SDL_GetError();
    }
    ~CPicture() { SDL_FreeSurface(m_pSurface); }
    CPicture(const CPicture&) = delete;
    CPicture& operator=(const CPicture&) = delete;

    bool Loaded() const { return m_pSurface != nullptr; }
    const std::string& Error() const { return m_sError; }
    int Width() const { return m_pSurface->w; }
    int Height() const { return m_pSurface->h; }

    Rgb At(int x, int y) const
    {
        const auto* row = static_cast<const Uint8*>(m_pSurface->pixels) + y * m_pSurface->pitch;
        Uint32 p = reinterpret_cast<const Uint32*>(row)[x];
        return Rgb{static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff),
                   static_cast<int>(p & 0xff)};
    }

private:
    SDL_Surface* m_pSurface = nullptr;
    std::string m_sError;
};

struct SRect {
    int x, y, w, h;
};

int CountKey(const CPicture& pic, SRect r)
{
    int n = 0;
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x)
            n += IsKey(pic.At(x, y)) ? 1 : 0;
    return n;
}

double MeanLuma(const CPicture& pic, SRect r)
{
    double sum = 0;
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x)
            sum += Luma(pic.At(x, y));
    return sum / (r.w * r.h);
}

double MaxLuma(const CPicture& pic, SRect r)
{
    double best = 0;
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x)
            best = std::max(best, Luma(pic.At(x, y)));
    return best;
}

// What the game needs of one file. Frame size 0 means a single picture.
struct SAsset {
    const char* name;
    int width, height;       // exact size as baked
    int frameW, frameH;      // frame size the loader cuts with
    int frames;              // frames the game draws
    bool keyed;              // loaded with the magenta colour key
};

std::ostream& operator<<(std::ostream& os, const SAsset& a) { return os << a.name; }

const SAsset kAssets[] = {
    {"cur_hand", 32, 32, 0, 0, 1, true},
    {"cur_std", 32, 32, 0, 0, 1, true},
    {"baum", 800, 600, 0, 0, 1, false},
    {"gameover2", 800, 600, 0, 0, 1, false},
    {"apple5", 320, 256, 64, 64, 20, true},
    {"bonus3", 384, 64, 64, 64, 6, true},
    {"pferdleft", 1080, 211, 270, 211, 4, true},
    {"pferdright", 1080, 211, 270, 211, 4, true},
    {"lives", 512, 40, 128, 40, 4, true},
    {"showscore", 99, 33, 99, 33, 1, true},
    {"startpage", 800, 600, 800, 600, 1, false},
    {"helpscreen", 600, 525, 600, 525, 1, true},
    {"helpscreen_back", 600, 525, 600, 525, 1, true},
    {"witchey", 612, 320, 204, 320, 3, true},
    {"flashbgr", 32, 32, 32, 32, 1, true},
    {"highscore", 240, 70, 0, 0, 1, false},
};

std::string PathOf(const std::string& name) { return "ImgData/" + name + ".bmp"; }

SRect FrameRect(const SAsset& a, int n)
{
    if (a.frameW == 0)
        return SRect{0, 0, a.width, a.height};
    int perRow = a.width / a.frameW;
    return SRect{(n % perRow) * a.frameW, (n / perRow) * a.frameH, a.frameW, a.frameH};
}

class AssetTest : public ::testing::TestWithParam<SAsset> {
protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(0), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
};

TEST_P(AssetTest, LoadsWithItsSizeAndFrameGrid)
{
    const SAsset& a = GetParam();
    CPicture pic(PathOf(a.name));
    ASSERT_TRUE(pic.Loaded()) << PathOf(a.name) << ": " << pic.Error();
    EXPECT_EQ(pic.Width(), a.width);
    EXPECT_EQ(pic.Height(), a.height);
    if (a.frameW > 0) {
        EXPECT_EQ(pic.Width() % a.frameW, 0) << "partial column would be dropped";
        EXPECT_EQ(pic.Height() % a.frameH, 0);
        int perRow = pic.Width() / a.frameW;
        int rows = pic.Height() / a.frameH;
        EXPECT_GE(perRow * rows, a.frames) << "the last frames would lie outside the sheet";
    }
}

TEST_P(AssetTest, KeyColourOnlyWhereTransparencyIsMeant)
{
    const SAsset& a = GetParam();
    CPicture pic(PathOf(a.name));
    ASSERT_TRUE(pic.Loaded()) << pic.Error();
    ASSERT_EQ(pic.Width(), a.width);
    ASSERT_EQ(pic.Height(), a.height);
    if (!a.keyed) {
        EXPECT_EQ(CountKey(pic, SRect{0, 0, a.width, a.height}), 0)
            << "magenta in a picture without colour key shows as magenta";
        return;
    }
    for (int n = 0; n < a.frames; ++n) {
        SRect f = FrameRect(a, n);
        int keys = CountKey(pic, f);
        EXPECT_GT(keys, 0) << "frame " << n << " has no transparent pixel";
        EXPECT_LT(keys, f.w * f.h) << "frame " << n << " is empty";
    }
}

TEST_P(AssetTest, NoPinkFringeAroundTransparentPixels)
{
    const SAsset& a = GetParam();
    CPicture pic(PathOf(a.name));
    ASSERT_TRUE(pic.Loaded()) << pic.Error();
    if (!a.keyed)
        return;
    int fringe = 0;
    int firstX = -1, firstY = -1;
    for (int y = 0; y < pic.Height(); ++y) {
        for (int x = 0; x < pic.Width(); ++x) {
            Rgb c = pic.At(x, y);
            if (IsKey(c) || !IsPinkish(c))
                continue;
            bool nextToKey = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < pic.Width() && ny < pic.Height() &&
                        IsKey(pic.At(nx, ny)))
                        nextToKey = true;
                }
            if (nextToKey && fringe++ == 0) {
                firstX = x;
                firstY = y;
            }
        }
    }
    EXPECT_EQ(fringe, 0) << "first pinkish edge pixel at (" << firstX << ", " << firstY << ")";
}

// A frame that touches its cell border has most likely spilled into the
// neighbouring frame, which then shows a stray sliver.
TEST_P(AssetTest, FramesStayInsideTheirCells)
{
    const SAsset& a = GetParam();
    if (!a.keyed || a.frames < 2)
        return;
    CPicture pic(PathOf(a.name));
    ASSERT_TRUE(pic.Loaded()) << pic.Error();
    for (int n = 0; n < a.frames; ++n) {
        SRect f = FrameRect(a, n);
        int border = CountKey(pic, SRect{f.x, f.y, f.w, 1}) + CountKey(pic, SRect{f.x, f.y + f.h - 1, f.w, 1}) +
                     CountKey(pic, SRect{f.x, f.y, 1, f.h}) + CountKey(pic, SRect{f.x + f.w - 1, f.y, 1, f.h});
        EXPECT_EQ(border, 2 * f.w + 2 * f.h) << "frame " << n << " touches its cell border";
    }
}

INSTANTIATE_TEST_SUITE_P(Baked, AssetTest, ::testing::ValuesIn(kAssets),
                         [](const ::testing::TestParamInfo<SAsset>& info) {
                             return std::string(info.param.name);
                         });

// Pixels that must be opaque: cursor hot spots, the wand tip the bolts start
// from, the flash centre.
struct SSpot {
    const char* name;
    int x, y;
    const char* why;
};

std::ostream& operator<<(std::ostream& os, const SSpot& s) { return os << s.name << "@" << s.x << "," << s.y; }

class OpaqueSpotTest : public ::testing::TestWithParam<SSpot> {
protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(0), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
};

TEST_P(OpaqueSpotTest, IsOpaque)
{
    const SSpot& s = GetParam();
    CPicture pic(PathOf(s.name));
    ASSERT_TRUE(pic.Loaded()) << pic.Error();
    ASSERT_LT(s.x, pic.Width());
    ASSERT_LT(s.y, pic.Height());
    EXPECT_FALSE(IsKey(pic.At(s.x, s.y))) << s.why;
}

const SSpot kSpots[] = {
    {"cur_hand", 24, 3, "hand cursor hot spot"},
    {"cur_std", 9, 6, "arrow cursor hot spot"},
    {"witchey", 408 + 64, 46, "wand tip in the casting frame, where the bolts start"},
    {"witchey", 408 + 70, 46, "wand tip in the casting frame, where the bolts start"},
    {"flashbgr", 16, 16, "flash centre"},
};

INSTANTIATE_TEST_SUITE_P(Baked, OpaqueSpotTest, ::testing::ValuesIn(kSpots));

// Areas where the game writes white text: they must be opaque and dark.
struct STextArea {
    const char* name;
    SRect area;
    const char* what;
};

std::ostream& operator<<(std::ostream& os, const STextArea& t) { return os << t.name << ": " << t.what; }

class TextAreaTest : public ::testing::TestWithParam<STextArea> {
protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(0), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
};

TEST_P(TextAreaTest, IsOpaqueAndDarkEnoughForWhiteText)
{
    const STextArea& t = GetParam();
    CPicture pic(PathOf(t.name));
    ASSERT_TRUE(pic.Loaded()) << pic.Error();
    ASSERT_LE(t.area.x + t.area.w, pic.Width());
    ASSERT_LE(t.area.y + t.area.h, pic.Height());
    EXPECT_EQ(CountKey(pic, t.area), 0) << "text would stand on whatever lies behind";
    EXPECT_LT(MeanLuma(pic, t.area), 90.0);
    EXPECT_LT(MaxLuma(pic, t.area), 170.0) << "a bright spot would swallow the white text";
}

std::vector<STextArea> TextAreas()
{
    std::vector<STextArea> v = {
        // the name is typed at (520, 270) in 18 points; up to 19 characters
        {"startpage", {516, 266, 250, 26}, "player name field"},
        // ten digits at (700, 17) of the screen, plate at (691, 10)
        {"showscore", {9, 7, 74, 15}, "score digits"},
        {"gameover2", {346, 460, 74, 15}, "final score"},
        {"highscore", {19, 7, 200, 15}, "first row"},
        {"highscore", {19, 27, 200, 15}, "second row"},
        {"highscore", {19, 47, 200, 15}, "third row"},
    };
    // "198 - 99" is about 46x14 and centred in each apple frame
    for (int n = 0; n < 20; ++n)
        v.push_back({"apple5", {(n % 5) * 64 + 8, (n / 5) * 64 + 25, 48, 14}, "problem text"});
    return v;
}

INSTANTIATE_TEST_SUITE_P(Baked, TextAreaTest, ::testing::ValuesIn(TextAreas()));

// The high-score panel is loaded without key and drawn at two places.
TEST(HighScorePanel, FitsOnStartPageAndHelpOverlay)
{
    ASSERT_EQ(SDL_Init(0), 0) << SDL_GetError();
    CPicture pic(PathOf("highscore"));
    ASSERT_TRUE(pic.Loaded()) << pic.Error();
    // Rows start at y 7, 27, 47; scores at x 146 are about 80 pixels wide.
    EXPECT_GE(pic.Width(), 146 + 80);
    EXPECT_GE(pic.Height(), 47 + 15);
    EXPECT_LE(511 + pic.Width(), 800) << "start page";
    EXPECT_LE(393 + pic.Height(), 600) << "start page";
    // The help overlay covers x 100..699, y 30..554.
    EXPECT_LE(403 + pic.Width(), 700) << "help overlay";
    EXPECT_LE(417 + pic.Height(), 555) << "help overlay";
    SDL_Quit();
}

// Nothing of the help page may hide under the panel drawn on top of it:
// that spot holds one plain colour, card or key, and no text or ornament.
TEST(HelpScreen, LeavesRoomForThePanel)
{
    ASSERT_EQ(SDL_Init(0), 0) << SDL_GetError();
    CPicture help(PathOf("helpscreen"));
    CPicture panel(PathOf("highscore"));
    ASSERT_TRUE(help.Loaded()) << help.Error();
    ASSERT_TRUE(panel.Loaded()) << panel.Error();
    SRect under{303, 387, panel.Width(), panel.Height()};
    Rgb plain = help.At(under.x, under.y);
    int drawn = 0;
    for (int y = under.y; y < under.y + under.h; ++y)
        for (int x = under.x; x < under.x + under.w; ++x) {
            Rgb c = help.At(x, y);
            drawn += (c.r != plain.r || c.g != plain.g || c.b != plain.b) ? 1 : 0;
        }
    EXPECT_EQ(drawn, 0) << "pixels under the panel that differ from its corner";
    SDL_Quit();
}

// The help text stands on an opaque dark card, so the game behind does not
// show between the letters; a keyed margin lets the backdrop frame it.
TEST(HelpScreen, TextStandsOnAnOpaqueCardInsideAKeyedMargin)
{
    ASSERT_EQ(SDL_Init(0), 0) << SDL_GetError();
    CPicture help(PathOf("helpscreen"));
    ASSERT_TRUE(help.Loaded()) << help.Error();
    ASSERT_EQ(help.Width(), 600);
    ASSERT_EQ(help.Height(), 525);
    SRect text{20, 20, 560, 485};
    EXPECT_EQ(CountKey(help, text), 0) << "the game would show through the text area";
    EXPECT_LT(MeanLuma(help, text), 90.0) << "card too bright for the white text";
    const SRect margin[] = {{0, 0, 600, 6}, {0, 519, 600, 6}, {0, 0, 6, 525}, {594, 0, 6, 525}};
    for (const SRect& m : margin)
        EXPECT_EQ(CountKey(help, m), m.w * m.h) << "margin at (" << m.x << ", " << m.y << ") is not keyed";
    SDL_Quit();
}

// The backdrop's transparent corners and the page's own size must match, so
// the two pictures line up when both are drawn at (100, 30).
TEST(HelpScreen, BackdropIsRoundedAndSolidInside)
{
    ASSERT_EQ(SDL_Init(0), 0) << SDL_GetError();
    CPicture back(PathOf("helpscreen_back"));
    ASSERT_TRUE(back.Loaded()) << back.Error();
    EXPECT_TRUE(IsKey(back.At(0, 0)));
    EXPECT_TRUE(IsKey(back.At(back.Width() - 1, back.Height() - 1)));
    EXPECT_EQ(CountKey(back, SRect{30, 30, back.Width() - 60, back.Height() - 60}), 0);
    EXPECT_LT(MeanLuma(back, SRect{30, 30, back.Width() - 60, back.Height() - 60}), 60.0);
    SDL_Quit();
}

// The start button must be visible inside the clickable band x 560..720,
// y 522..570, with its white label, and must not spill out beside it.
TEST(StartPage, ButtonLiesInsideTheClickBand)
{
    ASSERT_EQ(SDL_Init(0), 0) << SDL_GetError();
    CPicture pic(PathOf("startpage"));
    ASSERT_TRUE(pic.Loaded()) << pic.Error();
    auto button = [](Rgb c) { return c.r < 80 && c.g > 100 && c.b < 90; };
    auto share = [&](SRect r) {
        int n = 0;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                n += button(pic.At(x, y)) ? 1 : 0;
        return double(n) / (r.w * r.h);
    };
    int label = 0;
    for (int y = 522; y < 570; ++y)
        for (int x = 560; x < 720; ++x)
            label += Luma(pic.At(x, y)) > 230 ? 1 : 0;
    EXPECT_GT(share(SRect{560, 522, 160, 48}), 0.3) << "no button to see in the click band";
    EXPECT_GT(label, 100) << "no label on the button";
    EXPECT_LT(share(SRect{530, 530, 25, 30}), 0.2) << "button spills out to the left";
    EXPECT_LT(share(SRect{725, 530, 25, 30}), 0.2) << "button spills out to the right";
    SDL_Quit();
}

} // namespace
