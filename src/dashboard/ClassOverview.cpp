#include "dashboard/ClassOverview.h"

#include "dashboard/LevelRules.h"
#include "dashboard/ResultsLists.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>
#include <algorithm>
#include <tuple>

namespace karuvel {

namespace {
const QColor kClearedColour(200, 240, 200);
const QColor kNeverRunColour(238, 238, 238);
const QColor kClearedBeforeColour(228, 244, 214);

QFont pixelFont(double pixels, bool bold = false)
{
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(std::max(1, int(pixels)));
    f.setBold(bold);
    return f;
}

// Progress of a cell, greater is further along.
auto progressKey(const OverviewCell& c)
{
    const int best = c.best >= 0 ? c.best : kNoTime;
    return std::make_tuple(c.cleared, c.clearedBefore, c.points, -best, c.runs);
}
} // namespace

ClassOverview classOverview(const ProgramState& s, const QString& gradeFilter, const ClassProgress& progress)
{
    ClassOverview o;
    o.gradeFilter = gradeFilter;
    o.period = progress.period();
    const int levels = std::clamp(s.LevelCount, 0, kMaxLevel);
    for (int level = 1; level <= levels; ++level) {
        if (!isPracticeLevelName(s.LevelNames[level])) o.levels.push_back(level);
    }
    const ListContext context(s, s.CurrentPupil, gradeFilter);
    const int count = std::clamp(s.RosterCount.toInt(), 0, kMaxPupil);
    for (int n = 1; n <= count; ++n) {
        const int p = s.RosterOrder[size_t(n)];
        if (p < 1 || p > kMaxPupil || !context.passes(p)) continue;
        if (isTeacherName(s.PupilNames[size_t(p)].trimmed())) continue;  // teachers are no pupils of a class
        OverviewRow row;
        row.pupil = p;
        row.rosterPosition = n;
        row.grade = s.PupilGrades[size_t(p)];
        row.name = s.PupilNames[size_t(p)].trimmed();
        for (int level : o.levels) {
            const LevelHistory& h = progress.at(p, level);
            OverviewCell c;
            c.best = h.best;
            c.runs = h.runs;
            c.points = h.points;
            c.ran = h.ran;
            c.cleared = h.clearedInPeriod;
            c.clearedBefore = h.clearedEver && !h.clearedInPeriod;
            row.cells.push_back(c);
        }
        o.rows.push_back(std::move(row));
    }
    return o;
}

QStringList overviewCellLines(const OverviewCell& cell)
{
    if (!cell.ran && !cell.cleared) return {QStringLiteral("−")};
    QStringList lines;
    if (cell.cleared) lines << QStringLiteral("クリア");
    else if (cell.clearedBefore) lines << QStringLiteral("以前クリア");
    const QString runs = QString::number(cell.runs) + QStringLiteral("回");
    const QString points = QString::number(cell.points) + QStringLiteral("点");
    if (cell.runs >= 100 || cell.points >= 1000) lines << runs << points;
    else lines << runs + QLatin1Char(' ') + points;
    lines << (cell.best >= 0 ? QStringLiteral("最高 ") + QString::number(cell.best) + QStringLiteral("秒")
                             : QStringLiteral("最高 -"));
    return lines;
}

void sortOverview(ClassOverview* overview, int column, bool ascending)
{
    auto& rows = overview->rows;
    if (column <= 0 || size_t(column) > overview->levels.size()) {
        std::stable_sort(rows.begin(), rows.end(), [ascending](const OverviewRow& a, const OverviewRow& b) {
            return ascending ? a.rosterPosition < b.rosterPosition : a.rosterPosition > b.rosterPosition;
        });
        return;
    }
    const size_t k = size_t(column - 1);
    std::stable_sort(rows.begin(), rows.end(), [](const OverviewRow& a, const OverviewRow& b) {
        return a.rosterPosition < b.rosterPosition;
    });
    std::stable_sort(rows.begin(), rows.end(), [k, ascending](const OverviewRow& a, const OverviewRow& b) {
        const auto ka = progressKey(a.cells[k]);
        const auto kb = progressKey(b.cells[k]);
        return ascending ? ka < kb : kb < ka;
    });
}

QString overviewHeading(const ProgramState& s, const ClassOverview& overview, int column)
{
    if (column <= 0 || size_t(column) > overview.levels.size()) return QStringLiteral("名前");
    const int level = overview.levels[size_t(column - 1)];
    return QString::number(level) + QLatin1Char('\n') + s.LevelNames[level].trimmed();
}

QStringList overviewCsvLines(const ProgramState& s, const ClassOverview& overview)
{
    auto quoted = [](QString t) {
        if (t.contains(u',') || t.contains(u'"') || t.contains(u'\n')) t = u'"' + t.replace(u'"', QStringLiteral("\"\"")) + u'"';
        return t;
    };
    QStringList head{QStringLiteral("学年"), QStringLiteral("名前")};
    for (int level : overview.levels) {
        const QString name = QStringLiteral("レベル%1 %2").arg(level).arg(s.LevelNames[level].trimmed());
        head << name + QStringLiteral(" クリア") << name + QStringLiteral(" 回数") << name + QStringLiteral(" ポイント")
             << name + QStringLiteral(" 最高(秒)");
    }
    QStringList lines{QStringLiteral("期間,") + quoted(overview.period.text()), QString()};
    for (QString& h : head) h = quoted(h);
    lines << head.join(u',');
    for (const OverviewRow& row : overview.rows) {
        QStringList f{quoted(row.grade), quoted(row.name)};
        for (const OverviewCell& c : row.cells) {
            f << (c.cleared ? QStringLiteral("クリア") : c.clearedBefore ? QStringLiteral("以前クリア") : QString())
              << QString::number(c.runs) << QString::number(c.points) << (c.best >= 0 ? QString::number(c.best) : QString());
        }
        lines << f.join(u',');
    }
    return lines;
}

XlsxSheet overviewSheet(const ProgramState& s, const ClassOverview& overview, const QString& title)
{
    XlsxSheet sheet;
    sheet.name = QStringLiteral("クラス一覧");
    auto text = [](const QString& t) { return XlsxCell::of(t); };
    sheet.rows.push_back({text(title)});
    sheet.rows.push_back({text(QStringLiteral("期間")), text(overview.period.text())});
    sheet.rows.push_back({});
    std::vector<XlsxCell> levelRow{text(QStringLiteral("学年")), text(QStringLiteral("名前"))};
    std::vector<XlsxCell> partRow{XlsxCell::empty(), XlsxCell::empty()};
    sheet.columnWidths = {7, 16};
    for (int level : overview.levels) {
        // The level's heading runs on over its three empty neighbours.
        levelRow.push_back(text(QStringLiteral("レベル%1 %2").arg(level).arg(s.LevelNames[level].trimmed())));
        levelRow.insert(levelRow.end(), 3, XlsxCell::empty());
        for (const QString& part : {QStringLiteral("クリア"), QStringLiteral("回数"), QStringLiteral("ポイント"),
                                    QStringLiteral("最高(秒)")})
            partRow.push_back(text(part));
        sheet.columnWidths.insert(sheet.columnWidths.end(), {11, 6, 9, 9});
    }
    sheet.rows.push_back(std::move(levelRow));
    sheet.rows.push_back(std::move(partRow));
    for (const OverviewRow& row : overview.rows) {
        std::vector<XlsxCell> cells{text(row.grade), text(row.name)};
        for (const OverviewCell& c : row.cells) {
            cells.push_back(c.cleared         ? text(QStringLiteral("クリア"))
                            : c.clearedBefore ? text(QStringLiteral("以前クリア"))
                                              : XlsxCell::empty());
            cells.push_back(XlsxCell::of(double(c.runs)));
            cells.push_back(XlsxCell::of(double(c.points)));
            cells.push_back(c.best >= 0 ? XlsxCell::of(double(c.best)) : XlsxCell::empty());
        }
        sheet.rows.push_back(std::move(cells));
    }
    sheet.boldRows = 5;
    sheet.frozenRows = 5;
    sheet.frozenColumns = 2;
    return sheet;
}

namespace {
// Page geometry of the printed overview, in the page's units.
constexpr double kHeadingRows = 2.0;  // the title and the headings take two rows' room
// Four lines of at least 12 pixels (9 points on paper) a row.
double rowHeightOn(const QRectF& rect) { return std::clamp(rect.height() / 18.0, 56.0, 64.0); }
} // namespace

int overviewRowsPerPage(const QRectF& rect)
{
    return std::max(1, int(rect.height() / rowHeightOn(rect) - kHeadingRows));
}

void paintOverviewPage(QPainter& p, const QRectF& rect, const ProgramState& s, const ClassOverview& overview,
                       const QString& title, int first, int count)
{
    p.save();
    const double rowHeight = rowHeightOn(rect);
    const int columns = int(overview.levels.size()) + 1;
    const double nameWidth = std::min(rect.width() * 0.22, 150.0);
    const double cellWidth = columns > 1 ? (rect.width() - nameWidth) / double(columns - 1) : 0.0;
    const double textPixels = std::clamp(std::min(rowHeight / 4.6, cellWidth / 6.0), 12.0, 14.0);
    p.setFont(pixelFont(textPixels * 1.4, true));
    p.setPen(Qt::black);
    p.drawText(QRectF(rect.left(), rect.top(), rect.width(), rowHeight), Qt::AlignLeft | Qt::AlignVCenter, title);

    auto columnRect = [&](int column, double y, double h) {
        if (column == 0) return QRectF(rect.left(), y, nameWidth, h);
        return QRectF(rect.left() + nameWidth + cellWidth * (column - 1), y, cellWidth, h);
    };
    const double headY = rect.top() + rowHeight;
    p.setFont(pixelFont(textPixels, true));
    for (int c = 0; c < columns; ++c) {
        const QRectF r = columnRect(c, headY, rowHeight);
        p.fillRect(r, QColor(225, 225, 240));
        p.setPen(Qt::gray);
        p.drawRect(r);
        p.setPen(Qt::black);
        p.drawText(r.adjusted(2, 1, -2, -1), Qt::AlignCenter | Qt::TextWordWrap, overviewHeading(s, overview, c));
    }
    const int last = std::min(int(overview.rows.size()), first + count);
    double y = headY + rowHeight;
    for (int i = std::max(0, first); i < last; ++i, y += rowHeight) {
        const OverviewRow& row = overview.rows[size_t(i)];
        const QRectF nameRect = columnRect(0, y, rowHeight);
        p.setPen(Qt::gray);
        p.drawRect(nameRect);
        p.setPen(Qt::black);
        p.setFont(pixelFont(textPixels * 1.1));
        p.drawText(nameRect.adjusted(3, 1, -2, -1), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                   row.grade + QLatin1Char(' ') + row.name);
        p.setFont(pixelFont(textPixels));
        for (size_t k = 0; k < row.cells.size(); ++k) {
            const OverviewCell& cell = row.cells[k];
            const QRectF r = columnRect(int(k) + 1, y, rowHeight);
            if (cell.cleared) p.fillRect(r, kClearedColour);
            else if (cell.clearedBefore) p.fillRect(r, kClearedBeforeColour);
            else if (!cell.ran) p.fillRect(r, kNeverRunColour);
            p.setPen(Qt::gray);
            p.drawRect(r);
            p.setPen(Qt::black);
            p.drawText(r.adjusted(2, 1, -2, -1), Qt::AlignCenter, overviewCellLines(cell).join(QLatin1Char('\n')));
        }
    }
    p.restore();
}

ClassOverviewModel::ClassOverviewModel(QObject* parent) : QAbstractTableModel(parent) {}

void ClassOverviewModel::setOverview(const ProgramState& s, ClassOverview overview)
{
    beginResetModel();
    overview_ = std::move(overview);
    headings_.clear();
    for (int c = 0; c <= int(overview_.levels.size()); ++c) headings_ << overviewHeading(s, overview_, c);
    endResetModel();
}

int ClassOverviewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(overview_.rows.size());
}

int ClassOverviewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(overview_.levels.size()) + 1;
}

QVariant ClassOverviewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= overview_.rows.size()) return {};
    const OverviewRow& row = overview_.rows[size_t(index.row())];
    if (index.column() == 0) {
        if (role == Qt::DisplayRole) return row.grade + QLatin1Char(' ') + row.name;
        if (role == Qt::UserRole) return row.pupil;
        return {};
    }
    const size_t k = size_t(index.column() - 1);
    if (k >= row.cells.size()) return {};
    const OverviewCell& cell = row.cells[k];
    switch (role) {
    case Qt::DisplayRole: return overviewCellLines(cell).join(QLatin1Char('\n'));
    case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        if (cell.cleared) return QBrush(kClearedColour);
        if (cell.clearedBefore) return QBrush(kClearedBeforeColour);
        if (!cell.ran) return QBrush(kNeverRunColour);
        return {};
    case Qt::UserRole: return row.pupil;
    default: return {};
    }
}

QVariant ClassOverviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return section >= 0 && section < headings_.size() ? QVariant(headings_[section]) : QVariant();
}

void ClassOverviewModel::sort(int column, Qt::SortOrder order)
{
    emit layoutAboutToBeChanged();
    sortOverview(&overview_, column, order == Qt::AscendingOrder);
    emit layoutChanged();
}

} // namespace karuvel
