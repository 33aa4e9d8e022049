#pragma once
// The system's file operations under the shared record files, one small
// interface with a real implementation per system (POSIX: open/pread/pwrite,
// fcntl locks; Windows: CreateFileW, ReadFile/WriteFile, LockFileEx). Nothing
// here knows Qt: paths are std::filesystem::path (wide on Windows), texts are
// UTF-8. Everything above (RecordFile, SharedFile) calls through recordIo(),
// so that a test can put in an implementation that fails on purpose (a full
// disk at the n-th write, a short write, a read error in the middle of the
// file, a lock that never comes) and see what the program makes of it.
#include <cstdint>
#include <filesystem>
#include <string>

namespace karuvel {

// What kind of failure an operation met, independent of the system.
enum class FileErrorKind {
    None,
    NotFound,  // the file or its folder does not exist
    Busy,      // another process holds the file or its lock (sharing error)
    Denied,    // no permission
    Other,     // anything else (device error, disk full, ...)
};

enum class LockKind { Shared, Exclusive };
enum class LockResult { Locked, Busy, Failed };

// Which file a handle or a path stands for: the volume and the file's number
// on it (device and inode on POSIX, volume serial and file index on Windows).
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t file = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// An open file of the system (a descriptor on POSIX, a HANDLE on Windows);
// kNoFile when none.
using FileHandle = intptr_t;
constexpr FileHandle kNoFile = -1;

// System error numbers of this system for the failures tests make on purpose.
struct SystemErrors {
    int diskFull;
    int io;
    int busy;      // a lock or sharing violation
    int notFound;
    int denied;
};
const SystemErrors& systemErrors();

class IRecordIo {
public:
    enum class OpenMode {
        Read,             // read only; the file must exist
        ReadWrite,        // read and write; the file must exist
        ReadWriteCreate,  // read and write; created empty when absent
        CreateFresh,      // read and write; created empty, emptied when present
    };

    virtual ~IRecordIo() = default;

    // Every operation answers 0 for success or the system's error number.
    // Files are opened so that every other process may open, read, write,
    // rename and delete them meanwhile (the shared folder of several PCs).
    virtual int open(const std::filesystem::path& path, OpenMode mode, FileHandle* out) = 0;
    virtual void close(FileHandle h) = 0;
    virtual int size(FileHandle h, int64_t* out) = 0;
    // One read of at most len bytes at offset; *got is what came (0 at the
    // end, short is allowed). Safe from several threads at once on one handle.
    virtual int read(FileHandle h, int64_t offset, char* buffer, int64_t len, int64_t* got) = 0;
    // One write of at most len bytes at offset; *written may be short.
    virtual int write(FileHandle h, int64_t offset, const char* buffer, int64_t len, int64_t* written) = 0;
    virtual int truncate(FileHandle h, int64_t len) = 0;
    // Sends what was written to the disk (fsync, FlushFileBuffers).
    virtual int flush(FileHandle h) = 0;
    // Locks the whole file, also beyond its end. Busy when another open file
    // holds a lock that conflicts (only without wait); *error tells a failure.
    virtual LockResult lock(FileHandle h, LockKind kind, bool wait, int* error) = 0;
    virtual int unlock(FileHandle h) = 0;
    virtual int identity(FileHandle h, FileIdentity* out) = 0;
    virtual int identityAt(const std::filesystem::path& path, FileIdentity* out) = 0;
    // Renames from over to (to is replaced when present). Only for files that
    // nobody holds open: on Windows an open file cannot be replaced.
    virtual int rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    virtual int remove(const std::filesystem::path& path) = 0;
    // Sends the folder's entries to the disk after a rename (nothing on Windows).
    virtual int flushFolder(const std::filesystem::path& folder) = 0;

    virtual FileErrorKind kindOf(int error) const = 0;
    // A Japanese (on Windows: the system's) description, UTF-8.
    virtual std::string errorText(int error) const = 0;
};

// The operations in force: the system's own until a test installs others. A
// RecordFile keeps the operations that were in force when it was opened.
IRecordIo& recordIo();
// Installs io (nullptr: the system's own again); answers the one before.
IRecordIo* setRecordIo(IRecordIo* io);
// The system's own operations.
IRecordIo& systemRecordIo();

} // namespace karuvel
