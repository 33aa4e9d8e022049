#include "platform/Cp932.h"
#include "platform/FilePaths.h"
#include "platform/recordio/SharedFile.h"

#include <QFile>
#include <QFileInfo>

namespace karuvel {

FileStatus readCp932File(const QString& path, QString* text)
{
    QFile f(path);
    if (!f.exists()) return FileStatus::NotFound;
    if (!f.open(QIODevice::ReadOnly)) return FileStatus::Unreadable;
    *text = decodeCp932(f.readAll());
    return FileStatus::Ok;
}

FileStatus writeCp932Text(const QString& path, const QString& text, QString* reason)
{
    // In one step: a temporary file beside it, flushed, renamed over it.
    const QByteArray bytes = encodeCp932(text);
    FileFailure failure;
    if (writeWholeFile(toFsPath(path), bytes.constData(), bytes.size(), &failure)) return FileStatus::Ok;
    if (reason) {
        *reason = fromUtf8(failure.text);
        if (failure.number != 0) *reason += QStringLiteral("（エラー番号 %1）").arg(failure.number);
    }
    return FileStatus::NotWritable;
}

FileStatus writeCp932Lines(const QString& path, const QStringList& lines, QString* reason)
{
    QString text;
    for (const QString& l : lines) {
        text += l;
        text += QStringLiteral("\r\n");
    }
    return writeCp932Text(path, text, reason);
}

} // namespace karuvel
