#pragma once
// The drill's choice lists worked from the keyboard as well as the mouse:
// arrows and Page keys move (over the headings), Enter chooses and goes on
// to the next control (Tab moves too), and typing a reading in kana or
// romaji finds the first name read so (KanaSearch.h). Beside a name list, a
// row of kana-section buttons jumps to a section.
#include <QListWidget>
#include <QWidget>

#include <cstdint>

class QPushButton;

namespace karuvel {

class ChoiceList : public QListWidget {
    Q_OBJECT
public:
    explicit ChoiceList(QWidget* parent);
    // Makes the row current and shows it at the top, as the kana buttons and
    // typing do; a row that is a heading or out of range changes nothing.
    // Returns whether it moved.
    bool jumpTo(int row);
    // Jumps to the first name of a kana section (0 = あ .. 9 = わ).
    bool jumpToSection(int section);
    // The visible entries, in order.
    QStringList entries() const;
    // What has been typed for the current search (cleared after a pause).
    const QString& typed() const { return typed_; }

    void keyboardSearch(const QString& search) override;

signals:
    // A row chosen from the keyboard (moved onto, or Enter): as a click.
    void picked(int row);
    // Enter on a chosen row: the choice is made, the next control may come.
    void confirmed(int row);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    bool isHeadingRow(int row) const;
    QString typed_;
    uint64_t lastTypedMs_ = 0;
};

// The row of kana-section buttons (あ か さ た な は ま や ら わ) of a list: it
// stands and hides, and is enabled, with its list.
class KanaButtons : public QWidget {
    Q_OBJECT
public:
    KanaButtons(ChoiceList* list, const QString& name, QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    ChoiceList* list_;
    QList<QPushButton*> buttons_;
};

} // namespace karuvel
