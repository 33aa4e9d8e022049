#pragma once
namespace karuvel {
// Registers the screens of this module with the navigator.
void registerDashboardScreens();
}
