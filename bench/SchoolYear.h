#pragma once
// A synthetic results file for the benchmarks: a school's year of runs on 12
// levels, one in 50 a time over, written once per size into a folder of its
// own that lives as long as the benchmark program.
#include "records/ResultsFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <random>
#include <vector>

namespace karuvel::bench {

// The folder (ending in '/') that holds "成績累積データ.dat" with `records`
// runs of pupils 1..pupils, dated up to 364 days before `today`.
inline QString schoolYearFolder(int records, double today, int pupils)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> dirs;
    auto& d = dirs[records];
    if (d) return d->path() + QLatin1Char('/');
    d = std::make_unique<QTemporaryDir>();
    const QString folder = d->path() + QLatin1Char('/');
    std::mt19937 gen{uint32_t(records)};
    std::vector<char> bytes;
    bytes.reserve(size_t(records) * kRecordSize);
    for (int i = 0; i < records; ++i) {
        ResultRecordData r;
        r.date = today - double(gen() % 365);
        r.clock = double(gen() % 86400) / 86400.0;
        r.pupil = int16_t(1 + gen() % uint32_t(pupils));
        r.level = int16_t(1 + gen() % 12);
        r.time = gen() % 50 == 0 ? 99999 : int32_t(20 + gen() % 400);
        const auto b = r.toBytes();
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    QFile f(folder + QStringLiteral("成績累積データ.dat"));
    f.open(QIODevice::WriteOnly);
    f.write(bytes.data(), qint64(bytes.size()));
    return folder;
}

} // namespace karuvel::bench
