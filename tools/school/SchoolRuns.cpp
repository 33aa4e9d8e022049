#include "SchoolRuns.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace karuvel::school {

namespace {
double oleDate(const QDate& d) { return double(QDate(1899, 12, 30).daysTo(d)); }

struct Pupil {
    int number = 0;
    double skill = 1.0;    // below 1: faster than the target
    int reached = 1;       // the highest level opened
    int done[40] = {};
    int stopsBefore = 0;   // days before today after which the pupil no longer comes (0: keeps coming)
    int startsAfter = 0;   // days after the first day before which the pupil has not joined
    bool stuck = false;    // never gets under the target on the level reached
    bool teacher = false;
};
} // namespace

int targetOf(int level) { return level % 2 == 1 ? 50 : 60; }

namespace {
// The runs of the school with `sessions` lessons a day; stops after `limit`
// records when that is above 0.
void runsOf(const SchoolShape& shape, int sessions, long long limit,
            const std::function<void(const ResultRecordData&)>& run)
{
    std::mt19937 rng(20261210u);
    auto uniform = [&rng]() { return double(rng()) / 4294967296.0; };
    const QDate first = shape.today.addYears(-shape.years);
    const int days = int(first.daysTo(shape.today));
    std::vector<Pupil> pupils;
    for (size_t k = 0; k < shape.pupils.size(); ++k) {
        Pupil p;
        p.number = shape.pupils[k];
        p.skill = 0.6 + 0.6 * uniform();
        // Pupils join the school over the years.
        p.startsAfter = int(uniform() * days * 0.6);
        if (k % 11 == 3) p.stopsBefore = 20 + int(uniform() * 40);  // stopped coming weeks ago
        if (k % 13 == 5) p.stuck = true;
        pupils.push_back(p);
    }
    for (int t : shape.teachers) {
        Pupil p;
        p.number = t;
        p.skill = 0.5;
        p.teacher = true;
        pupils.push_back(p);
    }
    const QByteArray code = shape.schoolCode.leftJustified(5, ' ', true);
    long long made = 0;
    {
        for (int d = 0; d < days; ++d) {
            const QDate day = first.addDays(d);
            if (day.dayOfWeek() == 7) continue;
            const int back = int(day.daysTo(shape.today));
            // A day's runs reach the file in the order they end.
            std::vector<ResultRecordData> today;
            for (int pass = 0; pass < sessions; ++pass)
            for (Pupil& p : pupils) {
                if (d < p.startsAfter || (p.stopsBefore > 0 && back < p.stopsBefore)) continue;
                if (uniform() > (p.teacher ? 0.03 : 0.4)) continue;
                int clock = 13 * 3600 + int(uniform() * 420) * 60 + pass;
                const int count = 1 + int(uniform() * 3);
                for (int k = 0; k < count; ++k) {
                    const int level = uniform() < 0.6 ? p.reached : 1 + int(uniform() * p.reached);
                    const int target = targetOf(level);
                    const int limit = 2 * target;
                    const double practice = std::max(0.7, std::pow(0.97, p.done[level]));
                    double factor = p.skill * practice * (0.88 + 0.25 * uniform());
                    if (p.stuck && level == p.reached && level > 1) factor = 1.25 + 0.1 * uniform();
                    int seconds = std::max(14, int(std::lround(target * factor)));
                    if (uniform() < 0.015) seconds = kTimeOver;  // stopped as time over
                    const int spent = std::min(seconds, 5 * limit);
                    ResultRecordData r;
                    r.date = oleDate(day);
                    r.clock = double(std::min(clock + spent, 86399)) / 86400.0;
                    r.pupil = int16_t(p.number);
                    r.level = int16_t(level);
                    r.time = seconds;
                    r.schoolCode = code;
                    today.push_back(r);
                    clock += spent + 40 + int(uniform() * 90);
                    ++p.done[level];
                    const bool stuckHere = p.stuck && level >= 3;
                    if (p.done[level] >= 8 && level == p.reached && p.reached < shape.levels && !stuckHere &&
                        uniform() < 0.3)
                        ++p.reached;
                }
            }
            std::stable_sort(today.begin(), today.end(),
                             [](const ResultRecordData& a, const ResultRecordData& b) { return a.clock < b.clock; });
            for (const ResultRecordData& r : today) {
                run(r);
                if (limit > 0 && ++made >= limit) return;
            }
        }
    }
}
} // namespace

void forEachRun(const SchoolShape& shape, const std::function<void(const ResultRecordData&)>& run)
{
    if (shape.records <= 0) {
        runsOf(shape, 1, 0, run);
        return;
    }
    // A number of records to reach: as many lessons a day as it takes, so
    // that the runs still come in the order of their days.
    long long once = 0;
    runsOf(shape, 1, 0, [&once](const ResultRecordData&) { ++once; });
    const int sessions = int(std::max<long long>(1, (shape.records + once - 1) / std::max<long long>(1, once)));
    runsOf(shape, sessions, shape.records, run);
}

QByteArray schoolRecords(const SchoolShape& shape)
{
    QByteArray out;
    forEachRun(shape, [&out](const ResultRecordData& r) {
        const auto b = r.toBytes();
        out.append(b.data(), kRecordSize);
    });
    return out;
}

} // namespace karuvel::school
