#pragma once

#include <SDL.h>
#include <SDL_mixer.h>
#include <string>

#include "platform/singleton.h"

// Audio service: slot 1 is the looping music, slots 2-4 are effects;
// any other slot number means slot 4. Effects sounding together share the
// loudness of three, so however many start at once the mix never clips.
class CMySound : public TSingleton<CMySound>
{
public:
    bool Init();
    bool Load(const std::string& sFilename, int iSlot);
    void Play(int iSlot);
    void Stop();

    int m_iFrequency = 44100;
    Uint16 m_uFormat = AUDIO_S16LSB;
    int m_iChannels = 2;
    int m_iChunkSize = 4096;
    Mix_Music* m_pMusic = nullptr;
    Mix_Chunk* m_pEffect2 = nullptr;
    Mix_Chunk* m_pEffect3 = nullptr;
    Mix_Chunk* m_pEffect4 = nullptr;

private:
    Mix_Chunk*& EffectSlot(int iSlot);
    void PlayEffect(Mix_Chunk* pChunk);
};
