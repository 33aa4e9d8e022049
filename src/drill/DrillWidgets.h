#pragma once
// The widgets of the drill window that are more than a plain Qt control
// (the map, its viewport, the scroll boxes, the name lists' drawing) and the
// small factories the window builds its controls with, in the drill's font
// and colours.
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
constexpr QRgb kGreen = 0x00C000;                 // an answer slot, and a right one
constexpr QRgb kRed = 0xFF0000;                   // a wrong answer slot

// The drill's font at a size in pixels.
QFont pixelFont(int px, bool bold = false);
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int px, bool bold = false,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
// Fills the widget's background (window and base roles) with c.
void paintBackground(QWidget* w, const QColor& c);
// A list chosen with the mouse, boxed, on its own background colour.
QListWidget* makeList(QWidget* parent, const QString& name, const QColor& background, int px, bool sorted);
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& text);
// An answer slot's background colour (its text stays black).
void setSlotColour(QLabel* slot, QRgb rgb);

} // namespace drillui

} // namespace karuvel
