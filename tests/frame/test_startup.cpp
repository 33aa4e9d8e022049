#include "Fakes.h"
#include "TempDir.h"
#include "frame/FirstFrame.h"
#include "frame/Navigator.h"
#include "frame/ScreenScale.h"
#include "frame/SmallWindows.h"
#include "frame/SplashPicture.h"
#include "state/ProgramState.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

// Lets the program run until `done` holds (two seconds at most).
template <typename F>
bool runUntil(F done)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace

TEST(Startup, SplashShowsTheEraDateThenHandsOverAfterLoading)
{
    test::FakePlatform fakes;
    fakes.clock.current = QDateTime(QDate(2026, 1, 15), QTime(9, 30, 0));
    registerFrameScreens();
    auto* splash = qobject_cast<Firstfrm*>(screens::show(ScreenId::Splash));
    ASSERT_NE(splash, nullptr);
    splash->start();
    EXPECT_EQ(state().BackgroundColour.toLong(), 0xFF8000);
    // The date follows as soon as the splash is on the screen.
    EXPECT_TRUE(runUntil([&] { return !splash->Label5->text().isEmpty(); }));
    EXPECT_EQ(splash->Label5->text(), QStringLiteral("令和8年 1月 15日（木）"));
    EXPECT_EQ(fakes.random.seeded, 9.5 * 3600);
    EXPECT_TRUE(splash->Timer1->isActive());
    EXPECT_EQ(splash->Label1->text(), QStringLiteral("しばらくお待ちください。"));
    // The test executable's folder has no path file: the message names it, then the end.
    EXPECT_THROW(splash->Timer1_Timer(), ProgramEnded);
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].second.contains("パスデータ.txt"));
    EXPECT_NE(fakes.programEnd.lastCode, 0);
    screens::closeAll();
}

// The picture built into the program is the one it draws, and the one the
// splash shows (type may differ by a shade where another font renderer set it).
TEST(Startup, SplashShowsThePictureDrawnAhead)
{
    const QImage ahead = splashMadeAhead();
    ASSERT_FALSE(ahead.isNull()) << "assets/splash is missing or not whole: cmake --build build --target splash_picture";
    const QImage drawn = drawSplashPicture().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(ahead.size(), drawn.size());
    int differ = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb a = ahead.pixel(x, y), d = drawn.pixel(x, y);
            if (std::max({std::abs(qRed(a) - qRed(d)), std::abs(qGreen(a) - qGreen(d)), std::abs(qBlue(a) - qBlue(d))}) > 8)
                ++differ;
        }
    }
    EXPECT_LT(differ, drawn.width() * drawn.height() / 100) << "redraw it: cmake --build build --target splash_picture";

    test::FakePlatform fakes;
    registerFrameScreens();
    auto* splash = qobject_cast<Firstfrm*>(screens::show(ScreenId::Splash));
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->Picture1->pixmap().toImage().convertToFormat(QImage::Format_RGB32), ahead);
    screens::closeAll();
}

// What waits for a window's first frame runs once it is drawn, in the order it
// was asked for; at the latest time given when no frame comes; never once the
// window is gone.
TEST(Startup, WorkWaitsForTheFirstFrame)
{
    std::vector<QString> ran;
    {
        QWidget shown;
        afterFirstFrame(nullptr, [&] { ran.push_back("icon"); });
        afterFirstFrame(&shown, [&] { ran.push_back("log"); });
        afterFirstFrame(&shown, [&] { ran.push_back("date"); });
        EXPECT_TRUE(ran.empty());
        QCoreApplication::processEvents();
        EXPECT_TRUE(ran.empty()) << "nothing is drawn before the window shows";
        shown.resize(200, 100);
        shown.show();
        EXPECT_TRUE(runUntil([&] { return ran.size() == 3; }));
        EXPECT_EQ(ran, (std::vector<QString>{"log", "date", "icon"}));
        // Asked after the first frame: it waits for the next one.
        afterFirstFrame(&shown, [&] { ran.push_back("again"); });
        shown.update();
        EXPECT_TRUE(runUntil([&] { return ran.size() == 4; }));
    }
    ran.clear();
    {
        QWidget hidden;
        afterFirstFrame(&hidden, [&] { ran.push_back("late"); }, 50);
        afterFirstFrame(&hidden, [&] { ran.push_back("never"); });
        EXPECT_TRUE(runUntil([&] { return !ran.empty(); }));
        EXPECT_EQ(ran, (std::vector<QString>{"late"}));
    }
    {
        auto* gone = new QWidget;
        afterFirstFrame(gone, [&] { ran.push_back("gone"); }, 0);
        delete gone;
        for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
    }
    EXPECT_EQ(ran, (std::vector<QString>{"late"}));
}

TEST(Startup, VersionWindowTexts)
{
    test::FakePlatform fakes;
    state().ProgramTitle = "Karuvel";
    frmver w;
    w.show();
    EXPECT_EQ(w.windowTitle(), "ﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(w.Label1->text(), "Karuvel");
    EXPECT_EQ(w.Label2->text(), "Version1.0.16");
    EXPECT_EQ(w.Label4->text(), "Orvanta");
    EXPECT_EQ(w.Command1->text(), "O.K.");
    EXPECT_TRUE(w.LabelAbout->text().contains("出典：地球地図日本（国土地理院）"));
    EXPECT_TRUE(w.LabelAbout->text().contains("GSHHG"));
    w.Command1->click();
    EXPECT_FALSE(w.isVisible());
}

TEST(Startup, WaitWindowComesAndGoes)
{
    test::FakePlatform fakes;
    ShowWait();
    EXPECT_TRUE(waitShown());
    CloseWait();
    EXPECT_FALSE(waitShown());
}

// The scale that fits the 1024 x 768 layout to a screen, as the toolkit sees it.
TEST(ScreenScale, FitsTheLayoutToTheScreen)
{
    const struct {
        QSizeF screen;
        double scale;
    } cases[] = {
        {{1024, 768}, 1.0},        {{1920, 1080}, 1.40625}, {{1280, 1024}, 1.25},  {{800, 600}, 0.78125},
        {{3840, 2160}, 2.8125},    {{1030, 770}, 1.0},      {{1366, 768}, 1.0},    {{100, 100}, 1.0},
        {{0, 0}, 1.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(scaleForScreen(c.screen), c.scale) << c.screen.width() << " x " << c.screen.height();
    EXPECT_FALSE(scaleDiffers(1.40625, 1.4063));
    EXPECT_TRUE(scaleDiffers(1.0, 1.40625));
    EXPECT_TRUE(scaleDiffers(1.40625, 1.0));
}

// The scale found at one start is what the next start takes; a note that is
// missing, unreadable or not a scale gives none.
TEST(ScreenScale, TheNextStartTakesTheNotedScale)
{
    const QByteArray wasCache = qgetenv("XDG_CACHE_HOME");
    test::TempDir dir;
    qputenv("XDG_CACHE_HOME", (dir.path() + "cache").toLocal8Bit());
    const QString note = dir.path() + "cache/karuvel/screen-scale";
    EXPECT_EQ(scaleNotePath(), note);
    EXPECT_EQ(notedScale(), 1.0);
    noteScale(1.40625, notedScale());
    EXPECT_DOUBLE_EQ(notedScale(), 1.4063);
    for (const char* text : {"", "abc", "0", "-2", "1e9", "nan"}) {
        dir.writeBytes("cache/karuvel/screen-scale", text);
        EXPECT_EQ(notedScale(), 1.0) << text;
    }
    // Written only when the scale changes.
    noteScale(1.0, notedScale());
    const QDateTime before = QDateTime::currentDateTime().addSecs(-60);
    {
        QFile f(note);
        ASSERT_TRUE(f.open(QIODevice::Append) && f.setFileTime(before, QFileDevice::FileModificationTime));
    }
    noteScale(1.004, notedScale());
    EXPECT_EQ(QFileInfo(note).lastModified().toSecsSinceEpoch(), before.toSecsSinceEpoch());
    noteScale(0.78125, notedScale());
    EXPECT_DOUBLE_EQ(notedScale(), 0.7813);
    // A cache folder that cannot be made: nothing noted, nothing taken.
    dir.writeBytes("plain-file", "x");
    qputenv("XDG_CACHE_HOME", (dir.path() + "plain-file").toLocal8Bit());
    noteScale(2.0, notedScale());
    EXPECT_EQ(notedScale(), 1.0);
    if (wasCache.isNull())
        qunsetenv("XDG_CACHE_HOME");
    else
        qputenv("XDG_CACHE_HOME", wasCache);
}
