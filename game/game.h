#pragma once

#include <SDL.h>
#include <list>
#include <string>

#include "game/apple.h"
#include "game/bonus.h"
#include "game/horse.h"

class CSprite;
class CWitchey;

// The running game: owns every picture, the witch and the game objects,
// holds the state machine and runs the only loop, one frame per pass.
class CGame
{
public:
    enum
    {
        STATE_START = 0,
        STATE_PLAYING = 1,
        STATE_GAMEOVER = 2
    };

    CGame();
    ~CGame();
    CGame(const CGame&) = delete;
    CGame& operator=(const CGame&) = delete;

    void Init();
    void Run();
    // One pass of the main loop; Run repeats it while m_bRunning holds.
    void RunPass();
    void ResetGame(int keepName);
    void StartGame();
    void Quit();

    // Has SDL drop the event types ProcessEvents never reads; SDL_Quit
    // forgets it, so it is set again for every start.
    static void IgnoreUnreadEvents();
    void ProcessEvents();

    void SpawnApples();
    void RenderApples();
    void Accelerate();

    void CheckSolution();
    void RenderBonus();

    void CheckCollisions();
    void RenderHorses();
    void RenderLives();

    void RenderScore();
    void RenderPlayerName();
    void RenderHighScore(bool atHelp);

    CWitchey* m_pWitch;
    CSprite* m_pTree;
    CSprite* m_pGameOver;
    CSprite* m_pApple;
    CSprite* m_pBonus;
    CSprite* m_pHorseLeft;
    CSprite* m_pHorseRight;
    CSprite* m_pLives;
    CSprite* m_pShowScore;
    CSprite* m_pStartPage;
    CSprite* m_pHelpScreen;
    CSprite* m_pHelpScreenBack;
    float m_fSpawnTimer;
    bool m_bRunning;
    std::list<CApple> m_Apples;
    std::list<CBonus> m_Bonuses;
    std::list<CHorse> m_Horses;
    std::string m_sAnswer;
    float m_fSpawnInterval;
    float m_fAccelTimer;
    int m_iScore;
    SDL_Surface* m_pScoreText;
    bool m_bScoreChanged;
    SDL_Surface* m_pHighScore;
    bool m_bHighScoreChanged;
    int m_iState;
    SDL_Surface* m_pNameText;
    std::string m_sPlayerName;
    bool m_bNameChanged;
    bool m_bShowHelp;
    int m_iRange;
    bool m_bAddition;
    // The finished game's score is in the table: starting play again on the
    // game-over screen without a reset must not store it a second time.
    bool m_bScoreStored;

private:
    void StartButton(Uint32 type);
};
