#include "drill/DrillWidgets.h"

#include "drill/Feedback.h"
#include "drill/Questions.h"
#include "drill/PlacePicking.h"
#include "drill/MapZoom.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>

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

QListWidget* makeList(QWidget* parent, const QString& name, const QColor& background, int px, bool sorted,
                      QListWidget* list)
{
    const bool keyboard = list != nullptr;
    auto* l = list ? list : new QListWidget(parent);
    l->setObjectName(name);
    l->setFont(pixelFont(px));
    l->setSortingEnabled(false);
    l->setProperty("sortedList", sorted);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    l->setFrameShape(QFrame::Box);
    if (!keyboard) l->setFocusPolicy(Qt::NoFocus);  // chosen with the mouse; no focus frame on a row nobody chose
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

namespace {
constexpr int kDragDistance = 8;  // screen pixels a press moves before it is a drag
constexpr double kRingRadius = 22.0;

// The ring above everything on the map (the signs included).
class RingLayer : public QWidget {
public:
    RingLayer(QWidget* parent, std::function<void(QPainter&)> paint) : QWidget(parent), paint_(std::move(paint))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        paint_(p);
    }

private:
    std::function<void(QPainter&)> paint_;
};
} // namespace

MapView::MapView(MapSurface* surface, QWidget* parent)
    : QWidget(parent), surface_(surface), ringTimer_(new QTimer(this))
{
    setObjectName(QStringLiteral("PicNuritubusiPic"));
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    ringTimer_->setInterval(50);
    connect(ringTimer_, &QTimer::timeout, this, [this] {
        ringPhase_ = std::fmod(ringPhase_ + 0.05, 1.0);  // one swell a second
        ringLayer_->update();
    });
    sign_ = new AnswerSign(AnswerSign::kRightSize, this);
    ringLayer_ = new RingLayer(this, [this](QPainter& p) {
        if (!ring_) return;
        const QPointF centre = (QPointF(*ring_) + QPointF(0.5, 0.5)) * zoom_;
        paintCorrectionRing(p, centre, kRingRadius + 4.0 * (zoom_ - 1.0), ringPhase_);
    });
    ringLayer_->setObjectName(QStringLiteral("RingLayer"));
    ringLayer_->hide();
}

void MapView::setOutline(const QImage& patchMask)
{
    outlinedPatch_ = patchMask;
    remakeOutline();
    update();
}

void MapView::remakeOutline()
{
    // About three screen pixels wide at any zoom (two light, one dark), on
    // whichever picture is shown; never less than one of its pixels.
    const int width = std::max(1, int(std::lround(3.0 * surface_->detailScale() / zoom_)));
    outline_ = outlineImage(outlinedPatch_, width);
}

void MapView::setRing(std::optional<QPoint> mapPixel)
{
    ring_ = mapPixel;
    ringPhase_ = 0;
    if (ring_) showRingAndSign();
    if (ring_) {
        ringTimer_->start();
        ringLayer_->show();
        ringLayer_->raise();
    } else {
        ringTimer_->stop();
        ringLayer_->hide();
    }
    ringLayer_->update();
}

void MapView::showRingAndSign()
{
    // The right place is never left out of view on an enlarged map: zoomed
    // out as far as needed and moved so that the ring (and the "×" of the
    // press, when it shows) are both seen.
    const QSize v = viewportSize();
    const int margin = int(kRingRadius) + 8;
    const bool withSign = sign_->isVisible();
    const bool ringSeen = pixelInView(*ring_, pos(), zoom_, v, margin);
    const bool signSeen = !withSign || pixelInView(signPixel_, pos(), zoom_, v, margin);
    if (ringSeen && signSeen) return;
    const QPoint other = withSign ? signPixel_ : *ring_;
    const double zoom = zoomShowingBoth(*ring_, other, zoom_, v, margin);
    const QPoint middle((ring_->x() + other.x()) / 2, (ring_->y() + other.y()) / 2);
    setZoom(zoom, QPointF());
    move(positionCentring(middle, zoom_, v, surface_->image().size()));
    if (sign_->isVisible()) placeSign();
}

void MapView::showSign(AnswerSign::Kind kind, QPoint mapPixel, bool forAMoment)
{
    signPixel_ = mapPixel;
    const int size = kind == AnswerSign::Right ? AnswerSign::kRightSize : AnswerSign::kWrongSize;
    sign_->resize(size, size);
    sign_->showSign(kind, QPoint(), forAMoment);
    placeSign();
    ringLayer_->raise();  // the ring stays above the sign
}

void MapView::placeSign()
{
    // The middle of the pressed pixel on the screen (its top-left at zoom 1).
    const QPointF press(std::floor((signPixel_.x() + 0.5) * zoom_), std::floor((signPixel_.y() + 0.5) * zoom_));
    QPointF centre = press;
    if (sign_->kind() == AnswerSign::Wrong) {
        // Beside the pressed place, never over the right one (the area in the
        // right answer's colour): a child must see what was meant.
        auto coversRight = [this](const QRectF& r) {
            const QPoint a = mapPixelOf(r.topLeft());
            const QPoint b = mapPixelOf(r.bottomRight());
            for (int y = a.y(); y <= b.y(); ++y)
                for (int x = a.x(); x <= b.x(); ++x)
                    if (surface_->colourAt(x, y) == mapcolour::Corrected) return true;
            return false;
        };
        // Inside the part of the map in view.
        const QRectF inView = QRectF(-QPointF(pos()), QSizeF(viewportSize())).intersected(QRectF(rect()));
        centre = signSpotBeside(press, sign_->width(), inView, coversRight);
    }
    sign_->move(int(std::lround(centre.x())) - sign_->width() / 2, int(std::lround(centre.y())) - sign_->height() / 2);
}

void MapView::refresh()
{
    const QSize want = zoomedSize(surface_->image().size(), zoom_);
    if (size() != want) {
        resize(want);
        emit zoomChanged(zoom_);  // a new map: what can be scrolled may change
    }
    update();
}

void MapView::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    ringLayer_->setGeometry(rect());
}

QSize MapView::viewportSize() const { return parentWidget() ? parentWidget()->size() : size(); }

bool MapView::movable() const
{
    const QSize v = viewportSize();
    return width() > v.width() || height() > v.height();
}

QPoint MapView::mapPixelOf(QPointF widgetPoint) const { return mapPixelAt(widgetPoint, QPoint(0, 0), zoom_); }

QPointF MapView::viewportPointOf(QPoint mapPixel) const { return karuvel::viewportPointOf(mapPixel, pos(), zoom_); }

void MapView::setZoom(double zoom, QPointF anchor)
{
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (std::abs(zoom - zoom_) < 1e-9) return;
    const QPoint at = positionAfterZoom(anchor, pos(), zoom_, zoom, viewportSize(), surface_->image().size());
    zoom_ = zoom;
    refresh();
    move(at);
    remakeOutline();
    if (sign_->isVisible()) placeSign();
    ringLayer_->update();
    emit zoomChanged(zoom_);
}

void MapView::zoomIn() { setZoom(zoomStepIn(zoom_), QRectF(QPointF(), QSizeF(viewportSize())).center()); }

void MapView::zoomOut() { setZoom(zoomStepOut(zoom_), QRectF(QPointF(), QSizeF(viewportSize())).center()); }

void MapView::resetZoom()
{
    downAt_.reset();
    dragging_ = false;
    setZoom(kMinZoom, QPointF());
    move(clampedPosition(pos(), viewportSize(), size()));
}

void MapView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.scale(zoom_, zoom_);
    const QRectF map(0, 0, surface_->width(), surface_->height());
    if (surface_->detailScale() > 1) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(map, surface_->shown());
    } else {
        // The map's own pixels, enlarged as they are: what is seen is what is judged.
        p.drawImage(map, surface_->image());
    }
    if (!outline_.isNull()) p.drawImage(map, outline_);
}

bool MapView::event(QEvent* e)
{
    // Zooming and dragging work in every state of the run (a disabled map,
    // during a correction, still zooms and moves); taking a press does not.
    switch (e->type()) {
    case QEvent::Wheel: {
        auto* w = static_cast<QWheelEvent*>(e);
        const int notches = w->angleDelta().y();
        if (notches == 0) return true;
        const QPointF anchor = QPointF(pos()) + w->position();
        setZoom(notches > 0 ? zoomStepIn(zoom_) : zoomStepOut(zoom_), anchor);
        return true;
    }
    case QEvent::MouseButtonDblClick: {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() == Qt::LeftButton) setZoom(zoomStepIn(zoom_), QPointF(pos()) + m->position());
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        if (movable() && m->button() == Qt::LeftButton) {
            // Taken on release unless it becomes a drag.
            downAt_ = m->position();
            downInViewport_ = QPointF(pos()) + m->position();
            downPosition_ = pos();
            dragging_ = false;
            return true;
        }
        // Any button presses the map.
        const QPoint pixel = mapPixelOf(m->position());
        if (isEnabled()) emit pressed(pixel.x(), pixel.y());
        return true;
    }
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(e);
        if (downAt_ && (m->buttons() & Qt::LeftButton)) {
            const QPointF now = QPointF(pos()) + m->position();
            if (!dragging_ && (now - downInViewport_).manhattanLength() >= kDragDistance) {
                dragging_ = true;
                setCursor(Qt::ClosedHandCursor);
            }
            if (dragging_) {
                const QPoint delta = (now - downInViewport_).toPoint();
                move(clampedPosition(downPosition_ + delta, viewportSize(), size()));
                return true;
            }
        }
        const QPoint pixel = mapPixelOf(m->position());
        if (isEnabled()) emit moved(pixel.x(), pixel.y());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!downAt_) return true;
        const QPointF down = *downAt_;
        const bool dragged = dragging_;
        downAt_.reset();
        dragging_ = false;
        setCursor(Qt::PointingHandCursor);
        if (!dragged && isEnabled()) {
            const QPoint pixel = mapPixelOf(down);
            emit pressed(pixel.x(), pixel.y());
        }
        return true;
    }
    default: break;
    }
    return QWidget::event(e);
}

MapViewport::MapViewport(QWidget* parent) : QWidget(parent) { setObjectName(QStringLiteral("BasePictureBox")); }

void MapViewport::attach(MapView* map)
{
    // Two round buttons in the corner where every map has sea.
    auto button = [&](const QString& name, const QString& text, int top, const QString& tip) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setFont(pixelFont(26, true));
        b->setGeometry(6, top, 40, 40);
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolTip(tip);
        b->setCursor(Qt::PointingHandCursor);
        b->setStyleSheet(QStringLiteral("QPushButton { background: rgba(255,255,255,220); border: 2px solid #406040;"
                                        " border-radius: 20px; color: #204020; }"
                                        "QPushButton:pressed { background: #c0ffc0; }"
                                        "QPushButton:disabled { color: #b0b0b0; border-color: #b0b0b0; }"));
        return b;
    };
    QPushButton* in = button(QStringLiteral("ZoomIn"), QStringLiteral("+"), 6, QStringLiteral("地図を大きくします"));
    QPushButton* out = button(QStringLiteral("ZoomOut"), QStringLiteral("−"), 50, QStringLiteral("地図を小さくします"));
    connect(in, &QPushButton::clicked, map, &MapView::zoomIn);
    connect(out, &QPushButton::clicked, map, &MapView::zoomOut);
    auto update = [in, out](double zoom) {
        in->setEnabled(zoom < kMaxZoom);
        out->setEnabled(zoom > kMinZoom);
        in->raise();
        out->raise();
    };
    connect(map, &MapView::zoomChanged, this, update);
    update(map->zoom());
}

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
