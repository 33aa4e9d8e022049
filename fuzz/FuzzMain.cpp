// One libFuzzer harness: the target named at build time (KARUVEL_FUZZ_TARGET).
// With KARUVEL_FUZZ_SEEDS set to a folder, it writes its seed inputs there
// and ends instead (the fuzzing script makes its seed corpus this way).
#include "FuzzTargets.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace {
const karuvel::fuzz::Target* target = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    karuvel::fuzz::prepare(QStringLiteral(KARUVEL_FUZZ_DIR));
    target = karuvel::fuzz::findTarget(QStringLiteral(KARUVEL_FUZZ_TARGET));
    if (!target) {
        std::fprintf(stderr, "no fuzz target %s\n", KARUVEL_FUZZ_TARGET);
        std::exit(2);
    }
    const QString seeds = qEnvironmentVariable("KARUVEL_FUZZ_SEEDS");
    if (!seeds.isEmpty()) {
        QDir().mkpath(seeds);
        for (const karuvel::fuzz::Seed& s : karuvel::fuzz::seedsFor(*target)) {
            QFile f(seeds + QLatin1Char('/') + s.name);
            if (f.open(QIODevice::WriteOnly)) f.write(s.bytes);
        }
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    target->entry(data, size);
    return 0;
}
