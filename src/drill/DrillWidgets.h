#pragma once
// The widgets of the drill window that are more than a plain Qt control
// (the map, its viewport, the scroll boxes, the name lists' drawing) and the
// small factories the window builds its controls with, in the drill's font
// and colours.
#include "drill/Feedback.h"
#include "drill/MapSurface.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QWidget>
#include <optional>

namespace karuvel {

// PicNuritubusiPic: shows the map surface and reports presses and mouse
// movements in map pixels, whatever the zoom. Where the surface has a larger
// picture (a screen that draws the map larger than life) that one is shown,
// smoothly scaled. Over the map it draws the outline of the place a press
// would take, the "○"/"×" of a verdict and, above everything, the ring round
// the right place.
//
// Zoom (MapZoom.h): the widget is the map drawn `zoom` times larger, moved
// inside its viewport (the parent). The wheel and a double click zoom round
// the pointer; a drag moves an enlarged map. While the map is larger than
// its viewport a press is taken when the button is let go without a drag
// (a press that moved is a drag); at zoom 1, where nothing can be dragged,
// a press is taken the moment the button goes down, as it always was.
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
    // The "○" (centred on the pressed map pixel) or the "×" (small, beside
    // the pressed pixel, never over a pixel of the right place's colour).
    void showSign(AnswerSign::Kind kind, QPoint mapPixel, bool forAMoment);
    AnswerSign* sign() const { return sign_; }

    double zoom() const { return zoom_; }
    // Zooms round a viewport point (the map pixel under it stays under it).
    void setZoom(double zoom, QPointF anchor);
    void zoomIn();   // one step, round the viewport's centre
    void zoomOut();
    // Zoom 1, the whole map in view.
    void resetZoom();
    // The viewport point at the centre of a map pixel.
    QPointF viewportPointOf(QPoint mapPixel) const;
    // True while the map is larger than its viewport (something to scroll).
    bool movable() const;

signals:
    void pressed(int x, int y);
    void moved(int x, int y);
    void zoomChanged(double zoom);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QPoint mapPixelOf(QPointF widgetPoint) const;
    QSize viewportSize() const;
    void placeSign();
    // Brings the ring (and a shown sign) into view on an enlarged map.
    void showRingAndSign();
    void remakeOutline();

    MapSurface* surface_;
    QImage outlinedPatch_;
    QImage outline_;
    std::optional<QPoint> ring_;
    double ringPhase_ = 0;
    QTimer* ringTimer_;
    QWidget* ringLayer_;      // the ring, above the signs
    AnswerSign* sign_;
    QPoint signPixel_;
    double zoom_ = 1.0;
    // A press on an enlarged map: where it went down (widget and viewport
    // points), and whether it has become a drag.
    std::optional<QPointF> downAt_;
    QPointF downInViewport_;
    QPoint downPosition_;
    bool dragging_ = false;
};

// The viewport behind the surface: it shows the clean map as its own picture,
// and carries the map's "+" and "−" zoom buttons in its top-left corner (the
// sea on every map).
class MapViewport : public QWidget {
    Q_OBJECT
public:
    explicit MapViewport(QWidget* parent);
    void setPicture(const QImage& image);
    const QImage& picture() const { return picture_; }
    // Gives the map its zoom buttons (ZoomIn, ZoomOut), kept above it.
    void attach(MapView* map);

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

// Draws a name-list entry as the name on the left and its reading, smaller,
// on the right of the row, and a heading as a tinted row: the entry's text
// itself is left as it is.
class NameListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

namespace drillui {

inline const QString kFontFamily = QStringLiteral("IPAGothic");  // the drill's font

// Colours of the drill window.
inline const QColor kBaseColour(128, 255, 128);   // the drill area
inline const QColor kBarColour(192, 255, 192);    // the scroll boxes
inline const QColor kStatusColour(255, 255, 232); // the status panel
constexpr QRgb kGreen = 0x00C000;                 // an answer slot while no verdict shows
constexpr QRgb kRightSlot = mapcolour::Corrected; // a slot judged right, and the right names
constexpr QRgb kWrongSlot = mapcolour::Pressed;   // a slot judged wrong, and the names of a wrong press

// The drill's font at a size in pixels.
QFont pixelFont(int px, bool bold = false);
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int px, bool bold = false,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
// Fills the widget's background (window and base roles) with c.
void paintBackground(QWidget* w, const QColor& c);
// A list chosen with the mouse, boxed, on its own background colour; given
// a list (a ChoiceList, worked from the keyboard too), that one is dressed so.
QListWidget* makeList(QWidget* parent, const QString& name, const QColor& background, int px, bool sorted,
                      QListWidget* list = nullptr);
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text);
// An answer slot's background colour (its text stays black).
void setSlotColour(QLabel* slot, QRgb rgb);

} // namespace drillui

} // namespace karuvel
