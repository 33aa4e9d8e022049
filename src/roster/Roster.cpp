#include "roster/Roster.h"

#include "platform/Cp932.h"
#include "platform/FieldReader.h"
#include "platform/Platform.h"
#include "state/ProgramState.h"

namespace karuvel {

int schoolYearOf(const QDate& date, int startMonth)
{
    return date.month() < startMonth ? date.year() - 1 : date.year();
}

int GradeIndex(int birthYear) { return state().SchoolYear.toInt() - birthYear - 6; }

QString gradeText(int g)
{
    static const char* const texts[] = {"幼３", "小１", "小２", "小３", "小４", "小５",
                                        "小６", "中１", "中２", "中３", "高１"};
    if (g < 0 || g > 10) return QString();
    return QString::fromUtf8(texts[g]);
}

QString stageLabel(int g)
{
    if (g < -2) return QStringLiteral("幼-");
    if (g <= 0) return QStringLiteral("幼") + QString::number(g + 3);
    if (g <= 6) return QStringLiteral("小") + QString::number(g);
    if (g <= 9) return QStringLiteral("中") + QString::number(g - 6);
    if (g <= 12) return QStringLiteral("高") + QString::number(g - 9);
    return QStringLiteral("大+");
}

QString GradeMark(int g)
{
    static const char* const marks[] = {"①", "②", "③", "④", "⑤", "⑥", "Ⅰ", "Ⅱ", "Ⅲ"};
    if (g >= 1 && g <= 9) return QString::fromUtf8(marks[g - 1]);
    return QStringLiteral("　");
}

QStringList gradeFilters()
{
    return {QStringLiteral("全学年"), QStringLiteral("中学生全体"), QStringLiteral("小学生全体"),
            QStringLiteral("中３"),   QStringLiteral("中２"),       QStringLiteral("中１"),
            QStringLiteral("小６"),   QStringLiteral("小５"),       QStringLiteral("小４"),
            QStringLiteral("小３"),   QStringLiteral("小２"),       QStringLiteral("小１")};
}

bool PassesGradeFilter(const QString& filter, int g)
{
    if (filter == QStringLiteral("全学年")) return true;
    if (filter == QStringLiteral("小学生全体")) return g >= 1 && g <= 6;
    if (filter == QStringLiteral("中学生全体")) return g >= 7 && g <= 9;
    // "小１".."小６" and "中１".."中３" are exactly the grade texts of G = 1..9.
    for (int i = 1; i <= 9; ++i) {
        if (filter == gradeText(i)) return g == i;
    }
    return false;
}

QString rosterFilePath() { return state().RosterFolder.toText() + QStringLiteral("新名簿.txt"); }

namespace {

// A text field as a fixed 20-character text: cut or padded with blanks.
QString fixed20(const QString& text)
{
    QString t = text.left(20);
    return t + QString(20 - t.size(), QLatin1Char(' '));
}

int integerField(const Field& f)
{
    const double v = f.number();
    if (v > 32767) return 32767;
    if (v < -32768) return -32768;
    return int(v);
}

} // namespace

RosterLoad LoadRoster()
{
    ProgramState& s = state();
    s.SchoolYear = Loose(schoolYearOf(clock().today(), s.SchoolYearStartMonth.toInt()));

    QString text;
    switch (readCp932File(rosterFilePath(), &text)) {
    case FileStatus::Ok: break;
    case FileStatus::NotFound: return RosterLoad::Missing;
    default: return RosterLoad::Unreadable;
    }

    s.RosterEntries.assign(1, RosterEntry{});
    FieldReader r(text);
    int n = 0;
    while (!r.atEnd()) {
        // Eight fields a pupil; a roster that ends inside a line leaves the
        // missing fields empty.
        Field f[8];
        for (Field& field : f) r.next(&field);
        RosterEntry e;
        e.number = integerField(f[0]);
        e.birthYear = integerField(f[1]);
        e.field3 = integerField(f[2]);
        e.field4 = integerField(f[3]);
        e.name = fixed20(f[4].text);
        e.status = integerField(f[5]);
        e.field7 = fixed20(f[6].text);
        e.field8 = fixed20(f[7].text);

        // The tables hold pupils 1..5000 only.
        if (e.number < 1 || e.number > kMaxPupil) continue;
        if (e.status == 2 && s.RosterStatusReset.toNumber() == 1) e.status = 0;

        s.PupilNames[e.number] = e.name;
        s.PupilBirthYears[e.number] = e.birthYear;
        const int g = GradeIndex(e.birthYear);
        if (g >= 0 && g <= 10) s.PupilGrades[e.number] = gradeText(g);

        // Only status 0 is listed; the others stay known by number. The list
        // has room for 5000 entries (more only when numbers repeat).
        if (e.status != 0 || n >= kMaxPupil) continue;
        ++n;
        s.RosterOrder[n] = e.number;
        s.RosterEntries.push_back(e);
    }
    s.RosterCount = Loose(n);
    return RosterLoad::Ok;
}

} // namespace karuvel
