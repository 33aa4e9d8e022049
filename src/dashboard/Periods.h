#pragma once
// The periods a teacher looks at runs through: this term, this month, days
// of their own choosing, or everything; the day range each stands for and
// how it is named on the screen, on paper and in a PDF. Plain rules.
#include <QDate>
#include <QString>

namespace karuvel {

enum class PeriodChoice { ThisTerm, ThisMonth, Range, Everything };

// A period of whole days, both ends included; a null end is open.
struct Period {
    QDate from;
    QDate to;

    // An OLE date (its whole days) within the period.
    bool contains(double oleDate) const;
    bool bounded() const { return from.isValid() || to.isValid(); }
    // "2026/09/01～2026/12/10", "2026/09/01から", "全期間".
    QString text() const;
};

// The term of the school year that holds `today`: terms begin in the school
// year's first month and five and nine months after it (April–August,
// September–December, January–March when the year begins in April).
Period termOf(const QDate& today, int startMonth);
// The period of a choice on `today`; Range takes from..to (in either order).
Period periodOf(PeriodChoice choice, const QDate& today, int startMonth, const QDate& from = {},
                const QDate& to = {});
// "今学期", "今月", "期間を指定", "全部".
QString periodChoiceText(PeriodChoice choice);

} // namespace karuvel
