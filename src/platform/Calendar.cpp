#include "platform/Calendar.h"

#include <QDateTime>

#include <cmath>

namespace karuvel {

long long seasonColour(const QDate& date)
{
    switch (date.month()) {
    case 1: case 2: return 0xFF8000;             // RGB(255, 128, 0)
    case 3: case 4: case 5: return 0xC0FFC0;     // RGB(192, 255, 192)
    case 6: case 7: case 8: return 0x00C0C0;     // RGB(0, 192, 192)
    case 9: case 10: case 11: return 0xC04000;   // RGB(192, 64, 0)
    default: return 0xC0FFC0;                    // December
    }
}

QString japaneseEraDateFromTable(const QDate& date)
{
    // The eras since the calendar of the Meiji era, each from its first day.
    struct Era {
        QDate first;
        const char16_t* name;
    };
    static const Era eras[] = {{QDate(2019, 5, 1), u"令和"},
                               {QDate(1989, 1, 8), u"平成"},
                               {QDate(1926, 12, 25), u"昭和"},
                               {QDate(1912, 7, 30), u"大正"},
                               {QDate(1868, 9, 8), u"明治"}};
    static const char16_t* const weekdays[] = {u"月", u"火", u"水", u"木", u"金", u"土", u"日"};
    const QString rest = QStringLiteral("年 %1月 %2日（%3）")
                             .arg(date.month())
                             .arg(date.day(), 2, 10, QLatin1Char('0'))
                             .arg(QString::fromUtf16(weekdays[date.dayOfWeek() - 1]));
    for (const Era& e : eras)
        if (date >= e.first) {
            // The first year of an era is "元年", as the Japanese calendar writes it.
            const int year = date.year() - e.first.year() + 1;
            return QString::fromUtf16(e.name) + (year == 1 ? QStringLiteral("元") : QString::number(year)) + rest;
        }
    return QString::number(date.year()) + rest;
}

namespace {
const QDate& oleEpoch()
{
    static const QDate d(1899, 12, 30);
    return d;
}
} // namespace

double toOleDate(const QDate& date) { return double(oleEpoch().daysTo(date)); }

double toOleDateTime(const QDateTime& dt)
{
    return toOleDate(dt.date()) + dt.time().msecsSinceStartOfDay() / 86400000.0;
}

QDate fromOleDate(double days) { return oleEpoch().addDays(qint64(std::floor(days))); }

QDateTime fromOleDateTime(double days)
{
    const double whole = std::floor(days);
    const double frac = days - whole;
    return QDateTime(oleEpoch().addDays(qint64(whole)), QTime(0, 0).addMSecs(int(std::llround(frac * 86400000.0))));
}

} // namespace karuvel
