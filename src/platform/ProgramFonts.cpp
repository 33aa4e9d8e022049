#include "platform/ProgramFonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>

namespace karuvel {

int loadProgramFonts()
{
    const QDir fonts(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
    if (!fonts.exists()) return 0;
    int loaded = 0;
    const QStringList files =
        fonts.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.ttc"), QStringLiteral("*.otf")}, QDir::Files);
    for (const QString& f : files)
        if (QFontDatabase::addApplicationFont(fonts.filePath(f)) >= 0) ++loaded;
    return loaded;
}

} // namespace karuvel
