#include "records/XlsxFile.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace karuvel {

namespace {

void put16(QByteArray& b, uint32_t v)
{
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}

void put32(QByteArray& b, uint32_t v)
{
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

// 1980-01-01 00:00, the first day a zip entry can carry: the file's own
// date on the disk tells when it was saved.
constexpr uint32_t kDosTime = 0;
constexpr uint32_t kDosDate = (0u << 9) | (1u << 5) | 1u;

// A text made safe for XML: the five marked characters escaped, and the
// control characters XML cannot hold (a stray one in a name) left out.
QString xmlText(const QString& t)
{
    QString out;
    out.reserve(t.size() + 8);
    for (const QChar c : t) {
        switch (c.unicode()) {
        case u'&': out += QStringLiteral("&amp;"); break;
        case u'<': out += QStringLiteral("&lt;"); break;
        case u'>': out += QStringLiteral("&gt;"); break;
        case u'"': out += QStringLiteral("&quot;"); break;
        case u'\'': out += QStringLiteral("&apos;"); break;
        default:
            if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') break;
            if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF) break;
            out += c;
        }
    }
    return out;
}

QString sheetName(const QString& wanted)
{
    QString n = wanted;
    for (QChar& c : n) {
        if (QStringLiteral("[]:*?/\\").contains(c) || c.unicode() < 0x20) c = u'_';
    }
    n = n.left(31);
    return n.isEmpty() ? QStringLiteral("Sheet1") : n;
}

// A number as the sheet stores it: whole numbers without a point, others
// with the digits a double holds; a value no cell can hold is left out.
QString xlsxNumber(double v) { return QString::number(v, 'g', 17); }

QByteArray contentTypes()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
        "</Types>");
}

QByteArray packageRelations()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"xl/workbook.xml\"/>"
        "</Relationships>");
}

QByteArray workbook(const QString& name)
{
    return QByteArrayLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
               "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
               "<sheets><sheet name=\"") +
           xmlText(sheetName(name)).toUtf8() +
           QByteArrayLiteral("\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
}

QByteArray workbookRelations()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
        "Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId2\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
        "Target=\"styles.xml\"/>"
        "</Relationships>");
}

// Two cell formats: 0 plain, 1 bold.
QByteArray styles()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<fonts count=\"2\">"
        "<font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
        "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
        "</fonts>"
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
        "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
        "<cellXfs count=\"2\">"
        "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
        "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
        "</cellXfs>"
        "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
        "</styleSheet>");
}

QByteArray worksheet(const XlsxSheet& sheet)
{
    QString x;
    x += QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">");
    const int rows = std::max(0, sheet.frozenRows);
    const int columns = std::max(0, sheet.frozenColumns);
    if (rows > 0 || columns > 0) {
        const QString top = xlsxColumnName(columns) + QString::number(rows + 1);
        const QString pane = rows > 0 && columns > 0 ? QStringLiteral("bottomRight")
                             : rows > 0              ? QStringLiteral("bottomLeft")
                                                     : QStringLiteral("topRight");
        QString split;
        if (columns > 0) split += QStringLiteral(" xSplit=\"%1\"").arg(columns);
        if (rows > 0) split += QStringLiteral(" ySplit=\"%1\"").arg(rows);
        x += QStringLiteral("<sheetViews><sheetView workbookViewId=\"0\"><pane%1 topLeftCell=\"%2\" "
                            "activePane=\"%3\" state=\"frozen\"/>"
                            "<selection pane=\"%3\" activeCell=\"%2\" sqref=\"%2\"/></sheetView></sheetViews>")
                 .arg(split, top, pane);
    }
    QString cols;
    for (size_t c = 0; c < sheet.columnWidths.size(); ++c) {
        const double w = sheet.columnWidths[c];
        if (!(w > 0) || !std::isfinite(w)) continue;
        cols += QStringLiteral("<col min=\"%1\" max=\"%1\" width=\"%2\" customWidth=\"1\"/>")
                    .arg(c + 1)
                    .arg(QString::number(std::min(w, 255.0), 'g', 6));
    }
    if (!cols.isEmpty()) x += QStringLiteral("<cols>") + cols + QStringLiteral("</cols>");
    x += QStringLiteral("<sheetData>");
    for (size_t r = 0; r < sheet.rows.size(); ++r) {
        const QString row = QString::number(r + 1);
        const bool bold = int(r) < sheet.boldRows;
        x += QStringLiteral("<row r=\"") + row + QStringLiteral("\">");
        const auto& cells = sheet.rows[r];
        for (size_t c = 0; c < cells.size(); ++c) {
            const XlsxCell& cell = cells[c];
            const QString ref = xlsxColumnName(int(c)) + row;
            const QString style = bold ? QStringLiteral(" s=\"1\"") : QString();
            switch (cell.kind) {
            case XlsxCell::Kind::Empty:
                if (bold) x += QStringLiteral("<c r=\"") + ref + u'"' + style + QStringLiteral("/>");
                break;
            case XlsxCell::Kind::Number:
                if (!std::isfinite(cell.number)) break;
                x += QStringLiteral("<c r=\"") + ref + u'"' + style + QStringLiteral("><v>") + xlsxNumber(cell.number) +
                     QStringLiteral("</v></c>");
                break;
            case XlsxCell::Kind::Text:
                x += QStringLiteral("<c r=\"") + ref + u'"' + style +
                     QStringLiteral(" t=\"inlineStr\"><is><t xml:space=\"preserve\">") + xmlText(cell.text) +
                     QStringLiteral("</t></is></c>");
                break;
            }
        }
        x += QStringLiteral("</row>");
    }
    x += QStringLiteral("</sheetData></worksheet>");
    return x.toUtf8();
}

} // namespace

QString xlsxColumnName(int column)
{
    QString name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26) name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

uint32_t zipCrc32(const QByteArray& bytes)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : bytes) crc = table[(crc ^ uint8_t(ch)) & 0xff] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void ZipArchive::add(const QString& name, const QByteArray& data)
{
    Entry e{name.toUtf8(), zipCrc32(data), uint32_t(data.size()), uint32_t(body_.size())};
    QByteArray& b = body_;
    put32(b, 0x04034b50);  // a local entry
    put16(b, 20);          // the version needed to read it
    put16(b, 0x0800);      // its name in UTF-8
    put16(b, 0);           // stored
    put16(b, kDosTime);
    put16(b, kDosDate);
    put32(b, e.crc);
    put32(b, e.size);  // compressed
    put32(b, e.size);  // as it is
    put16(b, uint32_t(e.name.size()));
    put16(b, 0);  // no extra field
    b += e.name;
    b += data;
    entries_.push_back(std::move(e));
}

QByteArray ZipArchive::bytes() const
{
    QByteArray out = body_;
    const uint32_t directoryStart = uint32_t(out.size());
    for (const Entry& e : entries_) {
        put32(out, 0x02014b50);  // the central directory's entry
        put16(out, 20);          // made by: version 2.0
        put16(out, 20);          // needed
        put16(out, 0x0800);
        put16(out, 0);
        put16(out, kDosTime);
        put16(out, kDosDate);
        put32(out, e.crc);
        put32(out, e.size);
        put32(out, e.size);
        put16(out, uint32_t(e.name.size()));
        put16(out, 0);  // extra field
        put16(out, 0);  // comment
        put16(out, 0);  // disk
        put16(out, 0);  // internal attributes
        put32(out, 0);  // external attributes
        put32(out, e.offset);
        out += e.name;
    }
    const uint32_t directorySize = uint32_t(out.size()) - directoryStart;
    put32(out, 0x06054b50);  // the end of the central directory
    put16(out, 0);
    put16(out, 0);
    put16(out, uint32_t(entries_.size()));
    put16(out, uint32_t(entries_.size()));
    put32(out, directorySize);
    put32(out, directoryStart);
    put16(out, 0);  // no comment
    return out;
}

QByteArray xlsxBytes(const XlsxSheet& sheet)
{
    ZipArchive zip;
    zip.add(QStringLiteral("[Content_Types].xml"), contentTypes());
    zip.add(QStringLiteral("_rels/.rels"), packageRelations());
    zip.add(QStringLiteral("xl/workbook.xml"), workbook(sheet.name));
    zip.add(QStringLiteral("xl/_rels/workbook.xml.rels"), workbookRelations());
    zip.add(QStringLiteral("xl/styles.xml"), styles());
    zip.add(QStringLiteral("xl/worksheets/sheet1.xml"), worksheet(sheet));
    return zip.bytes();
}

} // namespace karuvel
