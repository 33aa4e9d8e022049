// karuvel-teacher-tour: walks the teachers' views of the program on a school
// with years of runs, under a real X server, and saves a picture of the
// screen at each: the stuck list, the class overview, a pupil's sheet and
// charts over a period, the criteria editor's save question, the records
// manager with a filter; the parents' report as a PDF and the class overview
// as an .xlsx workbook. The data root
// comes from the path file, as for the program.
//   karuvel-teacher-tour OUTPUT_FOLDER
#include "TourSteps.h"
#include "admin/CriteriaEditor.h"
#include "admin/RecordsManager.h"
#include "admin/Register.h"
#include "dashboard/Dashboard.h"
#include "dashboard/Register.h"
#include "drill/Register.h"
#include "frame/Navigator.h"
#include "frame/SmallWindows.h"
#include "platform/Platform.h"
#include "platform/QtJapanese.h"
#include "roster/NameSelection.h"
#include "roster/Register.h"
#include "state/ProgramState.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <functional>

using namespace karuvel;

namespace {

using tour::fail;
using tour::outDir;
using tour::runFor;
using tour::waitUntil;

void picture(const QString& name, int settleMs = 500)
{
    tour::picture(name, settleMs);
}

// Every box is shown as the program shows it, pictured, and answered "yes".
class TourMessages : public IMessageBox {
public:
    QString nextPicture;  // the name of the picture of the next box, if any
    void inform(const QString& title, const QString& text) override { show(title, text, QMessageBox::Ok); }
    bool confirm(const QString& title, const QString& text, ConfirmButtons b) override
    {
        show(title, text, b == ConfirmButtons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : (QMessageBox::Ok | QMessageBox::Cancel));
        return true;
    }

private:
    void show(const QString& title, const QString& text, QMessageBox::StandardButtons buttons)
    {
        std::fprintf(stderr, "karuvel-teacher-tour: box「%s」%s\n", qPrintable(title), qPrintable(text));
        QMessageBox box(QMessageBox::Question, title, text, buttons, QApplication::activeWindow());
        box.show();
        if (!nextPicture.isEmpty()) {
            picture(nextPicture, 700);
            nextPicture.clear();
        } else {
            runFor(200);
        }
        box.close();
    }
};

class TourFolders : public IFolderChooser {
public:
    QString chooseFolder(const QString&, const QString&) override { return outDir; }
};

bool shown(ScreenId id)
{
    QWidget* w = screens::find(id);
    return w && w->isVisible();
}

} // namespace

int main(int argc, char** argv)
{
    tour::toolName = "karuvel-teacher-tour";
    // Scaled to the screen as the program scales itself.
    if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
        int probeArgc = 1;
        double factor = 1.0;
        {
            QGuiApplication probe(probeArgc, argv);
            const QSize size = QGuiApplication::primaryScreen()->size();
            factor = std::min(size.width() / 1024.0, size.height() / 768.0);
        }
        qputenv("QT_SCALE_FACTOR", QByteArray::number(factor, 'f', 4));
        qputenv("QT_SCALE_FACTOR_ROUNDING_POLICY", "PassThrough");
    }
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "使い方 (usage): karuvel-teacher-tour OUTPUT_FOLDER\n");
        return 2;
    }
    outDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    QDir().mkpath(outDir);
    app.setFont(QFont(QStringLiteral("IPAGothic"), 12));
    installQtJapanese(&app);
    installRealPlatform();
    static TourMessages boxes;
    static TourFolders folders;
    platform().messages = &boxes;
    platform().folders = &folders;
    registerFrameScreens();
    registerDrillScreens();
    registerRosterScreens();
    registerDashboardScreens();
    registerAdminScreens();
    startProgram();

    if (!waitUntil([] { return shown(ScreenId::NameSelection); }, 60000)) fail("no name selection screen");
    runFor(800);
    auto* names = screens::findAs<namesel>(ScreenId::NameSelection);
    int row = -1;
    for (int r = 0; r < names->List1->count() && row < 0; ++r)
        if (names->List1->item(r)->text().contains(QStringLiteral("先生"))) row = r;
    if (row < 0) fail("no teacher in the list");
    names->List1->setCurrentRow(row);
    names->List1_Click();
    runFor(300);
    names->Command14->click();
    if (!waitUntil([] { return shown(ScreenId::Dashboard); }, 60000)) fail("no dashboard after signing in");
    runFor(1500);
    auto* d = screens::findAs<seisekitime1>(ScreenId::Dashboard);
    d->Combo1->setCurrentIndex(d->Combo1->findText(QStringLiteral("全学年")));
    d->Combo1_Click();
    runFor(800);

    // Who is stuck, this month.
    QTest::mouseClick(d->Command27, Qt::LeftButton);
    picture(QStringLiteral("stuck-list.png"), 1200);

    // The class overview, this term.
    QTest::mouseClick(d->Command26, Qt::LeftButton);
    picture(QStringLiteral("class-overview.png"), 1200);
    // Saved for a spreadsheet: the box that tells where.
    boxes.nextPicture = QStringLiteral("class-overview-xlsx-saved.png");
    QTest::mouseClick(d->OverviewPanel->OverviewXlsx, Qt::LeftButton);
    runFor(500);

    // A pupil with a long history: double-clicked in the overview, over a
    // period of two school years.
    QTableView* table = d->OverviewPanel->OverviewTable;
    int best = 0;
    for (int r = 0; r < d->OverviewPanel->model->rowCount(); ++r)
        if (d->OverviewPanel->model->data(d->OverviewPanel->model->index(r, 0), Qt::UserRole).toInt() == 6) best = r;
    const QModelIndex index = d->OverviewPanel->model->index(best, 0);
    table->scrollTo(index);
    runFor(300);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(index).center());
    runFor(2000);
    PupilTimesPanel* panel = d->Picture11;
    if (!panel->isVisible()) d->openPupilSheet(6);
    if (!waitUntil([panel] { return panel->isVisible() && panel->List3->count() >= 5; }, 30000))
        fail("no sheet after the double-click");
    panel->List3->clearSelection();
    for (int r : {2, 3, 4}) panel->List3->item(r)->setSelected(true);
    panel->SheetPeriod->setChoice(PeriodChoice::Range);
    panel->SheetPeriod->From->setDate(karuvel::clock().today().addYears(-2));
    panel->SheetPeriod->To->setDate(karuvel::clock().today());
    runFor(1500);
    picture(QStringLiteral("charts-period.png"), 1000);

    // The parents' report of that pupil, as a PDF.
    QTest::mouseClick(panel->ParentPdf, Qt::LeftButton);
    runFor(1500);
    QTest::mouseClick(panel->Command18, Qt::LeftButton);
    runFor(500);

    // The criteria editor: level 12's runs to clear from 3 to 10 (so fewer
    // pupils clear it), and the save's question.
    QTest::mouseClick(d->Command8, Qt::LeftButton);
    runFor(300);
    QTest::keyClicks(d->Text3, QStringLiteral("karuvel"));
    QTest::mouseClick(d->Command10[1], Qt::LeftButton);
    if (!waitUntil([] { return shown(ScreenId::CriteriaEditor); }, 30000)) fail("no criteria editor");
    runFor(1000);
    auto* editor = screens::findAs<FrmTimeData>(ScreenId::CriteriaEditor);
    for (int k = 1; k < 12; ++k) QTest::keyClick(editor->Gridinputtext, Qt::Key_Down);
    for (int k = 1; k < 4; ++k) QTest::keyClick(editor->Gridinputtext, Qt::Key_Right);
    QTest::keyClick(editor->Gridinputtext, Qt::Key_Space);
    QTest::keyClicks(editor->Gridinputtext, QStringLiteral("10"));
    runFor(500);
    boxes.nextPicture = QStringLiteral("criteria-save.png");
    QTest::mouseClick(editor->Command3, Qt::LeftButton);
    runFor(500);
    picture(QStringLiteral("criteria-saved.png"), 500);
    // Back to 3, so the school is left as it was.
    QTest::keyClick(editor->Gridinputtext, Qt::Key_Space);
    QTest::keyClicks(editor->Gridinputtext, QStringLiteral("3"));
    QTest::mouseClick(editor->Command3, Qt::LeftButton);
    runFor(500);
    QTest::mouseClick(editor->Command4, Qt::LeftButton);
    if (!waitUntil([] { return shown(ScreenId::Dashboard); }, 60000)) fail("no dashboard after the editor");
    runFor(1500);

    // The records manager, one pupil's time-overs.
    d = screens::findAs<seisekitime1>(ScreenId::Dashboard);
    QTest::mouseClick(d->Command8, Qt::LeftButton);
    runFor(300);
    QTest::keyClicks(d->Text3, QStringLiteral("karuvel"));
    QTest::mouseClick(d->Command10[0], Qt::LeftButton);
    if (!waitUntil([] { return shown(ScreenId::RecordsManager); }, 60000)) fail("no records manager");
    runFor(1500);
    picture(QStringLiteral("records-newest.png"), 500);
    auto* records = screens::findAs<FrmData>(ScreenId::RecordsManager);
    records->Filters->FilterPupil->setCurrentIndex(records->Filters->FilterPupil->findData(6));
    records->Filters->FilterTimeOver->setCurrentIndex(1);
    picture(QStringLiteral("records-filtered.png"), 800);
    return 0;
}
