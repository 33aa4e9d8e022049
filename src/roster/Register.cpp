#include "roster/Register.h"

namespace karuvel {

void registerRosterScreens() {}

} // namespace karuvel
