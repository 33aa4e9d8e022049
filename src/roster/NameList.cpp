#include "roster/NameList.h"

#include "frame/FileMessages.h"
#include "frame/SetAsideNotice.h"

#include "platform/Cp932.h"
#include "platform/FileErrors.h"
#include "platform/Platform.h"
#include "records/Recount.h"
#include "roster/Roster.h"
#include "state/ProgramState.h"

#include <algorithm>
#include <vector>

namespace karuvel {

namespace {

const QChar kIdeographicSpace(0x3000);

// The last n characters of blanks + the number; never cuts digits off.
QString rightAligned(double sum, int width)
{
    const QString digits = numberText(sum);
    if (digits.size() >= width) return digits;
    return QString(width - digits.size(), QLatin1Char(' ')) + digits;
}

// Blanks trimmed as the roster pads its names (ideographic spaces stay).
QString trimBlanks(const QString& text)
{
    int b = 0;
    int e = text.size();
    while (b < e && text.at(b) == QLatin1Char(' ')) ++b;
    while (e > b && text.at(e - 1) == QLatin1Char(' ')) --e;
    return text.mid(b, e - b);
}

} // namespace

QString nameListHeadLine() { return QStringLiteral("－－－－－－"); }

QString todayRunsText(double sum)
{
    if (sum == 0) return QString(5, QLatin1Char(' '));
    return rightAligned(sum, 3) + QStringLiteral("回");
}

QString todayPointsText(double sum)
{
    if (sum == 0) return QStringLiteral("  ") + kIdeographicSpace;
    return rightAligned(sum, 4);
}

QString allRunsText(double sum)
{
    if (sum == 0) return QString(5, QLatin1Char(' ')) + kIdeographicSpace;
    return rightAligned(sum, 5) + QStringLiteral("回");
}

QString allPointsText(double sum)
{
    if (sum == 0) return QString(7, QLatin1Char(' '));
    return rightAligned(sum, 7);
}

void figurePair(const NameFigures& f, int displayMode, QString* a, QString* b)
{
    switch (displayMode) {
    case 1:
        *a = todayPointsText(f.todayPoints);
        *b = allPointsText(f.allPoints);
        break;
    case 2:
        *a = todayPointsText(f.todayPoints);
        *b = todayRunsText(f.todayRuns);
        break;
    case 3:
        *a = allPointsText(f.allPoints);
        *b = allRunsText(f.allRuns);
        break;
    default:
        *a = todayRunsText(f.todayRuns);
        *b = allRunsText(f.allRuns);
        break;
    }
}

namespace {

// Width of a text in half-width columns (full-width characters count two).
int columns(const QString& text)
{
    int n = 0;
    for (QChar c : text) n += c.unicode() < 0x80 || (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F) ? 1 : 2;
    return n;
}

QString padLeft(const QString& text, int width) { return QString(std::max(0, width - columns(text)), QLatin1Char(' ')) + text; }
QString padRight(const QString& text, int width) { return text + QString(std::max(0, width - columns(text)), QLatin1Char(' ')); }

} // namespace

QString nameListCaption(int displayMode)
{
    // Widths of the figure columns: today's runs 5, today's points 4, all runs 7, all points 7.
    struct Heads {
        const char* a;
        int widthA;
        const char* b;
        int widthB;
    };
    static const Heads heads[4] = {
        {"今日", 5, "今まで", 7}, {"今日", 4, "今まで", 7}, {"点", 4, "回数", 5}, {"点", 7, "回数", 7}};
    const Heads& h = heads[(displayMode >= 0 && displayMode <= 3) ? displayMode : 0];
    return padRight(QStringLiteral("学年 なまえ"), 2 * 9 - 2) + padLeft(QString::fromUtf8(h.a), h.widthA) +
           QLatin1Char('/') + padLeft(QString::fromUtf8(h.b), h.widthB);
}

QString nameListLine(int birthYear, int g, const QString& rosterName, const NameFigures& f, int displayMode,
                     int pupil)
{
    const QString label = stageLabel(g);
    const QString name = trimBlanks(rosterName);
    QString a, b;
    figurePair(f, displayMode, &a, &b);
    const int width = (g <= 0 && displayMode != 1) ? 11 : 9;
    const QString head = label + QLatin1Char(' ') + name;
    const int padding = std::max(0, int(width - head.size()));
    QString line;
    line.reserve(40);
    // Always four digits: the list is sorted on them and cut after them.
    line += QStringLiteral("%1").arg(std::clamp(birthYear, 0, 9999), 4, 10, QLatin1Char('0'));
    line += head;
    line += QString(padding, kIdeographicSpace);
    line += a;
    line += QLatin1Char('/');
    line += b;
    line += QLatin1Char('*');
    line += QString::number(pupil);
    return line;
}

NameList arrangeNameList(int displayMode, const QString& filter)
{
    const ProgramState& s = state();
    const int count = std::min<long long>(s.RosterCount.toLong(), s.RosterEntries.size() - 1);

    // The four sums of every pupil, level row by level row. A row holds zeros
    // from the recount's note on (zero is what the recount empties these
    // tables to), and everywhere when it was never written: those cells add
    // nothing and are not read.
    std::vector<NameFigures> sums(kPupilSlots);
    for (int level = 1; level <= kMaxLevel; ++level) {
        const auto zerosFrom = [level](const auto& table) { return table.untouched(level) ? 0 : table.emptyFrom(level); };
        const int end = std::min(kPupilSlots, std::max({zerosFrom(s.TodayCount), zerosFrom(s.TodayPoints),
                                                        zerosFrom(s.TotalCount), zerosFrom(s.TotalPoints)}));
        const float* todayRuns = s.TodayCount.row(level);
        const int64_t* todayPoints = s.TodayPoints.row(level);
        const int32_t* allRuns = s.TotalCount.row(level);
        const int64_t* allPoints = s.TotalPoints.row(level);
        for (int p = 1; p < end; ++p) {
            NameFigures& f = sums[p];
            f.todayRuns += todayRuns[p];
            f.todayPoints += double(todayPoints[p]);
            f.allRuns += allRuns[p];
            f.allPoints += double(allPoints[p]);
        }
    }

    // The working list, kept in ascending order of its lines as the school's
    // code page orders them (names of one year then run in reading order).
    struct Sorted {
        QByteArray key;
        QString line;
        int birthYear;
    };
    std::vector<Sorted> sorted;
    sorted.reserve(size_t(std::max(count, 0)));
    for (int n = 1; n <= count; ++n) {
        const RosterEntry& e = s.RosterEntries[size_t(n)];
        const int g = GradeIndex(e.birthYear);
        QString line = nameListLine(e.birthYear, g, e.name, sums[size_t(e.number)], displayMode, e.number);
        QByteArray key = encodeCp932(line);
        sorted.push_back({std::move(key), std::move(line), e.birthYear});
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const Sorted& x, const Sorted& y) { return x.key < y.key; });

    // From the last line to the first: pupils born later come first.
    NameList list;
    list.shown.reserve(int(sorted.size()) + 1);
    list.numbers.reserve(int(sorted.size()));
    list.shown.append(nameListHeadLine());
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) {
        if (!PassesGradeFilter(filter, GradeIndex(it->birthYear))) continue;
        const int star = int(it->line.lastIndexOf(QLatin1Char('*')));
        list.shown.append(it->line.mid(4, star - 4));
        list.numbers.append(it->line.mid(4));
    }
    return list;
}

int numberOfHiddenLine(const QString& line)
{
    const int star = int(line.lastIndexOf(QLatin1Char('*')));
    if (star < 0) return 0;
    return int(leadingNumber(line.mid(star + 1)));
}

NameList buildNameList(int displayMode, const QString& filter, const std::function<void()>& beforeWait,
                       int* retries)
{
    int failures = 0;
    if (retries) *retries = 0;

    // Step 2: the statistics; the results loader waits for its file itself.
    if (ResultsError e = RecountAll(); !e.ok()) stopOnResults(e);
    tellSetAsideJournals();

    // Step 4: the roster, tried again while it is missing or busy.
    for (;;) {
        const RosterLoad r = LoadRoster();
        if (r == RosterLoad::Ok) break;
        if (beforeWait) beforeWait();
        clock().waitResponsive(5000);
        ++failures;
        if (retries) *retries = failures;
        if (failures >= 6) {
            const bool missing = r == RosterLoad::Missing;
            const QString text = QStringLiteral("名簿表示 4\r\n")
                + fileProblemText(rosterFilePath(), missing ? FileProblem::Missing : FileProblem::Unreadable)
                + QStringLiteral("\r\n（%1）").arg(missing ? 53 : 70);
            messages().inform(QStringLiteral("エラー"), text);
            endProgram(1);
        }
    }

    // Steps 3 to 5: the lines.
    return arrangeNameList(displayMode, filter);
}

} // namespace karuvel
