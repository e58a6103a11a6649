// Medians of a playing pass with a full screen of work (30 apples, 10
// markers, the witch firing at 3 apples, both horses, lives and score)
// against the floor every pass pays: clear, tree, present.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/witchey.h"
#include "platform/fonts.h"
#include "platform/framework.h"
#include "platform/sprite.h"
#include "platform/timer.h"

namespace
{
using Clock = std::chrono::steady_clock;

struct Start
{
    float y;
};

class Scene
{
public:
    explicit Scene(CGame& game) : m_Game(game)
    {
        game.m_iState = CGame::STATE_PLAYING;
        game.m_sPlayerName = "Bench";
        game.m_iRange = 99;
        game.m_bAddition = false;
        // Outside the horses' reach, so nothing is eaten.
        for (int i = 0; i < 30; ++i)
        {
            CApple apple;
            apple.Init(game.m_pApple, 10.0f + 128.0f * (i % 6), 10.0f + 70.0f * (i / 6), 99, i % 2 == 0);
            game.m_Apples.push_back(apple);
            m_AppleY.push_back(apple.m_fYPos);
        }
        for (int i = 0; i < 10; ++i)
        {
            CBonus bonus;
            bonus.Init(game.m_pBonus, i % 6, 40.0f + 70.0f * i, 100.0f + 20.0f * (i % 3));
            game.m_Bonuses.push_back(bonus);
            m_BonusY.push_back(bonus.m_fYPos);
        }
        auto apple = game.m_Apples.begin();
        for (int i = 0; i < 3; ++i, std::advance(apple, 7))
            m_Targets.push_back(apple->m_Rect);
        game.m_iScore = 12345;
        game.m_bScoreChanged = true;
    }

    // Puts everything back where it was, so each pass does the same work.
    void Restore()
    {
        auto y = m_AppleY.begin();
        for (CApple& apple : m_Game.m_Apples)
        {
            apple.m_fYPos = *y++;
            apple.m_Rect.y = static_cast<int>(apple.m_fYPos);
            apple.m_bIsAlive = true;
        }
        y = m_BonusY.begin();
        for (CBonus& bonus : m_Game.m_Bonuses)
        {
            bonus.m_fYPos = *y++;
            bonus.m_fAge = 0.0f;
        }
        m_Game.m_pWitch->m_fState = 2.0f;
        m_Game.m_pWitch->m_fTimer = 0.0f;
        m_Game.m_pWitch->m_Targets = m_Targets;
        m_Game.m_fSpawnTimer = 0.0f;
        m_Game.m_fAccelTimer = 0.0f;
    }

    bool Intact() const
    {
        return m_Game.m_iState == CGame::STATE_PLAYING && m_Game.m_Apples.size() == 30 &&
               m_Game.m_Bonuses.size() == 10 && m_Game.m_pWitch->m_fState == 2.0f;
    }

private:
    CGame& m_Game;
    std::vector<float> m_AppleY;
    std::vector<float> m_BonusY;
    std::list<SDL_Rect> m_Targets;
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

double Time(const std::function<void()>& work)
{
    Clock::time_point begin = Clock::now();
    work();
    return std::chrono::duration<double, std::micro>(Clock::now() - begin).count();
}
}

int main(int argc, char** argv)
{
    int passes = 1000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--passes") == 0)
            passes = std::max(1, std::atoi(argv[i + 1]));

    // Headless unless told otherwise; with no display an error box can't
    // open and wait.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (std::strcmp(getenv("SDL_VIDEODRIVER"), "dummy") == 0)
        unsetenv("DISPLAY");

    CFramework* framework = TSingleton<CFramework>::Get();
    {
        // The dummy driver can't make cursors: Init fails at its last step,
        // with everything the passes need already made.
        std::ostringstream muted;
        std::streambuf* old = std::cerr.rdbuf(muted.rdbuf());
        framework->Init("Rechenfrucht", 800, 600, 32, true);
        std::cerr.rdbuf(old);
    }
    if (!framework->m_pScreen || !TSingleton<CMyFont>::Get()->m_bLoaded)
    {
        std::fprintf(stderr, "rechenfrucht-bench: the framework did not start (run it in the build directory)\n");
        return 1;
    }

    int status = 0;
    {
        CGame game;
        game.Init();
        Scene scene(game);

        std::vector<double> play;
        std::vector<double> floor;
        auto playPass = [&] { game.RunPass(); };
        auto floorPass = [&] {
            framework->Clear();
            game.m_pTree->Render();
            framework->Flip();
        };
        for (int i = 0; i < 20; ++i)
        {
            scene.Restore();
            playPass();
            floorPass();
        }
        // Interleaved, so drifts of the machine hit both alike.
        for (int i = 0; i < passes; ++i)
        {
            scene.Restore();
            play.push_back(Time(playPass));
            floor.push_back(Time(floorPass));
        }
        if (!scene.Intact())
        {
            std::fprintf(stderr, "rechenfrucht-bench: the scene changed while timing\n");
            status = 1;
        }

        // Where a playing pass spends its time, step by step.
        struct Step
        {
            const char* name;
            std::function<void()> work;
            std::vector<double> times;
        } steps[] = {
            {"clear", [&] { framework->Clear(); }, {}},
            {"tree", [&] { game.m_pTree->Render(); }, {}},
            {"witch firing", [&] { game.m_pWitch->Update(); game.m_pWitch->Render(); }, {}},
            {"horses", [&] { game.RenderHorses(); }, {}},
            {"30 apples", [&] { game.CheckCollisions(); game.RenderApples(); }, {}},
            {"10 markers", [&] { game.RenderBonus(); }, {}},
            {"lives, score", [&] { game.RenderLives(); game.RenderScore(); }, {}},
            {"present", [&] { framework->Flip(); }, {}},
        };
        for (int i = 0; i < std::max(1, passes / 4); ++i)
        {
            scene.Restore();
            for (Step& step : steps)
                step.times.push_back(Time(step.work));
        }

        std::printf("passes: %d of each kind, medians in microseconds\n", passes);
        for (const Step& step : steps)
            std::printf("  %-14s %9.1f\n", step.name, Median(step.times));
        double playMedian = Median(play);
        double floorMedian = Median(floor);
        std::printf("play pass:  %9.1f\n", playMedian);
        std::printf("floor pass: %9.1f\n", floorMedian);
        std::printf("play pass / floor pass: %.3f\n", playMedian / floorMedian);

        game.Quit();
    }
    framework->Quit();
    TSingleton<CFramework>::Destroy();
    return status;
}
