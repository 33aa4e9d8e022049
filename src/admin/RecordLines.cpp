#include "admin/RecordLines.h"

#include "admin/CriteriaGrid.h"

#include "platform/Calendar.h"
#include "platform/Cp932.h"
#include "platform/FieldReader.h"
#include "roster/Roster.h"
#include "state/Loose.h"

#include <QDate>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace karuvel {

namespace {

const QString kIdeographicSpace = QStringLiteral("\u3000");
const QString kNamePadding = QStringLiteral("\u3000\u3000\u3000\u3000\u3000");

// The first and last day an OLE date can name: 1 January 100 and 31 December 9999.
constexpr double kOleFirstDay = -657434.0;
constexpr double kOleDayAfterLast = 2958466.0;

QDate oleEpoch() { return QDate(1899, 12, 30); }

// Blanks (ASCII spaces only) cut from both ends, as a name field is trimmed.
QString trimBlanks(const QString& text)
{
    int b = 0;
    int e = int(text.size());
    while (b < e && text[b] == u' ') ++b;
    while (e > b && text[e - 1] == u' ') --e;
    return text.mid(b, e - b);
}

int integerField(const Field& f)
{
    const double v = f.number();
    if (!(v <= 32767)) return 32767;
    if (v < -32768) return -32768;
    return int(v);
}

QString timeOfDayText(long long seconds)
{
    const int h = int(seconds / 3600);
    const int m = int(seconds / 60 % 60);
    const int s = int(seconds % 60);
    QString t = QString::number(h);
    t += u':';
    t += QChar(u'0' + m / 10);
    t += QChar(u'0' + m % 10);
    t += u':';
    t += QChar(u'0' + s / 10);
    t += QChar(u'0' + s % 10);
    return t;
}

// Little-endian fields of a stored record.
double getDouble(const char* p)
{
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | uint8_t(p[i]);
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}
int16_t get16(const char* p) { return int16_t(uint16_t(uint8_t(p[0]) | (uint16_t(uint8_t(p[1])) << 8))); }
int32_t get32(const char* p)
{
    return int32_t(uint32_t(uint8_t(p[0])) | (uint32_t(uint8_t(p[1])) << 8) | (uint32_t(uint8_t(p[2])) << 16) |
                   (uint32_t(uint8_t(p[3])) << 24));
}

// What a line shows of a record.
struct Shown {
    double date;
    double clock;
    int pupil;
    int level;
    int32_t time;
    const char* code;  // 5 bytes
};

// Builds the lines, keeping the texts that repeat from line to line.
const QString kLevelWord = QStringLiteral("ﾚﾍﾞﾙ");
const QString kOtherSchool = QStringLiteral("他塾");
const QString kTimeOverWords = QStringLiteral("時間切れ");

// A whole number right-aligned in width characters (a wider one whole).
QChar* putNumber(QChar* p, long long v, int width)
{
    char digits[24];
    int n = 0;
    unsigned long long u = v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    do {
        digits[n++] = char('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (v < 0) digits[n++] = '-';
    for (int i = n; i < width; ++i) *p++ = u' ';
    while (n > 0) *p++ = QChar(digits[--n]);
    return p;
}

// Up to 80 characters of a text (the school name may be longer: it goes last).
QChar* put(QChar* p, const QString& text)
{
    const qsizetype n = std::min<qsizetype>(text.size(), 80);
    std::copy(text.constData(), text.constData() + n, p);
    return p + n;
}

// The time of day with two blanks before it, cut to its last 9 characters.
QChar* putClock(QChar* p, double clock)
{
    // A time of day alone ("9:05:03"), the usual case, without a detour.
    const long long seconds = clock >= 0 && clock < 1 ? std::llround(clock * 86400.0) : -1;
    if (seconds < 0 || seconds >= 86400) return put(p, (QStringLiteral("  ") + oleDateTimeText(clock)).right(9));
    const int h = int(seconds / 3600);
    const int m = int(seconds / 60 % 60);
    const int sec = int(seconds % 60);
    *p++ = u' ';
    if (h < 10) *p++ = u' ';
    p = putNumber(p, h, 0);
    *p++ = u':';
    *p++ = QChar(u'0' + m / 10);
    *p++ = QChar(u'0' + m % 10);
    *p++ = u':';
    *p++ = QChar(u'0' + sec / 10);
    *p++ = QChar(u'0' + sec % 10);
    return p;
}

Shown shownOf(const char* p)
{
    return Shown{getDouble(p), getDouble(p + 8), get16(p + 16), get16(p + 18), get32(p + 20), p + 24};
}

// A number made whole by taking the nearest whole number, halves to the even one.
double nearestWhole(double v) { return std::nearbyint(v); }

} // namespace

// Builds the texts of lines, keeping the pieces that repeat from line to line.
class RecordLineMaker {
public:
    RecordLineMaker(const PupilBook& book, const QByteArray& ownCode, const QString& schoolName)
        : book_(book), ownCode_(ownCode), schoolName_(schoolName), pupilPieces_(kPupilSlots)
    {
    }

    const QByteArray& ownCode() const { return ownCode_; }
    // The record numbers' column holds `digits` figures.
    void setNumberWidth(int digits) { numberWidth_ = std::max(4, digits); }

    QString line(int number, const Shown& r)
    {
        // Written straight into one buffer: a school's file has 100k+ lines.
        QChar buf[256];
        QChar* p = buf;
        // Record number right-aligned in the width of the file's highest
        // number (4 at least; a wider one shown whole), a blank.
        p = putNumber(p, number, numberWidth_);
        *p++ = u' ';
        // Date, an ideographic blank, the time of day right-aligned in 9.
        if (r.date != lastDate_ || !haveDate_) {
            lastDate_ = r.date;
            lastDateText_ = oleDateTimeText(r.date);
            haveDate_ = true;
        }
        p = put(p, lastDateText_);
        *p++ = QChar(0x3000);
        p = putClock(p, r.clock);
        // A blank, the level, an ideographic blank, the time in 5, "秒 ", an ideographic blank.
        *p++ = u' ';
        p = put(p, kLevelWord);
        // Levels 1..9 take a blank before them and a time over is told in
        // words as wide as a time, so that every column keeps its place.
        p = putNumber(p, r.level, 2);
        *p++ = QChar(0x3000);
        if (recordIsTimeOver(r.time)) {
            p = put(p, kTimeOverWords);
        } else {
            p = putNumber(p, r.time, 6);
            *p++ = QChar(0x79D2);  // 秒
        }
        *p++ = u' ';
        *p++ = QChar(0x3000);
        // Pupil number, name and grade label.
        p = put(p, pupilPiece(r.pupil));
        // Whose run: this school's or another school's.
        *p++ = u'+';
        *p++ = u'+';
        const QString& school = std::memcmp(r.code, ownCode_.constData(), 5) == 0 ? schoolName_ : kOtherSchool;
        const qsizetype head = p - buf;
        QString t(head + school.size(), Qt::Uninitialized);
        std::copy(buf, p, t.data());
        std::copy(school.constData(), school.constData() + school.size(), t.data() + head);
        return t;
    }

private:
    // Pupil number right-aligned in 4, a blank, the name padded with
    // ideographic blanks and cut to 6, a blank, the grade label.
    const QString& pupilPiece(int pupil)
    {
        const bool inTable = validPupil(pupil);
        if (inTable && !pupilPieces_[size_t(pupil)].isNull()) return pupilPieces_[size_t(pupil)];
        QString t = QString::number(pupil).rightJustified(4, u' ');
        t += u' ';
        t += (book_.nameOf(pupil) + kNamePadding).left(6);
        t += u' ';
        t += book_.gradeLabelOf(pupil);
        if (!inTable) {
            outsidePiece_ = t;
            return outsidePiece_;
        }
        pupilPieces_[size_t(pupil)] = t;
        return pupilPieces_[size_t(pupil)];
    }

    const PupilBook& book_;
    QByteArray ownCode_;
    QString schoolName_;
    std::vector<QString> pupilPieces_;
    int numberWidth_ = 4;
    bool haveDate_ = false;
    double lastDate_ = 0;
    QString lastDateText_;
    QString outsidePiece_;
};


QString PupilBook::nameOf(long long pupil) const
{
    return validPupil(pupil) ? PupilNameByNumber[size_t(pupil)] : QString();
}

QString PupilBook::gradeLabelOf(long long pupil) const
{
    return validPupil(pupil) ? GradeLabelByNumber[size_t(pupil)] : QString();
}

PupilBookRead readPupilBook(const QString& path, int schoolYear, PupilBook* book)
{
    *book = PupilBook{};
    QString text;
    switch (readCp932File(path, &text)) {
    case FileStatus::Ok: break;
    case FileStatus::NotFound: return PupilBookRead::Missing;
    default: return PupilBookRead::Unreadable;
    }
    FieldReader r(text);
    while (!r.atEnd()) {
        // Eight fields a pupil: number, birth year, two numbers, name, status, two texts.
        Field f[8];
        for (Field& field : f) r.next(&field);
        const int number = integerField(f[0]);
        if (number < 1 || number > kMaxPupil) continue;
        const QString name = trimBlanks(f[4].text.left(20));
        book->PupilNameByNumber[size_t(number)] = name;
        book->chooserEntries << chooserEntry(number, name);
        const int g = schoolYear - integerField(f[1]) - 6;
        if (g >= 0 && g <= 10) book->GradeLabelByNumber[size_t(number)] = gradeText(g);
    }
    return PupilBookRead::Ok;
}

QString oleDateTimeText(double value)
{
    if (!(value >= kOleFirstDay && value < kOleDayAfterLast)) return numberText(value);
    // The whole part counts the days (also before 1899: -1.25 is 29 December
    // 1899, 6 o'clock); the fraction is the time of day.
    long long day = static_cast<long long>(std::trunc(value));
    long long seconds = std::llround(std::fabs(value - double(day)) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += value < 0 ? -1 : 1;
    }
    const bool hasDate = day != 0;
    const bool hasTime = seconds != 0;
    if (!hasDate) return timeOfDayText(seconds);
    const QString date = oleEpoch().addDays(day).toString(QStringLiteral("yyyy/MM/dd"));
    if (!hasTime) return date;
    return date + u' ' + timeOfDayText(seconds);
}

QByteArray schoolCodeField(const QString& schoolCode)
{
    const QByteArray bytes = encodeCp932(schoolCode);
    // Cut at a character boundary, never half a double-byte character.
    int n = 0;
    while (n < bytes.size()) {
        const auto b = uint8_t(bytes[n]);
        const int w = ((b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc)) ? 2 : 1;
        if (n + w > 5) break;
        n += w;
    }
    return bytes.left(n) + QByteArray(5 - n, ' ');
}

QString recordLineText(int number, const ResultRecordData& r, const PupilBook& book, const QByteArray& ownCodeField,
                       const QString& schoolName)
{
    QByteArray code = r.schoolCode.left(5);
    code.append(QByteArray(5 - code.size(), ' '));
    RecordLineMaker maker(book, ownCodeField, schoolName);
    return maker.line(number, Shown{r.date, r.clock, r.pupil, r.level, r.time, code.constData()});
}

QString recordCountText(int64_t fileLength)
{
    return QStringLiteral("総レコード数:") + numberText(double(fileLength) / kRecordSize);
}

QString RecordLines::text(int line) const
{
    if (line < 0 || line >= size() || !maker || !records) return QString();
    const int number = numbers[size_t(line)];
    return maker->line(number, shownOf(records->data() + int64_t(number - 1) * kRecordSize));
}

std::array<char, kRecordSize> RecordLines::bytes(int line) const
{
    std::array<char, kRecordSize> b{};
    if (line < 0 || line >= size() || !records) return b;
    std::memcpy(b.data(), records->data() + int64_t(numbers[size_t(line)] - 1) * kRecordSize, kRecordSize);
    return b;
}

int RecordLines::lineOfRecord(int number) const
{
    const auto it = std::find(numbers.begin(), numbers.end(), number);
    return it == numbers.end() ? -1 : int(it - numbers.begin());
}

int RecordLines::lineAtOrAfter(int number) const
{
    if (numbers.empty()) return -1;
    int after = -1, before = -1;
    for (int i = 0; i < size(); ++i) {
        const int n = numbers[size_t(i)];
        if (n == number) return i;
        if (n > number && (after < 0 || n < numbers[size_t(after)])) after = i;
        if (n < number && (before < 0 || n > numbers[size_t(before)])) before = i;
    }
    return after >= 0 ? after : before;
}

int halfWidths(const QString& text)
{
    int n = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        n += (u < 0x100 || (u >= 0xFF61 && u <= 0xFF9F)) ? 1 : 2;  // ASCII and half-width katakana: one
    }
    return n;
}

namespace {
// A filter's test of one record's fields, with its days as OLE dates.
struct FilterTest {
    const RecordFilter& f;
    double first;
    double last;
    explicit FilterTest(const RecordFilter& filter)
        : f(filter),
          first(filter.from.isValid() ? toOleDate(filter.from) : -HUGE_VAL),
          last(filter.to.isValid() ? toOleDate(filter.to) : HUGE_VAL)
    {
    }
    bool operator()(double date, int pupil, int level, int32_t time) const
    {
        if (f.pupil != 0 && pupil != f.pupil) return false;
        if (f.level != 0 && level != f.level) return false;
        if (f.from.isValid() || f.to.isValid()) {
            if (!(date >= kOleFirstDay && date < kOleDayAfterLast)) return false;
            const double day = std::floor(date);
            if (day < first || day > last) return false;
        }
        switch (f.timeOver) {
        case RecordFilter::TimeOver::Any: return true;
        case RecordFilter::TimeOver::Only: return recordIsTimeOver(time);
        case RecordFilter::TimeOver::Without: return !recordIsTimeOver(time);
        }
        return true;
    }
};
} // namespace

bool RecordFilter::passes(const ResultRecordData& r) const { return FilterTest(*this)(r.date, r.pupil, r.level, r.time); }

bool RecordFilter::passesRecord(const char* record) const
{
    const Shown r = shownOf(record);
    return FilterTest(*this)(r.date, r.pupil, r.level, r.time);
}

std::vector<int> listedRecords(const char* records, int64_t count, RecordOrder order)
{
    std::vector<int> numbers;
    numbers.reserve(size_t(count));
    for (int64_t i = 0; i < count; ++i)
        if (get16(records + i * kRecordSize + 18) != 0) numbers.push_back(int(i + 1));
    if (order == RecordOrder::FileOrder) return numbers;
    // A school's file is nearly always in the order of its runs: then the
    // newest first is the file backwards, found in one pass.
    auto when = [records](int n) {
        const char* p = records + int64_t(n - 1) * kRecordSize;
        const double v = getDouble(p) + getDouble(p + 8);
        return std::isfinite(v) ? v : -HUGE_VAL;
    };
    std::vector<double> key(numbers.size());
    bool inOrder = true;
    for (size_t k = 0; k < numbers.size(); ++k) {
        key[k] = when(numbers[k]);
        if (k > 0 && key[k] < key[k - 1]) inOrder = false;
    }
    if (!inOrder) {
        std::vector<size_t> idx(numbers.size());
        for (size_t k = 0; k < idx.size(); ++k) idx[k] = k;
        std::stable_sort(idx.begin(), idx.end(), [&key](size_t a, size_t b) { return key[a] < key[b]; });
        std::vector<int> sorted(numbers.size());
        for (size_t k = 0; k < idx.size(); ++k) sorted[k] = numbers[idx[k]];
        numbers.swap(sorted);
    }
    std::reverse(numbers.begin(), numbers.end());
    return numbers;
}

std::vector<int> filteredRecords(const char* records, const std::vector<int>& listed, const RecordFilter& filter)
{
    if (!filter.any()) return listed;
    std::vector<int> out;
    out.reserve(listed.size() / 4);
    const FilterTest test(filter);
    for (int n : listed) {
        const char* p = records + int64_t(n - 1) * kRecordSize;
        if (test(getDouble(p), get16(p + 16), get16(p + 18), get32(p + 20))) out.push_back(n);
    }
    return out;
}

RecordLines makeRecordLines(std::shared_ptr<const std::vector<char>> records, std::vector<int> numbers,
                            const PupilBook& book, const QString& schoolCode, const QString& schoolName)
{
    RecordLines out;
    out.maker = std::make_shared<RecordLineMaker>(book, schoolCodeField(schoolCode), schoolName);
    out.records = std::move(records);
    out.numbers = std::move(numbers);
    // Every line's number as wide as the file's last: the columns after it
    // stay in place from record 9 to record 1,000,000, whatever the filter shows.
    out.maker->setNumberWidth(int(QString::number(int64_t(out.records->size()) / kRecordSize).size()));
    // Lines differ in width only by the record number's digits, the pupil's
    // piece and the school's name: the widest is found among the first line
    // of each pupil and school, and the line of the highest number.
    const char* base = out.records->data();
    std::vector<uint8_t> seen(kPupilSlots + 1);
    int widestWidth = -1;
    int highest = -1;
    for (int i = 0; i < out.size(); ++i) {
        const int n = out.numbers[size_t(i)];
        if (highest < 0 || n > out.numbers[size_t(highest)]) highest = i;
        const char* p = base + int64_t(n - 1) * kRecordSize;
        const int pupil = get16(p + 16);
        const size_t slot = validPupil(pupil) ? size_t(pupil) : kPupilSlots;
        const uint8_t bit = std::memcmp(p + 24, out.maker->ownCode().constData(), 5) == 0 ? 1 : 2;
        if (seen[slot] & bit) continue;
        seen[slot] |= bit;
        const int w = halfWidths(out.text(i));
        if (w > widestWidth) {
            widestWidth = w;
            out.widest = i;
        }
    }
    if (highest >= 0) {
        const int w = halfWidths(out.text(highest));
        if (w > widestWidth) out.widest = highest;
    }
    return out;
}

RecordLines buildRecordLines(const char* records, int64_t count, const PupilBook& book, const QString& schoolCode,
                             const QString& schoolName)
{
    auto held = std::make_shared<std::vector<char>>(records, records + count * kRecordSize);
    std::vector<int> numbers = listedRecords(held->data(), count, RecordOrder::FileOrder);
    return makeRecordLines(std::move(held), std::move(numbers), book, schoolCode, schoolName);
}

std::vector<int> sameDayRuns(const char* records, int64_t count, int pupil, double date)
{
    std::vector<int> out;
    const double day = std::floor(date);
    for (int64_t i = 0; i < count; ++i) {
        const Shown r = shownOf(records + i * kRecordSize);
        if (r.pupil == pupil && std::isfinite(r.date) && std::floor(r.date) == day) out.push_back(int(i + 1));
    }
    return out;
}

bool timeFromBox(const QString& text, int32_t* seconds)
{
    // Figures as the Japanese input types them ("４５") are read as typed;
    // anything but a whole number of seconds in range is refused, never
    // stored as a time the teacher did not type ("abc" or "" as 0).
    QString t = halfWidthFigures(text).trimmed();
    if (t.endsWith(u'秒')) t = t.chopped(1).trimmed();
    if (t.isEmpty() || t.size() > 6) return false;
    for (const QChar c : t)
        if (c < u'0' || c > u'9') return false;
    const int v = t.toInt();
    if (v > kNoTime) return false;
    *seconds = int32_t(v);
    return true;
}

bool pupilFromChooser(const QString& text, int* pupil)
{
    const qsizetype slash = text.indexOf(u'/');
    if (slash < 0) return false;
    const double v = nearestWhole(leadingNumber(text.left(slash)));
    if (!(v >= 1 && v <= kMaxPupil)) return false;
    *pupil = int(v);
    return true;
}

QString chooserEntry(int pupil, const QString& name) { return QString::number(pupil) + QStringLiteral(" /  ") + name; }

} // namespace karuvel
