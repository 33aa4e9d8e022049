// The cues on Windows, through the system's own player (winmm's PlaySound,
// which plays a file in the background). PlaySound does not report the end of
// a sound, so the end is reported when the file's length, read from its
// header, has passed. A PC without any sound output plays the cue silently
// for its length, as the other systems' silent device does: the drill keeps
// its pace and a missing device is no failed cue.
#include "platform/SoundPlayerWin.h"
#include "platform/WavLength.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTimer>

#include <windows.h>
#include <mmsystem.h>

namespace karuvel {

namespace {

class WinSoundPlayer : public ISoundPlayer {
public:
    ~WinSoundPlayer() override
    {
        if (ended_) PlaySoundW(nullptr, nullptr, 0);
    }

    int start(const QString& path, Ended ended) override
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            lastError_ = QStringLiteral("音声ファイルがありません: %1").arg(path);
            return 1;
        }
        const std::optional<qint64> length = wavLengthMs(file);
        file.close();
        if (!length) {
            lastError_ = QStringLiteral("WAV ファイルではありません: %1").arg(path);
            return 2;
        }
        if (!timer_) {
            timer_ = new QTimer(QCoreApplication::instance());
            timer_->setSingleShot(true);
            timer_->setTimerType(Qt::PreciseTimer);
            QObject::connect(timer_, &QTimer::timeout, [this] { finish(); });
        }
        // A sound still playing is cut short (PlaySound stops it for the new
        // one): its caller goes on as after its end.
        finish();
        if (waveOutGetNumDevs() > 0) {
            const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
            if (!PlaySoundW(name.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT)) {
                lastError_ = QStringLiteral("音声を再生できません: %1").arg(path);
                return 3;
            }
        }
        ended_ = std::move(ended);
        timer_->start(int(std::min<qint64>(*length, 24 * 3600 * 1000)));
        return 0;
    }

    QString errorText(int) const override { return lastError_; }

private:
    void finish()
    {
        if (!ended_) return;
        if (timer_) timer_->stop();
        Ended ended = std::move(ended_);
        ended_ = nullptr;
        ended(0);
    }

    QString lastError_;
    QPointer<QTimer> timer_;  // gone with the application object
    Ended ended_;
};

} // namespace

ISoundPlayer& realSoundPlayer()
{
    static WinSoundPlayer player;
    return player;
}

} // namespace karuvel
