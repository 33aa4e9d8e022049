#pragma once
// A small school for the tests of the teachers' views: pupils 1 青木 (小５),
// 2 上田 (中２), 3 小川 (小３) and 4 上野先生 (a teacher, not listed among
// the pupils); the data root and the data folder are one temporary folder;
// twelve levels, each cleared with 3 runs and 30 points in 7 days. The
// runs are the test's own.
#include "Fakes.h"
#include "Runs.h"
#include "TempDir.h"
#include "dashboard/Dashboard.h"
#include "frame/Catalogue.h"
#include "frame/Navigator.h"
#include "state/ProgramState.h"

namespace karuvel::test {

inline void makeTeacherSchool(const TempDir& dir)
{
    ProgramState& s = state();
    s.DataFolder = Loose(dir.path());
    s.RosterFolder = Loose(dir.path());
    s.SchoolYearStartMonth = Loose(4);
    s.SchoolName = QStringLiteral("みどり塾");
    SetProgramIdentity();
    applyLevelCatalogue();
    setLevelCriteria(12, {});
    dir.writeCp932(QStringLiteral("新名簿.txt"),
                   QStringLiteral("1,2015,0,0,青木,0,,\r\n2,2012,0,0,上田,0,,\r\n3,2017,0,0,小川,0,,\r\n"
                                  "4,1980,0,0,上野先生,1,,\r\n"));
}

// The pupil (or teacher) signed in a minute ago.
inline void signInAs(const FakeClock& clock, int pupil, const QString& name)
{
    ProgramState& s = state();
    s.CurrentPupil = pupil;
    s.CurrentPupilName = name.leftJustified(20, QLatin1Char(' '));
    s.SignInTime = Loose(clock.secondsSinceMidnight() - 60);
}

// The dashboard as the program opens it, through the navigator.
inline seisekitime1* openDashboard()
{
    registerDashboardScreen();
    return qobject_cast<seisekitime1*>(screens::show(ScreenId::Dashboard));
}

} // namespace karuvel::test
