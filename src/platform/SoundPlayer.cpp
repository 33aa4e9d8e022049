#include "platform/SoundPlayer.h"

#include <QFile>
#include <QThread>
#include <SDL.h>

namespace karuvel {

SdlSoundPlayer::~SdlSoundPlayer()
{
    if (initialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlSoundPlayer::ensureAudio()
{
    if (initialised_) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        lastError_ = QString::fromUtf8(SDL_GetError());
        return false;
    }
    initialised_ = true;
    return true;
}

int SdlSoundPlayer::play(const QString& path)
{
    lastError_.clear();
    if (!ensureAudio()) return 1;
    // SDL takes UTF-8 paths; blanks in the path are no problem.
    SDL_AudioSpec spec;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(QFile::encodeName(path).constData(), &spec, &buffer, &length)) {
        lastError_ = QString::fromUtf8(SDL_GetError());
        return 2;
    }
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
    if (dev == 0) {
        lastError_ = QString::fromUtf8(SDL_GetError());
        SDL_FreeWAV(buffer);
        return 3;
    }
    int result = 0;
    if (SDL_QueueAudio(dev, buffer, length) != 0) {
        lastError_ = QString::fromUtf8(SDL_GetError());
        result = 4;
    } else {
        SDL_PauseAudioDevice(dev, 0);
        const int bytesPerSecond = spec.freq * spec.channels * (SDL_AUDIO_BITSIZE(spec.format) / 8);
        const Uint32 maxWaitMs = bytesPerSecond > 0 ? Uint32(1000.0 * length / bytesPerSecond) + 2000 : 10000;
        Uint32 waited = 0;
        while (SDL_GetQueuedAudioSize(dev) > 0 && waited < maxWaitMs) {
            SDL_Delay(5);
            waited += 5;
        }
        SDL_Delay(20);  // let the device play out what it already took
    }
    SDL_CloseAudioDevice(dev);
    SDL_FreeWAV(buffer);
    return result;
}

QString SdlSoundPlayer::errorText(int) const { return lastError_; }

ISoundPlayer& realSoundPlayer()
{
    static SdlSoundPlayer player;
    return player;
}

} // namespace karuvel
