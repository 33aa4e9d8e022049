#pragma once
// namesel: the first screen after start-up and the screen the dashboard goes
// back to. A pupil finds their name in the list (narrowed by grade, with one
// of four kinds of figures) and signs in; the menu button leaves for the
// school's program menu.
#include "frame/Screen.h"

#include <QStringList>
#include <array>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace karuvel {

class DateWatch;

class namesel : public Screen {
    Q_OBJECT
public:
    namesel();

    // Each time the window is shown: figures "ポイント", filter "全学年", a
    // fresh list, the dashboard closed.
    void activate() override;

    // Builds the name list from the recounted results and the roster.
    void 名簿表示();

    void Option1_Click(int index);  // a kind of figures chosen: the list built again
    void Combo1_Click();            // a grade chosen: the list built again for it
    void List1_Click();             // a name chosen: shown in Label1, its number kept in Label2
    void List1_DblClick();          // a name chosen and signed in at once
    // Enter or space in the list signs in. True when the key was used.
    bool List1_KeyPress(int key);
    // The window sees every key first: "1" signs in, "0" leaves for the menu.
    bool Form_KeyPress(const QString& text);
    void Command14_Click();  // "O.K.": signs the chosen pupil in (the dashboard follows)
    void Command7_Click();   // leaves for the school's program menu
    void Label4_Click();     // the title pressed: the version window

    // The program menu this program hands over to.
    static QString programMenuPath();

    QLabel* Label4;        // the program's title; pressed, it opens the version window
    QListWidget* List1;    // the names, one a line with the chosen figures
    QComboBox* Combo1;     // grade filter ("全学年" or one grade)
    std::array<QRadioButton*, 4> Option1{};  // the kind of figures in the list, members 0..3
    QLabel* Label1;        // the name chosen ("名前を選びなさい" until then)
    QLabel* Label2;        // hidden: the chosen pupil's number
    QPushButton* Command14;  // "O.K.": sign in
    QPushButton* Command7;   // "ﾌﾟﾟﾛｸﾞﾗﾑメニューへ(0)": the school's program menu
    QWidget* Picture5;     // the wait cover while the list is built
    QLabel* Label19;       // the cover's "しばらくお待ちください。"
    QLabel* Label3;        // over the list: the kind of figures shown
    QLabel* Label5;        // over the list: the heads of its columns

    // The hidden list parallel to List1: line i - 1 carries the number of the
    // pupil on List1 line i after its "*".
    QStringList List3;

    int DisplayMode = 0;
    int RosterRetries = 0;
    // Rebuilds the list at midnight: its "today" figures are another day's.
    DateWatch* dayWatch = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void showCover();
    void updateListCaption();
    bool building_ = false;
    QString filterInUse_;  // the grade filter of the list being built
};

} // namespace karuvel
