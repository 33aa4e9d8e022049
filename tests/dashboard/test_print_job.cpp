// The real printer's job as the teacher set it up in the print dialog: only the
// sheets chosen are printed, and the job carries the name of what it prints.
// The dialog is stood in for by a function that answers as the teacher would and
// sends the job to a PDF file instead of a printer.
#include "Fakes.h"
#include "PdfText.h"
#include "TempDir.h"
#include "dashboard/PdfPages.h"
#include "platform/RealPlatform.h"

#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

QString pdfTitle(const QString& path)
{
    QProcess run;
    run.start(QStringLiteral("pdfinfo"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path});
    run.waitForFinished(60000);
    for (const QString& line : QString::fromUtf8(run.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("Title:"))) return line.mid(6).trimmed();
    }
    return {};
}

// Four sheets, each saying which it is: by drawings (as the class overview
// prints) or by lines (as the pupils' sheets print).
void printFourSheets(bool asLines)
{
    if (!asLines) {
        printPages(QStringLiteral("みどり塾_クラス一覧_全体_2026-12-10"), 4, [](QPainter& p, const QRectF& r, int k) {
            p.drawText(r.adjusted(40, 40, 0, 0), QStringLiteral("シート%1").arg(k + 1));
        });
        return;
    }
    IPrinter* printer = platform().printer;
    if (!printer->startJob(QStringLiteral("みどり塾_成績表_2026-12-10_青木・上田・小川ほか1名"), 4)) return;
    for (int k = 0; k < 4; ++k) {
        if (k > 0) printer->newPage();
        printer->printLines({QStringLiteral("シート%1").arg(k + 1), QStringLiteral("【1】川1")}, 11);
    }
    printer->endJob();
}

} // namespace

TEST(PrintJob, OnlyTheChosenSheetsArePrintedAndTheJobIsNamedAfterWhatItPrints)
{
    struct Case {
        const char* what;
        bool asLines;
        int from, to;  // 0, 0 = all
        QStringList pages;
    };
    const std::vector<Case> cases = {
        {"drawn sheets, all", false, 0, 0, {"シート1", "シート2", "シート3", "シート4"}},
        {"drawn sheets 2 to 3", false, 2, 3, {"シート2", "シート3"}},
        {"sheets of lines, the last only", true, 4, 4, {"シート4"}},
        {"sheets of lines 1 to 2", true, 1, 2, {"シート1", "シート2"}},
    };
    test::FakePlatform fakes;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const QString pdf = dir.file(QStringLiteral("job.pdf"));
        int sheetsAsked = 0;
        RealPrinter printer([&](QPrinter& p, int sheets) {
            sheetsAsked = sheets;
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(pdf);
            if (c.from > 0) {
                p.setPrintRange(QPrinter::PageRange);
                p.setFromTo(c.from, c.to);
            }
            return true;
        });
        platform().printer = &printer;
        printFourSheets(c.asLines);
        EXPECT_EQ(sheetsAsked, 4);
        ASSERT_EQ(test::pdfPages(pdf), c.pages.size());
        for (int page = 1; page <= c.pages.size(); ++page)
            EXPECT_TRUE(test::squeezed(test::pdfText(pdf, page)).contains(c.pages[page - 1])) << "page " << page;
        EXPECT_TRUE(pdfTitle(pdf).startsWith(QStringLiteral("みどり塾_"))) << pdfTitle(pdf).toStdString();
        EXPECT_TRUE(fakes.messages.shown.isEmpty());
    }

    // Cancelled: no file, nothing said, and the printer is ready for the next job.
    test::TempDir dir;
    const QString pdf = dir.file(QStringLiteral("cancelled.pdf"));
    RealPrinter printer([&](QPrinter& p, int) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return false;
    });
    platform().printer = &printer;
    printFourSheets(false);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
}
