#pragma once
// The demo school: a complete shared data root (school settings, roster, sound
// folder, the program's data folder with its criteria and a few days of past
// runs) and the path file that names it.
#include <QDate>
#include <QString>

namespace karuvel::demo {

// The name of the program folder, and so of the program's data folder.
QString programFolderName();

// Makes the data root at `root` for a school year taken from `today`. Refuses
// when anything exists at `root`. The files are made in a scratch folder beside
// it and moved into place at the end, so a failure leaves nothing half made.
// Returns an empty text on success, else a Japanese message.
QString makeDemoSchool(const QString& root, const QDate& today);

// Writes the path file: the absolute path of `root` with a trailing "/" as
// field 1 of 10. Returns an empty text on success, else a Japanese message.
QString writePathFile(const QString& pathFile, const QString& root);

} // namespace karuvel::demo
