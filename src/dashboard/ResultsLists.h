#pragma once
// The lines of the dashboard's results lists: the best-times ranking, today's
// runs, the runs of a period and the points rankings. Plain functions over the
// program state and the records, testable without a screen.
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace karuvel {

// Line layout elements. A number wider than its field is never cut: the
// field grows instead, so a pupil always sees their true figure.
QString rightAligned(const QString& text, int width);
QString rankField(long long rank);          // right-aligned in 2 characters
QString valueField(long long value);        // right-aligned in 6 characters
QString timeField(long long seconds);       // value + "秒", right-aligned in 5 characters
// The name without its trailing blanks, padded with full-width spaces and cut to 5 characters.
QString nameField(const QString& name);
// "hh:mm" of a time of day held as a fraction of a day.
QString clockText(double dayFraction);
// The month and day of a record's date as the period view shows it ("12/10").
QString monthDayText(double oleDate);

// Who looks at the lists and through which grade filter.
class ListContext {
public:
    ListContext(const ProgramState& s, int currentPupil, const QString& gradeFilter);
    int currentPupil() const { return current_; }
    const QString& filter() const { return filter_; }
    int grade(int pupil) const { return grade_[size_t(pupil)]; }
    bool passes(int pupil) const { return validPupil(pupil) && passes_[size_t(pupil)] != 0; }
    // "●" on the signed-in pupil's line, otherwise the pupil's grade mark.
    QString openMarker(int pupil) const;
    // "●" on the signed-in pupil's line, otherwise one full-width space.
    QString closeMarker(int pupil) const;
    // The pupil's name field, made once per pupil and list context.
    const QString& name(int pupil) const;

private:
    const ProgramState& s_;
    int current_;
    QString filter_;
    std::vector<int> grade_;
    std::vector<char> passes_;
    std::vector<QString> marks_;
    mutable std::vector<QString> names_;
    mutable std::vector<char> named_;
};

struct ListFill {
    QStringList lines;
    int ownLine = -1;  // the line that holds "●", or -1
};

// The best-times ranking of a level: fastest first on a timed level, highest
// first on any other; equal values share a rank; "*失敗*" for a pupil whose
// runs all failed, "--" and "------" for a pupil with no run.
ListFill bestTimesList(const ProgramState& s, const ListContext& c, int level);

// The points ranking of a level. Kind 1 orders by all-time points, kind 2 by
// today's points; the other points break ties. Pupils with the same primary
// points share a rank; kind 2 leaves out pupils without points today.
constexpr int kRankAllTime = 1;
constexpr int kRankToday = 2;
// The sort key of one pupil: primary points, then the other points, both
// 64-bit, compared as a pair so that neither can spill into the other.
struct RankKey {
    int64_t primary = 0;
    int64_t secondary = 0;
};
RankKey rankKey(const ProgramState& s, int level, int pupil, int rankKind);
ListFill rankingList(const ProgramState& s, const ListContext& c, int level, int rankKind);

// The period chooser's entries 1..5 as a number of days back from today.
QStringList periodChoices();
int periodDays(int period, const QDate& today);
// True when a record's date (midnight) lies within the last `days` days.
bool withinDays(double recordDate, const QDateTime& now, int days);

// Today's view and the period view: records are handed over one by one, in
// file order, and each one that belongs goes onto the list of its level.
enum class RecordView { Today, Period };
class RecordListsBuilder {
public:
    RecordListsBuilder(const ProgramState& s, const ListContext& c, RecordView view, const QDateTime& now,
                       int periodDays = 0);
    void add(const RecEntry& r);
    void add(const ResultRecordData& r) { add(RecEntry{r.date, r.clock, r.pupil, r.level, r.time}); }
    std::array<QStringList, kLevelSlots> lists;

private:
    const ProgramState& s_;
    const ListContext& c_;
    RecordView view_;
    double todayOle_;
    double nowOle_;
    int days_;
};

} // namespace karuvel
