// Several accounts of one PC (or of a share with Unix permissions) using one
// data folder through a group, as the README sets it up: a folder of the
// group, group-writable, with the set-group-id bit. A pupil's account stores
// runs; teachers' accounts, with the usual umask 022, rewrite the file (by
// renaming and in place, once interrupted); afterwards every account can
// still store its runs and every teacher edit. The accounts are made for the
// test and removed after it (the tests run as root); elsewhere it is skipped.
#ifndef _WIN32
#include "FaultyRecordIo.h"
#include "Processes.h"
#include "platform/recordio/RewriteJournal.h"
#include "platform/recordio/SharedFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <grp.h>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace karuvel;
using namespace karuvel::test;

namespace {

const char* const kGroup = "kvtschool";
const char* const kAccounts[] = {"kvtpupil", "kvtteach1", "kvtteach2"};

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

void removeAccounts()
{
    for (const char* a : kAccounts) run(std::string("userdel ") + a);
    run(std::string("groupdel ") + kGroup);
}

struct Account {
    uid_t uid = 0;
    gid_t gid = 0;
};

class Accounts : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (::geteuid() != 0) {
            why_ = "the accounts for this test can only be made as root";
            return;
        }
        removeAccounts();  // left over from a test run that was killed
        if (!run(std::string("groupadd ") + kGroup)) {
            why_ = "groupadd failed";
            return;
        }
        for (const char* a : kAccounts) {
            if (!run(std::string("useradd -M -N -g ") + kGroup + " -s /usr/sbin/nologin " + a)) {
                why_ = std::string("useradd ") + a + " failed";
                removeAccounts();
                return;
            }
        }
        made_ = true;
    }
    static void TearDownTestSuite()
    {
        if (made_) removeAccounts();
        made_ = false;
    }

    void SetUp() override
    {
        if (!made_) GTEST_SKIP() << why_;
        const group* g = ::getgrnam(kGroup);
        ASSERT_NE(g, nullptr);
        gid_ = g->gr_gid;
        // The README's folder: the group's, group-writable, set-group-id (for folders only).
        std::random_device device;
        folder_ = std::filesystem::path("/tmp") / ("karuvel-accounts-" + std::to_string(device()));
        std::filesystem::create_directories(folder_);
        ASSERT_EQ(::chown(folder_.c_str(), 0, gid_), 0);
        ASSERT_EQ(::chmod(folder_.c_str(), 02770), 0);
        file_ = folder_ / std::filesystem::path(u8"成績累積データ.dat");
    }
    void TearDown() override
    {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }

    Account account(int i) const
    {
        const passwd* p = ::getpwnam(kAccounts[i]);
        return p ? Account{p->pw_uid, p->pw_gid} : Account{};
    }

    // Runs work in a process of the account with umask 022; its answer (0 for
    // success), or -1 when the process could not become that account.
    int as(int who, Replacement how, const std::function<int()>& work) const
    {
        const Account a = account(who);
        if (a.uid == 0) return -1;
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::setgroups(1, &a.gid) != 0 || ::setgid(a.gid) != 0 || ::setuid(a.uid) != 0) std::_Exit(90);
            ::umask(022);
            setReplacement(how);
            std::_Exit(work());
        }
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status) == 90 ? -1 : WEXITSTATUS(status);
    }

    static LockWaiting quick()
    {
        LockWaiting w;
        w.limitMs = 3000;
        w.pollMs = 10;
        w.wait = [](int ms) { sleepMs(ms); };
        return w;
    }

    // A pupil's run: one record appended. 0, or the step that failed.
    int append(uint32_t number) const
    {
        RecordFile f;
        if (lockForWriting(f, file_, quick()) != WriteLock::Locked) return 11;
        if (!appendRecord(f, testRecord(1, number).data(), kTestRecord)) return 12;
        return 0;
    }
    // A teacher's rewrite: the records in the opposite order.
    int rewrite(bool interrupted = false) const
    {
        // Interrupted: the PC dies once the journal and the stamp are written, before the file is touched.
        FaultyRecordIo faulty;
        faulty.failWriteAt = 5;
        std::optional<RecordIoInstalled> installed;
        if (interrupted) installed.emplace(faulty);
        RecordFile f;
        if (lockForWriting(f, file_, quick()) != WriteLock::Locked) return 21;
        const int64_t length = f.size();
        std::string bytes(size_t(length > 0 ? length : 0), '\0');
        int64_t got = 0;
        if (length > 0 && (!f.readAt(0, bytes.data(), length, &got) || got != length)) return 22;
        std::string reversed;
        for (int64_t at = length - kTestRecord; at >= 0; at -= kTestRecord) reversed += bytes.substr(size_t(at), kTestRecord);
        FileFailure failure;
        if (!interrupted) return replaceContents(f, reversed.data(), int64_t(reversed.size()), &failure) ? 0 : 23;
        return replaceContents(f, reversed.data(), int64_t(reversed.size()), &failure) ? 24 : 0;
    }

    gid_t gid_ = 0;
    std::filesystem::path folder_;
    std::filesystem::path file_;
    static inline bool made_ = false;
    static inline std::string why_;
};

TEST_F(Accounts, EveryAccountStoresItsRunsAfterATeachersRewrite)
{
    for (Replacement how : {Replacement::Rename, Replacement::InPlace}) {
        SCOPED_TRACE(how == Replacement::Rename ? "renaming" : "in place");
        std::error_code ignored;
        for (const auto& e : std::filesystem::directory_iterator(folder_)) std::filesystem::remove_all(e.path(), ignored);

        ASSERT_EQ(as(0, how, [&] { return append(1); }), 0);
        ASSERT_EQ(as(0, how, [&] { return append(2); }), 0);
        EXPECT_EQ(as(1, how, [&] { return rewrite(); }), 0) << "the first teacher's rewrite";
        EXPECT_EQ(as(0, how, [&] { return append(3); }), 0) << "the pupil's run after the first teacher's rewrite";
        EXPECT_EQ(as(2, how, [&] { return rewrite(); }), 0) << "the second teacher's rewrite";
        EXPECT_EQ(as(0, how, [&] { return append(4); }), 0) << "the pupil's run after the second teacher's rewrite";
        if (how == Replacement::InPlace) {
            // A teacher's PC dies in the middle of a rewrite: the pupil's
            // next run finishes it from the journal the teacher's account made.
            EXPECT_EQ(as(1, how, [&] { return rewrite(true); }), 0);
            EXPECT_TRUE(std::filesystem::exists(rewriteJournalPath(file_)));
            EXPECT_EQ(as(0, how, [&] { return append(5); }), 0) << "the pupil's run after an interrupted rewrite";
            EXPECT_FALSE(std::filesystem::exists(rewriteJournalPath(file_)));
        }
        const std::string bytes = readWhole(file_);
        ASSERT_TRUE(wellFormed(bytes));
        EXPECT_EQ(recordsOf(bytes).size(), how == Replacement::InPlace ? 5u : 4u);
        // Every file in the folder is the group's and group-writable.
        for (const auto& e : std::filesystem::directory_iterator(folder_)) {
            struct stat st;
            ASSERT_EQ(::stat(e.path().c_str(), &st), 0);
            EXPECT_EQ(st.st_gid, gid_) << e.path();
            EXPECT_TRUE((st.st_mode & S_IWGRP) && (st.st_mode & S_IRGRP)) << e.path() << " " << std::oct << st.st_mode;
        }
    }
}

// A file whose owner has rights its group lacks (here: running it): a
// renaming rewrite by another account would take them from the owner, so the
// file is rewritten in place and keeps its owner and mode.
TEST_F(Accounts, AFileWhoseOwnerHasMoreRightsThanItsGroupIsRewrittenInPlace)
{
    ASSERT_EQ(as(0, Replacement::Rename, [&] { return append(1); }), 0);
    ASSERT_EQ(::chown(file_.c_str(), account(2).uid, gid_), 0);
    ASSERT_EQ(::chmod(file_.c_str(), 0764), 0);
    EXPECT_EQ(as(1, Replacement::Rename, [&] { return rewrite(); }), 0);
    struct stat st;
    ASSERT_EQ(::stat(file_.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, account(2).uid);
    EXPECT_EQ(st.st_mode & 07777, 0764u);
    EXPECT_EQ(as(0, Replacement::Rename, [&] { return append(2); }), 0);
    EXPECT_EQ(recordsOf(readWhole(file_)).size(), 2u);
}

} // namespace
#endif
