// The sheets saved as PDF: one page per pupil holding that pupil's sheet
// lines (read back with poppler's pdftotext), and the files' names.
#include "Fakes.h"
#include "PdfText.h"
#include "Runs.h"
#include "TempDir.h"
#include "dashboard/PdfPages.h"
#include "dashboard/SheetPage.h"
#include "platform/Calendar.h"

#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace karuvel;
using karuvel::test::pdfPages;
using karuvel::test::pdfText;
using karuvel::test::squeezed;

namespace {

class SheetPdf : public ::testing::Test {
protected:
    test::FakePlatform fakes;
    test::TempDir dir;
    ProgramState& s = state();

    void SetUp() override
    {
        ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            << "poppler-utils (pdftotext, pdfinfo) is needed: see packages.txt";
        s.ProgramTitle = QStringLiteral("Karuvel");
        s.LevelCount = 2;
        s.LevelNames[1] = QStringLiteral("川１");
        s.LevelNames[2] = QStringLiteral("川２");
        test::setLevelCriteria(2, {});
        const char* names[] = {"", "青木", "上田", "小川"};
        for (int p = 1; p <= 3; ++p) {
            s.RosterOrder[size_t(p)] = p;
            s.PupilNames[size_t(p)] = QString::fromUtf8(names[p]).leftJustified(20, QLatin1Char(' '));
            s.PupilGrades[size_t(p)] = QStringLiteral("小５");
        }
        s.RosterCount = Loose(3);
        s.CurrentPupil = 1;
    }
};

} // namespace

TEST_F(SheetPdf, OnePagePerPupilHoldingEachSheetsLines)
{
    const double today = toOleDate(fakes.clock.now().date());
    std::vector<ResultRecordData> records;
    for (int k = 0; k < 6; ++k) {
        records.push_back(test::runRecord(today - 10 + k, 0.5, 1, 1, 70 - 5 * k));
        records.push_back(test::runRecord(today - 9 + k, 0.6, 2, 1, 90 - k));
        records.push_back(test::runRecord(today - 8 + k, 0.4, 2, 2, k == 3 ? kNoTime : 50 + k));
    }
    PupilSummary summary(s, QStringLiteral("全学年"), fakes.clock.now());
    for (const auto& r : records) summary.add(r);
    const std::vector<int> levels = {1, 2};
    const std::vector<int> pupils = {2, 1, 3};  // in the order chosen; 3 has no runs
    std::vector<SheetPage> pages;
    for (int pupil : pupils) {
        SheetPage page;
        page.title = summary.titleLine(pupil);
        for (int level : levels) page.blocks.push_back(summary.levelBlock(pupil, level));
        page.charts = pupilCharts(records, s, summary, pupil, levels, fakes.clock.now());
        pages.push_back(page);
    }
    const QString path = dir.file(QStringLiteral("sheets.pdf"));
    QString problem;
    ASSERT_TRUE(writePdfPages(path, QStringLiteral("成績表"), int(pages.size()),
                              [&](QPainter& p, const QRectF& rect, int k) { paintSheetPage(p, rect, pages[size_t(k)]); },
                              &problem))
        << problem.toStdString();
    ASSERT_EQ(pdfPages(path), 3);
    for (size_t k = 0; k < pupils.size(); ++k) {
        SCOPED_TRACE(pupils[k]);
        // Each sheet line is found on one line of the page (the chart beside
        // it may add its own words to the same line).
        const QStringList pageLines = pdfText(path, int(k) + 1).split(QLatin1Char('\n'));
        for (const QString& line : summary.sheet(pupils[k], levels)) {
            const bool found = std::any_of(pageLines.begin(), pageLines.end(),
                                           [&](const QString& l) { return squeezed(l).contains(squeezed(line)); });
            EXPECT_TRUE(found) << line.toStdString();
        }
        const QString text = squeezed(pageLines.join(QString()));
        // The chart of each level and the weekly chart are on the pupil's own page.
        EXPECT_EQ(text.count(QStringLiteral("タイム（秒）")), 2);
        EXPECT_TRUE(text.contains(QStringLiteral("週ごとの獲得ポイント")));
    }
    EXPECT_TRUE(squeezed(pdfText(path, 3)).contains(QStringLiteral("まだ記録がありません")));
}

TEST_F(SheetPdf, AFolderThatCannotBeWrittenIsToldAndLeavesNothing)
{
    QString problem;
    const QString path = dir.file(QStringLiteral("無い/sheets.pdf"));
    EXPECT_FALSE(writePdfPages(path, QString(), 1, [](QPainter&, const QRectF&, int) {}, &problem));
    EXPECT_TRUE(problem.contains(QStringLiteral("sheets.pdf")));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SheetPdf, FileNamesSayTheSchoolTheDateAndWho)
{
    const QDate day(2026, 12, 10);
    const struct {
        const char* what;
        QString name;
        QString expected;
    } cases[] = {
        {"one pupil", sheetsPdfFileName(QStringLiteral("みどり塾"), day, {QStringLiteral("青木")}),
         QStringLiteral("みどり塾_成績表_2026-12-10_青木.pdf")},
        {"three pupils", sheetsPdfFileName(QStringLiteral("みどり塾"), day, {QStringLiteral("青木"), QStringLiteral("上田"), QStringLiteral("小川")}),
         QStringLiteral("みどり塾_成績表_2026-12-10_青木・上田・小川.pdf")},
        {"more than three", sheetsPdfFileName(QStringLiteral("みどり塾"), day,
                                              {QStringLiteral("青木"), QStringLiteral("上田"), QStringLiteral("小川"), QStringLiteral("江藤"), QStringLiteral("大野")}),
         QStringLiteral("みどり塾_成績表_2026-12-10_青木・上田・小川ほか2名.pdf")},
        {"characters no file name may hold", sheetsPdfFileName(QStringLiteral(" A/B塾 "), day, {QStringLiteral("a:b?")}),
         QStringLiteral("A_B塾_成績表_2026-12-10_a_b_.pdf")},
        {"the overview", overviewPdfFileName(QStringLiteral("みどり塾"), day, QStringLiteral("小５")),
         QStringLiteral("みどり塾_クラス一覧_小５_2026-12-10.pdf")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.name, c.expected) << c.what;

    // A second file of the same name the same day does not replace the first.
    const QString first = freePath(dir.path(), QStringLiteral("a.pdf"));
    EXPECT_EQ(first, dir.file(QStringLiteral("a.pdf")));
    dir.writeBytes(QStringLiteral("a.pdf"), "x");
    EXPECT_EQ(freePath(dir.path(), QStringLiteral("a.pdf")), dir.file(QStringLiteral("a (2).pdf")));
    dir.writeBytes(QStringLiteral("a (2).pdf"), "x");
    EXPECT_EQ(freePath(dir.path(), QStringLiteral("a.pdf")), dir.file(QStringLiteral("a (3).pdf")));
}
