#pragma once
// The results distribution of the criteria editor: how many runs of a level
// (and how many pupils' best runs) fell into each ten-second band, counted
// from the results file, and the star lines of the lists "全成績" and "最高タイム".
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace karuvel {

struct DistributionTables {
    static constexpr int kCountedLevels = 100;  // RunsPerLevel: levels 1..100
    static constexpr int kBandLevels = 50;      // band tables: levels 1..50
    static constexpr int kLastBand = 100;       // all runs: bands 0..100 (1000 s and more in 100)
    static constexpr int kLastBestBand = 30;    // best times: bands 0..30 (300 s and more in 30)

    std::array<int64_t, kCountedLevels + 1> runsPerLevel{};
    std::array<std::array<int64_t, kLastBand + 1>, kBandLevels + 1> allRunBands{};
    std::array<std::array<int64_t, kLastBand + 1>, kBandLevels + 1> bestRunBands{};

    int64_t runs(int level) const;
    int64_t allRuns(int level, int band) const;
    int64_t bestRuns(int level, int band) const;
};

// Counts the runs of one read of the results file. A record of level 0 is
// passed over; so is a damaged one (a level below 0 or above 100, a negative
// time): it could only index outside the tables. Levels 51..100 are counted
// but have no bands. Each pupil's best time per level is found by number.
class DistributionCounter {
public:
    DistributionCounter();
    ~DistributionCounter();
    void begin();
    void add(int level, int pupil, int32_t seconds);
    // The tables of everything added since begin().
    void finish(DistributionTables* tables);

private:
    struct Best;
    std::unique_ptr<Best> best_;
    DistributionTables t_;
};

// One run for tests and small callers.
struct DistributionRun {
    int level;
    int pupil;
    int32_t seconds;
};
DistributionTables distributionOf(const std::vector<DistributionRun>& runs);

// Band of a time in seconds: its tens, at most `last`.
int distributionBand(int64_t seconds, int last);

// The list "全成績" for a level: "レベル3 今まで12回  （★=1）" and one line per
// band 0..100 ("  0～★★", "  10～", ..., "1000～").
QStringList allRunsLines(const DistributionTables& tables, int level);
// The list "最高タイム": "レベル3 （★=1）" and the same 101 band lines.
QStringList bestTimeLines(const DistributionTables& tables, int level);

// The distribution of the results file, kept between refreshes: the file is
// read again only when its size, modification time or identity has changed.
class DistributionSource {
public:
    explicit DistributionSource(QString path);

    enum class Result {
        Read,       // the file was read (again)
        Unchanged,  // the file is as at the last read; the tables stand
        Missing,    // there is no results file: no runs
        Busy,       // another PC holds the file: the tables of the last read stand
        Failed,     // the file cannot be read: *problem names it; no runs shown
    };
    Result refresh(QString* problem = nullptr);
    const DistributionTables& tables() const { return tables_; }
    // How many times the file has been read through.
    int reads() const { return reads_; }
    const QString& path() const { return path_; }

private:
    struct Stamp {
        bool valid = false;
        int64_t size = -1;
        int64_t modifiedNs = 0;
        int64_t changedNs = 0;
        uint64_t device = 0;
        uint64_t inode = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const QString& path, bool* exists);

    QString path_;
    Stamp stamp_;
    DistributionTables tables_;
    DistributionCounter counter_;
    int reads_ = 0;
};

} // namespace karuvel
