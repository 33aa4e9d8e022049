#include "admin/CriteriaChecks.h"

#include "records/Recount.h"

#include <QRegularExpression>
#include <cmath>
#include <map>
#include <unordered_map>

namespace karuvel {

namespace {

QString header(int column) { return criteriaGridHeader().value(column); }

QString rangeText(const CriteriaColumnRange& r)
{
    if (r.decimals)
        return QStringLiteral("%1 から %2 までの数（小数は2けたまで）").arg(r.min).arg(r.max);
    return QStringLiteral("%1 から %2 までの整数").arg(r.min).arg(r.max);
}

} // namespace

bool criteriaColumnRange(int column, CriteriaColumnRange* range)
{
    switch (column) {
    case 1: *range = {1, 9999}; return true;      // 目標Time: 0 would divide the points by zero
    case 2: *range = {1, 9999}; return true;      // 最低Time: five times it stays below a time over
    case 3: *range = {0, 9999}; return true;      // ｸﾘｱﾎﾟｲﾝﾄ (9999: no points criterion)
    case 4: *range = {0, 9999}; return true;      // ｸﾘｱ回数 (9999: no final congratulation)
    case 5: *range = {0, 100, true}; return true; // ﾎﾟｲﾝﾄ倍率
    case 6: *range = {0, 9999}; return true;      // 禁回 (0: no limit)
    case 7: *range = {0, 999999}; return true;    // 禁点 (0: no limit)
    case 8: *range = {1, 3650}; return true;      // 判期間: 0 days would count no run at all
    case 9: *range = {0, 3650}; return true;      // 禁期間
    default: return false;
    }
}

bool criteriaCellValue(int column, const QString& text, double* value)
{
    CriteriaColumnRange r;
    if (!criteriaColumnRange(column, &r)) return false;
    const QString t = halfWidthFigures(text).trimmed();
    static const QRegularExpression whole(QStringLiteral("^[0-9]{1,7}$"));
    static const QRegularExpression decimal(QStringLiteral("^[0-9]{1,4}(\\.[0-9]{1,2})?$"));
    if (!(r.decimals ? decimal : whole).match(t).hasMatch()) return false;
    const double v = t.toDouble();
    if (v < r.min || v > r.max) return false;
    *value = v;
    return true;
}

bool criteriaGridValid(const CriteriaGrid& grid, QString* message)
{
    if (!criteriaCellsWritable(grid, message)) return false;
    for (int row = 1; row <= grid.lastLevelRow && row < grid.rowCount(); ++row) {
        double values[10] = {};
        for (int c = 1; c <= 9; ++c) {
            if (criteriaCellValue(c, grid.rows[row][c], &values[c])) continue;
            CriteriaColumnRange r;
            criteriaColumnRange(c, &r);
            if (message) {
                const QString shown = grid.rows[row][c].isEmpty() ? QStringLiteral("空欄")
                                                                  : QStringLiteral("「%1」").arg(grid.rows[row][c]);
                *message = QStringLiteral("レベル%1の「%2」が%3です。\r\n%4で入れてください。\r\n"
                                          "何も記録していません。")
                               .arg(row)
                               .arg(header(c), shown, rangeText(r));
            }
            return false;
        }
        if (!(values[1] < values[2])) {
            if (message)
                *message = QStringLiteral("レベル%1の「目標Time」（%2秒）が「最低Time」（%3秒）より小さくありません。\r\n"
                                          "目標Timeは最低Timeより小さくしてください。\r\n何も記録していません。")
                               .arg(row)
                               .arg(grid.rows[row][1].trimmed(), grid.rows[row][2].trimmed());
            return false;
        }
    }
    return true;
}

std::vector<CriteriaChange> criteriaChanges(const CriteriaGrid& before, const CriteriaGrid& after)
{
    std::vector<CriteriaChange> changes;
    const int rows = std::min(before.rowCount(), after.rowCount());
    for (int row = 1; row < rows && row <= after.lastLevelRow; ++row) {
        for (int c = 1; c <= kCriteriaLastColumn; ++c) {
            const QString from = before.rows[row][c];
            const QString to = halfWidthFigures(after.rows[row][c]).trimmed();
            // "050" typed over "50" changes nothing the program reads.
            double a = 0, b = 0;
            if (criteriaCellValue(c, from, &a) && criteriaCellValue(c, to, &b) && a == b) continue;
            if (from == to) continue;
            changes.push_back({row, c, from, to});
        }
    }
    return changes;
}

QString criteriaChangeText(const CriteriaChange& change)
{
    const QString name = header(change.column).isEmpty() ? QStringLiteral("%1列目").arg(change.column)
                                                         : header(change.column);
    auto shown = [](const QString& t) { return t.isEmpty() ? QStringLiteral("（空欄）") : t; };
    return QStringLiteral("レベル%1 %2 %3→%4").arg(change.level).arg(name, shown(change.from), shown(change.to));
}

ClearCriteria clearCriteriaOfRow(const CriteriaGrid& grid, int level)
{
    ClearCriteria c;
    auto value = [&](int column) {
        double v = 0;
        criteriaCellValue(column, grid.rows[level][column], &v);
        return v;
    };
    c.target = (long long)value(1);
    c.clearPoints = (long long)value(3);
    c.clearCount = (long long)value(4);
    c.multiplier = float(value(5));
    c.recentDays = value(8);
    return c;
}

int pupilsClearing(std::span<const RecEntry> records, int level, const ClearCriteria& c, double nowOle)
{
    struct Sum {
        long long points = 0;
        long long runs = 0;
    };
    std::unordered_map<int, Sum> sums;
    const double after = nowOle - c.recentDays;
    for (const RecEntry& r : records) {
        if (r.level != level || !validPupil(r.pupil) || r.pupil < 1 || !(r.date > after)) continue;
        Sum& s = sums[r.pupil];
        s.points += recordPoints(r.time, c.target, c.multiplier);
        if (r.time < 6000) ++s.runs;
    }
    int cleared = 0;
    for (const auto& [pupil, s] : sums)
        if (s.points >= c.clearPoints && s.runs >= c.clearCount) ++cleared;
    return cleared;
}

QString criteriaSaveQuestion(const std::vector<CriteriaChange>& changes, const CriteriaGrid& before,
                             const CriteriaGrid& after, std::span<const RecEntry> records, double nowOle,
                             bool runsRead)
{
    QStringList lines{QStringLiteral("次のように変更して記録します。よろしいですか？"), QString()};
    // The columns that decide who clears a level.
    auto judging = [](int column) { return column == 1 || column == 3 || column == 4 || column == 5 || column == 8; };
    std::map<int, QStringList> byLevel;
    std::map<int, bool> levelJudged;
    for (const CriteriaChange& ch : changes) {
        byLevel[ch.level] << criteriaChangeText(ch);
        if (judging(ch.column)) levelJudged[ch.level] = true;
    }
    for (const auto& [level, texts] : byLevel) {
        QString line = texts.join(QStringLiteral("、"));
        if (runsRead && levelJudged[level] && level < before.rowCount()) {
            bool beforeValid = true;
            for (int c : {1, 3, 4, 5, 8}) {
                double v = 0;
                beforeValid = beforeValid && criteriaCellValue(c, before.rows[level][c], &v);
            }
            const int now = beforeValid ? pupilsClearing(records, level, clearCriteriaOfRow(before, level), nowOle) : -1;
            const int then = pupilsClearing(records, level, clearCriteriaOfRow(after, level), nowOle);
            line += now >= 0 ? QStringLiteral("（判定期間にクリアする人 %1人→%2人）").arg(now).arg(then)
                             : QStringLiteral("（判定期間にクリアする人 %1人）").arg(then);
        }
        lines << line;
    }
    if (!runsRead && !levelJudged.empty())
        lines << QString() << QStringLiteral("（成績ファイルを読めなかったので、クリアする人の数は出していません）");
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace karuvel
