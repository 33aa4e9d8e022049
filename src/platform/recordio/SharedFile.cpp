#include "platform/recordio/SharedFile.h"
#include "platform/recordio/RewriteJournal.h"

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

FileFailure failureOf(const RecordFile& f) { return FileFailure{f.errorNumber(), f.errorText(), {}}; }
FileFailure failureOf(int number) { return FileFailure{number, recordIo().errorText(number), {}}; }

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

enum class Look { Done, Retry, Failed };

// With the exclusive lock of f held: finishes an in-place rewrite that a
// process left behind when it died, deletes its incomplete journal, or sets
// aside a journal that was not made for this file in this state. Retry: the
// journal (or the stamp) cannot be looked at now; *failure names it.
Look finishInterruptedRewrite(RecordFile& f, FileFailure* failure)
{
    const std::filesystem::path at = rewriteJournalPath(f.path());
    FileIdentity any;
    if (const int e = recordIo().identityAt(at, &any)) {
        if (recordIo().kindOf(e) == FileErrorKind::NotFound) return Look::Done;  // no journal: the usual case
        *failure = FileFailure{e, recordIo().errorText(e), at};
        return Look::Retry;
    }
    // A folder in its place: no rewrite can have left a journal there.
    std::error_code ec;
    if (std::filesystem::is_directory(at, ec)) return Look::Done;
    RecordFile journal;
    if (!journal.open(at, RecordFile::Mode::ReadWrite)) {
        if (journal.errorKind() == FileErrorKind::NotFound) return Look::Done;
        *failure = FileFailure{journal.errorNumber(), journal.errorText(), at};
        return Look::Retry;
    }
    std::vector<char> contents;
    switch (journal::judge(journal, f, &contents, failure)) {
    case journal::Verdict::Unreadable:
        if (failure->at.empty()) failure->at = at;
        return Look::Retry;
    case journal::Verdict::SetAside:
        journal.close();
        // One that cannot be moved stays unapplied: the next lock judges it again.
        if (!journal::setAside(at, failure)) return Look::Done;
        return Look::Done;
    case journal::Verdict::Apply:
        if (!overwrite(f, contents.data(), int64_t(contents.size()))) {
            *failure = failureOf(f);
            return Look::Failed;
        }
        if (!dropJournal(journal, at, failure)) return Look::Failed;
        {
            // The journal, should a copy of it come back, is not for the file as it is now.
            FileFailure ignored;
            writeStamp(f.path(), freshStamp(), &ignored);
        }
        return Look::Done;
    case journal::Verdict::Incomplete: break;  // its writer died before it was complete: the file is as it was
    }
    return dropJournal(journal, at, failure) ? Look::Done : Look::Failed;
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

enum class Beside { None, Journal, Unknown };

// Whether a journal is beside the file (a folder in its place is none);
// Unknown, with *error, when it cannot be looked at.
Beside journalBeside(const std::filesystem::path& path, int* error)
{
    const std::filesystem::path at = rewriteJournalPath(path);
    FileIdentity any;
    if (const int e = recordIo().identityAt(at, &any)) {
        if (recordIo().kindOf(e) == FileErrorKind::NotFound) return Beside::None;
        *error = e;
        return Beside::Unknown;
    }
    std::error_code ec;
    return std::filesystem::is_directory(at, ec) ? Beside::None : Beside::Journal;
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

WriteLock lockForWriting(RecordFile& f, const std::filesystem::path& path, const LockWaiting& waiting,
                         FileFailure* failure)
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
    const auto pause = [&] {
        if (waiting.wait) waiting.wait(waiting.pollMs);
        waited += waiting.pollMs;
    };
    for (;;) {
        if (!f.open(path, RecordFile::Mode::ReadWriteCreate)) return WriteLock::CannotOpen;
        for (;;) {
            const LockResult r = f.tryLock(LockKind::Exclusive);
            if (r == LockResult::Locked) break;
            if (r == LockResult::Failed) return fail(WriteLock::Failed);
            if (overdue()) return fail(WriteLock::Busy);
            pause();
        }
        if (!f.stillAtPath()) {
            if (!waiting.tickMs) waited += waiting.pollMs;  // so that endless rewrites end it too
            if (overdue()) return fail(WriteLock::Busy);
            f.close();
            continue;
        }
        FileFailure why;
        const Look look = finishInterruptedRewrite(f, &why);
        if (look == Look::Done) break;
        f.adoptError(why.number ? why.number : systemErrors().io);
        if (failure) *failure = why;
        // A journal that cannot be looked at now is waited for as a lock is.
        if (look == Look::Failed || overdue()) return fail(WriteLock::Failed);
        f.close();
        pause();
    }
    removeAbandonedTemporaries(path);
    return WriteLock::Locked;
}

LockResult lockForReading(RecordFile& f, bool wait, bool* unfinished, std::filesystem::path* fault)
{
    if (unfinished) *unfinished = false;
    for (bool finished = false;; finished = true) {
        const LockResult r = wait ? f.lockWait(LockKind::Shared) : f.tryLock(LockKind::Shared);
        if (r != LockResult::Locked) return r;
        // (An empty journal that could not be deleted stays; once is enough.)
        if (finished) return r;
        int error = 0;
        const Beside beside = journalBeside(f.path(), &error);
        if (beside == Beside::None) return r;
        if (beside == Beside::Unknown) {
            // Only "not found" means no journal: the caller waits and tries again.
            f.unlock();
            f.adoptError(error);
            if (unfinished) *unfinished = true;
            if (fault) *fault = rewriteJournalPath(f.path());
            return LockResult::Failed;
        }
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
        if (finishInterruptedRewrite(writer, &failure) != Look::Done) {
            f.adoptError(failure.number ? failure.number : systemErrors().io);
            if (unfinished) *unfinished = true;
            if (fault) *fault = failure.at;
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

namespace {

// The rename: a temporary file beside path, flushed, given the access of the
// file it replaces, renamed over it. *accessLost: the new file could not be
// given that access (nothing was replaced).
bool writeRenamed(const std::filesystem::path& path, const char* bytes, int64_t length, FileFailure* failure,
                  bool* accessLost)
{
    IRecordIo& io = recordIo();
    *accessLost = false;
    const std::filesystem::path temp = temporaryBeside(path);
    RecordFile out;
    if (!out.open(temp, RecordFile::Mode::CreateFresh)) {
        *failure = failureOf(out);
        return false;
    }
    FileIdentity there;
    if (io.identityAt(path, &there) == 0 && !out.copyAccessFrom(path)) {
        *failure = failureOf(out);
        *accessLost = true;
        out.close();
        io.remove(temp);
        return false;
    }
    if ((length > 0 && !out.writeAt(0, bytes, length)) || !out.flush()) {
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

bool rewriteInPlace(RecordFile& locked, const std::string& stamp, const char* bytes, int64_t length,
                    FileFailure* failure)
{
    const std::filesystem::path path = locked.path();
    const std::filesystem::path at = rewriteJournalPath(path);
    journal::Intent intent;
    if (!journal::describe(locked, stamp, &intent, failure)) {
        locked.close();
        return false;
    }
    RecordFile journalFile;
    if (!journal::write(journalFile, at, intent, bytes, length, failure)) {
        // The file is as it was; the journal goes (emptied first, so that a
        // whole one that could not be deleted is not taken for a decided rewrite).
        FileFailure ignored;
        if (journalFile.isOpen()) dropJournal(journalFile, at, &ignored);
        locked.close();
        return false;
    }
    // The stamp the journal names: from here on the rewrite is decided, and
    // should this process die, the next lock of the file completes it.
    if (!writeStamp(path, stamp, failure)) {
        FileFailure ignored;
        dropJournal(journalFile, at, &ignored);
        locked.close();
        return false;
    }
    if (!overwrite(locked, bytes, length)) {
        *failure = failureOf(locked);
        journalFile.close();
        locked.close();
        return false;
    }
    const bool dropped = dropJournal(journalFile, at, failure);
    if (dropped) {
        // A copy of the journal that comes back later is not for the file as it is then.
        FileFailure ignored;
        writeStamp(path, freshStamp(), &ignored);
    }
    locked.close();
    return dropped;
}

} // namespace

bool replaceContents(RecordFile& locked, const char* bytes, int64_t length, FileFailure* failure)
{
    const std::filesystem::path path = locked.path();
    const std::string stamp = freshStamp();
    if (replacement() == Replacement::Rename) {
        // Every PC that holds the records reads them whole at its next reading.
        if (!writeStamp(path, stamp, failure)) {
            locked.close();
            return false;
        }
        bool accessLost = false;
        if (writeRenamed(path, bytes, length, failure, &accessLost)) {
            locked.close();  // the lock goes with the replaced file
            return true;
        }
        if (!accessLost) {
            locked.close();
            return false;
        }
        // A new file would shut out accounts that use this one: rewrite it in place.
    }
    return rewriteInPlace(locked, stamp, bytes, length, failure);
}

bool writeWholeFile(const std::filesystem::path& path, const char* bytes, int64_t length, FileFailure* failure)
{
    bool accessLost = false;
    return writeRenamed(path, bytes, length, failure, &accessLost);
}

} // namespace karuvel
