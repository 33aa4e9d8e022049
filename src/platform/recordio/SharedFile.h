#pragma once
// The operations the program does on a file that several PCs share: append
// under the exclusive whole-file lock, read under the shared one, replace the
// whole file under the exclusive one, and write a small whole file (the
// criteria) in one step. Nothing here knows Qt; every system call goes
// through recordIo(), so a test can make any step fail.
//
// Replacing the whole file while other PCs have it open:
//
// - Rename (POSIX systems): the new contents go to a temporary file beside
//   the file, are flushed to the disk and renamed over it in one step. A PC
//   waiting for the lock of the old file notices that the path names another
//   file once it has the lock and opens the new one (lockForWriting).
//
// - InPlace (Windows, where a file that others hold open cannot be replaced
//   or deleted): under the exclusive lock the complete new contents are first
//   written to a journal beside the file ("<name>.rewrite", see
//   RewriteJournal.h: it names the file, what it replaces and the stamp the
//   rewrite writes) and flushed to the disk; then the stamp is written; then
//   the file itself is overwritten from the start, cut to the new length and
//   flushed; then the journal is emptied and deleted, a fresh stamp written,
//   and only then is the lock let go. A process that dies before the journal
//   is complete leaves the file as it was (an incomplete journal is deleted by
//   the next one to lock the file); one that dies after it leaves a complete
//   journal, and the next process that takes any lock on the file (writer or
//   reader) copies it into the file before it does anything else, when the
//   journal was made for that file in the state it finds (else it sets the
//   journal aside, untouched). Only "not found" means that there is no
//   journal: a journal that cannot be looked at (a network drive that drops
//   out) is waited for as a lock is; a folder in its place is no journal.
//
// Whichever way a process dies, every record that was stored before stays
// stored: either the old contents or the complete new ones are what every PC
// reads afterwards.
//
// Files this layer makes in the folder (the new file of a rename, the
// journal, the stamp) take the access of the file they replace or serve, or
// of the folder (see IRecordIo::open and copyAccess): a teacher's rewrite
// must not shut out the other accounts that store their runs in the file.
#include "platform/recordio/RecordFile.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace karuvel {

// A failure of an operation: the system's number (0 when there is none), a
// description (UTF-8) and, when it is not the file operated on, the file at
// fault (the journal, the stamp).
struct FileFailure {
    int number = 0;
    std::string text;
    std::filesystem::path at;
};

enum class Replacement { Rename, InPlace };
// Rename on POSIX systems, InPlace on Windows; tests may choose the other.
Replacement replacement();
void setReplacement(Replacement r);

// The journal of an in-place rewrite of the file at path.
std::filesystem::path rewriteJournalPath(const std::filesystem::path& path);

// How a writer waits for another PC's lock.
struct LockWaiting {
    int limitMs = 30000;  // gives up after this long in all
    int pollMs = 100;     // tries the lock this often
    // Waits ms milliseconds (the program keeps its screen responsive meanwhile).
    std::function<void(int ms)> wait;
    // Milliseconds since any start, to measure the time taken; without it the
    // waits are added up (and every follow of a replaced file counts a poll).
    std::function<uint64_t()> tickMs;
};

enum class WriteLock {
    Locked,      // the exclusive lock of the file at the path is held
    Busy,        // another PC held it, or kept replacing the file, for the whole limit
    CannotOpen,  // the file cannot be opened or created: see the file's error
    Failed,      // the file cannot be locked, or an interrupted rewrite cannot be finished
};

// Opens the file at path (created empty when absent) and takes its exclusive
// lock, waiting while another PC holds it. A rewrite by another PC may replace
// the file while this one waits: the lock then belongs to a file no longer at
// the path (writing into it would lose what is written), so the file that is
// there now is opened and locked instead, as often as it takes, all of it
// (waits and replacements alike) within the limit, and then the answer is
// Busy. An interrupted in-place rewrite is finished (or an incomplete journal
// deleted) before this answers Locked; when that cannot be done the answer is
// Failed. Whatever the answer but Locked, f is closed afterwards, its error
// telling why.
// *failure (when given) tells a failure of the journal or the stamp, naming it.
WriteLock lockForWriting(RecordFile& f, const std::filesystem::path& path, const LockWaiting& waiting,
                         FileFailure* failure = nullptr);

// Takes the shared lock of a file opened for reading (waiting for it when
// wait). An interrupted in-place rewrite that is found is finished first,
// through a second, writable handle under the exclusive lock; when another
// process holds the lock meanwhile the answer is Busy. Failed alone means
// that the file system has no locks (the file may be read without); when an
// interrupted rewrite cannot be finished the answer is Failed too, and
// *unfinished (when given) is set: the file may be half rewritten, and must
// not be read until a later try finishes it.
// The same (unfinished set, Failed) when the journal cannot be looked at: the
// caller waits and tries again. *fault (when given) is then the file at fault.
LockResult lockForReading(RecordFile& f, bool wait = false, bool* unfinished = nullptr,
                          std::filesystem::path* fault = nullptr);

// Appends one record of recordSize bytes after the last whole record (over a
// torn partial record, if there is one) of a file under the exclusive lock.
// A failed write is cut off again where possible, so that no half record
// stays behind. *at, when given, is where the record went. On failure the
// file's error tells why.
bool appendRecord(RecordFile& locked, const char* record, int64_t recordSize, int64_t* at = nullptr);

// The file's identity and length, and the bytes from offset to its end, for a
// reader under the shared lock (a reader that follows the file as it grows).
// An offset beyond the end gives no bytes (the file was rewritten shorter:
// the identity or the length tells the reader to start again).
struct FileTail {
    FileIdentity identity;
    int64_t length = 0;
    std::vector<char> bytes;
};
bool readTail(RecordFile& locked, int64_t offset, FileTail* out);

// Replaces the whole contents of the file under the exclusive lock, as the
// replacement in force does (see above), with a fresh stamp beside it. A
// renaming rewrite whose new file cannot be given the access of the file it
// replaces is done in place instead. Afterwards, whatever the answer, f
// is closed (its lock with it). On failure *failure tells why and the file is
// unchanged, with one exception: when an in-place rewrite fails after its
// journal is complete, the journal stays and the next lock of the file
// (by a writer or a reader) completes the rewrite.
bool replaceContents(RecordFile& locked, const char* bytes, int64_t length, FileFailure* failure);

// Writes a whole small file in one step: a temporary file beside it, flushed,
// given the access of the file it replaces, then renamed over it. On failure
// the file is unchanged and the temporary file removed.
bool writeWholeFile(const std::filesystem::path& path, const char* bytes, int64_t length, FileFailure* failure);

} // namespace karuvel
