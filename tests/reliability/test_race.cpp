// Racing PCs: pupils' PCs append while two teachers' PCs rewrite the file in
// a loop (one edits runs, the other deletes them) and another PC keeps
// reading it. Every run is counted exactly once by the recount, the readers
// never see a stored run vanish, and exactly the teachers' changes happen.
// (The results tests keep their 8 x 500 appenders and their appenders racing
// one deleting rewriter; this one races several writers and readers at once.)
#include "Fakes.h"
#include "Runs.h"
#include "TempDir.h"
#include "frame/FileMessages.h"
#include "platform/Calendar.h"
#include "records/Recount.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace karuvel;
using namespace karuvel::test;

namespace {

class SleepingClock : public FakeClock {
public:
    void waitResponsive(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

constexpr int kAppenders = 6;
constexpr int kRuns = 40;           // runs per appender: pupil p, level 1 + i % 12, time i
constexpr int kTeacher = 999;       // the teachers' own runs, edited and deleted
constexpr int kTeacherRuns = 2000;  // time k (+ 100000 per edit), level 2
constexpr int kEdit = 100000;

enum Role { kEditor, kDeleter, kReader, kFirstAppender };

class RacingPcs : public ::testing::Test {
protected:
    FakePlatform fakes;
    TempDir dir;

    void SetUp() override
    {
        state().DataFolder = Loose(dir.path());
        QByteArray bytes;
        for (int k = 0; k < kTeacherRuns; ++k) {
            const auto b = runRecord(toOleDate(fakes.clock.current.date()), 0.1, kTeacher, 2, k).toBytes();
            bytes.append(b.data(), kRecordSize);
        }
        dir.writeBytes(QStringLiteral("成績累積データ.dat"), bytes);
    }
    QString mark(const QString& name) const { return dir.file(name); }
    bool appendersDone() const
    {
        return QDir(dir.path()).entryList({QStringLiteral("done-*")}, QDir::Files).size() == kAppenders;
    }
    void tell(const QString& name, int value) const
    {
        QFile f(mark(name));
        if (f.open(QIODevice::WriteOnly)) f.write(QByteArray::number(value));
    }
    int told(const QString& name) const
    {
        QFile f(mark(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toInt() : -1;
    }

    // One rewrite after another until every appender is done (at most 20 s);
    // the number of rewrites that changed something.
    int rewriteInLoop(const std::function<bool(std::vector<ResultRecordData>&)>& change)
    {
        int rewrites = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!appendersDone() && std::chrono::steady_clock::now() < deadline) {
            QString problem;
            bool changed = false;
            if (!updateResults(
                    [&](std::vector<ResultRecordData>& records, QString*) {
                        changed = change(records);
                        return true;
                    },
                    &problem))
                return -1;
            if (changed) ++rewrites;
        }
        return rewrites;
    }

    // Reads the file again and again while the others write. Returns the
    // number of reads, or -1 when a read saw a record it should not (torn,
    // invented) or fewer runs of an appender than an earlier read.
    int readInLoop()
    {
        std::map<int, size_t> seen;  // appender -> runs seen at the last read
        int reads = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!appendersDone() && std::chrono::steady_clock::now() < deadline) {
            std::vector<ResultRecordData> records;
            if (!readAllResults(&records).ok()) return -1;
            std::map<int, size_t> now;
            for (const ResultRecordData& r : records) {
                if (r.pupil == kTeacher) {
                    if (r.level != 2 || r.time % kEdit >= kTeacherRuns) return -1;
                } else if (r.pupil >= 1 && r.pupil <= kAppenders && r.level == 1 + r.time % 12) {
                    ++now[r.pupil];
                } else {
                    return -1;
                }
            }
            for (const auto& [p, n] : seen)
                if (now[p] < n) return -1;
            seen = now;
            if (!LoadResults().ok()) return -1;  // and as the dashboard loads it
            ++reads;
        }
        return reads;
    }

    int work(int role)
    {
        switch (role) {
        case kEditor: {
            unsigned pick = 12345;
            const int n = rewriteInLoop([&](std::vector<ResultRecordData>& records) {
                pick = pick * 1103515245u + 12345u;
                std::vector<size_t> teachers;
                for (size_t k = 0; k < records.size(); ++k)
                    if (records[k].pupil == kTeacher) teachers.push_back(k);
                if (teachers.empty()) return false;
                records[teachers[(pick >> 8) % teachers.size()]].time += kEdit;
                return true;
            });
            tell(QStringLiteral("edits"), n);
            return n < 0 ? 2 : 0;
        }
        case kDeleter: {
            const int n = rewriteInLoop([](std::vector<ResultRecordData>& records) {
                // The teacher's run of the lowest number goes.
                auto lowest = records.end();
                for (auto it = records.begin(); it != records.end(); ++it)
                    if (it->pupil == kTeacher && (lowest == records.end() || it->time % kEdit < lowest->time % kEdit))
                        lowest = it;
                if (lowest == records.end()) return false;
                records.erase(lowest);
                return true;
            });
            tell(QStringLiteral("deletions"), n);
            return n < 0 ? 2 : 0;
        }
        case kReader: {
            const int n = readInLoop();
            tell(QStringLiteral("reads"), n);
            return n < 0 ? 2 : 0;
        }
        default: {
            const int p = role - kFirstAppender + 1;
            ProgramState& s = state();
            for (int i = 1; i <= kRuns; ++i) {
                s.CurrentPupil = p;
                s.SelectedLevel = 1 + i % 12;
                if (const ResultsError e = AppendResult(i); !e.ok()) stopOnResults(e);
                std::this_thread::sleep_for(std::chrono::milliseconds(i % 2));  // the next pupil's run
            }
            tell(QStringLiteral("done-%1").arg(p), 1);
            return 0;
        }
        }
    }
};

TEST_F(RacingPcs, AppendersRewritersAndReadersTogetherCountEveryRunOnce)
{
    const auto started = std::chrono::steady_clock::now();
    std::vector<pid_t> children;
    for (int role = 0; role < kFirstAppender + kAppenders; ++role) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int code = 0;
            try {
                SleepingClock clock;
                platform().clock = &clock;
                code = work(role);
            } catch (...) {
                code = 1;
            }
            _exit(code);
        }
        children.push_back(pid);
    }
    for (size_t i = 0; i < children.size(); ++i) {
        int status = 0;
        ASSERT_EQ(waitpid(children[i], &status, 0), children[i]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "process of role " << i << " failed (2: a rewrite failed or a read saw a run vanish)";
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const int edits = told(QStringLiteral("edits")), deletions = told(QStringLiteral("deletions"));
    const int reads = told(QStringLiteral("reads"));

    // The recount counts every appended run once, at its level.
    setLevelCriteria(12, LevelCriteria{});
    EXPECT_TRUE(RecountAll().ok());
    const ProgramState& s = state();
    int lost = 0, doubled = 0;
    for (int p = 1; p <= kAppenders; ++p) {
        for (int level = 1; level <= 12; ++level) {
            int expected = 0;
            for (int i = 1; i <= kRuns; ++i) expected += (1 + i % 12 == level) ? 1 : 0;
            const int counted = s.TotalCount(level, p);
            if (counted < expected) lost += expected - counted;
            if (counted > expected) doubled += counted - expected;
        }
    }
    std::printf("[ figures  ] %d appenders, %d appends, 2 rewriters with %d edits and %d deletions, %d reads, %.1f s: "
                "lost %d, doubled %d\n",
                kAppenders, kAppenders * kRuns, edits, deletions, reads, seconds, lost, doubled);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(doubled, 0);
    EXPECT_GT(edits, 0);
    EXPECT_GT(deletions, 0);

    // Exactly the teachers' changes: the lowest `deletions` runs gone, the
    // others there once, each edited any number of times but otherwise as stored.
    std::vector<ResultRecordData> records;
    ASSERT_TRUE(readAllResults(&records).ok());
    std::map<int, int> teacher;
    int appended = 0;
    for (const ResultRecordData& r : records) {
        if (r.pupil == kTeacher) {
            ++teacher[r.time % kEdit];
            EXPECT_EQ(r.level, 2);
        } else {
            ++appended;
        }
    }
    EXPECT_EQ(appended, kAppenders * kRuns);
    EXPECT_EQ(int(teacher.size()), kTeacherRuns - deletions);
    if (!teacher.empty()) EXPECT_EQ(teacher.begin()->first, deletions);
    for (const auto& [k, n] : teacher) EXPECT_EQ(n, 1) << "teacher's run " << k << " doubled";
}

} // namespace
