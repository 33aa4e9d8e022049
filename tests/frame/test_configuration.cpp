#include "Fakes.h"
#include "TempDir.h"
#include "platform/Calendar.h"
#include "frame/Catalogue.h"
#include "frame/FileMessages.h"
#include "frame/Configuration.h"
#include "platform/FileErrors.h"
#include "records/Criteria.h"
#include "state/ProgramState.h"

#include <gtest/gtest.h>

using namespace karuvel;

namespace {

const char* kCriteriaHeader = "目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n";

// A program folder "<tmp>/Karuvel/" beside the path file, and a data root "<tmp>/school/".
struct Install {
    test::TempDir dir;
    QString app = dir.mkdir("Karuvel");
    QString root = dir.mkdir("school");

    Install()
    {
        dir.mkdir("school/Karuvel");
        dir.mkdir("school/音フォルダ");
        dir.writeCp932("パスデータ.txt", root + ",,,,,,,,,\r\n");
        dir.writeCp932("school/共通データ.txt", "4,12345つばさ学習塾,1,x,,pass,,,,\r\n");
        dir.writeCp932("school/Karuvel/タイム回数データ.txt",
                       QString::fromUtf8(kCriteriaHeader) + "60,120,30,3,1.5,0,0,7,7,,,\r\n");
        dir.writeCp932("school/音フォルダ/新音ファイル.txt",
                       "正解音2,ok1,ok2,*\r\n間違い音2,ng,*\r\nほかの行\r\n不合格音1,*\r\n");
    }
};

} // namespace

TEST(Configuration, PasswordIsKeptAsTypedEvenWhenItLooksLikeANumber)
{
    for (const char* password : {"0123", "1.50", "007"}) {
        test::FakePlatform fakes;
        Install in;
        in.dir.writeCp932("school/共通データ.txt", QStringLiteral("4,12345つばさ学習塾,1,x,,%1,,,,\r\n").arg(password));
        LoadConfigurationFrom(in.app);
        EXPECT_EQ(state().DataChangePassword.toText(), QString::fromLatin1(password));
    }
}

TEST(Configuration, LoadsPathsSchoolCriteriaAndSounds)
{
    test::FakePlatform fakes;
    Install in;
    LoadConfigurationFrom(in.app);
    const ProgramState& s = state();
    EXPECT_EQ(s.AppFolder, in.app);
    EXPECT_EQ(s.RosterFolder.toText(), in.root);
    EXPECT_EQ(s.ProgramFolderName.toText(), "Karuvel");
    EXPECT_EQ(s.DataFolder.toText(), in.root + "Karuvel/");
    EXPECT_EQ(s.SoundFolder.toText(), in.root + "音フォルダ/");
    EXPECT_EQ(s.SchoolYearStartMonth, Loose(4));
    EXPECT_EQ(s.SchoolCode.toText(), "12345");
    EXPECT_EQ(s.SchoolName, "つばさ学習塾");
    EXPECT_EQ(s.RosterStatusReset, Loose(1));
    EXPECT_EQ(s.DataChangePassword.toText(), "pass");
    EXPECT_EQ(s.ProgramTitle, "Karuvel");
    EXPECT_EQ(s.AllLevelsOpen, Loose(1));
    EXPECT_EQ(s.TargetTime[1], 60);
    EXPECT_FLOAT_EQ(s.PointMultiplier[1], 1.5f);
    EXPECT_EQ(s.SoundNames[2].category, "正解音2");
    EXPECT_EQ(s.SoundNames[2].count, 2);
    EXPECT_EQ(s.SoundNames[2].files[2], "ok2");
    EXPECT_EQ(s.SoundNames[4].count, 1);
    EXPECT_EQ(s.SoundNames[10].count, 0);
    EXPECT_EQ(s.SoundNames[7].count, 0);  // absent category
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
}

TEST(Configuration, SoundBlockCountsEveryNameUpToTwenty)
{
    auto block = [](int n) {
        QStringList names;
        for (int i = 1; i <= n; ++i) names << QStringLiteral("s%1").arg(i);
        return QStringLiteral("正解音1,") + names.join(QLatin1Char(',')) + QStringLiteral(",*\r\n間違い音1,ng,*\r\n");
    };
    for (int n : {1, 19, 20}) {
        test::FakePlatform fakes;
        Install in;
        in.dir.writeCp932("school/音フォルダ/新音ファイル.txt", block(n));
        LoadConfigurationFrom(in.app);
        const ProgramState& s = state();
        EXPECT_EQ(s.SoundNames[1].count, n) << n << " names";
        EXPECT_EQ(s.SoundNames[1].files[size_t(n)], QStringLiteral("s%1").arg(n)) << n << " names";
        // The block after it is read as usual.
        EXPECT_EQ(s.SoundNames[3].count, 1) << n << " names";
        EXPECT_EQ(s.SoundNames[3].files[1], "ng") << n << " names";
    }
}

TEST(Configuration, PathFileMayUseBackslashesAndSpreadItsFields)
{
    test::FakePlatform fakes;
    Install in;
    QString root = in.root;
    root.replace('/', '\\');
    in.dir.writeCp932("パスデータ.txt", root + "\r\n1\r\n2,3\r\n4,5,6,7,8,9\r\n");
    LoadConfigurationFrom(in.app);
    EXPECT_EQ(state().RosterFolder.toText(), in.root);
    EXPECT_EQ(state().DataFolder.toText(), in.root + "Karuvel/");
}

TEST(Configuration, TitleLineSplit)
{
    struct Case { const char* line; const char* code; const char* name; };
    const Case cases[] = {
        {"12345つばさ学習塾", "12345", "つばさ学習塾"},
        {"つばさ学習塾", "", "つばさ学習塾"},
        {"00000つばさ", "", "00000つばさ"},
        {"7つばさ学習塾", "7つばさ学", "習塾"},  // a leading number other than 0 marks a code
    };
    for (const Case& c : cases) {
        QString code, name;
        splitTitleLine(QString::fromUtf8(c.line), &code, &name);
        EXPECT_EQ(code, QString::fromUtf8(c.code)) << c.line;
        EXPECT_EQ(name, QString::fromUtf8(c.name)) << c.line;
    }
}

TEST(Configuration, MissingOrShortFilesEndWithAMessageNamingTheFile)
{
    struct Case { const char* file; const char* content; const char* expectedName; };
    const Case cases[] = {
        {"パスデータ.txt", nullptr, "パスデータ.txt"},
        {"school/共通データ.txt", nullptr, "共通データ.txt"},
        {"school/共通データ.txt", "4,学習塾,0\r\n", "共通データ.txt"},
        {"school/Karuvel/タイム回数データ.txt", nullptr, "タイム回数データ.txt"},
        {"school/Karuvel/タイム回数データ.txt", "60,120,30\r\n", "タイム回数データ.txt"},
        {"school/音フォルダ/新音ファイル.txt", nullptr, "新音ファイル.txt"},
    };
    for (const Case& c : cases) {
        test::FakePlatform fakes;
        Install in;
        if (c.content)
            in.dir.writeCp932(c.file, QString::fromUtf8(c.content));
        else
            QFile::remove(in.dir.file(c.file));
        try {
            LoadConfigurationFrom(in.app);
            ADD_FAILURE() << "no end for " << c.file;
        } catch (const ProgramEnded& e) {
            EXPECT_NE(e.code, 0);
        }
        ASSERT_EQ(fakes.messages.shown.size(), 1) << c.file;
        EXPECT_TRUE(fakes.messages.shown[0].second.contains(QString::fromUtf8(c.expectedName))) << c.file;
        EXPECT_TRUE(fakes.messages.shown[0].second.contains(QFileInfo(in.dir.file(c.file)).fileName()));
    }
}

TEST(Criteria, LoadingEdgeCases)
{
    test::FakePlatform fakes;
    test::TempDir dir;
    const QString path = dir.file("タイム回数データ.txt");
    ProgramState& s = state();

    // Header only: no level is loaded; entries keep what they held.
    s.TargetTime[1] = 77;
    dir.writeCp932("タイム回数データ.txt", QString::fromUtf8(kCriteriaHeader));
    int levels = -1;
    EXPECT_EQ(readCriteria(path, &levels), CriteriaLoad::Ok);
    EXPECT_EQ(levels, 0);
    EXPECT_EQ(s.TargetTime[1], 77);
    EXPECT_EQ(s.TargetTime[0], 0);
    EXPECT_EQ(s.OverdoCountLimit[0].toText(), "禁回");

    // As the criteria editor writes it: exactly as many levels as lines after the header.
    QString text = QString::fromUtf8(kCriteriaHeader);
    text += "60,120,9999,3,1,0,0,7,7,,,\r\n";
    text += "90,180,30,9999,1.5,5,100,,,,,\r\n";
    dir.writeCp932("タイム回数データ.txt", text);
    EXPECT_EQ(readCriteria(path, &levels), CriteriaLoad::Ok);
    EXPECT_EQ(levels, 2);
    EXPECT_EQ(s.ClearPoints[1], 9999);
    EXPECT_EQ(s.ClearCount[2], 9999);
    EXPECT_FLOAT_EQ(s.PointMultiplier[2], 1.5f);
    EXPECT_EQ(s.OverdoCountLimit[2], Loose(5));
    EXPECT_TRUE(s.RecentDays[2].isEmpty());  // an empty period reads as empty: 0 days
    EXPECT_EQ(s.RecentDays[2], Loose(0));
    EXPECT_EQ(s.RecentDays[1], Loose(7));

    // More than 35 level lines is an error; a file ending inside a line is short.
    QString big = QString::fromUtf8(kCriteriaHeader);
    for (int i = 0; i < 36; ++i) big += "60,120,30,3,1,0,0,7,7,,,\r\n";
    dir.writeCp932("タイム回数データ.txt", big);
    EXPECT_EQ(readCriteria(path), CriteriaLoad::TooManyLevels);
    dir.writeCp932("タイム回数データ.txt", QString::fromUtf8(kCriteriaHeader) + "60,120\r\n");
    EXPECT_EQ(readCriteria(path), CriteriaLoad::Short);
    EXPECT_THROW(LoadCriteria(path), ProgramEnded);
    EXPECT_TRUE(fakes.messages.shown.last().second.contains("タイム回数データ.txt"));
}

TEST(Calendar, SeasonColoursAndEraDate)
{
    EXPECT_EQ(seasonColour(QDate(2026, 1, 15)), 0xFF8000);
    EXPECT_EQ(seasonColour(QDate(2026, 4, 1)), 0xC0FFC0);
    EXPECT_EQ(seasonColour(QDate(2026, 7, 1)), 0x00C0C0);
    EXPECT_EQ(seasonColour(QDate(2026, 10, 1)), 0xC04000);
    EXPECT_EQ(seasonColour(QDate(2026, 12, 15)), 0xC0FFC0);
    EXPECT_EQ(japaneseEraDate(QDate(2026, 12, 10)), QStringLiteral("令和8年 12月 10日（木）"));
    EXPECT_EQ(japaneseEraDate(QDate(2019, 4, 30)), QStringLiteral("平成31年 4月 30日（火）"));
    EXPECT_EQ(japaneseEraDate(QDate(2026, 3, 5)), QStringLiteral("令和8年 3月 05日（木）"));
}

// The Windows program writes the era from its own table: it must agree with
// ICU's Japanese calendar on every day since Meiji, the changes of era above all.
TEST(Calendar, EraTableAgreesWithTheJapaneseCalendar)
{
    for (QDate d(1868, 9, 8); d <= QDate(2100, 12, 31); d = d.addDays(1))
        ASSERT_EQ(japaneseEraDateFromTable(d), japaneseEraDate(d)) << d.toString(Qt::ISODate).toStdString();
}

TEST(Calendar, OleDates)
{
    EXPECT_EQ(toOleDate(QDate(1899, 12, 30)), 0);
    EXPECT_EQ(toOleDate(QDate(2000, 1, 1)), 36526);
    EXPECT_EQ(fromOleDate(36526), QDate(2000, 1, 1));
    const QDateTime dt(QDate(2026, 12, 10), QTime(18, 0));
    EXPECT_DOUBLE_EQ(toOleDateTime(dt) - toOleDate(dt.date()), 0.75);
    EXPECT_EQ(fromOleDateTime(toOleDateTime(dt)), dt);
}

TEST(Catalogue, LevelsAfterOneAndTwoSignIns)
{
    test::FakePlatform fakes;
    SetProgramIdentity();
    EXPECT_EQ(state().ProgramTitle, "Karuvel");
    for (int round = 0; round < 2; ++round) {
        applyLevelCatalogue();
        const ProgramState& s = state();
        EXPECT_EQ(s.LevelCount, 12);
        EXPECT_EQ(s.FinalLevel, Loose(12));
        EXPECT_EQ(s.LevelNames[1], "川１");
        EXPECT_EQ(s.LevelNames[12], "半島２");
        EXPECT_EQ(s.LevelNames[20], "レベル７－1");
        for (int i = 1; i <= 24; ++i) EXPECT_EQ(s.LevelTimed[i], 1) << i;
        for (int i = 1; i <= 35; ++i)
            EXPECT_EQ(s.LevelHasPractice[i], (i <= 11 && i % 2 == 1) ? 1 : 0) << i;
    }
    state().LevelNames[12].clear();
    state().LevelNames[7].clear();
    applyDefaultLevelNames();
    EXPECT_EQ(state().LevelNames[12], "12ﾚﾍﾞﾙ");
    EXPECT_EQ(state().LevelNames[7], "7ﾚﾍﾞﾙ");
}
