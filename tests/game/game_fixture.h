#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "game/game.h"
#include "platform/fonts.h"
#include "platform/framework.h"
#include "platform/sound.h"
#include "platform/timer.h"
#include "tests/support/capture.h"
#include "tests/support/tempdir.h"

// A started framework and an initialised game, headless. The dummy video
// driver can't make cursors, so the framework's start-up fails at its very
// last step, with the window, screen surface, audio and fonts all made.
// Each test plays in a fresh folder: the data is linked in, score/ is its own.
class GameFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* dir : {"ImgData", "Sound", "fonts"})
            std::filesystem::create_directory_symlink(m_Dir.Previous() + "/" + dir, dir);
        std::filesystem::create_directory("score");

        CFramework* framework = TSingleton<CFramework>::Get();
        {
            CaptureStderr cursorsCannotBeMade;
            framework->Init("Rechenfrucht", 800, 600, 32, true);
        }
        ASSERT_NE(nullptr, framework->m_pScreen);
        ASSERT_TRUE(TSingleton<CMyFont>::Get()->m_bLoaded);
        m_pScreen = framework->m_pScreen;
        // SDL's ticks start again with every SDL_Init of a test; a clock
        // from an earlier test would report a negative delta.
        TSingleton<CTimer>::Destroy();
        m_Game.Init();
    }

    void TearDown() override
    {
        m_Game.Quit();
        TSingleton<CFramework>::Get()->Quit();
        TSingleton<CFramework>::Destroy();
    }

    // The frame delta the next directly called operation sees.
    static void SetDelta(float seconds) { TSingleton<CTimer>::Get()->m_fElapsed = seconds; }

    static void PushKey(SDL_Scancode code)
    {
        SDL_Event event = {};
        event.type = SDL_KEYDOWN;
        event.key.state = SDL_PRESSED;
        event.key.keysym.scancode = code;
        SDL_PushEvent(&event);
    }

    static void PushText(const char* text)
    {
        SDL_Event event = {};
        event.type = SDL_TEXTINPUT;
        SDL_strlcpy(event.text.text, text, sizeof(event.text.text));
        SDL_PushEvent(&event);
    }

    static void PushEvent(Uint32 type)
    {
        SDL_Event event = {};
        event.type = type;
        SDL_PushEvent(&event);
    }

    // Moves the pointer (SDL keeps the position the game queries) and
    // queues the given mouse event.
    static void PushMouse(Uint32 type, int x, int y)
    {
        SDL_WarpMouseInWindow(TSingleton<CFramework>::Get()->m_pWindow, x, y);
        SDL_FlushEvent(SDL_MOUSEMOTION);
        SDL_Event event = {};
        event.type = type;
        if (type == SDL_MOUSEBUTTONUP)
        {
            event.button.button = SDL_BUTTON_LEFT;
            event.button.x = x;
            event.button.y = y;
        }
        else
        {
            event.motion.x = x;
            event.motion.y = y;
        }
        SDL_PushEvent(&event);
    }

    // Drops whatever SDL queued by itself (window events and the like).
    static void DrainEvents()
    {
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }

    // Hands the game every queued event, one per call as the loop does;
    // SDL may queue events of its own (window, focus) in between.
    void ProcessQueued()
    {
        for (int guard = 0; guard < 100; ++guard)
        {
            SDL_PumpEvents();
            if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) <= 0)
                return;
            m_Game.ProcessEvents();
        }
    }

    // Runs whole passes of the main loop.
    void RunPasses(int n)
    {
        for (int i = 0; i < n; ++i)
            m_Game.RunPass();
    }

    Uint32 PixelAt(int x, int y) const
    {
        return static_cast<Uint32*>(m_pScreen->pixels)[y * m_pScreen->pitch / 4 + x];
    }

    // Pixels of the screen that are not black, within an area clipped to it.
    int LitPixels(int x, int y, int w, int h) const
    {
        int lit = 0;
        for (int j = std::max(0, y); j < std::min(m_pScreen->h, y + h); ++j)
            for (int i = std::max(0, x); i < std::min(m_pScreen->w, x + w); ++i)
                if ((PixelAt(i, j) & 0xFFFFFF) != 0)
                    ++lit;
        return lit;
    }

    // Appends a live apple with the given solution at the given box.
    CApple& AddApple(int solution, float x, float y)
    {
        CApple apple;
        apple.Init(m_Game.m_pApple, x, y, 10, true);
        apple.m_iSolution = solution;
        m_Game.m_Apples.push_back(apple);
        return m_Game.m_Apples.back();
    }

    TempWorkDir m_Dir;
    CGame m_Game;
    SDL_Surface* m_pScreen = nullptr;
};
