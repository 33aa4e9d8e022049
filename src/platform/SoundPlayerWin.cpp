// The cues on Windows, through the system's own player (winmm's PlaySound,
// which plays in the background). The file is read here and played from
// memory: PlaySound would open a file by its name in the system's ANSI code
// page, where a Japanese folder name is lost on a PC set to another language.
// PlaySound does not report the end of a sound, so the end is reported when
// the file's length, read from its header, has passed. A PC without any sound
// output plays the cue silently for its length, as the other systems' silent
// device does: the drill keeps its pace and a missing device is no failed cue.
#include "platform/SoundPlayerWin.h"
#include "platform/WavLength.h"

#include <QCoreApplication>
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
        if (!playing_.isEmpty()) PlaySoundW(nullptr, nullptr, 0);  // before its bytes go
    }

    int start(const QString& path, Ended ended) override
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            lastError_ = QStringLiteral("音声ファイルがありません: %1").arg(path);
            return 1;
        }
        const std::optional<qint64> length = wavLengthMs(file);
        QByteArray bytes;
        if (length && file.seek(0)) bytes = file.readAll();
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
            // The bytes must stay while they play: the sound before is stopped by
            // this call, and only then are its bytes let go.
            if (bytes.isEmpty() || !PlaySoundW(reinterpret_cast<LPCWSTR>(bytes.constData()), nullptr,
                                               SND_MEMORY | SND_ASYNC | SND_NODEFAULT)) {
                lastError_ = QStringLiteral("音声を再生できません: %1").arg(path);
                return 3;
            }
            playing_ = bytes;
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
    QByteArray playing_;      // the file PlaySound plays from
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
