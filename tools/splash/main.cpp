// Draws the splash picture ahead, as the program would draw it, and writes
// its pixels where the program's build takes them from:
//   cmake --build build --target splash_picture
// (or karuvel-splash <file>). Run it again after a change to the drawing or
// to the map it shows; tests/frame checks that the two still agree.
#include "frame/SplashPicture.h"

#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: karuvel-splash <file>\n");
        return 2;
    }
    const QImage picture = karuvel::drawSplashPicture().convertToFormat(QImage::Format_RGB32);
    QSaveFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "karuvel-splash: %s: %s\n", argv[1], qPrintable(out.errorString()));
        return 1;
    }
    // The toolkit's 32-bit pixels, row after row, as the program reads them in place.
    for (int y = 0; y < picture.height(); ++y)
        out.write(reinterpret_cast<const char*>(picture.constScanLine(y)), qint64(picture.width()) * 4);
    if (!out.commit()) {
        std::fprintf(stderr, "karuvel-splash: %s: %s\n", argv[1], qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
