#pragma once
// The question set of a level: the data file beside the program, the map
// image built into the program, the question table and the two name lists.
#include <QHash>
#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace karuvel {

constexpr int kMaxQuestions = 100;
constexpr int kMaxSamples = 10;
constexpr int kRelatedSlots = 10;

struct Question {
    QString region;
    QString name;
    QString reading;
    QString secondName;
    QString secondReading;
    std::array<QString, kRelatedSlots + 1> related{};  // 1..10, index 0 unused
    int seedX = 0;
    int seedY = 0;
    QString displayName;
    QString secondDisplayName;  // "*" when the place has no second name

    // Related 1 onward up to the first "*".
    QStringList relatedPlaces() const;
    int relatedCount() const { return int(relatedPlaces().size()); }
};

struct SamplePoint {
    int x = 0;
    int y = 0;
};

struct QuestionTable {
    std::vector<Question> questions = std::vector<Question>(1);  // index 0 unused
    std::vector<SamplePoint> samples;                             // in file order
    // Sorting lists (whole entries, sorted) and the visible lists cut from them.
    QStringList firstSorted, secondSorted;
    QStringList firstList, secondList;
    // The full truth of the related places, from the truth file beside the
    // question file: a related place -> the names of all questions it is true
    // of, also those whose ten slots do not show it. Empty without the file.
    QHash<QString, QSet<QString>> truth;

    int count() const { return int(questions.size()) - 1; }
    const Question& at(int i) const { return questions[size_t(i)]; }
    // True when the related place is true of question i: one of its own
    // related places, or named for it by the truth file.
    bool isTrueOf(const QString& related, int i) const;
};

// The truth file of a question file: "関係" + its name, in the same folder.
QString truthFileFor(const QString& questionFilePath);

// The data file and the map image key of a level; empty for a level without map.
QString dataFileForLevel(int level);
QString mapKeyForLevel(int level);

// Name + "(" + reading + ")", or the name alone when the reading is "*".
QString displayNameOf(const QString& name, const QString& reading);
// The shown form of a display name: the name alone when the reading's second
// character is "＊", otherwise the whole display name.
QString ShownForm(const QString& displayName);

// The sorting-list entry of a display name: the reading's first kana, a space,
// the name, eleven spaces and the reading in parentheses. A name without a
// reading is filed under its own first character and kept whole.
QString nameListEntry(const QString& displayName);
// The visible form of a sorting-list entry (its first two characters removed).
QString visibleListEntry(const QString& entry);
// The eight kana headings of the name lists.
const QStringList& nameListHeadings();
// Sorts entries in Japanese order so that each heading comes before the names
// read with its row (voiced kana, katakana and small kana alike).
void sortJapanese(QStringList* entries);
// True when the visible entry is a heading ("－－か－－").
bool isHeadingEntry(const QString& visibleEntry);

// Outcome of loading a data file.
struct LoadOutcome {
    bool ok = false;
    QString message;  // Japanese, names the file; empty when ok
};

// Reads a data file (CP932) into the table and builds both name lists; then
// the truth file beside it, when there is one (CP932, CR LF; a record per
// line: a related place, then the names of the questions it is true of).
LoadOutcome loadQuestionFile(const QString& path, QuestionTable* table);

// The map image of a key: the built-in resource ":/maps/<key>.png" as 32-bit
// RGB, or a null image when it is not there.
QImage mapImage(const QString& key);
// Tests put their own images in place of the built-in ones (nullptr restores).
void setMapImageSource(std::function<QImage(const QString& key)> source);

// Everything a level brings: the table and the map.
struct LevelContent {
    QuestionTable table;
    QImage map;
    QString dataPath;
};

// Loads the level's data file from AppFolder and its map image.
LoadOutcome LoadQuestions(int level, LevelContent* content);

} // namespace karuvel
