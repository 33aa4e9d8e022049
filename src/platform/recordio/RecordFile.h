#pragma once
// A file of fixed-length records shared by several processes and PCs, with a
// lock over the whole file. On POSIX systems the lock is an open-file-
// description lock (F_OFD_SETLK) where the system has it, else a classic
// fcntl record lock; on Windows it is LockFileEx over the whole range. Locks
// are advisory between cooperating programs: every writer of the file takes
// the exclusive lock, every reader that wants a consistent view the shared one.
// Every system call goes through recordIo() (see RecordIo.h).
#include "platform/recordio/RecordIo.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace karuvel {

class RecordFile {
public:
    enum class Mode {
        Read,             // read only; the file must exist
        ReadWrite,        // read and write; the file must exist
        ReadWriteCreate,  // read and write; created empty when absent
        CreateFresh,      // read and write; created empty, emptied when present
    };

    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    bool open(const std::filesystem::path& path, Mode mode);
    bool isOpen() const { return handle_ != kNoFile; }
    // Closes the file; any lock held through it goes with it.
    void close();

    // Length in bytes, -1 on failure.
    int64_t size();
    // Reads up to len bytes at offset; *got is what was read (short at the end).
    bool readAt(int64_t offset, char* buffer, int64_t len, int64_t* got);
    // The same read, safe to run from several threads at once on one open
    // file: it changes nothing in this object and tells a failure's system
    // number in *systemError. adoptError makes such a failure the last one.
    bool readAtConcurrently(int64_t offset, char* buffer, int64_t len, int64_t* got, int* systemError) const;
    void adoptError(int systemError) { setError(systemError); }
    // Writes all len bytes at offset (a short write is continued; a write
    // that makes no progress fails with an I/O error).
    bool writeAt(int64_t offset, const char* buffer, int64_t len);
    bool truncate(int64_t len);
    // Sends what was written to the disk.
    bool flush();

    // Locks the whole file (also the part beyond its end) without waiting.
    LockResult tryLock(LockKind kind);
    // Locks the whole file, waiting as long as another holder keeps it.
    LockResult lockWait(LockKind kind);
    bool unlock();
    bool locked() const { return locked_; }

    // The file this one is (volume and file number); false on failure.
    bool identity(FileIdentity* out);
    // False when the path now names another file than the one opened (the
    // file was replaced by a rewrite while this one was open).
    bool stillAtPath() const;

    // The last failure: its kind, the system's number and a description (UTF-8).
    FileErrorKind errorKind() const { return errorKind_; }
    int errorNumber() const { return errorNumber_; }
    std::string errorText() const;

    const std::filesystem::path& path() const { return path_; }
    FileHandle handle() const { return handle_; }

private:
    void setError(int systemError);
    LockResult lock(LockKind kind, bool wait);

    std::filesystem::path path_;
    FileHandle handle_ = kNoFile;
    IRecordIo* io_ = nullptr;  // the operations the file was opened with
    bool locked_ = false;
    FileErrorKind errorKind_ = FileErrorKind::None;
    int errorNumber_ = 0;
};

// A description of a system error number of this platform (UTF-8).
std::string systemErrorText(int systemError);

} // namespace karuvel
