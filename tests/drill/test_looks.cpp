// Pictures of the drill window on the shipped maps, for looking at the layout:
// run with KARUVEL_DRILL_SHOTS=<folder> to write them (skipped otherwise).
#include "Fakes.h"
#include "TempDir.h"
#include "drill/FinishScreen.h"
#include "drill/MainFrm.h"
#include "drill/Register.h"
#include "frame/Catalogue.h"
#include "frame/Navigator.h"
#include "records/RunFlow.h"
#include "state/ProgramState.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace karuvel;

TEST(DrillLooks, Screenshots)
{
    const QString out = qEnvironmentVariable("KARUVEL_DRILL_SHOTS");
    if (out.isEmpty()) GTEST_SKIP() << "set KARUVEL_DRILL_SHOTS to a folder to write the pictures";
    const QString assets = QStringLiteral(KARUVEL_SOURCE_DIR "/assets/");
    if (!QFile::exists(assets + QStringLiteral("data/データ.csv"))) GTEST_SKIP() << "no river data yet";

    test::FakePlatform fakes;
    test::TempDir dir;
    QDir().mkpath(out);
    for (const QString& name : QDir(assets + QStringLiteral("data")).entryList({QStringLiteral("*.csv")}))
        QFile::copy(assets + QStringLiteral("data/") + name, dir.file(name));
    registerDrillScreens();
    ProgramState& s = state();
    s.AppFolder = dir.path();
    s.DataFolder = Loose(dir.mkdir(QStringLiteral("data")));
    s.ProgramTitle = QStringLiteral("Karuvel");
    s.SchoolName = QStringLiteral("みらい学習塾");
    applyLevelCatalogue();
    for (int level = 1; level <= 12; ++level) {
        s.TargetTime[level] = 60;
        s.LimitTime[level] = 120;
    }
    s.CurrentPupil = 7;
    s.CurrentPupilName = QStringLiteral("山田　花子");
    s.SignInTime = Loose(fakes.clock.secondsSinceMidnight() - 300);

    auto shoot = [&](MainFrm* f, const QString& name) { f->frame()->grab().save(out + QLatin1Char('/') + name); };
    auto fresh = [&](int level, int practice) {
        screens::close(ScreenId::Drill);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        s.SelectedLevel = level;
        s.PracticeMode = Loose(practice);
        StartRun();
        return screens::findAs<MainFrm>(ScreenId::Drill);
    };

    MainFrm* f = fresh(1, 0);
    ASSERT_NE(f, nullptr);
    fakes.clock.advanceMs(52000);
    f->sTimer1_Timer();
    shoot(f, QStringLiteral("map-level.png"));
    const Question& q = f->content().table.at(f->run()->currentQuestion());
    const Question& other = f->content().table.at(f->run()->currentQuestion() == 1 ? 2 : 1);
    Q_UNUSED(q);
    f->PicNuritubusiPic_MouseDown(other.seedX, other.seedY);
    shoot(f, QStringLiteral("map-level-correction.png"));

    f = fresh(2, 0);
    f->ListNuritubusi_Click(5);
    shoot(f, QStringLiteral("list-level.png"));
    f->CmdNuritubusiOK_Click();
    shoot(f, QStringLiteral("list-level-correction.png"));

    f = fresh(1, 1);
    const Question& p = f->content().table.at(3);
    QMouseEvent e(QEvent::MouseMove, QPointF(p.seedX, p.seedY), f->PicNuritubusiPic->mapToGlobal(QPointF(p.seedX, p.seedY)),
                  Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f->PicNuritubusiPic, &e);
    shoot(f, QStringLiteral("practice.png"));

    // The other maps: a list level and practice each.
    for (int level = 3; level <= 11; level += 2) {
        f = fresh(level + 1, 0);
        if (!f) continue;
        shoot(f, QStringLiteral("level%1.png").arg(level + 1));
        f = fresh(level, 1);
        const Question& r = f->content().table.at(f->content().table.count() / 2 + 1);
        f->PicNuritubusiPic_MouseMove(r.seedX, r.seedY);
        shoot(f, QStringLiteral("level%1-practice.png").arg(level));
    }

    screens::closeAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Pictures of a related place true of more than one place, on the shipped
// rivers: a map question prompted by 関東平野 answered by a press on 鬼怒川
// (right, and 利根川 shown as well), and a list question whose wrong choices
// leave out what is true of the asked place (関東平野 for 鬼怒川). Also written: the second-name
// list at 吉野川〔奈良県〕, to see that the reading stays visible.
TEST(DrillLooks, SharedRelatedPlaces)
{
    const QString out = qEnvironmentVariable("KARUVEL_DRILL_SHOTS");
    if (out.isEmpty()) GTEST_SKIP() << "set KARUVEL_DRILL_SHOTS to a folder to write the pictures";
    const QString assets = QStringLiteral(KARUVEL_SOURCE_DIR "/assets/");
    test::FakePlatform fakes;
    test::TempDir dir;
    QDir().mkpath(out);
    for (const QString& name : QDir(assets + QStringLiteral("data")).entryList({QStringLiteral("*.csv")}))
        QFile::copy(assets + QStringLiteral("data/") + name, dir.file(name));
    registerDrillScreens();
    ProgramState& s = state();
    s.AppFolder = dir.path();
    s.DataFolder = Loose(dir.mkdir(QStringLiteral("data")));
    s.ProgramTitle = QStringLiteral("Karuvel");
    s.SchoolName = QStringLiteral("みらい学習塾");
    applyLevelCatalogue();
    for (int level = 1; level <= 12; ++level) {
        s.TargetTime[level] = 60;
        s.LimitTime[level] = 120;
    }
    s.CurrentPupil = 7;
    s.CurrentPupilName = QStringLiteral("山田　花子");
    s.SignInTime = Loose(fakes.clock.secondsSinceMidnight() - 300);
    auto shoot = [&](MainFrm* f, const QString& name) {
        QCoreApplication::processEvents();
        f->frame()->grab().save(out + QLatin1Char('/') + name);
    };
    auto fresh = [&](int level) {
        screens::close(ScreenId::Drill);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        s.SelectedLevel = level;
        s.PracticeMode = Loose(0);
        StartRun();
        return screens::findAs<MainFrm>(ScreenId::Drill);
    };
    auto indexOf = [](const QuestionTable& t, const char* name) {
        for (int i = 1; i <= t.count(); ++i)
            if (t.at(i).name == QString::fromUtf8(name)) return i;
        return 0;
    };

    MainFrm* f = fresh(1);
    ASSERT_NE(f, nullptr);
    const int tone = indexOf(f->content().table, "利根川"), kinu = indexOf(f->content().table, "鬼怒川");
    ASSERT_TRUE(tone > 0 && kinu > 0);
    for (int tries = 0; tries < 300 && f->run()->currentQuestion() != tone; ++tries) f = fresh(1);
    ASSERT_EQ(f->run()->currentQuestion(), tone);
    const QuestionTable& rivers = f->content().table;
    f->LblNuritubusi2->setText(QStringLiteral("?"));
    f->LblNuritubusi7->setText(QStringLiteral("?"));
    f->Label3->setText(QStringLiteral("関東平野"));
    shoot(f, QStringLiteral("shared-map-prompt.png"));
    f->PicNuritubusiPic_MouseDown(rivers.at(kinu).seedX, rivers.at(kinu).seedY);
    EXPECT_EQ(f->run()->correctCount(), 0);
    EXPECT_EQ(f->run()->phase(), DrillRun::Phase::Correction);
    shoot(f, QStringLiteral("shared-map-press.png"));
    f->CmdNuritubusikakunin_Click();
    EXPECT_EQ(f->run()->correctCount(), 1);

    // A list question about 鬼怒川, of which 関東平野 (shown by 利根川) is true too.
    for (int tries = 0; tries < 500; ++tries) {
        f = fresh(2);
        if (f->content().table.at(f->run()->currentQuestion()).name == QStringLiteral("鬼怒川")) break;
    }
    EXPECT_EQ(f->content().table.at(f->run()->currentQuestion()).name, QStringLiteral("鬼怒川"));
    const QuestionTable& t = f->content().table;
    QStringList offered;
    for (int r = 0; r < f->List3->count(); ++r) offered << f->List3->item(r)->text();
    std::printf("list question %s: choices %s\n", qPrintable(t.at(f->run()->currentQuestion()).name), qPrintable(offered.join(u' ')));
    for (const QString& w : offered)
        if (w != f->CorrectRelated) EXPECT_FALSE(t.isTrueOf(w, f->run()->currentQuestion())) << w.toStdString();
    for (int r = 0; r < f->ListNuritubusi2->count(); ++r)
        if (f->ListNuritubusi2->item(r)->text().startsWith(QStringLiteral("吉野川〔"))) {
            f->ListNuritubusi2->scrollToItem(f->ListNuritubusi2->item(r), QAbstractItemView::PositionAtCenter);
            f->ListNuritubusi2->setCurrentRow(r);
        }
    shoot(f, QStringLiteral("shared-list-choices.png"));

    screens::closeAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
