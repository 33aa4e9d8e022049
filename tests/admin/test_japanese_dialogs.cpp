// The toolkit's own dialogs that a teacher meets (the message boxes' buttons,
// the folder chooser of the CSV and PDF exports), walked as they are shown
// with the program's translations loaded: no English text is left on them.
#include "Fakes.h"
#include "platform/Platform.h"
#include "platform/QtJapanese.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

// Every text of a dialog a person can see (or read on hovering).
QStringList textsOf(QWidget* dialog)
{
    QStringList texts{dialog->windowTitle()};
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        texts << w->toolTip();
        if (auto* l = qobject_cast<QLabel*>(w)) texts << l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) texts << b->text();
        if (auto* e = qobject_cast<QLineEdit*>(w)) texts << e->placeholderText();
        if (auto* h = qobject_cast<QHeaderView*>(w)) {
            for (int i = 0; i < h->count(); ++i)
                if (!h->isSectionHidden(i))
                    texts << h->model()->headerData(i, h->orientation(), Qt::DisplayRole).toString();
        }
        if (auto* c = qobject_cast<QComboBox*>(w)) {
            // The file-type chooser's entries; the "look in" list holds folder paths.
            if (!c->objectName().contains(QStringLiteral("lookIn")))
                for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
        }
    }
    return texts;
}

// The English words among the texts ("OK" is how Japanese dialogs say it too).
QStringList englishIn(const QStringList& texts)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    QStringList found;
    for (const QString& t : texts) {
        QString plain = t;
        plain.remove(QRegularExpression(QStringLiteral("<[^>]*>")));  // rich-text tags are not shown
        for (auto it = word.globalMatch(plain); it.hasNext();) {
            const QString w = it.next().captured();
            // "OK", and the names of the file kinds the program itself writes.
            if (w != QStringLiteral("OK") && w != QStringLiteral("CSV") && w != QStringLiteral("PDF")) found << w + QStringLiteral(" (in \"") + t + QStringLiteral("\")");
        }
    }
    return found;
}

// Runs `show` (which opens a modal dialog and waits for it) and reads the
// dialog's texts once it is up, then closes it.
QStringList walk(const std::function<void()>& show)
{
    QStringList texts;
    bool seen = false;
    std::function<void()> look = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            QTimer::singleShot(10, look);
            return;
        }
        QApplication::processEvents();
        seen = true;
        texts = textsOf(modal);
        if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
    };
    QTimer::singleShot(0, look);
    show();
    EXPECT_TRUE(seen);
    return texts;
}

} // namespace

TEST(JapaneseDialogs, NoEnglishInTheToolkitsDialogsATeacherMeets)
{
    test::FakePlatform fakes;
    ASSERT_TRUE(installQtJapanese(QCoreApplication::instance()))
        << "qtbase_ja.qm not found in " << qtTranslationsFolder().toStdString();
    const Platform saved = platform();
    installRealPlatform();
    Platform& real = platform();

    struct Case {
        const char* what;
        std::function<void()> show;
    };
    const Case cases[] = {
        {"the deletion question (OK / Cancel)",
         [&] { real.messages->confirm(QStringLiteral("注意"), QStringLiteral("本当に消去しますか"), ConfirmButtons::OkCancel); }},
        {"the save question (Yes / No)",
         [&] { real.messages->confirm(QStringLiteral("注意"), QStringLiteral("記録しますか？"), ConfirmButtons::YesNo); }},
        {"a message", [&] { real.messages->inform(QStringLiteral("エラー"), QStringLiteral("パスワードが違います。")); }},
        {"the folder chooser of the exports",
         [&] { real.folders->chooseFolder(QStringLiteral("CSVファイルを保存するフォルダーを選んで下さい"), QDir::tempPath()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList texts = walk(c.show);
        EXPECT_FALSE(texts.join(QString()).isEmpty());
        const QStringList english = englishIn(texts);
        EXPECT_TRUE(english.isEmpty()) << english.join(QStringLiteral(", ")).toStdString();
    }
    platform() = saved;
}
