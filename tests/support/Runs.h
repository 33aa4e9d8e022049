#pragma once
// Stored runs for test files, as the program writes them, the same criteria
// for a run of levels, and the texts of a list on a screen.
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QByteArray>
#include <QListWidget>
#include <QStringList>
#include <tuple>
#include <vector>

namespace karuvel::test {

// One run as the results file holds it (school code and spare bytes empty).
inline ResultRecordData runRecord(double date, double clock, int pupil, int level, int32_t time)
{
    ResultRecordData r;
    r.date = date;
    r.clock = clock;
    r.pupil = int16_t(pupil);
    r.level = int16_t(level);
    r.time = time;
    return r;
}

// The bytes of runs given as (date, pupil, level, time), each at the same time of day.
inline QByteArray runsBytes(const std::vector<std::tuple<double, int, int, int>>& runs, double clock = 0.4)
{
    QByteArray bytes;
    for (const auto& [date, pupil, level, time] : runs) {
        const auto b = runRecord(date, clock, pupil, level, time).toBytes();
        bytes.append(b.data(), kRecordSize);
    }
    return bytes;
}

// One set of criteria for levels 1..levels (overdo limits 0: none).
struct LevelCriteria {
    int target = 60;
    int limit = 120;
    int clearPoints = 30;
    int clearCount = 3;
    float multiplier = 1.0f;
    int recentDays = 7;
    int overdoDays = 1;
};
inline void setLevelCriteria(int levels, const LevelCriteria& c)
{
    ProgramState& s = state();
    for (int level = 1; level <= levels; ++level) {
        s.TargetTime[level] = c.target;
        s.LimitTime[level] = c.limit;
        s.ClearPoints[level] = c.clearPoints;
        s.ClearCount[level] = c.clearCount;
        s.PointMultiplier[level] = c.multiplier;
        s.RecentDays[level] = Loose(c.recentDays);
        s.OverdoDays[level] = Loose(c.overdoDays);
        s.OverdoCountLimit[level] = Loose(0);
        s.OverdoPointsLimit[level] = Loose(0);
    }
}

// The lines of a list, top to bottom.
inline QStringList listLines(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

} // namespace karuvel::test
