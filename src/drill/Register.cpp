#include "drill/Register.h"

#include "drill/FinishScreen.h"
#include "drill/MainFrm.h"
#include "frame/Navigator.h"

namespace karuvel {

void registerDrillScreens()
{
    // A new drill window for every run.
    screens::registerFactory(ScreenId::Drill, [] { return new MainFrm(); });
    screens::registerFactory(ScreenId::Finish, [] { return new FrmSyuuryou(); });
}

} // namespace karuvel
