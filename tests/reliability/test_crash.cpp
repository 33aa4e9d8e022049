// Writers of the shared results file killed (SIGKILL) at random instants: a
// pupil's PC switched off while it stores a run, a teacher's PC while it
// rewrites the file, with other PCs appending meanwhile. After every kill the
// file loads, every run whose append returned is there once and unaltered,
// nothing is invented, no lock is left behind, and no temporary file stays
// that the next use of the file does not clear away.
#include "Fakes.h"
#include "FaultyRecordIo.h"
#include "TempDir.h"
#include "frame/FileMessages.h"
#include "platform/Calendar.h"
#include "platform/RecordFile.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace karuvel;
using namespace karuvel::test;

namespace {

const QString kResultsName = QStringLiteral("成績累積データ.dat");

// A clock that really waits (the killed writer may be waiting for the lock).
class SleepingClock : public FakeClock {
public:
    void waitResponsive(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

// A writer in a process of its own. Every run it has stored (its append
// returned) it reports through a pipe, which outlives its kill.
class Writer {
public:
    // work gets report(n), to call once run n is stored for good.
    explicit Writer(const std::function<void(const std::function<void(int32_t)>& report)>& work)
    {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const int out = fds[1];
            SleepingClock clock;
            platform().clock = &clock;
            int code = 0;
            try {
                work([out](int32_t n) {
                    if (::write(out, &n, sizeof n) != sizeof n) _exit(3);
                });
            } catch (...) {
                code = 1;
            }
            _exit(code);
        }
        ::close(fds[1]);
        in_ = fds[0];
    }
    ~Writer()
    {
        kill();
        if (in_ >= 0) ::close(in_);
    }
    bool started() const { return pid_ > 0; }
    // Kills the process at once; returns what it reported before.
    std::vector<int32_t> kill()
    {
        std::vector<int32_t> reported;
        if (pid_ <= 0) return reported;
        ::kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        exitedByItself_ = WIFEXITED(status);
        exitCode_ = exitedByItself_ ? WEXITSTATUS(status) : -1;
        pid_ = -1;
        int32_t n = 0;
        while (::read(in_, &n, sizeof n) == sizeof n) reported.push_back(n);
        return reported;
    }
    // Set after kill(): the process had ended by itself, with this code.
    bool exitedByItself() const { return exitedByItself_; }
    int exitCode() const { return exitCode_; }

private:
    pid_t pid_ = -1;
    int in_ = -1;
    bool exitedByItself_ = false;
    int exitCode_ = 0;
};

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// An older run of pupil 3000 numbered n.
ResultRecordData runRecord(int n)
{
    ResultRecordData r;
    r.date = 46300;
    r.pupil = 3000;
    r.level = 3;
    r.time = n;
    return r;
}

class KilledWriters : public ::testing::Test {
protected:
    FakePlatform fakes;
    TempDir dir;
    std::mt19937 random{20261210};

    void SetUp() override
    {
        state().DataFolder = Loose(dir.path());
        state().SchoolCode = Loose(QStringLiteral("KILL"));
    }
    QString file() const { return dir.file(kResultsName); }
    QByteArray contents() const
    {
        QFile f(file());
        if (!f.open(QIODevice::ReadOnly)) return {};
        return f.readAll();
    }
    void writeContents(const QByteArray& bytes) const { dir.writeBytes(kResultsName, bytes); }
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }

    // Stores the run of pupil `writer` numbered n: level and time say which run it is.
    static void appendRun(int writer, int32_t n)
    {
        ProgramState& s = state();
        s.CurrentPupil = writer;
        s.SelectedLevel = 1 + n % 12;
        // A run that cannot be stored stops the program, as the drill does.
        if (const ResultsError e = AppendResult(n); !e.ok()) stopOnResults(e);
    }

    // The runs of pupil `writer` in the file, by number; fails the test for
    // a run stored twice or altered.
    std::map<int32_t, int> runsOf(const std::vector<ResultRecordData>& records, int writer) const
    {
        std::map<int32_t, int> seen;
        const double today = toOleDate(fakes.clock.current.date());
        for (const ResultRecordData& r : records) {
            if (r.pupil != writer) continue;
            ++seen[r.time];
            EXPECT_EQ(r.level, 1 + r.time % 12) << "run " << r.time << " of writer " << writer << " altered";
            EXPECT_EQ(r.date, today) << "run " << r.time << " of writer " << writer << " altered";
            EXPECT_EQ(r.schoolCode, QByteArray("KILL ")) << "run " << r.time << " of writer " << writer << " altered";
        }
        for (const auto& [n, count] : seen) EXPECT_EQ(count, 1) << "run " << n << " of writer " << writer << " stored twice";
        return seen;
    }

    // The file loads as the program loads it, without a failure or a message.
    std::vector<ResultRecordData> loadAll()
    {
        std::vector<ResultRecordData> records;
        EXPECT_TRUE(readAllResults(&records).ok());
        EXPECT_TRUE(LoadResults().ok());
        EXPECT_TRUE(fakes.messages.shown.isEmpty()) << fakes.messages.shown.value(0).second.toStdString();
        return records;
    }

    // No process holds the file's lock any more.
    void expectNoLockLeft()
    {
        RecordFile f;
        ASSERT_TRUE(f.open(toFsPath(file()), RecordFile::Mode::ReadWriteCreate));
        EXPECT_EQ(f.tryLock(LockKind::Exclusive), LockResult::Locked) << "a killed writer left its lock behind";
    }

    // What the folder holds besides the results file after the file's next use.
    QStringList leftovers()
    {
        appendRun(99, 1);  // the next use: a run stored by another PC
        QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.removeAll(kResultsName);
        names.removeAll(kResultsName + QStringLiteral(".stamp"));  // the rewrite stamp belongs beside it
        // The run just stored goes again, so that the next round starts clean.
        QString problem;
        EXPECT_TRUE(updateResults(
            [](std::vector<ResultRecordData>& records, QString*) {
                std::erase_if(records, [](const ResultRecordData& r) { return r.pupil == 99; });
                return true;
            },
            &problem))
            << problem.toStdString();
        return names;
    }
};

TEST_F(KilledWriters, AnAppenderKilledAtAnyInstantLosesNoStoredRunAndLeavesNoLock)
{
    constexpr int kKills = 40;
    int32_t next = 1;
    std::map<int32_t, bool> reported;
    std::set<int32_t> interrupted;  // the run each kill may have cut short: stored or not, both are right
    int torn = 0;
    for (int round = 0; round < kKills; ++round) {
        const int32_t first = next;
        Writer w([first](const std::function<void(int32_t)>& report) {
            for (int32_t n = first; n < first + 100000; ++n) {
                appendRun(1, n);
                report(n);
            }
        });
        ASSERT_TRUE(w.started());
        sleepMs(between(0, 25));
        const std::vector<int32_t> done = w.kill();
        for (int32_t n : done) reported[n] = true;
        ASSERT_FALSE(w.exitedByItself() && w.exitCode() != 0) << "the appender failed by itself, code " << w.exitCode();
        interrupted.insert(done.empty() ? first : done.back() + 1);
        next = first + 100000;

        if (contents().size() % kRecordSize != 0) ++torn;
        const std::vector<ResultRecordData> records = loadAll();
        const std::map<int32_t, int> stored = runsOf(records, 1);
        for (const auto& [n, yes] : reported)
            ASSERT_TRUE(stored.count(n)) << "round " << round << ": run " << n << " was stored, then lost";
        for (const auto& [n, count] : stored) {
            // Nothing invented: a run not reported was being stored when a kill came.
            ASSERT_TRUE(reported.count(n) || interrupted.count(n)) << "run " << n << " invented";
        }
        expectNoLockLeft();
    }
    EXPECT_GT(reported.size(), 0u);
    RecordProperty("kills", kKills);
    RecordProperty("storedRuns", int(reported.size()));
    std::printf("%d appenders killed, %zu stored runs all kept, %d torn ends\n", kKills, reported.size(), torn);
}

TEST_F(KilledWriters, ARewriteKilledAtAnyInstantWhileOthersAppendKeepsEveryRun)
{
    // Forty older runs (pupils 4001..4040) that the teacher's PC edits and
    // deletes; an edit adds 100000 to a time, so time % 100000 tells the run.
    constexpr int kOlder = 40;
    QByteArray older;
    for (int i = 1; i <= kOlder; ++i) {
        ResultRecordData r;
        r.date = toOleDate(QDate(2026, 12, 1));
        r.clock = 0.5;
        r.pupil = int16_t(4000 + i);
        r.level = 2;
        r.time = i;
        const auto b = r.toBytes();
        older.append(b.data(), kRecordSize);
    }
    // And 5000 runs nobody touches (pupil 3000, times 1..5000), so that a
    // rewrite takes long enough for kills to land inside it.
    constexpr int kUntouched = 5000;
    for (int i = 1; i <= kUntouched; ++i) {
        ResultRecordData r;
        r.date = toOleDate(QDate(2026, 11, 1));
        r.pupil = 3000;
        r.level = 3;
        r.time = i;
        const auto b = r.toBytes();
        older.append(b.data(), kRecordSize);
    }
    writeContents(older);

    constexpr int kRounds = 12;
    constexpr int kAppenders = 2;
    std::map<int, std::map<int32_t, bool>> reported;  // by appender
    std::set<int> deleted;                            // older runs the rewrites deleted for good
    int kills = 0;
    int rewrites = 0;  // deletions the rewriters reported (every third rewrite is one)
    int cutShort = 0;  // kills that left a rewrite's temporary file behind
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::unique_ptr<Writer>> appenders;
        for (int a = 1; a <= kAppenders; ++a) {
            const int32_t first = (round + 1) * 1000000 + 1;
            // Pupils' PCs store a run now and then, so that the teacher's PC gets the lock between them.
            appenders.push_back(std::make_unique<Writer>([a, first](const std::function<void(int32_t)>& report) {
                for (int32_t n = first; n < first + 100000; ++n) {
                    appendRun(a, n);
                    report(n);
                    sleepMs(n % 3);
                }
            }));
        }
        const int seed = between(0, 1 << 30);
        Writer rewriter([seed](const std::function<void(int32_t)>& report) {
            std::mt19937 pick{unsigned(seed)};
            for (int32_t i = 1;; ++i) {
                QString problem;
                int gone = 0;
                const bool ok = updateResults(
                    [&](std::vector<ResultRecordData>& records, QString*) {
                        std::vector<size_t> mine;
                        for (size_t k = 0; k < records.size(); ++k)
                            if (records[k].pupil > 4000) mine.push_back(k);
                        if (mine.empty()) return true;
                        const size_t k = mine[pick() % mine.size()];
                        if (i % 3 == 0 && mine.size() > 10) {
                            gone = records[k].pupil;
                            records.erase(records.begin() + std::ptrdiff_t(k));
                        } else {
                            records[k].time += 100000;
                        }
                        return true;
                    },
                    &problem);
                if (!ok) throw std::runtime_error(problem.toStdString());
                if (gone) report(gone);
            }
        });
        ASSERT_TRUE(rewriter.started());
        // Each process dies at an instant of its own.
        std::vector<std::pair<int, Writer*>> order;
        for (auto& w : appenders) order.push_back({between(0, 300), w.get()});
        order.push_back({between(30, 300), &rewriter});
        std::sort(order.begin(), order.end());
        int at = 0;
        std::vector<int32_t> gone;
        for (auto& [when, w] : order) {
            sleepMs(when - at);
            at = when;
            const std::vector<int32_t> r = w->kill();
            ++kills;
            ASSERT_FALSE(w->exitedByItself() && w->exitCode() != 0) << "a writer failed by itself, code " << w->exitCode();
            if (w == &rewriter) gone = r;
            for (int a = 1; a <= kAppenders; ++a)
                if (w == appenders[size_t(a - 1)].get())
                    for (int32_t n : r) reported[a][n] = true;
        }
        for (int32_t p : gone) deleted.insert(p);
        rewrites += int(gone.size());
        {
            QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
            names.removeAll(kResultsName);
            if (!names.isEmpty()) ++cutShort;
        }

        const std::vector<ResultRecordData> records = loadAll();
        for (int a = 1; a <= kAppenders; ++a) {
            const std::map<int32_t, int> stored = runsOf(records, a);
            for (const auto& [n, yes] : reported[a])
                ASSERT_TRUE(stored.count(n)) << "round " << round << ": run " << n << " of appender " << a << " lost";
        }
        std::set<int32_t> untouched;
        for (const ResultRecordData& r : records)
            if (r.pupil == 3000 && r.level == 3) untouched.insert(r.time);
        ASSERT_EQ(untouched.size(), size_t(kUntouched)) << "round " << round << ": older runs lost";
        std::map<int, int> olderSeen;
        for (const ResultRecordData& r : records) {
            if (r.pupil <= 4000) {
                EXPECT_TRUE(r.pupil == 3000 || (r.pupil >= 1 && r.pupil <= kAppenders)) << "a run was invented";
                continue;
            }
            ASSERT_LE(r.pupil, 4000 + kOlder) << "a run was invented";
            ++olderSeen[r.pupil];
            EXPECT_EQ(r.time % 100000, r.pupil - 4000) << "an older run was altered beyond the teacher's edit";
            EXPECT_EQ(r.level, 2);
        }
        for (const auto& [p, n] : olderSeen) {
            EXPECT_EQ(n, 1) << "older run of pupil " << p << " doubled";
            EXPECT_FALSE(deleted.count(p)) << "older run of pupil " << p << " came back after its deletion";
        }
        // A deletion the killed rewriter did not live to report may have
        // happened; every other older run is still there.
        EXPECT_GE(int(olderSeen.size()) + int(deleted.size()), kOlder - 1);
        for (int p = 4001; p <= 4000 + kOlder; ++p)
            if (!olderSeen.count(p)) deleted.insert(p);
        expectNoLockLeft();
        const QStringList left = leftovers();
        EXPECT_TRUE(left.isEmpty()) << "round " << round << ": left beside the results file: " << left.join(QStringLiteral(", ")).toStdString();
    }
    size_t appends = 0;
    for (const auto& [a, runs] : reported) appends += runs.size();
    RecordProperty("kills", kills);
    RecordProperty("storedRuns", int(appends));
    std::printf("%d writers killed (%d rewriters, %d of them mid-rewrite), %zu stored runs all kept, %d deletions reported\n",
                kills, kRounds, cutShort, appends, rewrites);
}

TEST_F(KilledWriters, ATemporaryFileARewriteLeftWhenItsPcDiedIsClearedByTheNextWriter)
{
    QByteArray before;
    for (int i = 1; i <= 3; ++i) {
        const auto b = runRecord(i).toBytes();
        before.append(b.data(), kRecordSize);
    }
    writeContents(before);
    // Written and flushed, then the PC dies just before the rename: change 1
    // is the rewrite stamp, 2 and 3 the temporary file's write and flush, 4
    // would be the rename.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        FaultyRecordIo io;
        RecordIoInstalled installed(io);
        io.dieAtChange = 4;
        QString problem;
        updateResults([](std::vector<ResultRecordData>& records, QString*) {
            records.pop_back();
            return true;
        }, &problem);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == FaultyRecordIo::kDiedCode);
    EXPECT_EQ(contents(), before);
    QStringList others = QDir(dir.path()).entryList(QDir::Files);
    others.removeAll(kResultsName);
    others.removeAll(kResultsName + QStringLiteral(".stamp"));
    ASSERT_EQ(others.size(), 1) << "the dead rewrite's temporary file";
    EXPECT_TRUE(others[0].startsWith(kResultsName + QLatin1Char('.'))) << others[0].toStdString();
    // Files that only look alike stay: another file's temporary, a teacher's copy.
    const QStringList unrelated = {QStringLiteral("タイム回数データ.txt.0123456789abcdef0123.tmp"),
                                   kResultsName + QStringLiteral(".bak"), kResultsName + QStringLiteral(".コピー.tmp")};
    for (const QString& name : unrelated) dir.writeBytes(name, "x");

    appendRun(2, 7);  // the next PC that stores a run
    QStringList left = QDir(dir.path()).entryList(QDir::Files);
    left.removeAll(kResultsName);
    left.removeAll(kResultsName + QStringLiteral(".stamp"));
    left.sort();
    QStringList expected = unrelated;
    expected.sort();
    EXPECT_EQ(left, expected);
    EXPECT_EQ(contents().size(), before.size() + kRecordSize);
    EXPECT_EQ(contents().left(before.size()), before);
}

} // namespace
