#pragma once
// File operations that fail on purpose, for tests of what the program does
// when the disk is full, a read fails in the middle of the file, a lock never
// comes, or the process dies in the middle of a write. Everything else goes
// to the system's own operations. No Qt: the Windows build of the layer's
// tests uses it too.
#include "platform/recordio/RecordIo.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace karuvel::test {

class FaultyRecordIo : public IRecordIo {
public:
    // Calls are counted from 1, per kind, from construction on (or reset()).
    int writes = 0;
    int reads = 0;
    int flushes = 0;
    int renames = 0;
    int locks = 0;
    int truncates = 0;
    int changes = 0;  // writes, truncates, flushes, renames and removes together

    // The n-th write fails with writeError (a full disk unless set) and writes nothing.
    int failWriteAt = 0;
    int writeError = 0;
    // The n-th write writes only the first half of what it was given (at least one byte).
    int shortWriteAt = 0;
    // Every read that reaches into the bytes from this offset on fails with readError
    // (an I/O error unless set); the bytes before it are read.
    int64_t failReadFrom = -1;
    int readError = 0;
    // Every read of a path ending in this (e.g. a journal) fails the same way; empty: none.
    std::string failReadsOf;
    // Every lock answers Busy, as when another PC holds it for ever.
    bool lockNeverComes = false;
    // The n-th flush / rename / truncate fails with an I/O error.
    int failFlushAt = 0;
    int failRenameAt = 0;
    int failTruncateAt = 0;
    // The process ends at once (std::_Exit(kDiedCode), no clean-up, as if
    // killed) just before the n-th change; with dieHalfWay a write that is
    // due writes half its bytes first.
    int dieAtChange = 0;
    bool dieHalfWay = false;
    static constexpr int kDiedCode = 70;

    explicit FaultyRecordIo(IRecordIo& real = systemRecordIo()) : real_(real) {}
    void reset();

    int open(const std::filesystem::path& path, OpenMode mode, FileHandle* out) override;
    void close(FileHandle h) override;
    int size(FileHandle h, int64_t* out) override { return real_.size(h, out); }
    int read(FileHandle h, int64_t offset, char* buffer, int64_t len, int64_t* got) override;
    int write(FileHandle h, int64_t offset, const char* buffer, int64_t len, int64_t* written) override;
    int truncate(FileHandle h, int64_t len) override;
    int flush(FileHandle h) override;
    LockResult lock(FileHandle h, LockKind kind, bool wait, int* error) override;
    int unlock(FileHandle h) override { return real_.unlock(h); }
    int identity(FileHandle h, FileIdentity* out) override { return real_.identity(h, out); }
    int identityAt(const std::filesystem::path& path, FileIdentity* out) override { return real_.identityAt(path, out); }
    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override;
    int remove(const std::filesystem::path& path) override;
    int flushFolder(const std::filesystem::path& folder) override { return real_.flushFolder(folder); }
    FileErrorKind kindOf(int error) const override { return real_.kindOf(error); }
    std::string errorText(int error) const override { return real_.errorText(error); }

private:
    // Counts a change; ends the process when it is the one to die at.
    void change(FileHandle h = kNoFile, int64_t offset = 0, const char* buffer = nullptr, int64_t len = 0);
    bool pathFails(FileHandle h) const;

    IRecordIo& real_;
    FileHandle failingHandles_[64] = {};
    int failingCount_ = 0;
};

// Installs io for the lifetime of the object.
class RecordIoInstalled {
public:
    explicit RecordIoInstalled(IRecordIo& io) : before_(setRecordIo(&io)) {}
    ~RecordIoInstalled() { setRecordIo(before_ == &systemRecordIo() ? nullptr : before_); }
    RecordIoInstalled(const RecordIoInstalled&) = delete;
    RecordIoInstalled& operator=(const RecordIoInstalled&) = delete;

private:
    IRecordIo* before_;
};

} // namespace karuvel::test
