#pragma once
// The results file "成績累積データ.dat": 44-byte records appended by every PC
// under a whole-file lock, loaded into the state by LoadResults.
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace karuvel {

constexpr int kRecordSize = 44;

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
// open, lock or write) shows a message naming the file and ends the program.
void AppendResult();
constexpr int kAppendLockWaitMs = 30000;

// Rebuilds RecordCount, RecDate/RecClock/RecPupil/RecLevel/RecTime (index 1..
// RecordCount, every usable record of the file, however many), BestTime and
// TopTime (the best of pupils 1..1000). A record is kept when its date is a
// day from 0 (30 December 1899) to 31 December 9999, its pupil is not 0 and
// its level is at least 1; every record with level 0..35 and pupil 0..5000
// takes part in BestTime. A record whose level is outside 0..35 or whose
// pupil is outside 0..5000 is skipped (it stays in the file for the records
// manager). The file is created empty when it is absent.
// While another PC is appending it waits 1 second and tries again, without
// limit; a file (or folder) that cannot be found is tried 4 times, 5 seconds
// apart, then a message ("ファイルがありません") is shown and the program ends;
// access refused is tried for 30 seconds; any other failure shows the message
// at once. Every wait keeps the screen responsive.
void LoadResults();

// Reads every record of the results file, in file order, into *out (the
// dashboard's lists and the records manager read the file record by record
// through this). The partial record of a torn end is not included. Waits and
// retries exactly as LoadResults does while the file is busy or missing; a
// failure the retries cannot mend shows the message and ends the program,
// so the result is true whenever the function returns to the caller (false
// only for a null out). The shared buffer ResultRecord() holds the last
// record read afterwards, as after reading through it.
bool readAllResults(std::vector<ResultRecordData>* out);
// The same for the dashboard's views: a failure the retries cannot mend shows
// "先生を呼びなさい" with its description and number, and the view goes on
// without records (false, *out empty) instead of ending the program.
bool readResultsForView(std::vector<ResultRecordData>* out);

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
