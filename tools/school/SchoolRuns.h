#pragma once
// Years of a cram school's runs, made up but shaped like real ones: pupils
// who come two or three afternoons a week and get faster with practice, one
// who stopped coming weeks ago, one who is stuck on a level (tries, never
// clears, no longer improves), time-overs now and then, pupils who never
// ran, and the teachers' own runs. The same school for the same shape.
#include "records/ResultsFile.h"

#include <QDate>
#include <functional>
#include <vector>

namespace karuvel::school {

struct SchoolShape {
    QDate today;            // the day after the last day of runs
    int years = 3;          // how far back the runs go
    std::vector<int> pupils;    // pupil numbers that drill
    std::vector<int> teachers;  // teacher numbers (a run now and then)
    int levels = 12;
    QByteArray schoolCode = QByteArray("12345");
    long long records = 0;  // when not 0: runs until exactly this many records
};

// The target time of a level as the demo school's criteria have it.
int targetOf(int level);

// Calls `run` with each run, oldest first.
void forEachRun(const SchoolShape& shape, const std::function<void(const ResultRecordData&)>& run);

// The runs' records one after the other (44 bytes each).
QByteArray schoolRecords(const SchoolShape& shape);

} // namespace karuvel::school
