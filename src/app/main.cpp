// Karuvel: the map drill of Japan's physical geography.
#include "dashboard/Register.h"
#include "admin/Register.h"
#include "drill/Register.h"
#include "frame/SmallWindows.h"
#include "platform/Platform.h"
#include "platform/QtJapanese.h"
#include "records/Register.h"
#include "roster/Register.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include <cstdlib>
#include <unistd.h>

namespace {

// The program is laid out for a 1024 x 768 screen. On a larger (or smaller)
// screen the whole user interface is scaled by the toolkit, so that text and
// lines stay crisp: the scale is found once and the program restarts itself
// with it.
void scaleToScreen(int argc, char** argv)
{
    if (qEnvironmentVariableIsSet("KARUVEL_SCALED") || qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) return;
    double factor = 1.0;
    {
        QGuiApplication probe(argc, argv);
        if (QScreen* s = QGuiApplication::primaryScreen()) {
            const QSize size = s->size();
            factor = std::min(size.width() / 1024.0, size.height() / 768.0);
        }
    }
    qputenv("KARUVEL_SCALED", "1");
    if (factor > 0.2 && std::abs(factor - 1.0) > 0.01) {
        qputenv("QT_SCALE_FACTOR", QByteArray::number(factor, 'f', 4));
        qputenv("QT_SCALE_FACTOR_ROUNDING_POLICY", "PassThrough");
        execv("/proc/self/exe", argv);  // on failure, carry on unscaled
    }
}

} // namespace

int main(int argc, char** argv)
{
    scaleToScreen(argc, argv);
    QApplication app(argc, argv);
    app.setFont(QFont(QStringLiteral("IPAGothic"), 12));
    karuvel::installQtJapanese(&app);
    karuvel::installRealPlatform();
    karuvel::registerFrameScreens();
    karuvel::registerRecordsScreens();
    karuvel::registerDrillScreens();
    karuvel::registerRosterScreens();
    karuvel::registerDashboardScreens();
    karuvel::registerAdminScreens();
    karuvel::startProgram();
    return app.exec();
}
