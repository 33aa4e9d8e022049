#include "frame/Catalogue.h"

#include "frame/Navigator.h"
#include "state/ProgramState.h"

namespace karuvel {

void SetProgramIdentity()
{
    ProgramState& s = state();
    s.ProgramTitle = QStringLiteral("Karuvel");
    s.AllLevelsOpen = Loose(1);
}

void applyLevelCatalogue()
{
    static const char* const names[25] = {
        "",
        "川１", "川２", "山脈１", "山脈２", "平野盆地１", "平野盆地２",
        "山１", "山２", "湾湖１", "湾湖２", "半島１", "半島２",
        "レベル５練習", "レベル５－１", "レベル５－２", "レベル６練習", "レベル６－１", "レベル６－２",
        "レベル７練習", "レベル７－1", "レベル７－２", "レベル８練習", "レベル８－１", "レベル８－２"};
    ProgramState& s = state();
    s.LevelCount = 12;
    s.FinalLevel = Loose(12);
    for (int i = 1; i <= 24; ++i) {
        s.LevelNames[i] = QString::fromUtf8(names[i]);
        s.LevelTimed[i] = 1;
        if (i <= 11 && i % 2 == 1) s.LevelHasPractice[i] = 1;
    }
    applyDefaultLevelNames();
}

void applyDefaultLevelNames()
{
    // A level left without a name is named by its number.
    ProgramState& s = state();
    for (int i = 1; i <= 12; ++i) {
        if (s.LevelNames[i].isEmpty()) s.LevelNames[i] = QString::number(i) + QStringLiteral("ﾚﾍﾞﾙ");
    }
}

void OpenLevelCatalogue()
{
    applyLevelCatalogue();
    if (screens::isRegistered(ScreenId::Dashboard))
        screens::show(ScreenId::Dashboard);
    else
        screens::show(ScreenId::Interim);
}

} // namespace karuvel
