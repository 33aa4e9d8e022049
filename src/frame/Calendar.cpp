#include "frame/Calendar.h"

#include <QDateTime>
#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <cmath>
#include <memory>

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

QString japaneseEraDate(const QDate& date)
{
    UErrorCode err = U_ZERO_ERROR;
    icu::Locale loc("ja_JP@calendar=japanese");
    // The instant is found on the Gregorian calendar, then written on the Japanese one.
    std::unique_ptr<icu::Calendar> greg(icu::Calendar::createInstance(icu::Locale("ja_JP@calendar=gregorian"), err));
    std::unique_ptr<icu::Calendar> cal(icu::Calendar::createInstance(loc, err));
    if (U_FAILURE(err)) return date.toString(QStringLiteral("yyyy年 M月 dd日"));
    greg->clear();
    greg->set(date.year(), date.month() - 1, date.day(), 12, 0, 0);
    cal->setTime(greg->getTime(err), err);
    // Era name, year of the era, month without a leading zero, two-digit day, short weekday.
    icu::SimpleDateFormat fmt(icu::UnicodeString::fromUTF8("GGGGy年 M月 dd日（E）"), loc, err);
    if (U_FAILURE(err)) return date.toString(QStringLiteral("yyyy年 M月 dd日"));
    fmt.adoptCalendar(cal->clone());
    icu::UnicodeString out;
    fmt.format(cal->getTime(err), out, err);
    if (U_FAILURE(err)) return date.toString(QStringLiteral("yyyy年 M月 dd日"));
    return QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
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
