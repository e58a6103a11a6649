#include "tests/game/game_fixture.h"

#include <sqlite3.h>

#include <utility>
#include <vector>

#include "platform/sprite.h"
#include "store/dbconnection.h"

namespace
{
// The rows of score/scores.db as stored, read past the game's own reader.
std::vector<std::pair<std::string, int>> StoredRows()
{
    std::vector<std::pair<std::string, int>> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2("score/scores.db", &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
    {
        sqlite3_exec(
            db, "select name, score from scores order by id;",
            [](void* user, int, char** values, char**) {
                static_cast<std::vector<std::pair<std::string, int>>*>(user)->emplace_back(
                    values[0] ? values[0] : "", values[1] ? std::atoi(values[1]) : -1);
                return 0;
            },
            &rows, nullptr);
    }
    sqlite3_close(db);
    return rows;
}

// Channels now playing the boing: each call of the sound takes one.
int BoingsPlaying()
{
    Mix_Chunk* boing = TSingleton<CMySound>::Get()->m_pEffect2;
    int count = 0;
    for (int channel = 0; channel < Mix_AllocateChannels(-1); ++channel)
        if (Mix_Playing(channel) && Mix_GetChunk(channel) == boing)
            ++count;
    return count;
}

class Horses : public GameFixture
{
protected:
    CHorse& Left() { return m_Game.m_Horses.front(); }
    CHorse& Right() { return m_Game.m_Horses.back(); }

    // Both horses fresh, play under way, nothing falling yet.
    void StartPlay()
    {
        DrainEvents();
        m_Game.m_iState = CGame::STATE_PLAYING;
        m_Game.m_fSpawnTimer = 0.0f;
        for (CHorse& horse : m_Game.m_Horses)
            horse.Reset();
        for (CApple& apple : m_Game.m_Apples)
            apple.Quit();
        m_Game.m_Apples.clear();
        m_Game.m_Bonuses.clear();
    }

    static void PutOut(CHorse& horse)
    {
        horse.m_iHits = 3;
        horse.m_bIsAlive = false;
    }
};

// Swaps the framework's screen surface for one of another size while it lives.
class OtherScreen
{
public:
    OtherScreen(int w, int h)
        : m_pOld(TSingleton<CFramework>::Get()->m_pScreen),
          m_pNew(SDL_CreateRGBSurface(0, w, h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000))
    {
        TSingleton<CFramework>::Get()->m_pScreen = m_pNew;
    }
    ~OtherScreen()
    {
        TSingleton<CFramework>::Get()->m_pScreen = m_pOld;
        SDL_FreeSurface(m_pNew);
    }
    OtherScreen(const OtherScreen&) = delete;
    OtherScreen& operator=(const OtherScreen&) = delete;

private:
    SDL_Surface* m_pOld;
    SDL_Surface* m_pNew;
};
}

TEST_F(Horses, StandInTheBottomCornersOfTheScreenSurface)
{
    ASSERT_EQ(2u, m_Game.m_Horses.size());
    struct
    {
        const CHorse& horse;
        int side, x, y;
        CSprite* sheet;
    } cases[] = {
        {Left(), 1, 10, 384, m_Game.m_pHorseLeft},
        {Right(), 2, 520, 384, m_Game.m_pHorseRight},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.side, c.horse.m_iSide);
        EXPECT_EQ(c.sheet, c.horse.m_pSprite);
        EXPECT_EQ(static_cast<float>(c.x), c.horse.m_fXPos) << "side " << c.side;
        EXPECT_EQ(static_cast<float>(c.y), c.horse.m_fYPos) << "side " << c.side;
        EXPECT_EQ(c.x, c.horse.m_Rect.x);
        EXPECT_EQ(c.y, c.horse.m_Rect.y);
        EXPECT_EQ(270, c.horse.m_Rect.w);
        EXPECT_EQ(211, c.horse.m_Rect.h);
        EXPECT_EQ(0, c.horse.m_iHits);
        EXPECT_TRUE(c.horse.m_bIsAlive);
    }

    // The placement follows the surface, not the 800x600 the game asks for.
    OtherScreen bigger(1024, 768);
    struct
    {
        int side, x;
    } sides[] = {{1, 10}, {2, 744}, {7, 744}};
    for (const auto& s : sides)
    {
        CHorse horse;
        horse.Init(m_Game.m_pHorseRight, 2, s.side);
        EXPECT_EQ(s.x, horse.m_Rect.x) << "side " << s.side;
        EXPECT_EQ(552, horse.m_Rect.y) << "side " << s.side;
        EXPECT_EQ(2, horse.m_iHits);
        EXPECT_TRUE(horse.m_bIsAlive);
    }
}

TEST_F(Horses, UpdateCountsHitsUpToThreeAndThenIsOut)
{
    CHorse horse;
    horse.Init(m_Game.m_pHorseLeft, 0, 1);
    const struct
    {
        bool hit;
        int hits;
        bool alive;
    } steps[] = {
        {false, 0, true}, {true, 1, true}, {false, 1, true}, {true, 2, true},
        {true, 3, false}, {true, 3, false}, {false, 3, false},
    };
    int n = 0;
    for (const auto& s : steps)
    {
        horse.Update(s.hit);
        EXPECT_EQ(s.hits, horse.m_iHits) << "step " << n;
        EXPECT_EQ(s.alive, horse.m_bIsAlive) << "step " << n;
        ++n;
    }
    horse.Reset();
    EXPECT_EQ(0, horse.m_iHits);
    EXPECT_TRUE(horse.m_bIsAlive);
}

namespace
{
struct ZoneCase
{
    const char* name;
    float x, y;
    int side;  // the horse that eats it, 0 for none
};

void PrintTo(const ZoneCase& c, std::ostream* os)
{
    *os << c.name;
}

class CatchZone : public Horses, public ::testing::WithParamInterface<ZoneCase>
{
};
}

TEST_P(CatchZone, EatsExactlyTheApplesInReach)
{
    const ZoneCase& c = GetParam();
    StartPlay();
    AddApple(7, c.x, c.y);

    m_Game.CheckCollisions();

    bool eaten = c.side != 0;
    EXPECT_EQ(eaten ? 0u : 1u, m_Game.m_Apples.size());
    EXPECT_EQ(c.side == 1 ? 1 : 0, Left().m_iHits);
    EXPECT_EQ(c.side == 2 ? 1 : 0, Right().m_iHits);
    ASSERT_EQ(eaten ? 1u : 0u, m_Game.m_Bonuses.size());
    EXPECT_EQ(eaten ? 1 : 0, BoingsPlaying());
    if (eaten)
    {
        const CBonus& miss = m_Game.m_Bonuses.front();
        EXPECT_EQ(5, miss.m_iFrame) << "the miss marker";
        EXPECT_EQ(m_Game.m_pBonus, miss.m_pSprite);
        EXPECT_EQ(static_cast<float>(static_cast<int>(c.x)), miss.m_fXPos);
        EXPECT_EQ(static_cast<float>(static_cast<int>(c.y)), miss.m_fYPos);
        EXPECT_EQ(0.0f, miss.m_fAge);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, CatchZone,
    ::testing::Values(
        ZoneCase{"LeftOuterEdge", 0, 400, 1},
        ZoneCase{"LeftLastColumn", 209, 400, 1},
        ZoneCase{"BetweenLeft", 210, 400, 0},
        ZoneCase{"Between", 370, 420, 0},
        ZoneCase{"BetweenRight", 526, 400, 0},
        ZoneCase{"RightFirstColumn", 527, 400, 2},
        ZoneCase{"RightOuterEdge", 735, 400, 2},
        ZoneCase{"FractionTruncated", 209.9f, 400.5f, 1},
        ZoneCase{"NotSunkEnough", 100, 385, 0},
        ZoneCase{"JustSunk", 100, 386, 1},
        ZoneCase{"DeepestLeft", 100, 448, 1},
        ZoneCase{"TooDeep", 100, 449, 0},
        ZoneCase{"RightJustSunk", 600, 386, 2},
        ZoneCase{"RightDeepest", 600, 448, 2},
        ZoneCase{"RightTooDeep", 600, 449, 0},
        ZoneCase{"FarAbove", 100, -60, 0}),
    [](const ::testing::TestParamInfo<ZoneCase>& info) { return std::string(info.param.name); });

TEST_F(Horses, RightZoneFollowsTheScreenWidth)
{
    OtherScreen bigger(1024, 768);
    // On 1024x768 the right horse's box is at (744, 552): zone x 814 to 1013.
    Right().Init(m_Game.m_pHorseRight, 0, 2);
    Left().Init(m_Game.m_pHorseLeft, 0, 1);
    struct
    {
        float x;
        bool eaten;
    } cases[] = {{750, false}, {751, true}, {1013, true}, {1014, false}};
    for (const auto& c : cases)
    {
        m_Game.m_Apples.clear();
        Right().Reset();
        AddApple(7, c.x, 560);
        m_Game.CheckCollisions();
        EXPECT_EQ(c.eaten ? 1 : 0, Right().m_iHits) << "x " << c.x;
        EXPECT_EQ(0, Left().m_iHits) << "x " << c.x;
        for (CApple& apple : m_Game.m_Apples)
            apple.Quit();
    }
}

TEST_F(Horses, AnAppleJumpingPastTheZoneInOneStepEscapes)
{
    // The check runs before the move, so it sees each position once.
    struct
    {
        float delta;
        bool eaten;
    } cases[] = {{3.0f, true}, {3.2f, false}};  // 385 + 60 = 445, 385 + 64 = 449
    for (const auto& c : cases)
    {
        StartPlay();
        AddApple(7, 100, 385);
        SetDelta(c.delta);
        m_Game.CheckCollisions();
        m_Game.RenderApples();
        m_Game.CheckCollisions();
        EXPECT_EQ(c.eaten ? 1 : 0, Left().m_iHits) << "delta " << c.delta;
        EXPECT_EQ(c.eaten ? 0u : 1u, m_Game.m_Apples.size()) << "delta " << c.delta;
    }
}

TEST_F(Horses, TwoApplesInOnePassGiveTwoHitsAndMarkersButOneBoing)
{
    struct
    {
        const char* name;
        float x1, x2;
        int leftHits, rightHits;
    } cases[] = {
        {"one horse", 20, 150, 2, 0},
        {"both horses", 20, 600, 1, 1},
    };
    for (const auto& c : cases)
    {
        // No boing of the case before may still be ringing.
        Mix_HaltChannel(-1);
        StartPlay();
        AddApple(4, c.x1, 400);
        AddApple(99, 300, 400);  // between the horses: stays
        AddApple(6, c.x2, 420);

        m_Game.CheckCollisions();

        EXPECT_EQ(c.leftHits, Left().m_iHits) << c.name;
        EXPECT_EQ(c.rightHits, Right().m_iHits) << c.name;
        ASSERT_EQ(1u, m_Game.m_Apples.size()) << c.name;
        EXPECT_EQ(99, m_Game.m_Apples.front().m_iSolution) << c.name;
        ASSERT_EQ(2u, m_Game.m_Bonuses.size()) << c.name;
        EXPECT_EQ(c.x1, m_Game.m_Bonuses.front().m_fXPos) << c.name;
        EXPECT_EQ(c.x2, m_Game.m_Bonuses.back().m_fXPos) << c.name;
        EXPECT_EQ(1, BoingsPlaying()) << c.name;
    }
}

TEST_F(Horses, AHorseThatIsOutGoesOnEating)
{
    StartPlay();
    PutOut(Left());
    AddApple(4, 50, 400);

    m_Game.CheckCollisions();

    EXPECT_TRUE(m_Game.m_Apples.empty());
    EXPECT_EQ(3, Left().m_iHits);
    EXPECT_FALSE(Left().m_bIsAlive);
    ASSERT_EQ(1u, m_Game.m_Bonuses.size());
    EXPECT_EQ(5, m_Game.m_Bonuses.front().m_iFrame);
    EXPECT_EQ(1, BoingsPlaying());
}

TEST_F(Horses, TheGameEndsInThePassAfterTheLastLifeAndStoresTheScoreOnce)
{
    StartPlay();
    m_Game.m_sPlayerName = "J\xC3\xB6rg-\xC3\x9C 1";  // "Jörg-Ü 1"
    m_Game.m_iScore = 1200;
    PutOut(Left());
    Right().m_iHits = 2;
    AddApple(4, 600, 400);
    CApple& between = AddApple(99, 300, 100);

    SDL_Delay(20);
    m_Game.RunPass();
    EXPECT_EQ(3, Right().m_iHits);
    EXPECT_FALSE(Right().m_bIsAlive);
    EXPECT_EQ(CGame::STATE_PLAYING, m_Game.m_iState) << "not yet in the pass of the last hit";
    EXPECT_TRUE(StoredRows().empty());

    m_Game.m_bHighScoreChanged = false;
    float y = between.m_fYPos;
    SDL_Delay(20);
    m_Game.RunPass();
    EXPECT_EQ(CGame::STATE_GAMEOVER, m_Game.m_iState);
    EXPECT_TRUE(m_Game.m_bHighScoreChanged);
    EXPECT_GT(between.m_fYPos, y) << "the rest of the pass still plays";
    // Drawn with the frame of a horse that is out, lives too.
    // The sheets hold their frames in one row.
    for (CSprite* sheet : {m_Game.m_pHorseLeft, m_Game.m_pHorseRight})
        EXPECT_EQ(3 * 270, sheet->m_FrameRect.x);
    EXPECT_EQ(3 * 128, m_Game.m_pLives->m_FrameRect.x);
    using Rows = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ((Rows{{"Jrg 1", 1200}}), StoredRows());
    EXPECT_EQ("J\xC3\xB6rg-\xC3\x9C 1", m_Game.m_sPlayerName) << "the field keeps the name as typed";

    RunPasses(3);
    EXPECT_EQ(CGame::STATE_GAMEOVER, m_Game.m_iState);
    EXPECT_EQ(1u, StoredRows().size());

    // F5 on the game-over screen: one playing pass that ends the game again,
    // but the same game is not stored twice.
    float before = between.m_fYPos;
    PushKey(SDL_SCANCODE_F5);
    ProcessQueued();
    ASSERT_EQ(CGame::STATE_PLAYING, m_Game.m_iState);
    SDL_Delay(20);
    m_Game.RunPass();
    EXPECT_EQ(CGame::STATE_GAMEOVER, m_Game.m_iState);
    EXPECT_GT(between.m_fYPos, before) << "that pass ran as playing";
    RunPasses(2);
    EXPECT_EQ((Rows{{"Jrg 1", 1200}}), StoredRows()) << "F5 after game over stored a duplicate";

    // Return starts a new game with the same name, whose end is stored anew.
    PushKey(SDL_SCANCODE_RETURN);
    ProcessQueued();
    ASSERT_EQ(CGame::STATE_PLAYING, m_Game.m_iState);
    EXPECT_EQ(0, Right().m_iHits);
    PutOut(Left());
    PutOut(Right());
    m_Game.m_iScore = 300;
    m_Game.RunPass();
    EXPECT_EQ(CGame::STATE_GAMEOVER, m_Game.m_iState);
    EXPECT_EQ((Rows{{"Jrg 1", 1200}, {"Jrg 1", 300}}), StoredRows());

    // F2 in play abandons the game: nothing stored.
    PushKey(SDL_SCANCODE_RETURN);
    ProcessQueued();
    ASSERT_EQ(CGame::STATE_PLAYING, m_Game.m_iState);
    m_Game.m_iScore = 900;
    m_Game.RunPass();
    PushKey(SDL_SCANCODE_F2);
    ProcessQueued();
    RunPasses(3);
    EXPECT_EQ(CGame::STATE_START, m_Game.m_iState);
    EXPECT_EQ(2u, StoredRows().size());
}

TEST_F(Horses, AnEmptyNameIsStoredAsNonameAndStaysSo)
{
    StartPlay();
    m_Game.m_iScore = 400;
    PutOut(Left());
    PutOut(Right());

    m_Game.RenderHorses();

    EXPECT_EQ(CGame::STATE_GAMEOVER, m_Game.m_iState);
    EXPECT_EQ("noname", m_Game.m_sPlayerName);
    using Rows = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ((Rows{{"noname", 400}}), StoredRows());
}

TEST_F(Horses, TheHelpOverlayStopsTheEatingButNotTheGameOver)
{
    StartPlay();
    m_Game.m_sPlayerName = "Anna";
    m_Game.m_bShowHelp = true;
    Right().m_iHits = 2;
    AddApple(4, 600, 400);
    m_Game.RunPass();
    EXPECT_EQ(1u, m_Game.m_Apples.size()) << "no apple is eaten under the overlay";
    EXPECT_EQ(2, Right().m_iHits);
    EXPECT_EQ(2 * 270, m_Game.m_pHorseRight->m_FrameRect.x) << "the horses are still drawn";

    PutOut(Left());
    PutOut(Right());
    m_Game.RunPass();
    EXPECT_EQ(CGame::STATE_GAMEOVER, m_Game.m_iState);
    EXPECT_EQ(1u, StoredRows().size());
}

TEST_F(Horses, LivesIndicatorsShowEachHorsesHits)
{
    StartPlay();
    Left().m_iHits = 1;
    Right().m_iHits = 2;
    CSprite* lives = m_Game.m_pLives;
    SDL_FillRect(m_pScreen, nullptr, 0);
    m_Game.RenderLives();

    // Each indicator is the sheet's frame blitted with its colour key, so
    // the screen shows the frame's own pixels wherever it is not magenta.
    SDL_Surface* sheet = lives->m_pImage;
    Uint32 key = 0;
    ASSERT_EQ(0, SDL_GetColorKey(sheet, &key));
    struct
    {
        int x, frame;
    } cases[] = {{221, 1}, {457, 2}};
    for (const auto& c : cases)
    {
        int mismatches = 0;
        int opaque = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 128; ++x)
            {
                Uint32 source = static_cast<Uint32*>(sheet->pixels)[y * sheet->pitch / 4 + c.frame * 128 + x];
                if (source == key)
                    continue;
                ++opaque;
                Uint8 r, g, b, sr, sg, sb;
                SDL_GetRGB(source, sheet->format, &sr, &sg, &sb);
                SDL_GetRGB(PixelAt(c.x + x, 555 + y), m_pScreen->format, &r, &g, &b);
                if (r != sr || g != sg || b != sb)
                    ++mismatches;
            }
        EXPECT_GT(opaque, 0);
        EXPECT_EQ(0, mismatches) << "indicator at x " << c.x << " frame " << c.frame;
    }
}
