// Japanese order through Windows' own comparison of texts in the "ja-JP" locale.
#include "platform/JapaneseOrder.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace karuvel {

void sortInJapaneseOrder(QStringList* entries)
{
    std::vector<std::pair<std::wstring, QString>> keyed;
    keyed.reserve(size_t(entries->size()));
    for (const QString& e : *entries) keyed.emplace_back(e.toStdWString(), e);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        const int r = CompareStringEx(L"ja-JP", 0, a.first.data(), int(a.first.size()), b.first.data(),
                                      int(b.first.size()), nullptr, nullptr, 0);
        if (r == 0) return a.first < b.first;  // the comparison failed: code order
        return r == CSTR_LESS_THAN;
    });
    entries->clear();
    for (auto& k : keyed) entries->append(k.second);
}

} // namespace karuvel
