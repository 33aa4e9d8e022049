#include "drill/FinishScreen.h"

#include "frame/FileMessages.h"
#include "frame/Navigator.h"
#include "platform/Platform.h"
#include "records/Recount.h"
#include "records/RunFlow.h"
#include "records/Sounds.h"
#include "state/ProgramState.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QRadialGradient>
#include <QTimer>
#include <QtMath>

namespace karuvel {

void showMenuScreen()
{
    if (screens::isRegistered(ScreenId::Dashboard))
        screens::show(ScreenId::Dashboard);
    else
        screens::show(ScreenId::Interim);
}

void StartRun()
{
    if (screens::isRegistered(ScreenId::Drill)) {
        screens::show(ScreenId::Drill);
    } else {
        // Without a drill there is no run to play: back to the menu.
        showMenuScreen();
        CloseWait();
    }
}

// ---------------------------------------------------------------------------
// The background picture: a sunny sky with a rainbow, clouds, a snow-capped
// mountain, green hills with flowers and a shower of confetti; a light card
// in the middle carries the results and a ribbon at the top the names.

namespace {

// The card and the ribbon the labels are laid on (frame pixels).
const QRect kRibbon(190, 12, 814, 118);
const QRect kCard(110, 148, 784, 420);

void drawCloud(QPainter& p, QPointF at, double size)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawEllipse(at, size * 1.1, size * 0.6);
    p.drawEllipse(at + QPointF(-size * 0.8, size * 0.15), size * 0.7, size * 0.45);
    p.drawEllipse(at + QPointF(size * 0.85, size * 0.12), size * 0.75, size * 0.5);
    p.drawEllipse(at + QPointF(-size * 0.2, -size * 0.35), size * 0.65, size * 0.55);
}

void drawFlower(QPainter& p, QPointF at, double r, const QColor& petal)
{
    p.setPen(Qt::NoPen);
    p.setBrush(petal);
    for (int i = 0; i < 5; ++i) {
        const double a = i * 2 * M_PI / 5;
        p.drawEllipse(at + QPointF(std::cos(a) * r, std::sin(a) * r), r * 0.75, r * 0.75);
    }
    p.setBrush(QColor(255, 220, 40));
    p.drawEllipse(at, r * 0.6, r * 0.6);
}

void drawStar(QPainter& p, QPointF at, double r, const QColor& colour, double turn)
{
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double a = turn + i * M_PI / 5 - M_PI / 2;
        const double rr = (i % 2 == 0) ? r : r * 0.45;
        const QPointF pt = at + QPointF(std::cos(a) * rr, std::sin(a) * rr);
        if (i == 0)
            star.moveTo(pt);
        else
            star.lineTo(pt);
    }
    star.closeSubpath();
    p.setPen(QPen(colour.darker(130), 1.5));
    p.setBrush(colour);
    p.drawPath(star);
}

} // namespace

QPixmap finishBackgroundPicture()
{
    QPixmap pm(kFrameWidth, kFrameHeight);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    // Sky.
    QLinearGradient sky(0, 0, 0, kFrameHeight);
    sky.setColorAt(0, QColor(90, 180, 250));
    sky.setColorAt(0.7, QColor(200, 235, 255));
    sky.setColorAt(1, QColor(220, 245, 255));
    p.fillRect(pm.rect(), sky);

    // Rainbow behind everything else.
    const QColor bands[] = {QColor(255, 80, 80), QColor(255, 160, 60), QColor(255, 230, 80),
                            QColor(110, 210, 100), QColor(90, 160, 255), QColor(160, 110, 230)};
    const QPointF rainbowCentre(512, 760);
    double radius = 640;
    p.setPen(Qt::NoPen);
    for (const QColor& c : bands) {
        QColor t = c;
        t.setAlpha(150);
        p.setBrush(t);
        p.drawEllipse(rainbowCentre, radius, radius * 0.95);
        radius -= 26;
    }
    p.setBrush(sky);
    p.drawEllipse(rainbowCentre, radius, radius * 0.95);

    // The sun with its rays in the top-left corner.
    const QPointF sun(88, 82);
    p.setPen(QPen(QColor(255, 190, 0), 8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6;
        p.drawLine(sun + QPointF(std::cos(a) * 62, std::sin(a) * 62),
                   sun + QPointF(std::cos(a) * 86, std::sin(a) * 86));
    }
    QRadialGradient sunFill(sun, 52);
    sunFill.setColorAt(0, QColor(255, 250, 150));
    sunFill.setColorAt(1, QColor(255, 200, 30));
    p.setPen(QPen(QColor(240, 160, 0), 3));
    p.setBrush(sunFill);
    p.drawEllipse(sun, 50, 50);
    // A friendly face.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 90, 20));
    p.drawEllipse(sun + QPointF(-17, -10), 5, 7);
    p.drawEllipse(sun + QPointF(17, -10), 5, 7);
    p.setBrush(QColor(255, 140, 120, 160));
    p.drawEllipse(sun + QPointF(-28, 8), 8, 5);
    p.drawEllipse(sun + QPointF(28, 8), 8, 5);
    p.setPen(QPen(QColor(150, 90, 20), 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(sun.x() - 18, sun.y() - 8, 36, 28), 200 * 16, 140 * 16);

    // Clouds.
    drawCloud(p, QPointF(70, 250), 34);
    drawCloud(p, QPointF(960, 190), 40);

    // A snow-capped mountain on the horizon, beside the card.
    QPainterPath mountain;
    mountain.moveTo(780, 650);
    mountain.lineTo(945, 410);
    mountain.lineTo(975, 410);
    mountain.lineTo(1140, 650);
    mountain.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(100, 120, 190));
    p.drawPath(mountain);
    QPainterPath snow;
    snow.moveTo(909, 462);
    snow.lineTo(945, 410);
    snow.lineTo(975, 410);
    snow.lineTo(1011, 462);
    snow.lineTo(992, 450);
    snow.lineTo(976, 468);
    snow.lineTo(960, 450);
    snow.lineTo(944, 468);
    snow.lineTo(928, 450);
    snow.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(snow);

    // Two layers of rolling hills.
    QPainterPath farHills;
    farHills.moveTo(0, 640);
    farHills.cubicTo(200, 560, 380, 600, 520, 620);
    farHills.cubicTo(700, 650, 850, 560, 1024, 600);
    farHills.lineTo(1024, 768);
    farHills.lineTo(0, 768);
    farHills.closeSubpath();
    p.setBrush(QColor(120, 200, 90));
    p.drawPath(farHills);
    QPainterPath nearHills;
    nearHills.moveTo(0, 700);
    nearHills.cubicTo(180, 650, 350, 690, 520, 700);
    nearHills.cubicTo(720, 715, 860, 650, 1024, 680);
    nearHills.lineTo(1024, 768);
    nearHills.lineTo(0, 768);
    nearHills.closeSubpath();
    QLinearGradient grass(0, 650, 0, 768);
    grass.setColorAt(0, QColor(90, 185, 70));
    grass.setColorAt(1, QColor(60, 150, 50));
    p.setBrush(grass);
    p.drawPath(nearHills);

    // Flowers along the hills (a fixed pattern, the same every time).
    const QColor petals[] = {QColor(255, 110, 150), QColor(255, 255, 255), QColor(255, 150, 60),
                             QColor(200, 120, 255)};
    for (int i = 0; i < 22; ++i) {
        const double x = 25 + i * 46.0 + ((i * 37) % 19);
        const double y = 712 + ((i * 53) % 40);
        drawFlower(p, QPointF(x, y), 7 + (i % 3), petals[i % 4]);
    }

    // Confetti and stars around the edges of the picture.
    uint32_t seed = 20261210u;
    auto next = [&seed](int range) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % uint32_t(range));
    };
    const QColor confetti[] = {QColor(255, 80, 80), QColor(255, 200, 0), QColor(60, 190, 90),
                               QColor(70, 140, 255), QColor(220, 90, 220), QColor(255, 140, 40)};
    for (int i = 0; i < 90; ++i) {
        const QPointF at(next(kFrameWidth), next(kFrameHeight - 120));
        if (kCard.adjusted(-6, -6, 6, 6).contains(at.toPoint()) || kRibbon.contains(at.toPoint()) ||
            QLineF(at, sun).length() < 96)
            continue;
        p.save();
        p.translate(at);
        p.rotate(next(180));
        p.setPen(Qt::NoPen);
        p.setBrush(confetti[i % 6]);
        p.drawRoundedRect(QRectF(-7, -3, 14, 6), 2, 2);
        p.restore();
    }
    drawStar(p, QPointF(40, 300), 18, QColor(255, 215, 0), 0.2);
    drawStar(p, QPointF(990, 320), 20, QColor(255, 215, 0), -0.3);
    drawStar(p, QPointF(985, 545), 14, QColor(255, 120, 170), 0.1);
    drawStar(p, QPointF(36, 520), 15, QColor(120, 200, 255), 0.4);

    // The ribbon for the names and the card for the results.
    p.setPen(QPen(QColor(255, 255, 255), 3));
    p.setBrush(QColor(255, 255, 255, 215));
    p.drawRoundedRect(kRibbon, 22, 22);
    p.setPen(QPen(QColor(255, 170, 60), 6));
    p.setBrush(QColor(255, 253, 240, 235));
    p.drawRoundedRect(kCard, 30, 30);
    return pm;
}

// ---------------------------------------------------------------------------
// The screen.

namespace {
QLabel* makeLabel(QWidget* parent, const QString& name, const QRect& geometry, int pointSize, bool bold,
                  const QColor& colour, Qt::Alignment align = Qt::AlignCenter)
{
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    QFont f(QStringLiteral("IPAPGothic"), pointSize, bold ? QFont::Bold : QFont::Normal);
    l->setFont(f);
    l->setAlignment(align);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, colour);
    l->setPalette(pal);
    return l;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text, const QRect& geometry,
                        const QString& colour, const QString& pressed)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    b->setFont(QFont(QStringLiteral("IPAPGothic"), 28, QFont::Bold));
    b->setCursor(Qt::PointingHandCursor);
    b->setStyleSheet(QStringLiteral("QPushButton { color: white; background: %1; border: 4px solid white;"
                                    " border-radius: 24px; }"
                                    "QPushButton:focus { border: 5px solid #ffe14d; }"
                                    "QPushButton:pressed { background: %2; }"
                                    "QPushButton:disabled { background: #b0b0b0; }")
                         .arg(colour, pressed));
    return b;
}
} // namespace

FrmSyuuryou::FrmSyuuryou() : Screen(QStringLiteral("FrmSyuuryou"))
{
    setBackground(QColor(200, 235, 255));

    // The picture fills the whole 1024 x 768 frame from its top-left corner.
    Image1 = new QLabel(frame());
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);
    Image1->setPixmap(finishBackgroundPicture());
    Image1->setGeometry(0, 0, twips(15360), twips(11520));

    const QColor ink(30, 50, 110);
    Label15 = makeLabel(frame(), QStringLiteral("Label15"), QRect(216, 20, 440, 36), 16, false, QColor(70, 90, 140),
                        Qt::AlignLeft | Qt::AlignVCenter);
    Label16 = makeLabel(frame(), QStringLiteral("Label16"), QRect(216, 58, 440, 62), 30, true, ink,
                        Qt::AlignLeft | Qt::AlignVCenter);
    Label17 = makeLabel(frame(), QStringLiteral("Label17"), QRect(600, 36, 320, 70), 30, true, ink,
                        Qt::AlignRight | Qt::AlignVCenter);
    auto* honorific = makeLabel(frame(), QStringLiteral("LabelSan"), QRect(924, 36, 70, 70), 24, true, ink,
                                Qt::AlignLeft | Qt::AlignVCenter);
    honorific->setText(QStringLiteral("さん"));

    Label18 = makeLabel(frame(), QStringLiteral("Label18"), QRect(120, 166, 764, 84), 46, true, QColor(20, 80, 200));
    Label19 = makeLabel(frame(), QStringLiteral("Label19"), QRect(120, 254, 764, 60), 30, true, QColor(210, 90, 0));
    auto* today = makeLabel(frame(), QStringLiteral("LabelToday"), QRect(230, 322, 90, 44), 22, true, ink,
                            Qt::AlignRight | Qt::AlignVCenter);
    today->setText(QStringLiteral("本日"));
    Label14 = makeLabel(frame(), QStringLiteral("Label14"), QRect(320, 322, 150, 44), 22, false, ink,
                        Qt::AlignLeft | Qt::AlignVCenter);
    Label13 = makeLabel(frame(), QStringLiteral("Label13"), QRect(470, 322, 330, 44), 22, false, ink,
                        Qt::AlignLeft | Qt::AlignVCenter);
    Label20 = makeLabel(frame(), QStringLiteral("Label20"), QRect(120, 376, 764, 90), 44, true, QColor(225, 30, 70));
    Label20->hide();
    Label2 = makeLabel(frame(), QStringLiteral("Label2"), QRect(120, 470, 764, 80), 36, true, QColor(0, 150, 70));
    Label2->setText(QStringLiteral("このレベルクリア"));
    Label2->hide();

    // The congratulation panel for the final level, over the card.
    Picture1 = new QWidget(frame());
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(122, 250, 780, 200);
    Picture1->setAttribute(Qt::WA_StyledBackground, true);
    Picture1->setStyleSheet(QStringLiteral("#Picture1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                                           " stop:0 #fff7b0, stop:1 #ffd23f); border: 8px solid #ff8c1a;"
                                           " border-radius: 36px; }"));
    Label1 = makeLabel(Picture1, QStringLiteral("Label1"), QRect(10, 10, 760, 180), 38, true, QColor(220, 30, 60));
    Label1->setText(QStringLiteral("目標レベルクリア。おめでとう！"));
    Label1->setWordWrap(true);
    Picture1->hide();

    Command4 = makeButton(frame(), QStringLiteral("Command4"), QStringLiteral("メニューへ"),
                          QRect(172, 590, 290, 96), QStringLiteral("#2f7de1"), QStringLiteral("#1d5fb3"));
    Command5 = makeButton(frame(), QStringLiteral("Command5"), QStringLiteral("もう一度"),
                          QRect(542, 590, 290, 96), QStringLiteral("#f26b1d"), QStringLiteral("#c4500d"));
    Command4->hide();
    Command5->hide();
    connect(Command4, &QPushButton::clicked, this, &FrmSyuuryou::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &FrmSyuuryou::Command5_Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &FrmSyuuryou::Timer1_Timer);
}

void FrmSyuuryou::setOutcome(const RunOutcome& outcome) { outcome_ = outcome; }

void FrmSyuuryou::activate()
{
    // The recount now includes the run just recorded.
    if (ResultsError e = RecountAll(); !e.ok()) stopOnResults(e);
    ProgramState& s = state();
    const RunOutcome& run = outcome_;
    const int L = validLevel(s.SelectedLevel) ? s.SelectedLevel : 0;
    const int P = validPupil(s.CurrentPupil) ? s.CurrentPupil : 0;
    const bool finalLevel = s.FinalLevel == Loose(L);

    cleared_ = L != 0 && levelClearedRecently(L, P);
    if (cleared_) {
        Label2->show();
        if (finalLevel && !anyLevelWithoutCountCriterion()) {
            Picture1->show();
            Picture1->raise();
        }
    }
    // The lines are filled before the screen is first painted, so that the
    // pupil never sees it empty.
    Label19->setText(finishPointsLine(run.runTime, s.TargetTime[L], s.PointMultiplier[L]));
    Label18->setText(finishTimeLine(run.runTime));
    Label17->setText(s.CurrentPupilName.trimmed());
    Label15->setText(s.ProgramTitle);
    Label16->setText(s.LevelNames[L]);
    Label13->setText(finishLevelCountLine(s.TodayCount(L, P)));
    long long total = 0;
    for (int i = 1; i <= kMaxLevel; ++i) total += (long long)s.TodayCount(i, P);
    s.TodayTotalRuns = int(total);
    Label14->setText(finishTotalCountLine(s.TodayTotalRuns));

    Timer1->start();
    const FinishOutcome outcome =
        finishOutcome(run.timeOver ? 1 : 0, run.newPersonalBest ? 1 : 0, run.newTopRecord ? 1 : 0, run.runTime, s.LimitTime[L]);
    if (!outcome.message.isEmpty()) {
        Label20->setText(outcome.message);
        Label20->show();
    }
    // The cues play one after the other; the buttons wait for their end.
    const bool clearedCue = cleared_ && finalLevel && !run.alreadyCleared;
    cuesPlaying_ = true;
    const QPointer<FrmSyuuryou> self(this);
    auto afterCues = [self] {
        if (!self) return;
        self->cuesPlaying_ = false;
        if (self->buttonsDue_) self->Timer1_Timer();
    };
    // The congratulation picture stays through the outcome's cue, and through
    // the cleared cue when the final level is cleared for the first time.
    auto thenCleared = [self, clearedCue, afterCues] {
        if (!self) return;
        if (clearedCue) {
            PlayCleared(afterCues);
        } else {
            self->Picture1->hide();
            afterCues();
        }
    };
    switch (outcome.cue) {
    case FinishCue::PersonalBest: PlayPersonalBest(thenCleared); break;
    case FinishCue::TopRecord: PlayTopRecord(thenCleared); break;
    case FinishCue::NoRecord: PlayNoRecord(thenCleared); break;
    case FinishCue::None: thenCleared(); break;
    }
    CloseWait();
}

void FrmSyuuryou::Timer1_Timer()
{
    Timer1->stop();
    // Once the outcome's cues have played.
    buttonsDue_ = cuesPlaying_;
    if (cuesPlaying_) return;
    Picture1->hide();
    Command4->show();
    Command4->setFocus();

    const ProgramState& s = state();
    const int L = validLevel(s.SelectedLevel) ? s.SelectedLevel : 0;
    const int P = validPupil(s.CurrentPupil) ? s.CurrentPupil : 0;
    const FinishButtons b = finishButtons(L != 0 && levelOverdone(L, P), cleared_, s.FinalLevel == Loose(L),
                                          s.FinalLevelCleared != Loose(0));
    switch (b.label) {
    case FinishButtons::Label::Clear:
        Label2->setText(QString());
        Label2->hide();
        break;
    case FinishButtons::Label::NextLevel: Label2->setText(QStringLiteral("次のレベルへ進みましょう")); break;
    case FinishButtons::Label::Keep: break;
    }
    Command5->setVisible(b.retryVisible);
}

void FrmSyuuryou::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        for (QPushButton* b : {Command4, Command5}) {
            if (focusWidget() == b && b->isVisible() && b->isEnabled()) {
                b->click();
                return;
            }
        }
    }
    Screen::keyPressEvent(e);
}

void FrmSyuuryou::Command4_Click()
{
    Command4->setEnabled(false);
    Command5->setEnabled(false);  // one screen change per press
    screens::request([] {
        showMenuScreen();
        screens::close(ScreenId::Finish);
    });
}

void FrmSyuuryou::Command5_Click()
{
    Command4->setEnabled(false);
    Command5->setEnabled(false);
    ShowWait();
    screens::request([] {
        screens::close(ScreenId::Finish);
        StartRun();
    });
}

} // namespace karuvel
