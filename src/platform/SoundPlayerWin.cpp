// The cues on Windows, through the system's own player (winmm's PlaySound):
// the file is played to its end. A PC without any sound output plays the cue
// silently for its length, as the other systems' silent device does.
#include "platform/SoundPlayer.h"

#include <QFile>

#include <windows.h>
#include <mmsystem.h>

namespace karuvel {

namespace {

class WinSoundPlayer : public ISoundPlayer {
public:
    int play(const QString& path) override
    {
        if (waveOutGetNumDevs() == 0) return playSilently(path);
        const std::wstring file = path.toStdWString();
        if (PlaySoundW(file.c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT)) return 0;
        // PlaySound does not say why; a missing or unreadable file is the usual reason.
        lastError_ = QFile::exists(path) ? QStringLiteral("音声を再生できません: %1").arg(path)
                                         : QStringLiteral("音声ファイルがありません: %1").arg(path);
        return 1;
    }

    QString errorText(int) const override { return lastError_; }

private:
    // Reads the WAV file's format and length and waits as long as it would play.
    int playSilently(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            lastError_ = QStringLiteral("音声ファイルがありません: %1").arg(path);
            return 1;
        }
        const QByteArray bytes = f.read(4096);
        auto u32 = [&bytes](int at) {
            return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 |
                   quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24;
        };
        if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
            lastError_ = QStringLiteral("WAV ファイルではありません: %1").arg(path);
            return 2;
        }
        quint32 bytesPerSecond = 0;
        for (int at = 12; at + 8 <= bytes.size();) {
            const QByteArray id = bytes.mid(at, 4);
            const quint32 size = u32(at + 4);
            if (id == "fmt " && at + 16 <= bytes.size()) bytesPerSecond = u32(at + 16);
            if (id == "data") {
                if (bytesPerSecond > 0) Sleep(DWORD(qMin<quint64>(quint64(size) * 1000 / bytesPerSecond, 10000)));
                return 0;
            }
            at += 8 + int(size + (size & 1));
        }
        lastError_ = QStringLiteral("WAV ファイルではありません: %1").arg(path);
        return 2;
    }

    QString lastError_;
};

} // namespace

ISoundPlayer& realSoundPlayer()
{
    static WinSoundPlayer player;
    return player;
}

} // namespace karuvel
