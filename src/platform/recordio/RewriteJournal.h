#pragma once
// The rewrite stamp and the journal of an in-place rewrite of a shared file.
//
// The stamp: a small file beside the shared file ("<name>.stamp") holding 16
// random characters. Every rewrite writes a fresh one under the file's
// exclusive lock before it changes the file, and another once it is done; a
// reader that finds another stamp than at its last reading reads the file
// whole. The stamp is compared, never interpreted: one torn by a crash is
// just another stamp.
//
// The journal ("<name>.rewrite") names what it was made for: the identity of
// the file, the length of the contents it replaces with their checksum (whole
// and per block of 4 KiB) and the stamp the rewrite writes before it touches
// the file. It is applied only to that file, while that stamp is beside it,
// and while the file holds what the interrupted rewrite can have left there:
// the old contents, with the new ones written over them from the start up to
// some point. Any other journal (one from another folder, an old copy, one a
// sync tool brought back, one of an older version of the program) is never
// copied over the file: it is set aside under a name that says so
// ("<name>.rewrite.未適用-<date>-<time>"), and the screens are told through
// takeSetAsideJournals().
#include "platform/recordio/SharedFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace karuvel {

constexpr int kStampBytes = 16;

std::filesystem::path stampPath(const std::filesystem::path& file);

// The stamp beside the file into *out (empty when there is none). Answers 0,
// or the system's error number when it cannot be read (a folder in its place
// among them): the reader then cannot trust what it holds and reads whole.
int readStamp(const std::filesystem::path& file, std::string* out);
// A fresh random stamp.
std::string freshStamp();
// Writes the stamp beside the file (created when absent); on failure
// *failure names the stamp file.
bool writeStamp(const std::filesystem::path& file, const std::string& stamp, FileFailure* failure);

// The journals set aside since the last call (their new paths), oldest first,
// for the screens to tell the teacher once.
std::vector<std::filesystem::path> takeSetAsideJournals();

namespace journal {

// What a rewrite replaces: the file's identity, its length and checksums, the
// stamp the rewrite writes.
struct Intent {
    FileIdentity identity;
    int64_t oldLength = 0;
    uint64_t oldSum = 0;
    std::vector<uint64_t> oldBlocks;
    std::string stamp;
};

// Reads the locked file whole and describes it; false with *failure on a read error.
bool describe(RecordFile& locked, const std::string& stamp, Intent* out, FileFailure* failure);

// Writes the journal (made fresh at at) and flushes it; the handle stays open.
bool write(RecordFile& journal, const std::filesystem::path& at, const Intent& intent, const char* bytes,
           int64_t length, FileFailure* failure);

enum class Verdict {
    Apply,       // made for this file in this state: *contents is what the file is to hold
    SetAside,    // complete, but not this file's, or not in that state
    Incomplete,  // its writer died before it was complete: the file was not touched
    Unreadable,  // it (or the stamp) cannot be read now: nothing is decided
};
// Judges the journal against the file, both opened, the file under its
// exclusive lock. On Unreadable *failure names the file that could not be read.
Verdict judge(RecordFile& journal, RecordFile& locked, std::vector<char>* contents, FileFailure* failure);

// Renames the journal at at to a name that says it was not applied, and
// keeps that name for takeSetAsideJournals(). False when it cannot be renamed.
bool setAside(const std::filesystem::path& at, FileFailure* failure);

} // namespace journal

} // namespace karuvel
