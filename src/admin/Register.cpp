#include "admin/Register.h"

#include "admin/CriteriaEditor.h"
#include "admin/RecordsManager.h"

namespace karuvel {

void registerAdminScreens()
{
    registerCriteriaEditorScreen();
    registerRecordsManagerScreen();
}

} // namespace karuvel
