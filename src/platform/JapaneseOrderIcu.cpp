// Japanese order through ICU's collation (the systems other than Windows).
#include "platform/JapaneseOrder.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace karuvel {

namespace {

icu::Collator* japaneseCollator()
{
    static std::unique_ptr<icu::Collator> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale("ja"), status));
        if (U_FAILURE(status)) c.reset();
        return c;
    }();
    return collator.get();
}

icu::UnicodeString toIcu(const QString& s)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
}

} // namespace

void sortInJapaneseOrder(QStringList* entries)
{
    icu::Collator* c = japaneseCollator();
    if (!c) {
        std::stable_sort(entries->begin(), entries->end());
        return;
    }
    std::vector<std::pair<icu::UnicodeString, QString>> keyed;
    keyed.reserve(size_t(entries->size()));
    for (const QString& e : *entries) keyed.emplace_back(toIcu(e), e);
    std::stable_sort(keyed.begin(), keyed.end(), [c](const auto& a, const auto& b) {
        UErrorCode status = U_ZERO_ERROR;
        return c->compare(a.first, b.first, status) == UCOL_LESS;
    });
    entries->clear();
    for (auto& k : keyed) entries->append(k.second);
}

} // namespace karuvel
