#include "dashboard/StuckList.h"

#include "dashboard/ResultsLists.h"
#include "platform/Calendar.h"

#include <QFont>
#include <QPainter>
#include <QRectF>
#include <algorithm>

namespace karuvel {

namespace {
// "レベル1～5・7・9・10": three or more levels in a row as a range, so that
// a long list fits its column.
QString levelsText(const std::vector<int>& levels)
{
    QStringList parts;
    for (size_t i = 0; i < levels.size();) {
        size_t j = i;
        while (j + 1 < levels.size() && levels[j + 1] == levels[j] + 1) ++j;
        if (j - i >= 2) {
            parts << QString::number(levels[i]) + QStringLiteral("～") + QString::number(levels[j]);
        } else {
            for (size_t k = i; k <= j; ++k) parts << QString::number(levels[k]);
        }
        i = j + 1;
    }
    return parts.isEmpty() ? QStringLiteral("−") : QStringLiteral("レベル") + parts.join(QStringLiteral("・"));
}

QFont pixelFont(double pixels, bool bold = false)
{
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(std::max(1, int(pixels)));
    f.setBold(bold);
    return f;
}

// The share of the page width each column takes.
constexpr double kColumnShares[] = {0.20, 0.18, 0.24, 0.26, 0.12};
} // namespace

std::vector<StuckRow> stuckList(const ProgramState& s, const QString& gradeFilter, const ClassProgress& progress,
                                const QDate& today)
{
    std::vector<StuckRow> rows;
    const ListContext context(s, s.CurrentPupil, gradeFilter);
    const int count = std::clamp(s.RosterCount.toInt(), 0, kMaxPupil);
    const int levels = std::clamp(s.LevelCount, 0, kMaxLevel);
    const double todayOle = toOleDate(today);
    for (int n = 1; n <= count; ++n) {
        const int p = s.RosterOrder[size_t(n)];
        if (p < 1 || p > kMaxPupil || !context.passes(p)) continue;
        const QString name = s.PupilNames[size_t(p)].trimmed();
        if (isTeacherName(name)) continue;
        StuckRow row;
        row.pupil = p;
        row.rosterPosition = n;
        row.grade = s.PupilGrades[size_t(p)];
        row.name = name;
        const double last = progress.lastRunDay(p);
        row.daysSinceLastRun = last < 0 ? -1 : int(todayOle - last);
        for (int level = 1; level <= levels; ++level) {
            if (isPracticeLevelName(s.LevelNames[level])) continue;
            const LevelHistory& h = progress.at(p, level);
            if (h.ran && !h.clearedEver) row.notCleared.push_back(level);
            if (h.stalled) row.stalled.push_back(level);
            row.timeOvers += h.timeOvers;
        }
        row.need = row.daysSinceLastRun < 0
                       ? 1e9
                       : std::min(row.daysSinceLastRun, 60) + 8.0 * double(row.stalled.size()) +
                             4.0 * double(row.notCleared.size()) + 2.0 * row.timeOvers;
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const StuckRow& a, const StuckRow& b) { return a.need > b.need; });
    return rows;
}

QStringList stuckHeadings()
{
    return {QStringLiteral("名前"), QStringLiteral("最後の練習"), QStringLiteral("クリアできていない"),
            QStringLiteral("最近5回のびていない"), QStringLiteral("時間切れ")};
}

QStringList stuckRowTexts(const StuckRow& row)
{
    const QString last = row.daysSinceLastRun < 0   ? QStringLiteral("まだ練習していない")
                         : row.daysSinceLastRun == 0 ? QStringLiteral("今日")
                                                     : QStringLiteral("%1日前").arg(row.daysSinceLastRun);
    return {row.grade + QLatin1Char(' ') + row.name, last, levelsText(row.notCleared), levelsText(row.stalled),
            row.timeOvers > 0 ? QStringLiteral("%1回").arg(row.timeOvers) : QStringLiteral("−")};
}

namespace {
double rowHeightOn(const QRectF& rect) { return std::clamp(rect.height() / 30.0, 22.0, 40.0); }
} // namespace

int stuckRowsPerPage(const QRectF& rect) { return std::max(1, int(rect.height() / rowHeightOn(rect)) - 2); }

void paintStuckPage(QPainter& p, const QRectF& rect, const QString& title, const std::vector<StuckRow>& rows, int first,
                    int count)
{
    p.save();
    const double h = rowHeightOn(rect);
    const double text = std::clamp(h * 0.45, 12.0, 16.0);  // at least 9 pt on paper (12 px at 96 dpi)
    p.setFont(pixelFont(text * 1.3, true));
    p.setPen(Qt::black);
    p.drawText(QRectF(rect.left(), rect.top(), rect.width(), h), Qt::AlignLeft | Qt::AlignVCenter, title);
    auto cell = [&](int column, double y) {
        double x = rect.left();
        for (int c = 0; c < column; ++c) x += rect.width() * kColumnShares[c];
        return QRectF(x, y, rect.width() * kColumnShares[column], h);
    };
    double y = rect.top() + h;
    const QStringList heads = stuckHeadings();
    p.setFont(pixelFont(text, true));
    for (int c = 0; c < heads.size(); ++c) {
        p.fillRect(cell(c, y), QColor(225, 225, 240));
        p.setPen(Qt::gray);
        p.drawRect(cell(c, y));
        p.setPen(Qt::black);
        p.drawText(cell(c, y).adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter, heads[c]);
    }
    p.setFont(pixelFont(text));
    const int last = std::min(int(rows.size()), first + count);
    for (int i = std::max(0, first); i < last; ++i) {
        y += h;
        const QStringList texts = stuckRowTexts(rows[size_t(i)]);
        for (int c = 0; c < texts.size(); ++c) {
            p.setPen(Qt::gray);
            p.drawRect(cell(c, y));
            p.setPen(Qt::black);
            p.drawText(cell(c, y).adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter, texts[c]);
        }
    }
    p.restore();
}

} // namespace karuvel
