#include "FaultyRecordIo.h"

#include <algorithm>
#include <cstdlib>

namespace karuvel::test {

namespace {
bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
} // namespace

void FaultyRecordIo::reset()
{
    writes = reads = flushes = renames = locks = truncates = changes = 0;
    failWriteAt = shortWriteAt = failFlushAt = failRenameAt = failTruncateAt = dieAtChange = 0;
    writeError = readError = 0;
    failReadFrom = -1;
    failReadsOf.clear();
    failLookupsOf.clear();
    lookupError = 0;
    lookupFailures = -1;
    lockNeverComes = dieHalfWay = false;
}

int FaultyRecordIo::open(const std::filesystem::path& path, OpenMode mode, FileHandle* out)
{
    const int e = real_.open(path, mode, out);
    const std::u8string name = path.u8string();
    if (e == 0 && !failReadsOf.empty() && endsWith(std::string(name.begin(), name.end()), failReadsOf) &&
        failingCount_ < 64)
        failingHandles_[failingCount_++] = *out;
    return e;
}

void FaultyRecordIo::close(FileHandle h)
{
    FileHandle* end = failingHandles_ + failingCount_;
    failingCount_ = int(std::remove(failingHandles_, end, h) - failingHandles_);
    real_.close(h);
}

bool FaultyRecordIo::pathFails(FileHandle h) const
{
    return std::find(failingHandles_, failingHandles_ + failingCount_, h) != failingHandles_ + failingCount_;
}

int FaultyRecordIo::read(FileHandle h, int64_t offset, char* buffer, int64_t len, int64_t* got)
{
    ++reads;
    *got = 0;
    const int error = readError ? readError : systemErrors().io;
    if (pathFails(h)) return error;
    if (failReadFrom >= 0 && offset + len > failReadFrom) {
        if (offset >= failReadFrom) return error;
        len = failReadFrom - offset;  // the bytes before the bad place come; the next read fails
    }
    return real_.read(h, offset, buffer, len, got);
}

void FaultyRecordIo::change(FileHandle h, int64_t offset, const char* buffer, int64_t len)
{
    ++changes;
    if (dieAtChange == 0 || changes != dieAtChange) return;
    if (dieHalfWay && buffer && len > 1) {
        int64_t written = 0;
        real_.write(h, offset, buffer, len / 2, &written);
    }
    std::_Exit(kDiedCode);
}

int FaultyRecordIo::write(FileHandle h, int64_t offset, const char* buffer, int64_t len, int64_t* written)
{
    ++writes;
    change(h, offset, buffer, len);
    *written = 0;
    if (writes == failWriteAt) return writeError ? writeError : systemErrors().diskFull;
    if (writes == shortWriteAt && len > 1) len /= 2;
    return real_.write(h, offset, buffer, len, written);
}

int FaultyRecordIo::truncate(FileHandle h, int64_t len)
{
    ++truncates;
    change();
    if (truncates == failTruncateAt) return systemErrors().io;
    return real_.truncate(h, len);
}

int FaultyRecordIo::flush(FileHandle h)
{
    ++flushes;
    change();
    if (flushes == failFlushAt) return systemErrors().io;
    return real_.flush(h);
}

LockResult FaultyRecordIo::lock(FileHandle h, LockKind kind, bool wait, int* error)
{
    ++locks;
    if (lockNeverComes) {
        *error = systemErrors().busy;
        return LockResult::Busy;
    }
    return real_.lock(h, kind, wait, error);
}

int FaultyRecordIo::identityAt(const std::filesystem::path& path, FileIdentity* out)
{
    const std::u8string name = path.u8string();
    if (!failLookupsOf.empty() && lookupFailures != 0 && endsWith(std::string(name.begin(), name.end()), failLookupsOf)) {
        if (lookupFailures > 0) --lookupFailures;
        return lookupError ? lookupError : systemErrors().io;
    }
    return real_.identityAt(path, out);
}

int FaultyRecordIo::rename(const std::filesystem::path& from, const std::filesystem::path& to)
{
    ++renames;
    change();
    if (renames == failRenameAt) return systemErrors().io;
    return real_.rename(from, to);
}

int FaultyRecordIo::remove(const std::filesystem::path& path)
{
    change();
    return real_.remove(path);
}

} // namespace karuvel::test
