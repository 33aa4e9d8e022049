// One full dashboard refresh on a large school: 5,000 pupils and 100,000
// stored runs. BM_RefreshRules times the work behind it (the recount and the
// twelve points rankings); BM_RefreshWindow the whole refresh of the window,
// lists filled on screen. BM_SummaryPass and BM_PerPupilView time the
// per-pupil summary: one pass over the file and the sheet of every level, and
// the whole per-pupil display of the window (roster read afresh, lists, panel).
#include "Fakes.h"
#include "TempDir.h"
#include "dashboard/Dashboard.h"
#include "dashboard/PupilSummary.h"
#include "dashboard/ResultsLists.h"
#include "platform/Calendar.h"
#include "frame/Catalogue.h"
#include "records/Recount.h"
#include "records/ResultsFile.h"

#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <benchmark/benchmark.h>

#include <memory>

using namespace karuvel;

namespace {

constexpr int kPupils = 5000;
constexpr int kRuns = 100000;

struct School {
    test::FakePlatform fakes;
    test::TempDir dir;

    School()
    {
        ProgramState& s = state();
        s.DataFolder = Loose(dir.path());
        s.SchoolName = QStringLiteral("みどり塾");
        SetProgramIdentity();
        applyLevelCatalogue();
        for (int i = 1; i <= 12; ++i) {
            s.TargetTime[i] = 60;
            s.LimitTime[i] = 120;
            s.ClearPoints[i] = 30;
            s.ClearCount[i] = 3;
            s.PointMultiplier[i] = i % 3 == 0 ? 1.5f : 1.0f;
            s.RecentDays[i] = Loose(7);
            s.OverdoDays[i] = Loose(1);
            s.OverdoCountLimit[i] = Loose(20);
            s.OverdoPointsLimit[i] = Loose(0);
        }
        s.SchoolYear = Loose(2026);
        for (int p = 1; p <= kPupils; ++p) {
            s.RosterOrder[size_t(p)] = p;
            s.PupilBirthYears[size_t(p)] = 2011 + p % 9;
            s.PupilNames[size_t(p)] = QStringLiteral("生徒%1").arg(p).leftJustified(20, QLatin1Char(' '));
        }
        s.RosterCount = Loose(kPupils);
        // The same roster as a file, for the views that read it afresh.
        s.RosterFolder = Loose(dir.path());
        QString roster;
        for (int p = 1; p <= kPupils; ++p)
            roster += QStringLiteral("%1,%2,0,0,生徒%1,0,,\r\n").arg(p).arg(2011 + p % 9);
        dir.writeCp932(QStringLiteral("新名簿.txt"), roster);
        s.CurrentPupil = 1234;
        s.CurrentPupilName = s.PupilNames[1234];
        s.CurrentPupilGrade = Loose(QStringLiteral("小５"));

        // Runs spread over the last year, the newest at the end.
        const double today = toOleDate(fakes.clock.now().date());
        QByteArray bytes;
        bytes.reserve(qsizetype(kRuns) * kRecordSize);
        uint32_t x = 12345;
        for (int k = 0; k < kRuns; ++k) {
            x = x * 1103515245u + 12345u;
            ResultRecordData r;
            r.date = today - double((kRuns - 1 - k) * 365 / kRuns);
            r.clock = double((x >> 8) % 86400) / 86400.0;
            r.pupil = int16_t(1 + (x >> 4) % kPupils);
            r.level = int16_t(1 + (x >> 20) % 12);
            r.time = (x >> 12) % 50 == 0 ? 99999 : int32_t(20 + (x >> 16) % 200);
            const auto b = r.toBytes();
            bytes.append(b.data(), kRecordSize);
        }
        dir.writeBytes(QStringLiteral("成績累積データ.dat"), bytes);
    }
};

School& school()
{
    static School s;
    return s;
}

void BM_RefreshRules(benchmark::State& st)
{
    school();
    ProgramState& s = state();
    for (auto _ : st) {
        RecountAll();
        const ListContext c(s, s.CurrentPupil, QStringLiteral("全学年"));
        int lines = 0;
        for (int level = 1; level <= 12; ++level) lines += int(rankingList(s, c, level, kRankAllTime).lines.size());
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_RefreshRules)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The two parts of the rules on their own.
void BM_Recount(benchmark::State& st)
{
    school();
    for (auto _ : st) RecountAll();
    st.counters["records_loaded"] = double(state().RecordCount);
}
BENCHMARK(BM_Recount)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_TwelveRankings(benchmark::State& st)
{
    school();
    ProgramState& s = state();
    RecountAll();
    for (auto _ : st) {
        const ListContext c(s, s.CurrentPupil, QStringLiteral("全学年"));
        int lines = 0;
        for (int level = 1; level <= 12; ++level) lines += int(rankingList(s, c, level, kRankAllTime).lines.size());
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_TwelveRankings)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_RefreshWindow(benchmark::State& st)
{
    school();
    auto w = std::make_unique<seisekitime1>();
    w->resize(kFrameWidth, kFrameHeight);
    w->show();
    for (auto _ : st) w->activate();
    st.counters["lines_level1"] = double(w->List5[1]->count());
}
BENCHMARK(BM_RefreshWindow)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SummaryPass(benchmark::State& st)
{
    school();
    ProgramState& s = state();
    RecountAll();
    std::vector<int> levels;
    for (int level = 1; level <= 12; ++level) levels.push_back(level);
    for (auto _ : st) {
        std::vector<ResultRecordData> records;
        readAllResults(&records);
        PupilSummary summary(s, QStringLiteral("全学年"), karuvel::clock().now(), s.CurrentPupil);
        for (const ResultRecordData& r : records) summary.add(r);
        benchmark::DoNotOptimize(summary.sheet(s.CurrentPupil, levels).size());
    }
}
BENCHMARK(BM_SummaryPass)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_PerPupilView(benchmark::State& st)
{
    school();
    auto w = std::make_unique<seisekitime1>();
    w->resize(kFrameWidth, kFrameHeight);
    w->show();
    w->activate();
    for (auto _ : st) w->Option2_Click(2);
    st.counters["sheet_lines"] = double(w->SheetText->blockCount());
    st.counters["pupils_listed"] = double(w->List2->count());
}
BENCHMARK(BM_PerPupilView)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
