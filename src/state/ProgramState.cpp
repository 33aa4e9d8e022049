#include "state/ProgramState.h"

#include <memory>

namespace karuvel {

namespace {
std::unique_ptr<ProgramState>& holder()
{
    static std::unique_ptr<ProgramState> s = std::make_unique<ProgramState>();
    return s;
}
} // namespace

ProgramState& state() { return *holder(); }

void resetState() { holder() = std::make_unique<ProgramState>(); }

bool isTeacherName(const QString& name)
{
    return name.contains(QStringLiteral("★")) || name.contains(QStringLiteral("先生"));
}

bool isPracticeLevelName(const QString& name) { return name.contains(QStringLiteral("練")); }

double timeOfDaySecondsSince(double from, double now)
{
    double seconds = now - from;
    if (seconds < -43200) seconds += 86400;  // the clock passed midnight meanwhile
    return seconds < 0 ? 0 : seconds;        // e.g. a time of day rounded up to the next second
}

double secondsSinceSignIn(const ProgramState& s, double monotonicNow, double timeOfDayNow)
{
    if (s.SignInClock) return std::max(0.0, monotonicNow - *s.SignInClock);
    return timeOfDaySecondsSince(s.SignInTime.toNumber(), timeOfDayNow);
}

} // namespace karuvel
