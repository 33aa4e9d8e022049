#pragma once
// Where the drill window's controls stand, as tables: the frame's fixed
// measures, the status panel's cells, the sizes of the answer panel's
// controls, and for each kind of drill the order in which the answer panel
// stacks them from its row anchors. The window walks these tables; a reader
// finds where a control sits by its name.
#include "frame/Layout.h"
#include "frame/Screen.h"

#include <QRect>
#include <QRgb>
#include <Qt>

namespace karuvel::drillui {

// Layout of the 1024 x 768 frame.
constexpr int kStatusHeight = 144;
constexpr int kViewportLeft = 22;
constexpr int kViewportTop = 24;
constexpr int kViewportWidth = 454;
constexpr int kViewportHeight = 572;
constexpr int kAnchorLeft = 498;
constexpr int kAnchorWidth = 10;
constexpr int kPanelLeft = kAnchorLeft + kAnchorWidth;
constexpr int kPanelWidth = kFrameWidth - kPanelLeft - 8;
constexpr int kSlotHeight = 46;
constexpr int kInstructionHeight = 44;
constexpr int kHeadingHeight = 34;
constexpr int kButtonHeight = 48;
constexpr int kTimeBarWidth = 560;
// Anchor rows, top to bottom: 5, 3, 0, 1, 2, 4.
constexpr int kAnchorTop[6] = {100, 236, 380, 50, 464, 6};

// The labels of the status panel: captions and the figures the run fills
// in (pixel font sizes of the drill's font; a caption is plain and black).
struct StatusCell {
    const char* name;
    const char* text;
    QRect rect;
    int px;
    bool bold;
    QRgb ink;
    Qt::Alignment align;
};
constexpr QRgb kNavy = 0x000080;
constexpr QRgb kBlack = 0x000000;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignCenter;
const StatusCell kStatusCells[] = {
    // Row 1: title, school, pupil.
    {"sLabel2", "", {10, 4, 330, 40}, 22, true, kNavy, kLeft},
    {"sLabel14", "", {350, 4, 330, 40}, 18, false, 0x404040, kLeft},
    {"sLabel7", "", {690, 4, 324, 40}, 28, true, kBlack, kRight},
    // Row 2: level, answers left, time, runs today and of this level.
    {"sCaptionLevel", "レベル", {10, 50, 72, 44}, 20, false, kBlack, kLeft},
    {"sLabel8", "", {82, 50, 190, 44}, 28, true, kNavy, kLeft},
    {"sCaptionLeft", "残り", {286, 50, 48, 44}, 20, false, kBlack, kLeft},
    {"sLabel9", "", {334, 48, 58, 48}, 36, true, 0xC00000, kCentre},
    {"sCaptionQuestions", "問", {394, 50, 30, 44}, 20, false, kBlack, kLeft},
    {"sCaptionTime", "タイム", {440, 50, 70, 44}, 20, false, kBlack, kLeft},
    {"sLabel10", "", {506, 48, 96, 48}, 36, true, 0x0000C0, kCentre},
    {"sCaptionToday", "本日", {640, 50, 46, 44}, 20, false, kBlack, kLeft},
    {"sLabel12", "", {686, 50, 48, 44}, 26, true, kBlack, kCentre},
    {"sCaptionTodayRuns", "回目", {734, 50, 46, 44}, 20, false, kBlack, kLeft},
    {"sCaptionThisLevel", "このレベル", {800, 50, 104, 44}, 20, false, kBlack, kLeft},
    {"sLabel11", "", {904, 50, 48, 44}, 26, true, kBlack, kCentre},
    {"sCaptionLevelRuns", "回目", {952, 50, 46, 44}, 20, false, kBlack, kLeft},
    // Row 3, right of the countdown rows: minutes since sign-in.
    {"sCaptionSince", "起動後", {850, 98, 70, 40}, 18, false, kBlack, kLeft},
    {"sLabel13", "", {920, 98, 50, 40}, 22, true, kBlack, kCentre},
    {"sCaptionMinutes", "分", {972, 98, 30, 40}, 18, false, kBlack, kLeft},
};

// Row 3 of the status panel and what stands over the panel, each in its
// parent's coordinates: the time bar sShape5 with its outline, and the run's
// marks on it (limit sShape4, target sShape3, elapsed sShape2), which start
// empty and are sized by the run; the "+10秒" badge beside the clock; the
// notice panel over the left of the status panel with its two texts
// ("成績記録中", "時間切れ").
constexpr int kTimeBarHeight = 36;
const Placement kStatusOverlayLayout[] = {
    {"sShape5", -1, {10, 100, kTimeBarWidth, kTimeBarHeight}},
    {"sShape5Border", -1, {0, 0, kTimeBarWidth, kTimeBarHeight}},
    {"sShape4", -1, {0, 0, 0, kTimeBarHeight}},
    {"sShape3", -1, {0, 0, 0, kTimeBarHeight}},
    {"sShape2", -1, {0, 9, 0, 18}},
    {"PenaltyBadge", -1, {600, 52, 92, 40}},
};
const Placement kNoticeLayout[] = {
    {"sPicture2", -1, {0, 0, 520, kStatusHeight}},
    {"lblsss1", -1, {0, 0, 520, kStatusHeight}},
    {"lblsss2", -1, {0, 0, 520, kStatusHeight}},
};

// Row 3's countdown rows (Best, YourBest, Pass, top to bottom): a caption
// and ten boxes "sPicture3(10..39)" each; row r and box i stand r rows and
// i boxes on from the first.
struct CountdownRows {
    QRect caption;   // the first row's caption
    QRect firstBox;  // the first row's first box
    int boxStep;     // from one box to the next
    int rowStep;     // from one row to the next
};
constexpr CountdownRows kCountdownRows{{584, 98, 78, 13}, {668, 99, 13, 11}, 16, 14};

// The map's scroll bars (◀ ▶ ▲ ▼) and its corners (◤ ◣ ◥ ◢), around the
// viewport in the drill area, by member.
constexpr int kBarThickness = 18;  // of the left and right bars; the corners' width
constexpr int kBarHeight = 20;     // of the top and bottom bars; the corners' height
constexpr int kBarGap = 2;         // between a bar and the viewport, and from the area's edge
constexpr int kRightBarLeft = kViewportLeft + kViewportWidth + kBarGap;
constexpr int kBottomBarTop = kViewportTop + kViewportHeight + kBarGap;
const QRect kScrollBars[4] = {
    {kBarGap, kViewportTop, kBarThickness, kViewportHeight},       // ◀
    {kRightBarLeft, kViewportTop, kBarThickness, kViewportHeight}, // ▶
    {kViewportLeft, kBarGap, kViewportWidth, kBarHeight},          // ▲
    {kViewportLeft, kBottomBarTop, kViewportWidth, kBarHeight},    // ▼
};
const QRect kScrollCorners[4] = {
    {kBarGap, kBarGap, kBarThickness, kBarHeight},              // ◤
    {kBarGap, kBottomBarTop, kBarThickness, kBarHeight},        // ◣
    {kRightBarLeft, kBarGap, kBarThickness, kBarHeight},        // ◥
    {kRightBarLeft, kBottomBarTop, kBarThickness, kBarHeight},  // ◢
};

// Sizes of the answer panel's controls (they are moved by the arrangements below).
struct ControlSize {
    const char* name;
    int width;
    int height;
};
constexpr int kNameListWidth = kPanelWidth / 2 - 2;
constexpr int kKanaRowHeight = 30;  // the kana-section buttons above each name list
const ControlSize kAnswerPanelSizes[] = {
    {"LblNuritubusi2", kPanelWidth, kSlotHeight},
    {"LblNuritubusi7", kPanelWidth, kSlotHeight},
    {"Label3", kPanelWidth, kSlotHeight},
    {"LblNuritubusi4", kPanelWidth, kSlotHeight},
    {"Lblnuritubusi9", kPanelWidth, kSlotHeight},
    {"Lblnuritubusi1", kPanelWidth, kSlotHeight},
    {"LblNuritubusi8", kPanelWidth, kSlotHeight},
    {"LblNuritubusi6", kPanelWidth, kInstructionHeight},
    {"LblNuritubusiSiji", kPanelWidth, kInstructionHeight},
    {"Label5", kPanelWidth, kHeadingHeight},
    {"Label6", kPanelWidth, kHeadingHeight},
    {"List2", kPanelWidth, 170},
    {"List3", kPanelWidth, 150},
    {"KanaButtons1", kNameListWidth, kKanaRowHeight},
    {"KanaButtons2", kPanelWidth - kNameListWidth - 4, kKanaRowHeight},
    {"ListNuritubusi", kNameListWidth, 234 - kKanaRowHeight},
    {"ListNuritubusi2", kPanelWidth - kNameListWidth - 4, 234 - kKanaRowHeight},
    {"CmdNuritubusiOK", kPanelWidth, kButtonHeight},
    {"CmdNuritubusikakunin", kPanelWidth, kButtonHeight},
    {"CmdNuritubusimodoru", kPanelWidth, kButtonHeight},
};

// One step of an arrangement: a control put at the panel's left edge at a
// row anchor (plus an offset), just below or just above another control,
// or to the right of another one (with a gap).
enum class Stack { AtAnchor, Below, Above, RightOf };
struct Arranged {
    const char* name;
    Stack how;
    const char* other;  // the control it stands by (Below, Above, RightOf)
    int anchor;         // the row anchor "Label4(anchor)" (AtAnchor)
    int offset;         // added to the anchor's top, or the gap to the right
};

// Practice: the instruction at the top, the slots of the place under the
// mouse, its related places and "戻る".
const Arranged kPracticeArrangement[] = {
    {"LblNuritubusiSiji", Stack::AtAnchor, nullptr, 3, 0},
    {"LblNuritubusi2", Stack::AtAnchor, nullptr, 0, kSlotHeight},
    {"LblNuritubusi7", Stack::Below, "LblNuritubusi2", 0, 0},
    {"List2", Stack::Below, "LblNuritubusi7", 0, 0},
    {"CmdNuritubusimodoru", Stack::Below, "List2", 0, 0},
};

// Map levels: the instruction above the three slots of the question, the
// related places and "次へ"; lower down, the correction's "あなたが押したのは" rows.
const Arranged kMapLevelArrangement[] = {
    {"LblNuritubusi2", Stack::AtAnchor, nullptr, 0, 0},
    {"LblNuritubusi7", Stack::Below, "LblNuritubusi2", 0, 0},
    {"Label3", Stack::Below, "LblNuritubusi7", 0, 0},
    {"List2", Stack::Below, "Label3", 0, 0},
    {"LblNuritubusi6", Stack::Above, "LblNuritubusi2", 0, 0},
    {"Label5", Stack::AtAnchor, nullptr, 4, 0},
    {"LblNuritubusi4", Stack::Below, "Label5", 0, 0},
    {"Lblnuritubusi9", Stack::Below, "LblNuritubusi4", 0, 0},
    {"CmdNuritubusikakunin", Stack::Below, "List2", 0, 0},
};

// List levels: the instruction, the three slots, "O.K.", the two name lists
// side by side (each under its row of kana-section buttons) and the
// related-place choices; lower down, the correction's
// "正解は" rows and the related places.
const Arranged kListLevelArrangement[] = {
    {"LblNuritubusiSiji", Stack::AtAnchor, nullptr, 5, 0},
    {"LblNuritubusi2", Stack::Below, "LblNuritubusiSiji", 0, 0},
    {"LblNuritubusi7", Stack::Below, "LblNuritubusi2", 0, 0},
    {"Label3", Stack::Below, "LblNuritubusi7", 0, 0},
    {"CmdNuritubusiOK", Stack::Below, "Label3", 0, 0},
    {"KanaButtons1", Stack::Below, "CmdNuritubusiOK", 0, 0},
    {"KanaButtons2", Stack::RightOf, "KanaButtons1", 0, 4},
    {"ListNuritubusi", Stack::Below, "KanaButtons1", 0, 0},
    {"ListNuritubusi2", Stack::RightOf, "ListNuritubusi", 0, 4},
    {"List3", Stack::Below, "ListNuritubusi", 0, 0},
    {"Label6", Stack::AtAnchor, nullptr, 1, 0},
    {"Lblnuritubusi1", Stack::Below, "Label6", 0, 0},
    {"LblNuritubusi8", Stack::Below, "Lblnuritubusi1", 0, 0},
    {"List2", Stack::Below, "LblNuritubusi8", 0, 0},
};

} // namespace karuvel::drillui
