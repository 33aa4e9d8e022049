#pragma once
// What a child sees of an answer besides the fills and the sounds (classroom
// PCs are often muted): the outline of the place a press would take, the
// pulsing ring round the right place during a correction, the "○" or "×"
// beside the answer, and "+10秒" beside the clock when the penalty is added.
#include <QImage>
#include <QLabel>
#include <QPointF>
#include <QWidget>

#include <functional>

class QPainter;
class QTimer;

namespace karuvel {

// The outline round a patch (an 8-bit mask, non-zero inside): the pixels
// outside the patch within `width` pixels of it (chessboard distance), light
// near the patch and dark at the rim, so that it shows on land, sea and
// rivers alike; transparent everywhere else. A null mask gives a null image.
QImage outlineImage(const QImage& mask, int width);

// The ring round the right place: red (the colour of the right answer) on a
// white halo, its radius swelling and shrinking by a fifth with phase 0..1.
void paintCorrectionRing(QPainter& p, QPointF centre, double radius, double phase);

// Where the "×" of a wrong press goes: centred on the press when its square
// (with a small margin) covers nothing of the right place, otherwise at the
// nearest spot beside the press, on rings of growing distance, that covers
// none of it and lies inside `bounds`; the press itself when there is none.
// `coversRight` tells whether a square of the view shows the right place.
QPointF signSpotBeside(QPointF press, double size, const QRectF& bounds,
                       const std::function<bool(const QRectF&)>& coversRight);

// A large "○" (right, red) or a "×" (wrong, violet) over its parent, centred
// on a point, shown for a moment or until hidden. Presses go through it.
class AnswerSign : public QWidget {
    Q_OBJECT
public:
    enum Kind { Right, Wrong };
    AnswerSign(int size, QWidget* parent);
    // Sizes of the signs on the map: the "○" over a right press, the smaller
    // "×" beside a wrong one.
    static constexpr int kRightSize = 60;
    static constexpr int kWrongSize = 34;
    // Shows the sign centred on `centre` (parent coordinates): for a moment
    // (under a second), or until hideSign() when not.
    void showSign(Kind kind, QPoint centre, bool forAMoment);
    void hideSign();
    Kind kind() const { return kind_; }
    // A white disc behind the sign, for a sign over answer slots that may be
    // in its own colour.
    void setBacked(bool backed) { backed_ = backed; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    Kind kind_ = Right;
    bool backed_ = false;
    QTimer* timer_;
};

// "+10秒" in red on yellow, shown beside the clock for a few seconds when
// the ten-second penalty is added.
class PenaltyBadge : public QLabel {
    Q_OBJECT
public:
    explicit PenaltyBadge(QWidget* parent);
    void showPenalty();

private:
    QTimer* timer_;
};

} // namespace karuvel
