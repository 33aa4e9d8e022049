#pragma once
// MainFrm: the drill window. A status panel across the top, the map on the
// left with its scroll bars and the answer panel on the right. One window per
// run: it is created when a run starts and closed when the run ends. Its
// kind (DrillKind: practice, map level, list level) is worked out once when
// it activates. The run itself (its phase, counts, clock, cues and end) is a
// DrillRun the window makes at activation: the window passes presses,
// choices, buttons and clock ticks to it and draws what it announces. The
// rules it asks (questions, judging, pixels, scrolling, the clock) are
// DrillLogic.h; the order of a run is DrillRun.h.
#include "drill/DrillLayout.h"
#include "drill/DrillLogic.h"
#include "drill/DrillRun.h"
#include "drill/DrillWidgets.h"
#include "drill/Feedback.h"
#include "drill/MapSurface.h"
#include "drill/Questions.h"
#include "frame/Screen.h"
#include "state/ProgramState.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <optional>
#include <span>
#include <vector>

namespace karuvel {

class MainFrm : public Screen {
    Q_OBJECT
public:
    MainFrm();
    ~MainFrm() override;

    void activate() override;

    // Set-up.
    void Form_Activate();         // loads the level's questions and map, makes the run, then the three steps below
    void 初期設定();              // initial set-up: closes the dashboard, fills the status panel and the time bar
    void レベル別設定();          // per-level set-up: arranges the answer panel for the drill kind
    void スタート();              // start: the run's clock and the run start (the first question is asked)

    // What the run announces, drawn.
    void 問題作成表示(int question);  // next question: clears the slots, then drawQuestion
    // CmdNuritubusiSyutudai_Click: writes the question's prompt (map) or shows its red area and choices (list).
    void drawQuestion(int question);
    void 判定();                  // judge: compares a list answer slot by slot, colours the slots; the verdict
    // CmdNuritubusiPicload_Click: puts the clean map back on the surface.
    void cleanMap();

    // Events.
    void PicNuritubusiPic_MouseDown(int x, int y);  // a press on the map: the answer of a map level
    void PicNuritubusiPic_MouseMove(int x, int y);  // the mouse on the map: practice names the place
    // A choice in a name list writes its slot; a double click also submits.
    void chooseName(QListWidget* list, QLabel* slot, int row, bool submit);
    void ListNuritubusi_Click(int row);       // a name chosen
    void ListNuritubusi_DblClick(int row);    // a name chosen and the answer submitted
    void ListNuritubusi2_Click(int row);      // a second name chosen
    void ListNuritubusi2_DblClick(int row);   // a second name chosen and the answer submitted
    void List3_Click(int row);                // a related place chosen
    void List3_DblClick(int row);             // a related place chosen and the answer submitted
    void CmdNuritubusiOK_Click();             // "O.K.": submits the list answer
    void CmdNuritubusikakunin_Click();        // "次へ": leaves the correction for the next question
    void CmdNuritubusimodoru_Click();         // "戻る": leaves practice for the dashboard, nothing recorded
    void PicNuritubusiIdou_Click(int index);  // a scroll bar: moves the map a tenth of its size
    void PicNuritubusiIdou2_Click(int index); // a corner box: moves the map as its two bars
    void sTimer1_Timer();                     // each second: the run's clock
    void sTimer2_Timer();                     // every ten seconds: minutes since sign-in

    // The run of this window (none before activation, or when the level could not be loaded).
    DrillRun* run() const { return run_; }
    // The prompt of a map level's question and the answer key of a list level's.
    int RelatedCount = 0;       // related places of a map level's question
    int HasRelated = 0;
    QString CorrectRelated;     // the right related-place choice of a list level's question
    double TimeBarScale = 0;    // pixels of the time bar per second
    std::array<long, kLevelSlots> BestThreshold{};      // countdown rows: the school's best per level
    std::array<long, kLevelSlots> YourBestThreshold{};  // and the pupil's own

    const LevelContent& content() const { return content_; }
    MapSurface& surface() { return surface_; }
    // The kind of drill, worked out when the window activates.
    DrillKind kind() const { return kind_; }
    // The map's position inside the viewport.
    QPoint mapPosition() const;

    // Status panel.
    QWidget* sPicture1;   // the status panel across the top
    QLabel* sLabel2;      // program title
    QLabel* sLabel7;      // pupil's name
    QLabel* sLabel14;     // school name
    QLabel* sLabel8;      // level name
    QLabel* sLabel9;      // right answers still needed ("残り … 問")
    QLabel* sLabel10;     // seconds since the start
    QLabel* sLabel13;     // minutes since sign-in
    QLabel* sLabel12;     // today's run number over all levels
    QLabel* sLabel11;     // today's run number of this level
    QWidget* sShape5;     // time bar: its width is the time until time over
    QWidget* sShape2;     // the elapsed time (blue) across the bar
    QWidget* sShape3;     // the target time (green) on the bar
    QWidget* sShape4;     // the limit time (light green) on the bar
    std::array<QWidget*, 40> sPicture3{};  // countdown boxes 10..19 Best, 20..29 YourBest, 30..39 Pass
    QWidget* sPicture2;   // notice panel over the left of the status panel
    QLabel* lblsss1;      // "成績記録中": the run is being recorded
    QLabel* lblsss2;      // "時間切れ": time over
    QTimer* sTimer1;      // the run's clock, every second
    QTimer* sTimer2;      // minutes since sign-in, every ten seconds

    // Drill area.
    QWidget* PicNuritubusiBase;      // everything below the status panel
    MapViewport* BasePictureBox;     // the map's viewport, showing the clean map behind the surface
    MapView* PicNuritubusiPic;       // the map surface: pressed on map levels, followed in practice
    QLabel* Picture2;                // the clean map, kept hidden
    std::array<ScrollBox*, 4> PicNuritubusiIdou{};   // scroll bars: left, right, top, bottom
    std::array<ScrollBox*, 4> PicNuritubusiIdou2{};  // corner boxes: left-top, left-bottom, right-top, right-bottom
    QLabel* LblNuritubusi2;          // name slot: the name asked (map), chosen (list) or under the mouse (practice)
    QLabel* LblNuritubusi7;          // second-name slot, likewise
    QLabel* Label3;                  // related-place slot, likewise
    QLabel* LblNuritubusi6;          // map levels' instruction "関連する場所を押しなさい"
    QLabel* LblNuritubusiSiji;       // instruction line of list levels and practice
    QLabel* Label5;                  // map-level correction: heading "あなたが押したのは"
    QLabel* LblNuritubusi4;          // map-level correction: name of the place pressed
    QLabel* Lblnuritubusi9;          // map-level correction: its second name
    QLabel* Label6;                  // list-level correction: heading "正解は"
    QLabel* Lblnuritubusi1;          // list level's right name (shown with the correction)
    QLabel* LblNuritubusi8;          // list level's right second name ("-" when there is none)
    QListWidget* List2;              // related places of the question (correction) or under the mouse (practice)
    QListWidget* List3;              // list levels: related-place choices
    QListWidget* ListNuritubusi;     // list levels: names, with headings
    QListWidget* ListNuritubusi2;    // list levels: second names, with headings
    QPushButton* CmdNuritubusiOK;    // "O.K.": submits a list answer
    QPushButton* CmdNuritubusikakunin;  // "次へ": ends the correction
    QPushButton* CmdNuritubusimodoru;   // "戻る": leaves practice
    QLabel* Label7;                  // practice caption beside the mouse: name
    QLabel* Label8;                  // practice caption: second name
    QLabel* Label9;                  // practice caption: related places
    std::array<QLabel*, 6> Label4{};  // hidden row anchors the answer panel is arranged by
    // Feedback a child sees without sound: "○" / "×" on the map where it was
    // pressed (map levels) or beside the answer slots (list levels), and
    // "+10秒" beside the clock.
    AnswerSign* mapSign;        // "○"/"×" on the map where it was pressed
    AnswerSign* listSign;       // "○"/"×" beside the answer slots
    PenaltyBadge* penaltyBadge; // "+10秒" beside the clock

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildStatusPanel();
    void buildDrillArea();
    void leaveForDashboard();
    void makeRun();
    // What the run announces.
    void showJudged(int verdict);   // the ○ / ×; a right answer disables "O.K.", a wrong one shows the correction
    void showCorrection();          // the right answer beside the pupil's, the penalty's badge, "次へ"
    void showSharedRight();         // right by another place of the shown related place: the asked one shown until "次へ"
    void clearCorrection();         // "次へ": the correction goes
    void showClock(long elapsed);   // the time, the bar, the countdown boxes
    void showNotice(bool timeOver); // "時間切れ" or "成績記録中" over the status panel
    void leaveRun(DrillRun::Leave where);
    // Shows or hides the correction rows of the kind of level.
    void setCorrectionShown(bool shown);
    void submitListAnswer();
    void showRelatedPlaces(int question, bool show = true);
    void setMapPosition(QPoint p);
    void placeBelow(QWidget* w, QWidget* above);
    void placeAt(QWidget* w, int top);
    // The answer panel's control of that objectName.
    QWidget* control(const char* name) const;
    // Moves the answer panel's controls as the steps say, in their order.
    void arrange(std::span<const drillui::Arranged> steps);
    void setRemaining(int remaining);
    // Practice's captions, sized and put away from the place under the pointer (map pixel x, y).
    void placePracticeCaptions(int x, int y);
    // The outline of the place a press at (x, y) would take, while a press
    // would be taken; none otherwise.
    void showPressTarget(int x, int y);
    // The ○ / × of a verdict (kVerdictRight, kVerdictWrong); when wrong, the ring round the right place.
    void showVerdictSigns(int verdict);
    int verdict_ = kVerdictNone;  // of the list answer just judged
    void clearVerdictSigns();

    LevelContent content_;
    MapSurface surface_;
    DrillKind kind_ = DrillKind::ListLevel;
    bool activated_ = false;
    DrillRun* run_ = nullptr;
    std::vector<bool> boxHidden_ = std::vector<bool>(40, false);
    QPoint lastPress_;  // the map point the last accepted press took
    bool sharedRight_ = false;  // the press shown is right by another place; "次へ" counts it
};

} // namespace karuvel
