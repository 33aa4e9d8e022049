#pragma once
// The name list of the name-selection screen: one line per listed pupil with
// a stage label, the name and two figures, pupils born later first.
#include <QString>
#include <QStringList>
#include <functional>

namespace karuvel {

// The first line of the name list; choosing it chooses nobody.
QString nameListHeadLine();

// The four figures of a pupil, summed over levels 1..35.
struct NameFigures {
    double todayRuns = 0;
    double todayPoints = 0;
    double allRuns = 0;
    double allPoints = 0;
};

// The figure texts, right-aligned in their columns; a zero shows as blanks of
// the same width. A figure too wide for its column is shown whole.
QString todayRunsText(double sum);    // "  3回", 0: 5 blanks
QString todayPointsText(double sum);  // "  45", 0: 2 blanks + "　"
QString allRunsText(double sum);      // "   12回", 0: 5 blanks + "　"
QString allPointsText(double sum);    // "    450", 0: 7 blanks

// The kinds of figures (the option chosen on the screen): 0 runs today / all,
// 1 points today / all, 2 today's points / runs, 3 all points / runs.
void figurePair(const NameFigures& f, int displayMode, QString* a, QString* b);

// The column heads over the name list for a kind of figures, in the list's
// fixed-width font: "学年 なまえ" over the names, then the two figures' heads
// right-aligned over their columns on either side of the "/".
QString nameListCaption(int displayMode);

// The line of the sorted working list: birth year (4 digits) + stage label +
// " " + name + padding in ideographic spaces + A + "/" + B + "*" + number.
// A name too long for its padding gets none.
QString nameListLine(int birthYear, int g, const QString& rosterName, const NameFigures& f, int displayMode,
                     int pupil);

// The shown list and its hidden companion: numbers[i - 1] belongs to shown[i]
// and carries the pupil number after its "*". shown[0] is the head line.
struct NameList {
    QStringList shown;
    QStringList numbers;
};

// Builds the list from the loaded roster and the recounted statistics.
NameList arrangeNameList(int displayMode, const QString& filter);

// The pupil number carried by a line of the hidden list (after its last "*").
int numberOfHiddenLine(const QString& line);

// The whole build: recount, roster, lines. A missing or busy roster is waited
// for 5 seconds (the screen stays responsive) and tried again; after the sixth
// failure a message names the step and the file and the program ends.
// beforeWait runs before each wait (to show the wait cover); *retries counts
// the failures of this build.
NameList buildNameList(int displayMode, const QString& filter, const std::function<void()>& beforeWait = {},
                       int* retries = nullptr);

} // namespace karuvel
