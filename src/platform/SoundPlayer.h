#pragma once
// The WAV player on SDL2. The library is loaded and the audio device opened
// at the first sound, and both are kept (the device running, silent between
// sounds) until the program ends, so that a cue costs its own length and not
// the opening of a device. Loading SDL2 at the start would cost every start
// its library and the thirty it needs (sound servers, codecs, display
// back-ends) before the first screen; a library that cannot be loaded is
// told as a device that cannot be opened is. Each file is converted to the
// device's format when it is loaded; SDL's audio thread hands it out buffer
// by buffer and, once the last of it has gone to the device, the end is
// reported on the user-interface thread.
#include "platform/Platform.h"

#include <SDL.h>
#include <cstdint>
#include <memory>
#include <vector>

class QObject;
class QTimer;

namespace karuvel {

class SdlSoundPlayer : public ISoundPlayer {
public:
    // Samples per device buffer: 512 at 44.1 kHz is 12 ms, so the end of a
    // sound is reported at most about two buffers (25 ms) after it was heard.
    static constexpr int kBufferSamples = 512;

    // `library`: the file name of the SDL2 library, found where the system
    // looks for libraries.
    explicit SdlSoundPlayer(const char* library = kLibrary);
    ~SdlSoundPlayer() override;
    static constexpr const char* kLibrary = "libSDL2-2.0.so.0";

    int start(const QString& path, Ended ended) override;
    QString errorText(int code) const override;

private:
    struct Sdl;  // the library's functions, once it is loaded
    bool ensureDevice();
    static void SDLCALL fill(void* self, Uint8* stream, int len);
    // On the user-interface thread: the sound numbered `id` has ended.
    void finished(uint64_t id, int result);

    const char* const library_;
    std::unique_ptr<Sdl> sdl_;
    bool initialised_ = false;
    SDL_AudioDeviceID device_ = 0;
    SDL_AudioSpec obtained_{};
    QString lastError_;
    // Where the audio thread posts the end (under the device's lock); gone
    // with the application object, after which nothing is posted.
    QObject* receiver_ = nullptr;
    QTimer* watchdog_ = nullptr;  // ends a sound the device never finishes

    // Shared with the audio thread under the device's lock.
    std::vector<Uint8> samples_;
    size_t position_ = 0;
    uint64_t playingId_ = 0;   // 0: nothing playing
    bool handedOut_ = false;   // the last bytes have gone to the device

    // User-interface thread only.
    uint64_t lastId_ = 0;
    Ended ended_;
};

ISoundPlayer& realSoundPlayer();

} // namespace karuvel
