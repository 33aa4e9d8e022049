// The date in the Japanese calendar through ICU (the systems other than Windows).
#include "platform/Calendar.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <memory>

namespace karuvel {

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

} // namespace karuvel
