#pragma once
// A one-sheet workbook in the .xlsx format that spreadsheet programs open:
// texts as texts, numbers as numbers, bold heading rows that stay in sight
// while the rows scroll, and the columns' widths. The file is a zip archive
// of a few XML parts, stored uncompressed; nothing here needs a library of
// its own, so the Windows build writes the same file.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace karuvel {

struct XlsxCell {
    enum class Kind { Empty, Text, Number };
    Kind kind = Kind::Empty;
    QString text;
    double number = 0;

    static XlsxCell empty() { return {}; }
    static XlsxCell of(const QString& t) { return {Kind::Text, t, 0}; }
    static XlsxCell of(double v) { return {Kind::Number, {}, v}; }
};

struct XlsxSheet {
    QString name = QStringLiteral("Sheet1");  // at most 31 characters, without []:*?/\ (others are replaced)
    std::vector<std::vector<XlsxCell>> rows;
    std::vector<double> columnWidths;  // in characters, column A first; 0 leaves a column as it is
    // The rows 1..boldRows are bold; rows 1..frozenRows and the columns
    // 1..frozenColumns stay in sight while the rest scrolls.
    int boldRows = 0;
    int frozenRows = 0;
    int frozenColumns = 0;
};

// The bytes of the .xlsx file.
QByteArray xlsxBytes(const XlsxSheet& sheet);

// The column's letters of a 0-based column: 0 "A", 25 "Z", 26 "AA".
QString xlsxColumnName(int column);

// The CRC-32 of a zip entry (the polynomial of zip and PNG).
uint32_t zipCrc32(const QByteArray& bytes);

// A zip archive of stored (uncompressed) entries, in the order added.
class ZipArchive {
public:
    void add(const QString& name, const QByteArray& data);
    QByteArray bytes() const;

private:
    struct Entry {
        QByteArray name;
        uint32_t crc;
        uint32_t size;
        uint32_t offset;
    };
    std::vector<Entry> entries_;
    QByteArray body_;
};

} // namespace karuvel
