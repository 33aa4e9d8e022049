#pragma once
// "Who is stuck": per listed pupil of a grade (teachers left out), the days
// since the last run, the levels tried but never cleared, the levels whose
// last runs stopped improving and the time-overs within the period, the
// pupils who need the teacher most first. A plain rule over ClassProgress.
#include "dashboard/ClassProgress.h"

#include <QString>
#include <QStringList>
#include <vector>

class QPainter;
class QRectF;

namespace karuvel {

struct StuckRow {
    int pupil = 0;
    int rosterPosition = 0;
    QString grade;
    QString name;
    int daysSinceLastRun = -1;   // -1: never ran
    std::vector<int> notCleared; // levels tried but never cleared
    std::vector<int> stalled;    // levels practised within the period whose last runs got no faster
    int timeOvers = 0;           // within the period
    double need = 0;             // higher: the teacher is needed more
};

// The pupils of the grade filter, most in need first (ties in roster order):
// a pupil who never ran, then by a score of the days away (up to 60), the
// stalled levels (8 each), the levels not cleared (4 each) and the
// time-overs (2 each).
std::vector<StuckRow> stuckList(const ProgramState& s, const QString& gradeFilter, const ClassProgress& progress,
                                const QDate& today);

// The texts of a row's columns: name, last run, not cleared, stalled,
// time-overs; three or more levels in a row are written as a range ("レベル1～5・7").
QStringList stuckRowTexts(const StuckRow& row);
QStringList stuckHeadings();

// Paper: rows first..first+count-1 with the headings under `title`; how many
// rows fit a page.
int stuckRowsPerPage(const QRectF& rect);
void paintStuckPage(QPainter& p, const QRectF& rect, const QString& title, const std::vector<StuckRow>& rows, int first,
                    int count);

} // namespace karuvel
