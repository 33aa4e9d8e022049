#pragma once
namespace karuvel {
// Registers the screens of this module with the navigator: the drill and the finish screen.
void registerDrillScreens();
}
