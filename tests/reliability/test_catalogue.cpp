// What a school sees when one of the files the program reads is missing or
// has a folder in its place (a copy gone wrong on the shared drive): a
// Japanese message that names the file, and nothing already stored changed.
// Damaged contents are the fuzzing harnesses' part (fuzz/).
#include "Fakes.h"
#include "TempDir.h"
#include "drill/Questions.h"
#include "frame/FileMessages.h"
#include "frame/Catalogue.h"
#include "frame/Configuration.h"
#include "records/ResultsFile.h"
#include "roster/NameList.h"
#include "roster/Roster.h"
#include "state/ProgramState.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace karuvel;
using namespace karuvel::test;

namespace {

// A program folder "<tmp>/Karuvel/" beside the path file, and a data root "<tmp>/school/".
struct School {
    TempDir dir;
    QString app = dir.mkdir(QStringLiteral("Karuvel"));
    QString root = dir.mkdir(QStringLiteral("school"));

    School()
    {
        dir.mkdir(QStringLiteral("school/Karuvel"));
        dir.mkdir(QStringLiteral("school/音フォルダ"));
        dir.writeCp932(QStringLiteral("パスデータ.txt"), root + QStringLiteral(",,,,,,,,,\r\n"));
        dir.writeCp932(QStringLiteral("school/共通データ.txt"), QStringLiteral("4,12345つばさ学習塾,1,x,,pass,,,,\r\n"));
        dir.writeCp932(QStringLiteral("school/Karuvel/タイム回数データ.txt"),
                       QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
                                      "60,120,30,3,1.5,0,0,7,7,,,\r\n"));
        dir.writeCp932(QStringLiteral("school/音フォルダ/新音ファイル.txt"), QStringLiteral("正解音2,ok1,*\r\n"));
        dir.writeCp932(QStringLiteral("school/新名簿.txt"), QStringLiteral("1,2014,0,0,山田　花子,0,やまだ　はなこ,\r\n"));
        dir.writeBytes(QStringLiteral("school/Karuvel/成績累積データ.dat"), storedRuns());
    }
    // Two runs the school has stored.
    static QByteArray storedRuns()
    {
        QByteArray bytes;
        for (int time : {45, 52}) {
            ResultRecordData r;
            r.date = 46365;
            r.clock = 0.5;
            r.pupil = 1;
            r.level = 1;
            r.time = time;
            const auto b = r.toBytes();
            bytes.append(b.data(), kRecordSize);
        }
        return bytes;
    }
    QByteArray results() const
    {
        QFile f(dir.file(QStringLiteral("school/Karuvel/成績累積データ.dat")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The file at `relative` is taken away, or replaced by an empty folder.
    void damage(const QString& relative, bool folder) const
    {
        QFile::remove(dir.file(relative));
        if (folder) QDir().mkpath(dir.file(relative));
    }
};

enum class Damage { Missing, Folder };
const char* damageName(Damage d) { return d == Damage::Missing ? "missing" : "a folder in its place"; }

// The message names the file and sends the pupil to the teacher.
void expectNamed(const FakePlatform& fakes, const QString& fileName)
{
    ASSERT_FALSE(fakes.messages.shown.isEmpty());
    const QString text = fakes.messages.shown.back().second;
    EXPECT_TRUE(text.contains(fileName)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("先生を呼びなさい"))) << text.toStdString();
}

TEST(Catalogue, AStartUpFileMissingOrAFolderEndsTheProgramWithAMessageNamingIt)
{
    const QStringList files = {QStringLiteral("パスデータ.txt"), QStringLiteral("school/共通データ.txt"),
                               QStringLiteral("school/Karuvel/タイム回数データ.txt"),
                               QStringLiteral("school/音フォルダ/新音ファイル.txt")};
    for (const QString& file : files) {
        for (Damage d : {Damage::Missing, Damage::Folder}) {
            SCOPED_TRACE(file.toStdString() + ", " + damageName(d));
            FakePlatform fakes;
            School school;
            school.damage(file, d == Damage::Folder);
            EXPECT_THROW(LoadConfigurationFrom(school.app), ProgramEnded);
            expectNamed(fakes, QFileInfo(file).fileName());
            EXPECT_EQ(school.results(), School::storedRuns());
        }
    }
}

TEST(Catalogue, ARosterMissingOrAFolderIsWaitedForThenNamed)
{
    for (Damage d : {Damage::Missing, Damage::Folder}) {
        SCOPED_TRACE(damageName(d));
        FakePlatform fakes;
        School school;
        LoadConfigurationFrom(school.app);
        applyLevelCatalogue();
        school.damage(QStringLiteral("school/新名簿.txt"), d == Damage::Folder);
        int retries = 0;
        EXPECT_THROW(buildNameList(0, QStringLiteral("全学年"), {}, &retries), ProgramEnded);
        EXPECT_EQ(retries, 6);  // six tries, five seconds apart, on the fake clock
        expectNamed(fakes, QStringLiteral("新名簿.txt"));
        EXPECT_EQ(school.results(), School::storedRuns());
    }
}

TEST(Catalogue, AQuestionFileMissingOrAFolderIsNamedAndTheLevelDoesNotStart)
{
    for (Damage d : {Damage::Missing, Damage::Folder}) {
        SCOPED_TRACE(damageName(d));
        FakePlatform fakes;
        School school;
        state().AppFolder = school.app;
        school.damage(QStringLiteral("Karuvel/データ山.csv"), d == Damage::Folder);
        LevelContent content;
        const LoadOutcome out = LoadQuestions(7, &content);
        EXPECT_FALSE(out.ok);
        EXPECT_TRUE(out.message.contains(QStringLiteral("データ山.csv"))) << out.message.toStdString();
    }
}

TEST(Catalogue, AFolderInPlaceOfTheResultsFileIsNamedAndNothingIsWrittenIntoIt)
{
    FakePlatform fakes;
    School school;
    LoadConfigurationFrom(school.app);
    school.damage(QStringLiteral("school/Karuvel/成績累積データ.dat"), true);

    // The loader: the program cannot go on without its records.
    EXPECT_THROW(stopOnResults(LoadResults()), ProgramEnded);
    expectNamed(fakes, QStringLiteral("成績累積データ.dat"));

    // A view: told, and the lists stay empty.
    fakes.messages.shown.clear();
    std::vector<ResultRecordData> records;
    const ResultsError viewFailure = readAllResults(&records);
    EXPECT_FALSE(viewFailure.ok());
    tellResults(viewFailure);
    EXPECT_FALSE(fakes.messages.shown.isEmpty());
    EXPECT_TRUE(records.empty());

    // A run to store: the pupil is told where it could not go.
    fakes.messages.shown.clear();
    state().CurrentPupil = 1;
    state().SelectedLevel = 1;
    state().RunTime = 40;
    EXPECT_THROW(stopOnResults(AppendResult()), ProgramEnded);
    expectNamed(fakes, QStringLiteral("成績累積データ.dat"));

    // The records manager's rewrite refuses, naming the file.
    QString problem;
    EXPECT_FALSE(updateResults([](std::vector<ResultRecordData>&, QString*) { return true; }, &problem));
    EXPECT_TRUE(problem.contains(QStringLiteral("成績累積データ.dat"))) << problem.toStdString();
    EXPECT_TRUE(QFileInfo(school.dir.file(QStringLiteral("school/Karuvel/成績累積データ.dat"))).isDir());
}

} // namespace
