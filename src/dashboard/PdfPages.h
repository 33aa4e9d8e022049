#pragma once
// PDF files for teachers: pages painted by the same functions as the screen
// and the printer, written with QPdfWriter, and file names that say what
// the file holds (the school, the date, the pupils or the grade).
#include <QDate>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;

namespace karuvel {

// Paints page `index` (0-based) into `page`, in units of a page kPrintPageWidth wide.
using PagePainter = std::function<void(QPainter& p, const QRectF& page, int index)>;

// Writes `pages` A4 pages to a PDF file at `path` (replaced in one step when
// it is complete). False with a Japanese description naming the file in
// *problem when the file cannot be written; nothing is left behind then.
bool writePdfPages(const QString& path, const QString& title, int pages, const PagePainter& paint, QString* problem,
                   QPageLayout::Orientation orientation = QPageLayout::Portrait);

// The height and width of an A4 page in the units of the painting (an
// upright page is kPrintPageWidth wide; a page across the paper is wider in
// units of the same size).
double pdfPageHeight(QPageLayout::Orientation orientation = QPageLayout::Portrait);
double pdfPageWidth(QPageLayout::Orientation orientation = QPageLayout::Portrait);

// A piece of a file name that every system accepts: \ / : * ? " < > | and
// control characters become "_", blanks at the ends are dropped.
QString safeFileNamePart(const QString& text);
// "<school>_成績表_<yyyy-MM-dd>_<name>・<name>.pdf"; more than three pupils:
// the first three and "ほか<n>名".
QString sheetsPdfFileName(const QString& school, const QDate& date, const QStringList& pupils);
// "<school>_クラス一覧_<grade>_<yyyy-MM-dd>.pdf".
QString overviewPdfFileName(const QString& school, const QDate& date, const QString& grade);
// For a teacher: asks for a folder (through the folder chooser), writes the
// pages there as `fileName` (or a free variant of it) and tells where the
// file went or why it could not be written. The folder chosen last is
// offered first next time. True when the file was written.
bool savePdfForTeacher(const QString& fileName, const QString& title, int pages, const PagePainter& paint,
                       QPageLayout::Orientation orientation = QPageLayout::Portrait);
// Prints pages through the printer, one sheet of paper each, as a job named
// `jobTitle`, after the teacher chose printer, copies and pages; tells the
// teacher when the printer fails. True when every page was printed; false
// also when the teacher cancelled (nothing is said then).
bool printPages(const QString& jobTitle, int pages, const PagePainter& paint);
// The name of a print job in the printer's queue: what a PDF of the same
// pages would be called, without ".pdf".
QString printJobTitle(const QString& pdfFileName);
// The message shown when printing failed.
QString printFailedText();

// The path of `name` in `folder`; when a file of that name exists already,
// the first free "name (2).ext", "name (3).ext" ... so nothing is overwritten.
QString freePath(const QString& folder, const QString& name);

} // namespace karuvel
