// LoadResults + RecountAll on synthetic results files of 10k, 100k and 1M
// records, against a bare sequential read of the same file in the same run.
// Counters: load_recount_ms and bare_read_ms (means per iteration), ratio
// (load_recount / bare read), ratio_fastest (the fastest iteration of each)
// and ns_per_record (for the growth with size).
// The bare read is read(2) in 1 MiB blocks into one reused buffer (the least
// any reader pays); read_all_ms and ratio_read_all compare with reading the
// whole file in one go into a fresh buffer (QFile::readAll).
#include "Fakes.h"
#include "SchoolYear.h"
#include "frame/Calendar.h"
#include "records/Recount.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QFile>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace karuvel;

namespace {

// Pupils with runs in the synthetic files (BENCH_PUPILS overrides; 3000 by default).
const int kPupils = qEnvironmentVariableIntValue("BENCH_PUPILS") > 0 ? qEnvironmentVariableIntValue("BENCH_PUPILS") : 3000;
const QDateTime kNow(QDate(2026, 12, 10), QTime(10, 0, 0));

// One file per size, written once: a school's year of runs on 12 levels.
QString resultsFolder(int records) { return bench::schoolYearFolder(records, toOleDate(kNow.date()), kPupils); }

// The bare read: open the file and read it sequentially, 1 MiB at a time.
double bareReadMs(const QString& path)
{
    static std::vector<char> buffer(1 << 20);
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    long long total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0) break;
        total += n;
    }
    ::close(fd);
    benchmark::DoNotOptimize(total);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The whole file read in one go into a fresh buffer, as a simple program reads it.
double readAllMs(const QString& path)
{
    const auto start = std::chrono::steady_clock::now();
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray all = f.readAll();
    benchmark::DoNotOptimize(all.constData());
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_LoadResultsAndRecount(benchmark::State& st)
{
    const int records = int(st.range(0));
    const QString folder = resultsFolder(records);
    test::FakePlatform fakes;
    fakes.clock.current = kNow;
    ProgramState& s = state();
    s.DataFolder = Loose(folder);
    for (int level = 1; level <= 12; ++level) {
        s.TargetTime[level] = 120;
        s.PointMultiplier[level] = 1.5f;
        s.RecentDays[level] = Loose(30);
        s.OverdoDays[level] = Loose(1);
    }
    const QString path = resultsFilePath();
    RecountAll();  // warm: the file in the page cache, the tables and arrays at size
    bareReadMs(path);

    double loadMs = 0, bareMs = 0, readAllTotalMs = 0;
    double fastestLoadMs = HUGE_VAL, fastestBareMs = HUGE_VAL;
    for (auto _ : st) {
        const double bare = bareReadMs(path);
        bareMs += bare;
        fastestBareMs = std::min(fastestBareMs, bare);
        const auto start = std::chrono::steady_clock::now();
        RecountAll();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        loadMs += ms;
        fastestLoadMs = std::min(fastestLoadMs, ms);
        st.SetIterationTime(ms / 1000.0);
    }
    if (s.RecordCount != records) st.SkipWithError("not every record was loaded");
    const double n = double(st.iterations());
    // The whole-file reads come after: each takes a fresh buffer of the
    // file's size, whose faults and clearing would disturb the timed loop
    // (they made the bare read slower, and so the ratio look better).
    for (int i = 0; i < int(n); ++i) readAllTotalMs += readAllMs(path);
    st.counters["load_recount_ms"] = loadMs / n;
    st.counters["bare_read_ms"] = bareMs / n;
    st.counters["ratio"] = loadMs / bareMs;
    // The fastest of each against each other: on a shared machine, whose host
    // now and then holds a core back, the means move with it; the fastest
    // iterations are those it left alone.
    st.counters["ratio_fastest"] = fastestLoadMs / fastestBareMs;
    st.counters["read_all_ms"] = readAllTotalMs / n;
    st.counters["ratio_read_all"] = loadMs / readAllTotalMs;
    st.counters["ns_per_record"] = loadMs / n * 1e6 / records;
}

BENCHMARK(BM_LoadResultsAndRecount)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The loader alone, for where the time goes.
void BM_LoadResultsOnly(benchmark::State& st)
{
    const int records = int(st.range(0));
    const QString folder = resultsFolder(records);
    test::FakePlatform fakes;
    fakes.clock.current = kNow;
    state().DataFolder = Loose(folder);
    LoadResults();
    for (auto _ : st) LoadResults();
    st.counters["ns_per_record"] = benchmark::Counter(double(records), benchmark::Counter::kIsIterationInvariantRate |
                                                                          benchmark::Counter::kInvert);
}

BENCHMARK(BM_LoadResultsOnly)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace


