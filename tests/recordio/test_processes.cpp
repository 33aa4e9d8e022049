// Several processes on one shared file: a lock held by another process,
// appenders racing a rewriter, and rewriters that die at every step of their
// work or are killed at a random moment. Whatever happens, no record that was
// stored is lost and every reader sees whole contents.
#include "Processes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <random>

using namespace karuvel;
using namespace karuvel::test;

namespace {

std::string name(Replacement r) { return r == Replacement::Rename ? "rename" : "inplace"; }

std::vector<Replacement> strategies()
{
#ifdef _WIN32
    return {Replacement::InPlace};
#else
    return {Replacement::Rename, Replacement::InPlace};
#endif
}

class Processes : public testing::TestWithParam<Replacement> {
protected:
    void SetUp() override
    {
        before_ = replacement();
        setReplacement(GetParam());
    }
    void TearDown() override { setReplacement(before_); }

    ScratchFolder dir;
    std::filesystem::path file = dir / "results.dat";
    std::string fileArg = file.string();

private:
    Replacement before_ = Replacement::Rename;
};

struct StrategyName {
    std::string operator()(const testing::TestParamInfo<Replacement>& i) const
    {
        return i.param == Replacement::Rename ? "Rename" : "InPlace";
    }
};

std::string records(uint32_t writer, uint32_t count)
{
    std::string out;
    for (uint32_t n = 0; n < count; ++n) out += testRecord(writer, n);
    return out;
}

TEST_P(Processes, ALockHeldByAnotherProcessKeepsWritersAndReadersOut)
{
    writeWhole(file, records(1, 3));
    Child holder({"hold", fileArg, dir.path().string()});
    ASSERT_TRUE(holder.started());
    for (int i = 0; i < 3000 && !std::filesystem::exists(dir / "held"); ++i) sleepMs(10);
    ASSERT_TRUE(std::filesystem::exists(dir / "held"));

    RecordFile f;
    LockWaiting waiting;
    waiting.limitMs = 300;
    waiting.pollMs = 50;
    waiting.wait = [](int ms) { sleepMs(ms); };
    EXPECT_EQ(lockForWriting(f, file, waiting), WriteLock::Busy);
    RecordFile reader;
    ASSERT_TRUE(reader.open(file, RecordFile::Mode::Read));
    EXPECT_EQ(lockForReading(reader), LockResult::Busy);

    writeWhole(dir / "release", "1");
    EXPECT_EQ(holder.wait(), 0);
    EXPECT_EQ(lockForReading(reader), LockResult::Locked);
    reader.close();
    waiting.limitMs = 5000;
    EXPECT_EQ(lockForWriting(f, file, waiting), WriteLock::Locked);
}

// Appending processes and a rewriting one at the same time: every record
// appended is in the file once at the end, and the rewrites kept them all.
TEST_P(Processes, AppendersAndARewriterLoseNothing)
{
    constexpr int kAppenders = 4, kAppends = 150, kRewrites = 30;
    writeWhole(file, "");
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::unique_ptr<Child>> children;
    children.push_back(std::make_unique<Child>(
        std::vector<std::string>{"rewrite", fileArg, name(GetParam()), std::to_string(kRewrites)}));
    for (int w = 1; w <= kAppenders; ++w)
        children.push_back(std::make_unique<Child>(
            std::vector<std::string>{"append", fileArg, std::to_string(w), std::to_string(kAppends)}));
    for (auto& c : children) ASSERT_TRUE(c->started());
    for (auto& c : children) EXPECT_EQ(c->wait(), 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const std::string bytes = readShared(file);
    ASSERT_TRUE(wellFormed(bytes));
    std::map<std::pair<uint32_t, uint32_t>, int> seen;
    for (const auto& r : recordsOf(bytes)) ++seen[r];
    int lost = 0, doubled = 0;
    for (int w = 1; w <= kAppenders; ++w) {
        for (int n = 0; n < kAppends; ++n) {
            const int times = seen[{uint32_t(w), uint32_t(n)}];
            lost += times == 0;
            doubled += times > 1;
        }
    }
    EXPECT_EQ(seen.size(), size_t(kAppenders * kAppends));
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(doubled, 0);
    std::cout << "[ figures  ] " << kAppenders << " appending processes x " << kAppends << " appends, 1 rewriting process x "
              << kRewrites << " rewrites (" << name(GetParam()) << "): " << recordsOf(bytes).size()
              << " records at the end, lost " << lost << ", doubled " << doubled << ", " << seconds << " s\n";
    EXPECT_FALSE(std::filesystem::exists(rewriteJournalPath(file)));
}

// A rewriting process dies just before each of the changes its rewrite makes
// in turn (a write half done where it dies in one): every time, what every
// PC reads next is the old contents or the new ones, whole, and the file
// takes appends as before.
TEST_P(Processes, ARewriterKilledAtEveryStepLosesNothing)
{
    const std::string old = records(1, 200);
    const std::string fresh = editedForTest(old);
    int died = 0, sawOld = 0, sawNew = 0;
    for (int n = 1; n <= 40; ++n) {
        SCOPED_TRACE("dies at change " + std::to_string(n));
        writeWhole(file, old);
        Child rewriter({"die", fileArg, name(GetParam()), std::to_string(n), "1"});
        ASSERT_TRUE(rewriter.started());
        const int code = rewriter.wait();
        ASSERT_TRUE(code == 0 || code == 70) << code;
        const std::string seen = readShared(file);
        EXPECT_TRUE(seen == old || seen == fresh) << seen.size() << " bytes";
        sawOld += seen == old;
        sawNew += seen == fresh;
        RecordFile f;
        LockWaiting waiting;
        waiting.wait = [](int ms) { sleepMs(ms); };
        ASSERT_EQ(lockForWriting(f, file, waiting), WriteLock::Locked);
        ASSERT_TRUE(appendRecord(f, testRecord(9, 0).data(), kTestRecord));
        f.close();
        EXPECT_EQ(readWhole(file), seen + testRecord(9, 0));
        EXPECT_FALSE(std::filesystem::exists(rewriteJournalPath(file)));
        if (code == 0) break;  // the rewrite got through: every step was tried
        ++died;
    }
    EXPECT_GE(died, 3);
    EXPECT_GE(sawOld, 1);
    EXPECT_GE(sawNew, 1);
    std::cout << "[ figures  ] " << name(GetParam()) << ": rewriter died at " << died
              << " steps in turn; afterwards old contents " << sawOld << " times, new " << sawNew
              << " times, anything else 0\n";
}

// A process that rewrites a larger file over and over is killed from outside
// at a random moment, several times.
TEST_P(Processes, ARewriterKilledAtARandomMomentLosesNothing)
{
    const std::string a = records(1, 20000);  // 320 KB
    std::string b;
    for (size_t at = a.size(); at >= size_t(kTestRecord); at -= kTestRecord) b.append(a, at - kTestRecord, kTestRecord);
    writeWhole(file, a);
    std::mt19937 random(20261210);
    int kills = 0, caughtInTheMiddle = 0;
    for (int round = 0; round < 8; ++round) {
        std::filesystem::remove(dir / "flipping");
        Child flipper({"flip", fileArg, name(GetParam()), dir.path().string()});
        ASSERT_TRUE(flipper.started());
        for (int i = 0; i < 3000 && !std::filesystem::exists(dir / "flipping"); ++i) sleepMs(10);
        sleepMs(int(random() % 150));
        flipper.kill();
        flipper.wait();
        ++kills;
        // A journal or a temporary file left behind: the kill came in the middle of a rewrite.
        std::vector<std::filesystem::path> leftovers;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().filename() != "results.dat" && e.path().filename() != "flipping") leftovers.push_back(e.path());
        caughtInTheMiddle += !leftovers.empty();
        const std::string seen = readShared(file);
        for (const auto& p : leftovers)
            if (p.extension() == ".tmp") std::filesystem::remove(p);  // a dead rename's temporary file
        ASSERT_TRUE(seen == a || seen == b) << "round " << round << ": " << seen.size() << " bytes";
        EXPECT_FALSE(std::filesystem::exists(rewriteJournalPath(file)));
    }
    std::cout << "[ figures  ] " << name(GetParam()) << ": rewriting process killed " << kills
              << " times at random moments (" << caughtInTheMiddle
              << " of them left a journal or a temporary file behind); every time whole contents, lost 0\n";
}

INSTANTIATE_TEST_SUITE_P(Replacements, Processes, testing::ValuesIn(strategies()), StrategyName());

} // namespace
