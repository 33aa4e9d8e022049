#include "roster/NameSelection.h"

#include "platform/Calendar.h"
#include "frame/DateWatch.h"
#include "frame/Catalogue.h"
#include "frame/Navigator.h"
#include "frame/SmallWindows.h"
#include "frame/FileMessages.h"
#include "platform/Platform.h"
#include "records/Sounds.h"
#include "roster/NameList.h"
#include "roster/Roster.h"
#include "state/ProgramState.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace karuvel {

namespace {

const QString kChooseName = QStringLiteral("名前を選びなさい");
const QString kFixedFont = QStringLiteral("IPAGothic");

QString optionCaption(int i)
{
    static const char* const captions[4] = {"回数(今日／今まで）", "ポイント（今日／今まで）",
                                            "本日（ポイント／回数）", "今まで（ポイント／回数）"};
    return QString::fromUtf8(captions[i]);
}

// What the two figures of the list are, in words a young pupil reads easily.
QString figureKindText(int mode)
{
    switch (mode) {
    case 1: return QStringLiteral("ポイント（今日／今まで）");
    case 2: return QStringLiteral("今日の　ポイント／回数");
    case 3: return QStringLiteral("今までの　ポイント／回数");
    default: return QStringLiteral("回数（今日／今まで）");
    }
}

QString trimBlanks(const QString& text)
{
    int b = 0;
    int e = text.size();
    while (b < e && text.at(b) == QLatin1Char(' ')) ++b;
    while (e > b && text.at(e - 1) == QLatin1Char(' ')) --e;
    return text.mid(b, e - b);
}

QString afterStar(const QString& line)
{
    const int star = int(line.lastIndexOf(QLatin1Char('*')));
    return star < 0 ? QString() : line.mid(star + 1);
}

QFont fixedFont(int points, bool bold = false)
{
    QFont f(kFixedFont, points);
    f.setBold(bold);
    return f;
}

// A white panel that keeps text readable on every season's colour.
QFrame* panel(QWidget* parent, const QRect& geometry)
{
    auto* p = new QFrame(parent);
    p->setGeometry(geometry);
    p->setStyleSheet(QStringLiteral("QFrame { background: #ffffff; border: 2px solid #5a6a7a; border-radius: 14px; }"));
    return p;
}

} // namespace

namesel::namesel() : Screen(QStringLiteral("namesel"))
{
    const ProgramState& s = state();
    QWidget* f = frame();

    dayWatch = new DateWatch(this);
    connect(dayWatch, &DateWatch::dayChanged, this, [this] {
        if (isVisible() && !building_) 名簿表示();
    });

    // Title: a click shows the version window.
    Label4 = new QLabel(f);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(fixedFont(48, true));
    Label4->setAlignment(Qt::AlignCenter);
    Label4->setGeometry(200, 8, 624, 92);
    Label4->setStyleSheet(QStringLiteral("QLabel { color: #12305a; background: rgba(255,255,255,210);"
                                         " border-radius: 18px; }"));
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->setText(s.ProgramTitle);
    Label4->installEventFilter(this);

    // The name list with the kind of its figures and its column heads.
    panel(f, QRect(16, 112, 600, 644));
    Label3 = new QLabel(f);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(fixedFont(15, true));
    Label3->setStyleSheet(QStringLiteral("QLabel { color: #12305a; background: transparent; }"));
    Label3->setGeometry(32, 118, 570, 30);
    Label5 = new QLabel(f);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setStyleSheet(QStringLiteral("QLabel { color: #12305a; background: transparent; }"));
    Label5->setGeometry(33, 148, 570, 32);

    List1 = new QListWidget(f);
    List1->setObjectName(QStringLiteral("List1"));
    // A pixel size with a whole number of pixels for a half-width character,
    // so that full-width and half-width columns line up exactly.
    QFont listFont(kFixedFont);
    listFont.setPixelSize(26);
    List1->setFont(listFont);
    Label5->setFont(listFont);
    List1->setGeometry(28, 182, 576, 562);
    List1->setUniformItemSizes(true);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    List1->verticalScrollBar()->setStyleSheet(QStringLiteral("QScrollBar:vertical { width: 28px; }"));
    List1->setStyleSheet(QStringLiteral(
        "QListWidget { background: #ffffff; color: #000000; border: 1px solid #9aa8b8; }"
        "QListWidget::item { padding: 3px 2px; }"
        "QListWidget::item:selected { background: #ffd84a; color: #000000; }"));
    connect(List1, &QListWidget::currentRowChanged, this, [this](int) { List1_Click(); });
    connect(List1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { List1_DblClick(); });

    // The chooser panel on the right.
    panel(f, QRect(632, 112, 376, 644));

    auto* gradeCaption = new QLabel(QStringLiteral("学年"), f);
    gradeCaption->setFont(fixedFont(18, true));
    gradeCaption->setStyleSheet(QStringLiteral("QLabel { background: transparent; color: #12305a; }"));
    gradeCaption->setGeometry(652, 128, 80, 48);
    Combo1 = new QComboBox(f);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setFont(fixedFont(20));
    Combo1->setToolTip(QStringLiteral("表示する学年を選びなさい"));
    Combo1->setGeometry(736, 128, 252, 48);
    Combo1->addItems(gradeFilters());
    Combo1->setMaxVisibleItems(12);
    connect(Combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });

    auto* kindCaption = new QLabel(QStringLiteral("表示するもの"), f);
    kindCaption->setFont(fixedFont(15, true));
    kindCaption->setStyleSheet(QStringLiteral("QLabel { background: transparent; color: #12305a; }"));
    kindCaption->setGeometry(652, 190, 330, 30);
    for (int i = 0; i < 4; ++i) {
        auto* o = new QRadioButton(optionCaption(i), f);
        o->setObjectName(QStringLiteral("Option1"));
        o->setProperty("index", i);
        o->setFont(fixedFont(15));
        o->setStyleSheet(QStringLiteral(
            "QRadioButton { background: transparent; spacing: 10px; }"
            "QRadioButton::indicator { width: 18px; height: 18px; border-radius: 11px;"
            " border: 2px solid #12305a; background: #ffffff; }"
            "QRadioButton::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, radius:0.5,"
            " fx:0.5, fy:0.5, stop:0 #12305a, stop:0.55 #12305a, stop:0.6 #ffffff, stop:1 #ffffff); }"));
        o->setGeometry(660, 224 + i * 42, 336, 40);
        connect(o, &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
        Option1[size_t(i)] = o;
    }

    // The chosen name and the sign-in button.
    auto* nameCaption = new QLabel(QStringLiteral("えらんだ名前"), f);
    nameCaption->setFont(fixedFont(15, true));
    nameCaption->setStyleSheet(QStringLiteral("QLabel { background: transparent; color: #12305a; }"));
    nameCaption->setGeometry(652, 404, 330, 30);
    Label1 = new QLabel(kChooseName, f);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(fixedFont(22, true));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label1->setIndent(18);
    Label1->setStyleSheet(QStringLiteral("QLabel { background: #fff8d0; color: #000000;"
                                         " border: 2px solid #c8a000; border-radius: 8px; }"));
    Label1->setGeometry(652, 436, 336, 64);
    Label2 = new QLabel(f);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->hide();

    Command14 = new QPushButton(QStringLiteral("O.K."), f);
    Command14->setObjectName(QStringLiteral("Command14"));
    Command14->setFont(fixedFont(34, true));
    Command14->setGeometry(652, 514, 336, 100);
    Command14->setStyleSheet(QStringLiteral(
        "QPushButton { background: #2e8b3a; color: #ffffff; border: 3px solid #1c5a24; border-radius: 16px; }"
        "QPushButton:pressed { background: #1c5a24; }"));
    Command14->setFocusPolicy(Qt::NoFocus);
    connect(Command14, &QPushButton::clicked, this, [this] { Command14_Click(); });

    Command7 = new QPushButton(QStringLiteral("ﾌﾟﾟﾛｸﾞﾗﾑメニューへ(0)"), f);
    Command7->setObjectName(QStringLiteral("Command7"));
    Command7->setFont(fixedFont(15));
    Command7->setGeometry(652, 684, 336, 56);
    Command7->setStyleSheet(QStringLiteral(
        "QPushButton { background: #eef2f6; color: #12305a; border: 2px solid #5a6a7a; border-radius: 10px; }"
        "QPushButton:pressed { background: #c8d2dc; }"));
    Command7->setFocusPolicy(Qt::NoFocus);
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });

    // The wait cover over everything while the list is built.
    Picture5 = new QWidget(f);
    Picture5->setObjectName(QStringLiteral("Picture5"));
    Picture5->setGeometry(0, 0, kFrameWidth, kFrameHeight);
    Picture5->setAutoFillBackground(true);
    Label19 = new QLabel(QStringLiteral("しばらくお待ちください。"), Picture5);
    Label19->setObjectName(QStringLiteral("Label19"));
    Label19->setFont(fixedFont(28));
    Label19->setAlignment(Qt::AlignCenter);
    Label19->setGeometry(0, 330, kFrameWidth, 80);
    Picture5->raise();

    // The window sees every key first.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);

    const long long colour =
        s.BackgroundColour.isEmpty() ? seasonColour(clock().today()) : s.BackgroundColour.toLong();
    setBackground(rgbColour(colour));
    QPalette cover = Picture5->palette();
    cover.setColor(QPalette::Window, rgbColour(colour));
    Picture5->setPalette(cover);

    rnd().seed(clock().secondsSinceMidnight());
    updateListCaption();
}

void namesel::showCover()
{
    Picture5->show();
    Picture5->raise();
}

void namesel::updateListCaption()
{
    Label3->setText(figureKindText(DisplayMode));
    Label5->setText(nameListCaption(DisplayMode));
}

void namesel::activate()
{
    Label4->setText(state().ProgramTitle);
    Command14->show();
    showCover();

    // The filter first, so that the chooser and the list agree.
    Combo1->clear();
    Combo1->addItems(gradeFilters());
    Combo1->setCurrentIndex(0);
    state().GradeFilter = Loose(Combo1->currentText());

    DisplayMode = 1;
    Option1[1]->setChecked(true);
    名簿表示();

    screens::close(ScreenId::Dashboard);
    Label1->setText(kChooseName);
    Picture5->hide();
    List1->setFocus();
}

void namesel::名簿表示()
{
    if (building_) return;  // a key or click that arrives while the list waits for its file
    building_ = true;
    const auto done = qScopeGuard([this] { building_ = false; });

    const bool coverWasShown = !Picture5->isHidden();
    bool coverShownHere = false;
    filterInUse_ = Combo1->currentText();
    dayWatch->restart();
    NameList list = buildNameList(
        DisplayMode, filterInUse_,
        [&] {
            if (Picture5->isHidden()) coverShownHere = true;
            showCover();
            yieldEvents();
        },
        &RosterRetries);

    List1->setUpdatesEnabled(false);
    List1->clear();
    List1->addItems(list.shown);
    List3 = list.numbers;
    List1->setUpdatesEnabled(true);
    updateListCaption();
    List1->setCurrentRow(0);
    List1->scrollToTop();
    if (coverShownHere && !coverWasShown) Picture5->hide();
}

void namesel::Option1_Click(int index)
{
    if (building_) {
        // The list is still being built (waiting for a shared file): the
        // options keep naming the figures it is built with.
        Option1[size_t(DisplayMode)]->setChecked(true);
        return;
    }
    DisplayMode = index;
    Option1[size_t(index)]->setChecked(true);
    名簿表示();
    List1->setFocus();
}

void namesel::Combo1_Click()
{
    if (building_) {
        const QSignalBlocker block(Combo1);
        Combo1->setCurrentIndex(std::max(0, int(Combo1->findText(filterInUse_))));
        return;
    }
    state().GradeFilter = Loose(Combo1->currentText());
    名簿表示();
    List1->setFocus();
}

void namesel::List1_Click()
{
    const int i = List1->currentRow();
    if (i <= 0 || i - 1 >= List3.size()) {
        Label1->setText(kChooseName);
        Label2->clear();
        return;
    }
    Label1->setText(trimBlanks(List1->item(i)->text().left(10)));
    Label2->setText(afterStar(List3.at(i - 1)));
}

void namesel::List1_DblClick()
{
    const int i = List1->currentRow();
    if (i <= 0 || i - 1 >= List3.size()) {
        List1_Click();
        return;
    }
    const QString line = List1->item(i)->text();
    const int slash = int(line.lastIndexOf(QLatin1Char('/')));
    Label1->setText(trimBlanks(slash < 0 ? line : line.left(slash)));
    Label2->setText(afterStar(List3.at(i - 1)));
    Command14_Click();
}

bool namesel::List1_KeyPress(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space) return false;
    Command14_Click();
    return true;
}

bool namesel::Form_KeyPress(const QString& text)
{
    if (text == QStringLiteral("1") && Command14->isVisibleTo(this)) {
        Command14_Click();
        return true;
    }
    if (text == QStringLiteral("0") && Command7->isVisibleTo(this)) {
        Command7_Click();
        return true;
    }
    return false;
}

void namesel::Command14_Click()
{
    ProgramState& s = state();
    const QString chosen = Label1->text();
    const int pupil = int(leadingNumber(Label2->text()));
    if (chosen == kChooseName || chosen.isEmpty() || pupil < 1 || pupil > kMaxPupil) {
        PlayWrong([](const CueEnd& end) {
            if (end.stop) stopProgram(kSoundErrorTitle, *end.stop);
        });
        return;
    }
    s.SignInTime = Loose(double(std::llround(clock().secondsSinceMidnight())));
    s.SignInClock = clock().monotonicSeconds();
    s.CurrentPupil = pupil;
    s.CurrentPupilName = s.PupilNames[size_t(pupil)];
    s.CurrentPupilGrade = Loose(s.PupilGrades[size_t(pupil)]);

    Command14->hide();
    showCover();
    yieldEvents();
    OpenLevelCatalogue();
}

QString namesel::programMenuPath()
{
#ifdef Q_OS_WIN
    const QString suffix = QStringLiteral(".exe");
#else
    const QString suffix;
#endif
    return QDir::cleanPath(state().AppFolder + QStringLiteral("../起動/プログラムメニューc") + suffix);
}

void namesel::Command7_Click()
{
    const QString menu = programMenuPath();
    if (!platform().processes->exists(menu) ||
        !platform().processes->start(menu, {QStringLiteral("001")})) {
        failOnFile(menu, FileProblem::Missing);
    }
    endProgram(0);
}

void namesel::Label4_Click() { showVersionWindow(this); }

bool namesel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (Picture5->isVisibleTo(this) && !Picture5->isHidden()) return true;  // nothing while covered
        if (Form_KeyPress(k->text())) return true;
        if (watched == List1 && List1_KeyPress(k->key())) return true;
    } else if (event->type() == QEvent::MouseButtonRelease && watched == Label4) {
        auto* m = static_cast<QMouseEvent*>(event);
        if (m->button() == Qt::LeftButton) {
            Label4_Click();
            return true;
        }
    }
    return Screen::eventFilter(watched, event);
}

void namesel::keyPressEvent(QKeyEvent* e)
{
    if (Picture5->isHidden() && Form_KeyPress(e->text())) return;
    Screen::keyPressEvent(e);
}

} // namespace karuvel
