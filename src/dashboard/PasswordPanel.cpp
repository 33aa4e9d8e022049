#include "dashboard/PasswordPanel.h"

#include "frame/Layout.h"
#include "frame/Navigator.h"
#include "platform/Platform.h"
#include "state/ProgramState.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace karuvel {

namespace {
// In the middle of the frame, over the level columns.
constexpr Placement kPasswordLayout[] = {
    {"Picture7", -1, {292, 240, 440, 236}},
    {"Label2", -1, {0, 14, 440, 30}, 15, true},
    {"Text3", -1, {70, 56, 300, 36}, 14},
    {"Command10", 0, {20, 112, 196, 48}, 12, true},
    {"Command10", 1, {224, 112, 196, 48}, 12, true},
    {"Command12", -1, {150, 172, 140, 44}, 12, true},
};
} // namespace

PasswordPanel::PasswordPanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Picture7"));
    setFrameShape(QFrame::Box);
    setLineWidth(2);
    setAutoFillBackground(true);
    {
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(230, 230, 255));
        setPalette(p);
    }
    auto* caption = named(new QLabel(QStringLiteral("データ変更パスワード"), this), QStringLiteral("Label2"));
    caption->setAlignment(Qt::AlignCenter);
    Text3 = named(new QLineEdit(this), QStringLiteral("Text3"));
    Text3->setEchoMode(QLineEdit::Password);
    const QStringList captions = {QStringLiteral("データ変更"), QStringLiteral("合格タイムデータ変更")};
    for (int k = 0; k < 2; ++k) {
        Command10[size_t(k)] = named(new QPushButton(captions[k], this), QStringLiteral("Command10"), k);
        connect(Command10[size_t(k)], &QPushButton::clicked, this, [this, k] { Command10_Click(k); });
    }
    Command10[0]->setToolTip(QStringLiteral("成績のデータを直したり消したりします"));
    Command10[1]->setToolTip(QStringLiteral("レベルごとの合格タイムや回数を変更します"));
    Command12 = named(new QPushButton(QStringLiteral("戻る"), this), QStringLiteral("Command12"));
    connect(Command12, &QPushButton::clicked, this, [this] { Command12_Click(); });

    place(this, kPasswordLayout[0]);
    layOut(this, std::span(kPasswordLayout).subspan(1));
    hide();
}

void PasswordPanel::open()
{
    show();
    raise();
    Text3->setFocus();
}

void PasswordPanel::closeAndClear()
{
    hide();
    Text3->clear();
}

void PasswordPanel::Command12_Click() { hide(); }

void PasswordPanel::Command10_Click(int member)
{
    if (member < 0 || member > 1 || !isVisible()) return;
    ProgramState& s = state();
    if (Text3->text() != s.DataChangePassword.toText()) {
        // An empty box asks for the password; a wrong one says so, and the box
        // is emptied for the next try (what was typed cannot be seen anyway).
        const bool typed = !Text3->text().isEmpty();
        messages().inform(s.ProgramTitle, typed ? QStringLiteral("パスワードが違います。\r\nもう一度入力して下さい。")
                                                : QStringLiteral("パスワードを入力して下さい"));
        Text3->clear();
        Text3->setFocus();
        return;
    }
    const ScreenId target = member == 0 ? ScreenId::RecordsManager : ScreenId::CriteriaEditor;
    if (!screens::show(target)) {
        // Told, not passed over: the teacher stays on the dashboard.
        messages().inform(QStringLiteral("エラー"), QStringLiteral("データ変更の画面を開くことができません。"));
        return;
    }
    hide();
    emit teacherWindowShown();
}

} // namespace karuvel
