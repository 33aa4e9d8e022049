#include "drill/Questions.h"

#include "platform/Cp932.h"
#include "platform/FieldReader.h"
#include "state/ProgramState.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <memory>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace karuvel {

namespace {

const QString kStar = QStringLiteral("*");
const QChar kWideStar = QChar(0xFF0A);   // "＊"
const QChar kWideDash = QChar(0xFF0D);   // "－"
const QString kInvalidColour = QStringLiteral("無効色");
const QString kElevenSpaces = QString(11, QLatin1Char(' '));

std::function<QImage(const QString&)>& imageSource()
{
    static std::function<QImage(const QString&)> source;
    return source;
}

icu::Collator* japaneseCollator()
{
    static std::unique_ptr<icu::Collator> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> c(icu::Collator::createInstance(icu::Locale("ja"), status));
        if (U_FAILURE(status)) c.reset();
        return c;
    }();
    return collator.get();
}

icu::UnicodeString toIcu(const QString& s)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()));
}

QString problemText(const QString& path, const QString& what)
{
    const QString where = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    return what + QStringLiteral("\r\n") + where + QStringLiteral("\r\n先生を呼びなさい。");
}

LoadOutcome failure(const QString& path, const QString& what) { return {false, problemText(path, what)}; }

} // namespace

QStringList Question::relatedPlaces() const
{
    QStringList out;
    for (int i = 1; i <= kRelatedSlots; ++i) {
        if (related[size_t(i)] == kStar) break;
        out << related[size_t(i)];
    }
    return out;
}

bool QuestionTable::isTrueOf(const QString& related, int i) const
{
    if (i < 1 || i > count()) return false;
    const Question& q = at(i);
    if (q.relatedPlaces().contains(related)) return true;
    const auto it = truth.constFind(related);
    return it != truth.constEnd() && it->contains(q.name);
}

QString truthFileFor(const QString& questionFilePath)
{
    const QFileInfo info(questionFilePath);
    return info.dir().filePath(QStringLiteral("関係") + info.fileName());
}

QString dataFileForLevel(int level)
{
    switch (level) {
    case 1: case 2: return QStringLiteral("データ.csv");
    case 3: case 4: return QStringLiteral("データ山脈.csv");
    case 5: case 6: return QStringLiteral("データ平野.csv");
    case 7: case 8: return QStringLiteral("データ山.csv");
    case 9: case 10: return QStringLiteral("データ湾湖.csv");
    case 11: case 12: return QStringLiteral("データ半島.csv");
    default: return {};
    }
}

QString mapKeyForLevel(int level)
{
    switch (level) {
    case 1: case 2: return QStringLiteral("日本川");
    case 3: case 4: return QStringLiteral("日本山脈");
    case 5: case 6: case 7: case 8: return QStringLiteral("日本山平野2");
    case 9: case 10: return QStringLiteral("データ湾湖");
    case 11: case 12: return QStringLiteral("日本半島");
    default: return {};
    }
}

QString displayNameOf(const QString& name, const QString& reading)
{
    if (reading == kStar || reading.isEmpty()) return name;
    return name + QLatin1Char('(') + reading + QLatin1Char(')');
}

QString ShownForm(const QString& displayName)
{
    const int open = displayName.indexOf(QLatin1Char('('));
    if (open >= 0 && open + 2 < displayName.size() && displayName[open + 2] == kWideStar) return displayName.left(open);
    return displayName;
}

QString nameListEntry(const QString& displayName)
{
    const int open = displayName.indexOf(QLatin1Char('('));
    if (open < 0) {
        // No reading: filed under the name's own first character, kept whole.
        if (displayName.isEmpty()) return QStringLiteral("  ");
        return displayName.left(1) + QLatin1Char(' ') + displayName;
    }
    const QString rest = displayName.mid(open);  // "(" + reading + ")"
    const QString first = open + 1 < displayName.size() ? displayName.mid(open + 1, 1) : QStringLiteral(" ");
    return first + QLatin1Char(' ') + displayName.left(open) + kElevenSpaces + rest;
}

QString visibleListEntry(const QString& entry) { return entry.mid(2); }

const QStringList& nameListHeadings()
{
    static const QStringList headings = {
        QStringLiteral("あ　－－あ－－"), QStringLiteral("か　－－か－－"), QStringLiteral("さ　－－さ－－"),
        QStringLiteral("た　－－た－－"), QStringLiteral("な　－－な－－"), QStringLiteral("は　－－は－－"),
        QStringLiteral("ま　－－ま－－"), QStringLiteral("や　－－や－－")};
    return headings;
}

void sortJapanese(QStringList* entries)
{
    icu::Collator* c = japaneseCollator();
    if (!c) {
        std::stable_sort(entries->begin(), entries->end());
        return;
    }
    std::vector<std::pair<icu::UnicodeString, QString>> keyed;
    keyed.reserve(size_t(entries->size()));
    for (const QString& e : *entries) keyed.emplace_back(toIcu(e), e);
    std::stable_sort(keyed.begin(), keyed.end(), [c](const auto& a, const auto& b) {
        UErrorCode status = U_ZERO_ERROR;
        return c->compare(a.first, b.first, status) == UCOL_LESS;
    });
    entries->clear();
    for (auto& k : keyed) entries->append(k.second);
}

bool isHeadingEntry(const QString& visibleEntry) { return !visibleEntry.isEmpty() && visibleEntry[0] == kWideDash; }

LoadOutcome loadQuestionFile(const QString& path, QuestionTable* table)
{
    *table = QuestionTable();
    QString text;
    const FileStatus st = readCp932File(path, &text);
    const QString fileName = QFileInfo(path).fileName();
    if (st == FileStatus::NotFound) return failure(path, QStringLiteral("問題のファイル「%1」が見つかりません。").arg(fileName));
    if (st != FileStatus::Ok) return failure(path, QStringLiteral("問題のファイル「%1」を読むことができません。").arg(fileName));

    FieldReader reader(text);
    int record = 0;
    while (!reader.atEnd()) {
        ++record;
        QString f[19];
        for (int i = 1; i <= 18; ++i) f[i] = reader.take().text;
        if (!reader.ok())
            return failure(path, QStringLiteral("問題のファイル「%1」の%2件目の項目が足りません（1件は18項目です）。")
                                     .arg(fileName).arg(record));
        // Coordinates beyond any map ("1e99") are held within int's range; the
        // map check then refuses them as off the map.
        const auto coordinate = [](const QString& text) {
            return int(std::clamp(leadingNumber(text), -1e9, 1e9));
        };
        const int x = coordinate(f[16]);
        const int y = coordinate(f[17]);
        if (f[2] == kInvalidColour) {
            if (int(table->samples.size()) >= kMaxSamples)
                return failure(path, QStringLiteral("問題のファイル「%1」の「無効色」の行が多すぎます（%2行まで）。")
                                         .arg(fileName).arg(kMaxSamples));
            table->samples.push_back({x, y});
            continue;
        }
        if (table->count() >= kMaxQuestions)
            return failure(path, QStringLiteral("問題のファイル「%1」の問題が多すぎます（%2問まで）。")
                                     .arg(fileName).arg(kMaxQuestions));
        Question q;
        q.region = f[1];
        q.name = f[2];
        q.reading = f[3];
        q.secondName = f[4];
        q.secondReading = f[5];
        for (int i = 1; i <= kRelatedSlots; ++i) q.related[size_t(i)] = f[5 + i];
        // The first "*" ends the related places: later fields count as "*" too.
        bool ended = false;
        for (int i = 1; i <= kRelatedSlots; ++i) {
            if (q.related[size_t(i)] == kStar || q.related[size_t(i)].isEmpty()) ended = true;
            if (ended) q.related[size_t(i)] = kStar;
        }
        q.seedX = x;
        q.seedY = y;
        q.displayName = displayNameOf(q.name, q.reading);
        q.secondDisplayName = displayNameOf(q.secondName, q.secondReading);
        if (q.secondName.isEmpty() || q.secondName == kStar) q.secondDisplayName = kStar;
        table->firstSorted << nameListEntry(q.displayName);
        if (q.secondDisplayName != kStar) table->secondSorted << nameListEntry(q.secondDisplayName);
        table->questions.push_back(q);
    }
    if (table->count() == 0)
        return failure(path, QStringLiteral("問題のファイル「%1」に問題がありません。").arg(fileName));

    // The truth file: without it only the questions' own slots are known true.
    const QString truthPath = truthFileFor(path);
    QString truthText;
    const FileStatus ts = readCp932File(truthPath, &truthText);
    if (ts != FileStatus::NotFound && ts != FileStatus::Ok) {
        *table = QuestionTable();
        return failure(truthPath, QStringLiteral("関係のファイル「%1」を読むことができません。")
                                      .arg(QFileInfo(truthPath).fileName()));
    }
    if (ts == FileStatus::Ok) {
        for (const QString& line : truthText.split(QLatin1Char('\n'))) {
            QStringList fields = line.split(QLatin1Char(','));
            for (QString& f : fields) f = f.trimmed();
            if (fields.size() < 2 || fields[0].isEmpty() || fields[0] == kStar) continue;
            QSet<QString>& places = table->truth[fields[0]];
            for (int i = 1; i < fields.size(); ++i)
                if (!fields[i].isEmpty()) places.insert(fields[i]);
        }
    }

    table->firstSorted << nameListHeadings();
    table->secondSorted << nameListHeadings();
    sortJapanese(&table->firstSorted);
    sortJapanese(&table->secondSorted);
    for (const QString& e : table->firstSorted) table->firstList << visibleListEntry(e);
    for (const QString& e : table->secondSorted) table->secondList << visibleListEntry(e);
    return {true, {}};
}

QImage mapImage(const QString& key)
{
    QImage img;
    if (imageSource())
        img = imageSource()(key);
    else
        img = QImage(QStringLiteral(":/maps/%1.png").arg(key));
    if (img.isNull()) return img;
    return img.convertToFormat(QImage::Format_RGB32);
}

void setMapImageSource(std::function<QImage(const QString&)> source) { imageSource() = std::move(source); }

LoadOutcome LoadQuestions(int level, LevelContent* content)
{
    *content = LevelContent();
    const QString file = dataFileForLevel(level);
    content->dataPath = state().AppFolder + file;
    if (file.isEmpty())
        return {false, problemText(content->dataPath, QStringLiteral("レベル%1の問題はありません。").arg(level))};
    LoadOutcome out = loadQuestionFile(content->dataPath, &content->table);
    if (!out.ok) return out;
    const QString key = mapKeyForLevel(level);
    content->map = mapImage(key);
    if (content->map.isNull())
        return {false, QStringLiteral("地図「%1」が見つかりません。\r\n先生を呼びなさい。").arg(key)};

    // Every question must point at an answer area of the map: a point off the
    // map, on the sea, on a black border or on a sample colour can never be
    // answered, and the run could then only end by running out of time.
    const QImage& map = content->map;
    auto inside = [&](int x, int y) { return x >= 0 && y >= 0 && x < map.width() && y < map.height(); };
    auto colourAt = [&](int x, int y) { return map.pixel(x, y) & 0xFFFFFFu; };
    QList<QRgb> noAnswer;
    if (inside(10, 10)) noAnswer << colourAt(10, 10);  // the sea
    noAnswer << 0u;                                  // borders
    for (const SamplePoint& p : content->table.samples)
        if (inside(p.x, p.y)) noAnswer << colourAt(p.x, p.y);
    const QString fileName = QFileInfo(content->dataPath).fileName();
    for (int i = 1; i <= content->table.count(); ++i) {
        const Question& q = content->table.at(i);
        if (inside(q.seedX, q.seedY) && !noAnswer.contains(colourAt(q.seedX, q.seedY))) continue;
        return failure(content->dataPath,
                       QStringLiteral("問題のファイル「%1」の「%2」の位置（%3, %4）が地図の上の答えの場所を指していません。")
                           .arg(fileName, q.name)
                           .arg(q.seedX)
                           .arg(q.seedY));
    }
    return out;
}

} // namespace karuvel
