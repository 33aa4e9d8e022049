#pragma once
// The entry points through which damaged input reaches every reader of the
// program: each takes the bytes of one file (as a pupil's PC would find it on
// the shared drive) and runs the reader and what consumes its result. The
// libFuzzer harnesses, the seed writer and the replay test all go through
// these same functions.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace karuvel::fuzz {

using Entry = void (*)(const uint8_t* data, size_t size);

struct Target {
    const char* name;
    Entry entry;
    size_t maxLength;  // what the fuzzing script passes as -max_len
};

// Every target, in the order the fuzzing script runs them.
const std::vector<Target>& targets();
const Target* findTarget(const QString& name);

// A seed input of a target, named for the file it was made from.
struct Seed {
    QString name;
    QByteArray bytes;
};
// The seeds of a target, made from the fixed school under fuzz/school and the
// question files the program ships (assets/data).
std::vector<Seed> seedsFor(const Target& target);

// Sets up once per process: the platform fakes, a scratch data root copied
// from fuzz/school, the configuration, roster and statistics loaded from it.
// fuzzDir is the fuzz/ folder of the source tree.
void prepare(const QString& fuzzDir);

// An input broke a rule the program promises (a message that does not name
// its file, a rewrite that changes what it was told to keep, ...). By default
// the process aborts, which libFuzzer records as a crash; the replay test
// installs a handler that throws, so that it can name the input.
using CheckFailure = void (*)(const char* what);
void setCheckFailureHandler(CheckFailure handler);

} // namespace karuvel::fuzz
