// Karuvel: the map drill of Japan's physical geography.
#include "dashboard/Register.h"
#include "admin/Register.h"
#include "drill/Register.h"
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

#include <cstdlib>
#include <unistd.h>

namespace {

// The program is laid out for a 1024 x 768 screen. On a larger (or smaller)
// screen the whole user interface is scaled by the toolkit, so that text and
// lines stay crisp. The toolkit takes a scale only when it starts: once the
// application has found the screen's size, the program starts itself again
// with the scale where it needs one, and goes straight on where it needs
// none (a 1024 x 768 screen pays for no second start of the toolkit).
void scaleToScreen(char** argv)
{
    if (qEnvironmentVariableIsSet("KARUVEL_SCALED") || qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) return;
    double factor = 1.0;
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        const QSize size = s->size();
        factor = std::min(size.width() / 1024.0, size.height() / 768.0);
    }
    qputenv("KARUVEL_SCALED", "1");
    if (factor > 0.2 && std::abs(factor - 1.0) > 0.01) {
        qputenv("QT_SCALE_FACTOR", QByteArray::number(factor, 'f', 4));
        qputenv("QT_SCALE_FACTOR_ROUNDING_POLICY", "PassThrough");
        execv("/proc/self/exe", argv);  // on failure, carry on unscaled
    }
}

// The desktop entry's name ties the window to its menu entry, so that a task bar
// shows the entry's icon and name; the window's own icon is there for desktops
// that do not look the entry up.
void identifyToDesktop(QApplication& app)
{
    QGuiApplication::setDesktopFileName(QStringLiteral("org.karuvel.Karuvel"));
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    app.setWindowIcon(icon);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    scaleToScreen(argv);
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
