// The shared-file operations in one process: appends that fail half-way,
// waiting for and following a lock, the whole-file replacement with a fault
// at every step, and the journal rules of an interrupted in-place rewrite.
#include "FaultyRecordIo.h"
#include "Processes.h"

#include <gtest/gtest.h>

#include <set>

using namespace karuvel;
using namespace karuvel::test;

namespace {

std::string records(uint32_t writer, uint32_t from, uint32_t to)
{
    std::string out;
    for (uint32_t n = from; n < to; ++n) out += testRecord(writer, n);
    return out;
}

// A file's name as UTF-8 bytes.
std::string nameOf(const std::filesystem::path& p)
{
    const std::u8string n = p.filename().u8string();
    return std::string(n.begin(), n.end());
}
std::set<std::string> namesIn(const std::filesystem::path& folder)
{
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) out.insert(nameOf(e.path()));
    return out;
}
std::set<std::string> only(const std::filesystem::path& file) { return {nameOf(file)}; }
// The names in the folder but the rewrite stamp, which belongs beside the file.
std::set<std::string> namesButStampIn(const std::filesystem::path& folder)
{
    std::set<std::string> out = namesIn(folder);
    std::erase_if(out, [](const std::string& n) { return n.ends_with(".stamp"); });
    return out;
}

struct StrategyName {
    std::string operator()(const testing::TestParamInfo<Replacement>& i) const
    {
        return i.param == Replacement::Rename ? "Rename" : "InPlace";
    }
};

// The strategies this system can use: on Windows an open file cannot be
// renamed over, so only the rewrite in place.
std::vector<Replacement> strategies()
{
#ifdef _WIN32
    return {Replacement::InPlace};
#else
    return {Replacement::Rename, Replacement::InPlace};
#endif
}

class Strategy : public testing::TestWithParam<Replacement> {
protected:
    void SetUp() override
    {
        before_ = replacement();
        setReplacement(GetParam());
    }
    void TearDown() override { setReplacement(before_); }

    ScratchFolder dir;
    std::filesystem::path file = dir.path() / std::filesystem::path(u8"成績累積データ.dat");

private:
    Replacement before_ = Replacement::Rename;
};

LockWaiting counting(int* waited, int limitMs = 1000, std::function<void()> onWait = {})
{
    LockWaiting w;
    w.limitMs = limitMs;
    w.pollMs = 100;
    w.wait = [=](int ms) {
        *waited += ms;
        if (onWait) onWait();
    };
    return w;
}

TEST(SharedFile, AppendGoesAfterTheLastWholeRecordAndAFailedOneIsCutOff)
{
    struct Case {
        const char* name;
        int failWriteAt, shortWriteAt;
        bool stored;
    };
    const Case cases[] = {
        {"plain", 0, 0, true},
        {"short write, then the rest", 0, 1, true},
        {"disk full", 1, 0, false},
        {"short write, then disk full", 2, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder dir;
        const auto file = dir / "r.dat";
        const std::string before = records(1, 0, 2);
        writeWhole(file, before + "torn!");  // a torn partial record at the end
        FaultyRecordIo faulty;
        faulty.failWriteAt = c.failWriteAt;
        faulty.shortWriteAt = c.shortWriteAt;
        int64_t at = -1;
        bool stored;
        RecordFile f;
        {
            RecordIoInstalled installed(faulty);
            int waited = 0;
            ASSERT_EQ(lockForWriting(f, file, counting(&waited)), WriteLock::Locked);
            stored = appendRecord(f, testRecord(2, 0).data(), kTestRecord, &at);
        }
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(at, 2 * kTestRecord);
        f.close();
        if (c.stored) {
            EXPECT_EQ(readWhole(file), before + testRecord(2, 0));
        } else {
            EXPECT_EQ(f.errorNumber(), systemErrors().diskFull);
            EXPECT_EQ(readWhole(file), before);  // no half record stays
        }
    }
}

TEST(SharedFile, WriterWaitsForTheLockAndGivesUpAtTheLimit)
{
    ScratchFolder dir;
    const auto file = dir / "r.dat";
    RecordFile other;  // another PC's append
    ASSERT_TRUE(other.open(file, RecordFile::Mode::ReadWriteCreate));
    ASSERT_EQ(other.tryLock(LockKind::Exclusive), LockResult::Locked);

    RecordFile f;
    int waited = 0;
    EXPECT_EQ(lockForWriting(f, file, counting(&waited, 1000, [&] {
                                 if (waited == 300) other.unlock();
                             })),
              WriteLock::Locked);
    EXPECT_EQ(waited, 300);
    f.close();

    ASSERT_EQ(other.tryLock(LockKind::Exclusive), LockResult::Locked);
    waited = 0;
    EXPECT_EQ(lockForWriting(f, file, counting(&waited, 1000)), WriteLock::Busy);
    EXPECT_EQ(waited, 1000);
    EXPECT_FALSE(f.isOpen());
    RecordFile reader;
    ASSERT_TRUE(reader.open(file, RecordFile::Mode::Read));
    EXPECT_EQ(lockForReading(reader), LockResult::Busy);
    other.close();

    FaultyRecordIo faulty;  // a lock that never comes
    faulty.lockNeverComes = true;
    RecordIoInstalled installed(faulty);
    waited = 0;
    EXPECT_EQ(lockForWriting(f, file, counting(&waited, 500)), WriteLock::Busy);
    EXPECT_EQ(waited, 500);
}

TEST(SharedFile, ReadTailGivesTheBytesAfterAnOffsetWithTheIdentityAndLength)
{
    ScratchFolder dir;
    const auto file = dir / "r.dat";
    writeWhole(file, records(1, 0, 3));
    RecordFile f;
    ASSERT_TRUE(f.open(file, RecordFile::Mode::Read));
    ASSERT_EQ(lockForReading(f), LockResult::Locked);
    FileTail tail;
    ASSERT_TRUE(readTail(f, kTestRecord, &tail));
    EXPECT_EQ(tail.length, 3 * kTestRecord);
    EXPECT_EQ(std::string(tail.bytes.begin(), tail.bytes.end()), records(1, 1, 3));
    FileIdentity there;
    ASSERT_EQ(recordIo().identityAt(file, &there), 0);
    EXPECT_EQ(tail.identity, there);
    ASSERT_TRUE(readTail(f, 10 * kTestRecord, &tail));  // beyond the end: nothing
    EXPECT_TRUE(tail.bytes.empty());
    EXPECT_EQ(tail.length, 3 * kTestRecord);

    FaultyRecordIo faulty;  // a read error in the middle of the file
    faulty.failReadFrom = kTestRecord + 3;
    RecordIoInstalled installed(faulty);
    RecordFile g;
    ASSERT_TRUE(g.open(file, RecordFile::Mode::Read));
    EXPECT_FALSE(readTail(g, 0, &tail));
    EXPECT_EQ(g.errorNumber(), systemErrors().io);
}

TEST_P(Strategy, ReplaceLeavesTheNewContentsAloneInTheFolderAndAWaitingWriterFollows)
{
    const std::string old = records(1, 0, 5);
    const std::string fresh = records(2, 0, 3);
    writeWhole(file, old);
    RecordFile rewriter;
    int waited = 0;
    ASSERT_EQ(lockForWriting(rewriter, file, counting(&waited)), WriteLock::Locked);

    // An append that waits for the lock meanwhile goes to the new contents.
    RecordFile appender;
    bool replaced = false;
    ASSERT_EQ(lockForWriting(appender, file, counting(&waited, 1000, [&] {
                                 if (replaced) return;
                                 FileFailure failure;
                                 replaced = replaceContents(rewriter, fresh.data(), int64_t(fresh.size()), &failure);
                                 EXPECT_TRUE(replaced) << failure.text;
                                 EXPECT_FALSE(rewriter.isOpen());
                             })),
              WriteLock::Locked);
    ASSERT_TRUE(appendRecord(appender, testRecord(3, 0).data(), kTestRecord));
    appender.close();
    EXPECT_EQ(readWhole(file), fresh + testRecord(3, 0));
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{nameOf(file), nameOf(file) + ".stamp"}));
}

// Every step of the replacement fails in turn: afterwards every reader sees
// the old contents or the new ones, whole, and nothing is left beside them.
TEST_P(Strategy, AFailureAtAnyStepLeavesTheOldOrTheNewContents)
{
    const std::string old = records(1, 0, 40);
    const std::string fresh = editedForTest(old);
    struct Fault {
        const char* name;
        int FaultyRecordIo::*field;
    };
    const Fault faults[] = {{"write", &FaultyRecordIo::failWriteAt},
                            {"flush", &FaultyRecordIo::failFlushAt},
                            {"rename", &FaultyRecordIo::failRenameAt},
                            {"truncate", &FaultyRecordIo::failTruncateAt}};
    int failures = 0;
    for (const Fault& fault : faults) {
        for (int n = 1; n <= 7; ++n) {
            SCOPED_TRACE(std::string(fault.name) + " #" + std::to_string(n));
            writeWhole(file, old);
            RecordFile f;
            int waited = 0;
            FaultyRecordIo faulty;
            faulty.*fault.field = n;
            FileFailure failure;
            bool done;
            {
                RecordIoInstalled installed(faulty);
                ASSERT_EQ(lockForWriting(f, file, counting(&waited)), WriteLock::Locked);
                done = replaceContents(f, fresh.data(), int64_t(fresh.size()), &failure);
            }
            f.close();
            if (!done) {
                ++failures;
                EXPECT_FALSE(failure.text.empty());
            }
            const std::string seen = readShared(file);
            if (done) EXPECT_EQ(seen, fresh);
            else EXPECT_TRUE(seen == old || seen == fresh) << seen.size();
            // The file is usable afterwards: an append lands after whole records.
            RecordFile g;
            ASSERT_EQ(lockForWriting(g, file, counting(&waited)), WriteLock::Locked);
            ASSERT_TRUE(appendRecord(g, testRecord(9, 0).data(), kTestRecord));
            g.close();
            EXPECT_EQ(readWhole(file), seen + testRecord(9, 0));
            EXPECT_EQ(namesButStampIn(dir.path()), only(file));
        }
    }
    EXPECT_GE(failures, 3);  // the faults did hit the replacement
}

INSTANTIATE_TEST_SUITE_P(Replacements, Strategy, testing::ValuesIn(strategies()), StrategyName());

// The rules on the next lock after an in-place rewrite was interrupted.
TEST(InPlaceJournal, ACompleteJournalIsFinishedAndAnIncompleteOneDiscarded)
{
    setReplacement(Replacement::InPlace);
    const std::string old = records(1, 0, 30);
    const std::string fresh = editedForTest(old);
    struct Case {
        const char* name;
        bool cutJournal;     // the journal was not complete when its writer died
        bool throughReader;  // the next one to lock is a reader
        std::string expected;
    };
    const Case cases[] = {
        {"complete, next a writer", false, false, fresh},
        {"complete, next a reader", false, true, fresh},
        {"incomplete, next a writer", true, false, old},
        {"incomplete, next a reader", true, true, old},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder dir;
        const auto file = dir / "r.dat";
        writeWhole(file, old);
        RecordFile f;
        int waited = 0;
        FaultyRecordIo faulty;
        // The journal's contents, header and magic and the stamp are written; the file's overwrite fails.
        faulty.failWriteAt = 5;
        FileFailure failure;
        {
            RecordIoInstalled installed(faulty);
            ASSERT_EQ(lockForWriting(f, file, counting(&waited)), WriteLock::Locked);
            EXPECT_FALSE(replaceContents(f, fresh.data(), int64_t(fresh.size()), &failure));
        }
        const auto journal = rewriteJournalPath(file);
        ASSERT_TRUE(std::filesystem::exists(journal));
        if (c.cutJournal) std::filesystem::resize_file(journal, std::filesystem::file_size(journal) - 1);
        if (c.throughReader) {
            EXPECT_EQ(readShared(file), c.expected);
        } else {
            RecordFile g;
            ASSERT_EQ(lockForWriting(g, file, counting(&waited)), WriteLock::Locked);
            ASSERT_TRUE(appendRecord(g, testRecord(9, 0).data(), kTestRecord));
            g.close();
            EXPECT_EQ(readWhole(file), c.expected + testRecord(9, 0));
        }
        EXPECT_FALSE(std::filesystem::exists(journal));
    }

    // A rewrite that died half-way through the file, and then its journal
    // cannot be read: nobody writes until it can be, and then it is finished.
    ScratchFolder dir;
    const auto file = dir / "r.dat";
    writeWhole(file, old);
    RecordFile f;
    int waited = 0;
    {
        FaultyRecordIo faulty;
        faulty.shortWriteAt = 5;  // (journal, stamp) half the new contents go in place ...
        faulty.failWriteAt = 6;   // ... then the disk fails
        RecordIoInstalled installed(faulty);
        ASSERT_EQ(lockForWriting(f, file, counting(&waited)), WriteLock::Locked);
        FileFailure failure;
        EXPECT_FALSE(replaceContents(f, fresh.data(), int64_t(fresh.size()), &failure));
    }
    const std::string half = readWhole(file);
    ASSERT_NE(half, old);
    ASSERT_NE(half, fresh);
    FaultyRecordIo unreadable;
    unreadable.failReadsOf = ".rewrite";
    {
        RecordIoInstalled installed(unreadable);
        RecordFile g;
        EXPECT_EQ(lockForWriting(g, file, counting(&waited)), WriteLock::Failed);
        EXPECT_NE(g.errorNumber(), 0);
    }
    EXPECT_EQ(readWhole(file), half);
    EXPECT_EQ(readShared(file), fresh);  // once it can be read, it is finished
    setReplacement(strategies().front());
}

#ifdef _WIN32
// Why the rewrite is made in place here: a file that another handle holds
// open cannot be renamed over.
TEST(Windows, AnOpenFileCannotBeRenamedOver)
{
    ScratchFolder dir;
    const auto file = dir / "r.dat";
    writeWhole(file, "old");
    writeWhole(dir / "new.dat", "new");
    RecordFile other;
    ASSERT_TRUE(other.open(file, RecordFile::Mode::ReadWriteCreate));
    ASSERT_EQ(other.tryLock(LockKind::Exclusive), LockResult::Locked);
    EXPECT_NE(recordIo().rename(dir / "new.dat", file), 0);
    other.close();
}
#endif

TEST(WholeFile, WrittenInOneStepOrNotAtAll)
{
    struct Case {
        const char* name;
        int FaultyRecordIo::*field;
    };
    const Case cases[] = {{"no fault", nullptr},
                          {"write", &FaultyRecordIo::failWriteAt},
                          {"flush", &FaultyRecordIo::failFlushAt},
                          {"rename", &FaultyRecordIo::failRenameAt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder dir;
        const auto file = dir.path() / std::filesystem::path(u8"タイム回数データ.txt");
        writeWhole(file, "old contents\r\n");
        FaultyRecordIo faulty;
        if (c.field) faulty.*c.field = 1;
        const std::string fresh = "new contents\r\n";
        FileFailure failure;
        bool done;
        {
            RecordIoInstalled installed(faulty);
            done = writeWholeFile(file, fresh.data(), int64_t(fresh.size()), &failure);
        }
        EXPECT_EQ(done, c.field == nullptr);
        EXPECT_EQ(readWhole(file), done ? fresh : std::string("old contents\r\n"));
        if (!done) EXPECT_FALSE(failure.text.empty());
        EXPECT_EQ(namesIn(dir.path()), only(file));
    }
}

} // namespace
