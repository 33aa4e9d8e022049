#include "dashboard/ClassOverviewPanel.h"

#include "dashboard/PdfPages.h"
#include "frame/Layout.h"
#include "platform/Platform.h"
#include "state/ProgramState.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <algorithm>

namespace karuvel {

namespace {
// The overview is saved across the paper: twelve level columns need the width.
constexpr auto kOverviewOrientation = QPageLayout::Landscape;

// Over the level columns, above the scroll bar.
constexpr QRect kPanelRect(4, 136, 1016, 596);

constexpr Placement kPanelLayout[] = {
    {"OverviewTitle", -1, {10, 8, 560, 36}, 16, true},
    {"OverviewPrint", -1, {590, 4, 130, 44}, 13, true},
    {"OverviewPdf", -1, {726, 4, 150, 44}, 13, true},
    {"OverviewBack", -1, {882, 4, 126, 44}, 13, true},
    {"OverviewTable", -1, {6, 54, 1004, 536}},
};
} // namespace

ClassOverviewPanel::ClassOverviewPanel(std::function<QString()> gradeFilter, QWidget* parent)
    : QFrame(parent), gradeFilter_(std::move(gradeFilter))
{
    makePaperPanel(this, QStringLiteral("ClassOverview"), kPanelRect);
    OverviewTitle = named(new QLabel(this), QStringLiteral("OverviewTitle"));
    OverviewPrint = named(new QPushButton(QStringLiteral("印刷"), this), QStringLiteral("OverviewPrint"));
    OverviewPrint->setToolTip(QStringLiteral("この一覧を印刷します"));
    connect(OverviewPrint, &QPushButton::clicked, this, [this] { OverviewPrint_Click(); });
    OverviewPdf = named(new QPushButton(QStringLiteral("PDFに保存"), this), QStringLiteral("OverviewPdf"));
    OverviewPdf->setToolTip(QStringLiteral("この一覧をPDFファイルにして、選んだフォルダーに保存します"));
    connect(OverviewPdf, &QPushButton::clicked, this, [this] { OverviewPdf_Click(); });
    OverviewBack = named(new QPushButton(QStringLiteral("戻る"), this), QStringLiteral("OverviewBack"));
    connect(OverviewBack, &QPushButton::clicked, this, [this] { OverviewBack_Click(); });

    model = new ClassOverviewModel(this);
    OverviewTable = named(new QTableView(this), QStringLiteral("OverviewTable"));
    OverviewTable->setModel(model);
    OverviewTable->setSortingEnabled(true);
    OverviewTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    OverviewTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    OverviewTable->setWordWrap(false);
    QFont cellFont(QStringLiteral("IPAGothic"));
    cellFont.setPixelSize(13);
    OverviewTable->setFont(cellFont);
    OverviewTable->verticalHeader()->setDefaultSectionSize(54);
    OverviewTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    OverviewTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    OverviewTable->horizontalHeader()->setSortIndicatorShown(true);
    OverviewTable->horizontalHeader()->setToolTip(QStringLiteral("押すと、その列で並べかえます"));
    // The name column opens in roster order.
    OverviewTable->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);

    layOut(this, kPanelLayout);
    hide();
}

void ClassOverviewPanel::showOverview()
{
    show();
    raise();
    refresh();
}

void ClassOverviewPanel::refresh()
{
    if (isHidden()) return;
    const ProgramState& s = state();
    const QString grade = gradeFilter_();
    ClassOverview overview = classOverview(s, grade);
    const QHeaderView* header = OverviewTable->horizontalHeader();
    sortOverview(&overview, header->sortIndicatorSection(), header->sortIndicatorOrder() == Qt::AscendingOrder);
    model->setOverview(s, std::move(overview));
    OverviewTitle->setText(QStringLiteral("クラス一覧　") + grade + QStringLiteral("　（") +
                           QString::number(model->rowCount()) + QStringLiteral("人）"));
    // The level columns share the width the name column leaves.
    const int columns = model->columnCount();
    const int nameWidth = 136;
    // The row numbers and the scroll bar take about 50 pixels of the table's width.
    const int room = OverviewTable->width() - 50;
    OverviewTable->setColumnWidth(0, nameWidth);
    const int levelWidth = columns > 1 ? std::max(60, (room - nameWidth) / (columns - 1)) : 60;
    for (int c = 1; c < columns; ++c) OverviewTable->setColumnWidth(c, levelWidth);
}

QString ClassOverviewPanel::pageTitle() const
{
    const ProgramState& s = state();
    return s.SchoolName + QStringLiteral("　クラス一覧　") + model->overview().gradeFilter + QStringLiteral("　")
        + clock().today().toString(QStringLiteral("yyyy/MM/dd"));
}

int ClassOverviewPanel::pageCount() const
{
    const int perPage = overviewRowsPerPage(QRectF(0, 0, kPrintPageWidth, pdfPageHeight(kOverviewOrientation)));
    const int rows = int(model->overview().rows.size());
    return std::max(1, (rows + perPage - 1) / perPage);
}

void ClassOverviewPanel::paintPage(QPainter& p, const QRectF& rect, int index) const
{
    const int perPage = overviewRowsPerPage(QRectF(0, 0, kPrintPageWidth, pdfPageHeight(kOverviewOrientation)));
    const int pages = pageCount();
    QString title = pageTitle();
    if (pages > 1) title += QStringLiteral("　") + QString::number(index + 1) + QLatin1Char('/') + QString::number(pages);
    paintOverviewPage(p, rect, state(), model->overview(), title, index * perPage, perPage);
}

void ClassOverviewPanel::OverviewPrint_Click()
{
    const QString name = overviewPdfFileName(state().SchoolName, clock().today(), model->overview().gradeFilter);
    printPages(printJobTitle(name), pageCount(),
               [this](QPainter& p, const QRectF& rect, int k) { paintPage(p, rect, k); });
}

void ClassOverviewPanel::OverviewPdf_Click()
{
    const QString name = overviewPdfFileName(state().SchoolName, clock().today(), model->overview().gradeFilter);
    savePdfForTeacher(name, pageTitle(), pageCount(),
                      [this](QPainter& p, const QRectF& rect, int k) { paintPage(p, rect, k); }, kOverviewOrientation);
}

void ClassOverviewPanel::OverviewBack_Click() { hide(); }

} // namespace karuvel
