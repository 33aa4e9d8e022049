#pragma once
// The results file "成績累積データ.dat": 44-byte records appended by every PC
// under a whole-file lock, loaded into the state by LoadResults.
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace karuvel {

constexpr int kRecordSize = 44;

// One results record as it lies in the file (little-endian).
struct ResultRecordData {
    double date = 0;       // OLE date of the run, whole days
    double clock = 0;      // time of day, fraction of a day
    int16_t pupil = 0;
    int16_t level = 0;
    int32_t time = 0;      // seconds; 99999 = time over
    QByteArray schoolCode = QByteArray(5, ' ');  // CP932, space-padded
    QByteArray blank = QByteArray(5, ' ');
    QByteArray points = QByteArray("0    ", 5);
    QByteArray spare = QByteArray(5, '\0');      // never assigned by the writer

    std::array<char, kRecordSize> toBytes() const;
    static ResultRecordData fromBytes(const char* bytes);
};

// The shared buffer through which one record is read or written whole.
ResultRecordData& ResultRecord();

// The results file of this program's data folder.
QString resultsFilePath();
// Creates the file empty when it is absent; false when it cannot be opened.
bool OpenResults();
// Appends the record of the run just finished (CurrentPupil, SelectedLevel,
// RunTime, SchoolCode, now) under the whole-file lock.
void AppendResult();
// Rebuilds RecordCount, the Rec* arrays, BestTime and TopTime from the file.
void LoadResults();

} // namespace karuvel
