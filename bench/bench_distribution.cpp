// The criteria editor's distribution refresh on synthetic results files of
// 100k and 1M records: a refresh after another PC changed the file (the file
// is read through and counted again, both lists built), a refresh of an
// unchanged file (what nearly every keystroke costs), and, for comparison,
// the text list of one entry per record sorted to find each pupil's best time.
// Counters: ms per refresh and ns_per_record.
#include "SchoolYear.h"
#include "admin/Distribution.h"
#include "records/ResultsFile.h"

#include <QFile>
#include <QStringList>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <sys/time.h>
#include <vector>

using namespace karuvel;

namespace {

constexpr int kPupils = 3000;
constexpr int kShownLevel = 3;

// One file per size, written once: a school's runs on 12 levels, one in 50 a time over.
QString resultsFile(int records)
{
    return bench::schoolYearFolder(records, 46000, kPupils) + QStringLiteral("成績累積データ.dat");
}

// Gives the file a new modification time, as another PC's write would.
void touch(const QString& path)
{
    static long usec = 0;
    timeval tv[2];
    gettimeofday(&tv[0], nullptr);
    tv[0].tv_usec = (++usec) % 1000000;
    tv[1] = tv[0];
    utimes(QFile::encodeName(path).constData(), tv);
}

// Records read (or stood for, when the file is unchanged) per second.
void report(benchmark::State& state, int records)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * records);
}

void BM_RefreshChangedFile(benchmark::State& state)
{
    const int records = int(state.range(0));
    const QString path = resultsFile(records);
    DistributionSource source(path);
    for (auto _ : state) {
        state.PauseTiming();
        touch(path);
        state.ResumeTiming();
        if (source.refresh() != DistributionSource::Result::Read) state.SkipWithError("not read");
        benchmark::DoNotOptimize(allRunsLines(source.tables(), kShownLevel));
        benchmark::DoNotOptimize(bestTimeLines(source.tables(), kShownLevel));
    }
    report(state, records);
}
BENCHMARK(BM_RefreshChangedFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_RefreshUnchangedFile(benchmark::State& state)
{
    const int records = int(state.range(0));
    DistributionSource source(resultsFile(records));
    source.refresh();
    for (auto _ : state) {
        if (source.refresh() != DistributionSource::Result::Unchanged) state.SkipWithError("read again");
        benchmark::DoNotOptimize(allRunsLines(source.tables(), kShownLevel));
        benchmark::DoNotOptimize(bestTimeLines(source.tables(), kShownLevel));
    }
    report(state, records);
}
BENCHMARK(BM_RefreshUnchangedFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// For comparison: one text per record (level, pupil and time right-aligned in
// 3, 4 and 5 characters) in a sorted list, the entries after the first of each
// level and pupil dropped, the rest counted into the best-time bands.
void BM_SortedTextListBestTimes(benchmark::State& state)
{
    const int records = int(state.range(0));
    QFile f(resultsFile(records));
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    for (auto _ : state) {
        QStringList list;
        list.reserve(records);
        for (int i = 0; i + kRecordSize <= bytes.size(); i += kRecordSize) {
            const ResultRecordData r = ResultRecordData::fromBytes(bytes.constData() + i);
            if (r.level == 0) continue;
            list.append(QString::number(r.level).rightJustified(3).right(3) +
                        QString::number(r.pupil).rightJustified(4).right(4) +
                        QString::number(r.time).rightJustified(5).right(5));
        }
        list.sort();
        QStringList best;
        for (qsizetype i = 0; i < list.size(); ++i)
            if (i == 0 || list[i].left(7) != list[i - 1].left(7)) best.append(list[i]);
        std::array<std::array<int, 31>, 51> bands{};
        for (const QString& e : best) {
            const int level = e.left(3).trimmed().toInt();
            const int band = std::min(30, e.right(5).trimmed().toInt() / 10);
            if (level >= 1 && level <= 50) ++bands[size_t(level)][size_t(band)];
        }
        benchmark::DoNotOptimize(bands);
    }
    report(state, records);
}
BENCHMARK(BM_SortedTextListBestTimes)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
