#include "platform/RecordFile.h"

#include <QFile>

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#endif

namespace karuvel {

RecordFile::~RecordFile() { close(); }

namespace {
std::atomic<bool> viewsAllowed{true};
}
void RecordFile::allowViews(bool allowed) { viewsAllowed = allowed; }

QString RecordFile::errorText() const { return systemErrorText(errorNumber_); }

#ifdef _WIN32

namespace {
FileErrorKind kindOf(int e)
{
    switch (e) {
    case 0: return FileErrorKind::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return FileErrorKind::NotFound;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_IO_PENDING: return FileErrorKind::Busy;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return FileErrorKind::Denied;
    default: return FileErrorKind::Other;
    }
}
} // namespace

QString systemErrorText(int e)
{
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, DWORD(e), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString s = n ? QString::fromWCharArray(text, int(n)).trimmed() : QStringLiteral("エラー %1").arg(e);
    if (text) LocalFree(text);
    return s;
}

void RecordFile::setError(int e)
{
    errorNumber_ = e;
    errorKind_ = kindOf(e);
}

bool RecordFile::open(const QString& path, Mode mode)
{
    close();
    path_ = path;
    const DWORD access = mode == Mode::Read ? GENERIC_READ : (GENERIC_READ | GENERIC_WRITE);
    const DWORD disposition = mode == Mode::Read ? OPEN_EXISTING : OPEN_ALWAYS;
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), access,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        setError(int(GetLastError()));
        return false;
    }
    handle_ = h;
    setError(0);
    return true;
}

bool RecordFile::isOpen() const { return handle_ != nullptr; }

// Views are not made on this system: the records are read in blocks.
const char* RecordFile::mapLocal(int64_t) { return nullptr; }
void RecordFile::unmap() {}
bool RecordFile::readView(const std::function<void()>& body, int* systemError)
{
    *systemError = 0;
    body();
    return true;
}

void RecordFile::close()
{
    if (!handle_) return;
    if (locked_) unlock();
    CloseHandle(HANDLE(handle_));
    handle_ = nullptr;
}

int64_t RecordFile::size()
{
    LARGE_INTEGER s;
    if (!GetFileSizeEx(HANDLE(handle_), &s)) {
        setError(int(GetLastError()));
        return -1;
    }
    return int64_t(s.QuadPart);
}

bool RecordFile::readAtConcurrently(int64_t offset, char* buffer, int64_t len, int64_t* got, int* systemError) const
{
    *got = 0;
    *systemError = 0;
    while (len > 0) {
        OVERLAPPED ov{};
        ov.Offset = DWORD(uint64_t(offset) & 0xffffffffu);
        ov.OffsetHigh = DWORD(uint64_t(offset) >> 32);
        DWORD n = 0;
        const DWORD want = DWORD(len > (1 << 30) ? (1 << 30) : len);
        if (!ReadFile(HANDLE(handle_), buffer, want, &n, &ov)) {
            const DWORD e = GetLastError();
            if (e == ERROR_HANDLE_EOF) return true;
            *systemError = int(e);
            return false;
        }
        if (n == 0) return true;
        *got += n;
        buffer += n;
        offset += n;
        len -= n;
    }
    return true;
}

bool RecordFile::writeAt(int64_t offset, const char* buffer, int64_t len)
{
    while (len > 0) {
        OVERLAPPED ov{};
        ov.Offset = DWORD(uint64_t(offset) & 0xffffffffu);
        ov.OffsetHigh = DWORD(uint64_t(offset) >> 32);
        DWORD n = 0;
        if (!WriteFile(HANDLE(handle_), buffer, DWORD(len), &n, &ov) || n == 0) {
            setError(int(GetLastError()));
            return false;
        }
        buffer += n;
        offset += n;
        len -= n;
    }
    return true;
}

bool RecordFile::truncate(int64_t len)
{
    FILE_END_OF_FILE_INFO info;
    info.EndOfFile.QuadPart = len;
    if (!SetFileInformationByHandle(HANDLE(handle_), FileEndOfFileInfo, &info, sizeof info)) {
        setError(int(GetLastError()));
        return false;
    }
    return true;
}

LockResult RecordFile::lock(LockKind kind, bool wait)
{
    OVERLAPPED ov{};
    DWORD flags = kind == LockKind::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
    if (!wait) flags |= LOCKFILE_FAIL_IMMEDIATELY;
    if (!LockFileEx(HANDLE(handle_), flags, 0, MAXDWORD, MAXDWORD, &ov)) {
        setError(int(GetLastError()));
        return errorKind_ == FileErrorKind::Busy ? LockResult::Busy : LockResult::Failed;
    }
    locked_ = true;
    return LockResult::Locked;
}

bool RecordFile::unlock()
{
    if (!locked_) return true;
    OVERLAPPED ov{};
    locked_ = false;
    if (!UnlockFileEx(HANDLE(handle_), 0, MAXDWORD, MAXDWORD, &ov)) {
        setError(int(GetLastError()));
        return false;
    }
    return true;
}

bool RecordFile::identity(FileIdentity* out)
{
    BY_HANDLE_FILE_INFORMATION a;
    if (!GetFileInformationByHandle(HANDLE(handle_), &a)) {
        setError(int(GetLastError()));
        return false;
    }
    out->volume = a.dwVolumeSerialNumber;
    out->file = (uint64_t(a.nFileIndexHigh) << 32) | a.nFileIndexLow;
    return true;
}

bool RecordFile::stillAtPath() const
{
    if (!handle_) return false;
    HANDLE there = CreateFileW(reinterpret_cast<const wchar_t*>(path_.utf16()), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (there == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION a, b;
    const bool same = GetFileInformationByHandle(HANDLE(handle_), &a) && GetFileInformationByHandle(there, &b) &&
                      a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                      a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(there);
    return same;
}

#else  // POSIX

namespace {
FileErrorKind kindOf(int e)
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

// Whether open-file-description locks work here; decided at the first lock.
#ifdef F_OFD_SETLK
int& ofdSupport()
{
    static int s = -1;  // -1 unknown, 0 no, 1 yes
    return s;
}
#endif
} // namespace

QString systemErrorText(int e)
{
    switch (e) {
    case 0: return QStringLiteral("エラーはありません");
    case ENOENT: return QStringLiteral("ファイルまたはフォルダが見つかりません");
    case ENOTDIR: return QStringLiteral("フォルダが見つかりません");
    case EACCES:
    case EPERM: return QStringLiteral("アクセスが許可されていません");
    case EROFS: return QStringLiteral("読み取り専用の場所です");
    case EAGAIN:
    case EBUSY:
    case ETXTBSY: return QStringLiteral("他のパソコンまたはプログラムが使用中です");
    case EDEADLK: return QStringLiteral("ロックの待ち合わせが行き詰まりました");
    case ENOLCK: return QStringLiteral("ロックが使えません");
    case ENOSPC: return QStringLiteral("ディスクの空きがありません");
    case EDQUOT: return QStringLiteral("ディスクの使用量の上限を超えました");
    case EIO: return QStringLiteral("読み書きのエラーです");
    case EISDIR: return QStringLiteral("フォルダです");
    case ESTALE: return QStringLiteral("ネットワーク上のファイルが無効になりました");
    case EMFILE:
    case ENFILE: return QStringLiteral("開いているファイルが多すぎます");
    default: return QStringLiteral("ファイルのエラーです（%1）").arg(QString::fromLocal8Bit(std::strerror(e)));
    }
}

void RecordFile::setError(int e)
{
    errorNumber_ = e;
    errorKind_ = kindOf(e);
}

bool RecordFile::open(const QString& path, Mode mode)
{
    close();
    path_ = path;
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do {
        fd = mode == Mode::Read ? ::open(name.constData(), O_RDONLY | O_CLOEXEC)
                                : ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        setError(errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        setError(EISDIR);
        return false;
    }
    fd_ = fd;
    setError(0);
    return true;
}

bool RecordFile::isOpen() const { return fd_ >= 0; }

namespace {
// File systems on a disk of this PC (or in its memory), by their magic number.
bool onLocalDisk(int fd)
{
    struct statfs fs;
    if (::fstatfs(fd, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53UL:      // ext2, ext3, ext4
    case 0x58465342UL:  // xfs
    case 0x9123683EUL:  // btrfs
    case 0xF2F52010UL:  // f2fs
    case 0x2FC12FC1UL:  // zfs
    case 0x01021994UL:  // tmpfs
    case 0x858458F6UL:  // ramfs
    case 0x794C7630UL:  // overlay (containers, over a local disk)
        return true;
    default:
        return false;  // NFS, SMB/CIFS, FUSE and anything unknown: read in blocks
    }
}
} // namespace

const char* RecordFile::mapLocal(int64_t length)
{
    unmap();
    if (fd_ < 0 || length <= 0 || !locked_ || !viewsAllowed || !onLocalDisk(fd_)) return nullptr;
    void* view = ::mmap(nullptr, size_t(length), PROT_READ, MAP_SHARED, fd_, 0);
    if (view == MAP_FAILED) return nullptr;
    view_ = view;
    viewLength_ = length;
    return static_cast<const char*>(view);
}

namespace {
// The guard of the thread that is reading a view, if it is.
thread_local sigjmp_buf* viewGuard = nullptr;
struct sigaction busActionBefore;

// A page of a mapped file could not be read. In a view's read the read is
// left; anywhere else the signal goes where it went before (the fault comes
// again when this returns).
void onBusError(int, siginfo_t*, void*)
{
    if (sigjmp_buf* guard = viewGuard) {
        viewGuard = nullptr;
        siglongjmp(*guard, 1);
    }
    ::sigaction(SIGBUS, &busActionBefore, nullptr);
}

void catchBusErrors()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction a;
        std::memset(&a, 0, sizeof a);
        a.sa_sigaction = onBusError;
        a.sa_flags = SA_SIGINFO;
        sigemptyset(&a.sa_mask);
        ::sigaction(SIGBUS, &a, &busActionBefore);
    });
}
} // namespace

bool RecordFile::readView(const std::function<void()>& body, int* systemError)
{
    catchBusErrors();
    *systemError = 0;
    sigjmp_buf guard;
    if (sigsetjmp(guard, 1) != 0) {
        *systemError = EIO;
        return false;
    }
    viewGuard = &guard;
    body();
    viewGuard = nullptr;
    return true;
}

void RecordFile::unmap()
{
    if (!view_) return;
    ::munmap(view_, size_t(viewLength_));
    view_ = nullptr;
    viewLength_ = 0;
}

void RecordFile::close()
{
    unmap();
    if (fd_ < 0) return;
    if (locked_) unlock();
    ::close(fd_);
    fd_ = -1;
}

int64_t RecordFile::size()
{
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
        setError(errno);
        return -1;
    }
    return int64_t(st.st_size);
}

bool RecordFile::readAtConcurrently(int64_t offset, char* buffer, int64_t len, int64_t* got, int* systemError) const
{
    *got = 0;
    *systemError = 0;
    while (len > 0) {
        const ssize_t n = ::pread(fd_, buffer, size_t(len), off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            *systemError = errno;
            return false;
        }
        if (n == 0) return true;
        *got += n;
        buffer += n;
        offset += n;
        len -= n;
    }
    return true;
}

bool RecordFile::writeAt(int64_t offset, const char* buffer, int64_t len)
{
    while (len > 0) {
        const ssize_t n = ::pwrite(fd_, buffer, size_t(len), off_t(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            setError(errno);
            return false;
        }
        if (n == 0) {
            setError(EIO);
            return false;
        }
        buffer += n;
        offset += n;
        len -= n;
    }
    return true;
}

bool RecordFile::truncate(int64_t len)
{
    if (::ftruncate(fd_, off_t(len)) != 0) {
        setError(errno);
        return false;
    }
    return true;
}

LockResult RecordFile::lock(LockKind kind, bool wait)
{
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
        if (::fcntl(fd_, command, &fl) == 0) break;
        const int e = errno;
        if (e == EINTR) continue;
#ifdef F_OFD_SETLK
        if (e == EINVAL && (command == F_OFD_SETLK || command == F_OFD_SETLKW)) {
            ofdSupport() = 0;  // an older system: classic record locks
            command = wait ? F_SETLKW : F_SETLK;
            continue;
        }
#endif
        setError(e);
        return (e == EAGAIN || e == EACCES) ? LockResult::Busy : LockResult::Failed;
    }
#ifdef F_OFD_SETLK
    if (command == F_OFD_SETLK || command == F_OFD_SETLKW) ofdSupport() = 1;
#endif
    locked_ = true;
    if (errorKind_ != FileErrorKind::None) setError(0);
    return LockResult::Locked;
}

bool RecordFile::unlock()
{
    if (!locked_) return true;
    unmap();  // without the lock a writer could cut the file under the view
    locked_ = false;
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    int command = F_SETLK;
#ifdef F_OFD_SETLK
    if (ofdSupport() == 1) command = F_OFD_SETLK;
#endif
    if (::fcntl(fd_, command, &fl) != 0) {
        setError(errno);
        return false;
    }
    return true;
}

bool RecordFile::identity(FileIdentity* out)
{
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
        setError(errno);
        return false;
    }
    out->volume = uint64_t(st.st_dev);
    out->file = uint64_t(st.st_ino);
    return true;
}

bool RecordFile::stillAtPath() const
{
    if (fd_ < 0) return false;
    struct stat mine, there;
    if (::fstat(fd_, &mine) != 0) return false;
    if (::stat(QFile::encodeName(path_).constData(), &there) != 0) return false;
    return mine.st_dev == there.st_dev && mine.st_ino == there.st_ino;
}

#endif

LockResult RecordFile::tryLock(LockKind kind) { return lock(kind, false); }
LockResult RecordFile::lockWait(LockKind kind) { return lock(kind, true); }

bool RecordFile::readAt(int64_t offset, char* buffer, int64_t len, int64_t* got)
{
    int e = 0;
    if (readAtConcurrently(offset, buffer, len, got, &e)) return true;
    setError(e);
    return false;
}

} // namespace karuvel
