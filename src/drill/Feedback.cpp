#include "drill/Feedback.h"

#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <vector>

namespace karuvel {

namespace {
constexpr int kSignMoment = 900;    // ms a "○" stays
constexpr int kPenaltyShown = 3000; // ms "+10秒" stays
} // namespace

QImage outlineImage(const QImage& mask, int width)
{
    if (mask.isNull() || width <= 0) return {};
    const int w = mask.width(), h = mask.height();
    // Only the patch's bounding box and the outline's width round it are worked on.
    int x0 = w, y0 = h, x1 = -1, y1 = -1;
    for (int y = 0; y < h; ++y) {
        const uchar* line = mask.constScanLine(y);
        for (int x = 0; x < w; ++x)
            if (line[x]) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
    }
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    if (x1 < 0) return out;
    x0 = std::max(0, x0 - width);
    y0 = std::max(0, y0 - width);
    x1 = std::min(w - 1, x1 + width);
    y1 = std::min(h - 1, y1 + width);
    const int bw = x1 - x0 + 1, bh = y1 - y0 + 1;
    // Distance from the patch, two passes each of chessboard and city-block
    // distance; combined they give an octagon, rounder than a square.
    const int far = 1 << 20;
    auto distances = [&](bool diagonals) {
        std::vector<int> d(size_t(bw) * size_t(bh), far);
        for (int y = 0; y < bh; ++y)
            for (int x = 0; x < bw; ++x)
                if (mask.constScanLine(y + y0)[x + x0]) d[size_t(y) * size_t(bw) + size_t(x)] = 0;
        auto at = [&](int x, int y) {
            return (x < 0 || y < 0 || x >= bw || y >= bh) ? far : d[size_t(y) * size_t(bw) + size_t(x)];
        };
        for (int y = 0; y < bh; ++y)
            for (int x = 0; x < bw; ++x) {
                int& v = d[size_t(y) * size_t(bw) + size_t(x)];
                v = std::min({v, at(x - 1, y) + 1, at(x, y - 1) + 1});
                if (diagonals) v = std::min({v, at(x - 1, y - 1) + 1, at(x + 1, y - 1) + 1});
            }
        for (int y = bh - 1; y >= 0; --y)
            for (int x = bw - 1; x >= 0; --x) {
                int& v = d[size_t(y) * size_t(bw) + size_t(x)];
                v = std::min({v, at(x + 1, y) + 1, at(x, y + 1) + 1});
                if (diagonals) v = std::min({v, at(x + 1, y + 1) + 1, at(x - 1, y + 1) + 1});
            }
        return d;
    };
    std::vector<int> d = distances(true);
    const std::vector<int> d4 = distances(false);
    for (size_t i = 0; i < d.size(); ++i) d[i] = std::max(d[i], (2 * d4[i] + 1) / 3);
    const QRgb light = qRgba(255, 230, 0, 255);
    const QRgb dark = qRgba(110, 50, 0, 255);
    const int lightWidth = std::max(1, width * 2 / 3);
    for (int y = 0; y < bh; ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y + y0));
        for (int x = 0; x < bw; ++x) {
            const int v = d[size_t(y) * size_t(bw) + size_t(x)];
            if (v == 0 || v > width) continue;
            line[x + x0] = v <= lightWidth ? light : dark;
        }
    }
    return out;
}

QPointF signSpotBeside(QPointF press, double size, const QRectF& bounds,
                       const std::function<bool(const QRectF&)>& coversRight)
{
    const double margin = 3.0;
    auto square = [&](QPointF centre) {
        return QRectF(centre.x() - size / 2 - margin, centre.y() - size / 2 - margin, size + 2 * margin,
                      size + 2 * margin);
    };
    auto fits = [&](QPointF centre) {
        const QRectF r(centre.x() - size / 2, centre.y() - size / 2, size, size);
        return bounds.contains(r) && !coversRight(square(centre));
    };
    if (!coversRight(square(press))) return press;
    // Rings round the press, nearest first; on each ring sixteen directions.
    for (double distance = size * 0.5; distance <= size * 4.0; distance += size * 0.25)
        for (int step = 0; step < 16; ++step) {
            const double angle = step * M_PI / 8.0;
            const QPointF at = press + QPointF(std::cos(angle), std::sin(angle)) * distance;
            if (fits(at)) return at;
        }
    return press;
}

void paintCorrectionRing(QPainter& p, QPointF centre, double radius, double phase)
{
    const double r = radius * (1.0 + 0.2 * std::sin(phase * 2.0 * M_PI));
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 230), 9));
    p.drawEllipse(centre, r, r);
    p.setPen(QPen(QColor(255, 0, 0), 5));
    p.drawEllipse(centre, r, r);
    p.restore();
}

AnswerSign::AnswerSign(int size, QWidget* parent) : QWidget(parent), timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("AnswerSign"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(size, size);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &AnswerSign::hideSign);
    hide();
}

void AnswerSign::showSign(Kind kind, QPoint centre, bool forAMoment)
{
    kind_ = kind;
    move(centre - QPoint(width() / 2, height() / 2));
    show();
    raise();
    update();
    timer_->stop();
    if (forAMoment) timer_->start(kSignMoment);
}

void AnswerSign::hideSign()
{
    timer_->stop();
    hide();
}

void AnswerSign::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double s = width();
    const double stroke = s * 0.14;
    const QRectF box(stroke, stroke, s - 2 * stroke, s - 2 * stroke);
    QPainterPath path;
    if (kind_ == Right) {
        path.addEllipse(box);
    } else {
        path.moveTo(box.topLeft());
        path.lineTo(box.bottomRight());
        path.moveTo(box.topRight());
        path.lineTo(box.bottomLeft());
    }
    if (backed_) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 235));
        p.drawEllipse(QRectF(0, 0, s, s));
    }
    // A white edge keeps the sign clear on any colour of the map.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, stroke + 8, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(path);
    // The colours of right and wrong on the map and in the slots (mapcolour).
    p.setPen(QPen(kind_ == Right ? QColor(230, 0, 0) : QColor(140, 0, 200), stroke, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(path);
}

PenaltyBadge::PenaltyBadge(QWidget* parent) : QLabel(QStringLiteral("+10秒"), parent), timer_(new QTimer(this))
{
    setObjectName(QStringLiteral("PenaltyBadge"));
    setAlignment(Qt::AlignCenter);
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(26);
    f.setBold(true);
    setFont(f);
    setStyleSheet(QStringLiteral("QLabel { color: #d00000; background: #fff35a; border: 2px solid #d00000;"
                                 " border-radius: 8px; }"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    timer_->setSingleShot(true);
    timer_->setInterval(kPenaltyShown);
    connect(timer_, &QTimer::timeout, this, &QLabel::hide);
    hide();
}

void PenaltyBadge::showPenalty()
{
    show();
    raise();
    timer_->start();
}

} // namespace karuvel
