#include "dashboard/Register.h"

#include "dashboard/Dashboard.h"

namespace karuvel {

void registerDashboardScreens() { registerDashboardScreen(); }

} // namespace karuvel
