#pragma once
// The program state shared by every screen: configuration, level table,
// roster, the signed-in pupil and the run, statistics and loaded records.
// There is no other channel between screens.
#include "state/Loose.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <type_traits>
#include <vector>

namespace karuvel {

constexpr int kMaxLevel = 35;    // level indexes 0..35 (0 = criteria header line)
constexpr int kMaxPupil = 5000;  // pupil numbers 0..5000
constexpr int kLevelSlots = kMaxLevel + 1;
constexpr int kPupilSlots = kMaxPupil + 1;

// Special values of stored times and criteria. A run's time is its seconds,
// or one of the values above kLastRealTime.
constexpr int kTimeOver = 99999;       // the run ran out of time: no record, no points
constexpr int kNoTime = kTimeOver;     // no result yet (a best time of a pupil without runs)
constexpr int kFailedTime = 99998;     // a run marked failed, listed as "*失敗*"
constexpr int kLastRealTime = 99997;   // the longest time that counts as a run's time
// A ClearPoints (ClearCount) of this value: the level has no points (count)
// criterion; a level after one without a points criterion is always open.
constexpr int kNoPointsCriterion = 9999;
constexpr int kNoCountCriterion = 9999;

// Verdicts of a judged answer (a map press or a list answer).
constexpr int kVerdictNone = 0;   // not judged yet
constexpr int kVerdictRight = 1;
constexpr int kVerdictWrong = 2;

inline bool validLevel(long long level) { return level >= 0 && level <= kMaxLevel; }
inline bool validPupil(long long pupil) { return pupil >= 0 && pupil <= kMaxPupil; }

// A [level][pupil] table of 36 x 5001 cells, allocated once. The cells are
// taken zeroed from the system, which gives memory to them only as they are
// first written: a row never written holds T{} everywhere and costs nothing,
// so the rows of levels and pupils a school does not use are never touched.
template <typename T>
class LevelPupilTable {
    static_assert(std::is_trivially_copyable_v<T>, "the cells are copied and zeroed as bytes");
    static constexpr size_t kCells = size_t(kLevelSlots) * kPupilSlots;

public:
    LevelPupilTable() : cells_(allocate()) { known_.fill(kPupilSlots); }
    LevelPupilTable(const LevelPupilTable& o) : cells_(allocate()), known_(o.known_), fresh_(o.fresh_)
    {
        std::memcpy(cells_.get(), o.cells_.get(), kCells * sizeof(T));
    }
    LevelPupilTable& operator=(const LevelPupilTable& o)
    {
        if (this == &o) return *this;
        if (!cells_) cells_ = allocate();
        std::memcpy(cells_.get(), o.cells_.get(), kCells * sizeof(T));
        known_ = o.known_;
        fresh_ = o.fresh_;
        return *this;
    }
    LevelPupilTable(LevelPupilTable&&) noexcept = default;
    LevelPupilTable& operator=(LevelPupilTable&&) noexcept = default;

    T& operator()(int level, int pupil)
    {
        assert(validLevel(level) && validPupil(pupil));
        forget(level);
        return cells_[size_t(level) * kPupilSlots + size_t(pupil)];
    }
    const T& operator()(int level, int pupil) const
    {
        assert(validLevel(level) && validPupil(pupil));
        return cells_[size_t(level) * kPupilSlots + size_t(pupil)];
    }
    void fill(const T& v)
    {
        std::fill_n(cells_.get(), kCells, v);
        known_.fill(kPupilSlots);
        fresh_ = 0;
    }
    T* row(int level)
    {
        forget(level);
        return &cells_[size_t(level) * kPupilSlots];
    }
    const T* row(int level) const { return &cells_[size_t(level) * kPupilSlots]; }

    // The recount's note on a row: from this pupil on, the row holds the
    // value the recount empties it to (kPupilSlots: nothing known). Any
    // writable access to the row forgets the note, so it holds only while
    // nothing else has written the row.
    int emptyFrom(int level) const { return known_[size_t(level)]; }
    void setEmptyFrom(int level, int pupil) { known_[size_t(level)] = int16_t(pupil); }
    // Whether the row was never written since the table was made: every
    // cell holds T{} (and its memory may not have been touched yet).
    bool untouched(int level) const { return (fresh_ >> level) & 1; }

private:
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    static std::unique_ptr<T[], Free> allocate()
    {
        void* p = std::calloc(kCells, sizeof(T));
        if (!p) throw std::bad_alloc();
        return std::unique_ptr<T[], Free>(static_cast<T*>(p));
    }
    void forget(int level)
    {
        if (!validLevel(level)) return;
        known_[size_t(level)] = int16_t(kPupilSlots);
        fresh_ &= ~(uint64_t(1) << level);
    }

    std::unique_ptr<T[], Free> cells_;
    std::array<int16_t, kLevelSlots> known_{};
    uint64_t fresh_ = (uint64_t(1) << kLevelSlots) - 1;  // one bit per level
};
static_assert(kLevelSlots <= 64, "one bit per level");

struct RosterEntry {
    int number = 0;
    int birthYear = 0;
    int field3 = 0;
    int field4 = 0;
    QString name;    // 20 characters, space-padded
    int status = 0;
    QString field7;  // 20 characters
    QString field8;  // 20 characters
};

// One results record kept in memory: the date, the time of day, the pupil,
// the level and the time in seconds, laid out as the first 24 bytes of its
// record in the results file, so that keeping it is one copy.
struct RecEntry {
    double date = 0;
    double clock = 0;
    int16_t pupil = 0;
    int16_t level = 0;
    int32_t time = 0;
};
static_assert(sizeof(RecEntry) == 24);

// One sound category: its name, up to 20 file names (positions 1..20) and a count.
struct SoundSlot {
    QString category;
    std::array<QString, 21> files;  // index 0 unused
    int count = 0;
};

struct ProgramState {
    // 1. Paths and configuration. Folders end with a separator.
    QString AppFolder;
    Loose RosterFolder;
    Loose ProgramFolderName;
    Loose DataFolder;
    Loose SoundFolder;
    Loose SchoolYearStartMonth;
    QString SchoolName;
    Loose SchoolCode;
    Loose RosterStatusReset;
    Loose CommonItem4;
    Loose DataChangePassword;
    QString ProgramTitle;
    Loose AllLevelsOpen;
    Loose BackgroundColour;  // RGB as 0xRRGGBB

    // 2. Level table.
    int LevelCount = 0;
    std::array<QString, kLevelSlots> LevelNames{};
    std::array<int, kLevelSlots> LevelTimed{};
    std::array<int, kLevelSlots> LevelHasPractice{};
    std::array<int32_t, kLevelSlots> TargetTime{};
    std::array<int32_t, kLevelSlots> LimitTime{};
    std::array<int32_t, kLevelSlots> ClearPoints{};
    std::array<int16_t, kLevelSlots> ClearCount{};
    std::array<float, kLevelSlots> PointMultiplier{};
    std::array<Loose, kLevelSlots> OverdoCountLimit{};
    std::array<Loose, kLevelSlots> OverdoPointsLimit{};
    std::array<Loose, kLevelSlots> RecentDays{};
    std::array<Loose, kLevelSlots> OverdoDays{};
    std::array<Loose, kLevelSlots> CriteriaColumn10{};
    std::array<Loose, kLevelSlots> CriteriaColumn11{};
    std::array<Loose, kLevelSlots> CriteriaColumn12{};
    Loose FinalLevel;

    // 3. Roster.
    std::vector<RosterEntry> RosterEntries;  // index 0 unused, 1..RosterCount
    Loose RosterCount;
    std::vector<int> RosterOrder = std::vector<int>(kPupilSlots, 0);  // 1..5000
    std::vector<QString> PupilNames = std::vector<QString>(kPupilSlots);
    std::vector<int> PupilBirthYears = std::vector<int>(kPupilSlots, 0);
    std::vector<QString> PupilGrades = std::vector<QString>(kPupilSlots);
    Loose SchoolYear;
    Loose GradeFilter = Loose(QStringLiteral("全学年"));

    // 4. Current pupil and run.
    int CurrentPupil = 0;
    QString CurrentPupilName;
    Loose CurrentPupilGrade;
    Loose SignInTime;                 // time of day of the sign-in, in whole seconds
    std::optional<double> SignInClock;  // monotonic seconds at the sign-in (see secondsSinceSignIn)
    int SelectedLevel = 0;
    Loose PracticeMode;
    // The run itself (its phase, counts, clock and time) is the drill's
    // DrillRun, and what the finish screen shows its RunOutcome.

    // 5. Per-pupil statistics, recomputed by the recount.
    LevelPupilTable<int32_t> TotalCount;
    LevelPupilTable<int64_t> TotalPoints;
    LevelPupilTable<int64_t> TotalTimeSum;
    LevelPupilTable<float> TotalAvgTime;
    LevelPupilTable<float> TodayCount;
    LevelPupilTable<int64_t> TodayPoints;
    LevelPupilTable<float> TodayTimeSum;
    LevelPupilTable<float> TodayAvgTime;
    LevelPupilTable<int32_t> RecentCount;
    LevelPupilTable<int64_t> RecentPoints;
    LevelPupilTable<int32_t> OverdoCount;
    LevelPupilTable<int64_t> OverdoPoints;
    LevelPupilTable<int32_t> BestTime;  // 99999 = none
    std::array<int32_t, kLevelSlots> TopTime{};
    int TodayTotalRuns = 0;
    Loose FinalLevelCleared;

    // 6. Results records in memory (index 0 unused): RecDate(k), RecClock(k),
    // RecPupil(k), RecLevel(k) and RecTime(k) for k = 1..RecordCount.
    int RecordCount = 0;
    std::vector<RecEntry> RecEntries{RecEntry{}};
    double RecDate(int k) const { return RecEntries[size_t(k)].date; }
    double RecClock(int k) const { return RecEntries[size_t(k)].clock; }
    int RecPupil(int k) const { return RecEntries[size_t(k)].pupil; }
    int RecLevel(int k) const { return RecEntries[size_t(k)].level; }
    int32_t RecTime(int k) const { return RecEntries[size_t(k)].time; }
    // The records of the file within the tables' range that are not kept
    // above (pupil 0, level 0, a date no calendar names): they take part in
    // the best times only, and are kept here for the recount.
    std::vector<RecEntry> RecBestOnly;
    // What the records above were read from, so that the next reading takes
    // only what was appended since. Filled and used by the results reader;
    // held is false while they must be read whole again.
    struct ResultsSource {
        bool held = false;
        QString path;
        uint64_t volume = 0;  // the file's identity (volume and file number)
        uint64_t file = 0;
        int64_t records = 0;  // whole records of the file read so far
        QByteArray last;      // the bytes of the last of them
        QByteArray stamp;     // the rewrite stamp beside the file at that reading (empty: none)
        int64_t modified = 0; // the file's modification time at that reading (nanoseconds; 0: unknown)
    } RecSource;

    // 7. Sounds.
    std::array<SoundSlot, 11> SoundNames{};  // slots 1..10
    int SoundFailures = 0;

    // Dashboard position kept across re-creation of the dashboard window.
    int FirstVisibleLevel = 1;
    int ResultsPeriod = 3;
};

// The one program state of this process.
ProgramState& state();
// Replaces the state by a fresh, empty one (tests and program start).
void resetState();

// Teacher mark: a signed-in name containing "★" or "先生".
bool isTeacherName(const QString& name);
// Practice level mark: a level name containing "練".
bool isPracticeLevelName(const QString& name);

// Seconds from the time of day `from` to the time of day `now`, counting on
// past midnight (a `now` more than twelve hours before `from` is the next
// day's); never below zero.
double timeOfDaySecondsSince(double from, double now);

// Seconds since the pupil signed in. Measured on the monotonic clock when the
// sign-in took its reading, so that neither midnight nor a correction of the
// time of day moves it; otherwise from the time of day of the sign-in.
double secondsSinceSignIn(const ProgramState& s, double monotonicNow, double timeOfDayNow);

} // namespace karuvel
