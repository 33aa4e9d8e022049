#include "frame/ScreenScale.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace karuvel {

namespace {
constexpr double kLayoutWidth = 1024.0;
constexpr double kLayoutHeight = 768.0;
// Differences below this are not worth a scale, nor a second start.
constexpr double kTolerance = 0.01;
}

double scaleForScreen(const QSizeF& size)
{
    const double factor = std::min(size.width() / kLayoutWidth, size.height() / kLayoutHeight);
    if (!(factor > 0.2) || std::abs(factor - 1.0) <= kTolerance) return 1.0;
    return factor;
}

bool scaleDiffers(double taken, double wanted) { return std::abs(taken - wanted) > kTolerance; }

QByteArray scaleNoteText(double scale) { return QByteArray::number(scale, 'f', 4) + '\n'; }

double scaleFromNoteText(const QByteArray& text)
{
    bool ok = false;
    const double scale = text.trimmed().toDouble(&ok);
    return ok && scale > 0.2 && scale < 20 ? scale : 1.0;
}

QString scaleNotePath()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty()) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty()) return {};
        cache = home + QStringLiteral("/.cache");
    }
    return cache + QStringLiteral("/karuvel/screen-scale");
}

double notedScale()
{
    QFile note(scaleNotePath());
    if (note.fileName().isEmpty() || !note.open(QIODevice::ReadOnly)) return 1.0;
    return scaleFromNoteText(note.read(64));
}

void noteScale(double scale, double noted)
{
    if (!scaleDiffers(noted, scale)) return;
    const QString path = scaleNotePath();
    if (path.isEmpty()) return;
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile note(path);
    if (note.open(QIODevice::WriteOnly)) {
        note.write(scaleNoteText(scale));
        note.commit();
    }
}

} // namespace karuvel
