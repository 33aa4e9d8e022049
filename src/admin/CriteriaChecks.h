#pragma once
// What the criteria editor lets through to the file, without any widget:
// each of the nine criteria columns holds a number in its range, a level's
// target time lies below its minimum pass time, and the save says what it
// changes and how many pupils would clear each changed level with the new
// values.
#include "admin/CriteriaGrid.h"
#include "state/ProgramState.h"

#include <span>
#include <vector>

namespace karuvel {

// The values a criteria column takes: whole numbers min..max, or for the
// point multiplier a number with at most two decimals.
struct CriteriaColumnRange {
    double min = 0;
    double max = 0;
    bool decimals = false;
};

// The range of columns 1..9; false for the level column and the three unused ones.
bool criteriaColumnRange(int column, CriteriaColumnRange* range);

// A cell's text read as its column reads it (figures typed full-width
// count as typed; blanks around the figures are allowed); false when the
// text is not a number of the column's kind and range ("abc", "", "5.5" in
// a whole-number column, 5040 seconds).
bool criteriaCellValue(int column, const QString& text, double* value);

// Every level row holds values the program can judge by: each cell of
// columns 1..9 in its range, the target time below the minimum pass time,
// and nothing in any cell that would shift the file's fields. False with a
// message that names the level and the column of the first fault.
bool criteriaGridValid(const CriteriaGrid& grid, QString* message);

// One changed cell: "レベル1 目標Time 50→40".
struct CriteriaChange {
    int level = 0;
    int column = 0;
    QString from;
    QString to;
};
std::vector<CriteriaChange> criteriaChanges(const CriteriaGrid& before, const CriteriaGrid& after);
QString criteriaChangeText(const CriteriaChange& change);

// What clearing a level takes: the target time (for the points of a run),
// the points and runs needed within the judging period, the multiplier.
struct ClearCriteria {
    long long target = 0;
    long long clearPoints = 0;
    long long clearCount = 0;
    float multiplier = 1;
    double recentDays = 0;
};
// The criteria of a level row of the grid (a valid grid).
ClearCriteria clearCriteriaOfRow(const CriteriaGrid& grid, int level);

// How many pupils (numbers 1..5000) have cleared `level` within its judging
// period as of nowOle (an OLE date-time) under the criteria `c`: runs on a
// day after nowOle - recentDays, counted as the recount counts them (a run
// of 6000 s or more earns points but is not counted as a run).
int pupilsClearing(std::span<const RecEntry> records, int level, const ClearCriteria& c, double nowOle);

// The confirmation of a save: each change on a line of its own, and beside
// the lines of a level whose clearing changes, how many pupils clear it now
// and would with the new values ("（判定期間にクリアする人 12人→8人）").
// Without `runsRead` (the results file could not be read) the counts are
// left out and the question says why.
QString criteriaSaveQuestion(const std::vector<CriteriaChange>& changes, const CriteriaGrid& before,
                             const CriteriaGrid& after, std::span<const RecEntry> records, double nowOle,
                             bool runsRead = true);

} // namespace karuvel
