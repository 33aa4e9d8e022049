#include "admin/CriteriaGrid.h"

#include "platform/Cp932.h"
#include "platform/FieldReader.h"
#include "records/Criteria.h"
#include "state/Loose.h"
#include "state/ProgramState.h"

#include <QFileInfo>

namespace karuvel {

namespace {
constexpr int kFieldsPerLine = 12;

QStringList emptyRow()
{
    QStringList r;
    for (int c = 0; c < kCriteriaGridColumns; ++c) r.append(QString());
    return r;
}

// The name of a column in a message: its header, or "10列目" for the three without one.
QString columnName(int column)
{
    const QString header = criteriaGridHeader().value(column);
    if (!header.isEmpty()) return QStringLiteral("「%1」の列").arg(header);
    return QStringLiteral("%1列目").arg(column);
}

// What in a cell would break the file's fields, as the message names it.
QString unsafePart(const QString& text)
{
    if (text.contains(u',')) return QStringLiteral("「,」（カンマ）");
    if (text.contains(u'"')) return QStringLiteral("「\"」（ダブルクォーテーション）");
    if (text.contains(u'\r') || text.contains(u'\n')) return QStringLiteral("改行");
    // A character the file's code page has no form for would be written as "?".
    if (!fitsCp932(text)) {
        for (char32_t c : text.toUcs4()) {
            const QString one = QString::fromUcs4(&c, 1);
            if (!fitsCp932(one)) return QStringLiteral("記録できない文字「%1」").arg(one);
        }
    }
    return QString();
}
} // namespace

QString criteriaFilePath()
{
    return state().DataFolder.toText() + QStringLiteral("タイム回数データ.txt");
}

QStringList criteriaGridHeader()
{
    QStringList h{QStringLiteral("レベル")};
    h += criteriaHeaderCaptions();
    while (h.size() < kCriteriaGridColumns) h.append(QString());
    return h;
}

QString criteriaColumnHelp(int column)
{
    const QString crlf = QStringLiteral("\r\n");
    switch (column) {
    case 1:
        return QStringLiteral("合格基準タイム") + crlf +
               QStringLiteral("\u3000大部分の人ががんばったら出せそうなタイムにしてください");
    case 2: return QStringLiteral("合格最低ラインタイム") + crlf + QStringLiteral("  この５倍が時間切れになります");
    case 3: return QStringLiteral("目標ポイント") + crlf + QStringLiteral("\u3000\u3000 目標ポイント");
    case 4: return QStringLiteral("目標回数") + crlf + QStringLiteral("\u3000\u3000 目標回数");
    case 5:
        return QStringLiteral("ポイント倍率") + crlf + QStringLiteral("  ポイントを何倍にして加算するか") + crlf +
               QStringLiteral("  むずかしいレベルや生徒のいやがるレベルは高くしてください");
    case 6:
        return QStringLiteral("やりすぎ禁止回数") + crlf + QStringLiteral("  何回やったらやりすぎ禁止にするか") + crlf +
               QStringLiteral("  ");
    case 7:
        return QStringLiteral("やりすぎ禁止ポイント") + crlf +
               QStringLiteral("  何ポイントとったらやりすぎ禁止にするか") + crlf + QStringLiteral(" ");
    case 8:
        return QStringLiteral("合格判定をする日数") + crlf + QStringLiteral("\u3000何日前からのポイントを有効にするか");
    case 9:
        return QStringLiteral("やりすぎ判定をする日数") + crlf +
               QStringLiteral("\u3000何日前からのポイントを有効にするか");
    default: return QString();
    }
}

CriteriaGridLoad loadCriteriaGrid(const QString& path, CriteriaGrid* grid)
{
    grid->rows = {criteriaGridHeader()};
    grid->lastLevelRow = -1;
    QString text;
    CriteriaGridLoad result = CriteriaGridLoad::Ok;
    switch (readCp932File(path, &text)) {
    case FileStatus::Ok: break;
    case FileStatus::NotFound: result = CriteriaGridLoad::Missing; break;
    default: result = CriteriaGridLoad::Unreadable; break;
    }
    if (result == CriteriaGridLoad::Ok) {
        FieldReader reader(text);
        int group = -1;
        while (!reader.atEnd()) {
            ++group;
            QStringList row = emptyRow();
            row[0] = QString::number(group);
            for (int c = 1; c <= kFieldsPerLine; ++c) {
                Field f;
                // A last line that runs short leaves its missing fields empty.
                if (!reader.next(&f)) break;
                row[c] = f.loose().toText();
            }
            if (group > 0) grid->rows.append(row);
        }
        grid->lastLevelRow = group;
    }
    grid->yellow = QVector<QVector<bool>>(grid->rows.size(), QVector<bool>(kCriteriaGridColumns, false));
    return result;
}

QString halfWidthFigures(QString text)
{
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19) c = QChar(char16_t(u'0' + (u - 0xFF10)));  // ０..９
        else if (u == 0xFF0E || u == 0x3002 || u == 0xFF61) c = QChar(u'.');       // ．。｡
        else if (u == 0xFF0D || u == 0x2212) c = QChar(u'-');                      // －, −
        else if (u == 0xFF0B) c = QChar(u'+');                                     // ＋
    }
    return text;
}

QStringList criteriaFileLines(const CriteriaGrid& grid)
{
    QStringList lines;
    for (int r = 0; r <= grid.lastLevelRow && r < grid.rowCount(); ++r) {
        QStringList row = r == 0 ? criteriaGridHeader() : grid.rows[r];
        // Figures typed with the Japanese input on ("５０") are written as the
        // program reads figures ("50"), not as text that would read as 0.
        if (r > 0)
            for (QString& cell : row) cell = halfWidthFigures(cell);
        lines.append(row.mid(1, kFieldsPerLine).join(u','));
    }
    return lines;
}

bool criteriaCellsWritable(const CriteriaGrid& grid, QString* message)
{
    for (int r = 1; r <= grid.lastLevelRow && r < grid.rowCount(); ++r) {
        for (int c = 1; c <= kCriteriaLastColumn; ++c) {
            const QString bad = unsafePart(grid.rows[r][c]);
            if (bad.isEmpty()) continue;
            if (message)
                *message = QStringLiteral("レベル%1の%2に%3が入っています。\r\n"
                                          "このままでは記録できません。直してから「更新記録」を押してください。")
                               .arg(r)
                               .arg(columnName(c), bad);
            return false;
        }
    }
    return true;
}

CriteriaSave saveCriteriaGrid(const QString& path, const CriteriaGrid& grid, QString* message)
{
    if (!criteriaCellsWritable(grid, message)) return CriteriaSave::Refused;
    QString reason;
    if (writeCp932Lines(path, criteriaFileLines(grid), &reason) != FileStatus::Ok) {
        // The system's reason and number tell the teacher (or whoever they call) what to mend.
        if (message)
            *message = QStringLiteral("「%1」に書き込むことができません。\r\n%2\r\n%3\r\n変更は記録されていません。")
                           .arg(QFileInfo(path).fileName(), QFileInfo(path).absoluteFilePath(), reason);
        return CriteriaSave::Failed;
    }
    return CriteriaSave::Ok;
}

// ---------------------------------------------------------------------------

CriteriaGridLoad CriteriaSheet::load(const QString& path)
{
    const CriteriaGridLoad result = loadCriteriaGrid(path, &grid);
    selectionEnd = row;
    return result;
}

void CriteriaSheet::setCurrent(int newRow, int newColumn)
{
    if (!grid.hasCell(newRow, newColumn)) return;
    row = newRow;
    column = newColumn;
    selectionEnd = newRow;
}

void CriteriaSheet::setCell(int r, int c, const QString& text)
{
    if (!grid.hasCell(r, c)) return;
    if (grid.rows[r][c] != text) {
        grid.yellow[r][c] = true;
        dataChanged = 1;
    }
    grid.rows[r][c] = text;
}

void CriteriaSheet::textToGrid(const QString& text) { setCell(row, column, text); }

bool CriteriaSheet::key(CriteriaKey key, bool shift, const QString& editorText)
{
    if (!hasCurrentCell()) return false;
    const int lastRow = grid.rowCount() - 1;
    switch (key) {
    case CriteriaKey::Up:
        if (row > 1) {
            setCurrent(row - 1, column);
            return true;
        }
        return false;
    case CriteriaKey::Down:
        if (shift) {
            if (selectionEnd < lastRow) {
                ++selectionEnd;
                for (int r = row; r <= selectionEnd; ++r) setCell(r, column, editorText);
            }
            return false;
        }
        if (row < lastRow) {
            setCurrent(row + 1, column);
            return true;
        }
        return false;
    case CriteriaKey::Left:
        if (column > 1) {
            setCurrent(row, column - 1);
            return true;
        }
        return false;
    case CriteriaKey::Right:
        if (column < kCriteriaLastColumn) {
            setCurrent(row, column + 1);
            return true;
        }
        return false;
    case CriteriaKey::Escape:
    case CriteriaKey::Other: return false;
    }
    return false;
}

} // namespace karuvel
