// karuvel-mapgen: draws the six maps of Japan and writes the question files.
#include "MapContent.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Draws the maps of Japan and writes the question files."));
    parser.addHelpOption();
    const QString source = QStringLiteral(KARUVEL_SOURCE_DIR);
    QCommandLineOption content(QStringLiteral("content"), QStringLiteral("Folder with projection.json, maps.json and geography/."),
                               QStringLiteral("dir"), source + QStringLiteral("/content"));
    QCommandLineOption geo(QStringLiteral("geo"), QStringLiteral("Folder with prefectures.geojson."), QStringLiteral("dir"),
                           source + QStringLiteral("/../shared/geo"));
    QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Folder that gets maps/<key>.png and data/<file>.csv."),
                           QStringLiteral("dir"), source + QStringLiteral("/assets"));
    QCommandLineOption preview(QStringLiteral("preview"), QStringLiteral("Also write labelled previews (twice the size) here."),
                               QStringLiteral("dir"));
    QCommandLineOption guides(QStringLiteral("guides"),
                              QStringLiteral("Previews also show a 1-degree grid and the reference river lines."));
    QCommandLineOption scale(QStringLiteral("scale"), QStringLiteral("Scale of the previews (default 2)."),
                             QStringLiteral("n"), QStringLiteral("2"));
    QCommandLineOption only(QStringLiteral("only"), QStringLiteral("Draw only this map key (may be repeated)."),
                            QStringLiteral("key"));
    parser.addOptions({content, geo, out, preview, guides, scale, only});
    parser.process(app);

    karuvel::mapgen::GenerateOptions o;
    o.contentDir = QDir(parser.value(content)).absolutePath();
    o.geoDir = QDir(parser.value(geo)).absolutePath();
    o.outDir = QDir(parser.value(out)).absolutePath();
    if (parser.isSet(preview))
        o.previewDir = QDir(parser.value(preview)).absolutePath();
    o.previewGuides = parser.isSet(guides);
    o.previewScale = std::clamp(parser.value(scale).toInt(), 1, 8);
    o.onlyKeys = parser.values(only);

    QStringList problems, notes;
    const bool ok = karuvel::mapgen::generateAll(o, &problems, &notes);
    for (const QString& n : notes)
        std::fprintf(stderr, "note: %s\n", n.toUtf8().constData());
    for (const QString& p : problems)
        std::fprintf(stderr, "problem: %s\n", p.toUtf8().constData());
    if (!ok)
        return 1;
    return problems.isEmpty() ? 0 : 2;
}
