#include "Fakes.h"

#include <QPainter>

namespace karuvel::test {

void FakeClock::waitResponsive(int ms)
{
    waitedMs += ms;
    advanceMs(ms);
    if (onWait) onWait(ms);
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

int FakeSoundPlayer::play(const QString& path)
{
    played.append(path);
    if (results.empty()) return 0;
    int r = results.front();
    results.pop_front();
    return r;
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
    resetState();
}

FakePlatform::~FakePlatform() { platform() = saved_; }

} // namespace karuvel::test
