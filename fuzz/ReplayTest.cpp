// Replays every kept input (fuzz/kept/<target>/, each an input that once broke
// a reader) and every seed through the same entry points as the fuzzing
// harnesses. Built with the ordinary compiler: it catches what a crash, a
// hang or a broken rule shows without sanitizers; the fuzzing script replays
// the same files under AddressSanitizer and UndefinedBehaviorSanitizer.
#include "FuzzTargets.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace karuvel::fuzz {
namespace {

struct BrokenRule : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void throwBrokenRule(const char* what) { throw BrokenRule(what); }

class Replay : public ::testing::TestWithParam<std::string> {};

void replay(const Target& t, const QString& name, const QByteArray& bytes)
{
    SCOPED_TRACE(name.toStdString());
    try {
        t.entry(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    } catch (const BrokenRule& e) {
        ADD_FAILURE() << t.name << " input " << name.toStdString() << ": " << e.what();
    }
}

TEST_P(Replay, SeedsAndEveryKeptInputGoThroughTheReaders)
{
    const Target* t = findTarget(QString::fromStdString(GetParam()));
    ASSERT_NE(t, nullptr);
    const std::vector<Seed> seeds = seedsFor(*t);
    ASSERT_FALSE(seeds.empty()) << "no seeds: fuzz/school or assets/data is missing";
    for (const Seed& s : seeds) replay(*t, QStringLiteral("seed ") + s.name, s.bytes);

    const QDir kept(QStringLiteral(KARUVEL_FUZZ_DIR "/kept/") + QLatin1String(t->name));
    for (const QString& name : kept.entryList(QDir::Files, QDir::Name)) {
        QFile f(kept.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        replay(*t, name, f.readAll());
    }
}

std::vector<std::string> targetNames()
{
    std::vector<std::string> out;
    for (const Target& t : targets()) out.emplace_back(t.name);
    return out;
}

INSTANTIATE_TEST_SUITE_P(Targets, Replay, ::testing::ValuesIn(targetNames()),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });

} // namespace
} // namespace karuvel::fuzz

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    karuvel::fuzz::prepare(QStringLiteral(KARUVEL_FUZZ_DIR));
    karuvel::fuzz::setCheckFailureHandler(karuvel::fuzz::throwBrokenRule);
    return RUN_ALL_TESTS();
}
