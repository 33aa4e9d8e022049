// Pictures of the drill window on the shipped maps, for looking at the layout:
// run with KARUVEL_DRILL_SHOTS=<folder> to write them (skipped otherwise).
#include "Fakes.h"
#include "TempDir.h"
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
