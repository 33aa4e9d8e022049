#include "platform/SoundPlayer.h"

#include <SDL.h>

namespace karuvel {

SdlSoundPlayer::~SdlSoundPlayer()
{
    if (initialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlSoundPlayer::ensureAudio()
{
    if (initialised_) return true;
    // SDL would otherwise take over SIGINT and SIGTERM and turn them into quit
    // events nobody reads: the program must still end when the system asks it to.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
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
    // SDL takes UTF-8 paths on every system; blanks in the path are no problem.
    SDL_AudioSpec spec;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path.toUtf8().constData(), &spec, &buffer, &length)) {
        lastError_ = QString::fromUtf8(SDL_GetError());
        return 2;
    }
    // A device buffer of about 25 ms: the end of the sound is not cut off long,
    // and a silent stand-in device does not keep the program waiting.
    int samples = 256;
    while (samples < 4096 && samples * 40 < spec.freq) samples *= 2;
    spec.samples = Uint16(samples);
    spec.callback = nullptr;
    SDL_AudioSpec obtained;
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &spec, &obtained, 0);
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
        const Uint32 soundMs = bytesPerSecond > 0 ? Uint32(1000.0 * length / bytesPerSecond) : 0;
        const Uint32 maxWaitMs = soundMs + 2000;
        const Uint32 start = SDL_GetTicks();
        while (SDL_GetQueuedAudioSize(dev) > 0 && SDL_GetTicks() - start < maxWaitMs) SDL_Delay(5);
        // The device still holds its last buffer: let it play out.
        const Uint32 bufferMs = obtained.freq > 0 ? Uint32(1000.0 * obtained.samples / obtained.freq) : 50;
        SDL_Delay(bufferMs + 10);
        if (SDL_GetQueuedAudioSize(dev) > 0) {
            lastError_ = QStringLiteral("音声の再生が終わりません");
            result = 5;
        }
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
