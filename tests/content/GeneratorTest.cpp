// The map generator on small fixtures: one square island, a few places.
#include "MapContent.h"
#include "TempDir.h"
#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

using namespace karuvel;
using namespace karuvel::mapgen;

namespace {

// A square island from lon 130..132, lat 34..36, cut into two prefectures at lon 131;
// with lon0 128, lat0 37, k 40 it covers x 80..160, y 40..120.
const char* kIsland = R"({"type": "FeatureCollection", "features": [
 {"type": "Feature", "properties": {"code": 1}, "geometry": {"type": "Polygon", "coordinates":
   [[[130, 34], [131, 34], [131, 36], [130, 36], [130, 34]]]}},
 {"type": "Feature", "properties": {"code": 2}, "geometry": {"type": "MultiPolygon", "coordinates":
   [[[[131, 34], [132, 34], [132, 36], [131, 36], [131, 34]]]]}}]})";

const char* kProjection = R"({"type": "equirectangular", "lon0": 128, "lat0": 37, "kx": 40, "ky": 40})";

void write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray place(const char* name, const char* geometry, const char* related = R"(["甲", "乙"])")
{
    return QByteArray(R"({"region": "九州", "name": ")") + name + R"(", "reading": "かわ", "related": )" + related +
           R"(, "geometry": )" + geometry + "}";
}

QByteArray kindFile(const char* kind, const char* file, const QByteArray& places, const char* samples = R"(["land"])")
{
    return QByteArray(R"({"kind": ")") + kind + R"(", "data_file": ")" + file + R"(", "colour": [0, 0, 255], "samples": )" +
           samples + R"(, "places": [)" + places + "]}";
}

struct Fixture {
    test::TempDir dir;
    GenerateOptions options() const
    {
        GenerateOptions o;
        o.contentDir = dir.path() + QStringLiteral("content");
        o.geoDir = dir.path() + QStringLiteral("geo");
        o.outDir = dir.path() + QStringLiteral("out");
        return o;
    }
    Fixture(const QByteArray& maps = R"({"maps": [{"key": "日本川", "kinds": ["rivers"]}, {"key": "日本半島", "kinds": ["peninsulas"]}]})")
    {
        write(dir.file(QStringLiteral("geo/prefectures.geojson")), kIsland);
        write(dir.file(QStringLiteral("content/projection.json")), kProjection);
        write(dir.file(QStringLiteral("content/maps.json")), maps);
    }
    void kind(const char* kind, const QByteArray& text)
    {
        write(dir.file(QStringLiteral("content/geography/%1.json").arg(QLatin1String(kind))), text);
    }
};

QStringList csvLines(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n"));
    return decodeCp932(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

} // namespace

TEST(MapGenerator, DrawsBaseAndPlacesWritesSeedsAndSkipsKindsNotYetAuthored)
{
    Fixture fx;
    fx.kind("rivers", kindFile("rivers", "データ.csv",
                               place("東川", R"({"type": "line", "width": 3, "clip": "land", "coords": [[130.2, 36.2], [130.2, 33.8]]})") + "," +
                                   place("西川", R"({"type": "line", "width": 5, "coords": [[131.5, 36.2], [131.5, 33.8]]})",
                                         R"(["丙", "丁", "戊"])")));
    QStringList problems, notes;
    ASSERT_TRUE(generateAll(fx.options(), &problems, &notes));
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(notes.join(QString()).contains(QStringLiteral("peninsulas")));
    EXPECT_FALSE(QFileInfo::exists(fx.options().outDir + QStringLiteral("/maps/日本半島.png")));

    const QImage img(fx.options().outDir + QStringLiteral("/maps/日本川.png"));
    ASSERT_EQ(img.size(), QSize(kMapWidth, kMapHeight));
    EXPECT_EQ(img.pixelColor(10, 10), kSea);
    EXPECT_EQ(img.pixelColor(100, 60), kLand);
    EXPECT_EQ(img.pixelColor(120, 60), QColor(0, 0, 0)) << "the border between the two prefectures";
    EXPECT_EQ(img.pixelColor(160, 60), QColor(0, 0, 0)) << "the coast";

    const QStringList lines = csvLines(fx.options().outDir + QStringLiteral("/data/データ.csv"));
    ASSERT_EQ(lines.size(), 3);
    const QStringList east = lines[0].split(QLatin1Char(','));
    ASSERT_EQ(east.size(), 18);
    EXPECT_EQ(east.mid(0, 8), (QStringList{"九州", "東川", "かわ", "*", "*", "甲", "乙", "*"}));
    // The seed is on the river's centre line, inside the land.
    EXPECT_EQ(east[15].toInt(), 88);
    EXPECT_GT(east[16].toInt(), 45);
    EXPECT_LT(east[16].toInt(), 115);
    EXPECT_EQ(img.pixelColor(east[15].toInt(), east[16].toInt()), QColor(0, 0, 255));
    const QStringList sample = lines[2].split(QLatin1Char(','));
    ASSERT_EQ(sample.size(), 18);
    EXPECT_EQ(sample[1], QStringLiteral("無効色"));
    EXPECT_EQ(img.pixelColor(sample[15].toInt(), sample[16].toInt()), kLand);
    // The unclipped river crosses the coast; the clipped one stops inside it.
    EXPECT_EQ(img.pixelColor(140, 39), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(88, 39), kSea);
}

TEST(MapGenerator, ReportsPlacesPaintedOverEachOtherAndSameColouredNeighbours)
{
    Fixture fx;
    fx.kind("rivers", kindFile("rivers", "データ.csv",
                               place("甲池", R"({"type": "dot", "center": [130.5, 35], "radius": 6})") + "," +
                                   place("乙池", R"({"type": "dot", "center": [130.6, 35], "radius": 6})") + "," +
                                   place("丙池", R"({"type": "polygon", "coords": [[131.2, 35.5], [131.6, 35.5], [131.6, 35.6], [131.2, 35.6]]})") + "," +
                                   place("丁池", R"({"type": "polygon", "coords": [[131.2, 35.4], [131.6, 35.4], [131.6, 35.5], [131.2, 35.5]]})") + "," +
                                   place("戊池", R"({"type": "dot", "center": [131.5, 34.3], "radius": 2})")));
    QStringList problems, notes;
    generateAll(fx.options(), &problems, &notes);
    const QString all = problems.join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("「戊池」は 5 x 5 ピクセルの正方形が入らず"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("「乙池」が「甲池」の上に描かれています"))) << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("「丙池」と「丁池」が同じ色で接しています"))) << all.toStdString();
}

TEST(MapGenerator, ClipsToLandOrSeaAndKeepsOnePieceWithoutInnerBorders)
{
    Fixture fx(R"({"maps": [{"key": "日本半島", "kinds": ["peninsulas"]}]})");
    // A polygon over the whole island and beyond, clipped to land: one patch over the border.
    fx.kind("peninsulas", kindFile("peninsulas", "データ半島.csv",
                                   place("島半島", R"({"type": "polygon", "clip": "land", "coords": [[129.5, 33.5], [132.5, 33.5], [132.5, 36.5], [129.5, 36.5]]})")));
    QStringList problems, notes;
    ASSERT_TRUE(generateAll(fx.options(), &problems, &notes));
    const QImage img(fx.options().outDir + QStringLiteral("/maps/日本半島.png"));
    EXPECT_EQ(img.pixelColor(120, 80), QColor(0, 0, 255)) << "no border inside the patch";
    EXPECT_EQ(img.pixelColor(160, 80), QColor(0, 0, 0)) << "the coast stays";
    EXPECT_EQ(img.pixelColor(70, 80), kSea);
    // The land sample falls on nothing: the island is all patch, so the file names no usable land point.
    EXPECT_NE(problems.join(QString()).indexOf(QStringLiteral("無効色")), -1);

    Fixture sea(R"({"maps": [{"key": "データ湾湖", "kinds": ["bays_lakes"]}]})");
    sea.kind("bays_lakes", kindFile("bays_lakes", "データ湾湖.csv",
                                    place("西湾", R"({"type": "polygon", "clip": "sea", "coords": [[129.5, 34.5], [130.5, 34.5], [130.5, 35.5], [129.5, 35.5]]})")));
    problems.clear();
    ASSERT_TRUE(generateAll(sea.options(), &problems, &notes));
    const QImage bay(sea.options().outDir + QStringLiteral("/maps/データ湾湖.png"));
    EXPECT_EQ(bay.pixelColor(70, 80), QColor(0, 0, 255));
    EXPECT_EQ(bay.pixelColor(90, 80), kLand) << "a sea clip leaves the land alone";
}

// Thin peninsulas and narrow bays: the coast clips keep the coast line's pixels,
// and "grow" widens a clipped shape all round (drawn larger than life).
TEST(MapGenerator, CoastClipsKeepTheCoastLineAndGrowWidensTheShape)
{
    Fixture fx(R"({"maps": [{"key": "日本半島", "kinds": ["peninsulas"]}]})");
    // Three bands across the east coast (x 160): y 44..56, 68..80, 104..116.
    fx.kind("peninsulas", kindFile("peninsulas", "データ半島.csv",
                                   place("北半島", R"({"type": "polygon", "clip": "land_coast", "coords": [[131.5, 35.6], [132.5, 35.6], [132.5, 35.9], [131.5, 35.9]]})") + "," +
                                       place("中湾", R"({"type": "polygon", "clip": "sea_coast", "coords": [[131.5, 35.0], [132.5, 35.0], [132.5, 35.3], [131.5, 35.3]]})") + "," +
                                       place("南半島", R"({"type": "polygon", "clip": "land", "grow": 2, "coords": [[131.5, 34.1], [132.5, 34.1], [132.5, 34.4], [131.5, 34.4]]})")));
    QStringList problems, notes;
    ASSERT_TRUE(generateAll(fx.options(), &problems, &notes));
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    const QImage img(fx.options().outDir + QStringLiteral("/maps/日本半島.png"));
    const QColor blue(0, 0, 255);
    auto coastX = [&](int y) { // the black coast pixel of the row on the unpainted base
        for (int x = 150; x < 170; ++x)
            if (img.pixelColor(x, y) == QColor(0, 0, 0))
                return x;
        return -1;
    };
    const int coast = coastX(90);
    ASSERT_GE(coast, 155);
    // land_coast: land and coast, no sea.
    EXPECT_EQ(img.pixelColor(coast - 3, 50), blue);
    EXPECT_EQ(img.pixelColor(coast, 50), blue) << "the coast pixel belongs to the peninsula";
    EXPECT_EQ(img.pixelColor(coast + 2, 50), kSea);
    // sea_coast: sea and coast, no land.
    EXPECT_EQ(img.pixelColor(coast, 74), blue) << "the coast pixel belongs to the bay";
    EXPECT_EQ(img.pixelColor(coast + 3, 74), blue);
    EXPECT_EQ(img.pixelColor(coast - 2, 74), kLand);
    // land with grow 2: two pixels past the land on every side, over the coast into the sea.
    EXPECT_EQ(img.pixelColor(coast + 1, 110), blue);
    EXPECT_EQ(img.pixelColor(coast + 3, 110), kSea);
    const QRect band = [&] {
        QRect r;
        for (const QPoint& p : floodRegion(img, QPoint(140, 110)))
            r |= QRect(p, QSize(1, 1));
        return r;
    }();
    EXPECT_EQ(band.top(), 104 - 2);
    EXPECT_EQ(band.bottom(), 115 + 2);

    // A grow outside 0..6 whole pixels is refused, naming the place.
    fx.kind("peninsulas", kindFile("peninsulas", "データ半島.csv",
                                   place("南半島", R"({"type": "polygon", "clip": "land", "grow": 9, "coords": [[131.5, 34.1], [132.5, 34.1], [132.5, 34.4]]})")));
    problems.clear();
    EXPECT_FALSE(generateAll(fx.options(), &problems, &notes));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("南半島")) && problems[0].contains(QStringLiteral("grow")))
        << problems[0].toStdString();
}

TEST(MapGenerator, MalformedKindFileIsNamedAndStopsTheRun)
{
    Fixture fx;
    fx.kind("rivers", R"({"kind": "rivers", "data_file": "データ.csv", "colour": [0, 0, 255], "places": [)");
    QStringList problems, notes;
    EXPECT_FALSE(generateAll(fx.options(), &problems, &notes));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("rivers.json"))) << problems[0].toStdString();

    fx.kind("rivers", kindFile("rivers", "データ.csv", place("東川", R"({"type": "spiral"})")));
    problems.clear();
    EXPECT_FALSE(generateAll(fx.options(), &problems, &notes));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("東川"))) << problems[0].toStdString();
}

TEST(MapGenerator, InnermostPixelIsOffTheEdge)
{
    // A 3-pixel bar: the seed is on its middle row, near its middle.
    QVector<QPoint> bar;
    for (int x = 0; x < 21; ++x)
        for (int y = 5; y < 8; ++y)
            bar << QPoint(x, y);
    EXPECT_EQ(innermostPixel(bar), QPoint(10, 6));
    // An L shape: the seed is in the thick part.
    QVector<QPoint> l;
    for (int x = 0; x < 30; ++x)
        l << QPoint(x, 0);
    for (int x = 0; x < 7; ++x)
        for (int y = 1; y < 8; ++y)
            l << QPoint(x, y);
    EXPECT_EQ(innermostPixel(l), QPoint(3, 3));
}

TEST(MapGenerator, QuestionFileComesFromTheFirstMapOfItsKind)
{
    Fixture fx(R"({"maps": [{"key": "日本山平野2", "kinds": ["plains", "mountains"]}, {"key": "日本平野", "kinds": ["plains"]}]})");
    fx.kind("plains", kindFile("plains", "データ平野.csv",
                               place("東平野", R"({"type": "polygon", "clip": "land", "coords": [[130.1, 34.1], [130.8, 34.1], [130.8, 34.8], [130.1, 34.8]]})"),
                               R"(["land", "mountains"])"));
    fx.kind("mountains", kindFile("mountains", "データ山.csv", place("西山", R"({"type": "dot", "center": [131.5, 35.5], "radius": 4})")));
    GenerateOptions o = fx.options();
    o.onlyKeys = QStringList{QStringLiteral("日本平野")};
    QStringList problems, notes;
    ASSERT_TRUE(generateAll(o, &problems, &notes));
    EXPECT_TRUE(QFileInfo::exists(o.outDir + QStringLiteral("/maps/日本平野.png")));
    EXPECT_FALSE(QFileInfo::exists(o.outDir + QStringLiteral("/data/データ平野.csv"))) << "would lack the mountains sample";

    o.onlyKeys.clear();
    problems.clear();
    ASSERT_TRUE(generateAll(o, &problems, &notes));
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    const QStringList lines = csvLines(o.outDir + QStringLiteral("/data/データ平野.csv"));
    ASSERT_EQ(lines.size(), 3); // the plain, then the land and mountain samples
    const QImage img(o.outDir + QStringLiteral("/maps/日本山平野2.png"));
    const QStringList mountainSample = lines[2].split(QLatin1Char(','));
    EXPECT_EQ(img.pixelColor(mountainSample[15].toInt(), mountainSample[16].toInt()), QColor(0, 0, 255));
    EXPECT_NEAR(mountainSample[15].toInt(), 140, 1) << "on the mountain's dot";
    EXPECT_NEAR(mountainSample[16].toInt(), 60, 1);
    EXPECT_EQ(mountainSample[1], QStringLiteral("無効色"));
}

// A ragged coast (outline points zigzagging within a pixel or so) is drawn as a
// line of even width: on the map every coast pixel touches the sea, and on the
// larger maps every black pixel lies within the scale's width of the sea. The
// larger maps show each place where the map at its own size has it.
TEST(MapGenerator, RaggedCoastStaysThinAndLargerMapsFollowTheMap)
{
    // A square island whose east side zigzags by 0.03° (1.2 px) every 0.05° of latitude.
    QByteArray ring = "[[130, 34], [132, 34]";
    for (int i = 1; i < 40; ++i)
        ring += QByteArray(", [") + QByteArray::number(132 + (i % 2) * 0.03) + ", " + QByteArray::number(34 + i * 0.05) + "]";
    ring += ", [132, 36], [130, 36], [130, 34]]";
    Fixture fx(R"({"maps": [{"key": "日本川", "kinds": ["rivers"]}]})");
    write(fx.dir.file(QStringLiteral("geo/prefectures.geojson")),
          QByteArray(R"({"type": "FeatureCollection", "features": [{"type": "Feature", "properties": {"code": 1},)"
                     R"( "geometry": {"type": "Polygon", "coordinates": [)") + ring + "]}}]}");
    fx.kind("rivers", kindFile("rivers", "データ.csv",
                               place("東川", R"({"type": "line", "width": 3, "clip": "land", "coords": [[131.0, 35.5], [132.5, 35.5]]})")));
    QStringList problems, notes;
    ASSERT_TRUE(generateAll(fx.options(), &problems, &notes));
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    const QImage one(fx.options().outDir + QStringLiteral("/maps/日本川.png"));
    auto seaWithin = [](const QImage& img, QPoint p, int r) {
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
                if (dx * dx + dy * dy <= r * r && img.valid(p + QPoint(dx, dy)) && img.pixelColor(p + QPoint(dx, dy)) == kSea)
                    return true;
        return false;
    };
    int coast = 0;
    for (int y = 45; y < 115; ++y)
        for (int x = 150; x < 175; ++x)
            if (one.pixelColor(x, y) == QColor(0, 0, 0)) {
                ++coast;
                EXPECT_TRUE(seaWithin(one, QPoint(x, y), 1)) << "a coast pixel away from the sea at " << x << "," << y;
            }
    EXPECT_GE(coast, 70) << "one coast pixel a row at least";
    // The river ends at the coast and its seed is on the river.
    const QStringList rec = csvLines(fx.options().outDir + QStringLiteral("/data/データ.csv"))[0].split(QLatin1Char(','));
    const QPoint seed(rec[15].toInt(), rec[16].toInt());
    ASSERT_EQ(one.pixelColor(seed), QColor(0, 0, 255));
    const QVector<QPoint> river = floodRegion(one, seed);
    for (int s : kDetailScales) {
        SCOPED_TRACE(s);
        const QImage big(fx.options().outDir + QStringLiteral("/maps/") + detailMapName(QStringLiteral("日本川"), s));
        ASSERT_EQ(big.size(), one.size() * s);
        for (int y = 45 * s; y < 115 * s; ++y)
            for (int x = 150 * s; x < 175 * s; ++x)
                if (big.pixelColor(x, y) == QColor(0, 0, 0))
                    ASSERT_TRUE(seaWithin(big, QPoint(x, y), s)) << "a black pixel away from the sea at " << x << "," << y;
        // Every river pixel shows on its block, and the larger river is one piece.
        QPoint start(-1, -1);
        for (int i = 0; i < s * s && start.x() < 0; ++i)
            if (big.pixelColor(seed * s + QPoint(i % s, i / s)) == QColor(0, 0, 255))
                start = seed * s + QPoint(i % s, i / s);
        ASSERT_GE(start.x(), 0);
        const QVector<QPoint> large = floodRegion(big, start);
        const QSet<QPoint> inLarge(large.begin(), large.end());
        for (const QPoint& p : river) {
            bool shown = false;
            for (int i = 0; i < s * s && !shown; ++i)
                shown = inLarge.contains(p * s + QPoint(i % s, i / s));
            EXPECT_TRUE(shown) << p.x() << "," << p.y();
        }
    }
}

// Beside the question file, its truth file: every related place that a
// question shows, with every place it is true of (shown or in also_related).
// An also_related that repeats a shown related place is a problem.
TEST(MapGenerator, WritesTheTruthFileBesideTheQuestionFile)
{
    Fixture fx;
    const char* line1 = R"({"type": "line", "width": 3, "clip": "land", "coords": [[130.2, 36.2], [130.2, 33.8]]})";
    const char* line2 = R"({"type": "line", "width": 5, "coords": [[131.5, 36.2], [131.5, 33.8]]})";
    QByteArray east = place("東川", line1);
    east.insert(east.size() - 1, R"(, "also_related": ["丙", "己"])");
    QByteArray west = place("西川", line2, R"(["丙", "丁", "甲"])");
    fx.kind("rivers", kindFile("rivers", "データ.csv", east + "," + west));
    QStringList problems, notes;
    ASSERT_TRUE(generateAll(fx.options(), &problems, &notes));
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(truthFileName(QStringLiteral("データ山.csv")), QStringLiteral("関係データ山.csv"));
    // "己" is shown by no question: no record.
    EXPECT_EQ(csvLines(fx.options().outDir + QStringLiteral("/data/関係データ.csv")),
              (QStringList{"甲,東川,西川", "乙,東川", "丙,東川,西川", "丁,西川"}));

    QByteArray twice = place("東川", line1);
    twice.insert(twice.size() - 1, R"(, "also_related": ["乙"])");
    fx.kind("rivers", kindFile("rivers", "データ.csv", twice));
    problems.clear();
    generateAll(fx.options(), &problems, &notes);
    EXPECT_TRUE(problems.join(QString()).contains(QStringLiteral("also_related の「乙」"))) << problems.join(QLatin1Char('\n')).toStdString();
}
