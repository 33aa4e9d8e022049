#include "frame/SplashPicture.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QResource>
#include <QtEndian>

namespace karuvel {

QImage drawSplashPicture()
{
    QImage picture(kSplashWidth, kSplashHeight, QImage::Format_RGB32);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QLinearGradient sky(0, 0, 0, kSplashHeight);
    sky.setColorAt(0, QColor(150, 200, 255));
    sky.setColorAt(1, QColor(60, 130, 210));
    p.fillRect(picture.rect(), sky);
    // The program's own map of Japan, its sea made clear, on the right.
    QImage map(QStringLiteral(":/maps/日本山脈.png"));
    if (!map.isNull()) {
        map.convertTo(QImage::Format_ARGB32);  // in place: the same pixels, their alpha now counted
        const QRgb sea = map.pixel(10, 10);
        const int width = map.width(), height = map.height();
        for (int y = 0; y < height; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(map.scanLine(y));
            for (int x = 0; x < width; ++x)
                if (line[x] == sea) line[x] = qRgba(0, 0, 0, 0);
        }
        p.drawImage(QRect(282, 20, 350, 441), map);
    }
    p.setPen(QColor(255, 255, 255));
    p.setFont(QFont(QStringLiteral("IPAGothic"), 54, QFont::Bold));
    p.drawText(QRect(20, 150, 330, 90), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Karuvel"));
    p.setFont(QFont(QStringLiteral("IPAGothic"), 22));
    p.drawText(QRect(24, 240, 330, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("日本の地理"));
    p.drawText(QRect(24, 285, 330, 50), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("地図ドリル"));
    return picture;
}

QImage splashMadeAhead()
{
    // Stored uncompressed as the toolkit's 32-bit pixels (0xffRRGGBB), least
    // significant byte first: read in place, with nothing to decode.
    if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN) return {};
    const QResource stored(QStringLiteral(":/splash/splash-640x480.bgrx"));
    constexpr qint64 kBytes = qint64(kSplashWidth) * kSplashHeight * 4;
    if (!stored.isValid() || stored.compressionAlgorithm() != QResource::NoCompression || stored.size() != kBytes)
        return {};
    return QImage(stored.data(), kSplashWidth, kSplashHeight, kSplashWidth * 4, QImage::Format_RGB32);
}

QPixmap splashPicture()
{
    const QImage ahead = splashMadeAhead();
    return QPixmap::fromImage(ahead.isNull() ? drawSplashPicture() : ahead);
}

} // namespace karuvel
