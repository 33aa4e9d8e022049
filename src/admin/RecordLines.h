#pragma once
// The records manager's pieces that need no screen: the pupils' names and
// grade labels read from the roster, the text of one list line per stored
// run, the count label, and how the edit panel's boxes are read.
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
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

// The lines of the list: one per record whose level is not 0, in record
// order, each remembering its record number and the bytes it was built from.
struct RecordLines {
    QStringList texts;
    std::vector<int> numbers;
    std::vector<std::array<char, kRecordSize>> bytes;
    // The line that takes the most room in a fixed-width font (a full-width
    // character counts twice), or -1: the list is as wide as this line.
    int widest = -1;

    int size() const { return int(texts.size()); }
    // The line of record `number`, or -1.
    int lineOfRecord(int number) const;
    // The first line of a record numbered `number` or later, else the last
    // line; -1 when there are no lines.
    int lineAtOrAfter(int number) const;
};

// The room a text takes in a fixed-width font, in half-width characters.
int halfWidths(const QString& text);

// Builds the lines from `records` whole records lying one after the other.
RecordLines buildRecordLines(const char* records, int64_t count, const PupilBook& book,
                             const QString& schoolCode, const QString& schoolName);

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
