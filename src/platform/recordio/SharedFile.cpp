#include "platform/recordio/SharedFile.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>

namespace karuvel {

namespace {

#ifdef _WIN32
std::atomic<Replacement> replacementInForce{Replacement::InPlace};
#else
std::atomic<Replacement> replacementInForce{Replacement::Rename};
#endif

// The journal: this magic, the length of the contents and their checksum
// (both little-endian, 8 bytes each), then the contents.
constexpr char kJournalMagic[16] = {'K', 'a', 'r', 'u', 'v', 'e', 'l', ' ', 'r', 'e', 'w', 'r', 'i', 't', 'e', '\n'};
constexpr int64_t kJournalHeader = 32;

uint64_t checksum(const char* p, int64_t n)
{
    uint64_t h = 1469598103934665603ull;  // FNV-1a, 64 bits
    for (int64_t i = 0; i < n; ++i) {
        h ^= uint8_t(p[i]);
        h *= 1099511628211ull;
    }
    return h;
}

void put64(char* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i) p[i] = char((v >> (8 * i)) & 0xff);
}
uint64_t get64(const char* p)
{
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= uint64_t(uint8_t(p[i])) << (8 * i);
    return v;
}

FileFailure failureOf(const RecordFile& f) { return FileFailure{f.errorNumber(), f.errorText()}; }
FileFailure failureOf(int number) { return FileFailure{number, recordIo().errorText(number)}; }

// A name beside path for a temporary file, not used by anyone else.
std::filesystem::path temporaryBeside(const std::filesystem::path& path)
{
    static std::atomic<unsigned> counter{0};
    static const uint64_t salt = [] {
        std::random_device device;
        return (uint64_t(device()) << 32) ^ uint64_t(device());
    }();
    char tail[48];
    std::snprintf(tail, sizeof tail, ".%016llx%04x.tmp", static_cast<unsigned long long>(salt), ++counter & 0xffffu);
    std::filesystem::path t = path;
    t += tail;
    return t;
}

// Writes the journal of an in-place rewrite and flushes it; the handle stays
// open (the caller empties the journal through it when the rewrite is done).
bool writeJournal(RecordFile& journal, const std::filesystem::path& at, const char* bytes, int64_t length,
                  FileFailure* failure)
{
    if (!journal.open(at, RecordFile::Mode::CreateFresh)) {
        *failure = failureOf(journal);
        return false;
    }
    char header[kJournalHeader];
    std::memcpy(header, kJournalMagic, 16);
    put64(header + 16, uint64_t(length));
    put64(header + 24, checksum(bytes, length));
    if (!journal.writeAt(kJournalHeader, bytes, length) || !journal.writeAt(0, header, kJournalHeader) ||
        !journal.flush()) {
        *failure = failureOf(journal);
        return false;
    }
    return true;
}

enum class Journal { Complete, Incomplete, Unreadable };

// Reads a journal: its contents when it is complete. A journal that cannot be
// read is not taken for an incomplete one: it may hold the only whole copy.
Journal readJournal(RecordFile& journal, std::vector<char>* contents)
{
    const int64_t size = journal.size();
    if (size < 0) return Journal::Unreadable;
    if (size < kJournalHeader) return Journal::Incomplete;
    char header[kJournalHeader];
    int64_t got = 0;
    if (!journal.readAt(0, header, kJournalHeader, &got)) return Journal::Unreadable;
    if (got != kJournalHeader || std::memcmp(header, kJournalMagic, 16) != 0) return Journal::Incomplete;
    const uint64_t length = get64(header + 16);
    if (length != uint64_t(size - kJournalHeader)) return Journal::Incomplete;
    contents->resize(size_t(length));
    if (length > 0 && !journal.readAt(kJournalHeader, contents->data(), int64_t(length), &got))
        return Journal::Unreadable;
    if (length > 0 && got != int64_t(length)) return Journal::Incomplete;
    return checksum(contents->data(), int64_t(length)) == get64(header + 24) ? Journal::Complete
                                                                                : Journal::Incomplete;
}

// Copies the contents into the locked file from its start and cuts it there.
bool overwrite(RecordFile& f, const char* bytes, int64_t length)
{
    return (length == 0 || f.writeAt(0, bytes, length)) && f.truncate(length) && f.flush();
}

// Empties and deletes the journal. Emptied first: should the deletion fail,
// what is left is an incomplete journal, which the next lock discards (a
// complete one left behind would be copied over later appends).
bool dropJournal(RecordFile& journal, const std::filesystem::path& at, FileFailure* failure)
{
    if (journal.isOpen() && (!journal.truncate(0) || !journal.flush())) {
        *failure = failureOf(journal);
        return false;
    }
    journal.close();
    recordIo().remove(at);  // an empty journal left behind does no harm; the next lock deletes it
    return true;
}

// With the exclusive lock of f held: finishes an in-place rewrite that a
// process left behind when it died, or deletes its incomplete journal.
bool finishInterruptedRewrite(RecordFile& f, FileFailure* failure)
{
    const std::filesystem::path at = rewriteJournalPath(f.path());
    FileIdentity any;
    if (recordIo().identityAt(at, &any) != 0) return true;  // no journal: the usual case
    RecordFile journal;
    if (!journal.open(at, RecordFile::Mode::ReadWrite)) {
        if (journal.errorKind() == FileErrorKind::NotFound) return true;
        *failure = failureOf(journal);
        return false;
    }
    std::vector<char> contents;
    switch (readJournal(journal, &contents)) {
    case Journal::Unreadable:
        *failure = failureOf(journal);
        return false;
    case Journal::Complete:
        if (!overwrite(f, contents.data(), int64_t(contents.size()))) {
            *failure = failureOf(f);
            return false;
        }
        break;
    case Journal::Incomplete: break;  // its writer died before it was complete: the file is as it was
    }
    return dropJournal(journal, at, failure);
}

// True when name is that of a temporary file temporaryBeside() makes for a
// file named fileName: fileName + "." + 20 hexadecimal digits + ".tmp".
bool isTemporaryOf(const std::filesystem::path::string_type& name, const std::filesystem::path::string_type& fileName)
{
    const size_t n = fileName.size();
    if (name.size() != n + 25 || name.compare(0, n, fileName) != 0 || name[n] != '.') return false;
    for (size_t i = n + 1; i < n + 21; ++i) {
        const auto c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return name[n + 21] == '.' && name[n + 22] == 't' && name[n + 23] == 'm' && name[n + 24] == 'p';
}

// Deletes the temporary files of whole-file replacements of path that their
// writers left behind when they died between writing and renaming. Called
// with the exclusive lock of the file at path held: a replacement writes its
// temporary file only while it holds that lock, so any such file seen now
// belongs to no living writer.
void removeAbandonedTemporaries(const std::filesystem::path& path)
{
    std::error_code error;
    const auto fileName = path.filename().native();
    std::filesystem::directory_iterator it(path.has_parent_path() ? path.parent_path() : std::filesystem::path("."), error);
    if (error) return;  // nothing is cleaned where the folder cannot be listed
    std::vector<std::filesystem::path> abandoned;
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error))
        if (isTemporaryOf(it->path().filename().native(), fileName)) abandoned.push_back(it->path());
    for (const std::filesystem::path& p : abandoned) recordIo().remove(p);
}

bool journalPresent(const std::filesystem::path& path)
{
    FileIdentity any;
    return recordIo().identityAt(rewriteJournalPath(path), &any) == 0;
}

} // namespace

Replacement replacement() { return replacementInForce; }
void setReplacement(Replacement r) { replacementInForce = r; }

std::filesystem::path rewriteJournalPath(const std::filesystem::path& path)
{
    std::filesystem::path j = path;
    j += ".rewrite";
    return j;
}

WriteLock lockForWriting(RecordFile& f, const std::filesystem::path& path, const LockWaiting& waiting)
{
    int waited = 0;
    const uint64_t start = waiting.tickMs ? waiting.tickMs() : 0;
    const auto overdue = [&] {
        const int64_t taken = waiting.tickMs ? int64_t(waiting.tickMs() - start) : int64_t(waited);
        return taken >= waiting.limitMs;
    };
    const auto fail = [&](WriteLock answer) {
        const int number = f.errorNumber();
        f.close();
        f.adoptError(number);
        return answer;
    };
    for (;;) {
        if (!f.open(path, RecordFile::Mode::ReadWriteCreate)) return WriteLock::CannotOpen;
        for (;;) {
            const LockResult r = f.tryLock(LockKind::Exclusive);
            if (r == LockResult::Locked) break;
            if (r == LockResult::Failed) return fail(WriteLock::Failed);
            if (overdue()) return fail(WriteLock::Busy);
            if (waiting.wait) waiting.wait(waiting.pollMs);
            waited += waiting.pollMs;
        }
        if (f.stillAtPath()) break;
        if (!waiting.tickMs) waited += waiting.pollMs;  // so that endless rewrites end it too
        if (overdue()) return fail(WriteLock::Busy);
        f.close();
    }
    FileFailure failure;
    if (!finishInterruptedRewrite(f, &failure)) {
        f.adoptError(failure.number ? failure.number : systemErrors().io);
        return fail(WriteLock::Failed);
    }
    removeAbandonedTemporaries(path);
    return WriteLock::Locked;
}

LockResult lockForReading(RecordFile& f, bool wait, bool* unfinished)
{
    if (unfinished) *unfinished = false;
    for (bool finished = false;; finished = true) {
        const LockResult r = wait ? f.lockWait(LockKind::Shared) : f.tryLock(LockKind::Shared);
        if (r != LockResult::Locked) return r;
        // (An empty journal that could not be deleted stays; once is enough.)
        if (finished || !journalPresent(f.path())) return r;
        // A rewrite was interrupted: finish it under the exclusive lock, then read.
        f.unlock();
        RecordFile writer;
        if (!writer.open(f.path(), RecordFile::Mode::ReadWrite)) {
            f.adoptError(writer.errorNumber());
            return writer.errorKind() == FileErrorKind::Busy ? LockResult::Busy : LockResult::Failed;
        }
        const LockResult w = wait ? writer.lockWait(LockKind::Exclusive) : writer.tryLock(LockKind::Exclusive);
        if (w != LockResult::Locked) {
            f.adoptError(writer.errorNumber());
            return w;
        }
        FileFailure failure;
        if (!finishInterruptedRewrite(writer, &failure)) {
            f.adoptError(failure.number ? failure.number : systemErrors().io);
            if (unfinished) *unfinished = true;
            return LockResult::Failed;
        }
    }
}

bool appendRecord(RecordFile& locked, const char* record, int64_t recordSize, int64_t* at)
{
    const int64_t length = locked.size();
    if (length < 0) return false;
    const int64_t end = (length / recordSize) * recordSize;  // whole records only
    if (at) *at = end;
    if (locked.writeAt(end, record, recordSize)) return true;
    const int number = locked.errorNumber();
    locked.truncate(end);  // leave no half record behind where possible
    locked.adoptError(number);
    return false;
}

bool readTail(RecordFile& locked, int64_t offset, FileTail* out)
{
    out->bytes.clear();
    if (!locked.identity(&out->identity)) return false;
    out->length = locked.size();
    if (out->length < 0) return false;
    if (offset >= out->length) return true;
    out->bytes.resize(size_t(out->length - offset));
    int64_t got = 0;
    if (!locked.readAt(offset, out->bytes.data(), out->length - offset, &got)) {
        out->bytes.clear();
        return false;
    }
    out->bytes.resize(size_t(got));
    return true;
}

bool replaceContents(RecordFile& locked, const char* bytes, int64_t length, FileFailure* failure)
{
    const std::filesystem::path path = locked.path();
    if (replacement() == Replacement::Rename) {
        const bool done = writeWholeFile(path, bytes, length, failure);
        locked.close();  // the lock goes with the replaced file
        return done;
    }
    const std::filesystem::path at = rewriteJournalPath(path);
    RecordFile journal;
    if (!writeJournal(journal, at, bytes, length, failure)) {
        // The file is as it was; the journal goes (emptied first, so that a
        // whole one that could not be deleted is not taken for a decided rewrite).
        FileFailure ignored;
        dropJournal(journal, at, &ignored);
        locked.close();
        return false;
    }
    // From here on the rewrite is decided: should this process die, the next
    // lock of the file completes it from the journal.
    if (!overwrite(locked, bytes, length)) {
        *failure = failureOf(locked);
        journal.close();
        locked.close();
        return false;
    }
    const bool dropped = dropJournal(journal, at, failure);
    locked.close();
    return dropped;
}

bool writeWholeFile(const std::filesystem::path& path, const char* bytes, int64_t length, FileFailure* failure)
{
    IRecordIo& io = recordIo();
    const std::filesystem::path temp = temporaryBeside(path);
    RecordFile out;
    if (!out.open(temp, RecordFile::Mode::CreateFresh)) {
        *failure = failureOf(out);
        return false;
    }
    if ((length > 0 && !out.writeAt(0, bytes, length)) ||
        !out.flush()) {
        *failure = failureOf(out);
        out.close();
        io.remove(temp);
        return false;
    }
    out.close();
    if (const int e = io.rename(temp, path)) {
        *failure = failureOf(e);
        io.remove(temp);
        return false;
    }
    io.flushFolder(path.parent_path());
    return true;
}

} // namespace karuvel
