#include "dashboard/Periods.h"

#include "platform/Calendar.h"

#include <cmath>

namespace karuvel {

bool Period::contains(double oleDate) const
{
    if (!std::isfinite(oleDate)) return false;
    const double day = std::floor(oleDate);
    if (from.isValid() && day < toOleDate(from)) return false;
    if (to.isValid() && day > toOleDate(to)) return false;
    return true;
}

QString Period::text() const
{
    const QString f = QStringLiteral("yyyy/MM/dd");
    if (!from.isValid() && !to.isValid()) return QStringLiteral("全期間");
    if (!to.isValid()) return from.toString(f) + QStringLiteral("から");
    if (!from.isValid()) return to.toString(f) + QStringLiteral("まで");
    return from.toString(f) + QStringLiteral("～") + to.toString(f);
}

Period termOf(const QDate& today, int startMonth)
{
    if (startMonth < 1 || startMonth > 12) startMonth = 4;
    // Months since the school year began (0..11).
    const int into = (today.month() - startMonth + 12) % 12;
    const QDate yearStart(today.year() - (today.month() < startMonth ? 1 : 0), startMonth, 1);
    const int termStart = into < 5 ? 0 : into < 9 ? 5 : 9;
    const int termEnd = into < 5 ? 5 : into < 9 ? 9 : 12;
    return {yearStart.addMonths(termStart), yearStart.addMonths(termEnd).addDays(-1)};
}

Period periodOf(PeriodChoice choice, const QDate& today, int startMonth, const QDate& from, const QDate& to)
{
    switch (choice) {
    case PeriodChoice::ThisTerm: return termOf(today, startMonth);
    case PeriodChoice::ThisMonth: return {QDate(today.year(), today.month(), 1), QDate(today.year(), today.month(), 1).addMonths(1).addDays(-1)};
    case PeriodChoice::Range:
        if (from.isValid() && to.isValid() && to < from) return {to, from};
        return {from, to};
    case PeriodChoice::Everything: return {};
    }
    return {};
}

QString periodChoiceText(PeriodChoice choice)
{
    switch (choice) {
    case PeriodChoice::ThisTerm: return QStringLiteral("今学期");
    case PeriodChoice::ThisMonth: return QStringLiteral("今月");
    case PeriodChoice::Range: return QStringLiteral("期間を指定");
    case PeriodChoice::Everything: return QStringLiteral("全部");
    }
    return {};
}

} // namespace karuvel
