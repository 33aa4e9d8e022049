// A teacher prints three pupils' summary sheets from the dashboard on the real
// printer of the system. Run by cups_print_test.sh, which starts a print server
// of its own with a PDF printer as the default and checks the PDF it makes
// against the sheet lines this test writes to KARUVEL_PRINT_EXPECT.
#include "Fakes.h"
#include "Runs.h"
#include "TempDir.h"
#include "TeacherSchool.h"
#include "dashboard/Dashboard.h"
#include "dashboard/PupilSummary.h"
#include "platform/Calendar.h"
#include "frame/Catalogue.h"
#include "frame/Navigator.h"
#include "platform/RealPlatform.h"

#include <QFile>
#include <QPrinter>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace karuvel;

TEST(PrintOnRealPrinter, ThreePupilsSheetsGoToThePrinterAsThreePages)
{
    const QString expectFile = qEnvironmentVariable("KARUVEL_PRINT_EXPECT");
    if (expectFile.isEmpty()) GTEST_SKIP() << "run by cups_print_test.sh, which starts the print server";

    test::FakePlatform fakes;
    // The teacher presses "印刷" in the print dialog, leaving its choices as they are.
    QString jobTitle;
    int sheetsAsked = 0;
    RealPrinter printer([&](QPrinter& p, int sheets) {
        jobTitle = p.docName();
        sheetsAsked = sheets;
        return true;
    });
    platform().printer = &printer;
    test::TempDir dir;
    test::makeTeacherSchool(dir);
    const double today = toOleDate(fakes.clock.now().date());
    dir.writeBytes(QStringLiteral("成績累積データ.dat"),
                   test::runsBytes({{today, 1, 1, 40}, {today, 2, 1, 50}, {today - 1, 3, 1, 70}, {today, 3, 1, 65}}));

    // The teacher signs in, opens the per-pupil view and chooses all three pupils and level 1.
    test::signInAs(fakes.clock, 4, QStringLiteral("上野先生"));
    auto* d = test::openDashboard();
    ASSERT_NE(d, nullptr);
    d->Option2[2]->click();
    d->Command25->click();
    for (int row = 0; row < 3; ++row) d->List2->item(row)->setSelected(true);
    d->List3->clearSelection();
    d->List3->item(0)->setSelected(true);

    d->Command24[1]->click();  // "印刷"
    EXPECT_TRUE(fakes.messages.shown.isEmpty()) << "the program said it could not print";
    EXPECT_EQ(sheetsAsked, 3);
    EXPECT_TRUE(jobTitle.contains(QStringLiteral("_成績表_"))) << jobTitle.toStdString();
    // The script looks for the job's name in the print server's record of the job.
    QFile title(expectFile + QStringLiteral(".title"));
    ASSERT_TRUE(title.open(QIODevice::WriteOnly));
    title.write(jobTitle.toUtf8());

    // What each page must say: the sheet of each pupil, as the panel shows it.
    d->Command24[0]->click();  // "表示"
    const QString sheets = d->SheetText->toPlainText();
    QFile out(expectFile);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(sheets.toUtf8() + '\n');
    screens::closeAll();
}
