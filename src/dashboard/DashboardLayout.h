#pragma once
// The dashboard's own measures and small factories, shared by the files of
// the window (Dashboard.cpp lays out and switches; DashboardColumns.cpp
// builds and places the level columns).
#include "frame/Layout.h"
#include "frame/Screen.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <cmath>

namespace karuvel::dashboardui {
// Vertical layout of the window (pixels of the 1024 x 768 frame).
constexpr int kColumnsTop = 134;
constexpr int kColumnsHeight = 598;
constexpr int kScrollTop = 738;
constexpr int kScrollHeight = 24;
constexpr int kBusyHeight = 78;
constexpr int kGutter = 4;  // space between neighbouring columns
constexpr int kPracticeWidth = 62;
constexpr int kClearMarkWidth = 56;  // "クリア" at the right of the column's name row

// The heading and options strips above the level columns.
constexpr Placement kHeadingLayout[] = {
    {"Label11", -1, {12, 4, 240, 52}},  // the title's size follows its length (activate)
    {"Label12", -1, {262, 4, 340, 32}, 18, true},
    {"Label13", -1, {262, 36, 340, 22}, 11},
    {"Label17", -1, {608, 6, 170, 24}},
    {"Label18", -1, {608, 32, 170, 24}, 12, true},
    {"Command8", -1, {782, 8, 104, 44}},
    {"Command1", -1, {894, 6, 120, 50}, 16, true},
    {"Frame2", -1, {8, 62, 330, 36}},
    {"Option2", 0, {8, 4, 104, 28}},
    {"Option2", 1, {114, 4, 104, 28}},
    {"Option2", 2, {220, 4, 104, 28}},
    {"Frame1", -1, {346, 62, 318, 36}},
    {"Option1", 1, {8, 4, 102, 28}},
    {"Option1", 2, {112, 4, 102, 28}},
    {"Option1", 3, {216, 4, 102, 28}},
    {"Combo1", -1, {672, 64, 130, 32}},
    {"Combo2", -1, {810, 64, 206, 32}},
    {"Label5", -1, {12, 102, 420, 28}, 15, true},
    {"Command17", -1, {440, 100, 110, 32}, 13, true},
    {"Command26", -1, {556, 100, 120, 32}, 13, true},
    {"Command27", -1, {680, 100, 120, 32}, 13, true},
    {"Label6", -1, {804, 104, 212, 24}, 10},
};

// The scroll bar under the columns and the busy panel directly above it.
constexpr Placement kBusyLayout[] = {
    {"HScroll1", -1, {16, kScrollTop, 992, kScrollHeight}},
    {"Picture6", -1, {0, kScrollTop - kBusyHeight - 2, kFrameWidth, kBusyHeight}},
    {"Label16", -1, {0, 4, kFrameWidth, 30}, 16, true},
    {"ProgressBar2", -1, {112, 38, 800, 16}},
    {"ProgressBar1", -1, {112, 58, 800, 12}},
};

// The wait cover over the whole frame.
constexpr Placement kCoverLayout[] = {
    {"Picture2", -1, {0, 0, kFrameWidth, kFrameHeight}},
    {"Label19", -1, {0, 330, kFrameWidth, 80}, 28},
};

inline const QColor kLineBackground(224, 224, 224);

inline int px(double twipsValue) { return int(std::lround(twipsValue / 15.0)); }

inline QFont listFont()
{
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(16);
    f.setStyleHint(QFont::Monospace);
    return f;
}

inline QLabel* lineLabel(QWidget* parent, const QString& name, int index)
{
    auto* l = named(new QLabel(parent), name, index);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, kLineBackground);
    l->setPalette(p);
    l->setFont(sized(l->font(), 11));
    l->setIndent(3);
    return l;
}

} // namespace karuvel::dashboardui
