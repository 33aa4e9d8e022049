#pragma once
// The records manager's pieces that need no screen: the pupils' names and
// grade labels read from the roster, the text of one list line per stored
// run, the count label, and how the edit panel's boxes are read.
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace karuvel {

// Names and grade labels by pupil number (0..5000), and the pupil chooser's
// entries ("number /  name"), as read from the roster.
struct PupilBook {
    std::vector<QString> PupilNameByNumber = std::vector<QString>(kPupilSlots);   // trimmed name
    std::vector<QString> GradeLabelByNumber = std::vector<QString>(kPupilSlots);  // "小１" etc. or empty
    QStringList chooserEntries;

    QString nameOf(long long pupil) const;
    QString gradeLabelOf(long long pupil) const;
};

enum class PupilBookRead { Ok, Missing, Unreadable };

// Reads the roster file at path: every line, listed or not, gives its
// pupil's name and grade label (grade index = schoolYear - birth year - 6)
// and one chooser entry. A line whose number lies outside 1..5000 is left
// out. On failure the book stays empty.
PupilBookRead readPupilBook(const QString& path, int schoolYear, PupilBook* book);

// A date-time of the results file (OLE date) as the platform writes one:
// the short date "2026/12/10" when it has no time of day, the time "9:05:03"
// when it has no date part, both otherwise. A value no calendar can hold
// (a damaged record) is shown as its number.
QString oleDateTimeText(double value);

// The school code field as every run of this school carries it: the code in
// code page 932, cut or padded with blanks to 5 bytes.
QByteArray schoolCodeField(const QString& schoolCode);

// One list line of record number `number`.
QString recordLineText(int number, const ResultRecordData& r, const PupilBook& book,
                       const QByteArray& ownCodeField, const QString& schoolName);

// "総レコード数:" and the file length / 44 as a plain decimal (a file with a
// torn last record shows a fraction).
QString recordCountText(int64_t fileLength);

// A run that ran out of time, as the CSV marks it ("時間切れ").
inline bool recordIsTimeOver(int32_t time) { return time > kNoTime - 2; }

class RecordLineMaker;

// The lines of the list: one per record whose level is not 0 (and that
// passes the filter), each standing for its record number. The texts are made
// when a line comes into sight, so that a file of a million runs shows its
// first screenful at once.
struct RecordLines {
    std::shared_ptr<const std::vector<char>> records;  // the whole records read
    std::vector<int> numbers;  // the record number of each line, in the order shown
    // The line that takes the most room in a fixed-width font (a full-width
    // character counts twice), or -1: the list is as wide as this line.
    int widest = -1;
    std::shared_ptr<RecordLineMaker> maker;

    int size() const { return int(numbers.size()); }
    // The text of a line.
    QString text(int line) const;
    // The stored bytes of a line's record.
    std::array<char, kRecordSize> bytes(int line) const;
    // The line of record `number`, or -1.
    int lineOfRecord(int number) const;
    // The line of record `number` when it is listed, else of the nearest
    // listed record after it, else of the nearest before it; -1 when there
    // are no lines.
    int lineAtOrAfter(int number) const;
};

// The room a text takes in a fixed-width font, in half-width characters.
int halfWidths(const QString& text);

// The order of the list: newest first (by date and time of day, the later
// record first where they are equal), or the file's own order.
enum class RecordOrder { NewestFirst, FileOrder };

// What the list shows.
struct RecordFilter {
    enum class TimeOver { Any, Only, Without };
    int pupil = 0;  // 0: every pupil
    int level = 0;  // 0: every level
    QDate from;     // null: no first day
    QDate to;       // null: no last day
    TimeOver timeOver = TimeOver::Any;

    bool passes(const ResultRecordData& r) const;
    bool passesRecord(const char* record) const;
    bool any() const { return pupil != 0 || level != 0 || from.isValid() || to.isValid() || timeOver != TimeOver::Any; }
};

// The record numbers of the records whose level is not 0, in the order.
std::vector<int> listedRecords(const char* records, int64_t count, RecordOrder order);
// Those of `listed` that pass the filter, in the same order.
std::vector<int> filteredRecords(const char* records, const std::vector<int>& listed, const RecordFilter& filter);

// The lines of the records `numbers` (in that order) of `records`.
RecordLines makeRecordLines(std::shared_ptr<const std::vector<char>> records, std::vector<int> numbers,
                            const PupilBook& book, const QString& schoolCode, const QString& schoolName);
// Every record of `count` whole records lying one after the other, in file order.
RecordLines buildRecordLines(const char* records, int64_t count, const PupilBook& book,
                             const QString& schoolCode, const QString& schoolName);

// The records a deletion of "this pupil's runs of this day" takes: those of
// the pupil whose date is that day (any level, any school), in file order.
std::vector<int> sameDayRuns(const char* records, int64_t count, int pupil, double date);

// The time box: its leading number, made whole by taking the nearest whole
// number (halves to the even one); 0 when it holds no number. False when the
// number lies outside 0..99999.
bool timeFromBox(const QString& text, int32_t* seconds);
// The pupil chooser: the number in front of the first "/", made whole the
// same way. False when there is no "/" or the number lies outside 1..5000.
bool pupilFromChooser(const QString& text, int* pupil);
// The chooser entry of a pupil: number + " /  " + name.
QString chooserEntry(int pupil, const QString& name);

} // namespace karuvel
