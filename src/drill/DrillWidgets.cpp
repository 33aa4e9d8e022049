#include "drill/DrillWidgets.h"

#include "drill/Feedback.h"
#include "drill/Questions.h"
#include "drill/PlacePicking.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace karuvel {

namespace drillui {

QFont pixelFont(int px, bool bold)
{
    QFont f(kFontFamily);
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int px, bool bold,
                  Qt::Alignment align)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(pixelFont(px, bold));
    l->setAlignment(align);
    return l;
}

void paintBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Base, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QListWidget* makeList(QWidget* parent, const QString& name, const QColor& background, int px, bool sorted)
{
    auto* l = new QListWidget(parent);
    l->setObjectName(name);
    l->setFont(pixelFont(px));
    l->setSortingEnabled(false);
    l->setProperty("sortedList", sorted);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    l->setFrameShape(QFrame::Box);
    l->setFocusPolicy(Qt::NoFocus);  // chosen with the mouse; no focus frame on a row nobody chose
    QPalette p = l->palette();
    p.setColor(QPalette::Base, background);
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::Highlight, QColor(0, 0, 160));
    p.setColor(QPalette::HighlightedText, Qt::white);
    l->setPalette(p);
    return l;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setFont(pixelFont(24, true));
    return b;
}

void setSlotColour(QLabel* slot, QRgb rgb)
{
    QPalette p = slot->palette();
    p.setColor(QPalette::Window, QColor::fromRgb(rgb));
    p.setColor(QPalette::WindowText, Qt::black);
    slot->setPalette(p);
    slot->setAutoFillBackground(true);
}

} // namespace drillui

using namespace drillui;

void NameListDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    const QRect r = option.rect.adjusted(4, 0, -4, 0);
    const bool selected = option.state & QStyle::State_Selected;
    // A list that takes no choice (no second name to give) is drawn faded.
    const bool enabled = option.state & QStyle::State_Enabled;
    const QColor faded(160, 160, 160);
    p->save();
    if (isHeadingEntry(text)) {
        p->fillRect(option.rect, enabled ? QColor(255, 224, 160) : QColor(236, 236, 220));
        p->setPen(enabled ? QColor(128, 64, 0) : faded);
        p->setFont(pixelFont(option.font.pixelSize(), true));
        p->drawText(r, Qt::AlignCenter, text);
        p->restore();
        return;
    }
    if (selected) p->fillRect(option.rect, option.palette.color(QPalette::Highlight));
    const QColor ink = !enabled ? faded
                       : selected ? option.palette.color(QPalette::HighlightedText)
                                  : QColor(Qt::black);
    const int open = text.indexOf(QLatin1Char('('));
    const QString name = (open < 0 ? text : text.left(open)).trimmed();
    const QString reading = open < 0 ? QString() : text.mid(open);
    QFont nameFont = pixelFont(option.font.pixelSize(), true);
    const QFont readingFont = pixelFont(std::max(10, option.font.pixelSize() - 4));
    int nameWidth = QFontMetrics(nameFont).horizontalAdvance(name);
    // A long name (one with its prefecture, 吉野川〔奈良県〕) is set a little
    // smaller before its reading is cut.
    if (!reading.isEmpty()) {
        const int readingWidth = QFontMetrics(readingFont).horizontalAdvance(reading);
        for (int px = option.font.pixelSize() - 1;
             nameWidth + 6 + readingWidth > r.width() && px >= std::max(10, option.font.pixelSize() - 6); --px) {
            nameFont = pixelFont(px, true);
            nameWidth = QFontMetrics(nameFont).horizontalAdvance(name);
        }
    }
    p->setFont(nameFont);
    p->setPen(ink);
    p->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, name);
    if (!reading.isEmpty()) {
        const QRect rest = r.adjusted(nameWidth + 6, 0, 0, 0);
        p->setFont(readingFont);
        p->setPen(selected || !enabled ? ink : QColor(64, 64, 64));
        p->drawText(rest, Qt::AlignRight | Qt::AlignVCenter,
                    QFontMetrics(readingFont).elidedText(reading, Qt::ElideLeft, rest.width()));
    }
    p->restore();
}

QSize NameListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setWidth(1);  // never wider than the list: no sideways scrolling
    s.setHeight(std::max(s.height(), option.font.pixelSize() + 10));
    return s;
}

MapView::MapView(MapSurface* surface, QWidget* parent)
    : QWidget(parent), surface_(surface), ringTimer_(new QTimer(this))
{
    setObjectName(QStringLiteral("PicNuritubusiPic"));
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    ringTimer_->setInterval(50);
    connect(ringTimer_, &QTimer::timeout, this, [this] {
        ringPhase_ = std::fmod(ringPhase_ + 0.05, 1.0);  // one swell a second
        update();
    });
}

void MapView::setOutline(const QImage& patchMask)
{
    outlinedPatch_ = patchMask;
    // Two map pixels light, one dark, on whichever picture is shown.
    outline_ = outlineImage(patchMask, 3 * surface_->detailScale());
    update();
}

void MapView::setRing(std::optional<QPoint> mapPixel)
{
    ring_ = mapPixel;
    ringPhase_ = 0;
    if (ring_) ringTimer_->start();
    else ringTimer_->stop();
    update();
}

void MapView::refresh()
{
    if (size() != surface_->image().size()) resize(surface_->image().size());
    update();
}

void MapView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRectF map(0, 0, surface_->width(), surface_->height());
    if (surface_->detailScale() > 1) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(map, surface_->shown());
    } else {
        p.drawImage(0, 0, surface_->image());
    }
    if (!outline_.isNull()) p.drawImage(map, outline_);
    if (ring_) paintCorrectionRing(p, QPointF(ring_->x() + 0.5, ring_->y() + 0.5), 22.0, ringPhase_);
}

void MapView::mousePressEvent(QMouseEvent* e)
{
    // Any button presses the map.
    const QPointF pos = e->position();
    emit pressed(int(std::floor(pos.x())), int(std::floor(pos.y())));
}

void MapView::mouseMoveEvent(QMouseEvent* e)
{
    const QPointF pos = e->position();
    emit moved(int(std::floor(pos.x())), int(std::floor(pos.y())));
}

MapViewport::MapViewport(QWidget* parent) : QWidget(parent) { setObjectName(QStringLiteral("BasePictureBox")); }

void MapViewport::setPicture(const QImage& image)
{
    picture_ = image;
    update();
}

void MapViewport::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!picture_.isNull()) p.drawImage(0, 0, picture_);
}

ScrollBox::ScrollBox(const QString& arrow, QWidget* parent) : QLabel(arrow, parent)
{
    setAlignment(Qt::AlignCenter);
    setFont(pixelFont(14, true));
    setFrameShape(QFrame::Box);
    paintBackground(this, kBarColour);
    setCursor(Qt::PointingHandCursor);
}

void ScrollBox::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && isEnabled()) emit clicked();
}

void ScrollBox::changeEvent(QEvent* e)
{
    QLabel::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) setCursor(isEnabled() ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

} // namespace karuvel
