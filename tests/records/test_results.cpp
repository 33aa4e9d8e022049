// The shared results file: the exact record bytes, the torn end, appends from
// several processes at once, the loader's waits and the records it keeps.
#include "Fakes.h"
#include "FaultyRecordIo.h"
#include "Runs.h"
#include "TempDir.h"
#include "platform/Calendar.h"
#include "frame/FileMessages.h"
#include "platform/RecordFile.h"
#include "records/ResultsFile.h"
#include "records/ResultsReading.h"
#include "state/ProgramState.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>

#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace karuvel;
using namespace karuvel::test;

namespace {

QByteArray record(double date, double clock, int pupil, int level, int time, const char* spare = "\0\0\0\0\0")
{
    ResultRecordData r = runRecord(date, clock, pupil, level, time);
    r.spare = QByteArray(spare, 5);
    const auto b = r.toBytes();
    return QByteArray(b.data(), kRecordSize);
}

class ResultsFileTest : public ::testing::Test {
protected:
    FakePlatform fakes;
    TempDir dir;
    void SetUp() override
    {
        state().DataFolder = Loose(dir.path());
        ResultRecord() = ResultRecordData();
    }
    QString file() const { return dir.file(QStringLiteral("成績累積データ.dat")); }
    QByteArray contents() const
    {
        QFile f(file());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    double today() const { return toOleDate(fakes.clock.current.date()); }
    ResultsError run(int pupil, int level, int time, const char* code = "AB12")
    {
        state().CurrentPupil = pupil;
        state().SelectedLevel = level;
        state().SchoolCode = Loose(QString::fromUtf8(code));
        return AppendResult(time);
    }
    // The message the program stops with after the failure e (empty, and a
    // failed expectation, when nothing failed).
    static QString stopText(const ResultsError& e)
    {
        EXPECT_FALSE(e.ok());
        return resultsStopText(e);
    }
};

TEST_F(ResultsFileTest, AppendedRecordHasTheExactBytes)
{
    fakes.clock.current = QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0));
    EXPECT_TRUE(run(123, 3, 45).ok());
    // 46366 = 10 December 2026 as an OLE date, 10:00 = 0.41666..., pupil 123,
    // level 3, 45 s, "AB12 ", five blanks, "0    ", five zero bytes.
    EXPECT_EQ(contents().toHex(),
              QByteArray("00000000c0a3e640abaaaaaaaaaada3f7b0003002d000000"
                         "4142313220202020202030202020200000000000"));
}

TEST_F(ResultsFileTest, SchoolCodeIsCutOrPaddedToFiveBytes)
{
    const struct {
        const char* code;
        QByteArray bytes;
    } cases[] = {
        {"", "     "},
        {"12345678", "12345"},
        {"あいう", QByteArray("\x82\xa0\x82\xa2 ", 5)},  // never half a double-byte character
    };
    for (const auto& c : cases) {
        QFile::remove(file());
        EXPECT_TRUE(run(1, 1, 10, c.code).ok());
        EXPECT_EQ(contents().mid(24, 5), c.bytes) << c.code;
    }
}

TEST_F(ResultsFileTest, SpareBytesCarryTheLastRecordRead)
{
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), record(today(), 0.5, 7, 2, 30, "XYZ12"));
    EXPECT_TRUE(LoadResults().ok());
    EXPECT_TRUE(run(8, 2, 40).ok());
    const QByteArray bytes = contents();
    ASSERT_EQ(bytes.size(), 2 * kRecordSize);
    EXPECT_EQ(bytes.mid(kRecordSize + 39, 5), QByteArray("XYZ12"));
    EXPECT_EQ(bytes.mid(kRecordSize + 34, 5), QByteArray("0    "));
}

TEST_F(ResultsFileTest, TornLastRecordIsOverwrittenAndNeverLoaded)
{
    dir.writeBytes(QStringLiteral("成績累積データ.dat"),
                   record(today(), 0.1, 5, 1, 50) + record(today(), 0.2, 6, 1, 60).left(20));
    EXPECT_TRUE(LoadResults().ok());
    EXPECT_EQ(state().RecordCount, 1);
    EXPECT_TRUE(run(9, 1, 70).ok());
    const QByteArray bytes = contents();
    ASSERT_EQ(bytes.size(), 2 * kRecordSize);
    EXPECT_TRUE(LoadResults().ok());
    ASSERT_EQ(state().RecordCount, 2);
    EXPECT_EQ(state().RecPupil(2), 9);
    EXPECT_EQ(state().RecTime(2), 70);
}

TEST_F(ResultsFileTest, AbsentFileIsCreatedEmpty)
{
    EXPECT_TRUE(LoadResults().ok());
    EXPECT_TRUE(QFile::exists(file()));
    EXPECT_EQ(state().RecordCount, 0);
    EXPECT_EQ(state().BestTime(1, 1), kNoTime);
    EXPECT_EQ(state().BestTime(35, 5000), kNoTime);
    for (int level = 1; level <= kMaxLevel; ++level) EXPECT_EQ(state().TopTime[level], kNoTime);
}

TEST_F(ResultsFileTest, LoaderKeepsUsableRecordsAndSkipsOutOfRangeOnes)
{
    const double d = today();
    QByteArray bytes;
    bytes += record(d, 0.1, 3, 2, 80);        // 1 kept
    bytes += record(d, 0.1, 0, 2, 10);        //   pupil 0: not kept, no best time either
    bytes += record(d, 0.1, 3, 0, 10);        //   level 0: not kept
    bytes += record(-1, 0.1, 4, 2, 20);       //   negative date: not kept, but its best time counts
    bytes += record(d, 0.1, 3, 36, 5);        //   level above 35: skipped
    bytes += record(d, 0.1, 5001, 2, 5);      //   pupil above 5000: skipped
    bytes += record(d, 0.1, -2, 2, 5);        //   negative pupil: skipped
    bytes += record(d, 0.1, 3, -1, 5);        //   negative level: skipped
    bytes += record(d, 0.1, 3, 2, kNoTime);   // 2 time over: kept, never a best time
    bytes += record(d, 0.1, 1001, 2, 7);      // 3 pupil above 1000: own best, never the top time
    bytes += record(d, 0.2, 12, 2, 60);       // 4
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), bytes);
    EXPECT_TRUE(LoadResults().ok());
    const ProgramState& s = state();
    ASSERT_EQ(s.RecordCount, 4);
    EXPECT_EQ(s.RecPupil(1), 3);
    EXPECT_EQ(s.RecTime(2), kNoTime);
    EXPECT_EQ(s.RecPupil(3), 1001);
    EXPECT_EQ(s.RecPupil(4), 12);
    EXPECT_EQ(s.RecLevel(4), 2);
    EXPECT_DOUBLE_EQ(s.RecDate(4), d);
    EXPECT_DOUBLE_EQ(s.RecClock(4), 0.2);
    EXPECT_EQ(s.BestTime(2, 3), 80);
    EXPECT_EQ(s.BestTime(2, 4), 20);
    EXPECT_EQ(s.BestTime(2, 1001), 7);
    EXPECT_EQ(s.TopTime[2], 20);
    EXPECT_EQ(s.TopTime[3], kNoTime);
    // Nothing was removed from the file.
    EXPECT_EQ(contents().size(), 11 * kRecordSize);
}

TEST_F(ResultsFileTest, EveryRecordOfALargeFileIsLoaded)
{
    const double d = today();
    QByteArray bytes;
    const int n = 25000;  // beyond both of the old limits (10,001 kept, 20,000 read)
    for (int i = 1; i <= n; ++i) bytes += record(d - (n - i) / 100, 0.5, 1 + i % 3000, 1 + i % 12, 100 + i % 50);
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), bytes);
    EXPECT_TRUE(LoadResults().ok());
    ASSERT_EQ(state().RecordCount, n);
    EXPECT_EQ(state().RecPupil(n), 1 + n % 3000);
    EXPECT_DOUBLE_EQ(state().RecDate(n), d);
    EXPECT_DOUBLE_EQ(state().RecDate(1), d - (n - 1) / 100);

    std::vector<ResultRecordData> all;
    ASSERT_TRUE(readAllResults(&all).ok());
    ASSERT_EQ(all.size(), size_t(n));
    EXPECT_EQ(all.front().pupil, 1 + 1 % 3000);
    EXPECT_EQ(all.back().time, 100 + n % 50);
    EXPECT_EQ(ResultRecord().time, 100 + n % 50);  // the buffer holds the last record read
}

TEST_F(ResultsFileTest, LoaderWaitsWhileAnotherPcAppends)
{
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), record(today(), 0.1, 3, 2, 80));
    RecordFile other;  // another PC in the middle of an append
    ASSERT_TRUE(other.open(toFsPath(file()), RecordFile::Mode::ReadWriteCreate));
    ASSERT_EQ(other.tryLock(LockKind::Exclusive), LockResult::Locked);
    int waits = 0;
    fakes.clock.onWait = [&](int) {
        if (++waits == 3) {
            other.writeAt(kRecordSize, record(today(), 0.2, 4, 2, 90).constData(), kRecordSize);
            other.unlock();
        }
    };
    EXPECT_TRUE(LoadResults().ok());
    EXPECT_EQ(fakes.clock.waitedMs, 3000);  // 1 second per try, as long as it takes
    EXPECT_EQ(state().RecordCount, 2);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
}

TEST_F(ResultsFileTest, MissingFolderIsTriedFourTimesThenReported)
{
    state().DataFolder = Loose(dir.path() + QStringLiteral("ない/"));
    const ResultsError e = LoadResults();
    EXPECT_EQ(e.kind, ResultsError::Kind::NotFound);
    EXPECT_EQ(fakes.clock.waitedMs, 4 * 5000);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());  // the screen tells it
    EXPECT_TRUE(stopText(e).startsWith(QStringLiteral("ファイルがありません")));
    EXPECT_TRUE(stopText(e).contains(QStringLiteral("成績累積データ.dat")));
}

TEST_F(ResultsFileTest, MissingFolderThatAppearsIsLoaded)
{
    state().DataFolder = Loose(dir.path() + QStringLiteral("後で/"));
    fakes.clock.onWait = [&](int) { dir.mkdir(QStringLiteral("後で")); };
    EXPECT_TRUE(LoadResults().ok());
    EXPECT_EQ(fakes.clock.waitedMs, 5000);
    EXPECT_EQ(state().RecordCount, 0);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
}

TEST_F(ResultsFileTest, UnreadableFileIsReportedByName)
{
    dir.mkdir(QStringLiteral("成績累積データ.dat"));  // a folder where the file belongs
    const ResultsError e = LoadResults();
    EXPECT_EQ(e.kind, ResultsError::Kind::Unreadable);
    EXPECT_TRUE(stopText(e).startsWith(QStringLiteral("成績ランダムファイル表示")));
    EXPECT_TRUE(stopText(e).contains(QStringLiteral("成績累積データ.dat")));
    EXPECT_TRUE(stopText(e).endsWith(QStringLiteral("先生を呼びなさい。")));
    EXPECT_EQ(fakes.clock.waitedMs, 0);
}

TEST_F(ResultsFileTest, ViewsTellAnUnreadableFileAndGoOnWithoutRecords)
{
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), record(today(), 0.5, 3, 1, 40));
    std::vector<ResultRecordData> records;
    ASSERT_TRUE(readAllResults(&records).ok());
    EXPECT_EQ(records.size(), 1u);

    QFile::remove(file());
    dir.mkdir(QStringLiteral("成績累積データ.dat"));  // a folder where the file belongs
    const ResultsError e = readAllResults(&records);
    EXPECT_FALSE(e.ok());
    EXPECT_TRUE(records.empty());
    tellResults(e);  // as a view tells it, and goes on
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.startsWith(QStringLiteral("先生を呼びなさい")));
    EXPECT_EQ(fakes.programEnd.calls, 0);
}

// A file cut short by a program that ignores the lock while it is being
// read: what was read of it is dropped, and after a wait it is read again as
// it is now (no crash, no half-read file taken for whole).
TEST_F(ResultsFileTest, FileCutShortWhileReadIsReadAgain)
{
    QByteArray bytes;
    for (int i = 0; i < 20000; ++i) bytes += record(today(), 0.5, 1 + i % 50, 1, 40);
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), bytes);
    class CuttingSink : public reading::RecordSink {
    public:
        explicit CuttingSink(QString path) : path_(std::move(path)) {}
        void begin(int64_t records) override
        {
            ++begun_;
            records_ = 0;
            announced_ = records;
        }
        void block(int, const char*, int64_t records) override
        {
            if (blocks_++ == 0) QFile(path_).resize(100);
            records_ += records;
        }
        void end(int64_t records, const char*) override { ended_ = records; }
        int begun_ = 0, blocks_ = 0;
        int64_t records_ = 0, announced_ = 0, ended_ = -1;

    private:
        QString path_;
    } sink(file());
    EXPECT_TRUE(reading::readForLoad(sink).ok());
    EXPECT_EQ(sink.begun_, 2);
    EXPECT_EQ(sink.announced_, 2);
    EXPECT_EQ(sink.records_, 2);
    EXPECT_EQ(sink.ended_, 2);
    EXPECT_GE(fakes.clock.waitedMs, 1000);
    EXPECT_TRUE(fakes.messages.shown.empty());
}

TEST_F(ResultsFileTest, AppendWaitsForAnotherPcsLock)
{
    RecordFile other;
    ASSERT_TRUE(other.open(toFsPath(file()), RecordFile::Mode::ReadWriteCreate));
    ASSERT_EQ(other.tryLock(LockKind::Exclusive), LockResult::Locked);
    other.writeAt(0, record(today(), 0.1, 4, 2, 90).constData(), kRecordSize);
    fakes.clock.onWait = [&](int) {
        if (fakes.clock.waitedMs >= 2000) other.unlock();
    };
    EXPECT_TRUE(run(5, 2, 33).ok());
    EXPECT_EQ(fakes.clock.waitedMs, 2000);
    EXPECT_TRUE(fakes.messages.shown.isEmpty());
    EXPECT_TRUE(LoadResults().ok());
    ASSERT_EQ(state().RecordCount, 2);
    EXPECT_EQ(state().RecTime(2), 33);
}

TEST_F(ResultsFileTest, AppendGivesUpOnALockHeldTooLong)
{
    RecordFile other;
    ASSERT_TRUE(other.open(toFsPath(file()), RecordFile::Mode::ReadWriteCreate));
    ASSERT_EQ(other.tryLock(LockKind::Exclusive), LockResult::Locked);
    const QString text = stopText(run(5, 2, 33));
    EXPECT_EQ(fakes.clock.waitedMs, kAppendLockWaitMs);
    EXPECT_TRUE(text.startsWith(QStringLiteral("「成績累積データ.dat」に成績を記録できません。"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("先生を呼びなさい。")));
    EXPECT_EQ(contents().size(), 0);
}

TEST_F(ResultsFileTest, AppendThatCannotOpenTheFileIsReported)
{
    state().DataFolder = Loose(dir.path() + QStringLiteral("ない/"));
    EXPECT_TRUE(stopText(run(5, 2, 33)).contains(QStringLiteral("成績累積データ.dat")));
}

// A records manager on another PC that holds the lock and replaces the file
// under it again and again, each time with one run more, locking the new
// file before it lets go of the old one (as a rewrite that follows the file
// does). Every replaced file is gone from the path but still open.
class Replacer {
public:
    Replacer(const TempDir& dir, const QString& path, QByteArray contents)
        : dir_(dir), path_(path), contents_(std::move(contents))
    {
        dir_.writeBytes(QStringLiteral("成績累積データ.dat"), contents_);
        held_ = std::make_unique<RecordFile>();
        held_->open(toFsPath(path_), RecordFile::Mode::ReadWriteCreate);
        locked_ = held_->tryLock(LockKind::Exclusive) == LockResult::Locked;
    }
    bool locked() const { return locked_; }
    int replacements() const { return replacements_; }
    // One rewrite: the file at the path becomes a new one with this run added.
    void replace(const QByteArray& run)
    {
        contents_ += run;
        dir_.writeBytes(QStringLiteral("new.dat"), contents_);
        auto next = std::make_unique<RecordFile>();
        ASSERT_TRUE(next->open(toFsPath(dir_.file(QStringLiteral("new.dat"))), RecordFile::Mode::ReadWriteCreate));
        ASSERT_EQ(next->tryLock(LockKind::Exclusive), LockResult::Locked);
        ASSERT_EQ(::rename(QFile::encodeName(dir_.file(QStringLiteral("new.dat"))).constData(),
                           QFile::encodeName(path_).constData()),
                  0);
        held_ = std::move(next);  // the old file's lock goes with it
        ++replacements_;
    }
    void release()
    {
        held_.reset();
        locked_ = false;
    }
    const QByteArray& contents() const { return contents_; }

private:
    const TempDir& dir_;
    QString path_;
    QByteArray contents_;
    std::unique_ptr<RecordFile> held_;
    bool locked_ = false;
    int replacements_ = 0;
};

TEST_F(ResultsFileTest, AppendAndRewriteFollowTheFileThroughEveryReplacement)
{
    // However often the file is replaced while a write waits, the write goes
    // into the file that is at the path once the lock is free.
    for (const int replacements : {1, 6, 40}) {
        for (const bool append : {true, false}) {
            SCOPED_TRACE(testing::Message() << replacements << (append ? " append" : " rewrite"));
            fakes.clock.waitedMs = 0;
            Replacer other(dir, file(), record(today(), 0.1, 4, 2, 90));
            ASSERT_TRUE(other.locked());
            fakes.clock.onWait = [&](int) {
                if (other.replacements() < replacements)
                    other.replace(record(today(), 0.1, 4, 2, 100 + other.replacements()));
                else
                    other.release();
            };
            QByteArray expected;
            if (append) {
                EXPECT_TRUE(run(6, 2, 44).ok());
                const QByteArray now = contents();
                ASSERT_EQ(now.size(), other.contents().size() + kRecordSize);
                const ResultRecordData last = ResultRecordData::fromBytes(now.constData() + now.size() - kRecordSize);
                EXPECT_EQ(std::make_pair(int(last.pupil), int(last.time)), std::make_pair(6, 44));
                expected = other.contents() + now.right(kRecordSize);
            } else {
                QString problem;
                ASSERT_TRUE(updateResults(
                    [](std::vector<ResultRecordData>& records, QString*) {
                        records.erase(records.begin());  // the teacher deletes the first run
                        return true;
                    },
                    &problem))
                    << problem.toStdString();
                expected = other.contents().mid(kRecordSize);
            }
            fakes.clock.onWait = nullptr;
            EXPECT_EQ(other.replacements(), replacements);
            EXPECT_EQ(contents(), expected);
            EXPECT_TRUE(fakes.messages.shown.isEmpty());
        }
    }
}

TEST_F(ResultsFileTest, FileReplacedForLongerThanTheWaitFailsWithTheUsualMessage)
{
    for (const bool append : {true, false}) {
        SCOPED_TRACE(append ? "append" : "rewrite");
        fakes.clock.waitedMs = 0;
        fakes.messages.shown.clear();
        Replacer other(dir, file(), record(today(), 0.1, 4, 2, 90));
        ASSERT_TRUE(other.locked());
        fakes.clock.onWait = [&](int) { other.replace(record(today(), 0.1, 4, 2, 100 + other.replacements() % 1000)); };
        QString problem;
        if (append) {
            problem = stopText(run(6, 2, 44));
        } else {
            EXPECT_FALSE(updateResults([](std::vector<ResultRecordData>& records, QString*) {
                records.clear();
                return true;
            }, &problem));
            EXPECT_TRUE(fakes.messages.shown.isEmpty());
        }
        fakes.clock.onWait = nullptr;
        EXPECT_EQ(fakes.clock.waitedMs, kAppendLockWaitMs);
        EXPECT_TRUE(problem.contains(QStringLiteral("成績累積データ.dat")));
        EXPECT_TRUE(problem.contains(QStringLiteral("他のパソコンが30秒以上使用中です。"))) << problem.toStdString();
        EXPECT_EQ(contents(), other.contents());  // nothing written, nothing dropped
    }
}

TEST_F(ResultsFileTest, RewriteReplacesTheWholeFileUnderTheLock)
{
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), record(today(), 0.1, 4, 2, 90) + record(today(), 0.1, 5, 2, 91));
    std::vector<ResultRecordData> records;
    ASSERT_TRUE(readAllResults(&records).ok());
    records.erase(records.begin());
    records.push_back(ResultRecordData::fromBytes(record(today(), 0.3, 6, 3, 92).constData()));

    RecordFile other;  // an append in progress on another PC
    ASSERT_TRUE(other.open(toFsPath(file()), RecordFile::Mode::ReadWriteCreate));
    ASSERT_EQ(other.tryLock(LockKind::Exclusive), LockResult::Locked);
    fakes.clock.onWait = [&](int) {
        if (fakes.clock.waitedMs >= 500) other.unlock();
    };
    QString problem;
    ASSERT_TRUE(replaceResults(records, &problem)) << problem.toStdString();
    EXPECT_EQ(fakes.clock.waitedMs, 500);
    EXPECT_EQ(contents(), record(today(), 0.1, 5, 2, 91) + record(today(), 0.3, 6, 3, 92));
    // No temporary file left behind: the file and its rewrite stamp.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
              QStringList({QStringLiteral("成績累積データ.dat"), QStringLiteral("成績累積データ.dat.stamp")}));
}

TEST_F(ResultsFileTest, RewriteThatCannotLockLeavesTheFileAlone)
{
    const QByteArray before = record(today(), 0.1, 4, 2, 90);
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), before);
    RecordFile other;
    ASSERT_TRUE(other.open(toFsPath(file()), RecordFile::Mode::ReadWriteCreate));
    ASSERT_EQ(other.tryLock(LockKind::Exclusive), LockResult::Locked);
    QString problem;
    EXPECT_FALSE(replaceResults({}, &problem));
    EXPECT_TRUE(problem.contains(QStringLiteral("成績累積データ.dat")));
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(fakes.programEnd.calls, 0);
}

TEST_F(ResultsFileTest, UpdateEditsUnderOneLockAndAnEditThatRefusesChangesNothing)
{
    const QByteArray before = record(today(), 0.1, 4, 2, 90) + record(today(), 0.2, 5, 2, 91);
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), before + QByteArray("torn", 4));
    QString problem;
    EXPECT_FALSE(updateResults(
        [](std::vector<ResultRecordData>& records, QString* why) {
            records.clear();
            *why = QStringLiteral("変わっています");
            return false;
        },
        &problem));
    EXPECT_EQ(problem, QStringLiteral("変わっています"));
    EXPECT_EQ(contents(), before + QByteArray("torn", 4));

    ASSERT_TRUE(updateResults(
        [](std::vector<ResultRecordData>& records, QString*) {
            EXPECT_EQ(records.size(), 2u);  // whole records only
            records[1].time = 77;
            records.erase(records.begin());
            return true;
        },
        &problem))
        << problem.toStdString();
    EXPECT_EQ(contents(), record(today(), 0.2, 5, 2, 77));
}

// The rewrite as Windows makes it (in place, with a journal), left half done
// by a disk that failed in the middle: the loader does not take the half-
// rewritten file for the records while the journal cannot be read, and once it
// can, the next load finishes the rewrite and an append goes after it.
TEST_F(ResultsFileTest, AnInPlaceRewriteLeftHalfDoneIsFinishedBeforeAnyoneReadsOrAppends)
{
    const Replacement before = replacement();
    setReplacement(Replacement::InPlace);
    std::vector<QByteArray> runs;
    QByteArray all;
    for (int i = 0; i < 6; ++i) {
        runs.push_back(record(today(), 0.1, 10 + i, 2, 60 + i));
        all += runs.back();
    }
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), all);
    QString problem;
    {
        FaultyRecordIo disk;
        // The journal (contents, header, magic) and the stamp are written whole;
        // half the file is overwritten ...
        disk.shortWriteAt = 5;
        disk.failWriteAt = 6;  // ... then the disk fails
        RecordIoInstalled installed(disk);
        EXPECT_FALSE(updateResults(
            [](std::vector<ResultRecordData>& records, QString*) {
                records.erase(records.begin());  // a deleted run
                return true;
            },
            &problem));
    }
    EXPECT_TRUE(problem.contains(QStringLiteral("成績累積データ.dat")));
    const QByteArray half = contents();
    ASSERT_NE(half, all);
    ASSERT_NE(half, all.mid(kRecordSize));

    {
        FaultyRecordIo unreadable;
        unreadable.failReadsOf = ".rewrite";
        RecordIoInstalled installed(unreadable);
        // The message names the file at fault: the journal.
        EXPECT_TRUE(stopText(LoadResults()).contains(QStringLiteral("成績累積データ.dat.rewrite")));
        EXPECT_FALSE(run(30, 3, 40).ok());  // no append lands in the half-rewritten file
        EXPECT_EQ(contents(), half);
    }

    EXPECT_TRUE(LoadResults().ok());
    EXPECT_EQ(state().RecordCount, 5);
    EXPECT_EQ(contents(), all.mid(kRecordSize));
    EXPECT_TRUE(run(30, 3, 40).ok());
    EXPECT_TRUE(LoadResults().ok());
    ASSERT_EQ(state().RecordCount, 6);
    EXPECT_EQ(state().RecTime(6), 40);
    EXPECT_FALSE(QFile::exists(file() + QStringLiteral(".rewrite")));
    setReplacement(before);
}

// A folder where the journal or the stamp should be: the program starts,
// loads and stores runs; an edit that needs the file fails with a message
// naming it (not the results file) and saying what is wrong with it.
TEST_F(ResultsFileTest, AFolderInPlaceOfTheJournalOrTheStampStopsOnlyTheEdits)
{
    const Replacement before = replacement();
    struct Case {
        const char* suffix;
        Replacement how;
        bool edits;
    };
    const Case cases[] = {{".rewrite", Replacement::InPlace, false},
                          {".stamp", Replacement::Rename, false},
                          {".stamp", Replacement::InPlace, false},
                          {".rewrite", Replacement::Rename, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.suffix) + (c.how == Replacement::InPlace ? " in place" : " renaming"));
        setReplacement(c.how);
        QDir(file() + QString::fromLatin1(c.suffix)).removeRecursively();
        dir.writeBytes(QStringLiteral("成績累積データ.dat"), record(today(), 0.1, 10, 2, 60));
        ASSERT_TRUE(QDir().mkdir(file() + QString::fromLatin1(c.suffix)));
        fakes.messages.shown.clear();
        EXPECT_TRUE(LoadResults().ok());
        EXPECT_TRUE(run(11, 3, 40).ok());
        EXPECT_TRUE(LoadResults().ok());
        EXPECT_EQ(state().RecordCount, 2);
        EXPECT_TRUE(fakes.messages.shown.isEmpty());
        QString problem;
        EXPECT_EQ(updateResults([](std::vector<ResultRecordData>&, QString*) { return true; }, &problem), c.edits);
        if (!c.edits) {
            EXPECT_TRUE(problem.contains(QStringLiteral("成績累積データ.dat") + QString::fromLatin1(c.suffix))) << problem.toStdString();
            EXPECT_TRUE(problem.contains(QStringLiteral("フォルダです"))) << problem.toStdString();
        }
        QDir(file() + QString::fromLatin1(c.suffix)).removeRecursively();
    }
    setReplacement(before);
}

// A clock that really waits: for the processes that append side by side.
class SleepingClock : public FakeClock {
public:
    uint64_t tickMs() const override
    {
        using namespace std::chrono;
        return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void waitResponsive(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

// Runs work(p) for p = 0..processes-1 in processes of their own (PCs sharing
// the file), each with a clock that really waits; true when all of them
// ended well (work returns 0 and throws nothing).
bool inProcesses(int processes, const std::function<int(int)>& work)
{
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p) {
        const pid_t pid = fork();
        if (pid < 0) return false;
        if (pid == 0) {
            int code = 0;
            try {
                SleepingClock clock;
                platform().clock = &clock;
                code = work(p);
            } catch (...) {
                code = 1;
            }
            _exit(code);
        }
        children.push_back(pid);
    }
    bool ok = true;
    for (pid_t pid : children) {
        int status = 0;
        ok = waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
    }
    return ok;
}

TEST_F(ResultsFileTest, ManyProcessesAppendingAtOnceLoseNothing)
{
    constexpr int kProcesses = 8;
    constexpr int kRuns = 500;
    ASSERT_TRUE(inProcesses(kProcesses, [&](int p) {
        for (int i = 1; i <= kRuns; ++i)
            if (!run(p + 1, 1 + i % 12, i).ok()) return 1;
        return 0;
    }));
    EXPECT_EQ(contents().size(), kProcesses * kRuns * kRecordSize);
    EXPECT_TRUE(LoadResults().ok());
    ASSERT_EQ(state().RecordCount, kProcesses * kRuns);
    std::set<std::pair<int, int>> seen;
    for (int k = 1; k <= state().RecordCount; ++k) {
        const int pupil = state().RecPupil(k);
        const int time = state().RecTime(k);
        EXPECT_EQ(state().RecLevel(k), 1 + time % 12);
        seen.insert({pupil, time});
    }
    EXPECT_EQ(seen.size(), size_t(kProcesses * kRuns));
    EXPECT_EQ(*seen.begin(), std::make_pair(1, 1));
    EXPECT_EQ(*seen.rbegin(), std::make_pair(kProcesses, kRuns));
}

TEST_F(ResultsFileTest, RewritesRacingAppendsLoseNoRun)
{
    // Pupils on 8 PCs append while a teacher's PC deletes runs one at a time,
    // each deletion replacing the file, for as long as the pupils append.
    // Every run appended is in the file exactly once and exactly the runs
    // deleted are gone.
    // KARUVEL_RACE_RUNS=1500 gives the long run whose figures the reliability notes quote.
    constexpr int kAppenders = 8;
    const int kRuns = std::max(60, qEnvironmentVariableIntValue("KARUVEL_RACE_RUNS"));
    const int kDeletable = std::max(3000, 8 * kRuns);
    constexpr int kTeacher = 999;
    QByteArray seed;
    for (int k = 0; k < kDeletable; ++k) seed += record(today(), 0.1, kTeacher, 1, k);
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), seed);
    const QString tally = dir.file(QStringLiteral("rewrites.txt"));
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(inProcesses(1 + kAppenders, [&](int p) {
        if (p > 0) {
            for (int i = 1; i <= kRuns; ++i) {
                if (!run(p, 1 + i % 12, i).ok()) return 4;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));  // the next pupil's run
            }
            QFile done(dir.file(QStringLiteral("done-%1").arg(p)));
            return done.open(QIODevice::WriteOnly) ? 0 : 3;
        }
        int rewrites = 0;
        const auto appendersDone = [&] {
            return QDir(dir.path()).entryList({QStringLiteral("done-*")}, QDir::Files).size() == kAppenders;
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kRuns > 60 ? 600 : 20);
        while (!appendersDone() && rewrites < kDeletable && std::chrono::steady_clock::now() < deadline) {
            QString problem;
            const bool ok = updateResults(
                [&](std::vector<ResultRecordData>& records, QString*) {
                    const auto first = std::find_if(records.begin(), records.end(), [](const ResultRecordData& r) {
                        return r.pupil == kTeacher;
                    });
                    if (first != records.end()) records.erase(first);
                    return true;
                },
                &problem);
            if (!ok) return 2;
            ++rewrites;
        }
        QFile out(tally);
        if (!out.open(QIODevice::WriteOnly)) return 3;
        out.write(QByteArray::number(rewrites));
        return 0;
    }));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    QFile in(tally);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const int rewrites = in.readAll().toInt();

    std::vector<ResultRecordData> records;
    ASSERT_TRUE(readAllResults(&records).ok());
    std::map<std::pair<int, int>, int> times;  // (pupil, run) -> how often stored
    int teacherRuns = 0, teacherFirst = -1;
    for (const ResultRecordData& r : records) {
        if (r.pupil == kTeacher) {
            if (teacherFirst < 0) teacherFirst = r.time;
            ++teacherRuns;
        } else {
            ++times[{r.pupil, r.time}];
        }
    }
    int lost = 0, doubled = 0;
    for (int p = 1; p <= kAppenders; ++p)
        for (int i = 1; i <= kRuns; ++i) {
            const auto it = times.find({p, i});
            if (it == times.end()) ++lost;
            else if (it->second > 1) doubled += it->second - 1;
        }
    std::printf("[ figures  ] %d appender processes, %d appends, 1 rewriter with %d rewrites in %.1f s: lost %d, doubled %d\n",
                kAppenders, kAppenders * kRuns, rewrites, seconds, lost, doubled);
    EXPECT_GT(rewrites, 0);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(doubled, 0);
    EXPECT_EQ(times.size(), size_t(kAppenders * kRuns));  // and nothing else
    // Exactly the first `rewrites` of the teacher's runs were deleted, each once.
    EXPECT_EQ(teacherRuns, kDeletable - rewrites);
    if (teacherRuns > 0) EXPECT_EQ(teacherFirst, rewrites);
}

} // namespace
