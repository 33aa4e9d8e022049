#include "frame/FirstFrame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <memory>
#include <vector>

namespace karuvel {

namespace {

// Watches the paints of the whole program until one is of its window (of any
// window without one), then runs what waits for that frame, in the order it
// was asked for. Its window owns it, so nothing is left to run once the window
// is gone; without a window the program owns it.
class FirstFrameWatch : public QObject {
public:
    explicit FirstFrameWatch(QWidget* window)
        : QObject(window ? static_cast<QObject*>(window) : qApp), window_(window)
    {
        setObjectName(QStringLiteral("firstFrameWatch"));
        qApp->installEventFilter(this);
    }

    void add(std::function<void()> then, int latestMs)
    {
        auto waiting = std::make_shared<Waiting>(Waiting{std::move(then)});
        waiting_.push_back(waiting);
        if (latestMs >= 0) QTimer::singleShot(latestMs, this, [waiting] { waiting->run(); });
    }

    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() != QEvent::Paint || painted_ || !o->isWidgetType() ||
            (window_ && static_cast<QWidget*>(o)->window() != window_))
            return false;
        painted_ = true;
        qApp->removeEventFilter(this);
        setObjectName(QString());  // what is asked from now on waits for a watch of its own
        // After the paint: the frame is on the screen once the event that painted it is done.
        QTimer::singleShot(0, this, [this] {
            const auto waiting = std::move(waiting_);
            deleteLater();
            for (const auto& w : waiting) w->run();
        });
        return false;
    }

private:
    struct Waiting {
        std::function<void()> then;
        bool done = false;
        void run()
        {
            if (done) return;
            done = true;
            then();
        }
    };

    QWidget* window_;
    std::vector<std::shared_ptr<Waiting>> waiting_;
    bool painted_ = false;
};

} // namespace

void afterFirstFrame(QWidget* window, std::function<void()> then, int latestMs)
{
    QObject* owner = window ? static_cast<QObject*>(window) : qApp;
    auto* watch = static_cast<FirstFrameWatch*>(
        owner->findChild<QObject*>(QStringLiteral("firstFrameWatch"), Qt::FindDirectChildrenOnly));
    if (!watch) watch = new FirstFrameWatch(window);
    watch->add(std::move(then), latestMs);
}

} // namespace karuvel
