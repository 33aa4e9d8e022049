// The date in the Japanese calendar on Windows: from the table of the eras
// (the system's own Japanese calendar depends on its version and settings).
#include "platform/Calendar.h"

namespace karuvel {

QString japaneseEraDate(const QDate& date) { return japaneseEraDateFromTable(date); }

} // namespace karuvel
