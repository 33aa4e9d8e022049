// Karuvel: the map drill of Japan's physical geography.
#include "dashboard/Register.h"
#include "admin/Register.h"
#include "drill/Register.h"
#include "frame/FirstFrame.h"
#include "frame/ScreenScale.h"
#include "frame/SmallWindows.h"
#include "platform/Platform.h"
#include "platform/ProgramFonts.h"
#include "platform/QtJapanese.h"
#include "roster/Register.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>

#include <cmath>
#include <cstdlib>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// The size of the screen as the toolkit sees it without a scale of ours
// (`taken`: the scale the toolkit started with).
QSizeF unscaledScreenSize(double taken)
{
    if (QScreen* s = QGuiApplication::primaryScreen()) return QSizeF(s->size()) * taken;
    return QSizeF(1024, 768);
}

// Sets (or clears) the scale for the toolkit's next start.
void setScale(double factor)
{
    qputenv("KARUVEL_SCALED", "1");
    if (factor == 1.0) {
        qunsetenv("QT_SCALE_FACTOR");
        qunsetenv("QT_SCALE_FACTOR_ROUNDING_POLICY");
        return;
    }
    qputenv("QT_SCALE_FACTOR", QByteArray::number(factor, 'f', 4));
    qputenv("QT_SCALE_FACTOR_ROUNDING_POLICY", "PassThrough");
}

bool scaleChosen()
{
    return qEnvironmentVariableIsSet("KARUVEL_SCALED") || qEnvironmentVariableIsSet("QT_SCALE_FACTOR");
}

#ifdef _WIN32
// Windows: a short-lived probe application measures the screen and the scale
// is set in this process, before the program's own application is made.
void scaleBeforeStart(int argc, char** argv)
{
    if (scaleChosen()) return;
    double factor = 1.0;
    {
        QGuiApplication probe(argc, argv);
        factor = karuvel::scaleForScreen(unscaledScreenSize(1.0));
    }
    setScale(factor);
}
#else
// The toolkit starts with the scale noted at the last start (none without a
// note); 0 when a scale was given from outside, which stands.
double takeNotedScale()
{
    if (scaleChosen()) return 0;
    const double noted = karuvel::notedScale();
    setScale(noted);
    qunsetenv("KARUVEL_SCALED");  // until the screen has confirmed it
    return noted;
}

// Once the application has found the screen's size, the program notes the
// scale it needs and goes straight on when that is the scale taken (the same
// screen as last time, or a 1024 x 768 one); otherwise it starts itself again
// with that scale.
void scaleToScreen(char** argv, double taken)
{
    if (taken <= 0) return;
    const double wanted = karuvel::scaleForScreen(unscaledScreenSize(taken));
    karuvel::noteScale(wanted, taken);
    qputenv("KARUVEL_SCALED", "1");
    if (!karuvel::scaleDiffers(taken, wanted)) return;
    setScale(wanted);
    // By its own name, so that the system lists the program as itself.
    const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
    execv(self.constData(), argv);  // on failure, carry on with the scale taken
}
#endif

// The program's icon at the sizes a task bar and a window frame ask for.
QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

// The desktop entry's name ties the window to its menu entry, so that a task bar
// shows the entry's icon and name; the window's own icon is there for desktops
// that do not look the entry up. Its seven sizes are read once the first
// screen is up.
void identifyToDesktop(QApplication& app)
{
    QGuiApplication::setDesktopFileName(QStringLiteral("org.karuvel.Karuvel"));
    karuvel::afterFirstFrame(nullptr, [&app] { app.setWindowIcon(programIcon()); }, 1000);
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    scaleBeforeStart(argc, argv);
    QApplication app(argc, argv);
#else
    const double taken = takeNotedScale();
    QApplication app(argc, argv);
    scaleToScreen(argv, taken);
#endif
    identifyToDesktop(app);
    karuvel::loadProgramFonts();
    app.setFont(QFont(QStringLiteral("IPAGothic"), 12));
    karuvel::installQtJapanese(&app);
    karuvel::installRealPlatform();
    karuvel::registerFrameScreens();
    karuvel::registerDrillScreens();
    karuvel::registerRosterScreens();
    karuvel::registerDashboardScreens();
    karuvel::registerAdminScreens();
    karuvel::startProgram();
    return app.exec();
}
