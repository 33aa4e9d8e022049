// The records manager: building the list's lines of a large results file.
#include "admin/RecordLines.h"
#include "SchoolRuns.h"
#include "roster/Roster.h"

#include "platform/Calendar.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <memory>

namespace {

using namespace karuvel;

// n runs of 300 pupils over two years on 12 levels, a few from another school.
QByteArray schoolFile(int n)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(n) * kRecordSize);
    const double first = toOleDate(QDate(2025, 4, 1));
    for (int i = 0; i < n; ++i) {
        ResultRecordData r;
        r.date = first + std::floor(double(i) * 730 / n);
        r.clock = (9 * 3600 + (i * 37) % 30000) / 86400.0;
        r.pupil = int16_t(1 + (i * 7919) % 300);
        r.level = int16_t(i % 50 == 0 ? 0 : 1 + i % 12);
        r.time = 20 + (i * 13) % 400;
        r.schoolCode = i % 97 == 0 ? QByteArray("99999") : QByteArray("12345");
        const auto b = r.toBytes();
        bytes.append(b.data(), kRecordSize);
    }
    return bytes;
}

PupilBook schoolBook()
{
    PupilBook b;
    for (int p = 1; p <= 300; ++p) {
        b.PupilNameByNumber[size_t(p)] = QStringLiteral("生徒%1番さん").arg(p);
        b.GradeLabelByNumber[size_t(p)] = gradeText(1 + p % 10);
    }
    return b;
}

void BM_BuildRecordLines(benchmark::State& st)
{
    const int n = int(st.range(0));
    const QByteArray bytes = schoolFile(n);
    const PupilBook book = schoolBook();
    for (auto _ : st) {
        RecordLines lines =
            buildRecordLines(bytes.constData(), n, book, QStringLiteral("12345"), QStringLiteral("みどり塾"));
        // Every text made, as the list once made them before showing anything.
        for (int i = 0; i < lines.size(); ++i) benchmark::DoNotOptimize(lines.text(i));
    }
    st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_BuildRecordLines)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);


// ---------------------------------------------------------------------------
// The records manager at a million runs: the first screenful and the filters.
// Each figure is set beside the bare read of the same file in the same run
// (BM_RecordsBareRead), so that the ratio survives a busy machine; the
// targets are 0.3 s for the first screenful and 0.2 s for a filter.

constexpr int kScreenLines = 40;  // lines in sight at 1920 x 1080

// A three-year school grown to n records by appends, as every school's file grows.
struct MillionFile {
    QTemporaryDir dir;
    QString path;
    explicit MillionFile(long long n)
    {
        path = dir.filePath(QStringLiteral("runs.dat"));
        karuvel::school::SchoolShape shape;
        shape.today = QDate(2026, 12, 10);
        for (int p = 1; p <= 300; ++p) shape.pupils.push_back(p);
        shape.teachers = {1001};
        shape.records = n;
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        karuvel::school::forEachRun(shape, [&f](const ResultRecordData& r) {
            const auto b = r.toBytes();
            f.write(b.data(), kRecordSize);
        });
    }
};

MillionFile& millionFile(long long n)
{
    static std::unique_ptr<MillionFile> file;
    static long long made = 0;
    if (!file || made != n) {
        file = std::make_unique<MillionFile>(n);
        made = n;
    }
    return *file;
}

std::shared_ptr<const std::vector<char>> readWhole(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    auto bytes = std::make_shared<std::vector<char>>(size_t(f.size()));
    qint64 got = 0;
    while (got < f.size()) {
        const qint64 r = f.read(bytes->data() + got, std::min<qint64>(1 << 20, f.size() - got));
        if (r <= 0) break;
        got += r;
    }
    return bytes;
}

void BM_RecordsBareRead(benchmark::State& st)
{
    MillionFile& file = millionFile(st.range(0));
    for (auto _ : st) benchmark::DoNotOptimize(readWhole(file.path)->data());
}
BENCHMARK(BM_RecordsBareRead)->Arg(1000000)->Unit(benchmark::kMillisecond);

// What the manager does before its first screenful: read the file, order
// it newest first, and make the texts of the lines in sight.
void BM_RecordsFirstScreen(benchmark::State& st)
{
    MillionFile& file = millionFile(st.range(0));
    const PupilBook book = schoolBook();
    for (auto _ : st) {
        const auto held = readWhole(file.path);
        const int64_t count = int64_t(held->size()) / kRecordSize;
        std::vector<int> listed = listedRecords(held->data(), count, RecordOrder::NewestFirst);
        RecordLines lines = makeRecordLines(held, std::move(listed), book, QStringLiteral("12345"),
                                            QStringLiteral("みどり塾"));
        for (int i = 0; i < std::min(kScreenLines, lines.size()); ++i) benchmark::DoNotOptimize(lines.text(i));
    }
}
BENCHMARK(BM_RecordsFirstScreen)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A filter chosen: the records already read are filtered and the lines in
// sight made. Arg 1: one pupil; 2: one level and a month; 3: time-overs only.
void BM_RecordsFilter(benchmark::State& st)
{
    MillionFile& file = millionFile(1000000);
    const PupilBook book = schoolBook();
    const auto held = readWhole(file.path);
    const int64_t count = int64_t(held->size()) / kRecordSize;
    const std::vector<int> listed = listedRecords(held->data(), count, RecordOrder::NewestFirst);
    RecordFilter filter;
    switch (st.range(0)) {
    case 1: filter.pupil = 17; break;
    case 2:
        filter.level = 3;
        filter.from = QDate(2026, 11, 1);
        filter.to = QDate(2026, 11, 30);
        break;
    default: filter.timeOver = RecordFilter::TimeOver::Only; break;
    }
    for (auto _ : st) {
        std::vector<int> shown = filteredRecords(held->data(), listed, filter);
        RecordLines lines =
            makeRecordLines(held, std::move(shown), book, QStringLiteral("12345"), QStringLiteral("みどり塾"));
        for (int i = 0; i < std::min(kScreenLines, lines.size()); ++i) benchmark::DoNotOptimize(lines.text(i));
    }
}
BENCHMARK(BM_RecordsFilter)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

} // namespace
