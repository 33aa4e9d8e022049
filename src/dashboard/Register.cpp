#include "dashboard/Register.h"

namespace karuvel {

void registerDashboardScreens() {}

} // namespace karuvel
