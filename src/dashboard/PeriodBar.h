#pragma once
// A period chooser for the teachers' views: "今学期", "今月", "期間を指定"
// (with its first and last day) or "全部". The rule behind it is Periods.h.
#include "dashboard/Periods.h"

#include <QWidget>

class QComboBox;
class QDateEdit;

namespace karuvel {

class PeriodBar : public QWidget {
    Q_OBJECT
public:
    // `name` prefixes the objectNames of the controls ("SheetPeriod" gives
    // SheetPeriodChoice, SheetPeriodFrom, SheetPeriodTo).
    PeriodBar(const QString& name, PeriodChoice initial, QWidget* parent = nullptr);

    QComboBox* Choice;
    QDateEdit* From;
    QDateEdit* To;

    PeriodChoice choice() const;
    void setChoice(PeriodChoice choice);
    // The period chosen, on the platform clock's today.
    Period period() const;

signals:
    void changed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOutControls();
};

} // namespace karuvel
