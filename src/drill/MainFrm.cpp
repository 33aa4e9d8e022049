#include "drill/MainFrm.h"

#include "drill/DrillLayout.h"
#include "drill/FinishScreen.h"
#include "drill/MapZoom.h"
#include "drill/PlacePicking.h"
#include "frame/Navigator.h"
#include "platform/Platform.h"
#include "records/Sounds.h"
#include "state/ProgramState.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <cmath>

namespace karuvel {

using namespace drillui;

// ---------------------------------------------------------------------------
// The window.

MainFrm::MainFrm() : Screen(QStringLiteral("MainFrm"))
{
    setBackground(kBaseColour);
    buildStatusPanel();
    buildDrillArea();

    // Loading: the random numbers are seeded from the clock, the status panel
    // spans the top and the notice panel waits in the top-left corner.
    rnd().seed(clock().secondsSinceMidnight());
    sPicture1->move(0, 0);
    sPicture2->move(0, 0);
    sTimer2->start();
}

MainFrm::~MainFrm()
{
    sTimer1->stop();
    sTimer2->stop();
}

void MainFrm::placeAt(QWidget* w, int top) { w->move(kPanelLeft, top); }

QPoint MainFrm::mapPosition() const { return PicNuritubusiPic->pos(); }

void MainFrm::setMapPosition(QPoint p) { PicNuritubusiPic->move(p); }

void MainFrm::setRemaining(int remaining) { sLabel9->setText(numberText(remaining)); }

void MainFrm::activate()
{
    // The set-up runs once, when the window first becomes active for its run.
    if (activated_) return;
    activated_ = true;
    const ProgramState& s = state();
    kind_ = drillKindOf(s.SelectedLevel, s.PracticeMode == Loose(1));
    Form_Activate();
}

void MainFrm::leaveForDashboard()
{
    sTimer1->stop();
    sTimer2->stop();
    ShowWait();
    screens::request([] {
        screens::close(ScreenId::Drill);
        screens::show(ScreenId::Dashboard);
        CloseWait();  // the dashboard stands in front now
    });
}

void MainFrm::makeRun()
{
    const ProgramState& s = state();
    const int L = s.SelectedLevel;
    DrillRun::Setup setup;
    setup.kind = kind_;
    setup.level = L;
    setup.questionCount = content_.table.count();
    setup.timeLimit = validLevel(L) && s.LevelTimed[size_t(L)] == 1 ? timeLimitFor(s.LimitTime[size_t(L)]) : 0;
    run_ = new DrillRun(setup, this);
    connect(run_, &DrillRun::asked, this, &MainFrm::問題作成表示);
    connect(run_, &DrillRun::judged, this, &MainFrm::showJudged);
    connect(run_, &DrillRun::counted, this, &MainFrm::setRemaining);
    connect(run_, &DrillRun::correctionReady, this, [this] {
        if (CmdNuritubusikakunin->isVisible()) CmdNuritubusikakunin->setFocus();
    });
    connect(run_, &DrillRun::correctionCleared, this, &MainFrm::clearCorrection);
    connect(run_, &DrillRun::ticked, this, &MainFrm::showClock);
    connect(run_, &DrillRun::ended, this, [this](bool timeOver) {
        sTimer1->stop();
        showNotice(timeOver);
    });
    connect(run_, &DrillRun::recorded, this, [] { ShowWait(); });
    connect(run_, &DrillRun::leave, this, &MainFrm::leaveRun);
    connect(run_, &DrillRun::soundStopped, this,
            [](const QString& message) { stopProgram(kSoundErrorTitle, message); });
}

void MainFrm::leaveRun(DrillRun::Leave where)
{
    sTimer1->stop();
    switch (where) {
    case DrillRun::Leave::ToFinish: {
        const RunOutcome outcome = run_->outcome().value_or(RunOutcome());
        screens::request([outcome] {
            screens::close(ScreenId::Drill);
            screens::show(ScreenId::Finish, [&outcome](QWidget* w) {
                if (auto* finish = qobject_cast<FrmSyuuryou*>(w)) finish->setOutcome(outcome);
            });
        });
        break;
    }
    case DrillRun::Leave::ToMenu:
        // A run that is not recorded: its pupil goes back to the menu rather
        // than being left on a finished drill.
        ShowWait();
        screens::request([] {
            screens::close(ScreenId::Drill);
            showMenuScreen();
            CloseWait();
        });
        break;
    case DrillRun::Leave::Back:
        // Leaving practice: the notice panel without its notice, then the dashboard.
        lblsss1->hide();
        lblsss2->hide();
        sPicture2->show();
        sPicture2->raise();
        leaveForDashboard();
        break;
    }
}

void MainFrm::Form_Activate()
{
    ProgramState& s = state();
    // 1. The level's questions and map.
    const LoadOutcome loaded = LoadQuestions(s.SelectedLevel, &content_);
    if (!loaded.ok) {
        // A level that cannot be played goes back to the dashboard; nothing is recorded.
        messages().inform(QStringLiteral("エラー"), loaded.message);
        leaveForDashboard();
        return;
    }
    surface_.load(content_.map);
    // On a screen that draws the map larger than life, the larger picture
    // that fits it (2x up to twice the size, else 3x) is shown, smoothly scaled.
    if (const qreal ratio = devicePixelRatioF(); ratio > 1.01) {
        const int scale = ratio <= 2.0 ? 2 : 3;
        surface_.setDetail(mapImage(mapKeyForLevel(s.SelectedLevel) + QStringLiteral("@%1x").arg(scale)));
    }
    BasePictureBox->setPicture(surface_.clean());
    Picture2->setPixmap(QPixmap::fromImage(surface_.clean()));

    // 2.-3. The drill area below the status panel; a clean map at the viewport's corner.
    PicNuritubusiBase->setGeometry(0, kStatusHeight, kFrameWidth, kFrameHeight - kStatusHeight);
    cleanMap();
    setMapPosition(QPoint(0, 0));
    PicNuritubusiBase->show();

    makeRun();
    初期設定();
    レベル別設定();
    スタート();
}

void MainFrm::初期設定()
{
    ProgramState& s = state();
    const int L = s.SelectedLevel;
    const int P = s.CurrentPupil;
    // The dashboard and the wait window stay closed during the run.
    screens::close(ScreenId::Dashboard);
    CloseWait();

    if (validLevel(L) && s.LevelTimed[size_t(L)] == 1) {
        const long timeLimit = run_->timeLimit();
        sLabel10->setText(QStringLiteral("0"));
        if (timeLimit > 0) {
            TimeBarScale = double(sShape5->width()) / double(timeLimit);
            sShape2->setGeometry(0, sShape2->y(), 0, sShape2->height());
            const int target = std::min(sShape5->width(), int(double(s.TargetTime[size_t(L)]) * TimeBarScale));
            const int limit = std::min(sShape5->width(), int(double(s.LimitTime[size_t(L)]) * TimeBarScale));
            sShape3->setGeometry(0, 0, std::max(0, target), sShape5->height());
            sShape4->setGeometry(0, 0, std::max(0, limit), sShape5->height());
            sShape5->show();
        } else {
            // No limit time: no bar, and the run never runs out of time.
            TimeBarScale = 0;
            sShape5->hide();
        }
    }

    sLabel2->setText(s.ProgramTitle);
    QFont titleFont(kFontFamily);
    titleFont.setBold(true);
    titleFont.setPointSizeF(s.ProgramTitle.size() < 10 ? 16.8 : 14.0);
    sLabel2->setFont(titleFont);
    sLabel7->setText(s.CurrentPupilName.trimmed());
    sLabel14->setText(s.SchoolName);
    sLabel8->setText(validLevel(L) ? s.LevelNames[size_t(L)] : QString());

    double today = 0;
    if (validPupil(P))
        for (int i = 1; i <= 15; ++i) today += double(s.TodayCount(i, P));
    s.TodayTotalRuns = int(today);
    sLabel12->setText(numberText(s.TodayTotalRuns + 1));
    const double thisLevel = (validLevel(L) && validPupil(P)) ? double(s.TodayCount(L, P)) : 0.0;
    sLabel11->setText(numberText(thisLevel + 1));
    sTimer2_Timer();
}

void MainFrm::レベル別設定()
{
    switch (kind_) {
    case DrillKind::Practice:
        arrange(kPracticeArrangement);
        ListNuritubusi->hide();
        ListNuritubusi2->hide();
        CmdNuritubusimodoru->show();
        LblNuritubusiSiji->setText(QStringLiteral("マウスを動かして覚えなさい"));
        LblNuritubusiSiji->show();
        Label3->hide();
        LblNuritubusi2->setText(QString());
        LblNuritubusi7->setText(QString());
        break;
    case DrillKind::MapLevel:
        arrange(kMapLevelArrangement);
        LblNuritubusi6->show();
        LblNuritubusi2->show();
        setSlotColour(LblNuritubusi4, mapcolour::Pressed);
        setSlotColour(Lblnuritubusi9, mapcolour::Pressed);
        CmdNuritubusikakunin->resize(List2->width(), kButtonHeight);
        break;
    case DrillKind::ListLevel:
        arrange(kListLevelArrangement);
        LblNuritubusiSiji->setText(QStringLiteral("赤色の付いているのはどこ"));
        LblNuritubusiSiji->show();
        for (int i = 0; i < 4; ++i) {
            PicNuritubusiIdou[size_t(i)]->setEnabled(false);
            PicNuritubusiIdou2[size_t(i)]->setEnabled(false);
        }
        ListNuritubusi->show();
        ListNuritubusi->setEnabled(true);
        ListNuritubusi2->show();
        ListNuritubusi2->setEnabled(true);
        CmdNuritubusiOK->show();
        CmdNuritubusikakunin->setGeometry(CmdNuritubusiOK->geometry());
        break;
    }
    // The name lists of the level.
    ListNuritubusi->clear();
    ListNuritubusi->addItems(content_.table.firstList);
    ListNuritubusi2->clear();
    ListNuritubusi2->addItems(content_.table.secondList);
    setRemaining(run_->questionsPerRun());
}

void MainFrm::スタート()
{
    sTimer1->start();
    run_->start();
}

void MainFrm::cleanMap()
{
    // Practice takes the viewport's picture, a run the clean-map holder's: the same image.
    surface_.reset();
    // Each question starts from the whole map: the pupil first looks for the
    // region (zooming in again is one wheel notch or double click).
    PicNuritubusiPic->resetZoom();
    PicNuritubusiPic->setOutline(QImage());
    PicNuritubusiPic->setRing(std::nullopt);
    PicNuritubusiPic->refresh();
}

void MainFrm::問題作成表示(int question)
{
    for (QLabel* l : {LblNuritubusi2, LblNuritubusi7, Label3}) setSlotColour(l, kGreen);
    switch (kind_) {
    case DrillKind::Practice: break;
    case DrillKind::MapLevel:
        List2->hide();
        drawQuestion(question);
        CmdNuritubusiOK->hide();
        break;
    case DrillKind::ListLevel:
        List2->hide();
        CmdNuritubusiOK->show();
        CmdNuritubusiOK->setEnabled(true);
        ListNuritubusi->show();
        ListNuritubusi->setEnabled(true);
        ListNuritubusi2->show();
        ListNuritubusi2->setEnabled(true);
        drawQuestion(question);
        ListNuritubusi->clearSelection();
        ListNuritubusi->setCurrentRow(-1);
        ListNuritubusi2->clearSelection();
        ListNuritubusi2->setCurrentRow(-1);
        ListNuritubusi->setFocus();  // the keyboard starts in the name list
        LblNuritubusi2->setText(QStringLiteral("?"));
        if (LblNuritubusi8->text() == QStringLiteral("-")) {
            LblNuritubusi7->setText(QStringLiteral("-"));
            ListNuritubusi2->setEnabled(false);
        } else {
            LblNuritubusi7->setText(QStringLiteral("?"));
            ListNuritubusi2->setEnabled(true);
        }
        Label3->setText(QStringLiteral("?"));
        break;
    }
}

void MainFrm::drawQuestion(int q)
{
    if (kind_ == DrillKind::Practice) return;  // nothing is asked
    const QuestionTable& table = content_.table;
    const Question& question = table.at(q);

    if (kind_ == DrillKind::MapLevel) {
        RelatedCount = question.relatedCount();
        HasRelated = RelatedCount > 0 ? 1 : 0;
        const MapPrompt prompt = makeMapPrompt(question, rnd());
        LblNuritubusi2->setText(prompt.nameSlot);
        LblNuritubusi7->setText(prompt.secondSlot);
        Label3->setText(prompt.relatedSlot);
        Label3->show();
        LblNuritubusi7->show();
        cleanMap();
        PicNuritubusiPic->setEnabled(true);
        return;
    }

    // List level: the answer key, the related-place choices and the red area.
    List3->clear();
    const RelatedChoices choices = chooseRelatedChoices(table, q, rnd());
    CorrectRelated = choices.correct;
    if (choices.shown) {
        List3->addItems(choices.choices);
        List3->setCurrentRow(-1);
        List3->clearSelection();
        List3->show();
        List3->setEnabled(true);
        Label3->show();
    } else {
        List3->hide();
        Label3->hide();
    }
    LblNuritubusi7->show();
    const ListKey key = listKey(question);
    Lblnuritubusi1->setText(key.name);
    LblNuritubusi8->setText(key.second);
    cleanMap();
    setMapPosition(positionForSeed(QPoint(question.seedX, question.seedY), BasePictureBox->size(),
                                   QSize(surface_.width(), surface_.height())));
    surface_.fill(question.seedX, question.seedY, mapcolour::Question);
    PicNuritubusiPic->setRing(QPoint(question.seedX, question.seedY));  // a small area still catches the eye
    PicNuritubusiPic->refresh();
    PicNuritubusiPic->setEnabled(true);
}

void MainFrm::showRelatedPlaces(int question, bool show)
{
    List2->clear();
    if (question >= 1 && question <= content_.table.count()) List2->addItems(content_.table.at(question).relatedPlaces());
    if (show) List2->show();
}

void MainFrm::判定()
{
    const ListKey key{Lblnuritubusi1->text(), LblNuritubusi8->text()};
    const ListJudgement j = judgeListAnswer(LblNuritubusi2->text(), LblNuritubusi7->text(), Label3->text(),
                                            Label3->isHidden(), key, CorrectRelated);
    setSlotColour(LblNuritubusi2, j.nameRight ? kRightSlot : kWrongSlot);
    setSlotColour(LblNuritubusi7, j.secondRight ? kRightSlot : kWrongSlot);
    setSlotColour(Label3, j.relatedRight ? kRightSlot : kWrongSlot);
    verdict_ = j.verdict;
}

void MainFrm::showJudged(int verdict)
{
    showVerdictSigns(verdict);
    if (verdict == kVerdictRight && sharedRight_)
        showSharedRight();
    else if (verdict == kVerdictRight)
        CmdNuritubusiOK->setEnabled(false);  // the next question enables it again
    else
        showCorrection();
}

void MainFrm::showCorrection()
{
    // The correction stays on screen until "次へ".
    showRelatedPlaces(run_->currentQuestion());
    CmdNuritubusiOK->hide();
    setCorrectionShown(true);
    penaltyBadge->showPenalty();
    CmdNuritubusikakunin->show();
    CmdNuritubusikakunin->raise();
    if (CmdNuritubusikakunin->isEnabled()) CmdNuritubusikakunin->setFocus();
}

void MainFrm::clearCorrection()
{
    CmdNuritubusikakunin->hide();
    clearVerdictSigns();
    for (QLabel* l : {LblNuritubusi2, LblNuritubusi7, Label3}) setSlotColour(l, kGreen);
    setCorrectionShown(false);
    if (sharedRight_) {
        sharedRight_ = false;
        Label5->setText(QStringLiteral("あなたが押したのは"));
        setSlotColour(LblNuritubusi4, mapcolour::Pressed);
        setSlotColour(Lblnuritubusi9, mapcolour::Pressed);
        CmdNuritubusiOK->setEnabled(false);
    }
}

void MainFrm::showSharedRight()
{
    // The press is right, but the place the question asked is another one
    // that the shown related place is true of too: it is shown as well, in
    // the corrected colour and ringed, until "次へ"; there is no penalty.
    setCorrectionShown(true);
    for (QLabel* l : {LblNuritubusi2, LblNuritubusi7, Label3, LblNuritubusi4, Lblnuritubusi9}) setSlotColour(l, kRightSlot);
    Label5->setText(QStringLiteral("あなたが押したのも正解"));
    const Question& q = content_.table.at(run_->currentQuestion());
    PicNuritubusiPic->setRing(QPoint(q.seedX, q.seedY));
    CmdNuritubusikakunin->show();
    CmdNuritubusikakunin->raise();
}

void MainFrm::setCorrectionShown(bool shown)
{
    switch (kind_) {
    case DrillKind::MapLevel:
        // What the pupil pressed, under the question in the corrected colour.
        Label5->setVisible(shown);
        LblNuritubusi4->setVisible(shown);
        Lblnuritubusi9->setVisible(shown);
        if (shown)
            for (QLabel* l : {LblNuritubusi2, LblNuritubusi7, Label3}) setSlotColour(l, mapcolour::Corrected);
        break;
    case DrillKind::ListLevel:
        // The right names, and the pupil's own answer above them.
        Label6->setVisible(shown);
        Lblnuritubusi1->setVisible(shown);
        LblNuritubusi8->setVisible(shown);
        if (shown) {
            LblNuritubusiSiji->setText(QStringLiteral("あなたが選んだのは"));
        } else {
            CmdNuritubusiOK->show();
            LblNuritubusiSiji->setText(QStringLiteral("色の付いているのはどこ"));
        }
        break;
    case DrillKind::Practice: break;  // practice is never judged
    }
}

void MainFrm::CmdNuritubusikakunin_Click() { run_->next(); }

void MainFrm::PicNuritubusiPic_MouseDown(int x, int y)
{
    if (kind_ != DrillKind::MapLevel || !run_ || !run_->takes(DrillRun::Input::Answer)) return;
    const int asked = run_->currentQuestion();
    if (asked < 1 || asked > content_.table.count()) return;
    const Question& q = content_.table.at(asked);

    // A press beside a place (a few pixels off a thin river) takes the nearest
    // place; a press farther from any place (the sea, a border, a sample
    // colour) is no answer: the pupil may press again.
    const std::optional<QPoint> target = nearestPlacePoint(surface_, content_.table, x, y);
    if (!target) return;
    x = target->x();
    y = target->y();
    lastPress_ = *target;

    PicNuritubusiPic->setEnabled(false);
    PicNuritubusiPic->setOutline(QImage());
    LblNuritubusi2->setText(ShownForm(q.displayName));
    LblNuritubusi7->setText(secondOrDash(ShownForm(q.secondDisplayName)));
    showRelatedPlaces(asked);
    // Label3 shows the prompt's related place ("?" when the prompt was a name).
    const PressResult r = judgeMapPress(surface_, content_.table, asked, x, y, Label3->text());
    PicNuritubusiPic->refresh();
    LblNuritubusi4->setText(r.pressedName);
    Lblnuritubusi9->setText(r.pressedSecond);
    sharedRight_ = r.rightByShared;
    // Right by another place: counted once the pupil has seen the asked one ("次へ").
    run_->answer(r.verdict, r.rightByShared);
}

void MainFrm::placePracticeCaptions(int x, int y)
{
    // Sized to their texts, then put away from the place under the pointer.
    for (QLabel* l : {Label7, Label8, Label9}) l->adjustSize();
    auto sizeIfShown = [](const QLabel* l) { return l->isVisibleTo(l->parentWidget()) ? l->size() : QSize(); };
    const QPoint pointer = PicNuritubusiPic->viewportPointOf(QPoint(x, y)).toPoint();
    const CaptionBlock b = placeCaptionsAway(pointer, BasePictureBox->size(), sizeIfShown(Label7), sizeIfShown(Label8),
                                             sizeIfShown(Label9));
    Label7->move(b.label7);
    Label8->move(b.label8);
    Label9->move(b.label9);
}

void MainFrm::PicNuritubusiPic_MouseMove(int x, int y)
{
    const auto outlineTarget = qScopeGuard([&] { showPressTarget(x, y); });
    if (kind_ != DrillKind::Practice) return;
    List2->show();
    const HoverResult r = hoverAt(surface_, content_.table, x, y);
    if (r.kind == HoverResult::Nothing) return;
    if (r.kind == HoverResult::Clear) {
        LblNuritubusi2->setText(QString());
        LblNuritubusi7->setText(QString());
        List2->clear();
        Label7->hide();
        Label8->hide();
        Label9->hide();
        return;
    }
    PicNuritubusiPic->refresh();
    LblNuritubusi2->setText(r.nameSlot);
    LblNuritubusi7->setText(r.secondSlot);
    List2->clear();
    List2->addItems(r.related);

    Label7->hide();
    Label8->hide();
    Label9->hide();
    Label7->setText(QStringLiteral(" ") + LblNuritubusi2->text() + QStringLiteral(" "));
    Label8->setText(QStringLiteral(" ") + LblNuritubusi7->text() + QStringLiteral(" "));
    QString lines;
    for (int i = 0; i < List2->count(); ++i) lines += List2->item(i)->text() + QStringLiteral("\r\n");
    Label9->setText(lines);
    Label9->setText(lines.trimmed());
    const QString t8 = Label8->text().trimmed();
    Label7->setVisible(!Label7->text().trimmed().isEmpty());
    Label8->setVisible(!t8.isEmpty() && t8 != kNoSecondName);
    Label9->setVisible(!Label9->text().trimmed().isEmpty());
    placePracticeCaptions(x, y);
    Label7->raise();
    Label8->raise();
    Label9->raise();
}

static std::optional<QString> choiceText(QListWidget* list, int row)
{
    if (row < 0 || row >= list->count()) return std::nullopt;
    return slotTextForChoice(list->item(row)->text());
}

// A choice in a name list writes its slot; a double click then also submits.
void MainFrm::chooseName(QListWidget* list, QLabel* slot, int row, bool submit)
{
    const auto text = choiceText(list, row);
    if (!text) return;  // a heading (or nothing) was chosen
    slot->setText(*text);
    if (!submit) return;
    ListNuritubusi->hide();
    ListNuritubusi2->hide();
    submitListAnswer();
}

void MainFrm::ListNuritubusi_Click(int row) { chooseName(ListNuritubusi, LblNuritubusi2, row, false); }
void MainFrm::ListNuritubusi_DblClick(int row) { chooseName(ListNuritubusi, LblNuritubusi2, row, true); }
void MainFrm::ListNuritubusi2_Click(int row) { chooseName(ListNuritubusi2, LblNuritubusi7, row, false); }
void MainFrm::ListNuritubusi2_DblClick(int row) { chooseName(ListNuritubusi2, LblNuritubusi7, row, true); }

void MainFrm::List3_Click(int row)
{
    if (row < 0 || row >= List3->count()) return;
    Label3->setText(List3->item(row)->text().trimmed());
}

void MainFrm::List3_DblClick(int row)
{
    if (row < 0 || row >= List3->count()) return;
    Label3->setText(List3->item(row)->text().trimmed());
    submitListAnswer();
}

void MainFrm::CmdNuritubusiOK_Click() { submitListAnswer(); }

void MainFrm::submitListAnswer()
{
    // One submission per question: only while the question is asked.
    if (kind_ != DrillKind::ListLevel || !run_ || !run_->takes(DrillRun::Input::Answer)) return;
    showRelatedPlaces(run_->currentQuestion(), false);  // filled now, shown with a correction
    ListNuritubusi->hide();
    ListNuritubusi2->hide();
    List3->hide();
    判定();
    run_->answer(verdict_);
}

void MainFrm::PicNuritubusiIdou_Click(int index)
{
    if (!PicNuritubusiIdou[size_t(index)]->isEnabled()) return;
    setMapPosition(scrollByBar(mapPosition(), index, BasePictureBox->size(), PicNuritubusiPic->size()));
}

void MainFrm::PicNuritubusiIdou2_Click(int index)
{
    if (!PicNuritubusiIdou2[size_t(index)]->isEnabled()) return;
    setMapPosition(scrollByCorner(mapPosition(), index, BasePictureBox->size(), PicNuritubusiPic->size()));
}

void MainFrm::CmdNuritubusimodoru_Click()
{
    if (run_) run_->back();
}

void MainFrm::sTimer1_Timer()
{
    if (run_) run_->tick();
}

void MainFrm::showClock(long elapsed)
{
    const ProgramState& s = state();
    const int L = s.SelectedLevel;
    CountdownThresholds t;
    if (validLevel(L)) {
        t.best = BestThreshold[size_t(L)];
        t.yourBest = YourBestThreshold[size_t(L)];
        t.target = s.TargetTime[size_t(L)];
        t.limit = s.LimitTime[size_t(L)];
    }
    for (int box : countdownBoxesToHide(elapsed, t)) {
        boxHidden_[size_t(box)] = true;
        sPicture3[size_t(box)]->hide();
    }
    if (validLevel(L) && s.LevelTimed[size_t(L)] == 1) sLabel10->setText(numberText(double(elapsed)));
    const long timeLimit = run_->timeLimit();
    if (timeLimit <= 0) return;  // no limit: no bar
    // The bar is full from the limit on.
    sShape2->resize(timeBarWidth(elapsed, timeLimit, sShape5->width()), sShape2->height());
}

void MainFrm::sTimer2_Timer()
{
    const long minutes = wholeMinutes(secondsSinceSignIn(state(), clock().monotonicSeconds(), clock().secondsSinceMidnight()));
    sLabel13->setText(numberText(double(minutes)));
}

void MainFrm::showNotice(bool timeOver)
{
    lblsss1->setVisible(!timeOver);
    lblsss2->setVisible(timeOver);
    sPicture2->show();
    sPicture2->raise();
    // On screen while the run is recorded.
    sPicture2->repaint();
}

void MainFrm::showPressTarget(int x, int y)
{
    // A map level's question waiting for its press, or practice going on.
    const bool taking = kind_ != DrillKind::ListLevel && PicNuritubusiPic->isEnabled() && run_ &&
                        (run_->takes(DrillRun::Input::Answer) || run_->phase() == DrillRun::Phase::Practising);
    // Practice names only what lies right under the mouse, so its outline
    // takes no place beside the pointer either.
    const int reach = kind_ == DrillKind::Practice ? 0 : kPressReach;
    const std::optional<QPoint> target =
        taking ? nearestPlacePoint(surface_, content_.table, x, y, reach) : std::optional<QPoint>();
    if (!target) {
        if (!PicNuritubusiPic->outlinedPatch().isNull()) PicNuritubusiPic->setOutline(QImage());
        return;
    }
    // Still on the outlined patch: nothing to redo.
    const QImage& shown = PicNuritubusiPic->outlinedPatch();
    const int k = surface_.detailScale();
    if (kind_ != DrillKind::Practice && !shown.isNull() && shown.constScanLine(target->y() * k)[target->x() * k] != 0) return;
    PicNuritubusiPic->setOutline(surface_.patchMask(target->x(), target->y()));
}

void MainFrm::showVerdictSigns(int verdict)
{
    if (verdict != kVerdictRight && verdict != kVerdictWrong) return;
    const AnswerSign::Kind kind = verdict == kVerdictRight ? AnswerSign::Right : AnswerSign::Wrong;
    // A right answer's "○" shows for a moment; a wrong answer's "×" stays with the correction.
    const bool forAMoment = verdict == kVerdictRight;
    if (kind_ == DrillKind::MapLevel) {
        PicNuritubusiPic->showSign(kind, lastPress_, forAMoment);
        const int asked = run_->currentQuestion();
        if (verdict == kVerdictWrong && asked >= 1 && asked <= content_.table.count()) {
            const Question& q = content_.table.at(asked);
            PicNuritubusiPic->setRing(QPoint(q.seedX, q.seedY));
        }
    } else {
        const QRect answer = LblNuritubusi2->geometry().united(Label3->isHidden() ? LblNuritubusi7->geometry()
                                                                                 : Label3->geometry());
        listSign->showSign(kind, QPoint(answer.right() - listSign->width() / 2 - 4, answer.center().y()), forAMoment);
    }
}

void MainFrm::clearVerdictSigns()
{
    mapSign->hideSign();
    listSign->hideSign();
    PicNuritubusiPic->setRing(std::nullopt);
}

void MainFrm::keyPressEvent(QKeyEvent* e)
{
    // Enter presses the button that has the focus ("次へ" after a correction).
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (auto* b = qobject_cast<QPushButton*>(focusWidget()); b && b->isVisible() && b->isEnabled()) {
            b->click();
            return;
        }
    }
    Screen::keyPressEvent(e);
}

} // namespace karuvel
