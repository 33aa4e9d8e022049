#include "dashboard/PupilSummary.h"

#include "platform/Calendar.h"
#include "records/Recount.h"
#include "roster/Roster.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace karuvel {

namespace {
// A day no calendar can name beyond (31 December 9999, plus one).
constexpr double kDayAfterLastOleDay = 2958466.0;

// sum / count rounded to the nearest whole number (halves upwards).
long long roundedAverage(long long sum, long long count)
{
    if (count <= 0) return -1;
    return (long long)(std::floor(double(sum) / double(count) + 0.5));
}

QString padded(long long value, int width)
{
    return rightAligned(value < 0 ? QStringLiteral("-") : QString::number(value), width);
}
} // namespace

QString sheetNumber(long long value) { return padded(value, 7); }
QString sheetRank(long long value) { return padded(value, 6); }

PupilSummary::PupilSummary(const ProgramState& s, const QString& gradeFilter, const QDateTime& now, int listPupil,
                           const SummaryScope& scope)
    : s_(s),
      context_(s, s.CurrentPupil, gradeFilter),
      levels_(std::clamp(s.LevelCount, 0, kMaxLevel)),
      scope_(scope),
      since_(toOleDateTime(now) - kSummaryDays),
      listPupil_(listPupil),
      cells_(size_t(levels_ + 1) * kPupilSlots)
{
    for (int level = 1; level <= levels_; ++level) practice_[size_t(level)] = isPracticeLevelName(s.LevelNames[level]);
}

void PupilSummary::add(const RecEntry& r)
{
    const int level = r.level;
    const int pupil = r.pupil;
    if (level < 1 || level > levels_ || pupil < 1 || pupil > kMaxPupil) return;
    if (!std::isfinite(r.date) || r.date < 0 || r.date >= kDayAfterLastOleDay) return;
    if (scope_.periodSet ? !scope_.period.contains(r.date) : !(r.date > since_)) return;
    if (practice_[size_t(level)]) return;
    Cell& c = cells_[size_t(level) * kPupilSlots + size_t(pupil)];
    c.ran = true;
    c.points += recordPoints(r.time, s_.TargetTime[level], s_.PointMultiplier[level]);
    if (r.time >= 0 && r.time < kSummaryTimeLimit) {
        ++c.runs;
        c.timeSum += r.time;
        if (c.best < 0 || r.time < c.best) c.best = r.time;
    }
    if (pupil == listPupil_) {
        const QString time = r.time >= 90000 ? QStringLiteral("　　× ") : timeField(r.time);
        runLines_[size_t(level)].append(time + monthDayText(r.date) + context_.openMarker(pupil)
                                        + context_.name(pupil) + context_.closeMarker(pupil));
    }
}

const PupilSummary::Cell* PupilSummary::cell(int level, int pupil) const
{
    if (level < 1 || level > levels_ || !validPupil(pupil)) return nullptr;
    return &cells_[size_t(level) * kPupilSlots + size_t(pupil)];
}

QString PupilSummary::groupFilter(int pupil) const
{
    switch (scope_.group) {
    case CompareGroup::GradeFilter: return context_.filter();
    case CompareGroup::School: return QStringLiteral("全学年");
    case CompareGroup::PupilGrade: {
        const QString grade = validPupil(pupil) ? s_.PupilGrades[size_t(pupil)] : QString();
        return gradeFilters().contains(grade) ? grade : QStringLiteral("全学年");
    }
    }
    return QStringLiteral("全学年");
}

QString PupilSummary::groupName(int pupil) const
{
    const QString f = groupFilter(pupil);
    return f == QStringLiteral("全学年") ? QStringLiteral("塾全体") : f;
}

QString PupilSummary::groupAverageName(int pupil) const
{
    const QString f = groupFilter(pupil);
    return f == QStringLiteral("全学年") ? QStringLiteral("塾平均") : f + QStringLiteral("平均");
}

QString PupilSummary::scopeLine(int pupil) const
{
    const QString period = scope_.periodSet ? scope_.period.text() : QStringLiteral("最近10年");
    return QStringLiteral("期間：%1　くらべる相手：%2").arg(period, groupName(pupil));
}

long long PupilSummary::pointsOf(int level, int pupil) const
{
    if (!scope_.periodSet) return s_.TotalPoints(level, pupil);
    const Cell* c = cell(level, pupil);
    return c ? c->points : 0;
}

LevelFigures PupilSummary::figures(int pupil, int level) const
{
    LevelFigures f;
    const Cell* own = cell(level, pupil);
    if (!own) return f;
    f.runs = own->runs;
    f.best = own->best;
    f.average = roundedAverage(own->timeSum, own->runs);
    f.points = pointsOf(level, pupil);
    const bool ownRan = own->ran || (!scope_.periodSet && s_.TotalCount(level, pupil) > 0);
    // The group: a list context of its own when it is not the filter given.
    const QString filter = groupFilter(pupil);
    std::optional<ListContext> own_context;
    if (filter != context_.filter()) own_context.emplace(s_, s_.CurrentPupil, filter);
    const ListContext& group = own_context ? *own_context : context_;
    auto inGroup = [&](int p) {
        return p >= 1 && group.passes(p) && !isTeacherName(s_.PupilNames[size_t(p)].trimmed());
    };

    long long schoolRuns = 0, schoolSum = 0, schoolBest = -1;
    long long fasterPupils = 0, richerPupils = 0, pupilsWithRuns = 0, pointsSum = 0;
    for (int p = 1; p <= kMaxPupil; ++p) {
        const Cell& c = cells_[size_t(level) * kPupilSlots + size_t(p)];
        const bool ran = c.ran || (!scope_.periodSet && s_.TotalCount(level, p) > 0);
        if (!ran || !inGroup(p)) continue;
        if (c.runs > 0) {
            schoolRuns += c.runs;
            schoolSum += c.timeSum;
            if (schoolBest < 0 || c.best < schoolBest) schoolBest = c.best;
            if (p != pupil && own->best >= 0 && c.best < own->best) ++fasterPupils;
        }
        const long long points = pointsOf(level, p);
        ++pupilsWithRuns;
        pointsSum += points;
        if (p != pupil && points > f.points) ++richerPupils;
    }
    f.schoolBest = schoolBest;
    f.schoolAverage = roundedAverage(schoolSum, schoolRuns);
    f.schoolAveragePoints = roundedAverage(pointsSum, pupilsWithRuns);
    if (own->best >= 0) f.timeRank = fasterPupils + 1;
    if (ownRan) f.pointsRank = richerPupils + 1;
    return f;
}

QString PupilSummary::titleLine(int pupil) const
{
    QString line = s_.ProgramTitle;
    if (!validPupil(pupil)) return line;
    const QString grade = size_t(pupil) < s_.PupilGrades.size() ? s_.PupilGrades[size_t(pupil)] : QString();
    const QString name = size_t(pupil) < s_.PupilNames.size() ? s_.PupilNames[size_t(pupil)].trimmed() : QString();
    line += QStringLiteral("　");
    if (!grade.isEmpty()) line += grade + QLatin1Char(' ');
    line += name + QStringLiteral("（") + QString::number(pupil) + QStringLiteral("）");
    return line;
}

QStringList PupilSummary::levelBlock(int pupil, int level) const
{
    const LevelFigures f = figures(pupil, level);
    const QString levelName = level >= 1 && level <= kMaxLevel ? s_.LevelNames[level] : QString();
    return {
        QStringLiteral("【") + QString::number(level) + QStringLiteral("】") + levelName,
        QStringLiteral("回数　　　　　　　") + sheetNumber(f.runs) + QStringLiteral("回"),
        QStringLiteral("タイム  　　 　    本人 / ") + groupName(pupil),
        QStringLiteral("　　順位　　　　") + sheetRank(f.timeRank) + QStringLiteral("位"),
        // Every figure with its unit: the pupil's best as well as the school's.
        QStringLiteral("　　最高　　　　") + sheetNumber(f.best) + QStringLiteral("秒 /") + sheetNumber(f.schoolBest)
            + QStringLiteral("秒"),
        QStringLiteral("　　平均　　　　") + sheetNumber(f.average) + QStringLiteral("秒") + QStringLiteral(" /")
            + sheetNumber(f.schoolAverage) + QStringLiteral("秒"),
        QStringLiteral("ポイント  　　　"),
        QStringLiteral("　　順位　　　　") + sheetRank(f.pointsRank) + QStringLiteral("位"),
        QStringLiteral("　　獲得ポイント") + sheetNumber(f.points) + QStringLiteral("点"),
        QStringLiteral("　　　　　　　　　　　　/") + sheetNumber(f.schoolAveragePoints) + QStringLiteral("点"),
        QStringLiteral("　　　　　　　　　　　　 (") + groupAverageName(pupil) + QStringLiteral(")"),
    };
}

QStringList PupilSummary::sheet(int pupil, const std::vector<int>& levels) const
{
    QStringList lines{titleLine(pupil)};
    if (scope_.group != CompareGroup::GradeFilter || scope_.periodSet) lines << scopeLine(pupil);
    for (int level : levels) lines += levelBlock(pupil, level);
    return lines;
}

const QStringList& PupilSummary::runLines(int level) const
{
    static const QStringList none;
    return level >= 0 && level <= kMaxLevel ? runLines_[size_t(level)] : none;
}

} // namespace karuvel
