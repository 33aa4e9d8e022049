#pragma once
// The results file "成績累積データ.dat": 44-byte records appended by every PC
// under a whole-file lock, loaded into the state by LoadResults.
#include "state/ProgramState.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace karuvel {

constexpr int kRecordSize = 44;

// Why the results file could not be used once its retries were spent. Nothing
// here is shown: the screens word it (frame/FileMessages.h) and decide
// whether the program goes on.
struct ResultsError {
    enum class Kind {
        None,
        NotFound,    // reading: the file, or its folder, is not there
        Unreadable,  // reading: any other failure
        NotStored,   // a run could not be appended
    };
    Kind kind = Kind::None;
    QString path;    // the results file
    QString fault;   // the file at fault when it lies beside it (the journal, the stamp); else empty
    int step = 0;    // reading: 1 open, 3 length, 4 read
    int number = 0;  // the system's error number; 0 when there is none
    QString text;    // the system's description (NotStored: why, in Japanese)

    bool ok() const { return kind == Kind::None; }
};

// One results record as it lies in the file (little-endian).
struct ResultRecordData {
    double date = 0;       // OLE date of the run, whole days
    double clock = 0;      // time of day, fraction of a day
    int16_t pupil = 0;
    int16_t level = 0;
    int32_t time = 0;      // seconds; kTimeOver (99999) = time over
    QByteArray schoolCode = QByteArray(5, ' ');  // CP932, space-padded
    QByteArray blank = QByteArray(5, ' ');
    QByteArray points = QByteArray("0    ", 5);
    QByteArray spare = QByteArray(5, '\0');      // never assigned by the writer

    std::array<char, kRecordSize> toBytes() const;
    static ResultRecordData fromBytes(const char* bytes);
};

// The shared buffer through which one record is read or written whole.
ResultRecordData& ResultRecord();

// The results file of this program's data folder ("成績累積データ.dat" in DataFolder).
QString resultsFilePath();
// Creates the file empty when it is absent; false when it cannot be opened.
bool OpenResults();

// Appends the record of the run just finished (CurrentPupil, SelectedLevel,
// RunTime, SchoolCode, today's date and the time of day) at the end of the
// file, over a torn partial record if there is one, under the exclusive
// whole-file lock. When another PC holds the lock it waits for it (up to
// kAppendLockWaitMs, keeping the screen responsive). A real failure (cannot
// open, lock or write) is returned as NotStored, with why.
ResultsError AppendResult();
constexpr int kAppendLockWaitMs = 30000;

// Brings RecordCount, RecDate/RecClock/RecPupil/RecLevel/RecTime (index 1..
// RecordCount, every usable record of the file, however many) up to date with
// the file (see refreshResults) and rebuilds from them BestTime and
// TopTime (the best of pupils 1..1000). A record is kept when its date is a
// day from 0 (30 December 1899) to 31 December 9999, its pupil is not 0 and
// its level is at least 1; every record with level 0..35 and pupil 0..5000
// takes part in BestTime. A record whose level is outside 0..35 or whose
// pupil is outside 0..5000 is skipped (it stays in the file for the records
// manager). The file is created empty when it is absent.
// While another PC is appending it waits 1 second and tries again, without
// limit; a file (or folder) that cannot be found is tried 4 times, 5 seconds
// apart, then NotFound is returned; access refused is tried for 30 seconds;
// any other failure is returned at once (Unreadable). Every wait keeps the
// screen responsive.
ResultsError LoadResults();

// Brings the records in memory (RecordCount, RecDate(k) .. RecTime(k), and
// the records that take part in the best times only) up to date with the
// results file, by the rule of LoadResults. Only the records appended since
// the last reading are read, with the last record held read again as a
// check; a file that was replaced, cut shorter than the records held, or
// holds another record where the last held one was, is read whole. Waits and
// retries as LoadResults does and returns what the retries could not mend;
// no records are held after a failure, and the next reading reads the file
// whole.
ResultsError refreshResults();
// The records held (RecEntries 1..RecordCount), in file order.
std::span<const RecEntry> heldRecords();

// Reads every record of the results file, in file order, into *out (the
// dashboard's lists and the records manager read the file record by record
// through this). The partial record of a torn end is not included. Waits and
// retries exactly as LoadResults does while the file is busy or missing; after
// a failure the retries cannot mend *out is empty. The shared buffer
// ResultRecord() holds the last record read afterwards, as after reading
// through it.
ResultsError readAllResults(std::vector<ResultRecordData>* out);

// Replaces the whole results file by these records, in this order (the
// records manager's rewrite). Under the exclusive whole-file lock of the file
// in place (waiting for another PC's lock as AppendResult does), the new
// contents are written to a temporary file beside it and put in its place in
// one step, so that no PC ever sees half a rewrite; an append that waited for
// the lock meanwhile goes to the new file. Returns false with a Japanese
// description naming the file in *problem when it cannot be done; the file is
// then unchanged. Shows nothing and never ends the program.
bool replaceResults(const std::vector<ResultRecordData>& records, QString* problem);

// Reads every whole record of the results file and writes back what edit
// leaves in the vector, all under one exclusive whole-file lock (so no PC's
// append can fall between the read and the rewrite), replacing the file in one
// step as replaceResults does. A torn partial record at the end is dropped.
// When edit returns false nothing is written and its problem text is passed
// on. Returns false with a Japanese description in *problem when the file
// cannot be locked, read or replaced; the file is then unchanged.
bool updateResults(const std::function<bool(std::vector<ResultRecordData>& records, QString* problem)>& edit,
                   QString* problem);

} // namespace karuvel
