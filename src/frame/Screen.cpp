#include "frame/Screen.h"

#include <QPalette>
#include <QResizeEvent>

namespace karuvel {

Screen::Screen(const QString& objectName, QWidget* parent) : QWidget(parent), frame_(new QWidget(this))
{
    setObjectName(objectName);
    frame_->setObjectName(objectName + QStringLiteral("_frame"));
    frame_->setFixedSize(kFrameWidth, kFrameHeight);
    setAutoFillBackground(true);
    frame_->setAutoFillBackground(true);
    resize(kFrameWidth, kFrameHeight);
}

void Screen::setBackground(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
    frame_->setPalette(p);
}

void Screen::setFrameFollowsWidth(bool follows)
{
    followsWidth_ = follows;
    QResizeEvent e(size(), size());
    resizeEvent(&e);
}

void Screen::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    const int frameWidth = followsWidth_ ? std::max(kFrameWidth, width()) : kFrameWidth;
    if (frame_->width() != frameWidth) {
        frame_->setFixedSize(frameWidth, kFrameHeight);
        frameWidthChanged(frameWidth);
    }
    const int x = std::max(0, (width() - frameWidth) / 2);
    const int y = std::max(0, (height() - kFrameHeight) / 2);
    frame_->move(x, y);
}

QColor rgbColour(long long rgb) { return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF)); }

} // namespace karuvel
