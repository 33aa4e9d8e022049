#include "platform/QtJapanese.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace karuvel {

QString qtTranslationsFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool installQtJapanese(QCoreApplication* app)
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    // Beside the program first (the Windows build carries its own), then the toolkit's folder.
    const QStringList folders = {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                                 qtTranslationsFolder(), QStringLiteral("/usr/share/qt6/translations")};
    bool loaded = false;
    for (const QString& name : {QStringLiteral("qtbase_ja")}) {
        for (const QString& folder : folders) {
            auto* t = new QTranslator(app);
            if (t->load(name, folder)) {
                app->installTranslator(t);
                loaded = true;
                break;
            }
            delete t;
        }
    }
    return loaded;
}

} // namespace karuvel
