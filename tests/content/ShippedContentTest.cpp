// Guards the shipped maps and question files: every question's seed lies inside
// its own patch, patches are separate and large enough to press, the records are
// well formed, the list levels can always draw four wrong related places, and
// the files are exactly what the generator makes from content/.
#include "MapContent.h"
#include "TempDir.h"
#include "platform/Cp932.h"
#include "platform/FieldReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <deque>

#include <gtest/gtest.h>

using namespace karuvel;
using namespace karuvel::mapgen;

namespace {

const QString kSource = QStringLiteral(KARUVEL_SOURCE_DIR);
const QString kGeo = QStringLiteral(KARUVEL_SHARED_GEO);

struct SetInfo {
    const char* file;
    const char* mapKey;
};
// Question file and the map its levels show.
const SetInfo kSets[] = {
    {"データ.csv", "日本川"},       {"データ山脈.csv", "日本山脈"}, {"データ平野.csv", "日本山平野2"},
    {"データ山.csv", "日本山平野2"}, {"データ湾湖.csv", "データ湾湖"}, {"データ半島.csv", "日本半島"},
};
const char* kMapKeys[] = {"日本川", "日本山脈", "日本山平野2", "日本平野", "データ湾湖", "日本半島"};

QString dataPath(const QString& file) { return kSource + QStringLiteral("/assets/data/") + file; }
QString mapPath(const QString& key) { return kSource + QStringLiteral("/assets/maps/") + key + QStringLiteral(".png"); }

struct Record {
    QStringList f; // 18 fields
    bool sample() const { return f[1] == QStringLiteral("無効色"); }
    QPoint seed() const { return {f[15].toInt(), f[16].toInt()}; }
    QStringList related() const
    {
        QStringList r;
        for (int i = 5; i < 15 && f[i] != QStringLiteral("*"); ++i)
            r << f[i];
        return r;
    }
};

// Reads a question file; every line must hold exactly 18 fields and end in CR LF.
QList<Record> readSet(const QString& path)
{
    QList<Record> out;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.endsWith("\r\n")) << path.toStdString();
    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n")) << "bare line ends in " << path.toStdString();
    const QString text = decodeCp932(bytes);
    EXPECT_EQ(encodeCp932(text), bytes) << "not clean CP932: " << path.toStdString();
    const QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QStringList f = line.split(QLatin1Char(','));
        EXPECT_EQ(f.size(), 18) << line.toStdString();
        if (f.size() == 18)
            out << Record{f};
    }
    // The program's own field reader sees the same records.
    FieldReader reader(text);
    int n = 0;
    while (!reader.atEnd()) {
        for (int i = 0; i < 18; ++i)
            reader.take();
        EXPECT_TRUE(reader.ok());
        ++n;
    }
    EXPECT_EQ(n, out.size()) << path.toStdString();
    return out;
}

bool hiragana(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (!((c.unicode() >= 0x3041 && c.unicode() <= 0x3096) || c.unicode() == 0x30FC))
            return false;
    return true;
}

// Hiragana, or a hidden reading: a kana, then "＊", then optionally more kana.
bool readingWellFormed(const QString& r)
{
    if (r.size() >= 2 && r.at(1) == QChar(0xFF0A))
        return hiragana(r.left(1)) && (r.size() == 2 || hiragana(r.mid(2)));
    return hiragana(r);
}

QList<QString> presentSets()
{
    QList<QString> files;
    for (const SetInfo& s : kSets)
        if (QFileInfo::exists(dataPath(QString::fromUtf8(s.file))))
            files << QString::fromUtf8(s.file);
    return files;
}

QString mapOf(const QString& file)
{
    for (const SetInfo& s : kSets)
        if (file == QString::fromUtf8(s.file))
            return QString::fromUtf8(s.mapKey);
    return {};
}

// Sea, land, black and the colours the kind files give their places.
QSet<QRgb> allowedColours()
{
    QSet<QRgb> c{kSea.rgb(), kLand.rgb(), qRgb(0, 0, 0)};
    const QDir dir(kSource + QStringLiteral("/content/geography"));
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        KindSet ks;
        QString error;
        EXPECT_TRUE(loadKindSet(dir.filePath(name), &ks, &error)) << error.toStdString();
        c.insert(ks.colour.rgb());
        for (const Place& p : ks.places)
            c.insert(ks.colourOf(p).rgb());
    }
    return c;
}

} // namespace

TEST(ShippedContent, RiverAndRangeSetsAreShipped)
{
    // The first two kinds are always there; the others are checked whenever present.
    EXPECT_TRUE(QFileInfo::exists(dataPath(QStringLiteral("データ.csv"))));
    EXPECT_TRUE(QFileInfo::exists(dataPath(QStringLiteral("データ山脈.csv"))));
    EXPECT_TRUE(QFileInfo::exists(mapPath(QStringLiteral("日本川"))));
    EXPECT_TRUE(QFileInfo::exists(mapPath(QStringLiteral("日本山脈"))));
}

TEST(ShippedContent, EveryMapIs454By572RgbWithSeaInTheCorner)
{
    for (const char* k : kMapKeys) {
        const QString path = mapPath(QString::fromUtf8(k));
        if (!QFileInfo::exists(path))
            continue;
        SCOPED_TRACE(path.toStdString());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray head = f.read(26);
        ASSERT_EQ(head.left(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
        EXPECT_EQ(quint8(head[24]), 8);  // bit depth
        EXPECT_EQ(quint8(head[25]), 2);  // colour type: RGB, no alpha, no palette
        QImage img(path);
        ASSERT_EQ(img.size(), QSize(kMapWidth, kMapHeight));
        EXPECT_EQ(img.pixelColor(10, 10), kSea);
        // Only flat colours: nothing anti-aliased between sea, land and black.
        QSet<QRgb> colours;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                colours.insert(img.pixel(x, y));
        const QSet<QRgb> allowed = allowedColours();
        for (QRgb c : colours)
            EXPECT_TRUE(allowed.contains(c)) << "stray colour " << qRed(c) << "," << qGreen(c) << "," << qBlue(c);
        for (QRgb c : {qRgb(255, 0, 0), qRgb(255, 128, 128), qRgb(128, 128, 255), qRgb(0, 192, 0)})
            EXPECT_FALSE(colours.contains(c)) << "signal colour on the map";
    }
}

TEST(ShippedContent, RecordsAreWellFormed)
{
    for (const QString& file : presentSets()) {
        SCOPED_TRACE(file.toStdString());
        const QList<Record> recs = readSet(dataPath(file));
        int questions = 0, samples = 0;
        QSet<QString> names;
        for (const Record& r : recs) {
            SCOPED_TRACE(r.f.join(QLatin1Char(',')).toStdString());
            for (const QString& field : r.f)
                EXPECT_TRUE(!field.isEmpty() && field.trimmed() == field && !field.contains(QLatin1Char('"')));
            if (r.sample()) {
                ++samples;
                continue;
            }
            ++questions;
            EXPECT_FALSE(names.contains(r.f[1])) << "name twice";
            names.insert(r.f[1]);
            EXPECT_TRUE(readingWellFormed(r.f[2]));
            const bool noSecond = r.f[3] == QStringLiteral("*");
            EXPECT_EQ(noSecond, r.f[4] == QStringLiteral("*"));
            if (!noSecond) {
                EXPECT_TRUE(readingWellFormed(r.f[4]));
                EXPECT_NE(r.f[3], r.f[1]);
            }
            // Related places: filled from the first, then only "*".
            const QStringList rel = r.related();
            EXPECT_GE(rel.size(), 1);
            for (int i = 5 + rel.size(); i < 15; ++i)
                EXPECT_EQ(r.f[i], QStringLiteral("*"));
            EXPECT_EQ(QSet<QString>(rel.begin(), rel.end()).size(), rel.size()) << "related place twice";
            EXPECT_FALSE(rel.contains(r.f[1]));
            EXPECT_EQ(r.f[17], QStringLiteral("0"));
        }
        EXPECT_GE(questions, 1);
        EXPECT_LE(questions, 100);
        EXPECT_GE(samples, 1);
        EXPECT_LE(samples, 10);
    }
}

TEST(ShippedContent, SeedsLieInsideSeparatePressablePatches)
{
    for (const QString& file : presentSets()) {
        SCOPED_TRACE(file.toStdString());
        const QImage img(mapPath(mapOf(file)));
        ASSERT_FALSE(img.isNull()) << "the map of " << file.toStdString() << " is missing";
        const QList<Record> recs = readSet(dataPath(file));
        QSet<QRgb> inert{kSea.rgb(), qRgb(0, 0, 0)};
        for (const Record& r : recs)
            if (r.sample()) {
                ASSERT_TRUE(img.valid(r.seed()));
                inert.insert(img.pixel(r.seed()));
            }
        EXPECT_TRUE(inert.contains(kLand.rgb())) << "pressing plain land must do nothing";
        QList<QPoint> seeds;
        QList<QString> names;
        for (const Record& r : recs)
            if (!r.sample()) {
                seeds << r.seed();
                names << r.f[1];
            }
        QVector<int> owner(img.width() * img.height(), -1);
        for (int i = 0; i < seeds.size(); ++i) {
            SCOPED_TRACE(names[i].toStdString());
            const QPoint s = seeds[i];
            ASSERT_TRUE(img.valid(s));
            EXPECT_FALSE(inert.contains(img.pixel(s))) << "seed on sea, black or a sample colour";
            // Not on the patch edge.
            for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
                EXPECT_EQ(img.pixel(s + d), img.pixel(s)) << "seed on the edge of its patch";
            const QVector<QPoint> region = floodRegion(img, s);
            EXPECT_GE(region.size(), 20) << "patch too small to press";
            for (const QPoint& p : region) {
                int& o = owner[p.y() * img.width() + p.x()];
                EXPECT_TRUE(o < 0 || o == i) << "the fill from this seed reaches " << names.value(o).toStdString();
                o = i;
            }
            EXPECT_FALSE(region.contains(QPoint(10, 10)));
        }
        // Same-coloured patches do not touch, not even corner to corner.
        QSet<QPair<int, int>> touching;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const int a = owner[y * img.width() + x];
                if (a < 0)
                    continue;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        if (!img.valid(x + dx, y + dy))
                            continue;
                        const int b = owner[(y + dy) * img.width() + x + dx];
                        if (b >= 0 && b != a && img.pixel(x, y) == img.pixel(x + dx, y + dy))
                            touching.insert(qMakePair(std::min(a, b), std::max(a, b)));
                    }
            }
        for (const auto& t : touching)
            ADD_FAILURE() << names[t.first].toStdString() << " touches " << names[t.second].toStdString();
    }
}

// The larger maps (2x and 3x) agree with the map at its own size on every place
// asked about: the patch found from the seed's block there has the same colour,
// shows on every pixel of the patch at its own size (at least one pixel of each
// block) and strays no further than one map pixel beyond it, so that a fill made
// on the map the drill judges on shows in the same place on the larger picture.
// Sea, land and black keep their colours, so nothing inert turns pressable.
TEST(ShippedContent, LargerMapsAgreeWithTheMapOnEveryPlace)
{
    for (const QString& file : presentSets()) {
        const QString key = mapOf(file);
        const QImage one(mapPath(key));
        ASSERT_FALSE(one.isNull());
        QList<QPoint> seeds;
        QStringList names;
        for (const Record& r : readSet(dataPath(file)))
            if (!r.sample()) {
                seeds << r.seed();
                names << r.f[1];
            }
        for (int s : kDetailScales) {
            SCOPED_TRACE((key + QStringLiteral(" x%1").arg(s)).toStdString());
            const QImage big(kSource + QStringLiteral("/assets/maps/") + detailMapName(key, s));
            ASSERT_EQ(big.size(), one.size() * s) << "the larger map is missing or of the wrong size";
            EXPECT_EQ(big.pixel(10 * s, 10 * s), one.pixel(10, 10)) << "the sea";
            for (int i = 0; i < seeds.size(); ++i) {
                SCOPED_TRACE(names[i].toStdString());
                const QRgb colour = one.pixel(seeds[i]);
                const QVector<QPoint> small = floodRegion(one, seeds[i]);
                QPoint start(-1, -1);
                for (int by = 0; by < s && start.x() < 0; ++by)
                    for (int bx = 0; bx < s && start.x() < 0; ++bx)
                        if (big.pixel(seeds[i] * s + QPoint(bx, by)) == colour)
                            start = seeds[i] * s + QPoint(bx, by);
                ASSERT_GE(start.x(), 0) << "the seed's block holds no pixel of the place";
                const QVector<QPoint> large = floodRegion(big, start);
                QSet<QPoint> inLarge(large.begin(), large.end());
                QSet<QPoint> near; // the small patch and one pixel round it
                for (const QPoint& p : small)
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            near.insert(p + QPoint(dx, dy));
                int uncovered = 0, strays = 0;
                for (const QPoint& p : small) {
                    bool shown = false;
                    for (int by = 0; by < s && !shown; ++by)
                        for (int bx = 0; bx < s && !shown; ++bx)
                            shown = inLarge.contains(p * s + QPoint(bx, by));
                    uncovered += !shown;
                }
                for (const QPoint& q : large)
                    strays += !near.contains(QPoint(q.x() / s, q.y() / s));
                EXPECT_EQ(uncovered, 0) << "map pixels of the place that the larger map does not show";
                EXPECT_EQ(strays, 0) << "pixels of the larger patch away from the place";
                // Scaled by s, the patch keeps about its size.
                EXPECT_GT(large.size(), small.size() * s * s / 2);
                EXPECT_LT(large.size(), small.size() * s * s * 2);
            }
        }
    }
}

// A list level draws the correct related place, then four distinct wrong ones
// from the related places of other questions; that must always be possible.
TEST(ShippedContent, FourWrongRelatedPlacesCanAlwaysBeDrawn)
{
    for (const QString& file : presentSets()) {
        SCOPED_TRACE(file.toStdString());
        QList<QStringList> rel;
        for (const Record& r : readSet(dataPath(file)))
            if (!r.sample())
                rel << r.related();
        for (int q = 0; q < rel.size(); ++q)
            for (const QString& correct : rel[q]) {
                QSet<QString> wrong;
                for (int v = 0; v < rel.size(); ++v)
                    if (v != q)
                        for (const QString& w : rel[v])
                            if (w != correct)
                                wrong.insert(w);
                EXPECT_GE(wrong.size(), 4) << "question " << q + 1 << ", correct " << correct.toStdString();
            }
    }
}

TEST(ShippedContent, RiversAndRangesCoverTheExamList)
{
    auto names = [](const char* file) {
        QSet<QString> n;
        for (const Record& r : readSet(dataPath(QString::fromUtf8(file))))
            if (!r.sample())
                n.insert(r.f[1]);
        return n;
    };
    const QSet<QString> rivers = names("データ.csv");
    for (const char* r : {"石狩川", "天塩川", "十勝川", "北上川", "最上川", "阿武隈川", "雄物川", "米代川", "岩木川",
                          "信濃川", "阿賀野川", "利根川", "荒川", "多摩川", "相模川", "富士川", "天竜川", "大井川",
                          "木曽川", "長良川", "揖斐川", "神通川", "黒部川", "九頭竜川", "淀川", "紀の川", "熊野川",
                          "吉野川", "四万十川", "太田川", "江の川", "筑後川", "球磨川", "渡良瀬川", "常願寺川", "斐伊川", "鬼怒川"})
        EXPECT_TRUE(rivers.contains(QString::fromUtf8(r))) << r;
    const QSet<QString> ranges = names("データ山脈.csv");
    for (const char* r : {"日高山脈", "北見山地", "天塩山地", "夕張山地", "奥羽山脈", "出羽山地", "北上高地",
                          "阿武隈高地", "越後山脈", "三国山脈", "関東山地", "飛騨山脈", "木曽山脈", "赤石山脈",
                          "両白山地", "鈴鹿山脈", "紀伊山地", "中国山地", "四国山地", "筑紫山地", "九州山地"})
        EXPECT_TRUE(ranges.contains(QString::fromUtf8(r))) << r;
}

TEST(ShippedContent, PlainsMountainsBaysLakesAndPeninsulasCoverTheExamList)
{
    const struct {
        const char* file;
        std::initializer_list<const char*> names;
    } lists[] = {
        {"データ平野.csv",
         {"石狩平野", "十勝平野", "根釧台地", "津軽平野", "秋田平野", "庄内平野", "仙台平野", "越後平野", "関東平野",
          "濃尾平野", "大阪平野", "岡山平野", "讃岐平野", "高知平野", "筑紫平野", "宮崎平野", "上川盆地", "北上盆地",
          "山形盆地", "米沢盆地", "会津盆地", "福島盆地", "甲府盆地", "長野盆地", "松本盆地", "京都盆地", "奈良盆地",
          "近江盆地", "能代平野", "郡山盆地", "八代平野", "人吉盆地", "和歌山平野", "広島平野", "牧ノ原", "笠野原",
          "武蔵野台地", "下総台地", "秋吉台"}},
        {"データ山.csv",
         {"富士山", "浅間山", "御嶽山", "立山", "槍ヶ岳", "白山", "大山", "阿蘇山", "桜島", "雲仙岳", "有珠山", "羊蹄山",
          "岩木山", "岩手山", "鳥海山", "蔵王山", "磐梯山", "男体山", "八ヶ岳", "北岳", "石鎚山", "九重山", "霧島山",
          "開聞岳", "筑波山", "箱根山", "穂高岳", "間ノ岳", "六甲山", "乗鞍岳", "白馬岳", "宮之浦岳", "比叡山",
          "赤石岳", "木曽駒ヶ岳", "剱岳", "日光白根山", "八幡平", "安達太良山", "榛名山", "妙義山", "八経ヶ岳", "雲取山",
          "天城山", "栗駒山"}},
        {"データ湾湖.csv",
         {"内浦湾", "陸奥湾", "仙台湾", "東京湾", "相模湾", "駿河湾", "伊勢湾", "三河湾", "若狭湾", "富山湾", "大阪湾",
          "土佐湾", "有明海", "鹿児島湾", "広島湾", "別府湾", "サロマ湖", "洞爺湖", "支笏湖", "屈斜路湖", "十和田湖",
          "田沢湖", "八郎潟", "猪苗代湖", "霞ヶ浦", "中禅寺湖", "諏訪湖", "浜名湖", "琵琶湖", "宍道湖", "中海",
          "英虞湾", "宇和海", "志布志湾", "芦ノ湖", "池田湖", "河口湖", "山中湖", "西湖", "精進湖", "本栖湖", "北浦",
          "印旛沼", "十三湖", "大沼", "網走湖", "野尻湖", "松島湾", "諫早湾", "児島湾", "博多湾"}},
        {"データ半島.csv",
         {"知床半島", "根室半島", "積丹半島", "渡島半島", "下北半島", "津軽半島", "男鹿半島", "牡鹿半島", "房総半島",
          "三浦半島", "伊豆半島", "知多半島", "渥美半島", "志摩半島", "紀伊半島", "能登半島", "丹後半島", "島根半島",
          "国東半島", "島原半島", "薩摩半島", "大隅半島", "佐田岬半島", "夏泊半島", "宗谷岬", "納沙布岬", "襟裳岬",
          "犬吠埼", "潮岬", "室戸岬", "足摺岬", "佐多岬", "御前崎", "竜飛崎", "石廊崎", "野島崎"}},
    };
    for (const auto& list : lists) {
        SCOPED_TRACE(list.file);
        QSet<QString> names;
        for (const Record& r : readSet(dataPath(QString::fromUtf8(list.file))))
            if (!r.sample())
                names.insert(r.f[1]);
        for (const char* n : list.names)
            EXPECT_TRUE(names.contains(QString::fromUtf8(n))) << n;
    }
}

// A pupil of nine presses with a mouse on the map shown at its own size: every
// area (not the long strokes of the rivers) holds a 5 x 5 square around its seed.
TEST(ShippedContent, AreasAreLargeEnoughForAChildToPress)
{
    for (const QString& file : presentSets()) {
        if (file == QStringLiteral("データ.csv"))
            continue;
        SCOPED_TRACE(file.toStdString());
        const QImage img(mapPath(mapOf(file)));
        ASSERT_FALSE(img.isNull());
        for (const Record& r : readSet(dataPath(file))) {
            if (r.sample())
                continue;
            const QPoint s = r.seed();
            int off = 0;
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx)
                    off += !img.valid(s + QPoint(dx, dy)) || img.pixel(s + QPoint(dx, dy)) != img.pixel(s);
            EXPECT_EQ(off, 0) << r.f[1].toStdString() << ": no 5 x 5 square of its own colour around the seed";
        }
    }
}

// Answer areas of different kinds on one map (a plain and a mountain, a bay and a
// lake) keep at least one pixel of land, sea or black between them, so that each
// reads as its own place. The Nobi rivers are told apart by shades instead.
TEST(ShippedContent, AreasOfDifferentColoursKeepApart)
{
    QMap<QString, QList<QPair<QPoint, QString>>> seedsOfMap;
    for (const QString& file : presentSets())
        if (file != QStringLiteral("データ.csv"))
            for (const Record& r : readSet(dataPath(file)))
                if (!r.sample())
                    seedsOfMap[mapOf(file)] << qMakePair(r.seed(), r.f[1]);
    for (auto it = seedsOfMap.cbegin(); it != seedsOfMap.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        const QImage img(mapPath(it.key()));
        ASSERT_FALSE(img.isNull());
        QVector<int> owner(img.width() * img.height(), -1);
        for (int i = 0; i < it.value().size(); ++i)
            for (const QPoint& p : floodRegion(img, it.value()[i].first))
                owner[p.y() * img.width() + p.x()] = i;
        QSet<QPair<int, int>> touching;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const int a = owner[y * img.width() + x];
                for (int dy = -1; a >= 0 && dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (img.valid(x + dx, y + dy)) {
                            const int b = owner[(y + dy) * img.width() + x + dx];
                            if (b > a)
                                touching.insert(qMakePair(a, b));
                        }
            }
        for (const auto& t : touching)
            ADD_FAILURE() << it.value()[t.first].second.toStdString() << " touches "
                          << it.value()[t.second].second.toStdString();
    }
}

// Every river of the set runs down to the sea: its patch comes within four pixels
// of it, or reaches it over a few pixels of black coast (bays full of islands).
// A tributary ("joins" in content/) runs into its main river instead: its patch
// touches the main river's, corner to corner at least, in a shade of its own.
TEST(ShippedContent, EveryRiverReachesTheSea)
{
    const QImage img(mapPath(QStringLiteral("日本川")));
    ASSERT_FALSE(img.isNull());
    QMap<QString, QString> joins;
    {
        QFile f(kSource + QStringLiteral("/content/geography/rivers.json"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        for (const QJsonValue& v : QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("places")).toArray())
            if (v.toObject().contains(QStringLiteral("joins")))
                joins.insert(v.toObject().value(QStringLiteral("name")).toString(),
                             v.toObject().value(QStringLiteral("joins")).toString());
    }
    QMap<QString, QPoint> seedOf;
    for (const Record& r : readSet(dataPath(QStringLiteral("データ.csv"))))
        if (!r.sample())
            seedOf.insert(r.f[1], r.seed());
    const QRgb black = qRgb(0, 0, 0), sea = kSea.rgb();
    auto nearSea = [&](QPoint p, int r) {
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
                if (img.valid(p + QPoint(dx, dy)) && img.pixel(p + QPoint(dx, dy)) == sea)
                    return true;
        return false;
    };
    for (const Record& r : readSet(dataPath(QStringLiteral("データ.csv")))) {
        if (r.sample())
            continue;
        const QVector<QPoint> patch = floodRegion(img, r.seed());
        if (joins.contains(r.f[1])) {
            SCOPED_TRACE(r.f[1].toStdString());
            ASSERT_TRUE(seedOf.contains(joins[r.f[1]])) << "joins a river that is not in the set";
            const QPoint mainSeed = seedOf[joins[r.f[1]]];
            EXPECT_NE(img.pixel(r.seed()), img.pixel(mainSeed)) << "same shade as its main river: one patch";
            const QVector<QPoint> mainPatch = floodRegion(img, mainSeed);
            const QSet<QPoint> main(mainPatch.begin(), mainPatch.end());
            bool meets = false;
            for (const QPoint& p : patch)
                for (int dy = -1; dy <= 1 && !meets; ++dy)
                    for (int dx = -1; dx <= 1 && !meets; ++dx)
                        meets = main.contains(p + QPoint(dx, dy));
            EXPECT_TRUE(meets) << "ends short of " << joins[r.f[1]].toStdString();
            continue;
        }
        bool mouth = false;
        QHash<QPoint, int> steps; // black pixels reached from the patch, by distance
        std::deque<QPoint> queue;
        for (const QPoint& p : patch) {
            mouth = mouth || nearSea(p, 4);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const QPoint n = p + QPoint(dx, dy);
                    if (img.valid(n) && img.pixel(n) == black && !steps.contains(n)) {
                        steps.insert(n, 1);
                        queue.push_back(n);
                    }
                }
        }
        while (!mouth && !queue.empty()) {
            const QPoint p = queue.front();
            queue.pop_front();
            mouth = nearSea(p, 1);
            if (steps.value(p) >= 6)
                continue;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const QPoint n = p + QPoint(dx, dy);
                    if (img.valid(n) && img.pixel(n) == black && !steps.contains(n)) {
                        steps.insert(n, steps.value(p) + 1);
                        queue.push_back(n);
                    }
                }
        }
        EXPECT_TRUE(mouth) << r.f[1].toStdString() << " ends inland";
    }
}

// The three rivers of the Nobi plain: apart, or told apart by their shades.
TEST(ShippedContent, NobiRiversAreToldApart)
{
    const QImage img(mapPath(QStringLiteral("日本川")));
    QMap<QString, QPoint> seed;
    for (const Record& r : readSet(dataPath(QStringLiteral("データ.csv"))))
        seed.insert(r.f[1], r.seed());
    const QStringList three{QStringLiteral("木曽川"), QStringLiteral("長良川"), QStringLiteral("揖斐川")};
    QSet<QRgb> shades;
    for (const QString& n : three) {
        ASSERT_TRUE(seed.contains(n));
        shades.insert(img.pixel(seed[n]));
    }
    if (shades.size() == 3)
        return;
    // Same shade: at least one land pixel between any two (checked for every pair by the patch test too).
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b) {
            const QVector<QPoint> ra = floodRegion(img, seed[three[a]]);
            const QSet<QPoint> rb = [&] {
                const QVector<QPoint> v = floodRegion(img, seed[three[b]]);
                return QSet<QPoint>(v.begin(), v.end());
            }();
            for (const QPoint& p : ra)
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        ASSERT_FALSE(rb.contains(p + QPoint(dx, dy))) << three[a].toStdString() << "/" << three[b].toStdString();
        }
}

// Rivers marked as checked against the reference river lines keep to them: every
// bend of the authored course lies within about two map pixels of a reference line
// (the first and last points may reach further, to the source and into the sea).
TEST(ShippedContent, CheckedRiverCoursesFollowTheReferenceLines)
{
    const QString refPath = kGeo + QStringLiteral("/rivers-reference.geojson");
    if (!QFileInfo::exists(refPath))
        GTEST_SKIP() << "no shared geography here";
    const QList<QVector<QPointF>> ref = loadLines(refPath);
    ASSERT_FALSE(ref.isEmpty());
    auto distance = [&](QPointF p) {
        double best = 1e9;
        for (const auto& line : ref)
            for (int i = 0; i + 1 < line.size(); ++i) {
                const QPointF a = line[i], d = line[i + 1] - line[i];
                const double len = QPointF::dotProduct(d, d);
                const double t = len > 0 ? std::clamp(QPointF::dotProduct(p - a, d) / len, 0.0, 1.0) : 0.0;
                const QPointF q = a + t * d - p;
                best = std::min(best, std::hypot(q.x(), q.y()));
            }
        return best;
    };
    QFile f(kSource + QStringLiteral("/content/geography/rivers.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    int checked = 0;
    for (const QJsonValue& v : QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("places")).toArray()) {
        const QJsonObject o = v.toObject();
        if (o.value(QStringLiteral("checked_against")).toString() != QStringLiteral("rivers-reference"))
            continue;
        ++checked;
        const QJsonArray c = o.value(QStringLiteral("geometry")).toObject().value(QStringLiteral("coords")).toArray();
        for (int i = 1; i + 1 < c.size(); ++i) {
            const QPointF p(c[i].toArray()[0].toDouble(), c[i].toArray()[1].toDouble());
            EXPECT_LT(distance(p), 0.08) << o.value(QStringLiteral("name")).toString().toStdString() << " point " << i;
        }
    }
    EXPECT_GE(checked, 10);
}

// On a map level a question may be prompted by its second name. Every name and
// second name of a set must therefore point at one place only: "吉野川" as the
// second name of 紀の川 beside the 吉野川 of Shikoku would mark the pupil wrong for
// pressing the river the prompt names.
TEST(ShippedContent, NamesAndSecondNamesOfASetNameOnePlaceEach)
{
    for (const QString& file : presentSets()) {
        SCOPED_TRACE(file.toStdString());
        QMap<QString, QString> placeOf;
        for (const Record& r : readSet(dataPath(file))) {
            if (r.sample())
                continue;
            for (const QString& n : {r.f[1], r.f[3]}) {
                if (n == QStringLiteral("*"))
                    continue;
                EXPECT_TRUE(!placeOf.contains(n) || placeOf.value(n) == r.f[1])
                    << n.toStdString() << " names both " << placeOf.value(n).toStdString() << " and " << r.f[1].toStdString();
                placeOf.insert(n, r.f[1]);
            }
        }
    }
}

// Every reading, second name and list of related places that a question file
// ships names where it comes from: the "sources" of its place in content/ give
// keys of the catalogue content/sources.json for "reading", "second_name" (exactly
// when there is a second name), "related" and "also_related" (exactly when the
// place has related places beyond its slots); a key of a river office needs the
// office named in the place's note.
TEST(ShippedContent, EveryFactOfEveryQuestionNamesItsSource)
{
    auto readObject = [](const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        QJsonParseError err;
        const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &err);
        EXPECT_EQ(err.error, QJsonParseError::NoError) << path.toStdString();
        return doc.object();
    };
    const QJsonObject catalogue = readObject(kSource + QStringLiteral("/content/sources.json")).value(QStringLiteral("sources")).toObject();
    ASSERT_FALSE(catalogue.isEmpty());
    for (auto it = catalogue.begin(); it != catalogue.end(); ++it)
        EXPECT_FALSE(it.value().toString().trimmed().isEmpty()) << "catalogue entry " << it.key().toStdString() << " says nothing";

    // Places by question file and name.
    QHash<QString, QHash<QString, QJsonObject>> places;
    const QDir dir(kSource + QStringLiteral("/content/geography"));
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        const QJsonObject kind = readObject(dir.filePath(name));
        for (const QJsonValue& v : kind.value(QStringLiteral("places")).toArray())
            places[kind.value(QStringLiteral("data_file")).toString()].insert(v.toObject().value(QStringLiteral("name")).toString(),
                                                                              v.toObject());
    }
    const QSet<QString> facts{QStringLiteral("reading"), QStringLiteral("second_name"), QStringLiteral("related"),
                              QStringLiteral("also_related"), QStringLiteral("note")};
    int questions = 0;
    for (const QString& file : presentSets())
        for (const Record& r : readSet(dataPath(file))) {
            if (r.sample())
                continue;
            ++questions;
            SCOPED_TRACE((file + QLatin1Char(' ') + r.f[1]).toStdString());
            ASSERT_TRUE(places[file].contains(r.f[1])) << "question without a place in content/";
            const QJsonObject sources = places[file][r.f[1]].value(QStringLiteral("sources")).toObject();
            for (const QString& k : sources.keys())
                EXPECT_TRUE(facts.contains(k)) << "unknown fact \"" << k.toStdString() << "\" in sources";
            const QString note = sources.value(QStringLiteral("note")).toString();
            auto check = [&](const QString& fact, bool wanted) {
                SCOPED_TRACE(fact.toStdString());
                const QJsonArray keys = sources.value(fact).toArray();
                if (!wanted) {
                    EXPECT_FALSE(sources.contains(fact)) << "a source for a fact the question does not have";
                    return;
                }
                EXPECT_FALSE(keys.isEmpty()) << "no source";
                for (const QJsonValue& k : keys) {
                    EXPECT_TRUE(catalogue.contains(k.toString())) << "source " << k.toString().toStdString() << " is not in the catalogue";
                    if (k.toString() == QStringLiteral("mlit-office"))
                        EXPECT_TRUE(note.contains(QStringLiteral("事務所"))) << "river office not named in the note";
                }
            };
            check(QStringLiteral("reading"), true);
            check(QStringLiteral("second_name"), r.f[3] != QStringLiteral("*"));
            check(QStringLiteral("related"), !r.related().isEmpty());
            check(QStringLiteral("also_related"),
                  !places[file][r.f[1]].value(QStringLiteral("also_related")).toArray().isEmpty());
        }
    EXPECT_GE(questions, 200);
}

// Regenerating from content/ and the shared geography gives the committed files byte for byte.
TEST(ShippedContent, RegeneratedFilesAreIdentical)
{
    if (!QFileInfo::exists(kGeo + QStringLiteral("/prefectures.geojson")))
        GTEST_SKIP() << "no shared geography here";
    test::TempDir tmp;
    GenerateOptions o;
    o.contentDir = kSource + QStringLiteral("/content");
    o.geoDir = kGeo;
    o.outDir = tmp.path() + QStringLiteral("out");
    QStringList problems, notes;
    ASSERT_TRUE(generateAll(o, &problems, &notes)) << problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    int compared = 0;
    for (const QString& sub : {QStringLiteral("maps"), QStringLiteral("data")}) {
        const QDir dir(o.outDir + QLatin1Char('/') + sub);
        for (const QString& name : dir.entryList(QDir::Files)) {
            SCOPED_TRACE((sub + QLatin1Char('/') + name).toStdString());
            QFile made(dir.filePath(name)), shipped(kSource + QStringLiteral("/assets/") + sub + QLatin1Char('/') + name);
            ASSERT_TRUE(made.open(QIODevice::ReadOnly));
            ASSERT_TRUE(shipped.open(QIODevice::ReadOnly)) << "generated but not committed";
            EXPECT_TRUE(made.readAll() == shipped.readAll()) << "differs from the committed file: run karuvel-mapgen";
            ++compared;
        }
    }
    EXPECT_GE(compared, 4);
}
