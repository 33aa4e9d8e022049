#include "dashboard/ResultsLists.h"

#include "platform/Calendar.h"
#include "records/Recount.h"
#include "roster/Roster.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace karuvel {

namespace {
const QChar kWideSpace(0x3000);

// The pupils of the roster, in roster order.
std::vector<int> rosterPupils(const ProgramState& s)
{
    const int count = std::clamp(s.RosterCount.toInt(), 0, kMaxPupil);
    std::vector<int> pupils;
    pupils.reserve(size_t(count));
    for (int j = 1; j <= count && j < int(s.RosterOrder.size()); ++j) pupils.push_back(s.RosterOrder[size_t(j)]);
    return pupils;
}

QString trimmedRight(const QString& text)
{
    int end = text.size();
    while (end > 0 && text[end - 1].isSpace()) --end;
    return text.left(end);
}

const QString& pupilName(const ProgramState& s, int pupil)
{
    static const QString none;
    return validPupil(pupil) && size_t(pupil) < s.PupilNames.size() ? s.PupilNames[size_t(pupil)] : none;
}
} // namespace

QString rightAligned(const QString& text, int width)
{
    return text.size() >= width ? text : QString(width - text.size(), QLatin1Char(' ')) + text;
}

QString rankField(long long rank) { return rightAligned(QString::number(rank), 2); }
QString valueField(long long value) { return rightAligned(QString::number(value), 6); }
QString timeField(long long seconds) { return rightAligned(QString::number(seconds) + QStringLiteral("秒"), 5); }

QString nameField(const QString& name)
{
    QString t = trimmedRight(name).left(5);
    return t + QString(5 - t.size(), kWideSpace);
}

QString clockText(double dayFraction)
{
    // A damaged record's time of day (not a number, or infinite) names no time.
    if (!std::isfinite(dayFraction)) return QStringLiteral("--:--");
    double frac = dayFraction - std::floor(dayFraction);
    long long secs = std::llround(frac * 86400.0) % 86400;
    return QStringLiteral("%1:%2")
        .arg(secs / 3600, 2, 10, QLatin1Char('0'))
        .arg((secs / 60) % 60, 2, 10, QLatin1Char('0'));
}

QString monthDayText(double oleDate)
{
    const QDate d = fromOleDate(std::floor(oleDate));
    return d.toString(QStringLiteral("yyyy/MM/dd")).right(5);
}

ListContext::ListContext(const ProgramState& s, int currentPupil, const QString& gradeFilter)
    : s_(s),
      current_(currentPupil),
      filter_(gradeFilter),
      grade_(size_t(kPupilSlots), 0),
      passes_(size_t(kPupilSlots), 0),
      marks_(size_t(kPupilSlots)),
      names_(size_t(kPupilSlots)),
      named_(size_t(kPupilSlots), 0)
{
    // One grade test per distinct birth year, not per pupil.
    struct Seen {
        int birth;
        int grade;
        bool passes;
        QString mark;
    };
    std::vector<Seen> seen;
    for (int p = 0; p <= kMaxPupil; ++p) {
        const int birth = size_t(p) < s.PupilBirthYears.size() ? s.PupilBirthYears[size_t(p)] : 0;
        auto it = std::find_if(seen.begin(), seen.end(), [birth](const Seen& e) { return e.birth == birth; });
        if (it == seen.end()) {
            const int g = GradeIndex(birth);
            seen.push_back({birth, g, PassesGradeFilter(filter_, g), GradeMark(g)});
            it = seen.end() - 1;
        }
        grade_[size_t(p)] = it->grade;
        passes_[size_t(p)] = it->passes ? 1 : 0;
        marks_[size_t(p)] = it->mark;
    }
}

QString ListContext::openMarker(int pupil) const
{
    if (pupil == current_) return QStringLiteral("●");
    return validPupil(pupil) ? marks_[size_t(pupil)] : GradeMark(-99);
}

QString ListContext::closeMarker(int pupil) const
{
    return pupil == current_ ? QStringLiteral("●") : QString(kWideSpace);
}

const QString& ListContext::name(int pupil) const
{
    static const QString blank = nameField(QString());
    if (!validPupil(pupil)) return blank;
    if (!named_[size_t(pupil)]) {
        names_[size_t(pupil)] = nameField(pupilName(s_, pupil));
        named_[size_t(pupil)] = 1;
    }
    return names_[size_t(pupil)];
}

namespace {
// Appends the number right-aligned in `width` characters (wider numbers are kept whole).
void appendNumber(QString& out, long long value, int width)
{
    char digits[24];
    int n = 0;
    unsigned long long v = value < 0 ? 0ULL - (unsigned long long)(value) : (unsigned long long)(value);
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v != 0);
    if (value < 0) digits[n++] = '-';
    for (int k = n; k < width; ++k) out.append(QLatin1Char(' '));
    while (n > 0) out.append(QLatin1Char(digits[--n]));
}
} // namespace

ListFill bestTimesList(const ProgramState& s, const ListContext& c, int level)
{
    ListFill fill;
    if (level < 1 || level > kMaxLevel) return fill;
    const std::vector<int> pupils = rosterPupils(s);
    struct Entry {
        int pupil;
        int32_t key;
    };
    std::vector<Entry> entries;
    entries.reserve(pupils.size());
    for (int p : pupils) entries.push_back({p, validPupil(p) ? s.BestTime(level, p) : kNoTime});

    if (s.LevelTimed[level] == 1) {
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    } else {
        // The value is a points figure: highest first, pupils with no run last.
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            const bool aNone = a.key == kNoTime;
            const bool bNone = b.key == kNoTime;
            if (aNone != bNone) return bNone;
            return a.key > b.key;
        });
    }

    long long rank = 0;
    for (size_t j = 0; j < entries.size(); ++j) {
        const Entry& e = entries[j];
        if (j == 0 || e.key != entries[j - 1].key) rank = (long long)(j) + 1;
        if (!c.passes(e.pupil)) continue;
        QString line;
        line.reserve(24);
        if (e.key == kNoTime)
            line.append(QStringLiteral("--"));
        else
            appendNumber(line, rank, 2);
        line.append(c.openMarker(e.pupil));
        line.append(c.name(e.pupil));
        if (e.key == kFailedTime)
            line.append(QStringLiteral("*失敗*"));
        else if (e.key == kNoTime)
            line.append(QStringLiteral("------"));
        else
            appendNumber(line, e.key, 6);
        line.append(QLatin1Char(' '));
        line.append(c.closeMarker(e.pupil));
        if (e.pupil == c.currentPupil() && fill.ownLine < 0) fill.ownLine = int(fill.lines.size());
        fill.lines.append(line);
    }
    return fill;
}

RankKey rankKey(const ProgramState& s, int level, int pupil, int rankKind)
{
    if (level < 1 || level > kMaxLevel || !validPupil(pupil)) return {};
    const int64_t total = s.TotalPoints(level, pupil);
    const int64_t today = s.TodayPoints(level, pupil);
    return rankKind == kRankToday ? RankKey{today, total} : RankKey{total, today};
}

ListFill rankingList(const ProgramState& s, const ListContext& c, int level, int rankKind)
{
    ListFill fill;
    if (level < 1 || level > kMaxLevel) return fill;
    const std::vector<int> pupils = rosterPupils(s);
    struct Entry {
        int pupil;
        RankKey key;
    };
    std::vector<Entry> entries;
    entries.reserve(pupils.size());
    for (int p : pupils) entries.push_back({p, rankKey(s, level, p, rankKind)});
    // Higher primary points first; the other points break ties; equal pupils keep roster order.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.key.primary != b.key.primary) return a.key.primary > b.key.primary;
        return a.key.secondary > b.key.secondary;
    });

    long long rank = 0;
    for (size_t j = 0; j < entries.size(); ++j) {
        const Entry& e = entries[j];
        if (j == 0 || e.key.primary != entries[j - 1].key.primary) rank = (long long)(j) + 1;
        if (!c.passes(e.pupil)) continue;
        const int64_t today = validPupil(e.pupil) ? s.TodayPoints(level, e.pupil) : 0;
        const int64_t total = validPupil(e.pupil) ? s.TotalPoints(level, e.pupil) : 0;
        if (rankKind == kRankToday && today == 0) continue;
        QString line;
        line.reserve(24);
        appendNumber(line, rank, 2);
        line.append(c.openMarker(e.pupil));
        line.append(c.name(e.pupil));
        appendNumber(line, today, 3);
        line.append(QLatin1Char('/'));
        appendNumber(line, total, 5);
        if (e.pupil == c.currentPupil() && fill.ownLine < 0) fill.ownLine = int(fill.lines.size());
        fill.lines.append(line);
    }
    return fill;
}

QStringList periodChoices()
{
    return {QStringLiteral("　　　今週の全成績"), QStringLiteral("　　先週からの全成績"),
            QStringLiteral("　　１ヶ月間の全成績"), QStringLiteral("　　１年間の全成績"),
            QStringLiteral("　　今までの全成績\"")};
}

int periodDays(int period, const QDate& today)
{
    // Weekday counted from Sunday = 1 to Saturday = 7.
    const int w = today.dayOfWeek() % 7 + 1;
    const bool sunday = w == 1;
    switch (period) {
    case 1: return sunday ? 7 : w - 1;
    case 2: return sunday ? 14 : w - 1 + 7;
    case 3: return 30;
    case 4: return 365;
    default: return 3650;
    }
}

bool withinDays(double recordDate, const QDateTime& now, int days) { return recordDate > toOleDateTime(now) - days; }

RecordListsBuilder::RecordListsBuilder(const ProgramState& s, const ListContext& c, RecordView view,
                                       const QDateTime& now, int periodDays)
    : s_(s), c_(c), view_(view), todayOle_(toOleDate(now.date())), nowOle_(toOleDateTime(now)), days_(periodDays)
{
}

void RecordListsBuilder::add(const RecEntry& r)
{
    const int level = r.level;
    const int pupil = r.pupil;
    if (level < 1 || level > std::min(s_.LevelCount, kMaxLevel)) return;
    if (pupil < 1 || pupil > kMaxPupil) return;
    // A damaged record whose date no calendar can name (beyond 31 December
    // 9999) is left out, as the recount leaves it out.
    constexpr double kDayAfterLastOleDay = 2958466.0;
    if (!std::isfinite(r.date) || r.date < 0 || r.date >= kDayAfterLastOleDay) return;
    if (isPracticeLevelName(s_.LevelNames[level])) return;
    if (!c_.passes(pupil)) return;
    const QString& name = c_.name(pupil);
    if (view_ == RecordView::Today) {
        if (std::floor(r.date) != todayOle_ || r.time >= 90000) return;
        const int points = runBasePoints(r.time, s_.TargetTime[level]);
        lists[size_t(level)].append(timeField(r.time) + QLatin1Char(' ') + clockText(r.clock) + c_.openMarker(pupil)
                                    + name + c_.closeMarker(pupil) + QString::number(points));
    } else {
        if (!(r.date > nowOle_ - days_)) return;
        const QString time = r.time >= 90000 ? QStringLiteral("　　× ") : timeField(r.time);
        lists[size_t(level)].append(time + monthDayText(r.date) + c_.openMarker(pupil) + name
                                    + c_.closeMarker(pupil));
    }
}

} // namespace karuvel
