// Whole frames of fixed scenes, compared pixel for pixel (through a
// checksum of every pixel, alpha included) with the frames the game drew
// when the checksums were taken. A faster blit path must not change a
// single pixel of what is presented.
#include "tests/game/game_fixture.h"

#include <cctype>
#include <cstdlib>
#include <iterator>
#include <ostream>
#include <string>

#include "game/witchey.h"
#include "store/dbconnection.h"

// The clock the problems are seeded from and the ticks the frame clock
// reads are pinned at link time (see this test's entry in CMakeLists.txt),
// so problems are fixed and every pass sees a frame delta of 0.
extern "C" {
time_t __wrap_time(time_t* out)
{
    if (out)
        *out = 1000000;
    return 1000000;
}

Uint32 __wrap_SDL_GetTicks(void)
{
    return 5000;
}
}

namespace
{
// FNV-1a over the visible pixels row by row, leaving out pitch padding.
Uint64 Checksum(const SDL_Surface* screen)
{
    Uint64 hash = 14695981039346656037ull;
    for (int y = 0; y < screen->h; ++y)
    {
        const Uint8* row = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
        for (int i = 0; i < screen->w * 4; ++i)
        {
            hash ^= row[i];
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

class Frames : public GameFixture
{
public:
    // Three rows from the real table, so the panel shows names and scores.
    void StartPage(const char* name)
    {
        CDBConnection* db = TSingleton<CDBConnection>::Get();
        ASSERT_TRUE(db->WriteScore("Mia", 4200));
        ASSERT_TRUE(db->WriteScore("Ben", 3100));
        ASSERT_TRUE(db->WriteScore("Lotta", 870));
        ASSERT_TRUE(db->WriteScore("Paul", 20));
        m_Game.m_bHighScoreChanged = true;
        m_Game.m_iState = CGame::STATE_START;
        // The pass clears the name flag before drawing: render the name now.
        m_Game.m_sPlayerName = name;
        m_Game.m_bNameChanged = true;
        m_Game.RenderPlayerName();
    }

    // Apples on every frame of the sheet, some cut by the screen's edges,
    // all outside the horses' reach; fixed problems from fixed seeds.
    void Play(bool firing)
    {
        m_Game.StartGame();
        struct
        {
            float x, y;
        } places[] = {{0, -40}, {120, -10}, {250, 20}, {380, 0}, {500, 30}, {640, 10}, {735, 60},
                      {40, 100}, {170, 130}, {300, 110}, {430, 150}, {560, 120}, {690, 140},
                      {90, 220}, {220, 250}, {350, 230}, {480, 260}, {610, 240}, {700, 280},
                      {10, 330}, {140, 350}, {270, 380}, {400, 360}, {530, 340}, {300, 470},
                      {360, 540}, {420, 560}, {250, 590}, {460, 500}, {735, 300}};
        int i = 0;
        for (const auto& p : places)
        {
            srand(100 + i);
            CApple apple;
            apple.Init(m_Game.m_pApple, p.x, p.y, i % 3 == 0 ? 10 : i % 3 == 1 ? 20 : 99, i % 2 == 0);
            apple.m_fAnimPhase = static_cast<float>(i % 20) + 0.5f;
            m_Game.m_Apples.push_back(apple);
            ++i;
        }
        for (int k = 0; k < 10; ++k)
        {
            CBonus marker;
            marker.Init(m_Game.m_pBonus, k % 6, 30.0f + 75.0f * k, k == 9 ? 570.0f : 60.0f + 45.0f * k);
            marker.m_fAge = 0.1f * k;
            m_Game.m_Bonuses.push_back(marker);
        }
        m_Game.m_Horses.front().m_iHits = 1;
        m_Game.m_Horses.back().m_iHits = 2;
        m_Game.m_iScore = 12345;
        m_Game.m_bScoreChanged = true;

        CWitchey* witch = m_Game.m_pWitch;
        // A timer far below every threshold keeps the pose for all passes.
        witch->m_fTimer = -1000.0f;
        witch->m_fState = firing ? 2.0f : 1.0f;
        witch->m_Targets.clear();
        if (firing)
            for (int k : {0, 9, 27})
                witch->m_Targets.push_back(std::next(m_Game.m_Apples.begin(), k)->m_Rect);
    }

    void GameOver()
    {
        m_Game.m_iScore = 4711;
        m_Game.m_bScoreChanged = true;
        m_Game.RenderScore();
        m_Game.m_iState = CGame::STATE_GAMEOVER;
    }

    CGame& Game() { return m_Game; }

protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        DrainEvents();
        // Nothing spawns or speeds up while the frame delta is 0.
        m_Game.m_fSpawnTimer = 0.0f;
    }
};

struct Scene
{
    const char* name;
    void (*set)(Frames&);
    Uint64 checksum;
};

const Scene kScenes[] = {
    {"start page: name and panel", [](Frames& f) { f.StartPage("Anna"); }, 0xa175d534f0209ff7ull},
    {"start page under the help overlay",
     [](Frames& f) {
         f.StartPage("J\xC3\xB6rg M\xC3\xBCller-L\xC3\xBC" "denscheidt");
         f.Game().m_bShowHelp = true;
     },
     0xae283684cac1296eull},
    {"play: apples, markers, witch firing", [](Frames& f) { f.Play(true); }, 0x7b908001e808ee08ull},
    {"play: witch blinking, left horse out",
     [](Frames& f) {
         f.Play(false);
         f.Game().m_Horses.front().m_iHits = 3;
         f.Game().m_Horses.front().m_bIsAlive = false;
         f.Game().m_Horses.back().m_iHits = 0;
     },
     0x61232ea54b5bec11ull},
    {"play under the help overlay",
     [](Frames& f) {
         f.StartPage("");
         f.Play(true);
         f.Game().m_bShowHelp = true;
     },
     0x1d4967a92a7a0391ull},
    {"game over", [](Frames& f) { f.GameOver(); }, 0x46f4fafe29caddf2ull},
    {"game over under the help overlay",
     [](Frames& f) {
         f.StartPage("");
         f.GameOver();
         f.Game().m_bShowHelp = true;
     },
     0x03fb2b568a830140ull},
};

void PrintTo(const Scene& scene, std::ostream* out)
{
    *out << scene.name;
}

class FramesTest : public Frames, public ::testing::WithParamInterface<Scene>
{
};
}

// Several passes of each scene: the first blit of a picture may prepare it
// (encode, convert), and later passes must draw the very same frame.
TEST_P(FramesTest, EveryPassDrawsTheFrameOfTheChecksum)
{
    const Scene& scene = GetParam();
    scene.set(*this);
    for (int pass = 1; pass <= 3; ++pass)
    {
        m_Game.RunPass();
        Uint64 drawn = Checksum(m_pScreen);
        EXPECT_EQ(scene.checksum, drawn) << scene.name << ", pass " << pass << ": 0x" << std::hex << drawn << "ull";
        // To look at a frame that differs: RF_FRAMES_DIR=/some/dir.
        if (drawn != scene.checksum && pass == 1 && getenv("RF_FRAMES_DIR"))
        {
            std::string file = scene.name;
            for (char& c : file)
                if (!isalnum(static_cast<unsigned char>(c)))
                    c = '_';
            SDL_SaveBMP(m_pScreen, (std::string(getenv("RF_FRAMES_DIR")) + "/" + file + ".bmp").c_str());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, FramesTest, ::testing::ValuesIn(kScenes),
                         [](const ::testing::TestParamInfo<Scene>& info) {
                             return std::to_string(info.index);
                         });
