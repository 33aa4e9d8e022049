#pragma once
// The per-level criteria file "タイム回数データ.txt": a header line and one
// line of 12 fields per level, read into the criteria columns of the state.
#include <QString>
#include <QStringList>

namespace karuvel {

// The nine captions of the header line, fields 1..9.
QStringList criteriaHeaderCaptions();

enum class CriteriaLoad { Ok, Missing, Unreadable, Short, TooManyLevels };

// Reads the file into entries 0, 1, 2, ... of the twelve columns; entries
// beyond the last line keep what they held. Reports what went wrong instead
// of ending the program; *levelsRead receives the number of level lines.
CriteriaLoad readCriteria(const QString& path, int* levelsRead = nullptr);

} // namespace karuvel
