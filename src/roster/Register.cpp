#include "roster/Register.h"

#include "frame/Navigator.h"
#include "roster/NameSelection.h"

namespace karuvel {

void registerRosterScreens()
{
    screens::registerFactory(ScreenId::NameSelection, [] { return new namesel(); });
}

} // namespace karuvel
