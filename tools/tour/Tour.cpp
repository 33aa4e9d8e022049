// karuvel-tour: walks the program's main screens on a demo school, as a pupil
// and a teacher would meet them, and saves a picture of the whole screen at
// each: name selection, dashboard, a map level after a wrong press (the
// correction), a list level after a right answer, the finish screen and the
// criteria editor. Run under a virtual X server by make-screenshots.sh; the
// data root comes from the path file, as for the program.
//   karuvel-tour OUTPUT_FOLDER
#include "admin/Register.h"
#include "dashboard/Register.h"
#include "drill/DrillLogic.h"
#include "drill/FinishScreen.h"
#include "drill/MainFrm.h"
#include "drill/Register.h"
#include "frame/Configuration.h"
#include "frame/Navigator.h"
#include "frame/SmallWindows.h"
#include "platform/Platform.h"
#include "platform/ProgramFonts.h"
#include "records/RunFlow.h"
#include "roster/NameSelection.h"
#include "roster/Register.h"
#include "TourSteps.h"
#include "state/ProgramState.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace karuvel;

namespace {

using tour::fail;
using tour::outDir;
using tour::runFor;
using tour::waitUntil;

// No box waits for a hand on a tour: each is written out and answered "yes".
class TourMessages : public IMessageBox {
public:
    void inform(const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "karuvel-tour: box「%s」%s\n", qPrintable(title), qPrintable(text));
    }
    bool confirm(const QString& title, const QString& text, ConfirmButtons) override
    {
        inform(title, text);
        return true;
    }
};

void picture(const char* name, int settleMs = 400)
{
    tour::picture(QString::fromLatin1(name), settleMs);
}

bool shown(ScreenId id)
{
    QWidget* w = screens::find(id);
    return w && w->isVisible();
}

MainFrm* startLevel(int level)
{
    state().SelectedLevel = level;
    state().PracticeMode = Loose(0);
    StartRun();
    if (!waitUntil([] { return shown(ScreenId::Drill); }, 20000)) fail("the drill did not start");
    runFor(1500);
    return screens::findAs<MainFrm>(ScreenId::Drill);
}

// On a map level: a press on another place's seed, so that the correction shows.
void pressWrongPlace(MainFrm* f)
{
    const QuestionTable& table = f->content().table;
    const Question& asked = table.at(f->run()->currentQuestion());
    for (int k = 1; k <= table.count(); ++k) {
        const Question& q = table.at(k);
        if (k == f->run()->currentQuestion()) continue;
        // A place well away from the one asked, so both show in the picture.
        const int dx = q.seedX - asked.seedX, dy = q.seedY - asked.seedY;
        if (dx * dx + dy * dy < 60 * 60 || dx * dx + dy * dy > 250 * 250) continue;
        f->PicNuritubusiPic_MouseDown(q.seedX, q.seedY);
        return;
    }
    fail("no other place to press");
}

// On a list level: the right names chosen from the lists, then "O.K.".
void answerRight(MainFrm* f)
{
    const ListKey key = listKey(f->content().table.at(f->run()->currentQuestion()));
    auto choose = [](QListWidget* list, const QString& want, const std::function<void(int)>& click) {
        for (int r = 0; r < list->count(); ++r) {
            if (slotTextForChoice(list->item(r)->text()) == want) {
                list->setCurrentRow(r);
                list->scrollToItem(list->item(r));
                click(r);
                return;
            }
        }
    };
    choose(f->ListNuritubusi, key.name, [f](int r) { f->ListNuritubusi_Click(r); });
    if (key.second != QStringLiteral("-"))
        choose(f->ListNuritubusi2, key.second, [f](int r) { f->ListNuritubusi2_Click(r); });
    // The related place, where the level asks for one.
    if (f->List3->isVisible())
        for (int r = 0; r < f->List3->count(); ++r)
            if (f->List3->item(r)->text().trimmed() == f->CorrectRelated) {
                f->List3->setCurrentRow(r);
                f->List3_Click(r);
                break;
            }
    runFor(300);
    f->CmdNuritubusiOK->click();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "使い方 (usage): karuvel-tour OUTPUT_FOLDER\n");
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    loadProgramFonts();
    app.setFont(QFont(QStringLiteral("IPAGothic"), 12));
    installRealPlatform();
    static TourMessages messagesOnTour;
    platform().messages = &messagesOnTour;
    registerFrameScreens();
    registerDrillScreens();
    registerRosterScreens();
    registerDashboardScreens();
    registerAdminScreens();
    startProgram();

    // Name selection: the pupils of the demo school.
    if (!waitUntil([] { return shown(ScreenId::NameSelection); }, 30000)) fail("no name selection screen");
    runFor(1000);
    picture("name-selection.png");

    // A pupil signs in: the dashboard.
    auto* names = screens::findAs<namesel>(ScreenId::NameSelection);
    // A pupil of the fourth year with runs already stored.
    int row = -1;
    for (int r = 0; r < names->List1->count() && row < 0; ++r) {
        const QString line = names->List1->item(r)->text();
        if (line.startsWith(QStringLiteral("小4")) && line.trimmed().back().isDigit()) row = r;
    }
    if (row < 0) fail("no pupil in the list");
    names->List1->setCurrentRow(row);
    names->List1_Click();
    runFor(300);
    names->Command14->click();
    if (!waitUntil([] { return shown(ScreenId::Dashboard); }, 30000)) fail("no dashboard after signing in");
    runFor(1000);
    picture("dashboard.png");

    // Practice of level 1: the place under the mouse is named.
    {
        state().SelectedLevel = 1;
        state().PracticeMode = Loose(1);
        StartRun();
        if (!waitUntil([] { return shown(ScreenId::Drill); }, 20000)) fail("practice did not start");
        runFor(1500);
        MainFrm* p = screens::findAs<MainFrm>(ScreenId::Drill);
        const Question& q = p->content().table.at(1 + p->content().table.count() / 2);
        p->PicNuritubusiPic_MouseMove(q.seedX, q.seedY);
        runFor(500);
        picture("drill-practice.png");
        screens::close(ScreenId::Drill);
        runFor(300);
    }

    // Level 1, the rivers on the map: a wrong press and its correction.
    MainFrm* f = startLevel(1);
    pressWrongPlace(f);
    runFor(700);
    picture("drill-map-correction.png");
    runFor(4000);

    // Level 2, the rivers' names from the lists: a right answer.
    screens::close(ScreenId::Drill);
    runFor(300);
    f = startLevel(2);
    // The picture is taken while the answer is judged (its sign shows during the cue).
    bool taken = false;
    QTimer::singleShot(350, [&taken] {
        picture("drill-list-right.png", 0);
        taken = true;
    });
    answerRight(f);
    if (!waitUntil([&taken] { return taken; }, 5000)) fail("no picture of the right answer");

    // The rest of the run answered right: the finish screen.
    for (int i = 0; i < 40 && !shown(ScreenId::Finish); ++i) {
        runFor(1500);
        if (shown(ScreenId::Finish)) break;
        if (MainFrm* g = screens::findAs<MainFrm>(ScreenId::Drill)) answerRight(g);
    }
    if (!waitUntil([] { return shown(ScreenId::Finish); }, 30000)) fail("the finish screen did not show");
    runFor(1500);
    picture("finish.png");

    // A teacher's criteria editor.
    screens::closeAll();
    runFor(300);
    state().CurrentPupil = 0;
    screens::show(ScreenId::CriteriaEditor);
    if (!waitUntil([] { return shown(ScreenId::CriteriaEditor); }, 20000)) fail("no criteria editor");
    runFor(1000);
    picture("criteria-editor.png");

    // The teachers' records manager.
    screens::closeAll();
    runFor(300);
    screens::show(ScreenId::RecordsManager);
    if (!waitUntil([] { return shown(ScreenId::RecordsManager); }, 20000)) fail("no records manager");
    runFor(1000);
    picture("records-manager.png");
    screens::closeAll();
    return 0;
}
