#pragma once
// Notices the change of date (midnight) on the program's clock, for a screen
// that shows "today's" figures and may be left open across midnight (the name
// list, the dashboard). A timer looks at the clock once a minute; poll() looks
// at once (tests move the fake clock and call it).
#include <QDate>
#include <QObject>

class QTimer;

namespace karuvel {

class DateWatch : public QObject {
    Q_OBJECT
public:
    explicit DateWatch(QObject* parent);
    // The figures shown are those of today now (the screen has just counted them).
    void restart();
    // Looks at the clock; emits dayChanged once when the date is another than
    // the one the figures were counted for.
    void poll();

signals:
    void dayChanged();

private:
    QTimer* timer_ = nullptr;
    QDate counted_;
};

} // namespace karuvel
