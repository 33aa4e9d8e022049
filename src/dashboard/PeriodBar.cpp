#include "dashboard/PeriodBar.h"

#include "platform/Platform.h"
#include "state/ProgramState.h"

#include <QComboBox>
#include <QDateEdit>
#include <QResizeEvent>
#include <QSignalBlocker>

namespace karuvel {

namespace {
constexpr PeriodChoice kChoices[] = {PeriodChoice::ThisTerm, PeriodChoice::ThisMonth, PeriodChoice::Range,
                                     PeriodChoice::Everything};
}

PeriodBar::PeriodBar(const QString& name, PeriodChoice initial, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    Choice = new QComboBox(this);
    Choice->setObjectName(name + QStringLiteral("Choice"));
    for (PeriodChoice c : kChoices) Choice->addItem(periodChoiceText(c), int(c));
    From = new QDateEdit(this);
    From->setObjectName(name + QStringLiteral("From"));
    To = new QDateEdit(this);
    To->setObjectName(name + QStringLiteral("To"));
    const QDate today = clock().today();
    for (QDateEdit* d : {From, To}) {
        d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        d->setCalendarPopup(true);
    }
    From->setDate(today.addMonths(-3));
    To->setDate(today);
    setChoice(initial);
    connect(Choice, &QComboBox::currentIndexChanged, this, [this] {
        const Period p = period();
        // The dates show the period chosen; they are typed into for a range of one's own.
        if (choice() != PeriodChoice::Range && p.from.isValid()) {
            const QSignalBlocker a(From), b(To);
            From->setDate(p.from);
            To->setDate(p.to.isValid() ? p.to : clock().today());
        }
        From->setEnabled(choice() == PeriodChoice::Range);
        To->setEnabled(choice() == PeriodChoice::Range);
        emit changed();
    });
    connect(From, &QDateEdit::dateChanged, this, [this] {
        if (choice() == PeriodChoice::Range) emit changed();
    });
    connect(To, &QDateEdit::dateChanged, this, [this] {
        if (choice() == PeriodChoice::Range) emit changed();
    });
    layOutControls();
}

PeriodChoice PeriodBar::choice() const { return PeriodChoice(Choice->currentData().toInt()); }

void PeriodBar::setChoice(PeriodChoice c)
{
    const int i = Choice->findData(int(c));
    if (i >= 0) Choice->setCurrentIndex(i);
    From->setEnabled(c == PeriodChoice::Range);
    To->setEnabled(c == PeriodChoice::Range);
    const Period p = period();
    if (c != PeriodChoice::Range && p.from.isValid()) {
        const QSignalBlocker a(From), b(To);
        From->setDate(p.from);
        To->setDate(p.to);
    }
}

Period PeriodBar::period() const
{
    return periodOf(choice(), clock().today(), state().SchoolYearStartMonth.toInt(), From->date(), To->date());
}

void PeriodBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOutControls();
}

void PeriodBar::layOutControls()
{
    const int h = height();
    const int choiceWidth = std::min(110, width() / 3);
    const int dateWidth = (width() - choiceWidth - 8) / 2;
    Choice->setGeometry(0, 0, choiceWidth, h);
    From->setGeometry(choiceWidth + 4, 0, dateWidth, h);
    To->setGeometry(choiceWidth + 8 + dateWidth, 0, dateWidth, h);
}

} // namespace karuvel
