#pragma once
namespace karuvel {
// Registers the teacher's windows (criteria editor, records manager) with the navigator.
void registerAdminScreens();
}
