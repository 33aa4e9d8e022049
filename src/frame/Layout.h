#pragma once
// Fixed geometry of the 1024 x 768 frame written as tables: one row per
// control (its objectName, its member index in a control array, its rectangle
// and font size), one table per panel, walked by the panel's build function
// once the controls exist. A reader finds where a control sits by its name.
#include <QFont>
#include <QRect>
#include <QWidget>

#include <span>

class QFrame;

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
// the build function and stops the program at once (missingControl).
void layOut(QWidget* parent, std::span<const Placement> table);

// The control of that objectName among parent's descendants (its direct
// children only, when `directOnly`); one that does not exist stops the
// program at once, in every build: a table or a build function that
// misspells a name fails the first time its window is made.
QWidget* requireControl(const QWidget* parent, const char* name, bool directOnly = false);
[[noreturn]] void missingControl(const QWidget* parent, const char* name);
template <typename T>
T* requireControlAs(const QWidget* parent, const char* name, bool directOnly = false)
{
    T* w = qobject_cast<T*>(requireControl(parent, name, directOnly));
    if (!w) missingControl(parent, name);
    return w;
}

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
