#include "drill/Register.h"

namespace karuvel {

void registerDrillScreens() {}

} // namespace karuvel
