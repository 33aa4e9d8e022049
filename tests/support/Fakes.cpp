#include "Fakes.h"

#include <QPainter>

namespace karuvel::test {

void FakeClock::waitResponsive(int ms)
{
    waitedMs += ms;
    advanceMs(ms);
    if (onWait) onWait(ms);
}

void FakeClock::after(int ms, QObject* context, std::function<void()> f)
{
    timers_.push_back({ticks + uint64_t(std::max(0, ms)), context, std::move(f)});
}

void FakeClock::advanceMs(int ms)
{
    current = current.addMSecs(ms);
    ticks += uint64_t(ms);
    for (;;) {
        auto due = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it)
            if (it->due <= ticks && (due == timers_.end() || it->due < due->due)) due = it;
        if (due == timers_.end()) return;
        Timer t = std::move(*due);
        timers_.erase(due);
        if (t.context) t.f();
    }
}

double FakeRandom::next()
{
    if (!queue.empty()) {
        double v = queue.front();
        queue.pop_front();
        return v;
    }
    s_ ^= s_ << 13;
    s_ ^= s_ >> 7;
    s_ ^= s_ << 17;
    return double(s_ >> 11) * (1.0 / 9007199254740992.0);
}

int FakeSoundPlayer::start(const QString& path, Ended ended)
{
    played.append(path);
    if (!results.empty()) {
        const int r = results.front();
        results.pop_front();
        if (r != 0) return r;
    }
    finish();  // a sound still playing is cut short
    ended_ = std::move(ended);
    if (endAtOnce) finish();
    return 0;
}

void FakeSoundPlayer::finish(int result)
{
    if (!ended_) return;
    Ended ended = std::move(ended_);
    ended_ = nullptr;
    ended(result);
}

bool FakePrinter::printDrawing(const std::function<void(QPainter&, const QRectF&)>& draw, double)
{
    QImage page(int(kPrintPageWidth), int(kPrintPageWidth * 1.414), QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    draw(p, QRectF(0, 0, page.width(), page.height()));
    p.end();
    drawings.push_back(page);
    return true;
}

FakePlatform::FakePlatform()
{
    saved_ = platform();
    Platform& p = platform();
    p.clock = &clock;
    p.random = &random;
    p.messages = &messages;
    p.programEnd = &programEnd;
    p.processes = &processes;
    p.sound = &sound;
    p.printer = &printer;
    p.folders = &folders;
    p.settings = &settings;
    resetState();
}

FakePlatform::~FakePlatform() { platform() = saved_; }

} // namespace karuvel::test
