#pragma once
// Clear Japanese messages for files that cannot be used, naming the file and
// its full path; the program then ends with a non-zero status.
#include <QString>

namespace karuvel {

enum class FileProblem { Missing, Unreadable, Short, TooManyLevels, NotWritable, Malformed };

QString fileProblemText(const QString& fullPath, FileProblem problem);
// Shows the message (title "エラー") and ends the program. Never returns.
[[noreturn]] void failOnFile(const QString& fullPath, FileProblem problem);

} // namespace karuvel
