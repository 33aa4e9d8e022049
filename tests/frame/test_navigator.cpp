// Closing a screen while handlers of its own are running: it goes off the
// screen at once and is deleted only after the last of them has returned.
#include "Clicks.h"
#include "Fakes.h"
#include "frame/Layout.h"
#include "frame/Navigator.h"
#include "frame/Screen.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <gtest/gtest.h>

#include <functional>

using namespace karuvel;

namespace {

// A screen whose button runs a handler that gives the event loop turns, as
// a wait kept responsive does; its other button closes it.
class Waiting : public Screen {
public:
    Waiting() : Screen(QStringLiteral("Waiting"))
    {
        wait = new QPushButton(QStringLiteral("wait"), frame());
        back = new QPushButton(QStringLiteral("back"), frame());
        back->move(0, 100);
        connect(wait, &QPushButton::clicked, this, [this] { onWait(); });
        connect(back, &QPushButton::clicked, this, [] { screens::close(ScreenId::Interim); });
    }
    QPushButton* wait;
    QPushButton* back;
    std::function<void()> beforeTurn;
    // What the handler saw, kept by the test (the screen is gone afterwards).
    int* turnsSeenOpen = nullptr;
    bool* hiddenAndGoneAfterClose = nullptr;

private:
    void onWait()
    {
        for (int turn = 0; turn < 3; ++turn) {
            if (beforeTurn) beforeTurn();
            if (!screens::yieldFor(this)) {
                // Closed during the turn, but still whole here.
                *hiddenAndGoneAfterClose = !isVisible() && screens::find(ScreenId::Interim) == nullptr;
                return;
            }
            ++*turnsSeenOpen;
        }
    }
};

TEST(Navigator, ScreenClosedDuringItsOwnHandlerIsDeletedOnlyAfterIt)
{
    test::FakePlatform fakes;
    screens::registerFactory(ScreenId::Interim, [] { return new Waiting(); });
    QPointer<Waiting> w = static_cast<Waiting*>(screens::show(ScreenId::Interim));
    ASSERT_TRUE(w);
    int turnsSeenOpen = 0;
    bool hiddenAndGone = false;
    w->turnsSeenOpen = &turnsSeenOpen;
    w->hiddenAndGoneAfterClose = &hiddenAndGone;
    w->beforeTurn = [&] {
        if (turnsSeenOpen == 1) test::postClick(w->back);  // pressed during the second turn
    };
    test::postClick(w->wait);
    test::keepResponsive();  // the handler runs in the first of these turns
    EXPECT_EQ(turnsSeenOpen, 1);
    EXPECT_TRUE(hiddenAndGone);
    EXPECT_TRUE(w.isNull());  // deleted by a later turn, after the handler

    // Without a handler on the stack a close deletes as before; a screen
    // shown again after a close is a new one.
    QPointer<QWidget> again = screens::show(ScreenId::Interim);
    ASSERT_TRUE(again);
    EXPECT_TRUE(screens::isOpen(again));
    {
        const screens::Handling outer(again);
        {
            const screens::Handling inner(again);
            screens::close(ScreenId::Interim);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(again.isNull());  // the outer handler still runs
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(again.isNull());
    screens::closeAll();
}

} // namespace

// A control looked up by a misspelt name stops the program when the window
// is made, in every build (not only in a debug build), naming the name.
TEST(ControlNames, AMisspeltNameStopsTheProgramAtOnce)
{
    QWidget window;
    window.setObjectName(QStringLiteral("MainFrm"));
    auto* panel = named(new QWidget(&window), QStringLiteral("PicNuritubusiBase"));
    named(new QLabel(panel), QStringLiteral("Label3"));
    EXPECT_NE(requireControl(&window, "Label3"), nullptr);
    EXPECT_NE(requireControlAs<QLabel>(panel, "Label3", /*directOnly=*/true), nullptr);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(requireControl(&window, "Lable3"), "MainFrm: no control named \"Lable3\"");
    EXPECT_DEATH(requireControl(&window, "Label3", /*directOnly=*/true), "no control named \"Label3\"");
    EXPECT_DEATH(requireControlAs<QPushButton>(panel, "Label3"), "no control named \"Label3\"");
    const Placement table[] = {{"Label3", -1, QRect(1, 2, 30, 40)}, {"Lable3", -1, QRect(0, 0, 1, 1)}};
    EXPECT_DEATH(layOut(&window, table), "no control named \"Lable3\"");
    layOut(&window, std::span(table, 1));
    EXPECT_EQ(requireControl(panel, "Label3")->geometry(), QRect(1, 2, 30, 40));
}
