#pragma once
// What makes this drill framework the map drill: its title, its twelve levels
// and which of them are timed and offer practice.

namespace karuvel {

// Sets the program's title and the catalogue flags.
void SetProgramIdentity();
// Sets the level count, names and flags and applies the default-name rule.
void applyLevelCatalogue();
// Names every level 1..12 that has no name: its number followed by "ﾚﾍﾞﾙ".
void applyDefaultLevelNames();
// The level-list step at sign-in, then the dashboard is shown.
void OpenLevelCatalogue();

} // namespace karuvel
