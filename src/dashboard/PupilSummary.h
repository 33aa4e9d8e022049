#pragma once
// The per-pupil summary sheet: level by level, one pupil's run count, time
// rank, best and average time, points rank and points, each beside the whole
// school's figure ("本人 / 塾全体"). Built from one pass over the results file
// and the points of the recount; needs no screen.
#include "dashboard/Periods.h"
#include "dashboard/ResultsLists.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace karuvel {

// The sheet and the per-pupil lists take the runs of the last ten years.
constexpr int kSummaryDays = 3650;
// A run counts for times only below this many seconds.
constexpr int kSummaryTimeLimit = 1800;

// The figures of one level, for the pupil and for the school. A figure that
// does not exist (no run, so no best time or rank) is -1.
struct LevelFigures {
    long long runs = 0;
    long long timeRank = -1;
    long long best = -1;
    long long average = -1;
    long long schoolBest = -1;
    long long schoolAverage = -1;
    long long pointsRank = -1;
    long long points = 0;
    long long schoolAveragePoints = -1;
};

// Whom a pupil's figures are set beside.
enum class CompareGroup {
    GradeFilter,  // the pupils that pass the grade filter given
    School,       // every pupil of the school
    PupilGrade,   // the pupils of the shown pupil's own grade
};

// What a sheet covers: the group it compares with and the days of runs it
// counts (by default the last ten years).
struct SummaryScope {
    CompareGroup group = CompareGroup::GradeFilter;
    Period period;          // the runs counted; see PupilSummary
    bool periodSet = false; // false: the last kSummaryDays days
};

class PupilSummary {
public:
    // The group's figures count the pupils of the scope's group (teachers
    // never among them); the pupil's own figures count whatever the group.
    // listPupil, when it is a pupil number, also gets their runs as lines of
    // the level lists. With a period set, the points are those of the
    // period's runs; otherwise those of the recount.
    PupilSummary(const ProgramState& s, const QString& gradeFilter, const QDateTime& now, int listPupil = -1,
                 const SummaryScope& scope = {});

    // The group `pupil` is compared with, as the sheet names it: "塾全体",
    // "中３", "小学生全体"; and the name of its average ("塾平均", "中３平均").
    QString groupName(int pupil) const;
    QString groupAverageName(int pupil) const;
    // The line under the title: the period and the group.
    QString scopeLine(int pupil) const;
    const SummaryScope& scope() const { return scope_; }

    // One record of the results file; any order, every record once.
    void add(const RecEntry& r);
    void add(const ResultRecordData& r) { add(RecEntry{r.date, r.clock, r.pupil, r.level, r.time}); }

    // The figures of a pupil at a level, after the pass.
    //  - runs, best and average: the pupil's runs below 1800 s; the average is
    //    rounded to whole seconds;
    //  - time rank: 1 + the school's pupils with a better best time (ties
    //    share a rank);
    //  - school best and average: every run below 1800 s of the school's
    //    pupils (each run counts once), the average rounded;
    //  - points: TotalPoints of the recount; points rank: 1 + the school's
    //    pupils with more points; school average points: over the school's
    //    pupils who have run the level, rounded.
    LevelFigures figures(int pupil, int level) const;

    // The title line: the program title, the pupil's grade, name and number.
    QString titleLine(int pupil) const;
    // The lines of one level on the sheet (a heading with the level, then the
    // counts, the time block and the points block).
    QStringList levelBlock(int pupil, int level) const;
    // The whole sheet: the title line and the block of each level in turn.
    QStringList sheet(int pupil, const std::vector<int>& levels) const;

    // listPupil's runs of each level, oldest first, as the period view shows
    // runs: time (or "　　× " for a failed run), month/day, marker, name, marker.
    const QStringList& runLines(int level) const;

private:
    struct Cell {
        int32_t runs = 0;      // runs below 1800 s
        int32_t best = -1;     // best of those, -1 none
        int64_t timeSum = 0;
        int64_t points = 0;    // points of the runs counted
        bool ran = false;      // any run of the level at all
    };
    const Cell* cell(int level, int pupil) const;
    // The grade filter that stands for pupil's group.
    QString groupFilter(int pupil) const;
    long long pointsOf(int level, int pupil) const;

    const ProgramState& s_;
    ListContext context_;  // grade filter, markers and name fields
    int levels_;
    SummaryScope scope_;
    double since_;  // OLE date-and-time ten years back (without a period)
    int listPupil_;
    std::array<bool, kLevelSlots> practice_{};  // levels whose name marks a practice level
    std::vector<Cell> cells_;            // [level 1..levels_][pupil 0..5000]
    std::array<QStringList, kLevelSlots> runLines_;
};

// Numbers of the sheet: right-aligned in 7 characters (counts, times,
// points) or 6 (ranks); "-" where there is no figure. A wider number is kept whole.
QString sheetNumber(long long value);
QString sheetRank(long long value);

} // namespace karuvel
