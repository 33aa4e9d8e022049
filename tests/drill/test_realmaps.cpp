// The maps and question files the program ships: a press on every question's
// seed point is judged right and names that question, on the built-in image.
#include "Fakes.h"
#include "drill/DrillLogic.h"
#include "drill/MapSurface.h"
#include "drill/Questions.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

const QString kAssets = QStringLiteral(KARUVEL_SOURCE_DIR "/assets/");

class RealMap : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(RealMap, EverySeedPressIsJudgedRight)
{
    test::FakePlatform fakes;
    const int level = GetParam();
    const QString key = mapKeyForLevel(level);
    const QString mapFile = kAssets + QStringLiteral("maps/") + key + QStringLiteral(".png");
    const QString dataFile = kAssets + QStringLiteral("data/") + dataFileForLevel(level);
    if (!QFile::exists(mapFile) || !QFile::exists(dataFile))
        GTEST_SKIP() << "map or question file of level " << level << " not there yet";

    QuestionTable table;
    const LoadOutcome loaded = loadQuestionFile(dataFile, &table);
    ASSERT_TRUE(loaded.ok) << loaded.message.toStdString();

    // The built-in image is the file of the assets folder.
    const QImage image = mapImage(key);
    ASSERT_FALSE(image.isNull()) << "no built-in image " << key.toStdString();
    EXPECT_EQ(image, QImage(mapFile).convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(image.size(), QSize(454, 572));

    MapSurface surface;
    surface.load(image);
    const QRgb sea = surface.colourAt(kSeaProbeX, kSeaProbeY);
    for (int i = 1; i <= table.count(); ++i) {
        const Question& q = table.at(i);
        const std::string what = std::to_string(level) + ": " + q.name.toStdString();
        const QRgb c = surface.colourAt(q.seedX, q.seedY);
        EXPECT_NE(c, sea) << what << " seed on the sea";
        EXPECT_NE(c, mapcolour::Black) << what << " seed on a border";
        surface.reset();
        const PressResult r = judgeMapPress(surface, table, i, q.seedX, q.seedY);
        EXPECT_FALSE(r.ignored) << what << " seed on a colour that is no answer";
        EXPECT_EQ(r.verdict, 1) << what;
        EXPECT_EQ(r.pressedName, q.displayName) << what << " shares its patch with another question";
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, RealMap, ::testing::Values(1, 3, 5, 7, 9, 11));
