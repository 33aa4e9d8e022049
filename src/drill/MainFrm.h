#pragma once
// MainFrm: the drill window. A status panel across the top, the map on the
// left with its scroll bars and the answer panel on the right. One window per
// run: it is created when a run starts and closed when the run ends.
#include "drill/DrillLogic.h"
#include "drill/Feedback.h"
#include "drill/MapSurface.h"
#include "drill/Questions.h"
#include "frame/Screen.h"
#include "records/RunFlow.h"
#include "state/ProgramState.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <optional>
#include <vector>

namespace karuvel {

// The question asked last; kept from one run to the next (0 = none yet).
int& PreviousQuestion();

// PicNuritubusiPic: shows the map surface at one image pixel per unit and
// reports presses and mouse movements in image pixels. Where the surface has
// a larger picture (a screen that draws the map larger than life) that one is
// shown, smoothly scaled. Over the map it draws the outline of the place a
// press would take and, during a correction, the ring round the right place.
class MapView : public QWidget {
    Q_OBJECT
public:
    MapView(MapSurface* surface, QWidget* parent);
    void refresh();
    // The outline round a patch (a mask of the shown picture's size, as
    // MapSurface::patchMask gives it); a null mask removes it.
    void setOutline(const QImage& patchMask);
    const QImage& outlinedPatch() const { return outlinedPatch_; }
    // The pulsing ring round a map point (centre of a pixel); off when not given.
    void setRing(std::optional<QPoint> mapPixel);
    std::optional<QPoint> ring() const { return ring_; }

signals:
    void pressed(int x, int y);
    void moved(int x, int y);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    MapSurface* surface_;
    QImage outlinedPatch_;
    QImage outline_;
    std::optional<QPoint> ring_;
    double ringPhase_ = 0;
    QTimer* ringTimer_;
};

// The viewport behind the surface: it shows the clean map as its own picture.
class MapViewport : public QWidget {
    Q_OBJECT
public:
    explicit MapViewport(QWidget* parent);
    void setPicture(const QImage& image);
    const QImage& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage picture_;
};

// A scroll bar or corner box around the map: pressing it moves the map.
class ScrollBox : public QLabel {
    Q_OBJECT
public:
    ScrollBox(const QString& arrow, QWidget* parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void changeEvent(QEvent* e) override;
};

class MainFrm : public Screen, public IRunScreen {
    Q_OBJECT
public:
    MainFrm();
    ~MainFrm() override;

    void activate() override;

    // IRunScreen
    void showNotice(bool timeOver) override;
    void stopClock() override;

    // Set-up and run.
    void Form_Activate();
    void 初期設定();
    void レベル別設定();
    void スタート();
    void 問題作成表示();
    void CmdNuritubusiSyutudai_Click();
    void 判定();
    void 判定後処理();
    void CmdNuritubusiPicload_Click();

    // Events.
    void PicNuritubusiPic_MouseDown(int x, int y);
    void PicNuritubusiPic_MouseMove(int x, int y);
    void chooseName(QListWidget* list, QLabel* slot, int row, bool submit);
    void ListNuritubusi_Click(int row);
    void ListNuritubusi_DblClick(int row);
    void ListNuritubusi2_Click(int row);
    void ListNuritubusi2_DblClick(int row);
    void List3_Click(int row);
    void List3_DblClick(int row);
    void CmdNuritubusiOK_Click();
    void CmdNuritubusikakunin_Click();
    void CmdNuritubusimodoru_Click();
    void PicNuritubusiIdou_Click(int index);
    void PicNuritubusiIdou2_Click(int index);
    void sTimer1_Timer();
    void sTimer2_Timer();

    // Run state of the window.
    double RunStartTime = 0;
    int QuestionsPerRun = 0;
    int Verdict = kVerdictNone;
    int CurrentQuestion = 0;
    std::vector<int> QuestionDone = std::vector<int>(kMaxQuestions + 1, 0);
    int RelatedCount = 0;
    int HasRelated = 0;
    QString CorrectRelated;
    long TimeLimit = 0;
    double TimeBarScale = 0;
    std::array<long, kLevelSlots> BestThreshold{};
    std::array<long, kLevelSlots> YourBestThreshold{};

    const LevelContent& content() const { return content_; }
    MapSurface& surface() { return surface_; }
    // The kind of drill, worked out when the window activates.
    DrillKind kind() const { return kind_; }
    // The map's position inside the viewport.
    QPoint mapPosition() const;

    // Status panel.
    QWidget* sPicture1;
    QLabel* sLabel2;
    QLabel* sLabel7;
    QLabel* sLabel14;
    QLabel* sLabel8;
    QLabel* sLabel9;
    QLabel* sLabel10;
    QLabel* sLabel13;
    QLabel* sLabel12;
    QLabel* sLabel11;
    QWidget* sShape5;
    QWidget* sShape2;
    QWidget* sShape3;
    QWidget* sShape4;
    std::array<QWidget*, 40> sPicture3{};  // 10..39
    QWidget* sPicture2;
    QLabel* lblsss1;
    QLabel* lblsss2;
    QTimer* sTimer1;
    QTimer* sTimer2;

    // Drill area.
    QWidget* PicNuritubusiBase;
    MapViewport* BasePictureBox;
    MapView* PicNuritubusiPic;
    QLabel* Picture2;
    std::array<ScrollBox*, 4> PicNuritubusiIdou{};
    std::array<ScrollBox*, 4> PicNuritubusiIdou2{};
    QLabel* LblNuritubusi2;
    QLabel* LblNuritubusi7;
    QLabel* Label3;
    QLabel* LblNuritubusi6;
    QLabel* LblNuritubusiSiji;
    QLabel* Label5;
    QLabel* LblNuritubusi4;
    QLabel* Lblnuritubusi9;
    QLabel* Label6;
    QLabel* Lblnuritubusi1;
    QLabel* LblNuritubusi8;
    QListWidget* List2;
    QListWidget* List3;
    QListWidget* ListNuritubusi;
    QListWidget* ListNuritubusi2;
    QPushButton* CmdNuritubusiOK;
    QPushButton* CmdNuritubusikakunin;
    QPushButton* CmdNuritubusimodoru;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    std::array<QLabel*, 6> Label4{};
    // Feedback a child sees without sound: "○" / "×" on the map where it was
    // pressed (map levels) or beside the answer slots (list levels), and
    // "+10秒" beside the clock.
    AnswerSign* mapSign;
    AnswerSign* listSign;
    PenaltyBadge* penaltyBadge;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildStatusPanel();
    void buildDrillArea();
    void leaveForDashboard();
    // The two ways out of 判定後処理.
    void takeRightAnswer();  // counts the answer, then the next question or the end of the run
    void showCorrection();   // the right answer beside the pupil's, the penalty and the wrong-answer cue
    // Shows or hides the correction rows of the kind of level.
    void setCorrectionShown(bool shown);
    void submitListAnswer();
    void showRelatedPlaces(int question, bool show = true);
    void setMapPosition(QPoint p);
    void setSlotColour(QLabel* slot, QRgb rgb);
    void placeBelow(QWidget* w, QWidget* above);
    void placeAt(QWidget* w, int top);
    void setRemaining(int remaining);
    void placeLabel9Size(int rows, int longest);
    // The outline of the place a press at (x, y) would take, while a press
    // would be taken; none otherwise.
    void showPressTarget(int x, int y);
    // The ○ / × of a verdict (kVerdictRight, kVerdictWrong); when wrong, the ring round the right place.
    void showVerdictSigns(int verdict);
    void clearVerdictSigns();

    LevelContent content_;
    MapSurface surface_;
    DrillKind kind_ = DrillKind::ListLevel;
    bool activated_ = false;
    bool submitting_ = false;
    std::vector<bool> boxHidden_ = std::vector<bool>(40, false);
    QPoint lastPress_;  // the map point the last accepted press took
};

} // namespace karuvel
