#include "platform/SoundPlayer.h"

#include <QCoreApplication>
#include <QObject>
#include <QTimer>
#include <cstring>
#include <dlfcn.h>

namespace karuvel {

namespace {
// A device that does not take the sound within its length and this much more
// is taken to have stalled: the sound is ended with an error.
constexpr int kStallMarginMs = 2000;
constexpr int kStalled = 5;
} // namespace

// The functions of SDL2 the player calls, looked up in the library once it
// is loaded (the library stays loaded until the program ends).
struct SdlSoundPlayer::Sdl {
#define KARUVEL_SDL_FUNCTIONS(F)                                                                                \
    F(SetHint) F(InitSubSystem) F(QuitSubSystem) F(GetError) F(OpenAudioDevice) F(PauseAudioDevice)              \
    F(CloseAudioDevice) F(LockAudioDevice) F(UnlockAudioDevice) F(RWFromFile) F(LoadWAV_RW) F(FreeWAV)          \
    F(BuildAudioCVT) F(ConvertAudio)
#define KARUVEL_SDL_POINTER(name) decltype(&SDL_##name) name = nullptr;
    KARUVEL_SDL_FUNCTIONS(KARUVEL_SDL_POINTER)

    // Loads the library and finds every function; false with the system's
    // reason in *error when it cannot.
    bool load(const char* library, QString* error)
    {
        void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            *error = QString::fromLocal8Bit(dlerror());
            return false;
        }
#define KARUVEL_SDL_FIND(name)                                                                                  \
    name = reinterpret_cast<decltype(name)>(dlsym(handle, "SDL_" #name));                                       \
    if (!name) {                                                                                                \
        *error = QString::fromLocal8Bit(dlerror());                                                             \
        dlclose(handle);                                                                                        \
        return false;                                                                                           \
    }
        KARUVEL_SDL_FUNCTIONS(KARUVEL_SDL_FIND)
        return true;
    }
#undef KARUVEL_SDL_FIND
#undef KARUVEL_SDL_POINTER
#undef KARUVEL_SDL_FUNCTIONS
};

SdlSoundPlayer::SdlSoundPlayer(const char* library) : library_(library) {}

SdlSoundPlayer::~SdlSoundPlayer()
{
    if (device_ != 0) sdl_->CloseAudioDevice(device_);  // no more calls of fill() after this
    if (initialised_) sdl_->QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlSoundPlayer::ensureDevice()
{
    if (device_ != 0) return true;
    if (!sdl_) {
        // Loaded at the first sound; a library that cannot be loaded is tried
        // again at the next.
        auto sdl = std::make_unique<Sdl>();
        if (!sdl->load(library_, &lastError_)) return false;
        sdl_ = std::move(sdl);
    }
    if (!initialised_) {
        // SDL would otherwise take over SIGINT and SIGTERM and turn them into quit
        // events nobody reads: the program must still end when the system asks it to.
        sdl_->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (sdl_->InitSubSystem(SDL_INIT_AUDIO) != 0) {
            lastError_ = QString::fromUtf8(sdl_->GetError());
            return false;
        }
        initialised_ = true;
    }
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kBufferSamples;
    want.callback = &SdlSoundPlayer::fill;
    want.userdata = this;
    // The device may choose its own rate and channels; every file is converted to them.
    device_ = sdl_->OpenAudioDevice(nullptr, 0, &want, &obtained_,
                                  SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (device_ == 0) {
        lastError_ = QString::fromUtf8(sdl_->GetError());
        return false;
    }
    sdl_->PauseAudioDevice(device_, 0);  // runs from now on, silent between sounds
    return true;
}

void SDLCALL SdlSoundPlayer::fill(void* userdata, Uint8* stream, int len)
{
    auto* self = static_cast<SdlSoundPlayer*>(userdata);
    std::memset(stream, self->obtained_.silence, size_t(len));
    if (self->playingId_ == 0) return;
    if (self->handedOut_) {
        // The device asks for more: what it was given last has been played.
        const uint64_t id = self->playingId_;
        self->playingId_ = 0;
        if (QObject* r = self->receiver_)
            QMetaObject::invokeMethod(r, [self, id] { self->finished(id, 0); }, Qt::QueuedConnection);
        return;
    }
    const size_t n = std::min(size_t(len), self->samples_.size() - self->position_);
    std::memcpy(stream, self->samples_.data() + self->position_, n);
    self->position_ += n;
    if (self->position_ >= self->samples_.size()) self->handedOut_ = true;
}

int SdlSoundPlayer::start(const QString& path, Ended ended)
{
    lastError_.clear();
    if (!ensureDevice()) return 1;
    if (!receiver_) {
        receiver_ = new QObject(QCoreApplication::instance());
        watchdog_ = new QTimer(receiver_);
        watchdog_->setSingleShot(true);
        QObject::connect(receiver_, &QObject::destroyed, [this] {
            sdl_->LockAudioDevice(device_);
            receiver_ = nullptr;
            watchdog_ = nullptr;
            sdl_->UnlockAudioDevice(device_);
        });
    }
    // SDL takes UTF-8 paths on every system; blanks in the path are no problem.
    SDL_AudioSpec spec;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!sdl_->LoadWAV_RW(sdl_->RWFromFile(path.toUtf8().constData(), "rb"), 1, &spec, &buffer, &length)) {
        lastError_ = QString::fromUtf8(sdl_->GetError());
        return 2;
    }
    SDL_AudioCVT cvt;
    if (sdl_->BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, obtained_.format, obtained_.channels,
                          obtained_.freq) < 0) {
        lastError_ = QString::fromUtf8(sdl_->GetError());
        sdl_->FreeWAV(buffer);
        return 3;
    }
    std::vector<Uint8> converted(size_t(length) * size_t(std::max(1, cvt.len_mult)));
    std::memcpy(converted.data(), buffer, length);
    sdl_->FreeWAV(buffer);
    cvt.buf = converted.data();
    cvt.len = int(length);
    if (cvt.needed && sdl_->ConvertAudio(&cvt) != 0) {
        lastError_ = QString::fromUtf8(sdl_->GetError());
        return 4;
    }
    converted.resize(size_t(cvt.needed ? cvt.len_cvt : int(length)));

    // A sound still playing is cut short: its caller goes on as after its end.
    if (ended_) finished(lastId_, 0);
    const uint64_t id = ++lastId_;
    ended_ = std::move(ended);
    sdl_->LockAudioDevice(device_);
    samples_ = std::move(converted);
    position_ = 0;
    handedOut_ = samples_.empty();
    playingId_ = id;
    sdl_->UnlockAudioDevice(device_);

    const int bytesPerSecond = obtained_.freq * obtained_.channels * (SDL_AUDIO_BITSIZE(obtained_.format) / 8);
    const int soundMs = bytesPerSecond > 0 ? int(1000.0 * double(samples_.size()) / bytesPerSecond) : 0;
    watchdog_->disconnect();
    QObject::connect(watchdog_, &QTimer::timeout, receiver_, [this, id] {
        sdl_->LockAudioDevice(device_);
        const bool stalled = playingId_ == id;
        if (stalled) playingId_ = 0;
        sdl_->UnlockAudioDevice(device_);
        if (!stalled) return;
        lastError_ = QStringLiteral("音声の再生が終わりません");
        finished(id, kStalled);
    });
    watchdog_->start(soundMs + kStallMarginMs);
    return 0;
}

void SdlSoundPlayer::finished(uint64_t id, int result)
{
    if (id != lastId_ || !ended_) return;  // a sound already cut short
    if (watchdog_) watchdog_->stop();
    Ended ended = std::move(ended_);
    ended_ = nullptr;
    ended(result);
}

QString SdlSoundPlayer::errorText(int) const { return lastError_; }

ISoundPlayer& realSoundPlayer()
{
    static SdlSoundPlayer player;
    return player;
}

} // namespace karuvel
