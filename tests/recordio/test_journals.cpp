// Journals of in-place rewrites that are not the file's own, journals that
// cannot be looked at for a moment, and folders where the journal or the
// stamp should be.
#include "FaultyRecordIo.h"
#include "Processes.h"
#include "platform/recordio/RewriteJournal.h"
#include "platform/recordio/SharedFile.h"

#include <gtest/gtest.h>

#include <functional>

using namespace karuvel;
using namespace karuvel::test;

namespace {

std::string records(uint32_t writer, uint32_t from, uint32_t to)
{
    std::string out;
    for (uint32_t n = from; n < to; ++n) out += testRecord(writer, n);
    return out;
}

LockWaiting counting(int* waited, int limitMs = 1000)
{
    LockWaiting w;
    w.limitMs = limitMs;
    w.pollMs = 50;
    w.wait = [waited](int ms) { *waited += ms; };
    return w;
}

class Journals : public testing::Test {
protected:
    void SetUp() override
    {
        before_ = replacement();
        setReplacement(Replacement::InPlace);
        takeSetAsideJournals();
    }
    void TearDown() override { setReplacement(before_); }

    // A teacher's rewrite of the file (the records in the opposite order, the
    // first left out) whose PC died once the journal and the stamp were
    // written; with halfWay, after half the new contents went into the file.
    static std::string interruptedRewrite(const std::filesystem::path& file, bool halfWay)
    {
        const std::string fresh = editedForTest(readWhole(file));
        RecordFile f;
        int waited = 0;
        FaultyRecordIo faulty;
        // Writes: the journal's contents, its header, its magic, the stamp, then the file.
        if (halfWay) faulty.shortWriteAt = 5;
        faulty.failWriteAt = halfWay ? 6 : 5;
        RecordIoInstalled installed(faulty);
        EXPECT_EQ(lockForWriting(f, file, counting(&waited)), WriteLock::Locked);
        FileFailure failure;
        EXPECT_FALSE(replaceContents(f, fresh.data(), int64_t(fresh.size()), &failure));
        EXPECT_TRUE(std::filesystem::exists(rewriteJournalPath(file)));
        return fresh;
    }

    static void append(const std::filesystem::path& file, const std::string& record)
    {
        RecordFile g;
        int waited = 0;
        ASSERT_EQ(lockForWriting(g, file, counting(&waited)), WriteLock::Locked);
        ASSERT_TRUE(appendRecord(g, record.data(), kTestRecord));
    }

    static std::vector<std::filesystem::path> setAsideIn(const std::filesystem::path& folder)
    {
        std::vector<std::filesystem::path> out;
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            const std::u8string name = e.path().filename().u8string();
            if (name.find(u8".rewrite.未適用-") != std::u8string::npos) out.push_back(e.path());
        }
        return out;
    }

    ScratchFolder dir;
    std::filesystem::path file = dir / "r.dat";

private:
    Replacement before_ = Replacement::Rename;
};

// A complete journal is copied into a file only when it was made for that
// file in the state the file is in. Any other is set aside under a name that
// says so, the file untouched, and told once.
TEST_F(Journals, AJournalNotMadeForTheFileInItsStateIsSetAsideAndTheFileKept)
{
    struct Case {
        const char* name;
        bool throughReader;
        // Prepares the folder; answers what the file is to hold afterwards and
        // whether a journal is to be set aside.
        std::function<std::pair<std::string, bool>()> prepare;
    };
    // (Removed first: MinGW's copy_file does not overwrite.)
    const auto copy = [](const std::filesystem::path& from, const std::filesystem::path& to) {
        std::error_code ignored;
        std::filesystem::remove(to, ignored);
        std::filesystem::copy_file(from, to);
    };
    ScratchFolder other;
    const std::filesystem::path otherFile = other / "r.dat";
    const Case cases[] = {
        {"the file's own, the file half rewritten", false,
         [&] {
             writeWhole(file, records(1, 0, 40));
             return std::make_pair(interruptedRewrite(file, true), false);
         }},
        {"from another folder (its stamp too)", false,
         [&] {
             writeWhole(otherFile, records(2, 0, 40));
             interruptedRewrite(otherFile, false);
             writeWhole(file, records(1, 0, 40));
             copy(rewriteJournalPath(otherFile), rewriteJournalPath(file));
             copy(stampPath(otherFile), stampPath(file));
             return std::make_pair(records(1, 0, 40), true);
         }},
        {"an old copy brought back after later runs", true,
         [&] {
             writeWhole(file, records(1, 0, 40));
             const std::string fresh = interruptedRewrite(file, false);
             copy(rewriteJournalPath(file), dir / "kept");
             append(file, testRecord(3, 0));  // finishes the rewrite first
             append(file, testRecord(3, 1));
             copy(dir / "kept", rewriteJournalPath(file));
             std::filesystem::remove(dir / "kept");
             return std::make_pair(fresh + testRecord(3, 0) + testRecord(3, 1), true);
         }},
        {"brought back with its stamp by a sync tool after later runs", false,
         [&] {
             writeWhole(file, records(1, 0, 40));
             const std::string fresh = interruptedRewrite(file, false);
             copy(rewriteJournalPath(file), dir / "kept");
             copy(stampPath(file), dir / "kept.stamp");
             append(file, testRecord(3, 0));
             append(file, testRecord(3, 1));
             copy(dir / "kept", rewriteJournalPath(file));
             copy(dir / "kept.stamp", stampPath(file));
             std::filesystem::remove(dir / "kept");
             std::filesystem::remove(dir / "kept.stamp");
             return std::make_pair(fresh + testRecord(3, 0) + testRecord(3, 1), true);
         }},
        {"of an older program (no file named in it)", true,
         [&] {
             writeWhole(file, records(1, 0, 40));
             const std::string one = testRecord(1, 0);
             std::string j = std::string("Karuvel rewrite\n", 16);
             for (uint64_t v : {uint64_t(one.size()), uint64_t(0)})
                 for (int i = 0; i < 8; ++i) j += char((v >> (8 * i)) & 0xff);
             writeWhole(rewriteJournalPath(file), j + one);
             return std::make_pair(records(1, 0, 40), true);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove(e.path());
        const auto [expected, setAside] = c.prepare();
        takeSetAsideJournals();
        if (c.throughReader) {
            EXPECT_EQ(readShared(file), expected);
        } else {
            append(file, testRecord(9, 0));
            EXPECT_EQ(readWhole(file), expected + testRecord(9, 0));
        }
        EXPECT_FALSE(std::filesystem::exists(rewriteJournalPath(file)));
        const auto kept = setAsideIn(dir.path());
        const auto told = takeSetAsideJournals();
        EXPECT_EQ(kept.size(), setAside ? 1u : 0u);
        EXPECT_EQ(told, kept);
        EXPECT_TRUE(takeSetAsideJournals().empty()) << "told once";
        // Nothing is lost: what was set aside is the journal, whole.
        for (const auto& k : kept) EXPECT_GT(std::filesystem::file_size(k), 0u);
    }
}

// Only "not found" means that there is no journal. A journal that cannot be
// looked at for a moment (a network drive that drops out) is waited for as a
// lock is: an append must not go into a half-rewritten file, where the
// journal's copy would drop it later.
TEST_F(Journals, AJournalThatCannotBeLookedAtIsWaitedForNotTakenForNone)
{
    writeWhole(file, records(1, 0, 40));
    const std::string fresh = interruptedRewrite(file, true);
    const std::string half = readWhole(file);
    ASSERT_NE(half, fresh);
    {
        FaultyRecordIo dropping;
        dropping.failLookupsOf = ".rewrite";
        dropping.lookupFailures = 3;
        RecordIoInstalled installed(dropping);
        RecordFile g;
        int waited = 0;
        ASSERT_EQ(lockForWriting(g, file, counting(&waited)), WriteLock::Locked);
        EXPECT_GE(waited, 150);
        ASSERT_TRUE(appendRecord(g, testRecord(9, 0).data(), kTestRecord));
    }
    EXPECT_EQ(readShared(file), fresh + testRecord(9, 0));

    // For good: the writer gives up at its limit, naming the journal; a reader
    // is told to wait and try again, naming it too; the file is left alone.
    writeWhole(file, records(1, 0, 40));
    interruptedRewrite(file, true);
    const std::string left = readWhole(file);
    FaultyRecordIo gone;
    gone.failLookupsOf = ".rewrite";
    RecordIoInstalled installed(gone);
    RecordFile g;
    int waited = 0;
    FileFailure failure;
    EXPECT_EQ(lockForWriting(g, file, counting(&waited), &failure), WriteLock::Failed);
    EXPECT_GE(waited, 1000);
    EXPECT_EQ(failure.at, rewriteJournalPath(file));
    RecordFile r;
    ASSERT_TRUE(r.open(file, RecordFile::Mode::Read));
    bool unfinished = false;
    std::filesystem::path fault;
    EXPECT_EQ(lockForReading(r, false, &unfinished, &fault), LockResult::Failed);
    EXPECT_TRUE(unfinished);
    EXPECT_EQ(fault, rewriteJournalPath(file));
    EXPECT_EQ(readWhole(file), left);
}

// A folder where the journal or the stamp should be stops only what needs
// that file: reading and appending go on; a rewrite that needs it fails,
// naming it.
TEST_F(Journals, AFolderInPlaceOfTheJournalOrTheStampStopsOnlyTheRewrite)
{
    struct Case {
        const char* name;
        std::filesystem::path folder;
        Replacement how;
        bool rewrites;
    };
    const Case cases[] = {
        {"journal, in place", rewriteJournalPath(file), Replacement::InPlace, false},
        {"journal, renaming", rewriteJournalPath(file), Replacement::Rename, true},
        {"stamp, in place", stampPath(file), Replacement::InPlace, false},
        {"stamp, renaming", stampPath(file), Replacement::Rename, false},
    };
    for (const Case& c : cases) {
#ifdef _WIN32
        if (c.how == Replacement::Rename) continue;
#endif
        SCOPED_TRACE(c.name);
        std::error_code ignored;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove_all(e.path(), ignored);
        setReplacement(c.how);
        writeWhole(file, records(1, 0, 10));
        std::filesystem::create_directory(c.folder);
        append(file, testRecord(2, 0));
        EXPECT_EQ(readShared(file), records(1, 0, 10) + testRecord(2, 0));
        RecordFile f;
        int waited = 0;
        ASSERT_EQ(lockForWriting(f, file, counting(&waited)), WriteLock::Locked);
        const std::string fresh = records(3, 0, 5);
        FileFailure failure;
        EXPECT_EQ(replaceContents(f, fresh.data(), int64_t(fresh.size()), &failure), c.rewrites);
        if (!c.rewrites) {
            EXPECT_EQ(failure.at, c.folder);
            EXPECT_EQ(readWhole(file), records(1, 0, 10) + testRecord(2, 0));
        } else {
            EXPECT_EQ(readWhole(file), fresh);
        }
        EXPECT_TRUE(std::filesystem::is_directory(c.folder));
        append(file, testRecord(2, 1));
    }
}

} // namespace
