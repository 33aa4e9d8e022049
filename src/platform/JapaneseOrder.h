#pragma once
// Texts in Japanese dictionary order (kana by the gojūon, then kanji), as the
// name lists show them. ICU's collation (JapaneseOrderIcu.cpp), on Windows the
// system's own (JapaneseOrderWin.cpp).
#include <QStringList>

namespace karuvel {

// Sorts stably: entries the order holds equal keep their places.
void sortInJapaneseOrder(QStringList* entries);

} // namespace karuvel
