#pragma once
// "バックアップ" of the records manager: a copy of the shared results file as
// it is, taken under its shared lock (no append lands half-way, and a rewrite
// that a PC left half done is finished before), written to a dated file in a
// folder the teacher chooses. A copy made with another tool while the
// programs run can catch half an append or half a rewrite. No message here:
// the window tells the answer.
#include <QDateTime>
#include <QString>

namespace karuvel {

// "成績累積データ_<yyyy-MM-dd_HHmmss>.dat" for the time when.
QString backupFileName(const QDateTime& when);

// Copies the results file into folder under the name for when (with "_2",
// "_3", ... when that name is taken). While another PC holds the file it
// waits (through the clock, the screen kept responsive) and tries again, up
// to a minute. True with the copy's path in *saved; false with a Japanese
// description naming the file at fault in *problem.
bool backupResults(const QString& folder, const QDateTime& when, QString* saved, QString* problem);

} // namespace karuvel
