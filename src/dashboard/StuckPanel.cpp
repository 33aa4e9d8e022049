#include "dashboard/StuckPanel.h"

#include "dashboard/PdfPages.h"
#include "frame/Layout.h"
#include "platform/Platform.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace karuvel {

namespace {
constexpr QRect kPanelRect(4, 136, 1016, 596);
constexpr Placement kPanelLayout[] = {
    {"StuckTitle", -1, {10, 8, 330, 36}, 15, true},
    {"StuckPeriod", -1, {344, 12, 394, 30}},
    {"StuckPrint", -1, {744, 4, 84, 44}, 13, true},
    {"StuckPdf", -1, {832, 4, 110, 44}, 13, true},
    {"StuckBack", -1, {946, 4, 64, 44}, 13, true},
    {"StuckTable", -1, {6, 54, 1004, 536}},
};
} // namespace

StuckPanel::StuckPanel(std::function<QString()> gradeFilter, QWidget* parent)
    : QFrame(parent), gradeFilter_(std::move(gradeFilter))
{
    makePaperPanel(this, QStringLiteral("StuckPanel"), kPanelRect);
    StuckTitle = named(new QLabel(this), QStringLiteral("StuckTitle"));
    StuckPeriod = new PeriodBar(QStringLiteral("StuckPeriod"), PeriodChoice::ThisMonth, this);
    StuckPeriod->setToolTip(QStringLiteral("時間切れを数え、のびていないレベルを見る期間"));
    connect(StuckPeriod, &PeriodBar::changed, this, [this] { refresh(); });
    StuckPrint = named(new QPushButton(QStringLiteral("印刷"), this), QStringLiteral("StuckPrint"));
    // The PDF's name, and the print job's.
    const auto fileName = [this] {
        return safeFileNamePart(state().SchoolName) + QStringLiteral("_つまずき一覧_") + safeFileNamePart(grade_) +
               QStringLiteral("_") + clock().today().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".pdf");
    };
    connect(StuckPrint, &QPushButton::clicked, this, [this, fileName] {
        printPages(printJobTitle(fileName()), pageCount(),
                   [this](QPainter& p, const QRectF& rect, int k) { paintPage(p, rect, k); });
    });
    StuckPdf = named(new QPushButton(QStringLiteral("PDFに保存"), this), QStringLiteral("StuckPdf"));
    connect(StuckPdf, &QPushButton::clicked, this, [this, fileName] {
        const QString name = fileName();
        savePdfForTeacher(name, pageTitle(), pageCount(),
                          [this](QPainter& p, const QRectF& rect, int k) { paintPage(p, rect, k); });
    });
    StuckBack = named(new QPushButton(QStringLiteral("戻る"), this), QStringLiteral("StuckBack"));
    connect(StuckBack, &QPushButton::clicked, this, [this] { hide(); });

    StuckTable = named(new QTableWidget(this), QStringLiteral("StuckTable"));
    StuckTable->setColumnCount(int(stuckHeadings().size()));
    StuckTable->setHorizontalHeaderLabels(stuckHeadings());
    StuckTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StuckTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    StuckTable->setSelectionMode(QAbstractItemView::SingleSelection);
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(15);
    StuckTable->setFont(font);
    StuckTable->verticalHeader()->setDefaultSectionSize(30);
    StuckTable->horizontalHeader()->setStretchLastSection(true);
    StuckTable->setToolTip(QStringLiteral("ダブルクリックすると、その人のまとめとグラフを見ます"));
    connect(StuckTable, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row >= 0 && size_t(row) < rows_.size()) emit pupilChosen(rows_[size_t(row)].pupil);
    });
    layOut(this, kPanelLayout);
    hide();
}

void StuckPanel::showList()
{
    show();
    raise();
    refresh();
}

void StuckPanel::refresh()
{
    if (isHidden()) return;
    const ProgramState& s = state();
    grade_ = gradeFilter_();
    const QDate today = clock().today();
    const ClassProgress progress(s, heldRecords(), StuckPeriod->period(), today);
    rows_ = stuckList(s, grade_, progress, today);
    StuckTitle->setText(QStringLiteral("つまずき一覧　%1　（%2人）").arg(grade_).arg(rows_.size()));
    StuckTable->setRowCount(int(rows_.size()));
    for (size_t r = 0; r < rows_.size(); ++r) {
        const QStringList texts = stuckRowTexts(rows_[r]);
        for (int c = 0; c < texts.size(); ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setData(Qt::UserRole, rows_[r].pupil);
            StuckTable->setItem(int(r), c, item);
        }
    }
    const int w = StuckTable->viewport()->width();
    // The time-overs take what the others leave: no column runs past the right edge.
    const double shares[] = {0.19, 0.15, 0.26, 0.26};
    for (int c = 0; c < 4; ++c) StuckTable->setColumnWidth(c, int(w * shares[c]));
    StuckTable->horizontalHeader()->setMinimumSectionSize(40);
    StuckTable->horizontalHeader()->setStretchLastSection(true);
    StuckTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QString StuckPanel::pageTitle() const
{
    return state().SchoolName + QStringLiteral("　つまずき一覧　") + grade_ + QStringLiteral("　") +
           StuckPeriod->period().text();
}

int StuckPanel::pageCount() const
{
    const int perPage = stuckRowsPerPage(QRectF(0, 0, kPrintPageWidth, pdfPageHeight()));
    return std::max(1, (int(rows_.size()) + perPage - 1) / perPage);
}

void StuckPanel::paintPage(QPainter& p, const QRectF& rect, int index) const
{
    const int perPage = stuckRowsPerPage(QRectF(0, 0, kPrintPageWidth, pdfPageHeight()));
    QString title = pageTitle();
    if (pageCount() > 1) title += QStringLiteral("　%1/%2").arg(index + 1).arg(pageCount());
    paintStuckPage(p, rect, title, rows_, index * perPage, perPage);
}

} // namespace karuvel
