#pragma once
// Shift_JIS (code page 932) text, and text files in it with CR LF. The
// conversion is ICU's (Cp932Icu.cpp), on Windows the system's own (Cp932Win.cpp).
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace karuvel {

QString decodeCp932(const QByteArray& bytes);
// Characters code page 932 cannot hold become "?" (never silently dropped).
QByteArray encodeCp932(const QString& text);
// True when every character of the text has a code page 932 form.
bool fitsCp932(const QString& text);

enum class FileStatus { Ok, NotFound, Unreadable, NotWritable };

// Reads a whole file and decodes it from CP932.
FileStatus readCp932File(const QString& path, QString* text);
// Writes lines in CP932, each ended by CR LF; the file is replaced atomically.
// On failure *reason (when given) tells why: the system's description and
// "（エラー番号 N）".
FileStatus writeCp932Lines(const QString& path, const QStringList& lines, QString* reason = nullptr);
// Writes the text as it stands (line ends included) in CP932, atomically.
FileStatus writeCp932Text(const QString& path, const QString& text, QString* reason = nullptr);

} // namespace karuvel
