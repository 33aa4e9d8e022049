#include "drill/DrillLogic.h"

#include "platform/Platform.h"

#include <QSet>
#include <algorithm>
#include <cmath>

namespace karuvel {

namespace {
const QString kStar = QStringLiteral("*");
const QString kQuestionMark = QStringLiteral("?");
const QString kDash = QStringLiteral("-");
// Enough draws for any real data file many times over; past them a choice
// takes what the scan finds instead of drawing for ever.
constexpr int kMaxDraws = 10000;
} // namespace

DrillKind drillKindOf(int level, bool practice)
{
    if (practice) return DrillKind::Practice;
    return level % 2 == 1 ? DrillKind::MapLevel : DrillKind::ListLevel;
}

int questionsPerRun(int questionCount) { return questionCount < 10 ? questionCount : 10; }

int drawIndex(int n, IRandom& random)
{
    if (n <= 0) return 0;
    const int i = int(std::floor(double(n) * random.next() + 1.0));
    return std::clamp(i, 1, n);
}

int chooseQuestion(int questionCount, const std::vector<int>& done, int previous, int correctCount, int perRun,
                   IRandom& random)
{
    if (questionCount <= 0) return 0;
    auto isDone = [&](int q) { return q < int(done.size()) && done[size_t(q)] == 1; };
    auto acceptable = [&](int q) {
        if (isDone(q)) return false;
        if (q == previous && correctCount < perRun - 1) return false;
        return true;
    };
    for (int draws = 0; draws < kMaxDraws; ++draws) {
        const int q = drawIndex(questionCount, random);
        if (acceptable(q)) return q;
    }
    for (int q = 1; q <= questionCount; ++q)
        if (acceptable(q)) return q;
    for (int q = 1; q <= questionCount; ++q)
        if (!isDone(q)) return q;
    return 1;
}

int drawPromptType(bool hasRelated, bool hasSecondName, IRandom& random)
{
    const int kinds = (hasRelated ? 1 : 0) + 2;
    for (int draws = 0; draws < kMaxDraws; ++draws) {
        const int k = std::clamp(int(std::floor(double(kinds) * random.next())) + 1, 1, kinds);
        if (k == 2 && !hasSecondName) continue;
        return k;
    }
    return 1;
}

MapPrompt makeMapPrompt(const Question& q, IRandom& random)
{
    MapPrompt p;
    const QStringList related = q.relatedPlaces();
    const bool hasSecond = q.secondDisplayName != kStar;
    p.type = drawPromptType(!related.isEmpty(), hasSecond, random);
    p.nameSlot = kQuestionMark;
    p.secondSlot = kQuestionMark;
    p.relatedSlot = kQuestionMark;
    if (p.type == 1) {
        p.nameSlot = ShownForm(q.displayName);
    } else if (p.type == 2) {
        p.secondSlot = ShownForm(q.secondDisplayName);
    } else {
        p.relatedSlot = related[drawIndex(int(related.size()), random) - 1];
    }
    if (!hasSecond) p.secondSlot = kDash;
    return p;
}

QSet<QString> wrongChoicePool(const QuestionTable& table, int q)
{
    QSet<QString> pool;
    for (int v = 1; v <= table.count(); ++v) {
        if (v == q) continue;
        for (const QString& r : table.at(v).relatedPlaces())
            if (!table.isTrueOf(r, q)) pool.insert(r);
    }
    return pool;
}

RelatedChoices chooseRelatedChoices(const QuestionTable& table, int q, IRandom& random)
{
    RelatedChoices out;
    const Question& question = table.at(q);
    if (question.related[1] == kStar) return out;
    out.shown = true;
    // The right one: a random related place of the question.
    for (int draws = 0; draws < kMaxDraws; ++draws) {
        const int t = drawIndex(kRelatedSlots, random);
        if (question.related[size_t(t)] != kStar) {
            out.correct = question.related[size_t(t)];
            break;
        }
    }
    if (out.correct.isEmpty()) out.correct = question.related[1];
    out.choices << out.correct;
    // A wrong choice is never a place that is true of this question too,
    // shown in its slots or not: choosing it would be judged wrong although it
    // is right.
    const QSet<QString> pool = wrongChoicePool(table, q);
    auto usable = [&](const QString& text) { return pool.contains(text) && !out.choices.contains(text); };

    std::vector<int> donors;
    for (int v = 1; v <= table.count(); ++v)
        if (v != q && table.at(v).related[1] != kStar) donors.push_back(v);
    for (int n = 0; n < 4; ++n) {
        // Stop when no usable text remains.
        bool left = false;
        for (const QString& r : pool)
            if (usable(r)) {
                left = true;
                break;
            }
        if (!left) break;
        bool added = false;
        for (int attempt = 0; attempt < kMaxDraws && !added; ++attempt) {
            int v = 0;
            for (int draws = 0; draws < kMaxDraws; ++draws) {
                const int d = drawIndex(table.count(), random);
                if (d != q && table.at(d).related[1] != kStar) {
                    v = d;
                    break;
                }
            }
            if (v == 0) break;
            QString text;
            for (int draws = 0; draws < kMaxDraws; ++draws) {
                const int w = drawIndex(kRelatedSlots, random);
                if (table.at(v).related[size_t(w)] != kStar) {
                    text = table.at(v).related[size_t(w)];
                    break;
                }
            }
            if (!usable(text)) continue;
            out.choices << text;
            added = true;
        }
        if (!added) {
            // Draws ran out: take the first unused text found.
            for (int v : donors) {
                for (const QString& r : table.at(v).relatedPlaces())
                    if (usable(r)) {
                        out.choices << r;
                        added = true;
                        break;
                    }
                if (added) break;
            }
        }
    }
    sortJapanese(&out.choices);
    return out;
}

ListKey listKey(const Question& q)
{
    ListKey k;
    k.name = ShownForm(q.displayName);
    k.second = q.secondDisplayName == kStar ? kDash : ShownForm(q.secondDisplayName);
    return k;
}

ListJudgement judgeListAnswer(const QString& nameSlot, const QString& secondSlot, const QString& relatedSlot,
                              bool relatedSlotHidden, const ListKey& key, const QString& correctRelated)
{
    ListJudgement j;
    j.nameRight = nameSlot == key.name;
    j.secondRight = secondSlot == key.second;
    j.relatedRight = relatedSlotHidden || relatedSlot == correctRelated;
    j.verdict = (j.nameRight && j.secondRight && j.relatedRight) ? kVerdictRight : kVerdictWrong;
    return j;
}

std::optional<QString> slotTextForChoice(const QString& visibleEntry)
{
    if (isHeadingEntry(visibleEntry)) return std::nullopt;
    QString e = visibleEntry;
    e.remove(QLatin1Char(' '));
    return ShownForm(e.trimmed());
}

PixelKind classifyPixel(const MapSurface& surface, const QuestionTable& table, int x, int y)
{
    const QRgb c = surface.colourAt(x, y);
    if (c == mapcolour::Outside) return PixelKind::OffMap;
    if (c == surface.colourAt(kSeaProbeX, kSeaProbeY)) return PixelKind::Sea;
    for (const SamplePoint& s : table.samples)
        if (c == surface.colourAt(s.x, s.y)) return PixelKind::Sample;
    if (c == mapcolour::Black) return PixelKind::Border;
    return PixelKind::Place;
}

bool mapPressAnswers(const QuestionTable& table, int asked, int pressed, const QString& shownRelated)
{
    if (asked < 1 || asked > table.count() || pressed < 1 || pressed > table.count()) return false;
    if (pressed == asked) return true;
    if (shownRelated.isEmpty() || !table.at(asked).relatedPlaces().contains(shownRelated)) return false;
    return table.isTrueOf(shownRelated, pressed);
}

PressResult judgeMapPress(MapSurface& surface, const QuestionTable& table, int question, int x, int y,
                          const QString& shownRelated)
{
    PressResult r;
    if (classifyPixel(surface, table, x, y) != PixelKind::Place) return r;
    r.ignored = false;

    surface.reset();
    surface.fill(x, y, mapcolour::Pressed);
    r.pressedName = QStringLiteral("---");
    r.pressedSecond = QStringLiteral("---");
    for (int i = 1; i <= table.count(); ++i) {
        const Question& qi = table.at(i);
        if (surface.colourAt(qi.seedX, qi.seedY) == mapcolour::Pressed) {
            r.pressedName = qi.displayName;
            r.pressedSecond = qi.secondDisplayName;
            r.pressedQuestion = i;
        }
    }
    const Question& q = table.at(question);
    if (surface.colourAt(q.seedX, q.seedY) == mapcolour::Pressed) {
        surface.fill(q.seedX, q.seedY, mapcolour::Question);
        r.verdict = kVerdictRight;
    } else if (mapPressAnswers(table, question, r.pressedQuestion, shownRelated)) {
        const Question& p = table.at(r.pressedQuestion);
        surface.fill(p.seedX, p.seedY, mapcolour::Question);
        surface.fill(q.seedX, q.seedY, mapcolour::Corrected);
        r.verdict = kVerdictRight;
        r.rightByShared = true;
    } else {
        surface.fill(q.seedX, q.seedY, mapcolour::Corrected);
        r.verdict = kVerdictWrong;
    }
    return r;
}

HoverResult hoverAt(MapSurface& surface, const QuestionTable& table, int x, int y)
{
    HoverResult r;
    switch (classifyPixel(surface, table, x, y)) {
    case PixelKind::OffMap:
    case PixelKind::Border: return r;  // the captions stay as they are
    case PixelKind::Sea:
    case PixelKind::Sample: r.kind = HoverResult::Clear; return r;
    case PixelKind::Place: break;
    }

    r.kind = HoverResult::Show;
    surface.reset();
    surface.fill(x, y, mapcolour::Question);
    for (int i = 1; i <= table.count(); ++i) {
        const Question& qi = table.at(i);
        if (surface.colourAt(qi.seedX, qi.seedY) != mapcolour::Question) continue;
        r.nameSlot = ShownForm(qi.displayName);
        r.secondSlot = ShownForm(qi.secondDisplayName);
        r.related = qi.relatedPlaces();
        for (const QString& place : r.related) r.longest = std::max(r.longest, int(place.size()));
    }
    return r;
}

CaptionPlacement placeCaptions(int x, int y, QSize surface, QSize size7, QSize size8, QSize size9)
{
    CaptionPlacement p;
    const int W = surface.width(), H = surface.height();
    const int w7 = size7.width(), w8 = size8.width(), w9 = size9.width();
    const int h7 = size7.height(), h8 = size8.height(), h9 = size9.height();
    p.flippedSideways = x + 20 + w7 > W || x + 30 + w8 > W || x + 40 + w9 > W;
    p.flippedUp = h7 + y + h8 + h9 + 10 > H;
    int left = x + 20;
    if (p.flippedSideways) left -= w7 + 40;
    int top = y - 10;
    if (p.flippedUp) top -= h7 + h8 + h9;
    p.label7 = QPoint(left, top);
    p.label8 = QPoint(left + 10, top + h7);
    p.label9 = QPoint(left + 20, top + h7 + h8);
    return p;
}

QPoint scrollByBar(QPoint position, int bar, QSize viewport, QSize map)
{
    const int W = viewport.width(), H = viewport.height();
    const int w = map.width(), h = map.height();
    const int dx = w / 10, dy = h / 10;
    int left = position.x(), top = position.y();
    switch (bar) {
    case 0: left = left + dx < 0 ? left + dx : 0; break;
    case 1: left = left - dx > W - w ? left - dx : W - w; break;
    case 2: top = top + dy < 0 ? top + dy : 0; break;
    case 3: top = top - dy > H - h ? top - dy : H - h; break;
    default: break;
    }
    return QPoint(left, top);
}

QPoint scrollByCorner(QPoint position, int corner, QSize viewport, QSize map)
{
    // Each corner moves as its two bars: sideways first, then up or down.
    static const int bars[4][2] = {{0, 2}, {0, 3}, {1, 2}, {1, 3}};
    if (corner < 0 || corner > 3) return position;
    QPoint p = scrollByBar(position, bars[corner][0], viewport, map);
    return scrollByBar(p, bars[corner][1], viewport, map);
}

QPoint positionForSeed(QPoint seed, QSize viewport, QSize map)
{
    int left = viewport.width() / 2 - seed.x();
    if (left < viewport.width() - map.width()) left = viewport.width() - map.width();
    if (left > 0) left = 0;
    int top = viewport.height() / 2 - seed.y();
    if (top < viewport.height() - map.height()) top = viewport.height() - map.height();
    if (top > 0) top = 0;
    return QPoint(left, top);
}

long elapsedFromClock(double now, double runStartTime)
{
    // Round half to even, as the clock's figure has always been rounded; never
    // below zero, whatever the clock did.
    return std::max(0L, long(std::nearbyint(now - runStartTime)));
}

long timeLimitFor(long limitTime) { return 5 * limitTime; }

int timeBarWidth(long elapsed, long timeLimit, int frameWidth)
{
    if (timeLimit <= 0) return 0;
    if (elapsed >= timeLimit) return frameWidth;
    if (elapsed <= 0) return 0;
    return int(double(elapsed) * double(frameWidth) / double(timeLimit));
}

bool timeOverDue(long elapsed, long timeLimit, int runFinished, int runComplete, int judging)
{
    if (timeLimit <= 0) return false;  // no limit: the run never runs out of time
    return elapsed >= timeLimit && runFinished == 0 && runComplete == 0 && judging == 0;
}

std::set<int> countdownBoxesToHide(long elapsed, const CountdownThresholds& t)
{
    std::set<int> hide;
    auto row = [&](long threshold, int first) {
        if (threshold <= 0) return;  // a row without a threshold stays complete
        const long remaining = threshold - elapsed;
        if (remaining >= 10) return;
        // Over the last ten seconds one more box goes each second, from the
        // left; from the threshold on the row is empty (also after a penalty
        // jumps the clock past it).
        const long last = remaining < 0 ? first + 9 : first + 9 - remaining;
        for (long b = first; b <= last; ++b) hide.insert(int(b));
    };
    row(t.best, 10);
    row(t.yourBest, 20);
    row(t.target, 30);
    for (int i = 0; i <= 9; ++i)
        if (t.limit - i == elapsed) hide.insert(39 - i);
    return hide;
}

long minutesSince(double now, double signInTime) { return wholeMinutes(timeOfDaySecondsSince(signInTime, now)); }

long wholeMinutes(double seconds) { return seconds <= 0 ? 0 : long(std::trunc(seconds)) / 60; }

} // namespace karuvel
