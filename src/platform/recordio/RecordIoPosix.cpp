// The file operations on POSIX systems: open-file-description locks
// (F_OFD_SETLK) where the system has them, else classic fcntl record locks.
#ifndef _WIN32
#include "platform/recordio/RecordFile.h"
#include "platform/recordio/RecordIo.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace karuvel {

const SystemErrors& systemErrors()
{
    static const SystemErrors e{ENOSPC, EIO, EAGAIN, ENOENT, EACCES};
    return e;
}

namespace {

// Whether open-file-description locks work here; decided at the first lock.
#ifdef F_OFD_SETLK
std::atomic<int>& ofdSupport()
{
    static std::atomic<int> s{-1};  // -1 unknown, 0 no, 1 yes
    return s;
}
#endif

class PosixRecordIo : public IRecordIo {
public:
    int open(const std::filesystem::path& path, OpenMode mode, FileHandle* out) override
    {
        *out = kNoFile;
        int flags = O_CLOEXEC;
        switch (mode) {
        case OpenMode::Read: flags |= O_RDONLY; break;
        case OpenMode::ReadWrite: flags |= O_RDWR; break;
        case OpenMode::ReadWriteCreate: flags |= O_RDWR | O_CREAT; break;
        case OpenMode::CreateFresh: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
        }
        int fd;
        do {
            fd = ::open(path.c_str(), flags, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return errno;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd);
            return EISDIR;
        }
        *out = fd;
        return 0;
    }

    void close(FileHandle h) override
    {
        if (h >= 0) ::close(int(h));
    }

    int size(FileHandle h, int64_t* out) override
    {
        struct stat st;
        if (::fstat(int(h), &st) != 0) return errno;
        *out = int64_t(st.st_size);
        return 0;
    }

    int read(FileHandle h, int64_t offset, char* buffer, int64_t len, int64_t* got) override
    {
        *got = 0;
        for (;;) {
            const ssize_t n = ::pread(int(h), buffer, size_t(len), off_t(offset));
            if (n >= 0) {
                *got = n;
                return 0;
            }
            if (errno != EINTR) return errno;
        }
    }

    int write(FileHandle h, int64_t offset, const char* buffer, int64_t len, int64_t* written) override
    {
        *written = 0;
        for (;;) {
            const ssize_t n = ::pwrite(int(h), buffer, size_t(len), off_t(offset));
            if (n >= 0) {
                *written = n;
                return 0;
            }
            if (errno != EINTR) return errno;
        }
    }

    int truncate(FileHandle h, int64_t len) override { return ::ftruncate(int(h), off_t(len)) == 0 ? 0 : errno; }

    int flush(FileHandle h) override
    {
        while (::fsync(int(h)) != 0) {
            if (errno != EINTR) return errno == EINVAL ? 0 : errno;  // EINVAL: nothing to sync on this kind of file
        }
        return 0;
    }

    LockResult lock(FileHandle h, LockKind kind, bool wait, int* error) override
    {
        *error = 0;
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);
        fl.l_type = kind == LockKind::Exclusive ? F_WRLCK : F_RDLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = 0;
        fl.l_len = 0;  // to the end of the file and beyond
        int command = wait ? F_SETLKW : F_SETLK;
#ifdef F_OFD_SETLK
        if (ofdSupport() != 0) command = wait ? F_OFD_SETLKW : F_OFD_SETLK;
#endif
        for (;;) {
            fl.l_pid = 0;
            if (::fcntl(int(h), command, &fl) == 0) break;
            const int e = errno;
            if (e == EINTR) continue;
#ifdef F_OFD_SETLK
            if (e == EINVAL && (command == F_OFD_SETLK || command == F_OFD_SETLKW)) {
                ofdSupport() = 0;  // an older system: classic record locks
                command = wait ? F_SETLKW : F_SETLK;
                continue;
            }
#endif
            *error = e;
            return (e == EAGAIN || e == EACCES) ? LockResult::Busy : LockResult::Failed;
        }
#ifdef F_OFD_SETLK
        if (command == F_OFD_SETLK || command == F_OFD_SETLKW) ofdSupport() = 1;
#endif
        return LockResult::Locked;
    }

    int unlock(FileHandle h) override
    {
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);
        fl.l_type = F_UNLCK;
        fl.l_whence = SEEK_SET;
        int command = F_SETLK;
#ifdef F_OFD_SETLK
        if (ofdSupport() == 1) command = F_OFD_SETLK;
#endif
        return ::fcntl(int(h), command, &fl) == 0 ? 0 : errno;
    }

    int identity(FileHandle h, FileIdentity* out) override
    {
        struct stat st;
        if (::fstat(int(h), &st) != 0) return errno;
        *out = FileIdentity{uint64_t(st.st_dev), uint64_t(st.st_ino)};
        return 0;
    }

    int identityAt(const std::filesystem::path& path, FileIdentity* out) override
    {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) return errno;
        *out = FileIdentity{uint64_t(st.st_dev), uint64_t(st.st_ino)};
        return 0;
    }

    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }

    int remove(const std::filesystem::path& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

    int flushFolder(const std::filesystem::path& folder) override
    {
        const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return errno;
        int e = 0;
        if (::fsync(fd) != 0 && errno != EINVAL) e = errno;
        ::close(fd);
        return e;
    }

    FileErrorKind kindOf(int e) const override
    {
        switch (e) {
        case 0: return FileErrorKind::None;
        case ENOENT:
        case ENOTDIR: return FileErrorKind::NotFound;
        case EAGAIN:
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK:
#endif
        case EBUSY:
        case ETXTBSY:
        case EDEADLK:
        case ENOLCK: return FileErrorKind::Busy;
        case EACCES:
        case EPERM:
        case EROFS: return FileErrorKind::Denied;
        default: return FileErrorKind::Other;
        }
    }

    std::string errorText(int e) const override
    {
        switch (e) {
        case 0: return "エラーはありません";
        case ENOENT: return "ファイルまたはフォルダが見つかりません";
        case ENOTDIR: return "フォルダが見つかりません";
        case EACCES:
        case EPERM: return "アクセスが許可されていません";
        case EROFS: return "読み取り専用の場所です";
        case EAGAIN:
        case EBUSY:
        case ETXTBSY: return "他のパソコンまたはプログラムが使用中です";
        case EDEADLK: return "ロックの待ち合わせが行き詰まりました";
        case ENOLCK: return "ロックが使えません";
        case ENOSPC: return "ディスクの空きがありません";
        case EDQUOT: return "ディスクの使用量の上限を超えました";
        case EIO: return "読み書きのエラーです";
        case EISDIR: return "フォルダです";
        case ESTALE: return "ネットワーク上のファイルが無効になりました";
        case EMFILE:
        case ENFILE: return "開いているファイルが多すぎます";
        default: return std::string("ファイルのエラーです（") + std::strerror(e) + "）";
        }
    }
};

} // namespace

IRecordIo& systemRecordIo()
{
    static PosixRecordIo io;
    return io;
}

} // namespace karuvel
#endif
