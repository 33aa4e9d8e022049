// Whole-file locks between open files and processes, and the error kinds.
#include "TempDir.h"
#include "platform/RecordFile.h"

#include <QFile>
#include <gtest/gtest.h>

#include "platform/Platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace karuvel;
using karuvel::test::TempDir;

namespace {

TEST(RecordFile, LocksExcludeOtherOpenFiles)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("r.dat"));
    RecordFile a, b;
    ASSERT_TRUE(a.open(toFsPath(path), RecordFile::Mode::ReadWriteCreate));
    ASSERT_TRUE(b.open(toFsPath(path), RecordFile::Mode::Read));

    ASSERT_EQ(a.tryLock(LockKind::Exclusive), LockResult::Locked);
    EXPECT_EQ(b.tryLock(LockKind::Shared), LockResult::Busy);
    EXPECT_EQ(b.errorKind(), FileErrorKind::Busy);
    EXPECT_TRUE(a.unlock());

    ASSERT_EQ(b.tryLock(LockKind::Shared), LockResult::Locked);
    RecordFile c;
    ASSERT_TRUE(c.open(toFsPath(path), RecordFile::Mode::Read));
    EXPECT_EQ(c.tryLock(LockKind::Shared), LockResult::Locked);  // readers share
    EXPECT_EQ(a.tryLock(LockKind::Exclusive), LockResult::Busy);
    b.close();  // closing lets go of the lock
    c.close();
    EXPECT_EQ(a.tryLock(LockKind::Exclusive), LockResult::Locked);
}

TEST(RecordFile, LockExcludesAnotherProcess)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("r.dat"));
    RecordFile a;
    ASSERT_TRUE(a.open(toFsPath(path), RecordFile::Mode::ReadWriteCreate));
    ASSERT_EQ(a.lockWait(LockKind::Exclusive), LockResult::Locked);
    auto childTries = [&]() {
        const pid_t pid = fork();
        if (pid == 0) {
            RecordFile f;
            if (!f.open(toFsPath(path), RecordFile::Mode::ReadWriteCreate)) _exit(3);
            _exit(f.tryLock(LockKind::Exclusive) == LockResult::Locked ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WEXITSTATUS(status);
    };
    EXPECT_EQ(childTries(), 1);
    a.unlock();
    EXPECT_EQ(childTries(), 0);
}

TEST(RecordFile, ReadsWritesAndReportsWhatFails)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("記録 1.dat"));
    RecordFile f;
    EXPECT_FALSE(f.open(toFsPath(path), RecordFile::Mode::Read));
    EXPECT_EQ(f.errorKind(), FileErrorKind::NotFound);
    EXPECT_FALSE(f.errorText().empty());
    EXPECT_FALSE(f.open(toFsPath(dir.file(QStringLiteral("ない/r.dat"))), RecordFile::Mode::ReadWriteCreate));
    EXPECT_EQ(f.errorKind(), FileErrorKind::NotFound);
    EXPECT_FALSE(f.open(toFsPath(dir.path()), RecordFile::Mode::Read));  // a folder is no file
    EXPECT_EQ(f.errorKind(), FileErrorKind::Other);

    ASSERT_TRUE(f.open(toFsPath(path), RecordFile::Mode::ReadWriteCreate));
    EXPECT_EQ(f.size(), 0);
    ASSERT_TRUE(f.writeAt(10, "abcdef", 6));
    EXPECT_EQ(f.size(), 16);
    char buf[32];
    int64_t got = 0;
    ASSERT_TRUE(f.readAt(12, buf, 32, &got));
    EXPECT_EQ(got, 4);  // short at the end
    EXPECT_EQ(QByteArray(buf, 4), QByteArray("cdef"));
    ASSERT_TRUE(f.truncate(11));
    EXPECT_EQ(f.size(), 11);

    EXPECT_TRUE(f.stillAtPath());
    QFile::remove(path);
    QFile replacement(path);
    ASSERT_TRUE(replacement.open(QIODevice::WriteOnly));
    replacement.close();
    EXPECT_FALSE(f.stillAtPath());
}

} // namespace

// A write past the file-size limit fails with its error once the real
// platform is installed, instead of the system ending the program mid-record.
TEST(RealPlatform, WritePastTheFileSizeLimitFailsInsteadOfEndingTheProgram)
{
    test::TempDir dir;
    const QByteArray path = (dir.path() + QStringLiteral("big.dat")).toLocal8Bit();
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        karuvel::installRealPlatform();
        rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        char bytes[200] = {};
        const ssize_t first = ::write(fd, bytes, 100);
        const ssize_t past = ::write(fd, bytes, 100);
        _exit(first == 100 && past < 0 && errno == EFBIG ? 0 : 3);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
