// A plain Qt hello window, the yardstick of bench_first_screen: a full-screen
// label started the way the program is. With KARUVEL_SCREEN_LOG naming a file
// it adds "drawn hello <processor ms> <clock ms>" there once its first frame
// is drawn, as the program does for its screens.
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QTimer>

#include <chrono>
#include <ctime>

namespace {

class FirstFrame : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != QEvent::Paint || drawn_) return false;
        drawn_ = true;
        QTimer::singleShot(0, this, [] {
            const double cpuMs = double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
            const double clockMs =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
            QFile f(QString::fromLocal8Bit(qgetenv("KARUVEL_SCREEN_LOG")));
            if (f.open(QIODevice::Append | QIODevice::Text))
                f.write("drawn hello " + QByteArray::number(cpuMs, 'f', 1) + ' ' + QByteArray::number(clockMs, 'f', 1) +
                        '\n');
        });
        return false;
    }

private:
    bool drawn_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel hello(QStringLiteral("Hello"));
    hello.setAlignment(Qt::AlignCenter);
    if (!qEnvironmentVariableIsEmpty("KARUVEL_SCREEN_LOG")) hello.installEventFilter(new FirstFrame(&hello));
    hello.showFullScreen();
    return app.exec();
}
