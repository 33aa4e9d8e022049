#include "frame/SmallWindows.h"

#include "platform/Calendar.h"
#include "frame/Catalogue.h"
#include "frame/Configuration.h"
#include "frame/FirstFrame.h"
#include "frame/Navigator.h"
#include "frame/SplashPicture.h"
#include "platform/Platform.h"
#include "state/ProgramState.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace karuvel {

Firstfrm::Firstfrm() : Screen(QStringLiteral("Firstfrm"))
{
    setBackground(QColor(192, 255, 192));
    Picture1 = new QLabel(frame());
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(splashPicture());
    Picture1->setGeometry((kFrameWidth - 640) / 2, 80, 640, 480);
    Label5 = new QLabel(frame());
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setAlignment(Qt::AlignCenter);
    Label5->setGeometry(0, 580, kFrameWidth, 50);
    QFont f(QStringLiteral("IPAGothic"), 24);
    Label5->setFont(f);
    Label1 = new QLabel(QStringLiteral("しばらくお待ちください。"), frame());
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, 650, kFrameWidth, 50);
    Label1->setFont(f);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &Firstfrm::Timer1_Timer);
}

void Firstfrm::start()
{
    yieldEvents();
    rnd().seed(clock().secondsSinceMidnight());
    const QDate today = clock().today();
    state().BackgroundColour = Loose(double(seasonColour(today)));
    setBackground(rgbColour(seasonColour(today)));
    // The date is written through the Japanese calendar once the splash is on
    // the screen (or by the time the splash hands over, if no frame came).
    afterFirstFrame(this, [this, today] { Label5->setText(japaneseEraDate(today)); }, Timer1->interval());
    yieldEvents();
    Timer1->start();
}

void Firstfrm::Timer1_Timer()
{
    Timer1->stop();
    LoadConfiguration();
    if (screens::isRegistered(ScreenId::NameSelection))
        screens::show(ScreenId::NameSelection);
    else
        screens::show(ScreenId::Interim);
    screens::close(ScreenId::Splash);
}

QString aboutText()
{
    QFile f(QStringLiteral(":/about.txt"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("出典：地球地図日本（国土地理院）");
    return QString::fromUtf8(f.readAll()).trimmed();
}

QString versionText() { return QStringLiteral("Version") + QStringLiteral(KARUVEL_VERSION_TEXT); }

frmver::frmver(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmver"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setFixedSize(560, 470);
    QFont big(QStringLiteral("IPAGothic"), 20, QFont::Bold);
    QFont normal(QStringLiteral("IPAGothic"), 14);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(big);
    Label1->setGeometry(20, 20, 380, 50);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(normal);
    Label2->setGeometry(20, 80, 380, 36);
    Label4 = new QLabel(QStringLiteral("Orvanta"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(normal);
    Label4->setGeometry(20, 120, 380, 36);
    LabelAbout = new QLabel(aboutText(), this);
    LabelAbout->setObjectName(QStringLiteral("LabelAbout"));
    LabelAbout->setFont(QFont(QStringLiteral("IPAGothic"), 10));
    LabelAbout->setWordWrap(true);
    LabelAbout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelAbout->setGeometry(20, 165, 520, 220);
    Command1 = new QPushButton(QStringLiteral("O.K."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(normal);
    Command1->setGeometry(220, 400, 120, 44);
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
}

void frmver::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    yieldEvents();
    yieldEvents();
    Label1->setText(state().ProgramTitle);
    Label2->setText(versionText());
}

void showVersionWindow(QWidget* over)
{
    frmver w(over);
    if (over) {
        const QRect g = over->frameGeometry();
        w.move(g.center() - QPoint(w.width() / 2, w.height() / 2));
    }
    w.exec();
}

InterimWindow::InterimWindow() : Screen(QStringLiteral("InterimWindow"))
{
    QFont f(QStringLiteral("IPAGothic"), 24);
    Label1 = new QLabel(frame());
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(f);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, 60, kFrameWidth, 60);
    Label2 = new QLabel(frame());
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(QFont(QStringLiteral("IPAGothic"), 18));
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label2->setGeometry(0, 150, kFrameWidth, 560);
}

void InterimWindow::activate()
{
    if (state().LevelCount == 0) applyLevelCatalogue();
    const ProgramState& s = state();
    setBackground(rgbColour(s.BackgroundColour.toLong()));
    Label1->setText(s.SchoolName + QStringLiteral("　") + s.ProgramTitle);
    QStringList lines;
    for (int i = 1; i <= 12; ++i) {
        const QString name = s.LevelNames[i].isEmpty() ? QStringLiteral("（未設定）") : s.LevelNames[i];
        lines << QStringLiteral("レベル %1　%2").arg(i).arg(name);
    }
    Label2->setText(lines.join(QLatin1Char('\n')));
}

void registerFrameScreens()
{
    screens::registerFactory(ScreenId::Splash, [] { return new Firstfrm(); });
    screens::registerFactory(ScreenId::Interim, [] { return new InterimWindow(); });
}

void startProgram()
{
    auto* splash = static_cast<Firstfrm*>(screens::show(ScreenId::Splash));
    splash->start();
}

} // namespace karuvel
