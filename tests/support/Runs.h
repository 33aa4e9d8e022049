#pragma once
// Stored runs for test files, as the program writes them, and the texts of a
// list on a screen.
#include "records/ResultsFile.h"

#include <QByteArray>
#include <QListWidget>
#include <QStringList>
#include <tuple>
#include <vector>

namespace karuvel::test {

// The bytes of runs given as (date, pupil, level, time), each at the same time of day.
inline QByteArray runsBytes(const std::vector<std::tuple<double, int, int, int>>& runs, double clock = 0.4)
{
    QByteArray bytes;
    for (const auto& [date, pupil, level, time] : runs) {
        ResultRecordData r;
        r.date = date;
        r.clock = clock;
        r.pupil = int16_t(pupil);
        r.level = int16_t(level);
        r.time = time;
        const auto b = r.toBytes();
        bytes.append(b.data(), kRecordSize);
    }
    return bytes;
}

// The lines of a list, top to bottom.
inline QStringList listLines(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

} // namespace karuvel::test
