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

} // namespace karuvel
