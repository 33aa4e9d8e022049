// A failing disk under the program, through the record-file seam: a write
// that fails with a full disk or an I/O error, a short write, a read error in
// the middle of the file, a lock that never comes, a flush or a rename that
// fails. For storing a run, loading, the records manager's rewrite and the
// criteria editor's save: the message the user sees (Japanese, naming the
// file, with the system's number) and proof that nothing stored is lost.
#include "Fakes.h"
#include "FaultyRecordIo.h"
#include "TempDir.h"
#include "admin/CriteriaGrid.h"
#include "admin/RecordsManager.h"
#include "frame/FileMessages.h"
#include "frame/Layout.h"
#include "platform/RecordFile.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QDir>
#include <QFile>
#include <QFrame>
#include <QPushButton>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace karuvel;
using namespace karuvel::test;

namespace {

const QString kResultsName = QStringLiteral("成績累積データ.dat");

// Messages that look, while they are shown, whether the results file's lock
// is free: nobody may wait for the user while every other PC waits for them.
class LockCheckingMessages : public IMessageBox {
public:
    QString lockedFile;
    QList<QPair<QString, QString>> shown;
    int shownUnderLock = 0;
    void inform(const QString& title, const QString& text) override
    {
        shown.append({title, text});
        // Another PC's view of the lock: through the system's own operations,
        // whatever faults the test has put in.
        IRecordIo* installed = setRecordIo(nullptr);
        {
            RecordFile other;
            if (!lockedFile.isEmpty() && other.open(toFsPath(lockedFile), RecordFile::Mode::ReadWriteCreate) &&
                other.tryLock(LockKind::Exclusive) == LockResult::Busy)
                ++shownUnderLock;
        }
        setRecordIo(installed == &systemRecordIo() ? nullptr : installed);
    }
    bool confirm(const QString& title, const QString& text, ConfirmButtons) override
    {
        inform(title, text);
        return true;
    }
};

class FailingDisk : public ::testing::Test {
protected:
    FakePlatform fakes;
    LockCheckingMessages messages;
    TempDir dir;
    FaultyRecordIo io;
    QByteArray stored;  // three runs the school has stored

    void SetUp() override
    {
        platform().messages = &messages;
        messages.lockedFile = file();
        state().DataFolder = Loose(dir.path());
        for (int i = 1; i <= 3; ++i) {
            ResultRecordData r;
            r.date = 46365;
            r.clock = 0.5;
            r.pupil = int16_t(i);
            r.level = 1;
            r.time = 40 + i;
            const auto b = r.toBytes();
            stored.append(b.data(), kRecordSize);
        }
        dir.writeBytes(kResultsName, stored);
    }
    void TearDown() override { setReplacement(defaultReplacement_); }
    QString file() const { return dir.file(kResultsName); }
    QByteArray contents() const
    {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // What the folder holds besides the results file.
    QStringList strays() const
    {
        QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(kResultsName);
        names.removeAll(kResultsName + QStringLiteral(".stamp"));  // the rewrite stamp belongs beside it
        names.removeAll(QStringLiteral("タイム回数データ.txt"));
        return names;
    }
    QString lastMessage() const { return messages.shown.isEmpty() ? QString() : messages.shown.back().second; }

private:
    Replacement defaultReplacement_ = replacement();
};

// One fault and what the user is told about it.
struct Fault {
    const char* what;
    std::function<void(FaultyRecordIo&)> make;
    QString description;  // the system's reason as the message gives it
    int number;           // the error number it shows, 0 for none
};

QString numbered(int number) { return number ? QStringLiteral("（エラー番号 %1）").arg(number) : QString(); }

// The message names the file, its full path and the reason with its number.
void expectTold(const QString& text, const QString& fileName, const QString& fullPath, const Fault& f)
{
    EXPECT_TRUE(text.contains(fileName)) << text.toStdString();
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(fullPath))) << text.toStdString();
    EXPECT_TRUE(text.contains(f.description)) << text.toStdString();
    if (f.number) EXPECT_TRUE(text.contains(numbered(f.number))) << text.toStdString();
}

TEST_F(FailingDisk, StoringARunThatCannotBeWrittenTellsWhyAfterLettingGoOfTheLockAndKeepsEveryStoredRun)
{
    const Fault faults[] = {
        {"disk full at the write", [](FaultyRecordIo& io) { io.failWriteAt = 1; },
         QStringLiteral("書き込みできません：ディスクの空きがありません"), systemErrors().diskFull},
        {"I/O error at the write", [](FaultyRecordIo& io) { io.failWriteAt = 1; io.writeError = systemErrors().io; },
         QStringLiteral("書き込みできません：読み書きのエラーです"), systemErrors().io},
        {"a lock that never comes", [](FaultyRecordIo& io) { io.lockNeverComes = true; },
         QStringLiteral("他のパソコンが30秒以上使用中です。"), 0},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.what);
        dir.writeBytes(kResultsName, stored);
        messages.shown.clear();
        messages.shownUnderLock = 0;
        io.reset();
        f.make(io);
        RecordIoInstalled installed(io);
        state().CurrentPupil = 9;
        state().SelectedLevel = 2;
        state().RunTime = 50;
        EXPECT_THROW(stopOnResults(AppendResult()), ProgramEnded);
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_TRUE(lastMessage().contains(QStringLiteral("に成績を記録できません。")));
        expectTold(lastMessage(), kResultsName, file(), f);
        EXPECT_EQ(messages.shownUnderLock, 0) << "the message was shown with the lock held";
        EXPECT_EQ(contents(), stored) << "stored runs changed, or half a record stays";
    }
}

TEST_F(FailingDisk, AShortWriteIsCompletedAndTheRunStoredWhole)
{
    io.shortWriteAt = 1;
    RecordIoInstalled installed(io);
    state().CurrentPupil = 9;
    state().SelectedLevel = 2;
    state().RunTime = 50;
    EXPECT_TRUE(AppendResult().ok());
    EXPECT_TRUE(messages.shown.isEmpty());
    ASSERT_EQ(contents().size(), stored.size() + kRecordSize);
    EXPECT_EQ(contents().left(stored.size()), stored);
    const ResultRecordData r = ResultRecordData::fromBytes(contents().constData() + stored.size());
    EXPECT_EQ(r.pupil, 9);
    EXPECT_EQ(r.time, 50);
}

TEST_F(FailingDisk, AReadErrorInTheMiddleOfTheFileIsNamedByTheLoaderAndAView)
{
    io.failReadFrom = kRecordSize + 10;  // inside the second record
    RecordIoInstalled installed(io);
    EXPECT_THROW(stopOnResults(LoadResults()), ProgramEnded);
    // The loader's message gives the step and the number in its own form.
    const QString io5 = QStringLiteral(" %1 読み書きのエラーです %1 ").arg(systemErrors().io);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("成績ランダムファイル表示 4") + io5)) << lastMessage().toStdString();
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("「成績累積データ.dat」を読むことができません。")));
    EXPECT_TRUE(lastMessage().contains(QDir::toNativeSeparators(file())));
    EXPECT_EQ(messages.shownUnderLock, 0);

    messages.shown.clear();
    std::vector<ResultRecordData> records;
    const ResultsError viewFailure = readAllResults(&records);  // the view goes on without records
    EXPECT_FALSE(viewFailure.ok());
    tellResults(viewFailure);
    EXPECT_TRUE(records.empty());
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("読み書きのエラーです")) &&
                lastMessage().contains(QString::number(systemErrors().io)))
        << lastMessage().toStdString();
    EXPECT_EQ(contents(), stored);
}

TEST_F(FailingDisk, ALoaderWhoseLockNeverComesWaitsWithoutAMessageAndLoadsOnceItComes)
{
    io.lockNeverComes = true;
    RecordIoInstalled installed(io);
    // Ten minutes of another PC holding the file (on the fake clock), then it lets go.
    fakes.clock.onWait = [&](int) {
        if (fakes.clock.waitedMs >= 10 * 60 * 1000) io.lockNeverComes = false;
    };
    EXPECT_TRUE(LoadResults().ok());
    EXPECT_GE(fakes.clock.waitedMs, 10 * 60 * 1000);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(state().RecordCount, 3);
}

TEST_F(FailingDisk, ARewriteThatFailsAnywhereTellsWhyAndLeavesTheFileAsItWas)
{
    // The records manager deletes the last run.
    const auto deleteLast = [](std::vector<ResultRecordData>& records, QString*) {
        records.pop_back();
        return true;
    };
    const QByteArray edited = stored.left(2 * kRecordSize);
    // Write 1 is the rewrite stamp's; the replacement's writes follow.
    const Fault faults[] = {
        {"the rewrite stamp cannot be written", [](FaultyRecordIo& io) { io.failWriteAt = 1; io.writeError = systemErrors().io; },
         QStringLiteral("読み書きのエラーです"), systemErrors().io},
        {"disk full at the first write", [](FaultyRecordIo& io) { io.failWriteAt = 2; },
         QStringLiteral("ディスクの空きがありません"), systemErrors().diskFull},
        {"I/O error at the first write", [](FaultyRecordIo& io) { io.failWriteAt = 2; io.writeError = systemErrors().io; },
         QStringLiteral("読み書きのエラーです"), systemErrors().io},
        {"disk full at the second write", [](FaultyRecordIo& io) { io.failWriteAt = 3; },
         QStringLiteral("ディスクの空きがありません"), systemErrors().diskFull},
        {"a flush that fails", [](FaultyRecordIo& io) { io.failFlushAt = 1; },
         QStringLiteral("読み書きのエラーです"), systemErrors().io},
        {"a rename that fails", [](FaultyRecordIo& io) { io.failRenameAt = 1; },
         QStringLiteral("読み書きのエラーです"), systemErrors().io},
        {"a read error in the middle of the file", [](FaultyRecordIo& io) { io.failReadFrom = kRecordSize + 10; },
         QStringLiteral("読み込みできません：読み書きのエラーです"), systemErrors().io},
        {"a lock that never comes", [](FaultyRecordIo& io) { io.lockNeverComes = true; },
         QStringLiteral("他のパソコンが30秒以上使用中です。"), 0},
    };
    // Both ways of replacing the file: by renaming (Linux, macOS) and in place
    // through a journal (Windows, where an open file cannot be replaced).
    for (Replacement way : {Replacement::Rename, Replacement::InPlace}) {
        setReplacement(way);
        for (const Fault& f : faults) {
            SCOPED_TRACE(std::string(f.what) + (way == Replacement::Rename ? ", by renaming" : ", in place"));
            dir.writeBytes(kResultsName, stored);
            io.reset();
            f.make(io);
            QString problem;
            {
                RecordIoInstalled installed(io);
                const bool done = updateResults(deleteLast, &problem);
                if (done) {
                    // Only a fault the layer may ride over (a second write of
                    // the rename way) may end in success, and then the edit is whole.
                    EXPECT_EQ(contents(), edited);
                    continue;
                }
            }
            EXPECT_TRUE(problem.contains(QStringLiteral("を書き換えることができません。"))) << problem.toStdString();
            expectTold(problem, kResultsName, file(), f);
            // What every PC reads next: the runs as they were, or (in place,
            // when the journal was complete before the fault) the edit whole.
            EXPECT_TRUE(LoadResults().ok());
            const QByteArray now = contents();
            EXPECT_TRUE(now == stored || (way == Replacement::InPlace && now == edited))
                << "the file is neither as it was nor as edited: " << now.size() << " bytes";
            EXPECT_EQ(strays(), QStringList());
        }
    }
}

TEST_F(FailingDisk, ACriteriaSaveThatCannotBeWrittenTellsWhyAndKeepsTheFile)
{
    const QString path = dir.file(QStringLiteral("タイム回数データ.txt"));
    const QByteArray before = "目標Time,最低Time\r\n60,120,30,3,1,0,0,7,7,,,\r\n";
    dir.writeBytes(QStringLiteral("タイム回数データ.txt"), before);
    CriteriaGrid grid;
    ASSERT_EQ(loadCriteriaGrid(path, &grid), CriteriaGridLoad::Ok);
    grid.rows[1][1] = QStringLiteral("55");
    const Fault faults[] = {
        {"disk full", [](FaultyRecordIo& io) { io.failWriteAt = 1; }, QStringLiteral("ディスクの空きがありません"),
         systemErrors().diskFull},
        {"I/O error", [](FaultyRecordIo& io) { io.failWriteAt = 1; io.writeError = systemErrors().io; },
         QStringLiteral("読み書きのエラーです"), systemErrors().io},
        {"a rename that fails", [](FaultyRecordIo& io) { io.failRenameAt = 1; }, QStringLiteral("読み書きのエラーです"),
         systemErrors().io},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.what);
        io.reset();
        f.make(io);
        RecordIoInstalled installed(io);
        QString message;
        EXPECT_EQ(saveCriteriaGrid(path, grid, &message), CriteriaSave::Failed);
        EXPECT_TRUE(message.contains(QStringLiteral("変更は記録されていません。"))) << message.toStdString();
        expectTold(message, QStringLiteral("タイム回数データ.txt"), path, f);
        QFile in(path);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        EXPECT_EQ(in.readAll(), before);
        EXPECT_EQ(strays(), QStringList());
    }
}

TEST_F(FailingDisk, TheRecordsManagerTellsOfAFailedReadOrChangeOnlyAfterLettingGoOfTheLock)
{
    state().RosterFolder = Loose(dir.mkdir(QStringLiteral("名簿")));
    dir.writeBytes(QStringLiteral("名簿/新名簿.txt"), QByteArray("9,2016,0,0,AOKI,0,,\r\n"));
    const auto openManager = [] {
        auto w = std::make_unique<FrmData>();
        w->resize(kFrameWidth, kFrameHeight);
        w->show();
        w->activate();
        return w;
    };

    // The list cannot be read: the teacher is told, and no PC is kept waiting meanwhile.
    {
        io.reset();
        io.failReadFrom = kRecordSize + 10;
        RecordIoInstalled installed(io);
        messages.shown.clear();
        messages.shownUnderLock = 0;
        const auto w = openManager();
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_TRUE(lastMessage().contains(QStringLiteral("を読むことができません。"))) << lastMessage().toStdString();
        EXPECT_EQ(messages.shownUnderLock, 0) << "the read failure was shown with the lock held";
    }

    // Deleting or changing a run that cannot be written, either way of replacing the file.
    for (Replacement way : {Replacement::Rename, Replacement::InPlace}) {
        setReplacement(way);
        for (const bool del : {true, false}) {
            SCOPED_TRACE(std::string(del ? "delete" : "change") + (way == Replacement::Rename ? ", by renaming" : ", in place"));
            dir.writeBytes(kResultsName, stored);
            io.reset();
            const auto w = openManager();
            w->selectLine(1);
            w->List1_DblClick();
            ASSERT_TRUE(w->Frame1->isVisible());
            io.failWriteAt = 1;
            RecordIoInstalled installed(io);
            messages.shown.clear();
            messages.shownUnderLock = 0;
            if (del) w->Command3_Click();
            else w->Command2_Click();
            ASSERT_FALSE(messages.shown.isEmpty());
            EXPECT_TRUE(lastMessage().contains(QStringLiteral("を書き換えることができません。"))) << lastMessage().toStdString();
            EXPECT_TRUE(lastMessage().contains(QStringLiteral("ディスクの空きがありません")));
            EXPECT_EQ(messages.shownUnderLock, 0) << "the failure was shown with the lock held";
            EXPECT_EQ(contents(), stored);
            EXPECT_TRUE(w->Frame1->isVisible()) << "the panel stays for another try";
        }
    }
}

} // namespace
