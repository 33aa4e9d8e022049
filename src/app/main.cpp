// Karuvel: the map drill of Japan's physical geography.
#include "dashboard/Register.h"
#include "admin/Register.h"
#include "drill/Register.h"
#include "frame/FirstFrame.h"
#include "frame/SmallWindows.h"
#include "platform/Platform.h"
#include "platform/ProgramFonts.h"
#include "platform/QtJapanese.h"
#include "roster/Register.h"

#include <QApplication>
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

// The program is laid out for a 1024 x 768 screen. On a larger (or smaller)
// screen the whole user interface is scaled by the toolkit, so that text and
// lines stay crisp. The toolkit takes a scale only when it starts.
double screenFactor()
{
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QSize size = s->size();
        return std::min(size.width() / 1024.0, size.height() / 768.0);
    }
    return 1.0;
}

// Sets the scale for the toolkit's next start; false where none is needed.
bool setScale(double factor)
{
    qputenv("KARUVEL_SCALED", "1");
    if (factor <= 0.2 || std::abs(factor - 1.0) <= 0.01) return false;
    qputenv("QT_SCALE_FACTOR", QByteArray::number(factor, 'f', 4));
    qputenv("QT_SCALE_FACTOR_ROUNDING_POLICY", "PassThrough");
    return true;
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
        factor = screenFactor();
    }
    setScale(factor);
}
#else
// Once the application has found the screen's size, the program starts itself
// again with the scale where it needs one, and goes straight on where it needs
// none (a 1024 x 768 screen pays for no second start of the toolkit).
void scaleToScreen(char** argv)
{
    if (scaleChosen()) return;
    if (setScale(screenFactor())) execv("/proc/self/exe", argv);  // on failure, carry on unscaled
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
    QApplication app(argc, argv);
    scaleToScreen(argv);
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
