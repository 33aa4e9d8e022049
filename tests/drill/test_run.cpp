// The run without a window: DrillRun through sequences of events (answers,
// "次へ", "戻る", clock ticks, the end of a cue, the pause before the finish
// screen), each case a row of the table below with what the run must have
// done at its end. The cues are the fake player's: they end at once, or in
// the rows that hold them, only at a CueEnd step.
#include "Fakes.h"
#include "TempDir.h"
#include "drill/DrillRun.h"
#include "frame/Catalogue.h"
#include "state/ProgramState.h"

#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

using namespace karuvel;
using Phase = DrillRun::Phase;
using Leave = DrillRun::Leave;

namespace {

struct Step {
    enum Kind { Right, Wrong, Shared, Next, Back, Tick, CueEnd, Pause } kind;
    double at = 0;  // Tick: seconds on the clock since the start
};
Step right() { return {Step::Right}; }
Step wrong() { return {Step::Wrong}; }
Step shared() { return {Step::Shared}; }  // right by another place of the shown related place
Step next() { return {Step::Next}; }
Step back() { return {Step::Back}; }
Step tick(double at) { return {Step::Tick, at}; }
Step cueEnd() { return {Step::CueEnd}; }
Step pause() { return {Step::Pause}; }

constexpr int kNothingStored = -1;

struct Case {
    const char* name;
    DrillKind kind = DrillKind::MapLevel;
    int level = 1;
    int questions = 4;
    long limit = 450;
    bool holdCues = false;
    std::vector<Step> steps;
    // At the end:
    Phase phase;
    int correct = 0;
    long elapsed = 0;
    bool timeOver = false;
    int32_t stored = kNothingStored;  // the time of the one record stored
    std::optional<Leave> leave;       // where the pupil was sent, if anywhere
    int cues = 0;                     // cues started
    const char* startAt = nullptr;    // the time of day of the start ("23:59:50"), or 10:00
};

std::string show(Phase p)
{
    static const char* const names[] = {"Starting", "Asking", "Judging", "Correction", "Practising", "Finishing", "Done"};
    return names[int(p)];
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const std::vector<Case>& cases()
{
    static const std::vector<Case> table = {
        {.name = "right answers complete the run; the finish screen follows the pause",
         .questions = 2, .steps = {tick(5), right(), tick(9), right(), tick(12), pause()},
         .phase = Phase::Done, .correct = 2, .elapsed = 9, .stored = 9, .leave = Leave::ToFinish, .cues = 2},
        {.name = "the finish screen waits for the pause",
         .questions = 1, .steps = {tick(3), right()},
         .phase = Phase::Finishing, .correct = 1, .elapsed = 3, .stored = 3, .cues = 1},
        {.name = "a wrong answer: correction, ten seconds' penalty, 次へ asks again",
         .steps = {tick(20), wrong(), tick(21), next()},
         .phase = Phase::Asking, .elapsed = 31, .cues = 1},
        {.name = "presses during the right answer's cue are ignored",
         .holdCues = true, .steps = {right(), right(), wrong(), right()},
         .phase = Phase::Judging, .cues = 1},
        {.name = "after the cue the answer counts and the next question is asked",
         .holdCues = true, .steps = {right(), wrong(), cueEnd()},
         .phase = Phase::Asking, .correct = 1, .cues = 1},
        {.name = "a press during the wrong answer's cue is ignored",
         .holdCues = true, .steps = {wrong(), right(), cueEnd(), right()},
         .phase = Phase::Correction, .cues = 1},
        {.name = "次へ during judging is ignored, after the cue it goes on",
         .holdCues = true, .steps = {wrong(), next(), next(), cueEnd(), next()},
         .phase = Phase::Asking, .cues = 1},
        {.name = "right by another place: shown until 次へ, no penalty, counted at 次へ",
         .questions = 2, .holdCues = true, .steps = {tick(5), shared(), right(), next(), cueEnd(), tick(6)},
         .phase = Phase::Correction, .elapsed = 6, .cues = 1},
        {.name = "right by another place: 次へ counts it and may end the run",
         .questions = 1, .steps = {tick(4), shared(), next(), next()},
         .phase = Phase::Finishing, .correct = 1, .elapsed = 4, .stored = 4, .cues = 1},
        {.name = "次へ twice asks one question",
         .steps = {wrong(), next(), next(), right()},
         .phase = Phase::Asking, .correct = 1, .cues = 2},
        {.name = "time over while the correction shows",
         .steps = {tick(100), wrong(), tick(441), next(), pause()},
         .phase = Phase::Done, .elapsed = 451, .timeOver = true, .stored = kTimeOver, .leave = Leave::ToFinish,
         .cues = 1},
        {.name = "the limit while a right answer's cue plays: the first tick after it ends the run",
         .holdCues = true, .steps = {right(), tick(450), tick(455), cueEnd(), tick(456)},
         .phase = Phase::Finishing, .correct = 1, .elapsed = 456, .timeOver = true, .stored = kTimeOver, .cues = 1},
        {.name = "the limit while the last answer's cue plays: the answer completes the run",
         .questions = 1, .holdCues = true, .steps = {right(), tick(460), cueEnd(), tick(460.5)},
         .phase = Phase::Finishing, .correct = 1, .elapsed = 460, .stored = 460, .cues = 1},
        {.name = "ticks after the end change nothing",
         .questions = 1, .steps = {tick(37), right(), tick(600), pause(), tick(700)},
         .phase = Phase::Done, .correct = 1, .elapsed = 37, .stored = 37, .leave = Leave::ToFinish, .cues = 1},
        {.name = "no limit time: never a time over",
         .limit = 0, .steps = {tick(5000)},
         .phase = Phase::Asking, .elapsed = 5000},
        {.name = "戻る in the last second of practice: nothing recorded, the late tick ignored",
         .kind = DrillKind::Practice, .steps = {tick(449), back(), tick(450), pause()},
         .phase = Phase::Done, .elapsed = 449, .leave = Leave::Back},
        {.name = "practice left open to the limit ends as a recorded time over; 戻る then is ignored",
         .kind = DrillKind::Practice, .steps = {tick(450), back(), pause()},
         .phase = Phase::Done, .elapsed = 450, .timeOver = true, .stored = kTimeOver, .leave = Leave::ToFinish},
        {.name = "practice takes no answer",
         .kind = DrillKind::Practice, .steps = {right(), wrong(), next()},
         .phase = Phase::Practising},
        {.name = "a run across midnight has its true length",
         .questions = 1, .steps = {tick(30), right()},
         .phase = Phase::Finishing, .correct = 1, .elapsed = 30, .stored = 30, .cues = 1, .startAt = "23:59:50"},
        {.name = "a time over across midnight",
         .steps = {tick(449), tick(451)},
         .phase = Phase::Finishing, .elapsed = 451, .timeOver = true, .stored = kTimeOver, .startAt = "23:59:50"},
        {.name = "an untimed level's run goes back to the menu unrecorded",
         .level = 5, .questions = 1, .limit = 0, .steps = {right()},
         .phase = Phase::Done, .correct = 1, .leave = Leave::ToMenu, .cues = 1},
        {.name = "a practice level's run goes back to the menu unrecorded",
         .level = 13, .questions = 1, .steps = {tick(8), right()},
         .phase = Phase::Done, .correct = 1, .elapsed = 8, .leave = Leave::ToMenu, .cues = 1},
    };
    return table;
}

class RunTable : public ::testing::TestWithParam<Case> {
protected:
    test::FakePlatform fakes;
    test::TempDir dir;

    void SetUp() override
    {
        PreviousQuestion() = 0;
        ProgramState& s = state();
        s.AppFolder = dir.path();
        s.DataFolder = Loose(dir.mkdir(QStringLiteral("data")));
        s.SchoolCode = Loose(QStringLiteral("12345"));
        applyLevelCatalogue();  // levels 1..12 timed, 13.. practice levels
        for (int level = 1; level <= 24; ++level) {
            s.TargetTime[level] = 60;
            s.LimitTime[level] = 90;
        }
        s.LevelTimed[5] = 0;
        s.BestTime.fill(kNoTime);
        s.TopTime.fill(kNoTime);
        s.CurrentPupil = 7;
    }

    std::vector<int32_t> storedTimes() const
    {
        QFile f(dir.path() + QStringLiteral("data/成績累積データ.dat"));
        std::vector<int32_t> times;
        if (!f.open(QIODevice::ReadOnly)) return times;
        const QByteArray b = f.readAll();
        for (qsizetype at = 0; at + 44 <= b.size(); at += 44)
            times.push_back(qFromLittleEndian<qint32>(b.constData() + at + 20));
        return times;
    }
};

TEST_P(RunTable, EventsLeadToTheRightState)
{
    const Case& c = GetParam();
    if (c.startAt) fakes.clock.current = QDateTime(QDate(2026, 12, 10), QTime::fromString(QLatin1String(c.startAt)));
    fakes.sound.endAtOnce = !c.holdCues;

    DrillRun::Setup setup;
    setup.kind = c.kind;
    setup.level = c.level;
    setup.questionCount = c.questions;
    setup.timeLimit = c.limit;
    DrillRun run(setup);
    std::vector<Leave> leaves;
    int asked = 0;
    QObject::connect(&run, &DrillRun::leave, [&](Leave l) { leaves.push_back(l); });
    QObject::connect(&run, &DrillRun::asked, [&](int q) {
        ++asked;
        EXPECT_GE(q, 1);
        EXPECT_LE(q, c.questions);
        EXPECT_FALSE(run.answeredRight(q)) << "a question answered right is asked again";
    });

    const uint64_t start = fakes.clock.ticks;
    run.start();
    EXPECT_EQ(asked, c.kind == DrillKind::Practice ? 0 : 1);
    for (const Step& step : c.steps) {
        switch (step.kind) {
        case Step::Right: run.answer(kVerdictRight); break;
        case Step::Wrong: run.answer(kVerdictWrong); break;
        case Step::Shared: run.answer(kVerdictRight, /*countOnNext=*/true); break;
        case Step::Next: run.next(); break;
        case Step::Back: run.back(); break;
        case Step::Tick:
            fakes.clock.advanceMs(int(start + uint64_t(std::llround(step.at * 1000)) - fakes.clock.ticks));
            run.tick();
            break;
        case Step::CueEnd: fakes.sound.finish(); break;
        case Step::Pause: fakes.clock.advanceMs(DrillRun::kFinishPauseMs); break;
        }
    }

    EXPECT_EQ(show(run.phase()), show(c.phase));
    EXPECT_EQ(run.correctCount(), c.correct);
    EXPECT_EQ(run.elapsed(), c.elapsed);
    EXPECT_EQ(run.timeOver(), c.timeOver);
    EXPECT_EQ(fakes.sound.played.size(), c.cues);
    const std::vector<int32_t> stored = storedTimes();
    if (c.stored == kNothingStored) {
        EXPECT_TRUE(stored.empty());
        EXPECT_FALSE(run.outcome().has_value());
    } else {
        EXPECT_EQ(stored, std::vector<int32_t>{c.stored});
        ASSERT_TRUE(run.outcome().has_value());
        EXPECT_EQ(run.outcome()->runTime, c.stored);
        EXPECT_EQ(run.outcome()->timeOver, c.timeOver);
    }
    if (c.leave)
        EXPECT_EQ(leaves, std::vector<Leave>{*c.leave});
    else
        EXPECT_TRUE(leaves.empty());
}

INSTANTIATE_TEST_SUITE_P(Sequences, RunTable, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return "row" + std::to_string(info.index); });

// Input outside the phase that takes it: the one table of what each phase takes.
TEST(RunPhases, EachPhaseTakesItsOwnInput)
{
    test::FakePlatform fakes;
    applyLevelCatalogue();
    fakes.sound.endAtOnce = false;
    using In = DrillRun::Input;
    auto takes = [](const DrillRun& r) {
        std::string t;
        for (In i : {In::Answer, In::Next, In::Back, In::Tick}) t += r.takes(i) ? '1' : '0';
        return t;  // answer, next, back, tick
    };
    DrillRun run({DrillKind::MapLevel, 1, 4, 450});
    EXPECT_EQ(takes(run), "0000");  // Starting
    run.start();
    EXPECT_EQ(takes(run), "1001");  // Asking
    run.answer(kVerdictWrong);
    EXPECT_EQ(takes(run), "0001");  // Judging
    fakes.sound.finish();
    EXPECT_EQ(takes(run), "0101");  // Correction
    DrillRun practice({DrillKind::Practice, 1, 4, 450});
    practice.start();
    EXPECT_EQ(takes(practice), "0011");  // Practising
    practice.back();
    EXPECT_EQ(takes(practice), "0000");  // Done
}

// Each run is a new object: nothing of one run carries into the next but the
// question asked last, which the next run does not open with.
TEST(RunPhases, ANewRunStartsAfreshButForThePreviousQuestion)
{
    test::FakePlatform fakes;
    applyLevelCatalogue();
    PreviousQuestion() = 0;
    fakes.random.queue = {0.3};  // question 2
    DrillRun first({DrillKind::MapLevel, 1, 4, 450});
    first.start();
    ASSERT_EQ(first.currentQuestion(), 2);
    first.answer(kVerdictWrong);
    ASSERT_EQ(first.phase(), Phase::Correction);

    fakes.random.queue = {0.3, 0.8};  // 2 again (refused), then 4
    DrillRun second({DrillKind::ListLevel, 2, 4, 450});
    EXPECT_EQ(second.phase(), Phase::Starting);
    second.start();
    EXPECT_EQ(second.currentQuestion(), 4);
    EXPECT_EQ(second.correctCount(), 0);
    EXPECT_EQ(second.elapsed(), 0);
    EXPECT_EQ(second.phase(), Phase::Asking);
}

// The fourth failure in a row of an answer cue stops the run and asks for the
// program's end with the player's error text; the first three pass silently.
TEST(RunPhases, TheFourthFailedCueStopsTheRun)
{
    test::FakePlatform fakes;
    applyLevelCatalogue();
    fakes.sound.results = {1, 2, 3, 4};
    DrillRun run({DrillKind::MapLevel, 1, 4, 450});
    QStringList stops;
    QObject::connect(&run, &DrillRun::soundStopped, [&](const QString& m) { stops << m; });
    run.start();
    run.answer(kVerdictRight);
    run.answer(kVerdictWrong);
    run.next();
    run.answer(kVerdictRight);
    EXPECT_TRUE(stops.isEmpty());
    EXPECT_EQ(run.correctCount(), 2);
    run.answer(kVerdictRight);
    ASSERT_EQ(stops.size(), 1);
    EXPECT_EQ(stops[0], QStringLiteral("音声がでません。先生を呼びなさい。\r\nfake error 4"));
    EXPECT_EQ(run.phase(), Phase::Done);
    EXPECT_EQ(run.correctCount(), 2);
}

} // namespace

namespace {

// A run that cannot be stored is not shown as finished: the program stops with
// the message naming the results file, and the pupil's time is not lost silently.
TEST(RunPhases, ARunThatCannotBeStoredStopsTheProgramNamingTheFile)
{
    test::FakePlatform fakes;
    test::TempDir dir;
    ProgramState& s = state();
    s.DataFolder = Loose(dir.path() + QStringLiteral("ない/"));  // no folder to store in
    applyLevelCatalogue();
    s.BestTime.fill(kNoTime);
    s.TopTime.fill(kNoTime);
    s.CurrentPupil = 7;
    DrillRun run({DrillKind::MapLevel, 1, 1, 450});
    std::vector<Leave> leaves;
    QObject::connect(&run, &DrillRun::leave, [&](Leave l) { leaves.push_back(l); });
    run.start();
    EXPECT_THROW(run.answer(kVerdictRight), ProgramEnded);
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_EQ(fakes.messages.shown[0].first, QStringLiteral("エラー"));
    EXPECT_TRUE(fakes.messages.shown[0].second.startsWith(QStringLiteral("「成績累積データ.dat」に成績を記録できません。")))
        << fakes.messages.shown[0].second.toStdString();
    EXPECT_TRUE(fakes.messages.shown[0].second.endsWith(QStringLiteral("先生を呼びなさい。")));
    fakes.clock.advanceMs(DrillRun::kFinishPauseMs);
    EXPECT_TRUE(leaves.empty()) << "the finish screen was asked for after all";
}

} // namespace
