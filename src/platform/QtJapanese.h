#pragma once
// Qt's own texts in Japanese: the buttons of the message boxes ("キャンセル"),
// the folder chooser ("フォルダー", "選択") and the rest of the toolkit's
// dialogs, from the toolkit's translations (Debian: qt6-translations-l10n).
class QCoreApplication;
class QString;

namespace karuvel {

// Loads the toolkit's Japanese translations into the application and makes
// Japanese the default locale; false (the English texts stay) when the
// translation files cannot be found.
bool installQtJapanese(QCoreApplication* app);

// The folder the translations were looked for in first.
QString qtTranslationsFolder();

} // namespace karuvel
