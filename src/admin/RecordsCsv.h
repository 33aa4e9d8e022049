#pragma once
// "CSVに書き出し" of the records manager: every stored run with the pupil's
// name and grade as a CSV file a spreadsheet opens as it is: UTF-8 with a
// byte-order mark, or code page 932 for older spreadsheet programs. Plain
// functions; the manager asks for the folder and writes the bytes.
#include "admin/RecordLines.h"
#include "state/ProgramState.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <cstdint>

namespace karuvel {

enum class CsvEncoding { Utf8WithBom, Cp932 };

// The heading line's fields, in the order of every line.
QStringList recordsCsvHeadings();

// The CSV text (CR LF line ends, the heading first): one line per record
// whose level is not 0, as the list shows them, from `count` whole records
// lying one after the other. Each line: record number, date (yyyy/MM/dd),
// time of day (HH:mm:ss), pupil number, name, grade label, level, level
// name, time in seconds, "時間切れ" for a time over, the run's points, the
// school code and the school's name ("他塾" for another school's code). A
// date or time of day that no calendar can hold (a damaged record) is
// written as its number, so that nothing stored is hidden. The texts (name,
// grade, level name, school code, school name) go through spreadsheetText.
QString recordsCsvText(const char* records, int64_t count, const PupilBook& book, const ProgramState& s);

// A text field as a spreadsheet is to show it. A spreadsheet runs a field
// that begins with "=", "+", "-" or "@" (a name "=HYPERLINK(…)" becomes a
// live link, "=1+1塾" shows "#NAME?") and converts one that looks like a
// number, a date or a time ("00123" becomes 123, "1/2" a date, "TRUE" a
// truth value). Such a text is written as a formula that yields the text
// itself, ="…" (quotes doubled): the spreadsheet shows exactly the text and
// runs nothing; a program that reads the CSV as text finds ="…" around it.
// Any other text is returned as it is.
QString spreadsheetText(const QString& text);
// Whether a spreadsheet would run or convert this text (see above).
bool spreadsheetWouldChange(const QString& text);

// One field as CSV writes it: in double quotes (quotes doubled) when it holds
// a comma, a quote, a line end or blanks at its ends.
QString csvField(const QString& text);

// The bytes of the file. With code page 932, characters it cannot hold
// become "?" and *lossy is set.
QByteArray encodeCsv(const QString& text, CsvEncoding encoding, bool* lossy = nullptr);

// Writes the bytes to path in one step. False with a Japanese description
// naming the file in *problem when it cannot be written.
bool writeCsvFile(const QString& path, const QByteArray& bytes, QString* problem);

// "<school>_成績累積データ_<yyyy-MM-dd>.csv".
QString recordsCsvFileName(const QString& school, const QDate& date);

} // namespace karuvel
