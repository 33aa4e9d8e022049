// The records held in memory between activations: random sequences of what
// happens to a shared results file between two activations (appends by other
// PCs and by this one, torn ends, rewrites and deletions by a teacher, a file
// cut short in place, date and criteria changes). After every activation the
// tables, the records held and the shared buffer must be exactly those of a
// state that reads the whole file and recounts every time.
#include "Fakes.h"
#include "FaultyRecordIo.h"
#include "Runs.h"
#include "TempDir.h"
#include "platform/Calendar.h"
#include "platform/RecordFile.h"
#include "platform/recordio/SharedFile.h"
#include "records/Recount.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace karuvel;
using namespace karuvel::test;

namespace {

// Compares two states' tables cell by cell, bit for bit; the first
// difference is reported.
template <class T>
::testing::AssertionResult sameTable(const char* name, const LevelPupilTable<T>& a, const LevelPupilTable<T>& b)
{
    for (int L = 0; L <= kMaxLevel; ++L) {
        const T* x = a.row(L);
        const T* y = b.row(L);
        if (std::memcmp(x, y, sizeof(T) * kPupilSlots) == 0) continue;
        for (int P = 0; P < kPupilSlots; ++P) {
            if (std::memcmp(&x[P], &y[P], sizeof(T)) != 0)
                return ::testing::AssertionFailure()
                       << name << "(" << L << ", " << P << "): held " << x[P] << ", whole " << y[P];
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult sameTables(const ProgramState& a, const ProgramState& b)
{
    for (const auto& r : {sameTable("TotalCount", a.TotalCount, b.TotalCount),
                          sameTable("TotalPoints", a.TotalPoints, b.TotalPoints),
                          sameTable("TotalTimeSum", a.TotalTimeSum, b.TotalTimeSum),
                          sameTable("TotalAvgTime", a.TotalAvgTime, b.TotalAvgTime),
                          sameTable("TodayCount", a.TodayCount, b.TodayCount),
                          sameTable("TodayPoints", a.TodayPoints, b.TodayPoints),
                          sameTable("TodayTimeSum", a.TodayTimeSum, b.TodayTimeSum),
                          sameTable("TodayAvgTime", a.TodayAvgTime, b.TodayAvgTime),
                          sameTable("RecentCount", a.RecentCount, b.RecentCount),
                          sameTable("RecentPoints", a.RecentPoints, b.RecentPoints),
                          sameTable("OverdoCount", a.OverdoCount, b.OverdoCount),
                          sameTable("OverdoPoints", a.OverdoPoints, b.OverdoPoints),
                          sameTable("BestTime", a.BestTime, b.BestTime)}) {
        if (!r) return r;
    }
    if (a.TopTime != b.TopTime) return ::testing::AssertionFailure() << "TopTime differs";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult sameState(const ProgramState& held, const ProgramState& whole)
{
    const ProgramState& a = held;
    const ProgramState& b = whole;
    if (auto r = sameTables(a, b); !r) return r;
    if (a.RecordCount != b.RecordCount)
        return ::testing::AssertionFailure() << "RecordCount: held " << a.RecordCount << ", whole " << b.RecordCount;
    if (std::memcmp(a.RecEntries.data() + 1, b.RecEntries.data() + 1, sizeof(RecEntry) * size_t(a.RecordCount)) != 0)
        return ::testing::AssertionFailure() << "the records held differ";
    // The best-only records come in no set order from two lanes.
    auto sorted = [](std::vector<RecEntry> v) {
        std::sort(v.begin(), v.end(), [](const RecEntry& x, const RecEntry& y) {
            return std::memcmp(&x, &y, sizeof x) < 0;
        });
        return v;
    };
    const auto x = sorted(a.RecBestOnly), y = sorted(b.RecBestOnly);
    if (x.size() != y.size() || std::memcmp(x.data(), y.data(), sizeof(RecEntry) * x.size()) != 0)
        return ::testing::AssertionFailure() << "the best-only records differ";
    return ::testing::AssertionSuccess();
}

struct Scale {
    const char* what;
    int firstRecords;  // records in the file before the first activation
    int steps;
    unsigned seed;
};

void PrintTo(const Scale& scale, std::ostream* os) { *os << scale.what; }

// Counts the bytes this process reads through read(2) and pread(2) (the
// system's own count; a mapped read is not counted). Reading the count is a
// read too: its own length is taken off.
class BytesRead {
public:
    BytesRead() : from_(now()), fromLength_(ownLength_) {}
    long long since() const { return now() - from_ - fromLength_; }

private:
    // The count, before this read of it.
    long long now() const
    {
        char text[1024];
        const int fd = ::open("/proc/self/io", O_RDONLY);
        const ssize_t n = fd >= 0 ? ::read(fd, text, sizeof text - 1) : -1;
        if (fd >= 0) ::close(fd);
        if (n <= 0) return -1;
        text[n] = 0;
        ownLength_ = n;
        const char* at = std::strstr(text, "rchar:");
        return at ? std::atoll(at + 6) : -1;
    }
    mutable long long ownLength_ = 0;
    long long from_;
    long long fromLength_;
};

class HeldResultsBase : public ::testing::Test {
protected:
    FakePlatform fakes;
    TempDir dir;
    // The state that reads the file whole at every activation.
    ProgramState whole;
    std::mt19937 gen{1};

    QString file() const { return dir.file(QStringLiteral("成績累積データ.dat")); }
    double today() const { return toOleDate(fakes.clock.current.date()); }
    int pick(int n) { return int(gen() % unsigned(n)); }

    void setCriteria(ProgramState& s)
    {
        const int targets[] = {0, 30, 60, 700, -5, 2000};
        const float multipliers[] = {1, 1.5f, 0.7f, 2};
        for (int level = 1; level <= kMaxLevel; ++level) {
            s.TargetTime[level] = targets[(level + criteriaShift) % 6];
            s.PointMultiplier[level] = multipliers[(level + criteriaShift) % 4];
            s.RecentDays[level] = level % 3 == 0 ? Loose() : Loose(level % 8);
            s.OverdoDays[level] = Loose(1 + level % 2);
        }
        s.DataFolder = Loose(dir.path());
    }
    int criteriaShift = 0;

    // A record as another PC writes it: mostly usual runs of a small school,
    // with some the tables cannot take and some the loader does not keep.
    QByteArray randomRecord()
    {
        const int times[] = {0, 1, 45, 999, 1000, 1234, 5999, 6000, 99997, 99999, -50, 12345};
        int level = 1 + pick(12), pupil = 1 + pick(40);
        if (pick(20) == 0) level = pick(38) - 1;               // -1..36: level 0 and out of range
        if (pick(40) == 0) pupil = pick(8) - 6;                // 0 and below
        if (pick(400) == 0) pupil = 4990 + pick(16);           // the last pupils and beyond
        const int32_t time = pick(4) == 0 ? times[pick(12)] : pick(800);
        double date = today() - pick(12) + (pick(3) == 0 ? 1 : 0);
        if (pick(60) == 0) {
            const double odd[] = {-3, 2958466.0, std::numeric_limits<double>::quiet_NaN(), 1e300};
            date = odd[pick(4)];
        }
        const auto b = runRecord(date, double(pick(86400)) / 86400.0, pupil, level, time).toBytes();
        return QByteArray(b.data(), kRecordSize);
    }
    QByteArray randomRecords(int n)
    {
        QByteArray bytes;
        for (int i = 0; i < n; ++i) bytes += randomRecord();
        return bytes;
    }

    // The teacher's rewrites go by renaming (Linux, macOS) or in place (Windows).
    struct ReplacementWay {
        explicit ReplacementWay(Replacement way) : was(replacement()) { setReplacement(way); }
        ~ReplacementWay() { setReplacement(was); }
        Replacement was;
    };

    int64_t fileSize() const { return QFileInfo(file()).size(); }
    int64_t stampSize() const { return QFileInfo(file() + QStringLiteral(".stamp")).size(); }
    // Writes bytes at `at` in the file as it is (no replacement), through a
    // file of its own under the exclusive lock, as another PC does.
    void writeInPlace(int64_t at, const QByteArray& bytes)
    {
        RecordFile f;
        ASSERT_TRUE(f.open(toFsPath(file()), RecordFile::Mode::ReadWriteCreate));
        ASSERT_EQ(f.tryLock(LockKind::Exclusive), LockResult::Locked);
        ASSERT_TRUE(f.writeAt(at, bytes.constData(), bytes.size()));
    }
    // Another PC's append in a process of its own: over a torn end, as
    // every writer appends.
    void appendFromAnotherProcess(const QByteArray& bytes)
    {
        const int64_t at = fileSize() / kRecordSize * kRecordSize;
        const QByteArray name = QFile::encodeName(file());
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Only system calls in the child: its lock, its write.
            const int fd = ::open(name.constData(), O_RDWR);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            const bool ok = fd >= 0 && ::fcntl(fd, F_OFD_SETLKW, &lock) == 0 &&
                            ::pwrite(fd, bytes.constData(), size_t(bytes.size()), off_t(at)) == bytes.size();
            ::_exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    // One activation of each state; the held one must come out as the whole
    // one. *bytes: what the held one read.
    void activate(const char* after, long long* bytes = nullptr)
    {
        const BytesRead read;
        EXPECT_TRUE(RecountAll().ok());
        if (bytes) *bytes = read.since();
        const QByteArray heldLast = lastRecordBytes();
        std::swap(state(), whole);
        state().RecSource = ProgramState::ResultsSource{};  // read whole
        EXPECT_TRUE(RecountAll().ok());
        const QByteArray wholeLast = lastRecordBytes();
        std::swap(state(), whole);
        ASSERT_TRUE(sameState(state(), whole)) << "after " << after;
        ASSERT_EQ(heldLast, wholeLast) << "the shared buffer after " << after;
    }
    static QByteArray lastRecordBytes()
    {
        const auto b = ResultRecord().toBytes();
        return QByteArray(b.data(), kRecordSize);
    }
};

class HeldResultsTest : public HeldResultsBase, public ::testing::WithParamInterface<Scale> {};

TEST_P(HeldResultsTest, EveryActivationMatchesAWholeReload)
{
    const Scale scale = GetParam();
    gen.seed(scale.seed);
    setCriteria(state());
    setCriteria(whole);
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), randomRecords(scale.firstRecords));
    activate("the first reading");

    int appends = 0, resumed = 0;
    for (int step = 0; step < scale.steps; ++step) {
        const int64_t before = state().RecSource.records;
        const bool wasHeld = state().RecSource.held;
        const int what = pick(100);
        const char* done = "";
        // Whether the file only grew by whole records from others' appends.
        bool onlyAppended = false;
        if (what < 30) {
            onlyAppended = fileSize() % kRecordSize == 0;
            done = "another PC's append";
            // Some in a process of their own, the rest through a file of their own here.
            if (pick(8) == 0) {
                appendFromAnotherProcess(randomRecords(pick(25)));
            } else {
                writeInPlace(fileSize() / kRecordSize * kRecordSize, randomRecords(pick(25)));
            }
            ++appends;
        } else if (what < 40) {
            onlyAppended = fileSize() % kRecordSize == 0;
            done = "this PC's append";
            ProgramState& s = state();
            s.CurrentPupil = 1 + pick(40);
            s.SelectedLevel = 1 + pick(12);
            EXPECT_TRUE(AppendResult(pick(700)).ok());
            ++appends;
        } else if (what < 50) {
            done = "a torn end";
            // Another PC's write cut off part-way; a later append or the
            // rest of its bytes makes the record whole.
            const QByteArray r = randomRecord();
            const int cut = 1 + pick(kRecordSize - 1);
            writeInPlace(fileSize() / kRecordSize * kRecordSize, r.left(cut));
            if (pick(2) == 0) {
                activate(done);
                writeInPlace(fileSize(), r.mid(cut));
                done = "the rest of a torn record";
            }
        } else if (what < 58) {
            const bool inPlace = pick(2) == 0;
            done = inPlace ? "a teacher's change of a time, in place" : "a teacher's change of a time";
            const ReplacementWay way(inPlace ? Replacement::InPlace : Replacement::Rename);
            QString problem;
            ASSERT_TRUE(updateResults(
                [&](std::vector<ResultRecordData>& records, QString*) {
                    if (!records.empty()) records[size_t(pick(int(records.size())))].time = pick(500);
                    return true;
                },
                &problem))
                << problem.toStdString();
        } else if (what < 66) {
            const bool inPlace = pick(2) == 0;
            done = inPlace ? "a teacher's deletion, in place" : "a teacher's deletion";
            const ReplacementWay way(inPlace ? Replacement::InPlace : Replacement::Rename);
            QString problem;
            ASSERT_TRUE(updateResults(
                [&](std::vector<ResultRecordData>& records, QString*) {
                    // The last record, or one inside the file.
                    if (!records.empty())
                        records.erase(records.begin() + (pick(2) == 0 ? int(records.size()) - 1
                                                                      : pick(int(records.size()))));
                    return true;
                },
                &problem))
                << problem.toStdString();
        } else if (what < 72) {
            done = "a file cut short in place and written on";
            const int64_t records = fileSize() / kRecordSize;
            {
                RecordFile f;
                ASSERT_TRUE(f.open(toFsPath(file()), RecordFile::Mode::ReadWriteCreate));
                ASSERT_TRUE(f.truncate(std::max<int64_t>(0, records - 1 - pick(5)) * kRecordSize));
            }
            if (pick(2) == 0) appendFromAnotherProcess(randomRecords(1 + pick(10)));
        } else if (what < 76) {
            done = "the last record held written over in place";
            const int64_t records = fileSize() / kRecordSize;
            if (records > 0) writeInPlace((records - 1) * kRecordSize, randomRecord());
            if (pick(2) == 0) appendFromAnotherProcess(randomRecords(1 + pick(3)));
        } else if (what < 81) {
            // Without a new stamp: a hand edit, a same-length copy put back,
            // a stamp deleted after an edit. Only the modification time tells.
            const bool stampGone = pick(2) == 0;
            done = stampGone ? "a same-length edit inside, the stamp deleted" : "a hand edit inside, keeping the length";
            if (stampGone) QFile::remove(file() + QStringLiteral(".stamp"));
            const int64_t records = fileSize() / kRecordSize;
            if (records > 1) writeInPlace(pick(int(records - 1)) * kRecordSize, randomRecord());
            if (stampGone) QFile::remove(file() + QStringLiteral(".stamp"));
            // A moment later than the reading before (the clock of the file
            // system may not have moved since the last write).
            struct stat st;
            ASSERT_EQ(::stat(QFile::encodeName(file()).constData(), &st), 0);
            struct timespec times[2] = {st.st_atim, st.st_mtim};
            times[1].tv_sec += 1;
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file()).constData(), times, 0), 0);
        } else if (what < 90) {
            done = "a change of date";
            const int hours[] = {1, 9, 14, 24, 30, 24 * 3};
            fakes.clock.current = fakes.clock.current.addSecs(3600LL * hours[pick(6)]);
        } else if (what < 95) {
            done = "changed criteria";
            criteriaShift = pick(12);
            setCriteria(state());
            setCriteria(whole);
        } else {
            done = "nothing";
        }
        long long bytes = 0;
        activate(done, &bytes);
        if (HasFatalFailure()) return;
        if (onlyAppended && wasHeld) {
            // Only the records appended, the last one held again and the rewrite stamp were read.
            ASSERT_EQ(bytes, (state().RecSource.records - before + 1) * kRecordSize + stampSize()) << "after " << done;
            ++resumed;
        }
    }
    // The sequences must mostly resume, or the test would only compare whole reads.
    EXPECT_GT(appends, scale.steps / 5);
    EXPECT_GT(resumed, scale.steps / 5);
}

INSTANTIATE_TEST_SUITE_P(Sequences, HeldResultsTest,
                         ::testing::Values(Scale{"small", 200, 100, 11}, Scale{"empty", 0, 100, 12},
                                           Scale{"middle", 5000, 80, 13}, Scale{"twoLanes", 120000, 30, 14}),
                         [](const auto& info) { return std::string(info.param.what); });

// A teacher's edit inside the file that keeps its length, its last record
// and (written in place, as on Windows) its identity: nothing a reader can
// see of the file tells it, only the rewrite stamp does.
TEST_F(HeldResultsBase, AnEditInsideTheFileKeepingItsLengthAndLastRecordIsSeen)
{
    const struct {
        const char* what;
        Replacement way;
        int appendedAfter;  // records another PC appends after the edit
    } cases[] = {
        {"in place", Replacement::InPlace, 0},
        {"in place, then appends", Replacement::InPlace, 7},
        {"by renaming", Replacement::Rename, 0},
        {"by renaming, then appends", Replacement::Rename, 7},
    };
    gen.seed(5);
    setCriteria(state());
    setCriteria(whole);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        state().RecSource = ProgramState::ResultsSource{};
        QByteArray first(50 * kRecordSize, '\0');
        for (int i = 0; i < 50; ++i) {
            const auto b = runRecord(today(), 0.5, 1 + i % 5, 1 + i % 12, 100 + i).toBytes();
            std::memcpy(first.data() + i * kRecordSize, b.data(), kRecordSize);
        }
        dir.writeBytes(QStringLiteral("成績累積データ.dat"), first);
        activate("the first reading");
        if (HasFatalFailure()) return;
        {
            const ReplacementWay way(c.way);
            QString problem;
            ASSERT_TRUE(updateResults(
                [](std::vector<ResultRecordData>& records, QString*) {
                    records[20].time = 3;  // a far better time, in the middle
                    return true;
                },
                &problem))
                << problem.toStdString();
        }
        ASSERT_EQ(fileSize(), 50 * kRecordSize);
        if (c.appendedAfter > 0) writeInPlace(fileSize(), randomRecords(c.appendedAfter));
        activate(c.what);
        if (HasFatalFailure()) return;
        EXPECT_EQ(state().BestTime(1 + 20 % 12, 1 + 20 % 5), 3);
    }
}

// A read that fails part-way, in each of the ways a read can go: the
// records held stay dropped (none held, the file read whole next time), no
// table is written from a half-read file, and the next activation comes out
// as a whole reload.
TEST_F(HeldResultsBase, AReadThatFailsPartWayLeavesNothingStale)
{
    const struct {
        const char* what;
        int heldFirst;  // records held before (0: none)
        int appended;   // records appended meanwhile by another PC
    } cases[] = {
        {"the records appended cannot be read", 3000, 10},
        {"a whole read fails half-way, two lanes", 0, 120000},
        {"a whole read after a rewrite fails half-way", 5000, 0},
    };
    gen.seed(3);
    setCriteria(state());
    setCriteria(whole);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fakes.messages.shown.clear();
        state().RecSource = ProgramState::ResultsSource{};
        dir.writeBytes(QStringLiteral("成績累積データ.dat"), randomRecords(c.heldFirst));
        if (c.heldFirst > 0) activate("the first reading");
        // Figures of the last activation stay in the tables until the next.
        const QByteArray good = randomRecords(c.appended);
        int64_t failFrom = fileSize();
        if (c.appended > 0 && c.heldFirst > 0) {
            writeInPlace(fileSize(), good);
        } else if (c.heldFirst > 0) {
            // A teacher's rewrite: another file, read whole.
            QString problem;
            ASSERT_TRUE(updateResults(
                [](std::vector<ResultRecordData>& records, QString*) {
                    records.erase(records.begin());
                    return true;
                },
                &problem));
            failFrom = fileSize() / 2;
        } else {
            dir.writeBytes(QStringLiteral("成績累積データ.dat"), good);
            failFrom = fileSize() / 2;
        }
        {
            FaultyRecordIo io;
            io.failReadFrom = failFrom;
            const RecordIoInstalled installed(io);
            const ProgramState before = state();
            EXPECT_FALSE(RecountAll().ok());
            EXPECT_TRUE(sameTables(state(), before)) << "a table was written from a failed read";
            EXPECT_FALSE(state().RecSource.held);
            EXPECT_EQ(state().RecordCount, 0);
            EXPECT_TRUE(state().RecBestOnly.empty());
            // A view's reading fails as well and holds no records.
            EXPECT_FALSE(refreshResults().ok());
            EXPECT_TRUE(heldRecords().empty());
        }
        EXPECT_TRUE(fakes.messages.shown.isEmpty());  // the screens tell it, not the reading
        activate("the failed read");
        if (HasFatalFailure()) return;
    }
}

// A program that ignores the lock cuts the file short while a whole read is
// under way, two lanes reading it in blocks: the lanes may have read records
// from beyond the cut before it came, so what they read is dropped and the
// file is read again as it is now (no message, nothing of the longer file held).
TEST_F(HeldResultsBase, AFileCutShortUnderAWholeReadIsReadAgain)
{
    class CutAtTheFirstRead : public FaultyRecordIo {
    public:
        CutAtTheFirstRead(QString path, int64_t length) : path_(std::move(path)), length_(length) {}
        int read(FileHandle h, int64_t offset, char* buffer, int64_t len, int64_t* got) override
        {
            // The second lane's first block is read in full before the cut.
            if (offset > 0 && !cut_.exchange(true)) {
                const int e = FaultyRecordIo::read(h, offset, buffer, len, got);
                QFile(path_).resize(length_);
                return e;
            }
            return FaultyRecordIo::read(h, offset, buffer, len, got);
        }

    private:
        QString path_;
        int64_t length_;
        std::atomic<bool> cut_{false};
    };

    gen.seed(4);
    setCriteria(state());
    setCriteria(whole);
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), randomRecords(3000));
    activate("the first reading");
    dir.writeBytes(QStringLiteral("成績累積データ.dat"), randomRecords(120000));  // another file: read whole
    {
        CutAtTheFirstRead io(file(), 1000 * kRecordSize + 17);
        const RecordIoInstalled installed(io);
        EXPECT_TRUE(RecountAll().ok());
    }
    EXPECT_TRUE(fakes.messages.shown.empty());
    EXPECT_EQ(state().RecSource.records, 1000);
    EXPECT_LE(state().RecordCount, 1000);
    // As a whole reading of the file as it is now.
    activate("the read of the cut file");
}

} // namespace
