#include "platform/sound.h"

#include <cstdlib>
#include <iostream>

#include "platform/framework.h"

namespace
{
// Three effects at full volume over the music's loudest point stay under
// -1 dBFS, as the sounds are levelled; more than three share that loudness.
constexpr int kFullVoices = 3;
}

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
        PlayEffect(chunk);
}

// Effects started before the mixer's next period begin on the same sample,
// whichever pass started them, so the volume follows every effect sounding
// now. Only ever lowered while sounding; each start sets its channel anew.
void CMySound::PlayEffect(Mix_Chunk* pChunk)
{
    const int iChannels = Mix_AllocateChannels(-1);
    int iFree = -1;
    int iSounding = 0;
    for (int i = 0; i < iChannels; ++i)
    {
        if (Mix_Playing(i))
            ++iSounding;
        else if (iFree < 0)
            iFree = i;
    }
    // All channels busy: the effect is not heard.
    if (iFree < 0)
        return;

    const int iVoices = iSounding + 1;
    int iVolume = MIX_MAX_VOLUME;
    if (iVoices > kFullVoices)
    {
        iVolume = MIX_MAX_VOLUME * kFullVoices / iVoices;
        for (int i = 0; i < iChannels; ++i)
            if (Mix_Playing(i) && Mix_Volume(i, -1) > iVolume)
                Mix_Volume(i, iVolume);
    }
    // Set before the start, so the mixer never takes a period at the
    // channel's earlier volume. The first free channel is the one the
    // mixer itself would choose.
    Mix_Volume(iFree, iVolume);
    Mix_PlayChannelTimed(iFree, pChunk, 0, -1);
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
