#include "frame/Layout.h"

#include <QFrame>
#include <QVariant>
#include <QWidget>

namespace karuvel {

QFont sized(QFont f, int pointSize, bool bold)
{
    f.setPointSize(pointSize);
    f.setBold(bold);
    return f;
}

void place(QWidget* w, const Placement& p)
{
    w->setGeometry(p.rect);
    if (p.pointSize > 0) w->setFont(sized(w->font(), p.pointSize, p.bold));
}

void layOut(QWidget* parent, std::span<const Placement> table)
{
    const QList<QWidget*> children = parent->findChildren<QWidget*>();
    for (const Placement& p : table) {
        const QString name = QString::fromLatin1(p.name);
        QWidget* found = nullptr;
        for (QWidget* w : children) {
            if (w->objectName() != name) continue;
            const QVariant index = w->property("index");
            if (p.index < 0 ? !index.isValid() : (index.isValid() && index.toInt() == p.index)) {
                found = w;
                break;
            }
        }
        if (!found) missingControl(parent, p.name);
        place(found, p);
    }
}

QWidget* requireControl(const QWidget* parent, const char* name, bool directOnly)
{
    QWidget* w = parent->findChild<QWidget*>(QLatin1String(name),
                                             directOnly ? Qt::FindDirectChildrenOnly : Qt::FindChildrenRecursively);
    if (!w) missingControl(parent, name);
    return w;
}

void missingControl(const QWidget* parent, const char* name)
{
    qFatal("%s: no control named \"%s\"", qPrintable(parent->objectName()), name);
}

void makePaperPanel(QFrame* panel, const QString& name, const QRect& rect)
{
    panel->setObjectName(name);
    panel->setGeometry(rect);
    panel->setFrameShape(QFrame::Box);
    panel->setAutoFillBackground(true);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 240));
    panel->setPalette(p);
}

} // namespace karuvel
