#include "platform/WavLength.h"

#include <QIODevice>
#include <QtEndian>

namespace karuvel {

std::optional<qint64> wavLengthMs(QIODevice& file)
{
    const qint64 size = file.size();
    if (!file.seek(0)) return std::nullopt;
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE") return std::nullopt;
    quint32 bytesPerSecond = 0;
    for (qint64 at = 12; at + 8 <= size;) {
        if (!file.seek(at)) return std::nullopt;
        const QByteArray head = file.read(8);
        if (head.size() < 8) return std::nullopt;
        const QByteArray id = head.left(4);
        const quint32 chunk = qFromLittleEndian<quint32>(head.constData() + 4);
        const qint64 body = at + 8;
        if (id == "data") {
            if (bytesPerSecond == 0) return std::nullopt;  // no format before the data
            // A recorder that stopped early leaves the declared size too large.
            const qint64 bytes = std::min<qint64>(chunk, size - body);
            return bytes * 1000 / bytesPerSecond;
        }
        if (body + qint64(chunk) > size) return std::nullopt;
        if (id == "fmt ") {
            if (chunk < 16) return std::nullopt;
            const QByteArray fmt = file.read(16);
            if (fmt.size() < 16) return std::nullopt;
            const quint32 sampleRate = qFromLittleEndian<quint32>(fmt.constData() + 4);
            const quint32 average = qFromLittleEndian<quint32>(fmt.constData() + 8);
            const quint16 blockAlign = qFromLittleEndian<quint16>(fmt.constData() + 12);
            // The average rate is what compressed formats state; the block size
            // times the rate is exact for plain samples when a writer left it out.
            bytesPerSecond = average != 0 ? average : sampleRate * blockAlign;
        }
        at = body + qint64(chunk) + (chunk & 1);  // chunks are padded to even sizes
    }
    return std::nullopt;
}

} // namespace karuvel
