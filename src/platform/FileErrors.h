#pragma once
// Clear Japanese messages for files that cannot be used, naming the file and
// its full path (the screens show them: frame/FileMessages.h).
#include <QString>

namespace karuvel {

enum class FileProblem { Missing, Unreadable, Short, TooManyLevels, NotWritable, Malformed };

QString fileProblemText(const QString& fullPath, FileProblem problem);

} // namespace karuvel
