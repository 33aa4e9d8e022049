#pragma once
// A click that arrives through the event queue, as a user's click does while
// the program waits with the screen kept responsive: the handler it starts
// runs nested inside the event processing of that wait (QTest's clicks are
// delivered at once instead, outside any event processing).
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

namespace karuvel::test {

inline void postClick(QWidget* w)
{
    const QPointF at = QRectF(w->rect()).center();
    const QPointF global = w->mapToGlobal(at);
    QCoreApplication::postEvent(
        w, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        w, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

// The event processing of a responsive wait: several turns of the event
// loop, so that what one turn posts (a deferred deletion) also comes round.
inline void keepResponsive()
{
    for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
}

} // namespace karuvel::test
