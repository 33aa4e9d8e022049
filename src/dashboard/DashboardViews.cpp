// The dashboard's views: what each display and view puts into the level
// columns' lists (best times, rankings, the runs of a day or a period, the
// per-pupil times with the summary panel). The window and its choices are in
// Dashboard.cpp; the lists' rules in ResultsLists.h and PupilSummary.h.
#include "dashboard/Dashboard.h"

#include "dashboard/PupilSummary.h"
#include "frame/FileMessages.h"
#include "frame/Navigator.h"
#include "platform/Platform.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>
#include <climits>

namespace karuvel {

// ---------------------------------------------------------------------------
// The views.

void seisekitime1::emptyLists()
{
    for (int i = 1; i <= columns_; ++i) {
        Label9[size_t(i)]->setText(QStringLiteral("今日"));
        Label10[size_t(i)]->setText(QStringLiteral("今まで"));
        List5[size_t(i)]->clear();
        scroll_[size_t(i)] = {};
    }
}

void seisekitime1::clearListSelections()
{
    for (int i = 1; i <= columns_; ++i) clearListSelection(i);
}

void seisekitime1::clearListSelection(int level)
{
    if (level < 1 || level > columns_) return;
    QListWidget* list = List5[size_t(level)];
    if (list->count() == 0) return;
    list->clearSelection();
    list->setCurrentRow(-1, QItemSelectionModel::Clear);
}

void seisekitime1::putLines(int level, const ListFill& fill)
{
    QListWidget* list = List5[size_t(level)];
    list->clear();
    list->addItems(fill.lines);
    // Scrolled so that the pupil's own line shows with one line above it.
    scroll_[size_t(level)] = {fill.ownLine >= 0 ? std::max(0, fill.ownLine - 1) : -1, false};
}

void seisekitime1::bestTimesView()
{
    ProgramState& s = state();
    Label5->setText(QStringLiteral("ベスト成績"));
    emptyLists();
    const ListContext c(s, s.CurrentPupil, gradeFilter());
    if (!screens::yieldFor(this)) return;
    for (int i = 1; i <= columns_; ++i) {
        if (isPracticeColumn(i)) {
            setColumnDetailsVisible(i, false);
        } else {
            putLines(i, bestTimesList(s, c, i));
            clearListSelection(i);
        }
        advanceBusy();
    }
}

void seisekitime1::rankingView()
{
    ProgramState& s = state();
    Label5->setText(RankKind == kRankToday ? QStringLiteral("獲得ポイント（今日の順位）")
                                           : QStringLiteral("獲得ポイント（今まで順位）"));
    const ListContext c(s, s.CurrentPupil, gradeFilter());
    if (!screens::yieldFor(this)) return;
    for (int i = 1; i <= columns_; ++i) {
        Label9[size_t(i)]->setText(QStringLiteral("今日"));
        Label10[size_t(i)]->setText(QStringLiteral("今まで"));
        if (isPracticeColumn(i)) {
            setColumnDetailsVisible(i, false);
        } else {
            putLines(i, rankingList(s, c, i, RankKind));
            clearListSelection(i);
        }
        advanceBusy();
    }
}

void seisekitime1::recordsView(RecordView view)
{
    ProgramState& s = state();
    emptyLists();
    const QDateTime now = clock().now();
    int days = 0;
    if (view == RecordView::Today) {
        Label5->setText(QStringLiteral("本日の成績"));
    } else {
        const int period = std::clamp(s.ResultsPeriod, 1, 5);
        {
            const QSignalBlocker block(Combo2);
            Combo2->setCurrentIndex(period - 1);
        }
        Combo2->show();
        QString heading = Combo2->currentText().trimmed();
        heading.remove(QLatin1Char('"'));
        Label5->setText(heading);
        days = periodDays(period, now.date());
    }
    const ListContext c(s, s.CurrentPupil, gradeFilter());
    RecordListsBuilder builder(s, c, view, now, days);
    // The records held in memory, brought up to date: only what other PCs
    // appended since is read. Sharing errors are waited out and retried by the
    // reader; any other failure is told and the lists stay empty.
    if (ResultsError e = refreshResults(); !e.ok()) tellResults(e);
    // "データ変更" may have closed the dashboard while the reader waited.
    if (!screens::isOpen(this)) return;
    const std::span<const RecEntry> records = heldRecords();
    const int total = int(std::min<size_t>(records.size() + 1, size_t(INT_MAX)));
    ProgressBar1->setRange(0, total);
    ProgressBar2->setRange(0, total);
    for (size_t k = 0; k < records.size(); ++k) {
        builder.add(records[k]);
        if (k % 4096 == 0) {
            ProgressBar1->setValue(int(k));
            ProgressBar2->setValue(int(k));
        }
    }
    for (int i = 1; i <= columns_; ++i) {
        if (isPracticeColumn(i)) {
            setColumnDetailsVisible(i, false);
            continue;
        }
        List5[size_t(i)]->addItems(builder.lists[size_t(i)]);
        // The newest runs are at the end: the list opens there.
        scroll_[size_t(i)] = {List5[size_t(i)]->count() - 1, true};
    }
}

// ---------------------------------------------------------------------------
// Per-pupil times and the summary panel.

void seisekitime1::perPupilView()
{
    ProgramState& s = state();
    Picture11->fill(columns_, s.CurrentPupil);
    emptyLists();

    // Only what was appended since; a failure is told, the lists stay empty.
    if (ResultsError e = refreshResults(); !e.ok()) tellResults(e);
    if (!screens::isOpen(this)) return;
    const std::span<const RecEntry> records = heldRecords();
    // The bar runs over the records, with a tenth more for the lists.
    const double stretched = std::min(double(INT_MAX), (double(records.size()) + 1.0) * 1.1);
    ProgressBar1->setRange(0, int(stretched));
    ProgressBar2->setRange(0, int(stretched));
    PupilSummary summary(s, gradeFilter(), clock().now(), ShownPupil);
    for (size_t k = 0; k < records.size(); ++k) {
        summary.add(records[k]);
        if (k % 4096 == 0) {
            ProgressBar1->setValue(int(k));
            ProgressBar2->setValue(int(k));
        }
    }
    Label5->setText(QStringLiteral("個人別ﾀｲﾑ"));
    putRunLines(summary);
    hideBusy();
    showLists();
    // The summary panel opens with the signed-in pupil's sheet; the charts
    // wait for "グラフ", so that the level lists stay in view.
    Command17->show();
    openSummary();
}

void seisekitime1::putRunLines(const PupilSummary& summary)
{
    for (int i = 1; i <= columns_; ++i) {
        QListWidget* list = List5[size_t(i)];
        list->clear();
        if (isPracticeColumn(i)) {
            setColumnDetailsVisible(i, false);
            continue;
        }
        list->addItems(summary.runLines(i));
        // The newest runs are at the end: the list opens there.
        scroll_[size_t(i)] = {list->count() - 1, true};
    }
}

void seisekitime1::openSummary()
{
    Picture11->showFor(state().CurrentPupil);
    if (Picture12->isVisible()) Picture12->raise();
    // An open password panel stays in front of everything.
    if (Picture7->isVisible()) Picture7->raise();
    Picture11->Command24_Click(0);
}

void seisekitime1::Command17_Click()
{
    Picture11->chartsWanted = true;
    Picture12->show();
    // On the open panel the charts follow the pupils and levels the teacher
    // chose; otherwise they open for the signed-in pupil.
    if (Picture11->isVisible() && Picture11->hasChoice()) {
        Picture12->raise();
        if (Picture7->isVisible()) Picture7->raise();
        Picture11->Command24_Click(0);
        return;
    }
    openSummary();
}

void seisekitime1::hideCharts()
{
    Picture11->chartsWanted = false;
    Picture12->hide();
}

void seisekitime1::Command26_Click()
{
    if (!Command26->isVisible()) return;  // for teachers
    OverviewPanel->showOverview();
    if (Picture7->isVisible()) Picture7->raise();
}

void seisekitime1::Command27_Click()
{
    if (!Command27->isVisible()) return;  // for teachers
    StuckList->showList();
    if (Picture7->isVisible()) Picture7->raise();
}

void seisekitime1::openPupilSheet(int pupil)
{
    if (!validPupil(pupil)) return;
    OverviewPanel->hide();
    StuckList->hide();
    if (display_ != Display::PupilTimes || !Picture11->isVisible()) Option2[2]->click();
    if (!screens::isOpen(this) || !Picture11->isVisible()) return;
    Picture11->choosePupil(pupil);
    Command17_Click();
}

} // namespace karuvel
