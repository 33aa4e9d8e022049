#include "platform/recordio/RecordFile.h"

#include <atomic>

namespace karuvel {

namespace {
std::atomic<IRecordIo*> installedIo{nullptr};
} // namespace

IRecordIo& recordIo()
{
    IRecordIo* io = installedIo.load();
    return io ? *io : systemRecordIo();
}

IRecordIo* setRecordIo(IRecordIo* io)
{
    IRecordIo* before = installedIo.exchange(io);
    return before ? before : &systemRecordIo();
}

std::string systemErrorText(int systemError) { return recordIo().errorText(systemError); }

RecordFile::~RecordFile() { close(); }

void RecordFile::setError(int e)
{
    errorNumber_ = e;
    errorKind_ = (io_ ? io_ : &recordIo())->kindOf(e);
}

std::string RecordFile::errorText() const { return (io_ ? io_ : &recordIo())->errorText(errorNumber_); }

bool RecordFile::open(const std::filesystem::path& path, Mode mode)
{
    close();
    path_ = path;
    io_ = &recordIo();
    IRecordIo::OpenMode m = IRecordIo::OpenMode::Read;
    if (mode == Mode::ReadWrite) m = IRecordIo::OpenMode::ReadWrite;
    if (mode == Mode::ReadWriteCreate) m = IRecordIo::OpenMode::ReadWriteCreate;
    if (mode == Mode::CreateFresh) m = IRecordIo::OpenMode::CreateFresh;
    FileHandle h = kNoFile;
    const int e = io_->open(path, m, &h);
    setError(e);
    if (e != 0) return false;
    handle_ = h;
    return true;
}

void RecordFile::close()
{
    if (handle_ == kNoFile) return;
    if (locked_) unlock();
    io_->close(handle_);
    handle_ = kNoFile;
}

int64_t RecordFile::size()
{
    int64_t n = 0;
    if (const int e = io_->size(handle_, &n)) {
        setError(e);
        return -1;
    }
    return n;
}

bool RecordFile::readAtConcurrently(int64_t offset, char* buffer, int64_t len, int64_t* got, int* systemError) const
{
    *got = 0;
    *systemError = 0;
    while (len > 0) {
        int64_t n = 0;
        if (const int e = io_->read(handle_, offset, buffer, len, &n)) {
            *systemError = e;
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

bool RecordFile::readAt(int64_t offset, char* buffer, int64_t len, int64_t* got)
{
    int e = 0;
    if (readAtConcurrently(offset, buffer, len, got, &e)) return true;
    setError(e);
    return false;
}

bool RecordFile::writeAt(int64_t offset, const char* buffer, int64_t len)
{
    while (len > 0) {
        int64_t n = 0;
        if (const int e = io_->write(handle_, offset, buffer, len, &n)) {
            setError(e);
            return false;
        }
        if (n <= 0) {
            setError(systemErrors().io);
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
    if (const int e = io_->truncate(handle_, len)) {
        setError(e);
        return false;
    }
    return true;
}

bool RecordFile::flush()
{
    if (const int e = io_->flush(handle_)) {
        setError(e);
        return false;
    }
    return true;
}

LockResult RecordFile::lock(LockKind kind, bool wait)
{
    int e = 0;
    const LockResult r = io_->lock(handle_, kind, wait, &e);
    if (r != LockResult::Locked) {
        setError(e);
        return r;
    }
    locked_ = true;
    if (errorKind_ != FileErrorKind::None) setError(0);
    return r;
}

LockResult RecordFile::tryLock(LockKind kind) { return lock(kind, false); }
LockResult RecordFile::lockWait(LockKind kind) { return lock(kind, true); }

bool RecordFile::unlock()
{
    if (!locked_) return true;
    locked_ = false;
    if (const int e = io_->unlock(handle_)) {
        setError(e);
        return false;
    }
    return true;
}

bool RecordFile::identity(FileIdentity* out)
{
    if (const int e = io_->identity(handle_, out)) {
        setError(e);
        return false;
    }
    return true;
}

bool RecordFile::stillAtPath() const
{
    if (handle_ == kNoFile) return false;
    FileIdentity mine, there;
    if (io_->identity(handle_, &mine) != 0) return false;
    if (io_->identityAt(path_, &there) != 0) return false;
    return mine == there;
}

} // namespace karuvel
