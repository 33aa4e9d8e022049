// The file operations on Windows: wide-character paths, every file opened
// with FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE (so that every
// PC can open, read and append while others have it open), positional reads
// and writes through OVERLAPPED offsets, and LockFileEx over the whole range
// of 2^64 bytes. Locks on Windows are mandatory: while one handle holds the
// exclusive lock, reads and writes through any other handle fail with
// ERROR_LOCK_VIOLATION, and under a shared lock nobody writes; the program
// takes the locks before it reads or writes anyway. A file that others hold
// open cannot be renamed over or deleted, so the shared results file is
// rewritten in place (see SharedFile.h).
#ifdef _WIN32
#include "platform/recordio/RecordFile.h"
#include "platform/recordio/RecordIo.h"

#include <windows.h>

namespace karuvel {

const SystemErrors& systemErrors()
{
    static const SystemErrors e{ERROR_DISK_FULL, ERROR_WRITE_FAULT, ERROR_LOCK_VIOLATION, ERROR_FILE_NOT_FOUND,
                                ERROR_ACCESS_DENIED};
    return e;
}

namespace {

HANDLE handleOf(FileHandle h) { return reinterpret_cast<HANDLE>(h); }

OVERLAPPED at(int64_t offset)
{
    OVERLAPPED ov{};
    ov.Offset = DWORD(uint64_t(offset) & 0xffffffffu);
    ov.OffsetHigh = DWORD(uint64_t(offset) >> 32);
    return ov;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string utf8(const wchar_t* text, int length)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
    return out;
}

class WindowsRecordIo : public IRecordIo {
public:
    int open(const std::filesystem::path& path, OpenMode mode, FileHandle* out) override
    {
        *out = kNoFile;
        DWORD access = GENERIC_READ | GENERIC_WRITE;
        DWORD disposition = OPEN_EXISTING;
        switch (mode) {
        case OpenMode::Read: access = GENERIC_READ; break;
        case OpenMode::ReadWrite: break;
        case OpenMode::ReadWriteCreate: disposition = OPEN_ALWAYS; break;
        case OpenMode::CreateFresh: disposition = CREATE_ALWAYS; break;
        }
        const HANDLE h =
            CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return int(GetLastError());
        *out = reinterpret_cast<FileHandle>(h);
        return 0;
    }

    void close(FileHandle h) override
    {
        if (h != kNoFile) CloseHandle(handleOf(h));
    }

    int size(FileHandle h, int64_t* out) override
    {
        LARGE_INTEGER s;
        if (!GetFileSizeEx(handleOf(h), &s)) return int(GetLastError());
        *out = int64_t(s.QuadPart);
        return 0;
    }

    int read(FileHandle h, int64_t offset, char* buffer, int64_t len, int64_t* got) override
    {
        *got = 0;
        OVERLAPPED ov = at(offset);
        DWORD n = 0;
        const DWORD want = DWORD(len > (1 << 30) ? (1 << 30) : len);
        if (!ReadFile(handleOf(h), buffer, want, &n, &ov)) {
            const DWORD e = GetLastError();
            return e == ERROR_HANDLE_EOF ? 0 : int(e);
        }
        *got = n;
        return 0;
    }

    int write(FileHandle h, int64_t offset, const char* buffer, int64_t len, int64_t* written) override
    {
        *written = 0;
        OVERLAPPED ov = at(offset);
        DWORD n = 0;
        const DWORD want = DWORD(len > (1 << 30) ? (1 << 30) : len);
        if (!WriteFile(handleOf(h), buffer, want, &n, &ov)) return int(GetLastError());
        *written = n;
        return 0;
    }

    int truncate(FileHandle h, int64_t len) override
    {
        FILE_END_OF_FILE_INFO info;
        info.EndOfFile.QuadPart = len;
        return SetFileInformationByHandle(handleOf(h), FileEndOfFileInfo, &info, sizeof info) ? 0
                                                                                               : int(GetLastError());
    }

    int flush(FileHandle h) override { return FlushFileBuffers(handleOf(h)) ? 0 : int(GetLastError()); }

    LockResult lock(FileHandle h, LockKind kind, bool wait, int* error) override
    {
        *error = 0;
        OVERLAPPED ov{};
        DWORD flags = kind == LockKind::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
        if (!wait) flags |= LOCKFILE_FAIL_IMMEDIATELY;
        if (LockFileEx(handleOf(h), flags, 0, MAXDWORD, MAXDWORD, &ov)) return LockResult::Locked;
        *error = int(GetLastError());
        return kindOf(*error) == FileErrorKind::Busy ? LockResult::Busy : LockResult::Failed;
    }

    int unlock(FileHandle h) override
    {
        OVERLAPPED ov{};
        return UnlockFileEx(handleOf(h), 0, MAXDWORD, MAXDWORD, &ov) ? 0 : int(GetLastError());
    }

    int identity(FileHandle h, FileIdentity* out) override
    {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(handleOf(h), &info)) return int(GetLastError());
        *out = FileIdentity{info.dwVolumeSerialNumber, (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
        return 0;
    }

    int identityAt(const std::filesystem::path& path, FileIdentity* out) override
    {
        // No access asked for: this opens also a file that others hold locked.
        const HANDLE there = CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (there == INVALID_HANDLE_VALUE) return int(GetLastError());
        const int e = identity(reinterpret_cast<FileHandle>(there), out);
        CloseHandle(there);
        return e;
    }

    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                   ? 0
                   : int(GetLastError());
    }

    int remove(const std::filesystem::path& path) override
    {
        return DeleteFileW(path.c_str()) ? 0 : int(GetLastError());
    }

    // A rename with MOVEFILE_WRITE_THROUGH is on the disk when it returns.
    int flushFolder(const std::filesystem::path&) override { return 0; }

    FileErrorKind kindOf(int e) const override
    {
        switch (DWORD(e)) {
        case 0: return FileErrorKind::None;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_DRIVE: return FileErrorKind::NotFound;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_IO_PENDING: return FileErrorKind::Busy;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT: return FileErrorKind::Denied;
        default: return FileErrorKind::Other;
        }
    }

    std::string errorText(int e) const override
    {
        switch (DWORD(e)) {
        case 0: return "エラーはありません";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME: return "ファイルまたはフォルダが見つかりません";
        case ERROR_ACCESS_DENIED: return "アクセスが許可されていません";
        case ERROR_WRITE_PROTECT: return "書き込み禁止の場所です";
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return "他のパソコンまたはプログラムが使用中です";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return "ディスクの空きがありません";
        case ERROR_NETNAME_DELETED:
        case ERROR_UNEXP_NET_ERR: return "ネットワークの接続が切れました";
        default: break;
        }
        wchar_t* text = nullptr;
        const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                           FORMAT_MESSAGE_IGNORE_INSERTS,
                                       nullptr, DWORD(e), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::string s = "ファイルのエラーです";
        if (n) {
            DWORD len = n;
            while (len > 0 && (text[len - 1] == L'\r' || text[len - 1] == L'\n' || text[len - 1] == L' ')) --len;
            s += "（" + utf8(text, int(len)) + "）";
        }
        if (text) LocalFree(text);
        return s;
    }
};

} // namespace

IRecordIo& systemRecordIo()
{
    static WindowsRecordIo io;
    return io;
}

} // namespace karuvel
#endif
