// The maps and question files the program ships: a press on every question's
// seed point is judged right and names that question, on the built-in image;
// every level can be played through to the finish screen, and every map
// level practised.
#include "Fakes.h"
#include "TempDir.h"
#include "drill/DrillLogic.h"
#include "drill/FinishScreen.h"
#include "drill/MainFrm.h"
#include "drill/Register.h"
#include "frame/Catalogue.h"
#include "frame/Navigator.h"
#include "records/RunFlow.h"
#include "state/ProgramState.h"
#include "drill/MapSurface.h"
#include "drill/Questions.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
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

    // On the built-in larger pictures a wrong press shows as on the map: the
    // pressed place pink and the right one light blue on their blocks.
    for (int scale : {2, 3}) {
        ASSERT_TRUE(surface.setDetail(mapImage(key + QStringLiteral("@%1x").arg(scale)))) << scale;
        ASSERT_EQ(surface.detailScale(), scale);
        for (int i = 1; i <= table.count(); ++i) {
            const Question& q = table.at(i), &other = table.at(i % table.count() + 1);
            const std::string what = std::to_string(level) + " x" + std::to_string(scale) + ": " + q.name.toStdString();
            surface.reset();
            judgeMapPress(surface, table, i, other.seedX, other.seedY);
            auto shows = [&](const Question& at, QRgb colour) {
                for (int b = 0; b < scale * scale; ++b)
                    if ((surface.shown().pixel(at.seedX * scale + b % scale, at.seedY * scale + b / scale) & 0xFFFFFF) == colour)
                        return true;
                return false;
            };
            if (table.count() > 1) EXPECT_TRUE(shows(other, mapcolour::Pressed)) << what;
            EXPECT_TRUE(shows(q, table.count() > 1 ? mapcolour::Corrected : mapcolour::Question)) << what;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, RealMap, ::testing::Values(1, 3, 5, 7, 9, 11));

namespace {

int dashboardShown = 0;

class StandInScreen : public Screen {
public:
    StandInScreen(const QString& name, int* counter) : Screen(name), counter_(counter) {}
    void activate() override { ++*counter_; }

private:
    int* counter_;
};

class PlayLevel : public ::testing::TestWithParam<int> {
protected:
    test::FakePlatform fakes;
    test::TempDir dir;

    bool prepare(int level)
    {
        const QString data = kAssets + QStringLiteral("data/") + dataFileForLevel(level);
        if (!QFile::exists(data) || mapImage(mapKeyForLevel(level)).isNull()) return false;
        QFile::copy(data, dir.file(dataFileForLevel(level)));
        dashboardShown = 0;
        PreviousQuestion() = 0;
        registerDrillScreens();
        screens::registerFactory(ScreenId::Dashboard,
                                 [] { return new StandInScreen(QStringLiteral("seisekitime1"), &dashboardShown); });
        ProgramState& s = state();
        s.AppFolder = dir.path();
        s.DataFolder = Loose(dir.mkdir(QStringLiteral("data")));
        applyLevelCatalogue();
        s.TargetTime[level] = 60;
        s.LimitTime[level] = 120;
        s.BestTime.fill(kNoTime);
        s.TopTime.fill(kNoTime);
        s.CurrentPupil = 3;
        s.SelectedLevel = level;
        return true;
    }

    void TearDown() override
    {
        screens::closeAll();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static int rowOf(QListWidget* list, const QString& text)
    {
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text() == text) return i;
        return -1;
    }
};

} // namespace

// A pupil who knows every answer plays the level from its start to the finish screen.
TEST_P(PlayLevel, RightAnswersLeadToTheFinishScreen)
{
    const int level = GetParam();
    if (!prepare(level)) GTEST_SKIP() << "level " << level << " has no map or question file yet";
    state().PracticeMode = Loose(0);
    StartRun();
    MainFrm* f = screens::findAs<MainFrm>(ScreenId::Drill);
    ASSERT_NE(f, nullptr);
    const int needed = f->run()->questionsPerRun();
    EXPECT_EQ(needed, std::min(10, f->content().table.count()));
    for (int n = 0; n < needed; ++n) {
        ASSERT_EQ(f->run()->phase(), DrillRun::Phase::Asking);
        const Question& q = f->content().table.at(f->run()->currentQuestion());
        fakes.clock.advanceMs(3000);
        f->sTimer1_Timer();
        if (level % 2 == 1) {
            f->PicNuritubusiPic_MouseDown(q.seedX, q.seedY);
        } else {
            f->ListNuritubusi_Click(rowOf(f->ListNuritubusi, visibleListEntry(nameListEntry(q.displayName))));
            if (q.secondDisplayName != QStringLiteral("*"))
                f->ListNuritubusi2_Click(rowOf(f->ListNuritubusi2, visibleListEntry(nameListEntry(q.secondDisplayName))));
            if (!f->Label3->isHidden()) f->List3_Click(rowOf(f->List3, f->CorrectRelated));
            f->CmdNuritubusiOK_Click();
        }
        EXPECT_NE(f->run()->phase(), DrillRun::Phase::Correction) << q.name.toStdString() << " was judged wrong";
    }
    EXPECT_EQ(f->run()->phase(), DrillRun::Phase::Finishing);
    EXPECT_EQ(state().RunTime, 3 * needed);
    // The finish screen follows the second's pause, from the event loop.
    fakes.clock.advanceMs(DrillRun::kFinishPauseMs);
    for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The finish screen shows the run, which is stored.
    auto* finish = screens::findAs<FrmSyuuryou>(ScreenId::Finish);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->Label18->text(), QStringLiteral("今の成績：%1秒").arg(3 * needed));
    EXPECT_EQ(screens::find(ScreenId::Drill), nullptr);
    EXPECT_EQ(QFileInfo(dir.path() + QStringLiteral("data/成績累積データ.dat")).size(), 44);
}

// Practice names every question's place when the mouse rests on its seed point.
class PracticeLevel : public PlayLevel {};

TEST_P(PracticeLevel, NamesEveryPlace)
{
    const int level = GetParam();
    if (!prepare(level)) GTEST_SKIP() << "level " << level << " has no map or question file yet";
    state().PracticeMode = Loose(1);
    StartRun();
    MainFrm* f = screens::findAs<MainFrm>(ScreenId::Drill);
    ASSERT_NE(f, nullptr);
    for (int i = 1; i <= f->content().table.count(); ++i) {
        const Question& q = f->content().table.at(i);
        f->PicNuritubusiPic_MouseMove(q.seedX, q.seedY);
        EXPECT_EQ(f->LblNuritubusi2->text(), ShownForm(q.displayName)) << q.name.toStdString();
        EXPECT_EQ(f->List2->count(), q.relatedCount()) << q.name.toStdString();
    }
    f->CmdNuritubusimodoru_Click();
    for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
    EXPECT_EQ(dashboardShown, 1);
    EXPECT_EQ(screens::find(ScreenId::Finish), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Levels, PlayLevel, ::testing::Range(1, 13));
INSTANTIATE_TEST_SUITE_P(MapLevels, PracticeLevel, ::testing::Values(1, 3, 5, 7, 9, 11));
