#pragma once
// Finding a name in the drill's name lists by its reading, as a child types
// it: in kana through an input method, or in romaji on a plain keyboard
// ("ten" and "てん" both find 天竜川(てんりゅうがわ)), and the kana-section
// buttons (あ か さ た な は ま や ら わ) that jump to the first name of a
// section. Plain functions over the lists' visible entries, "name (reading)"
// or a heading "－－か－－".
#include <QString>
#include <QStringList>

namespace karuvel {

// Romaji typed so far, as hiragana: what could be converted, and the letters
// at the end still waiting for their vowel ("tenr" gives "てん" and "r").
// Katakana and hiragana pass through as hiragana; a long-vowel "-" is "ー".
struct KanaTyped {
    QString kana;
    QString pending;
};
KanaTyped romajiToHiragana(const QString& typed);

// Katakana as hiragana; other characters as they are.
QString toHiragana(const QString& text);

// The reading of a visible list entry (the text in its brackets, as
// hiragana), or an empty text for a heading or a name without one.
QString readingOfEntry(const QString& visibleEntry);

// The first entry (not a heading) whose reading begins with what was typed,
// or whose name does (a name committed by an input method); -1 when none.
// A single "n" left at the end is read as "ん" when some reading goes on so.
int findByReading(const QStringList& visibleEntries, const QString& typed);

// The kana sections of the buttons, in their order.
const QStringList& kanaSections();
// The section (0 = あ .. 9 = わ) of a reading's first kana; -1 for none.
int sectionOfReading(const QString& reading);
// The first entry of a section, or of the next section that has one; -1 when
// no entry stands in that section or after it.
int firstOfSection(const QStringList& visibleEntries, int section);

} // namespace karuvel
