#pragma once
// Start-up configuration: the path file beside the program folder, the
// school's common data, the criteria table and the sound names.
#include <QString>

namespace karuvel {

// The ten sound categories, slots 1..10.
const QString& soundCategoryName(int slot);

// Splits the title line of the common data file into SchoolCode and SchoolName.
void splitTitleLine(const QString& line, QString* code, QString* name);

// Fills the configuration part of the state. appFolder is the folder of the
// executable; a missing or short file shows its message and ends the program.
void LoadConfigurationFrom(const QString& appFolder);
// The same for the running executable.
void LoadConfiguration();

// Reads the sound names file into SoundNames (categories filled first).
void loadSoundNames(const QString& path);

// A folder path as the program keeps it: "/" separators and a trailing "/".
QString folderPath(const QString& path);

} // namespace karuvel
