// One build of the name list (recount, roster and lines) for a school of
// 5,000 pupils with 100,000 stored runs.
#include "Fakes.h"
#include "TempDir.h"
#include "platform/Calendar.h"
#include "records/Recount.h"
#include "records/ResultsFile.h"
#include "roster/NameList.h"
#include "roster/Roster.h"
#include "state/ProgramState.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <memory>
#include <random>

using namespace karuvel;

namespace {

struct School {
    test::FakePlatform fake;
    test::TempDir dir;

    School()
    {
        ProgramState& s = state();
        s.RosterFolder = Loose(dir.path());
        s.DataFolder = Loose(dir.mkdir(QStringLiteral("data")));
        s.SchoolYearStartMonth = Loose(4);
        for (int l = 1; l <= 12; ++l) {
            s.TargetTime[size_t(l)] = 60;
            s.PointMultiplier[size_t(l)] = 2;
            s.RecentDays[size_t(l)] = Loose(7);
            s.OverdoDays[size_t(l)] = Loose(1);
        }

        std::mt19937 gen(7);
        const QString kanji = QStringLiteral("山田川本中村小林佐藤鈴木高橋伊渡辺加松井上木下森池清水太郎花子一二三美香健");
        QString roster;
        for (int p = 1; p <= 5000; ++p) {
            QString name;
            const int len = 2 + int(gen() % 5);
            for (int i = 0; i < len; ++i) name += kanji.at(int(gen() % kanji.size()));
            roster += QStringLiteral("%1,%2,0,0,%3,0,,\r\n").arg(p).arg(2008 + int(gen() % 14)).arg(name);
        }
        dir.writeCp932(QStringLiteral("新名簿.txt"), roster);

        const double today = toOleDate(fake.clock.today());
        QByteArray bytes;
        bytes.reserve(100000 * kRecordSize);
        for (int k = 0; k < 100000; ++k) {
            ResultRecordData r;
            r.date = today - double(gen() % 400) * (k % 10 != 0);
            r.clock = 0.4;
            r.pupil = int16_t(1 + gen() % 5000);
            r.level = int16_t(1 + gen() % 12);
            r.time = k % 97 == 0 ? 99999 : int32_t(20 + gen() % 200);
            const auto b = r.toBytes();
            bytes.append(b.data(), int(b.size()));
        }
        dir.writeBytes(QStringLiteral("data/成績累積データ.dat"), bytes);
    }
};

School& school()
{
    static School s;
    return s;
}

void BM_NameListBuild(benchmark::State& st)
{
    school();
    for (auto _ : st) {
        NameList l = buildNameList(1, QStringLiteral("全学年"));
        benchmark::DoNotOptimize(l);
    }
    st.counters["lines"] = double(arrangeNameList(1, QStringLiteral("全学年")).shown.size());
}
BENCHMARK(BM_NameListBuild)->Unit(benchmark::kMillisecond);

// The parts of one build.
void BM_Recount(benchmark::State& st)
{
    school();
    for (auto _ : st) RecountAll();
    st.counters["records"] = double(state().RecordCount);
}
BENCHMARK(BM_Recount)->Unit(benchmark::kMillisecond);

void BM_LoadRoster(benchmark::State& st)
{
    school();
    for (auto _ : st) benchmark::DoNotOptimize(LoadRoster());
}
BENCHMARK(BM_LoadRoster)->Unit(benchmark::kMillisecond);

void BM_ArrangeLines(benchmark::State& st)
{
    school();
    LoadRoster();
    for (auto _ : st) {
        NameList l = arrangeNameList(1, QStringLiteral("全学年"));
        benchmark::DoNotOptimize(l);
    }
}
BENCHMARK(BM_ArrangeLines)->Unit(benchmark::kMillisecond);

} // namespace
