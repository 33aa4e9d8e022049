#pragma once
// The school roster "新名簿.txt", grades derived from birth years, grade
// texts, stage labels, grade marks and grade filters.
#include <QDate>
#include <QString>
#include <QStringList>

namespace karuvel {

// The school year of a date: its calendar year, less 1 before the start month.
int schoolYearOf(const QDate& date, int startMonth);
// Grade index G = SchoolYear - birth year - 6 (1 = first year of elementary school).
int GradeIndex(int birthYear);
// "小１" etc. for G = 0..10, otherwise empty.
QString gradeText(int g);
// Stage labels of the name list: "幼-", "幼1".."幼3", "小1".."小6", "中1".."中3", "高1".."高3", "大+".
QString stageLabel(int g);
// "①".."⑥", "Ⅰ".."Ⅲ", otherwise one ideographic space.
QString GradeMark(int g);
// The grade filters in the order the choosers offer them.
QStringList gradeFilters();
bool PassesGradeFilter(const QString& filter, int g);

// The roster file of the data root.
QString rosterFilePath();

// Reads the roster into the state's roster tables (SchoolYear included).
// A line whose pupil number lies outside 1..5000 is skipped (the tables have
// no place for it); the rest of the roster loads.
enum class RosterLoad { Ok, Missing, Unreadable };
RosterLoad LoadRoster();

} // namespace karuvel
