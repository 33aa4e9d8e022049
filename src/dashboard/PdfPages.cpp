#include "dashboard/PdfPages.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace karuvel {

namespace {
const QMarginsF kMarginsMm(12, 12, 12, 12);
constexpr int kPdfResolution = 300;

QString writeProblem(const QString& path)
{
    return QStringLiteral("PDFファイルを書き込めませんでした。\r\n") + QDir::toNativeSeparators(path)
        + QStringLiteral("\r\nフォルダーに書き込めるか、空きがあるかを確かめて下さい。");
}
} // namespace

namespace {
// The printable part of an A4 page in the painting's units: a unit is as
// large on a page across the paper as on an upright one (whose width is
// kPrintPageWidth), so that text keeps its size when the page is turned.
QSizeF pdfPageSize(QPageLayout::Orientation orientation)
{
    const QSizeF upright = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    QSizeF a4 = upright;
    if (orientation == QPageLayout::Landscape) a4.transpose();
    const double unitsPerMm = kPrintPageWidth / (upright.width() - kMarginsMm.left() - kMarginsMm.right());
    return {(a4.width() - kMarginsMm.left() - kMarginsMm.right()) * unitsPerMm,
            (a4.height() - kMarginsMm.top() - kMarginsMm.bottom()) * unitsPerMm};
}
} // namespace

double pdfPageHeight(QPageLayout::Orientation orientation) { return pdfPageSize(orientation).height(); }

double pdfPageWidth(QPageLayout::Orientation orientation) { return pdfPageSize(orientation).width(); }

bool writePdfPages(const QString& path, const QString& title, int pages, const PagePainter& paint, QString* problem,
                   QPageLayout::Orientation orientation)
{
    QSaveFile file(path);
    if (pages < 1 || !file.open(QIODevice::WriteOnly)) {
        if (problem) *problem = writeProblem(path);
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Karuvel"));
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation, kMarginsMm,
                                         QPageLayout::Millimeter));
        QPainter p;
        if (!p.begin(&writer)) {
            file.cancelWriting();
            if (problem) *problem = writeProblem(path);
            return false;
        }
        const QRect area = writer.pageLayout().paintRectPixels(writer.resolution());
        const double pageWidth = pdfPageWidth(orientation);
        const double scale = area.width() / pageWidth;
        const QRectF page(0, 0, pageWidth, area.height() / scale);
        for (int k = 0; k < pages; ++k) {
            if (k > 0) writer.newPage();
            p.save();
            p.scale(scale, scale);
            paint(p, page, k);
            p.restore();
        }
        p.end();
    }
    if (!file.commit()) {
        if (problem) *problem = writeProblem(path);
        return false;
    }
    return true;
}

bool savePdfForTeacher(const QString& fileName, const QString& title, int pages, const PagePainter& paint,
                       QPageLayout::Orientation orientation)
{
    const QString folder = chooseSaveFolder(QStringLiteral("PDFを保存するフォルダーを選んで下さい"), QStringLiteral("Pdf"));
    if (folder.isEmpty()) return false;  // cancelled
    const QString path = freePath(folder, fileName);
    QString problem;
    if (!writePdfPages(path, title, pages, paint, &problem, orientation)) {
        messages().inform(QStringLiteral("エラー"), problem);
        return false;
    }
    messages().inform(QStringLiteral("PDFに保存"),
                      QStringLiteral("PDFファイルに保存しました。\r\n") + QDir::toNativeSeparators(path));
    return true;
}

QString printFailedText()
{
    return QStringLiteral("印刷できませんでした。\r\nプリンターの電源や用紙を確かめて下さい。");
}

QString printJobTitle(const QString& pdfFileName)
{
    QString title = pdfFileName;
    if (title.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) title.chop(4);
    return title;
}

bool printPages(const QString& jobTitle, int pages, const PagePainter& paint)
{
    IPrinter* printer = platform().printer;
    if (printer && !printer->startJob(jobTitle, pages)) return false;  // the teacher cancelled
    bool printed = printer != nullptr;
    for (int k = 0; printed && k < pages; ++k) {
        if (k > 0) printer->newPage();
        printed = printer->printDrawing([&](QPainter& p, const QRectF& rect) { paint(p, rect, k); }, 0);
    }
    if (printer) printer->endJob();
    if (!printed) messages().inform(QStringLiteral("エラー"), printFailedText());
    return printed;
}

QString safeFileNamePart(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        const bool bad = c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c);
        out += bad ? QChar(u'_') : c;
    }
    return out.trimmed();
}

QString sheetsPdfFileName(const QString& school, const QDate& date, const QStringList& pupils)
{
    QStringList shown = pupils.mid(0, 3);
    for (QString& n : shown) n = safeFileNamePart(n);
    QString who = shown.join(QStringLiteral("・"));
    if (pupils.size() > 3) who += QStringLiteral("ほか") + QString::number(pupils.size() - 3) + QStringLiteral("名");
    return safeFileNamePart(school) + QStringLiteral("_成績表_") + date.toString(QStringLiteral("yyyy-MM-dd"))
        + QLatin1Char('_') + who + QStringLiteral(".pdf");
}

QString overviewPdfFileName(const QString& school, const QDate& date, const QString& grade)
{
    return safeFileNamePart(school) + QStringLiteral("_クラス一覧_") + safeFileNamePart(grade) + QLatin1Char('_')
        + date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".pdf");
}

QString freePath(const QString& folder, const QString& name)
{
    const QDir dir(folder);
    QString path = dir.filePath(name);
    const QFileInfo info(name);
    const QString base = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 2; QFileInfo::exists(path) && n < 10000; ++n)
        path = dir.filePath(base + QStringLiteral(" (") + QString::number(n) + QLatin1Char(')') + suffix);
    return path;
}

} // namespace karuvel
