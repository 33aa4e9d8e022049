#include "records/Register.h"

#include "frame/Navigator.h"
#include "records/FinishScreen.h"

namespace karuvel {

void registerRecordsScreens()
{
    screens::registerFactory(ScreenId::Finish, [] { return new FrmSyuuryou(); });
}

} // namespace karuvel
