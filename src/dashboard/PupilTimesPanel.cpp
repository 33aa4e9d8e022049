#include "dashboard/PupilTimesPanel.h"

#include "dashboard/ClassProgress.h"
#include "dashboard/ParentReport.h"
#include "dashboard/PdfPages.h"
#include "dashboard/PupilSummary.h"
#include "dashboard/SheetPage.h"
#include "frame/FileMessages.h"
#include "frame/Layout.h"
#include "frame/Navigator.h"
#include "platform/FileErrors.h"
#include "platform/Platform.h"
#include "records/ResultsFile.h"
#include "roster/Roster.h"
#include "state/ProgramState.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <optional>

namespace karuvel {

namespace {
// The panel lies over the right-hand level columns, above the scroll bar:
// the sheet on the left, the lists and buttons in a strip on the right.
constexpr QRect kPanelRect(404, 136, 612, 596);
constexpr int kStripLeft = 400;
constexpr int kStripWidth = 206;

constexpr Placement kPanelLayout[] = {
    {"CompareWith", -1, {6, 6, 388, 26}},
    {"SheetPeriod", -1, {6, 36, 388, 26}},
    {"SheetText", -1, {6, 66, 388, 524}},
    {"Label20", -1, {kStripLeft, 4, kStripWidth, 20}},
    {"List3", -1, {kStripLeft, 24, kStripWidth, 196}},
    // The pupil list takes the place of the button that shows it.
    {"Command25", -1, {kStripLeft, 228, kStripWidth, 40}},
    {"List2", -1, {kStripLeft, 228, kStripWidth, 166}},
    {"ParentPrint", -1, {kStripLeft, 398, kStripWidth / 2 - 1, 38}, 10, true},
    {"ParentPdf", -1, {kStripLeft + kStripWidth / 2 + 2, 398, kStripWidth / 2 - 1, 38}, 10, true},
    {"SavePdf", -1, {kStripLeft, 440, kStripWidth, 44}, 13, true},
    {"Command24", 0, {kStripLeft, 490, kStripWidth / 2 - 1, 44}, 13, true},
    {"Command24", 1, {kStripLeft + kStripWidth / 2 + 2, 490, kStripWidth / 2 - 1, 44}, 13, true},
    {"Command18", -1, {kStripLeft, 542, kStripWidth, 44}, 13, true},
};

QFont sheetFont()
{
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(16);
    f.setStyleHint(QFont::Monospace);
    return f;
}
} // namespace

PupilTimesPanel::PupilTimesPanel(std::function<QString()> gradeFilter, QWidget* parent)
    : QFrame(parent), gradeFilter_(std::move(gradeFilter))
{
    makePaperPanel(this, QStringLiteral("Picture11"), kPanelRect);

    SheetText = named(new QPlainTextEdit(this), QStringLiteral("SheetText"));
    SheetText->setReadOnly(true);
    SheetText->setLineWrapMode(QPlainTextEdit::NoWrap);
    SheetText->setFocusPolicy(Qt::NoFocus);
    SheetText->setFont(sheetFont());

    CompareWith = named(new QComboBox(this), QStringLiteral("CompareWith"));
    CompareWith->addItem(QStringLiteral("くらべる相手：塾全体"), int(CompareGroup::School));
    CompareWith->addItem(QStringLiteral("くらべる相手：本人の学年"), int(CompareGroup::PupilGrade));
    CompareWith->setToolTip(QStringLiteral("まとめとグラフの「平均」「順位」を、だれとくらべるか選びます"));
    connect(CompareWith, &QComboBox::currentIndexChanged, this, [this] {
        if (isVisible()) Command24_Click(0);
    });
    SheetPeriod = new PeriodBar(QStringLiteral("SheetPeriod"), PeriodChoice::Everything, this);
    SheetPeriod->setToolTip(QStringLiteral("まとめとグラフに数える記録の期間"));
    connect(SheetPeriod, &PeriodBar::changed, this, [this] {
        if (isVisible()) Command24_Click(0);
    });

    named(new QLabel(QStringLiteral("レベル"), this), QStringLiteral("Label20"));
    List3 = named(new QListWidget(this), QStringLiteral("List3"));
    List3->setSelectionMode(QAbstractItemView::MultiSelection);
    List3->setFocusPolicy(Qt::NoFocus);
    connect(List3, &QListWidget::clicked, this, [this](const QModelIndex& index) { List3_Click(index.row()); });

    Command25 = named(new QPushButton(QStringLiteral("他の人のデータを見る"), this), QStringLiteral("Command25"));
    connect(Command25, &QPushButton::clicked, this, [this] { Command25_Click(); });
    List2 = named(new QListWidget(this), QStringLiteral("List2"));
    List2->setSelectionMode(QAbstractItemView::MultiSelection);
    List2->setFocusPolicy(Qt::NoFocus);
    List2->setFont(sheetFont());
    List2->hide();
    connect(List2, &QListWidget::clicked, this, [this] { List2_Click(); });

    const QStringList captions = {QStringLiteral("表示"), QStringLiteral("印刷")};
    for (int k = 0; k < 2; ++k) {
        Command24[size_t(k)] = named(new QPushButton(captions[k], this), QStringLiteral("Command24"), k);
        connect(Command24[size_t(k)], &QPushButton::clicked, this, [this, k] { Command24_Click(k); });
    }
    Command24[1]->setToolTip(QStringLiteral("選んだ人のまとめを印刷します"));
    Command24[1]->hide();
    SavePdf = named(new QPushButton(QStringLiteral("PDFに保存"), this), QStringLiteral("SavePdf"));
    SavePdf->setToolTip(QStringLiteral("選んだ人のまとめとグラフを、1人1ページのPDFファイルにして保存します"));
    SavePdf->hide();
    connect(SavePdf, &QPushButton::clicked, this, [this] { SavePdf_Click(); });
    ParentPrint = named(new QPushButton(QStringLiteral("保護者用印刷"), this), QStringLiteral("ParentPrint"));
    ParentPrint->setToolTip(QStringLiteral("選んだ人（だれも選ばなければ、選んだ学年の全員）の保護者用のページを印刷します"));
    ParentPrint->hide();
    connect(ParentPrint, &QPushButton::clicked, this, [this] { ParentReports_Click(false); });
    ParentPdf = named(new QPushButton(QStringLiteral("保護者用PDF"), this), QStringLiteral("ParentPdf"));
    ParentPdf->setToolTip(QStringLiteral("保護者用のページを、1つのPDFファイルにして保存します"));
    ParentPdf->hide();
    connect(ParentPdf, &QPushButton::clicked, this, [this] { ParentReports_Click(true); });
    Command18 = named(new QPushButton(QStringLiteral("戻る"), this), QStringLiteral("Command18"));
    connect(Command18, &QPushButton::clicked, this, [this] { Command18_Click(); });

    layOut(this, kPanelLayout);
    hide();
}

void PupilTimesPanel::fill(int levels, int pupil)
{
    const ProgramState& s = state();
    reloadPupilList();
    List3->clear();
    for (int i = 1; i <= levels; ++i) List3->addItem(QString::number(i) + QStringLiteral(" ") + s.LevelNames[i]);
    ShownLevel = 1;
    ShownPupil = pupil;
}

void PupilTimesPanel::reloadPupilList()
{
    ProgramState& s = state();
    // The roster is read afresh; when it cannot be read, the teacher is told
    // and the list is made from the roster already loaded at sign-in.
    switch (LoadRoster()) {
    case RosterLoad::Ok: break;
    case RosterLoad::Missing:
        messages().inform(QStringLiteral("エラー"), fileProblemText(rosterFilePath(), FileProblem::Missing));
        break;
    case RosterLoad::Unreadable:
        messages().inform(QStringLiteral("エラー"), fileProblemText(rosterFilePath(), FileProblem::Unreadable));
        break;
    }
    List2->clear();
    const int count = std::clamp(s.RosterCount.toInt(), 0, kMaxPupil);
    for (int n = 1; n <= count; ++n) {
        const int p = s.RosterOrder[size_t(n)];
        if (!validPupil(p)) continue;
        auto* item = new QListWidgetItem(s.PupilGrades[size_t(p)] + QStringLiteral(" /  ")
                                         + s.PupilNames[size_t(p)].trimmed() + QStringLiteral("/")
                                         + QString::number(p));
        item->setData(Qt::UserRole, p);
        List2->addItem(item);
    }
}

std::vector<int> PupilTimesPanel::selectedPupils() const
{
    std::vector<int> pupils;
    for (int row = 0; row < List2->count(); ++row) {
        const QListWidgetItem* item = List2->item(row);
        if (!item->isSelected()) continue;
        const int p = item->data(Qt::UserRole).toInt();
        if (validPupil(p)) pupils.push_back(p);
    }
    return pupils;
}

std::vector<int> PupilTimesPanel::selectedLevels() const
{
    std::vector<int> levels;
    for (int row = 0; row < List3->count(); ++row) {
        if (List3->item(row)->isSelected()) levels.push_back(row + 1);
    }
    if (levels.empty() && ShownLevel >= 1 && ShownLevel <= List3->count()) levels.push_back(ShownLevel);
    return levels;
}

void PupilTimesPanel::showFor(int pupil)
{
    ShownPupil = pupil;
    List2->hide();
    Command25->show();
    List2->clearSelection();
    // The first pair of levels.
    List3->clearSelection();
    for (int row = 0; row < std::min(2, List3->count()); ++row) List3->item(row)->setSelected(true);
    show();
    raise();
}

bool PupilTimesPanel::hasChoice() const { return !List2->selectedItems().isEmpty() || !List3->selectedItems().isEmpty(); }

void PupilTimesPanel::choosePupil(int pupil)
{
    Command25_Click();
    List2->clearSelection();
    for (int row = 0; row < List2->count(); ++row) {
        if (List2->item(row)->data(Qt::UserRole).toInt() == pupil) {
            List2->item(row)->setSelected(true);
            List2->scrollToItem(List2->item(row));
        }
    }
    ShownPupil = pupil;
}

SummaryScope PupilTimesPanel::scope() const
{
    SummaryScope scope;
    scope.group = CompareGroup(CompareWith->currentData().toInt());
    if (SheetPeriod->choice() != PeriodChoice::Everything) {
        scope.period = SheetPeriod->period();
        scope.periodSet = true;
    }
    return scope;
}

void PupilTimesPanel::setTeacherButtonsVisible(bool visible)
{
    Command24[1]->setVisible(visible);
    SavePdf->setVisible(visible);
    ParentPrint->setVisible(visible);
    ParentPdf->setVisible(visible);
}

namespace {

// What a sheet is made of: the pupils and levels chosen, and the runs held
// in memory summed up for them.
struct Sheets {
    std::vector<int> pupils;
    std::vector<int> levels;
    QDateTime now;
    PupilSummary summary;
    std::vector<ResultRecordData> records;  // the same runs, for the charts
};

// Gathers them for the panel: the records held are brought up to date first
// (only what was appended since is read; a failure is told and the sheet has
// no runs). The reader waits out another PC's lock with the screen kept
// responsive: the caller holds the dashboard meanwhile, and when it was
// closed there is nothing (nullopt).
std::optional<Sheets> gatherSheets(PupilTimesPanel& panel, const QString& gradeFilter, const SummaryScope& scope,
                                   std::vector<int> pupils = {})
{
    if (pupils.empty()) pupils = panel.selectedPupils();
    if (pupils.empty()) pupils.push_back(panel.ShownPupil);
    if (ResultsError e = refreshResults(); !e.ok()) tellResults(e);
    if (!screens::isOpen(panel.window())) return std::nullopt;
    const QDateTime now = clock().now();
    const int last = pupils.back();
    Sheets sheets{std::move(pupils), panel.selectedLevels(), now, PupilSummary(state(), gradeFilter, now, last, scope), {}};
    // The charts take the same runs in the results file's own form: the
    // sheet on the screen, on paper and in a PDF come from one reading.
    sheets.records.reserve(heldRecords().size());
    for (const RecEntry& r : heldRecords()) {
        sheets.summary.add(r);
        ResultRecordData d;
        d.date = r.date;
        d.clock = r.clock;
        d.pupil = r.pupil;
        d.level = r.level;
        d.time = r.time;
        sheets.records.push_back(d);
    }
    return sheets;
}

} // namespace

void PupilTimesPanel::Command24_Click(int member)
{
    if (drawing_ || member < 0 || member > 1) return;
    if (member == 1 && !Command24[1]->isVisible()) return;  // printing is for teachers
    drawing_ = true;
    const auto done = qScopeGuard([this] { drawing_ = false; });
    const ProgramState& s = state();
    QWidget* screen = window();
    const screens::Handling running(screen);
    std::optional<Sheets> gathered = gatherSheets(*this, gradeFilter_(), scope());
    if (!gathered) return;
    const auto& [pupils, levels, now, summary, records] = *gathered;

    if (member == 0) {
        QStringList lines;
        for (int p : pupils) {
            ShownPupil = p;
            if (!lines.isEmpty()) lines << QString();
            lines += summary.sheet(p, levels);
        }
        SheetText->setPlainText(lines.join(QLatin1Char('\n')));
        emit sheetDrawn(summary);
        if (chartsWanted) {
            // Every chosen pupil's charts, one after another.
            std::vector<PupilCharts> all;
            for (int p : pupils) {
                PupilCharts charts = pupilCharts(records, s, summary, p, levels, now);
                charts.title = summary.titleLine(p);
                charts.subtitle = summary.scopeLine(p);
                all.push_back(std::move(charts));
            }
            emit chartsDrawn(all);
        }
        return;
    }

    // On the printer: the title in a larger size, each level's block in the
    // sheet's size and the pupil's charts in the rest of the paper, each
    // pupil on a sheet of paper of their own; the job ends once, after the
    // last pupil.
    IPrinter* printer = platform().printer;
    if (printer) {
        QStringList names;
        for (int p : pupils) names << s.PupilNames[size_t(p)].trimmed();
        const QString job = printJobTitle(sheetsPdfFileName(s.SchoolName, now.date(), names));
        if (!printer->startJob(job, int(pupils.size()))) return;  // the teacher cancelled
    }
    bool printed = printer != nullptr;
    for (size_t k = 0; printed && k < pupils.size(); ++k) {
        ShownPupil = pupils[k];
        if (k > 0) printer->newPage();
        printed = printer->printLines({summary.titleLine(ShownPupil)}, 14)
                  && printer->printLines({summary.scopeLine(ShownPupil)}, 11);
        for (size_t j = 0; printed && j < levels.size(); ++j)
            printed = printer->printLines(summary.levelBlock(ShownPupil, levels[j]) << QString(), 11);
        if (!printed) break;
        const PupilCharts charts = pupilCharts(records, s, summary, ShownPupil, levels, now);
        // Charts need about a third of a page to be read; with less room left
        // they go on a sheet of their own.
        printed = printer->printDrawing(
            [&charts](QPainter& p, const QRectF& rect) { paintPupilCharts(p, rect.adjusted(0, 8, 0, 0), charts); },
            kPrintPageWidth * 0.45);
    }
    if (printer) printer->endJob();
    if (!printed) messages().inform(QStringLiteral("エラー"), printFailedText());
}

void PupilTimesPanel::SavePdf_Click()
{
    if (drawing_ || !SavePdf->isVisible()) return;  // for teachers
    drawing_ = true;
    const auto done = qScopeGuard([this] { drawing_ = false; });
    const ProgramState& s = state();
    QWidget* screen = window();
    const screens::Handling running(screen);
    std::optional<Sheets> gathered = gatherSheets(*this, gradeFilter_(), scope());
    if (!gathered) return;
    const auto& [pupils, levels, now, summary, records] = *gathered;

    std::vector<SheetPage> pages;
    QStringList names;
    for (int p : pupils) {
        SheetPage page;
        page.title = summary.titleLine(p);
        page.subtitle = summary.scopeLine(p);
        for (int level : levels) page.blocks.push_back(summary.levelBlock(p, level));
        page.charts = pupilCharts(records, s, summary, p, levels, now);
        pages.push_back(std::move(page));
        names << s.PupilNames[size_t(p)].trimmed();
    }
    savePdfForTeacher(sheetsPdfFileName(s.SchoolName, now.date(), names), QStringLiteral("成績表"), int(pages.size()),
                      [&pages](QPainter& p, const QRectF& rect, int k) { paintSheetPage(p, rect, pages[size_t(k)]); });
}

std::vector<int> PupilTimesPanel::reportPupils() const
{
    std::vector<int> pupils = selectedPupils();
    if (!pupils.empty()) return pupils;
    // The whole class: the pupils of the grade chooser's grade, in roster order.
    const ProgramState& s = state();
    const ListContext context(s, s.CurrentPupil, gradeFilter_());
    for (int row = 0; row < List2->count(); ++row) {
        const int p = List2->item(row)->data(Qt::UserRole).toInt();
        if (validPupil(p) && context.passes(p) && !isTeacherName(s.PupilNames[size_t(p)].trimmed())) pupils.push_back(p);
    }
    return pupils;
}

void PupilTimesPanel::ParentReports_Click(bool pdf)
{
    if (drawing_ || !ParentPrint->isVisible()) return;  // for teachers
    const std::vector<int> pupils = reportPupils();
    if (pupils.empty()) {
        messages().inform(QStringLiteral("保護者用"), QStringLiteral("この学年には生徒がいません。"));
        return;
    }
    if (selectedPupils().empty() &&
        !messages().confirm(QStringLiteral("保護者用"),
                            QStringLiteral("%1の %2人分を%3します。よろしいですか？")
                                .arg(gradeFilter_())
                                .arg(pupils.size())
                                .arg(pdf ? QStringLiteral("PDFに保存") : QStringLiteral("印刷")),
                            ConfirmButtons::YesNo))
        return;
    drawing_ = true;
    const auto done = qScopeGuard([this] { drawing_ = false; });
    const ProgramState& s = state();
    const screens::Handling running(window());
    const SummaryScope sc = scope();
    std::optional<Sheets> gathered = gatherSheets(*this, gradeFilter_(), sc, pupils);
    if (!gathered) return;
    const auto& [chosen, levels, now, summary, records] = *gathered;
    const ClassProgress progress(s, heldRecords(), sc.periodSet ? sc.period : Period{}, now.date());
    std::vector<ParentReport> reports;
    QStringList names;
    for (int p : chosen) {
        reports.push_back(parentReport(s, summary, progress, pupilCharts(records, s, summary, p, levels, now), p, levels,
                                       now.date()));
        names << s.PupilNames[size_t(p)].trimmed();
    }
    // Every pupil's pages one after the other, in one job or one file.
    const double pageHeight = pdfPageHeight();
    std::vector<std::pair<size_t, int>> pages;
    for (size_t k = 0; k < reports.size(); ++k)
        for (int i = 0; i < parentReportPages(reports[k], pageHeight); ++i) pages.push_back({k, i});
    const PagePainter paint = [&](QPainter& p, const QRectF& rect, int index) {
        const auto& [report, page] = pages[size_t(index)];
        paintParentReportPage(p, rect, reports[report], page);
    };
    if (!pdf) {
        printPages(printJobTitle(QStringLiteral("保護者用")), int(pages.size()), paint);
        return;
    }
    QString name = safeFileNamePart(s.SchoolName) + QStringLiteral("_保護者用_") + now.date().toString(QStringLiteral("yyyy-MM-dd"));
    name += QStringLiteral("_") + safeFileNamePart(names.size() > 3 ? names.mid(0, 3).join(QStringLiteral("・")) +
                                                                          QStringLiteral("ほか%1名").arg(names.size() - 3)
                                                                    : names.join(QStringLiteral("・")));
    savePdfForTeacher(name + QStringLiteral(".pdf"), QStringLiteral("保護者用"), int(pages.size()), paint);
}

void PupilTimesPanel::Command25_Click()
{
    Command25->hide();
    List2->show();
}

void PupilTimesPanel::Command18_Click()
{
    hide();
    emit closed();
}

void PupilTimesPanel::List2_Click()
{
    if (isVisible()) Command24_Click(0);
}

void PupilTimesPanel::List3_Click(int row)
{
    if (row >= 0 && row < List3->count()) ShownLevel = row + 1;
    if (isVisible()) Command24_Click(0);
}

} // namespace karuvel
