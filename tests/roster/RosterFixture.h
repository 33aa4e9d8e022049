#pragma once
// A data root in a temporary folder with a roster, an empty results file and
// the fakes; today is 10 December 2026 with the school year starting in
// April, so a pupil born in 2019 is in grade 1.
#include "Fakes.h"
#include "TempDir.h"
#include "state/ProgramState.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace karuvel::test {

// Birth year of a pupil of grade index g in the school year 2026.
inline int bornFor(int g) { return 2026 - 6 - g; }

class RosterFixture : public ::testing::Test {
protected:
    FakePlatform fake;
    TempDir dir;

    void SetUp() override
    {
        ProgramState& s = state();
        s.AppFolder = dir.mkdir(QStringLiteral("Karuvel"));
        s.RosterFolder = Loose(dir.path());
        s.DataFolder = Loose(dir.mkdir(QStringLiteral("data")));
        s.SoundFolder = Loose(dir.mkdir(QStringLiteral("sounds")));
        s.SchoolYearStartMonth = Loose(4);
        s.ProgramTitle = QStringLiteral("Karuvel");
        for (int l = 1; l <= 12; ++l) {
            s.TargetTime[size_t(l)] = 60;
            s.PointMultiplier[size_t(l)] = 1;
            s.RecentDays[size_t(l)] = Loose(7);
            s.OverdoDays[size_t(l)] = Loose(1);
        }
    }

    // One roster line per entry: number, birth year, two further numbers,
    // name, status and two further texts, CR LF ended.
    void writeRoster(const QStringList& lines)
    {
        dir.writeCp932(QStringLiteral("新名簿.txt"), lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    }
    static QString line(int number, int birthYear, const QString& name, int status = 0)
    {
        return QStringLiteral("%1,%2,0,0,%3,%4,,").arg(number).arg(birthYear).arg(name).arg(status);
    }
};

} // namespace karuvel::test
