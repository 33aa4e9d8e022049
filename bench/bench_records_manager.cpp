// The records manager: building the list's lines of a large results file.
#include "admin/RecordLines.h"
#include "roster/Roster.h"

#include "frame/Calendar.h"

#include <benchmark/benchmark.h>

#include <cmath>

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
        benchmark::DoNotOptimize(lines.texts.data());
    }
    st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_BuildRecordLines)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
