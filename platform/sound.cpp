#include "platform/sound.h"

#include <cstdlib>
#include <iostream>

#include "platform/framework.h"

bool CMySound::Init()
{
    if (Mix_OpenAudio(m_iFrequency, m_uFormat, m_iChannels, m_iChunkSize) != -1)
        return true;

    char text[1024];
    SDL_snprintf(text, sizeof(text), "Konnte SDL_mixer nicht starten!\nFehler: %s", SDL_GetError());
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Datei fehlt", text,
                             TSingleton<CFramework>::Get()->m_pWindow);
    std::cerr << "Konnte SDL_mixer nicht starten! Fehler: " << SDL_GetError() << std::endl;
    return false;
}

Mix_Chunk*& CMySound::EffectSlot(int iSlot)
{
    if (iSlot == 2)
        return m_pEffect2;
    if (iSlot == 3)
        return m_pEffect3;
    return m_pEffect4;
}

bool CMySound::Load(const std::string& sFilename, int iSlot)
{
    bool loaded;
    if (iSlot == 1)
    {
        // Reloading a slot frees its earlier sound instead of leaking it.
        Mix_FreeMusic(m_pMusic);
        m_pMusic = Mix_LoadMUS(sFilename.c_str());
        loaded = m_pMusic != nullptr;
    }
    else
    {
        Mix_Chunk*& slot = EffectSlot(iSlot);
        Mix_FreeChunk(slot);
        slot = Mix_LoadWAV_RW(SDL_RWFromFile(sFilename.c_str(), "rb"), 1);
        loaded = slot != nullptr;
    }
    if (loaded)
        return true;

    char text[1024];
    SDL_snprintf(text, sizeof(text), "Konnte Sound-Datei nicht laden!\nFehler: %s", sFilename.c_str());
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Datei fehlt", text,
                             TSingleton<CFramework>::Get()->m_pWindow);
    std::cerr << text << std::endl;
    TSingleton<CFramework>::Get()->Quit();
    exit(1);
}

void CMySound::Play(int iSlot)
{
    if (iSlot == 1)
    {
        if (m_pMusic)
            Mix_PlayMusic(m_pMusic, -1);
        return;
    }
    Mix_Chunk* chunk = EffectSlot(iSlot);
    if (chunk)
        Mix_PlayChannelTimed(-1, chunk, 0, -1);
}

void CMySound::Stop()
{
    Mix_HaltMusic();
    Mix_FreeMusic(m_pMusic);
    Mix_FreeChunk(m_pEffect2);
    Mix_FreeChunk(m_pEffect3);
    Mix_FreeChunk(m_pEffect4);
    m_pMusic = nullptr;
    m_pEffect2 = nullptr;
    m_pEffect3 = nullptr;
    m_pEffect4 = nullptr;
    Mix_CloseAudio();
    Mix_Quit();
}
