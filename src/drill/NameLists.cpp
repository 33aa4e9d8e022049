#include "drill/NameLists.h"

#include "drill/KanaSearch.h"
#include "drill/Questions.h"
#include "platform/Platform.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace karuvel {

namespace {
constexpr uint64_t kTypingPauseMs = 1500;  // a pause this long starts a new search
}

ChoiceList::ChoiceList(QWidget* parent) : QListWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, true);
}

bool ChoiceList::isHeadingRow(int row) const
{
    return row >= 0 && row < count() && isHeadingEntry(item(row)->text());
}

QStringList ChoiceList::entries() const
{
    QStringList out;
    out.reserve(count());
    for (int i = 0; i < count(); ++i) out << item(i)->text();
    return out;
}

bool ChoiceList::jumpTo(int row)
{
    if (row < 0 || row >= count() || isHeadingRow(row)) return false;
    setCurrentRow(row);
    // The section's heading above it stays in sight.
    scrollToItem(item(row > 0 && isHeadingRow(row - 1) ? row - 1 : row), QAbstractItemView::PositionAtTop);
    emit picked(row);
    return true;
}

bool ChoiceList::jumpToSection(int section) { return jumpTo(firstOfSection(entries(), section)); }

void ChoiceList::keyboardSearch(const QString& search)
{
    if (search.isEmpty()) return;
    const uint64_t now = clock().tickMs();
    if (now - lastTypedMs_ > kTypingPauseMs) typed_.clear();
    lastTypedMs_ = now;
    typed_ += search;
    const int row = findByReading(entries(), typed_);
    if (row >= 0) jumpTo(row);  // chosen even when it was the current row already
}

void ChoiceList::inputMethodEvent(QInputMethodEvent* e)
{
    // Kana (or a name) committed by an input method searches as typing does.
    if (!e->commitString().isEmpty()) keyboardSearch(e->commitString());
    e->accept();
}

QModelIndex ChoiceList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    QModelIndex to = QListWidget::moveCursor(action, modifiers);
    // Headings are passed over, in the direction of the move.
    const bool up = action == MoveUp || action == MovePageUp || action == MoveHome || action == MovePrevious;
    int row = to.row();
    while (isHeadingRow(row)) row += up ? -1 : 1;
    if (row < 0 || row >= count()) {
        // Nothing beyond the heading: step back the other way.
        row = to.row();
        while (isHeadingRow(row)) row += up ? 1 : -1;
    }
    return row >= 0 && row < count() ? model()->index(row, 0) : currentIndex();
}

void ChoiceList::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        const int row = currentRow();
        if (row >= 0 && !isHeadingRow(row)) {
            emit picked(row);
            emit confirmed(row);
            focusNextChild();
        }
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Backspace) {
        typed_.chop(1);
        e->accept();
        return;
    }
    const int before = currentRow();
    QListWidget::keyPressEvent(e);
    const int after = currentRow();
    // Moving onto a row with the arrow or Page keys chooses it, as a click
    // does (a row found by typing was chosen by keyboardSearch).
    const bool typing = !e->text().isEmpty() && e->text()[0].isPrint();
    if (!typing && after != before && after >= 0 && !isHeadingRow(after)) emit picked(after);
}

KanaButtons::KanaButtons(ChoiceList* list, const QString& name, QWidget* parent) : QWidget(parent), list_(list)
{
    setObjectName(name);
    for (int i = 0; i < kanaSections().size(); ++i) {
        auto* b = new QPushButton(kanaSections()[i], this);
        b->setObjectName(QStringLiteral("%1(%2)").arg(name).arg(i));
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::PointingHandCursor);
        b->setToolTip(kanaSections()[i] + QStringLiteral("行へ"));
        b->setStyleSheet(QStringLiteral("QPushButton { background: #fff0c0; border: 1px solid #a08040; color: #603000;"
                                        " font-weight: bold; padding: 0; }"
                                        "QPushButton:pressed { background: #ffd060; }"
                                        "QPushButton:disabled { color: #c0c0c0; border-color: #d0d0d0; }"));
        connect(b, &QPushButton::clicked, this, [this, i] {
            if (list_->jumpToSection(i)) list_->setFocus();
        });
        buttons_ << b;
    }
    list_->installEventFilter(this);
    hide();  // until its list shows
    setEnabled(list_->isEnabled());
}

void KanaButtons::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    const int n = int(buttons_.size());
    if (n == 0) return;
    QFont f = font();
    f.setPixelSize(std::max(12, std::min(height() - 10, width() / n - 8)));
    for (int i = 0; i < n; ++i) {
        const int x0 = width() * i / n, x1 = width() * (i + 1) / n;
        buttons_[i]->setGeometry(x0, 0, x1 - x0 - 1, height());
        buttons_[i]->setFont(f);
    }
}

bool KanaButtons::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == list_) {
        switch (e->type()) {
        case QEvent::Show: show(); break;
        case QEvent::Hide: hide(); break;
        case QEvent::EnabledChange: setEnabled(list_->isEnabled()); break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace karuvel
