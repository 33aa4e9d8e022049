#pragma once
#include <QDate>
#include <QString>

namespace karuvel {

// The background colour of the season, by the month of the date (0xRRGGBB).
long long seasonColour(const QDate& date);
// "令和8年 12月 10日（木）": era, year of the era, month, two-digit day, weekday.
QString japaneseEraDate(const QDate& date);
// The same from the table of the eras since 8 September 1868 (Meiji), the
// year alone before it; what the Windows program shows.
QString japaneseEraDateFromTable(const QDate& date);

// OLE Automation dates: days since 30 December 1899.
double toOleDate(const QDate& date);
double toOleDateTime(const QDateTime& dt);
QDate fromOleDate(double days);
QDateTime fromOleDateTime(double days);

} // namespace karuvel
