#include "records/Register.h"

namespace karuvel {

void registerRecordsScreens() {}

} // namespace karuvel
