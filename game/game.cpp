#include "game/game.h"

#include "game/witchey.h"
#include "platform/framework.h"
#include "platform/sound.h"
#include "platform/sprite.h"
#include "store/dbconnection.h"

namespace
{
CSprite* LoadSheet(char const* path, int frames, int width, int height, bool keyed)
{
    CSprite* sprite = new CSprite;
    sprite->Load(path, frames, width, height);
    if (keyed)
        sprite->SetColorKey(255, 0, 255);
    return sprite;
}

CSprite* LoadWhole(char const* path)
{
    CSprite* sprite = new CSprite;
    sprite->Load(path);
    return sprite;
}

template <class T>
void DeleteAndNull(T*& p)
{
    delete p;
    p = nullptr;
}

void FreeAndNull(SDL_Surface*& surface)
{
    if (surface)
    {
        SDL_FreeSurface(surface);
        surface = nullptr;
    }
}
}

CGame::CGame()
    : m_pWitch(nullptr), m_pTree(nullptr), m_pGameOver(nullptr), m_pApple(nullptr), m_pBonus(nullptr),
      m_pHorseLeft(nullptr), m_pHorseRight(nullptr), m_pLives(nullptr), m_pShowScore(nullptr),
      m_pStartPage(nullptr), m_pHelpScreen(nullptr), m_pHelpScreenBack(nullptr), m_fSpawnTimer(0.0f),
      m_bRunning(false), m_fSpawnInterval(0.0f), m_fAccelTimer(0.0f), m_iScore(0), m_pScoreText(nullptr),
      m_bScoreChanged(false), m_pHighScore(nullptr), m_bHighScoreChanged(false), m_iState(STATE_START),
      m_pNameText(nullptr), m_bNameChanged(false), m_bShowHelp(false), m_iRange(10), m_bAddition(true),
      m_bScoreStored(false)
{
}

CGame::~CGame()
{
    // Everything held by pointer was released by Quit.
}

void CGame::Init()
{
    m_iScore = 0;
    m_iState = STATE_START;
    m_fSpawnInterval = 3.5f;
    m_fAccelTimer = 0.0f;

    m_sPlayerName.clear();
    m_bNameChanged = false;
    m_sAnswer.clear();
    m_bShowHelp = false;
    m_bScoreChanged = true;
    m_bHighScoreChanged = true;
    m_iRange = 10;
    m_bAddition = true;
    m_bScoreStored = false;

    m_pWitch = new CWitchey;
    m_pWitch->Init();

    TSingleton<CDBConnection>::Get()->OpenDB("score/scores.db");

    CMySound* sound = TSingleton<CMySound>::Get();
    sound->Load("Sound/sound.wav", 1);
    sound->Load("Sound/boing.wav", 2);
    sound->Load("Sound/success.wav", 3);
    sound->Load("Sound/fail.wav", 4);

    m_pTree = LoadWhole("ImgData/baum.bmp");
    m_pGameOver = LoadWhole("ImgData/gameover2.bmp");
    m_pApple = LoadSheet("ImgData/apple5.bmp", 20, 64, 64, true);
    m_pBonus = LoadSheet("ImgData/bonus3.bmp", 6, 64, 64, true);

    m_pHorseLeft = LoadSheet("ImgData/pferdleft.bmp", 4, 270, 211, true);
    CHorse left;
    left.Init(m_pHorseLeft, 0, 1);
    m_Horses.push_back(left);

    m_pHorseRight = LoadSheet("ImgData/pferdright.bmp", 4, 270, 211, true);
    CHorse right;
    right.Init(m_pHorseRight, 0, 2);
    m_Horses.push_back(right);

    m_pLives = LoadSheet("ImgData/lives.bmp", 4, 128, 40, true);
    m_pShowScore = LoadSheet("ImgData/showscore.bmp", 0, 99, 33, true);
    m_pStartPage = LoadSheet("ImgData/startpage.bmp", 0, 800, 600, false);
    m_pHelpScreen = LoadSheet("ImgData/helpscreen.bmp", 0, 600, 525, true);
    m_pHelpScreenBack = LoadSheet("ImgData/helpscreen_back.bmp", 0, 600, 525, true);
    m_pHelpScreenBack->SetAlpha(180);

    // Three intervals' worth, so the very first game spawns at once.
    m_fSpawnTimer = 10.5f;
    m_bRunning = true;
}

void CGame::Run()
{
    IgnoreUnreadEvents();
    TSingleton<CMySound>::Get()->Play(1);
    SDL_StartTextInput();
    while (m_bRunning)
        RunPass();
}

void CGame::RunPass()
{
    CFramework* framework = TSingleton<CFramework>::Get();

    m_bNameChanged = false;
    ProcessEvents();
    framework->Update();
    framework->Clear();

    // Read once: a change made while drawing shows from the next pass on.
    int state = m_iState;
    if (state == STATE_START)
    {
        m_pStartPage->Render();
        RenderPlayerName();
        RenderHighScore(false);
    }
    else if (state == STATE_PLAYING)
    {
        m_pTree->Render();
        m_pWitch->Update();
        m_pWitch->Render();
        RenderHorses();
        // The help overlay pauses everything that moves.
        if (!m_bShowHelp)
        {
            SpawnApples();
            CheckCollisions();
            RenderApples();
            RenderBonus();
            Accelerate();
        }
        RenderLives();
        RenderScore();
    }
    else
    {
        m_pGameOver->Render();
        if (m_pScoreText)
        {
            SDL_Rect at = {346, 460, 0, 0};
            SDL_UpperBlit(m_pScoreText, nullptr, framework->m_pScreen, &at);
        }
    }

    if (m_bShowHelp)
    {
        m_pHelpScreenBack->SetPos(100.0f, 30.0f);
        m_pHelpScreenBack->Render();
        m_pHelpScreen->SetPos(100.0f, 30.0f);
        m_pHelpScreen->Render();
        RenderHighScore(true);
    }

    framework->Flip();
}

void CGame::ResetGame(int keepName)
{
    if (keepName == 0)
    {
        m_sPlayerName.clear();
        m_bNameChanged = true;
        SDL_ShowCursor(1);
        SDL_StartTextInput();
    }

    m_iScore = 0;
    m_fSpawnInterval = 3.5f;
    m_fAccelTimer = 0.0f;
    m_bScoreChanged = true;
    m_bHighScoreChanged = true;
    m_bScoreStored = false;

    TSingleton<CFramework>::Get()->Update();
    TSingleton<CFramework>::Get()->Clear();

    m_fSpawnTimer = 0.0f;

    for (CApple& apple : m_Apples)
        apple.Quit();
    m_Apples.clear();
    m_Bonuses.clear();

    for (CHorse& horse : m_Horses)
        horse.Reset();
}

void CGame::StartGame()
{
    m_sAnswer.clear();
    SDL_ShowCursor(0);
    SDL_StopTextInput();
    m_iState = STATE_PLAYING;
}

void CGame::Quit()
{
    for (CApple& apple : m_Apples)
        apple.Quit();

    TSingleton<CDBConnection>::Destroy();

    if (m_pWitch)
    {
        m_pWitch->Quit();
        DeleteAndNull(m_pWitch);
    }

    DeleteAndNull(m_pApple);
    DeleteAndNull(m_pBonus);
    DeleteAndNull(m_pHorseLeft);
    DeleteAndNull(m_pHorseRight);
    DeleteAndNull(m_pTree);
    DeleteAndNull(m_pGameOver);
    DeleteAndNull(m_pLives);
    DeleteAndNull(m_pShowScore);
    DeleteAndNull(m_pStartPage);
    DeleteAndNull(m_pHelpScreen);
    DeleteAndNull(m_pHelpScreenBack);

    FreeAndNull(m_pScoreText);
    FreeAndNull(m_pNameText);
    FreeAndNull(m_pHighScore);
}
