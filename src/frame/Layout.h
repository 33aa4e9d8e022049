#pragma once
// Fixed geometry of the 1024 x 768 frame written as tables: one row per
// control (its objectName, its member index in a control array, its rectangle
// and font size), one table per panel, walked by the panel's build function
// once the controls exist. A reader finds where a control sits by its name.
#include <QFont>
#include <QRect>

#include <span>

class QFrame;
class QWidget;

namespace karuvel {

struct Placement {
    const char* name;      // objectName of the control
    int index;             // member of a control array ("index" property), -1 for none
    QRect rect;            // in the parent's coordinates
    int pointSize = 0;     // 0 keeps the inherited font
    bool bold = false;
};

// The font f in the given point size and weight.
QFont sized(QFont f, int pointSize, bool bold = false);

// Gives w the rectangle and font of p.
void place(QWidget* w, const Placement& p);

// Places each control of the table found among parent's descendants (by
// objectName and index); a row whose control does not exist is a fault of
// the build function and stops a debug build.
void layOut(QWidget* parent, std::span<const Placement> table);

// Makes `panel` a boxed panel at rect over its parent, on the light paper
// colour of the teachers' views, named `name`.
void makePaperPanel(QFrame* panel, const QString& name, const QRect& rect);

// Sets the objectName (and the "index" property of a control-array member) of w.
template <typename T>
T* named(T* w, const QString& name, int index = -1)
{
    w->setObjectName(name);
    if (index >= 0) w->setProperty("index", index);
    return w;
}

} // namespace karuvel
