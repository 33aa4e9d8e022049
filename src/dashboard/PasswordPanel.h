#pragma once
// Picture7, the teacher's password panel of the dashboard ("データ処理"):
// with the data-change password it opens the records manager or the criteria
// editor in the dashboard's place.
#include <QFrame>

#include <array>

class QLineEdit;
class QPushButton;

namespace karuvel {

class PasswordPanel : public QFrame {
    Q_OBJECT
public:
    explicit PasswordPanel(QWidget* parent = nullptr);

    QLineEdit* Text3 = nullptr;               // password box
    std::array<QPushButton*, 2> Command10{};  // 0 "データ変更" (records manager), 1 "合格タイムデータ変更" (criteria editor)
    QPushButton* Command12 = nullptr;         // "戻る": hides the panel

    // Shows the panel in front, the password box taking the keys.
    void open();
    // Hides the panel and forgets the password typed.
    void closeAndClear();

    void Command10_Click(int member); // checks the password and opens the teacher window
    void Command12_Click();           // "戻る"

signals:
    // A teacher window was shown; the dashboard gives way to it.
    void teacherWindowShown();
};

} // namespace karuvel
