#include "admin/Register.h"

namespace karuvel {

void registerAdminScreens() {}

} // namespace karuvel
