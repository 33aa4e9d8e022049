#include "dashboard/ClassOverviewPanel.h"

#include "dashboard/PdfPages.h"
#include "frame/Layout.h"
#include "platform/Platform.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QPainter>
#include <QSaveFile>
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

// The title and the buttons on top, the period and what the cells mean
// below them, then the table.
constexpr Placement kPanelLayout[] = {
    {"OverviewTitle", -1, {10, 4, 440, 30}, 15, true},
    {"OverviewPrint", -1, {478, 4, 76, 44}, 13, true},
    {"OverviewPdf", -1, {558, 4, 100, 44}, 12, true},
    {"OverviewCsv", -1, {662, 4, 100, 44}, 12, true},
    {"OverviewXlsx", -1, {766, 4, 112, 44}, 12, true},
    {"OverviewBack", -1, {934, 4, 76, 44}, 13, true},
    {"OverviewPeriod", -1, {10, 52, 330, 28}},
    {"OverviewNote", -1, {348, 56, 662, 20}, 10},
    {"OverviewTable", -1, {6, 84, 1004, 506}},
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
    OverviewCsv = named(new QPushButton(QStringLiteral("CSVに保存"), this), QStringLiteral("OverviewCsv"));
    OverviewCsv->setToolTip(QStringLiteral("この一覧を表計算ソフト用のCSVファイルにして、選んだフォルダーに保存します"));
    connect(OverviewCsv, &QPushButton::clicked, this, [this] { OverviewCsv_Click(); });
    OverviewXlsx = named(new QPushButton(QStringLiteral("Excelに保存"), this), QStringLiteral("OverviewXlsx"));
    OverviewXlsx->setToolTip(
        QStringLiteral("この一覧をExcelなどの表計算ソフトで開けるファイル（.xlsx）にして、選んだフォルダーに保存します"));
    connect(OverviewXlsx, &QPushButton::clicked, this, [this] { OverviewXlsx_Click(); });
    OverviewPeriod = new PeriodBar(QStringLiteral("OverviewPeriod"), PeriodChoice::ThisTerm, this);
    connect(OverviewPeriod, &PeriodBar::changed, this, [this] { refresh(); });
    OverviewNote = named(new QLabel(this), QStringLiteral("OverviewNote"));
    OverviewNote->setStyleSheet(QStringLiteral("color: #404040;"));

    model = new ClassOverviewModel(this);
    OverviewTable = named(new QTableView(this), QStringLiteral("OverviewTable"));
    OverviewTable->setModel(model);
    OverviewTable->setSortingEnabled(true);
    OverviewTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    OverviewTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    OverviewTable->setWordWrap(false);
    QFont cellFont(QStringLiteral("IPAGothic"));
    cellFont.setPixelSize(12);
    OverviewTable->setFont(cellFont);
    // Four lines a cell: the state, runs and points on two lines when they are many, the best time.
    OverviewTable->verticalHeader()->setDefaultSectionSize(62);
    // The row numbers would take room the level columns need.
    OverviewTable->verticalHeader()->hide();
    // A level's number and name on two lines: a narrow column shows them whole.
    OverviewTable->horizontalHeader()->setFixedHeight(42);
    OverviewTable->horizontalHeader()->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    OverviewTable->setToolTip(QStringLiteral("名前をダブルクリックすると、その人のまとめとグラフを見ます"));
    connect(OverviewTable, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        const int pupil = model->data(model->index(index.row(), 0), Qt::UserRole).toInt();
        if (pupil > 0) emit pupilChosen(pupil);
    });
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
    const QDate today = clock().today();
    const ClassProgress progress(s, heldRecords(), OverviewPeriod->period(), today);
    ClassOverview overview = classOverview(s, grade, progress);
    const QHeaderView* header = OverviewTable->horizontalHeader();
    sortOverview(&overview, header->sortIndicatorSection(), header->sortIndicatorOrder() == Qt::AscendingOrder);
    model->setOverview(s, std::move(overview));
    OverviewTitle->setText(QStringLiteral("クラス一覧　") + grade + QStringLiteral("　（") +
                           QString::number(model->rowCount()) + QStringLiteral("人）"));
    OverviewNote->setText(QStringLiteral("期間 %1 の回数・点・最高。「クリア」期間内、「以前クリア」期間より前")
                              .arg(model->overview().period.text()));
    // The level columns share the width the name column leaves.
    const int columns = model->columnCount();
    const int nameWidth = 136;
    // The scroll bar takes about 24 pixels of the table's width.
    const int room = OverviewTable->width() - 24;
    OverviewTable->setColumnWidth(0, nameWidth);
    const int levelWidth = columns > 1 ? std::max(60, (room - nameWidth) / (columns - 1)) : 60;
    for (int c = 1; c < columns; ++c) OverviewTable->setColumnWidth(c, levelWidth);
}

QString ClassOverviewPanel::pageTitle() const
{
    const ProgramState& s = state();
    return s.SchoolName + QStringLiteral("　クラス一覧　") + model->overview().gradeFilter + QStringLiteral("　期間 ")
        + model->overview().period.text() + QStringLiteral("　") + clock().today().toString(QStringLiteral("yyyy/MM/dd"));
}

int ClassOverviewPanel::pageCount() const
{
    const int perPage = overviewRowsPerPage(
        QRectF(0, 0, pdfPageWidth(kOverviewOrientation), pdfPageHeight(kOverviewOrientation)));
    const int rows = int(model->overview().rows.size());
    return std::max(1, (rows + perPage - 1) / perPage);
}

void ClassOverviewPanel::paintPage(QPainter& p, const QRectF& rect, int index) const
{
    const int perPage = overviewRowsPerPage(
        QRectF(0, 0, pdfPageWidth(kOverviewOrientation), pdfPageHeight(kOverviewOrientation)));
    const int pages = pageCount();
    QString title = pageTitle();
    if (pages > 1) title += QStringLiteral("　") + QString::number(index + 1) + QLatin1Char('/') + QString::number(pages);
    paintOverviewPage(p, rect, state(), model->overview(), title, index * perPage, perPage);
}

void ClassOverviewPanel::OverviewPrint_Click()
{
    // Across the paper: the printer's sheet is upright, so the page is turned
    // a quarter and fills it as the saved PDF's landscape page does.
    const QString name = overviewPdfFileName(state().SchoolName, clock().today(), model->overview().gradeFilter);
    printPages(printJobTitle(name), pageCount(), [this](QPainter& p, const QRectF& rect, int k) {
        const double height = std::min(rect.height(), kPrintPageWidth * 1.414);
        p.save();
        p.translate(rect.left() + rect.width(), rect.top());
        p.rotate(90);
        paintPage(p, QRectF(0, 0, height, rect.width()), k);
        p.restore();
    });
}

QString ClassOverviewPanel::tableFileName(const QString& extension) const
{
    return safeFileNamePart(state().SchoolName) + QStringLiteral("_クラス一覧_") +
           safeFileNamePart(model->overview().gradeFilter) + QStringLiteral("_") +
           clock().today().toString(QStringLiteral("yyyy-MM-dd")) + extension;
}

void ClassOverviewPanel::saveTable(const QString& what, const QString& extension, const QByteArray& bytes)
{
    const QString folder = chooseSaveFolder(QStringLiteral("%1ファイルを保存するフォルダーを選んで下さい").arg(what),
                                            QStringLiteral("ClassOverview"));
    if (folder.isEmpty()) return;  // cancelled
    const QString name = tableFileName(extension);
    const QString path = QDir(folder).filePath(name);
    if (QFileInfo::exists(path) &&
        !messages().confirm(QStringLiteral("注意"), QStringLiteral("「%1」はもうあります。\r\n上書きしますか？").arg(name),
                            ConfirmButtons::YesNo))
        return;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        messages().inform(QStringLiteral("エラー"),
                          QStringLiteral("「%1」に書き込むことができません。\r\n%2").arg(name, QDir::toNativeSeparators(path)));
        return;
    }
    messages().inform(what + QStringLiteral("に保存"),
                      what + QStringLiteral("ファイルに保存しました。\r\n") + QDir::toNativeSeparators(path));
}

void ClassOverviewPanel::OverviewCsv_Click()
{
    // UTF-8 with its mark, as the records' CSV: spreadsheet programs open it with the Japanese intact.
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") +
                             (overviewCsvLines(state(), model->overview()).join(QStringLiteral("\r\n")) +
                              QStringLiteral("\r\n")).toUtf8();
    saveTable(QStringLiteral("CSV"), QStringLiteral(".csv"), bytes);
}

void ClassOverviewPanel::OverviewXlsx_Click()
{
    saveTable(QStringLiteral("Excel"), QStringLiteral(".xlsx"), xlsxBytes(overviewSheet(state(), model->overview(), pageTitle())));
}

void ClassOverviewPanel::OverviewPdf_Click()
{
    const QString name = overviewPdfFileName(state().SchoolName, clock().today(), model->overview().gradeFilter);
    savePdfForTeacher(name, pageTitle(), pageCount(),
                      [this](QPainter& p, const QRectF& rect, int k) { paintPage(p, rect, k); }, kOverviewOrientation);
}

void ClassOverviewPanel::OverviewBack_Click() { hide(); }

} // namespace karuvel
