#include "Fakes.h"
#include "TempDir.h"
#include "frame/Navigator.h"
#include "frame/SmallWindows.h"
#include "state/ProgramState.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace karuvel;

TEST(Startup, SplashShowsTheEraDateThenHandsOverAfterLoading)
{
    test::FakePlatform fakes;
    fakes.clock.current = QDateTime(QDate(2026, 1, 15), QTime(9, 30, 0));
    registerFrameScreens();
    auto* splash = qobject_cast<Firstfrm*>(screens::show(ScreenId::Splash));
    ASSERT_NE(splash, nullptr);
    splash->start();
    EXPECT_EQ(splash->Label5->text(), QStringLiteral("令和8年 1月 15日（木）"));
    EXPECT_EQ(state().BackgroundColour.toLong(), 0xFF8000);
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
