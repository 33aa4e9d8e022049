#include "frame/DateWatch.h"

#include "platform/Platform.h"

#include <QTimer>

namespace karuvel {

namespace {
constexpr int kPollMs = 60000;
}

DateWatch::DateWatch(QObject* parent) : QObject(parent), timer_(new QTimer(this)), counted_(clock().today())
{
    timer_->setInterval(kPollMs);
    connect(timer_, &QTimer::timeout, this, &DateWatch::poll);
    timer_->start();
}

void DateWatch::restart() { counted_ = clock().today(); }

void DateWatch::poll()
{
    const QDate today = clock().today();
    if (today == counted_) return;
    counted_ = today;
    emit dayChanged();
}

} // namespace karuvel
