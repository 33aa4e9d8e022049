#include "drill/KanaSearch.h"

#include <QHash>

namespace karuvel {

namespace {

// Romaji syllables (Hepburn and the school's kunrei spellings) as hiragana.
const QHash<QString, QString>& syllables()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        const char* pairs[][2] = {
            {"a", "あ"}, {"i", "い"}, {"u", "う"}, {"e", "え"}, {"o", "お"},
            {"ka", "か"}, {"ki", "き"}, {"ku", "く"}, {"ke", "け"}, {"ko", "こ"},
            {"ga", "が"}, {"gi", "ぎ"}, {"gu", "ぐ"}, {"ge", "げ"}, {"go", "ご"},
            {"sa", "さ"}, {"shi", "し"}, {"si", "し"}, {"su", "す"}, {"se", "せ"}, {"so", "そ"},
            {"za", "ざ"}, {"ji", "じ"}, {"zi", "じ"}, {"zu", "ず"}, {"ze", "ぜ"}, {"zo", "ぞ"},
            {"ta", "た"}, {"chi", "ち"}, {"ti", "ち"}, {"tsu", "つ"}, {"tu", "つ"}, {"te", "て"}, {"to", "と"},
            {"da", "だ"}, {"di", "ぢ"}, {"du", "づ"}, {"de", "で"}, {"do", "ど"},
            {"na", "な"}, {"ni", "に"}, {"nu", "ぬ"}, {"ne", "ね"}, {"no", "の"},
            {"ha", "は"}, {"hi", "ひ"}, {"fu", "ふ"}, {"hu", "ふ"}, {"he", "へ"}, {"ho", "ほ"},
            {"ba", "ば"}, {"bi", "び"}, {"bu", "ぶ"}, {"be", "べ"}, {"bo", "ぼ"},
            {"pa", "ぱ"}, {"pi", "ぴ"}, {"pu", "ぷ"}, {"pe", "ぺ"}, {"po", "ぽ"},
            {"ma", "ま"}, {"mi", "み"}, {"mu", "む"}, {"me", "め"}, {"mo", "も"},
            {"ya", "や"}, {"yu", "ゆ"}, {"yo", "よ"},
            {"ra", "ら"}, {"ri", "り"}, {"ru", "る"}, {"re", "れ"}, {"ro", "ろ"},
            {"wa", "わ"}, {"wo", "を"}, {"nn", "ん"}, {"n'", "ん"},
            {"kya", "きゃ"}, {"kyu", "きゅ"}, {"kyo", "きょ"}, {"gya", "ぎゃ"}, {"gyu", "ぎゅ"}, {"gyo", "ぎょ"},
            {"sha", "しゃ"}, {"shu", "しゅ"}, {"sho", "しょ"}, {"sya", "しゃ"}, {"syu", "しゅ"}, {"syo", "しょ"},
            {"ja", "じゃ"}, {"ju", "じゅ"}, {"jo", "じょ"}, {"zya", "じゃ"}, {"zyu", "じゅ"}, {"zyo", "じょ"},
            {"jya", "じゃ"}, {"jyu", "じゅ"}, {"jyo", "じょ"},
            {"cha", "ちゃ"}, {"chu", "ちゅ"}, {"cho", "ちょ"}, {"tya", "ちゃ"}, {"tyu", "ちゅ"}, {"tyo", "ちょ"},
            {"nya", "にゃ"}, {"nyu", "にゅ"}, {"nyo", "にょ"}, {"hya", "ひゃ"}, {"hyu", "ひゅ"}, {"hyo", "ひょ"},
            {"bya", "びゃ"}, {"byu", "びゅ"}, {"byo", "びょ"}, {"pya", "ぴゃ"}, {"pyu", "ぴゅ"}, {"pyo", "ぴょ"},
            {"mya", "みゃ"}, {"myu", "みゅ"}, {"myo", "みょ"}, {"rya", "りゃ"}, {"ryu", "りゅ"}, {"ryo", "りょ"},
            {"-", "ー"},
        };
        for (const auto& p : pairs) t.insert(QString::fromLatin1(p[0]), QString::fromUtf8(p[1]));
        return t;
    }();
    return table;
}

bool isVowel(QChar c) { return QStringLiteral("aiueo").contains(c); }

const QChar kHeadingDash(0xFF0D);  // "－"

// The plain kana of the first character of a reading: voiced and small kana
// as the kana they are written from (が → か, ゃ → や).
QChar plainKana(QChar c)
{
    static const QString voiced = QStringLiteral("がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽぁぃぅぇぉゃゅょっゎゔ");
    static const QString plain = QStringLiteral("かきくけこさしすせそたちつてとはひふへほはひふへほあいうえおやゆよつわう");
    const int i = voiced.indexOf(c);
    return i >= 0 ? plain[i] : c;
}

} // namespace

QString toHiragana(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() >= 0x30A1 && c.unicode() <= 0x30F6) c = QChar(c.unicode() - 0x60);
    return out;
}

KanaTyped romajiToHiragana(const QString& typed)
{
    const QString s = toHiragana(typed).toLower();
    KanaTyped r;
    int i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c.unicode() < 0x80 && c.isLetter()) {
            // A doubled consonant is a small "っ" (but "nn" is "ん").
            if (i + 1 < s.size() && s[i + 1] == c && !isVowel(c) && c != u'n') {
                r.kana += QStringLiteral("っ");
                ++i;
                continue;
            }
            bool matched = false;
            for (int len = 3; len >= 1 && !matched; --len) {
                if (i + len > s.size()) continue;
                const auto it = syllables().constFind(s.mid(i, len));
                if (it == syllables().constEnd()) continue;
                r.kana += it.value();
                i += len;
                matched = true;
            }
            if (matched) continue;
            // "n" before a consonant other than "y" is "ん".
            if (c == u'n' && i + 1 < s.size() && s[i + 1].unicode() < 0x80 && s[i + 1].isLetter() && !isVowel(s[i + 1])
                && s[i + 1] != u'y') {
                r.kana += QStringLiteral("ん");
                ++i;
                continue;
            }
            // Letters still waiting for their vowel: only at the end.
            r.pending = s.mid(i);
            return r;
        }
        if (c == u'-') r.kana += QStringLiteral("ー");
        else if (!c.isSpace()) r.kana += c;
        ++i;
    }
    return r;
}

QString readingOfEntry(const QString& visibleEntry)
{
    if (visibleEntry.isEmpty() || visibleEntry[0] == kHeadingDash) return {};
    const int open = visibleEntry.indexOf(QLatin1Char('('));
    if (open < 0) return {};
    const int close = visibleEntry.indexOf(QLatin1Char(')'), open);
    // A "＊" in a reading hides the rest of it on screen; it is no part of the reading.
    return toHiragana(visibleEntry.mid(open + 1, close < 0 ? -1 : close - open - 1).trimmed())
        .remove(QChar(0xFF0A));
}

namespace {
QString nameOfEntry(const QString& visibleEntry)
{
    const int open = visibleEntry.indexOf(QLatin1Char('('));
    return (open < 0 ? visibleEntry : visibleEntry.left(open)).trimmed();
}

int firstStartingWith(const QStringList& entries, const QString& kana, const QString& raw)
{
    for (int row = 0; row < entries.size(); ++row) {
        const QString& e = entries[row];
        if (e.isEmpty() || e[0] == kHeadingDash) continue;
        if (!kana.isEmpty() && (readingOfEntry(e).startsWith(kana) || toHiragana(nameOfEntry(e)).startsWith(kana)))
            return row;
        if (!raw.isEmpty() && nameOfEntry(e).startsWith(raw)) return row;
    }
    return -1;
}
} // namespace

int findByReading(const QStringList& visibleEntries, const QString& typed)
{
    const QString raw = typed.trimmed();
    if (raw.isEmpty()) return -1;
    const KanaTyped k = romajiToHiragana(raw);
    if (k.pending == QStringLiteral("n")) {
        const int withN = firstStartingWith(visibleEntries, k.kana + QStringLiteral("ん"), QString());
        if (withN >= 0) return withN;
    }
    if (k.kana.isEmpty()) {
        // Only a consonant so far: the first name whose reading may start with it.
        const QString prefix = k.pending.left(1);
        for (int row = 0; row < visibleEntries.size(); ++row) {
            const QString reading = readingOfEntry(visibleEntries[row]);
            if (reading.isEmpty()) continue;
            const KanaTyped asTyped = romajiToHiragana(prefix + QStringLiteral("a"));
            if (sectionOfReading(reading) == sectionOfReading(asTyped.kana)) return row;
        }
        return -1;
    }
    // A name written as it is (kanji from an input method) is found by its name too.
    return firstStartingWith(visibleEntries, k.kana, raw);
}

const QStringList& kanaSections()
{
    static const QStringList s = {QStringLiteral("あ"), QStringLiteral("か"), QStringLiteral("さ"), QStringLiteral("た"),
                                  QStringLiteral("な"), QStringLiteral("は"), QStringLiteral("ま"), QStringLiteral("や"),
                                  QStringLiteral("ら"), QStringLiteral("わ")};
    return s;
}

int sectionOfReading(const QString& reading)
{
    if (reading.isEmpty()) return -1;
    static const QString rows[] = {QStringLiteral("あいうえお"), QStringLiteral("かきくけこ"), QStringLiteral("さしすせそ"),
                                   QStringLiteral("たちつてと"), QStringLiteral("なにぬねの"), QStringLiteral("はひふへほ"),
                                   QStringLiteral("まみむめも"), QStringLiteral("やゆよ"),     QStringLiteral("らりるれろ"),
                                   QStringLiteral("わをん")};
    const QChar c = plainKana(toHiragana(reading)[0]);
    for (int i = 0; i < 10; ++i)
        if (rows[i].contains(c)) return i;
    return -1;
}

int firstOfSection(const QStringList& visibleEntries, int section)
{
    int best = -1, bestSection = 99;
    for (int row = 0; row < visibleEntries.size(); ++row) {
        const int s = sectionOfReading(readingOfEntry(visibleEntries[row]));
        if (s < section || s >= bestSection) continue;
        best = row;
        bestSection = s;
        if (s == section) break;
    }
    return best;
}

} // namespace karuvel
