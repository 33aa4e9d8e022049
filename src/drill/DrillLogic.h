#pragma once
// The decisions of the drill, free of any window: how many answers a run
// needs, which question comes next, the prompt, the related-place choices,
// judging, the map press, the practice display, scrolling and the clock.
#include "drill/MapSurface.h"
#include "drill/Questions.h"
#include "state/ProgramState.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <set>
#include <vector>

namespace karuvel {

class IRandom;

// The three kinds of drill window. Practice: the map names whatever the mouse
// rests on, nothing is asked or recorded. A map level (odd levels): the panel
// names a place and the pupil presses it on the map. A list level (even
// levels): a place is shown in red and the pupil names it from the lists.
enum class DrillKind { Practice, MapLevel, ListLevel };
DrillKind drillKindOf(int level, bool practice);

// Correct answers that complete a run: all questions of a short set, else 10.
int questionsPerRun(int questionCount);

// A whole number 1..n from a uniform draw: the integer part of n x r + 1.
int drawIndex(int n, IRandom& random);

// The next question: drawn at random, never one already answered right, and
// not the previous one while two or more right answers are still needed.
// done is indexed 1..questionCount.
int chooseQuestion(int questionCount, const std::vector<int>& done, int previous, int correctCount,
                   int perRun, IRandom& random);

// Prompt of a map-level question: 1 = name, 2 = second name, 3 = a related place.
int drawPromptType(bool hasRelated, bool hasSecondName, IRandom& random);

// What the answer panel of a map level shows for a question.
struct MapPrompt {
    int type = 1;
    QString nameSlot, secondSlot, relatedSlot;
};
MapPrompt makeMapPrompt(const Question& q, IRandom& random);

// The texts a list level may offer as wrong related-place choices for question
// q: the other questions' related places that are not true of q (by its own
// slots or the set's truth file).
QSet<QString> wrongChoicePool(const QuestionTable& table, int q);

// The related-place choices of a list level: the right one and up to four
// wrong ones from the pool above, each text once.
struct RelatedChoices {
    bool shown = false;       // false: the question has no related place
    QString correct;
    QStringList choices;      // sorted
};
RelatedChoices chooseRelatedChoices(const QuestionTable& table, int q, IRandom& random);

// The answer key of a list level.
struct ListKey {
    QString name;    // ShownForm of the display name
    QString second;  // ShownForm of the second display name, or "-"
};
ListKey listKey(const Question& q);

// Judging a list answer, slot by slot (exact text).
struct ListJudgement {
    bool nameRight = false;
    bool secondRight = false;
    bool relatedRight = false;
    int verdict = kVerdictWrong;  // kVerdictRight when all slots are right
};
ListJudgement judgeListAnswer(const QString& nameSlot, const QString& secondSlot, const QString& relatedSlot,
                              bool relatedSlotHidden, const ListKey& key, const QString& correctRelated);

// The slot text of a chosen name-list entry; nothing for a heading.
std::optional<QString> slotTextForChoice(const QString& visibleEntry);

// What a pixel of the map is, for a press and for the mouse in practice:
// off the image, the sea (the colour at the sea probe), a sample colour of the
// legend, a border (the black outlines), or a place. Only a place answers.
// The tests are made in this order, so that a colour that is both sea (or a
// sample) and black counts as sea (sample).
enum class PixelKind { OffMap, Sea, Sample, Border, Place };
PixelKind classifyPixel(const MapSurface& surface, const QuestionTable& table, int x, int y);

// Whether a press on the area of question `pressed` answers question `asked`
// of a map level: the asked place always does; when the prompt showed one of
// the asked place's related places (shownRelated), so does every place that
// related place is true of. Any other shownRelated ("?") counts for nothing.
bool mapPressAnswers(const QuestionTable& table, int asked, int pressed, const QString& shownRelated);

// A press on the map of a map level.
struct PressResult {
    bool ignored = true;    // not a place (classifyPixel): nothing happens
    int verdict = kVerdictNone;  // kVerdictRight or kVerdictWrong once judged
    QString pressedName;    // names of the pressed area in full, or "---"
    QString pressedSecond;
    int pressedQuestion = 0;  // the question of the pressed area, 0 for none
    // Right, but another place than the asked one: the shown related place is
    // true of both. The map shows the pressed place in the right colour and
    // the asked place in the corrected colour, so that the pupil learns it too.
    bool rightByShared = false;
};
PressResult judgeMapPress(MapSurface& surface, const QuestionTable& table, int question, int x, int y,
                          const QString& shownRelated = QString());

// The practice display for the point under the mouse.
struct HoverResult {
    enum Kind { Nothing, Clear, Show } kind = Nothing;
    QString nameSlot, secondSlot;  // ShownForm of the names ("" when no question matched)
    QStringList related;
    int longest = 0;               // longest related place, in characters
};
HoverResult hoverAt(MapSurface& surface, const QuestionTable& table, int x, int y);

// Where the three practice captions go beside the mouse, flipped at the edges.
struct CaptionPlacement {
    QPoint label7, label8, label9;
    bool flippedSideways = false;
    bool flippedUp = false;
};
CaptionPlacement placeCaptions(int x, int y, QSize surface, QSize size7, QSize size8, QSize size9);

// Scrolling: the map's position inside the viewport after a bar (0 left,
// 1 right, 2 top, 3 bottom) or a corner (0 left-top, 1 left-bottom,
// 2 right-top, 3 right-bottom) is pressed.
QPoint scrollByBar(QPoint position, int bar, QSize viewport, QSize map);
QPoint scrollByCorner(QPoint position, int corner, QSize viewport, QSize map);
// The map's position that brings a seed point into view (centred unless an
// edge of the map would come inside the viewport).
QPoint positionForSeed(QPoint seed, QSize viewport, QSize map);

// The clock.
// Whole seconds between two readings, halves to even.
long elapsedFromClock(double now, double runStartTime);
// 5 x the limit time.
long timeLimitFor(long limitTime);
// Width of the elapsed-time bar; the frame's width from the limit on, and
// nothing at all when there is no limit.
int timeBarWidth(long elapsed, long timeLimit, int frameWidth);
// True when this tick ends the run as time over.
bool timeOverDue(long elapsed, long timeLimit, int runFinished, int runComplete, int judging);

// Countdown rows: boxes 10..19 (Best), 20..29 (YourBest), 30..39 (Pass). The
// boxes that are hidden at this reading of the clock (boxes once hidden stay
// hidden; the caller keeps them so).
struct CountdownThresholds {
    long best = 0;
    long yourBest = 0;
    long target = 0;
    long limit = 0;
};
std::set<int> countdownBoxesToHide(long elapsed, const CountdownThresholds& t);

// Whole minutes since sign-in.
long minutesSince(double now, double signInTime);
// Whole minutes in a number of seconds (none below zero).
long wholeMinutes(double seconds);

} // namespace karuvel
