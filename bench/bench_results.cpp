// LoadResults + RecountAll on synthetic results files of 10k, 100k and 1M
// records, grown by 44-byte appends as a school's file is (see SchoolYear.h),
// against a bare sequential read of the same file in the same run; every
// iteration reads the file whole (the records held are dropped first).
// Counters: load_recount_ms and bare_read_ms (means per iteration), ratio
// (load_recount / bare read), ratio_fastest (the fastest iteration of each),
// ratio_median, ratio_min and ratio_max (of the pairs of one iteration) and
// ns_per_record (for the growth with size).
// BM_ActivationAfterAppends: an activation (RecountAll) after another PC
// appended 10 records to the 1M file, against the in-memory recount alone
// and a whole reload, all in the same iterations (see there).
// BM_PeakMemoryOfAWholeReload: what a whole reload of 5M records adds to the
// memory the process holds at its peak, against the records it keeps.
// The bare read is read(2) in 1 MiB blocks into one reused buffer (the least
// any reader pays); read_all_ms and ratio_read_all compare with reading the
// whole file in one go into a fresh buffer (QFile::readAll).
#include "Fakes.h"
#include "Spread.h"
#include "SchoolYear.h"
#include "Runs.h"
#include "platform/Calendar.h"
#include "platform/RecordFile.h"
#include "records/Recount.h"
#include "records/ResultsReading.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <ctime>
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

// The bare read: open the file and read it sequentially, 1 MiB (or `block`
// bytes) at a time.
double bareReadMs(const QString& path, size_t block = 1 << 20)
{
    static std::vector<char> buffer(1 << 20);
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    long long total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), std::min(block, buffer.size()));
        if (n <= 0) break;
        total += n;
    }
    ::close(fd);
    benchmark::DoNotOptimize(total);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The processor time of the whole process so far (every thread), in ms.
double processCpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
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

// The ratios of the pairs of one run: their median, least and greatest.
struct Pairs : karuvel::bench::Spread {
    void add(double numerator, double denominator) { v.push_back(numerator / denominator); }
    void put(benchmark::State& st, const std::string& name) const { Spread::put(st, name, "_median"); }
};

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
    Pairs pairs;
    for (auto _ : st) {
        const double bare = bareReadMs(path);
        bareMs += bare;
        fastestBareMs = std::min(fastestBareMs, bare);
        s.RecSource = ProgramState::ResultsSource{};  // read whole
        const auto start = std::chrono::steady_clock::now();
        RecountAll();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        loadMs += ms;
        fastestLoadMs = std::min(fastestLoadMs, ms);
        pairs.add(ms, bare);
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
    pairs.put(st, "ratio");
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
    for (auto _ : st) {
        state().RecSource = ProgramState::ResultsSource{};  // read whole
        LoadResults();
    }
    st.counters["ns_per_record"] = benchmark::Counter(double(records), benchmark::Counter::kIsIterationInvariantRate |
                                                                          benchmark::Counter::kInvert);
}

BENCHMARK(BM_LoadResultsOnly)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Bytes this process has read through read(2) and pread(2) so far (a
// mapped read is not counted here: a whole reload is counted as the file's
// length, every page of which it reads).
long long bytesReadSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:")) return line.mid(6).trimmed().toLongLong();
    return -1;
}

// One iteration: another PC appends 10 records (not timed); then, each
// timed on its own, in this order: the activation (RecountAll: the records
// appended are read and the whole is recounted from memory), the in-memory
// recount alone (recountHeld), a whole reload (RecountAll with nothing
// held: the file read whole in blocks and recounted), and the bare read of
// the file in 1 MiB and in 64 KiB blocks.
// Counters (ms): activation, recount, reload, bare_read, bare_read_64k as
// means, with *_min and *_max; activation_over_recount_ms (mean of the
// difference of each iteration); activation_bytes (the bytes the activation
// read, mean and max), reload_bytes (the file's length); reload_ratio
// (against the bare read, means), reload_ratio_fastest, and the median,
// least and greatest of the pairs (reload_ratio_*, reload_ratio_64k_*);
// reload_cpu_ms, bare_read_cpu_ms and reload_cpu_ratio: the processor time
// of all threads of the process.
// The file is made here by appends (a copy would lie in the system's cache
// in large pages, and read faster than a school's file).
void BM_ActivationAfterAppends(benchmark::State& st)
{
    const int records = int(st.range(0));
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    bench::writeResultsFile(folder + QStringLiteral("成績累積データ.dat"),
                            bench::schoolYearBytes(records, toOleDate(kNow.date()), kPupils));
    {
        // A school whose teachers have edited runs: the rewrite stamp is there and read each time.
        QFile stamp(folder + QStringLiteral("成績累積データ.dat.stamp"));
        if (stamp.open(QIODevice::WriteOnly)) stamp.write("00000000deadbeef");
    }
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
    RecountAll();  // warm, and the records held
    bareReadMs(path);

    struct Figure {
        double sum = 0, min = HUGE_VAL, max = 0;
        void add(double v)
        {
            sum += v;
            min = std::min(min, v);
            max = std::max(max, v);
        }
    } activation, recount, reload, bare, bare64k, over, bytes, reloadCpu, bareCpu;
    Pairs pairs, pairs64k;
    auto timed = [](const auto& f) {
        const auto start = std::chrono::steady_clock::now();
        f();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    std::mt19937 gen{5};
    long long reloadBytes = 0;
    for (auto _ : st) {
        {
            // Another PC's 10 runs, appended under its own lock.
            RecordFile other;
            other.open(toFsPath(path), RecordFile::Mode::ReadWriteCreate);
            other.lockWait(LockKind::Exclusive);
            const int64_t at = other.size() / kRecordSize * kRecordSize;
            for (int i = 0; i < 10; ++i) {
                const auto b = test::runRecord(toOleDate(kNow.date()), 0.4, 1 + int(gen() % 3000),
                                               1 + int(gen() % 12), 20 + int(gen() % 400))
                                   .toBytes();
                other.writeAt(at + i * kRecordSize, b.data(), kRecordSize);
            }
        }
        // What reading /proc/self/io itself adds to the next figure.
        const long long probe = bytesReadSoFar();
        const long long own = bytesReadSoFar() - probe;
        const long long before = bytesReadSoFar();
        const double a = timed([] { RecountAll(); });
        bytes.add(double(bytesReadSoFar() - before - own));
        const double r = timed([] { recountHeld(); });
        s.RecSource = ProgramState::ResultsSource{};  // read whole
        const double cpu0 = processCpuMs();
        const double w = timed([] { RecountAll(); });
        const double cpu1 = processCpuMs();
        reloadBytes = QFileInfo(path).size();
        const double b = bareReadMs(path);
        const double cpu2 = processCpuMs();
        reloadCpu.add(cpu1 - cpu0);
        bareCpu.add(cpu2 - cpu1);
        const double b64 = bareReadMs(path, 64 * 1024);
        activation.add(a);
        recount.add(r);
        reload.add(w);
        bare.add(b);
        bare64k.add(b64);
        over.add(a - r);
        pairs.add(w, b);
        pairs64k.add(w, b64);
        st.SetIterationTime(a / 1000.0);
    }
    if (s.RecordCount < records) st.SkipWithError("not every record was loaded");
    const double n = double(st.iterations());
    auto put = [&](const char* name, const Figure& f) {
        st.counters[std::string(name)] = f.sum / n;
        st.counters[std::string(name) + "_min"] = f.min;
        st.counters[std::string(name) + "_max"] = f.max;
    };
    put("activation_ms", activation);
    put("recount_ms", recount);
    put("reload_ms", reload);
    put("bare_read_ms", bare);
    put("bare_read_64k_ms", bare64k);
    put("activation_over_recount_ms", over);
    st.counters["activation_bytes"] = bytes.sum / n;
    st.counters["activation_bytes_max"] = bytes.max;
    st.counters["reload_bytes"] = double(reloadBytes);
    st.counters["reload_ratio"] = reload.sum / bare.sum;
    st.counters["reload_ratio_fastest"] = reload.min / bare.min;
    pairs.put(st, "reload_ratio");
    pairs64k.put(st, "reload_ratio_64k");
    // The processor time of every thread of the process: on a machine whose
    // cores are shared, the wall time of two lanes depends on the others.
    put("reload_cpu_ms", reloadCpu);
    put("bare_read_cpu_ms", bareCpu);
    st.counters["reload_cpu_ratio"] = reloadCpu.sum / bareCpu.sum;
}

BENCHMARK(BM_ActivationAfterAppends)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);

// A field of /proc/self/status in bytes (VmRSS, VmHWM); -1 when not there.
double statusBytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(int(qstrlen(field)) + 1).trimmed().split(' ').value(0).toDouble() * 1024;
    return -1;
}

// The peak of the memory this process holds (VmHWM) during a whole reload and
// recount, above what it held before (VmRSS), once the program has run (the
// fixed tables, the recount's cells and the read buffers in place, as after
// the first activation) and with no records held. Counters (MB): peak_rise,
// held (the records the state keeps: 24 bytes each), buffers (the read
// buffers, allocated once), peak_over_held (peak_rise / held), and vm_hwm
// (the process's own peak after the reload).
void BM_PeakMemoryOfAWholeReload(benchmark::State& st)
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
    // A first activation of a smaller school, large enough for the recount's
    // two lanes: everything but the records in place.
    const QString small = bench::schoolYearFolder(200000, toOleDate(kNow.date()), kPupils);
    s.DataFolder = Loose(small);
    RecountAll();
    s.DataFolder = Loose(folder);
    double rise = 0, held = 0, hwm = 0;
    for (auto _ : st) {
        // Nothing held: the arrays given back to the system.
        std::vector<RecEntry>{RecEntry{}}.swap(s.RecEntries);
        std::vector<RecEntry>().swap(s.RecBestOnly);
        s.RecordCount = 0;
        s.RecSource = ProgramState::ResultsSource{};
        // The peak starts again from what is held now.
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1) {
            st.SkipWithError("the peak cannot be reset here (/proc/self/clear_refs)");
            return;
        }
        clear.close();
        const double before = statusBytes("VmRSS:");
        const auto start = std::chrono::steady_clock::now();
        RecountAll();
        st.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        hwm = statusBytes("VmHWM:");
        rise = std::max(rise, hwm - before);
        held = double(s.RecEntries.size() + s.RecBestOnly.size()) * sizeof(RecEntry);
    }
    if (s.RecordCount != records) st.SkipWithError("not every record was loaded");
    const double mb = 1024.0 * 1024.0;
    st.counters["peak_rise_mb"] = rise / mb;
    st.counters["held_mb"] = held / mb;
    st.counters["buffers_mb"] = double(reading::blockBufferBytes()) / mb;
    st.counters["peak_over_held"] = rise / held;
    st.counters["vm_hwm_mb"] = hwm / mb;
}

BENCHMARK(BM_PeakMemoryOfAWholeReload)->Arg(5000000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace


