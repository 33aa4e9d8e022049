#include "MapContent.h"

#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

namespace karuvel::mapgen {

namespace {

constexpr int W = kMapWidth;
constexpr int H = kMapHeight;

inline int idx(int x, int y) { return y * W + x; }
inline bool inside(int x, int y) { return x >= 0 && y >= 0 && x < W && y < H; }

bool readJson(const QString& path, QJsonDocument* doc, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("ファイル「%1」を開けません。").arg(QDir::toNativeSeparators(path));
        return false;
    }
    QJsonParseError pe;
    *doc = QJsonDocument::fromJson(f.readAll(), &pe);
    if (pe.error != QJsonParseError::NoError) {
        *error = QStringLiteral("ファイル「%1」の JSON が正しくありません（%2 文字目：%3）。")
                     .arg(QDir::toNativeSeparators(path))
                     .arg(pe.offset)
                     .arg(pe.errorString());
        return false;
    }
    return true;
}

bool readColour(const QJsonValue& v, QColor* out)
{
    const QJsonArray a = v.toArray();
    if (a.size() != 3)
        return false;
    int c[3];
    for (int i = 0; i < 3; ++i) {
        if (!a[i].isDouble())
            return false;
        c[i] = a[i].toInt(-1);
        if (c[i] < 0 || c[i] > 255)
            return false;
    }
    *out = QColor(c[0], c[1], c[2]);
    return true;
}

bool readPoint(const QJsonValue& v, QPointF* out)
{
    const QJsonArray a = v.toArray();
    if (a.size() != 2 || !a[0].isDouble() || !a[1].isDouble())
        return false;
    *out = QPointF(a[0].toDouble(), a[1].toDouble());
    return true;
}

QString text(const QJsonObject& o, const char* key, const QString& fallback = QStringLiteral("*"))
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isString() ? v.toString() : fallback;
}

// A white-on-black mask image to paint one shape into, at `scale` times the map's size.
QImage blankMask(int scale = 1)
{
    QImage m(W * scale, H * scale, QImage::Format_RGB32);
    m.fill(Qt::black);
    return m;
}

QVector<bool> maskBits(const QImage& m)
{
    const int w = m.width(), h = m.height();
    QVector<bool> bits(w * h);
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(m.constScanLine(y));
        for (int x = 0; x < w; ++x)
            bits[y * w + x] = qRed(line[x]) > 127;
    }
    return bits;
}

void setupPainter(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

// The projection of the map drawn `scale` times larger: a map pixel becomes a
// scale x scale block.
Projection scaledProjection(const Projection& pr, int scale)
{
    Projection s = pr;
    s.kx *= scale;
    s.ky *= scale;
    return s;
}

QPolygonF projected(const QVector<QPointF>& coords, const Projection& pr)
{
    QPolygonF poly;
    poly.reserve(coords.size());
    for (const QPointF& c : coords)
        poly << pr.project(c.x(), c.y());
    return poly;
}

// Line segments `scale` pixels wide on a map drawn `scale` times larger.
QVector<bool> drawSegments(const QList<QPair<QPointF, QPointF>>& segs, const Projection& pr, int scale = 1)
{
    const Projection spr = scaledProjection(pr, scale);
    QImage m = blankMask(scale);
    QPainter p(&m);
    setupPainter(p);
    p.setPen(QPen(Qt::white, scale, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    for (const auto& s : segs)
        p.drawLine(spr.project(s.first.x(), s.first.y()), spr.project(s.second.x(), s.second.y()));
    p.end();
    return maskBits(m);
}

// A place's shape on the map drawn `scale` times larger (widths and radii scaled too).
QVector<bool> drawGeometry(const Geometry& g, const Projection& pr, int scale = 1)
{
    const Projection spr = scaledProjection(pr, scale);
    QImage m = blankMask(scale);
    QPainter p(&m);
    setupPainter(p);
    switch (g.type) {
    case Geometry::Type::Line: {
        p.setPen(QPen(Qt::white, g.width * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(projected(g.coords, spr));
        break;
    }
    case Geometry::Type::Polygon:
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(projected(g.coords, spr), Qt::OddEvenFill);
        break;
    case Geometry::Type::Dot: {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        const QPointF c = spr.project(g.center.x(), g.center.y());
        p.drawEllipse(c, g.radius * scale, g.radius * scale);
        break;
    }
    }
    p.end();
    return maskBits(m);
}

// The mask widened by r pixels all round (chessboard distance), rows then columns.
QVector<bool> dilated(const QVector<bool>& mask, int w, int h, int r)
{
    if (r <= 0)
        return mask;
    QVector<bool> rows(w * h, false), out(w * h, false);
    for (int y = 0; y < h; ++y) {
        int last = -1 - r; // last set pixel seen in this row
        for (int x = 0; x < w + r; ++x) {
            if (x < w && mask[y * w + x])
                last = x;
            const int at = x - r; // covered when a set pixel lies within r on either side
            if (at >= 0 && at < w && last >= at - r)
                rows[y * w + at] = true;
        }
    }
    for (int x = 0; x < w; ++x) {
        int last = -1 - r;
        for (int y = 0; y < h + r; ++y) {
            if (y < h && rows[y * w + x])
                last = y;
            const int at = y - r;
            if (at >= 0 && at < h && last >= at - r)
                out[at * w + x] = true;
        }
    }
    return out;
}

// The 4-connected components of a mask; returns the largest one.
QVector<QPoint> largestComponent(const QVector<bool>& mask, int* componentCount)
{
    QVector<int> seen(W * H, 0);
    QVector<QPoint> best;
    int count = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            if (!mask[idx(x, y)] || seen[idx(x, y)])
                continue;
            ++count;
            QVector<QPoint> comp;
            std::deque<QPoint> q{QPoint(x, y)};
            seen[idx(x, y)] = 1;
            while (!q.empty()) {
                const QPoint pt = q.front();
                q.pop_front();
                comp << pt;
                static const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
                for (int k = 0; k < 4; ++k) {
                    const int nx = pt.x() + dx[k], ny = pt.y() + dy[k];
                    if (inside(nx, ny) && mask[idx(nx, ny)] && !seen[idx(nx, ny)]) {
                        seen[idx(nx, ny)] = 1;
                        q.push_back(QPoint(nx, ny));
                    }
                }
            }
            if (comp.size() > best.size())
                best = comp;
        }
    if (componentCount)
        *componentCount = count;
    return best;
}

bool isHiragana(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (const QChar c : s) {
        const ushort u = c.unicode();
        const bool kana = (u >= 0x3041 && u <= 0x3096) || u == 0x30FC || u == 0x309D || u == 0x309E;
        if (!kana)
            return false;
    }
    return true;
}

// A reading: hiragana, or a hidden one whose second character is "＊".
bool wellFormedReading(const QString& r)
{
    if (r.size() >= 2 && r.at(1) == QChar(0xFF0A))
        return isHiragana(r.left(1)) && (r.size() == 2 || isHiragana(r.mid(2)));
    return isHiragana(r);
}

bool plainField(const QString& s)
{
    return !s.isEmpty() && !s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) &&
           !s.contains(QLatin1Char('\n')) && !s.contains(QLatin1Char('\r')) && s.trimmed() == s;
}

// Reads one geometry object; false with the reason in *why.
bool readGeometry(const QJsonObject& g, Geometry* out, QString* why)
{
    Geometry geo;
    const QString type = g.value(QLatin1String("type")).toString();
    const QString clip = g.value(QLatin1String("clip")).toString();
    if (clip == QLatin1String("land"))
        geo.clip = Geometry::Clip::Land;
    else if (clip == QLatin1String("sea"))
        geo.clip = Geometry::Clip::Sea;
    else if (clip == QLatin1String("land_coast"))
        geo.clip = Geometry::Clip::LandCoast;
    else if (clip == QLatin1String("sea_coast"))
        geo.clip = Geometry::Clip::SeaCoast;
    else if (!clip.isEmpty() && clip != QLatin1String("none")) {
        *why = QStringLiteral("の clip は \"land\"、\"sea\"、\"land_coast\"、\"sea_coast\" のどれかです。");
        return false;
    }
    if (g.contains(QLatin1String("grow"))) {
        const double grow = g.value(QLatin1String("grow")).toDouble(-1);
        if (grow < 0 || grow > 6 || grow != std::floor(grow)) {
            *why = QStringLiteral("の grow は 0 から 6 までの整数（ピクセル）です。");
            return false;
        }
        geo.grow = int(grow);
    }
    if (type == QLatin1String("line") || type == QLatin1String("polygon")) {
        geo.type = type == QLatin1String("line") ? Geometry::Type::Line : Geometry::Type::Polygon;
        for (const QJsonValue& c : g.value(QLatin1String("coords")).toArray()) {
            QPointF pt;
            if (!readPoint(c, &pt)) {
                *why = QStringLiteral("の座標が正しくありません。");
                return false;
            }
            geo.coords << pt;
        }
        const int need = geo.type == Geometry::Type::Line ? 2 : 3;
        if (geo.coords.size() < need) {
            *why = QStringLiteral("の座標が足りません。");
            return false;
        }
        geo.width = std::max(3.0, g.value(QLatin1String("width")).toDouble(3));
        if (g.contains(QLatin1String("min_width")))
            geo.width = std::max(geo.width, g.value(QLatin1String("min_width")).toDouble());
    } else if (type == QLatin1String("dot")) {
        geo.type = Geometry::Type::Dot;
        if (!readPoint(g.value(QLatin1String("center")), &geo.center)) {
            *why = QStringLiteral("の center が正しくありません。");
            return false;
        }
        geo.radius = std::max(2.0, g.value(QLatin1String("radius")).toDouble(4));
    } else {
        *why = QStringLiteral("の geometry の type は line、polygon、dot のどれかです。");
        return false;
    }
    *out = geo;
    return true;
}

} // namespace

bool loadProjection(const QString& path, Projection* out, QString* error)
{
    QJsonDocument doc;
    if (!readJson(path, &doc, error))
        return false;
    const QJsonObject o = doc.object();
    if (o.value(QLatin1String("type")).toString() != QLatin1String("equirectangular")) {
        *error = QStringLiteral("ファイル「%1」の type は \"equirectangular\" でなければなりません。")
                     .arg(QDir::toNativeSeparators(path));
        return false;
    }
    for (const char* k : {"lon0", "lat0", "kx", "ky"})
        if (!o.value(QLatin1String(k)).isDouble()) {
            *error = QStringLiteral("ファイル「%1」に数値 %2 がありません。")
                         .arg(QDir::toNativeSeparators(path), QLatin1String(k));
            return false;
        }
    out->lon0 = o.value(QLatin1String("lon0")).toDouble();
    out->lat0 = o.value(QLatin1String("lat0")).toDouble();
    out->kx = o.value(QLatin1String("kx")).toDouble();
    out->ky = o.value(QLatin1String("ky")).toDouble();
    if (out->kx <= 0 || out->ky <= 0) {
        *error = QStringLiteral("ファイル「%1」の kx と ky は正の数でなければなりません。").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

bool loadMapSpecs(const QString& path, QList<MapSpec>* out, QString* error)
{
    QJsonDocument doc;
    if (!readJson(path, &doc, error))
        return false;
    out->clear();
    const QJsonArray maps = doc.object().value(QLatin1String("maps")).toArray();
    for (const QJsonValue& v : maps) {
        MapSpec s;
        s.key = v.toObject().value(QLatin1String("key")).toString();
        for (const QJsonValue& k : v.toObject().value(QLatin1String("kinds")).toArray())
            s.kinds << k.toString();
        if (s.key.isEmpty() || s.kinds.isEmpty()) {
            *error = QStringLiteral("ファイル「%1」の地図に key または kinds がありません。").arg(QDir::toNativeSeparators(path));
            return false;
        }
        *out << s;
    }
    if (out->isEmpty()) {
        *error = QStringLiteral("ファイル「%1」に地図がありません。").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

bool loadKindSet(const QString& path, KindSet* out, QString* error)
{
    QJsonDocument doc;
    if (!readJson(path, &doc, error))
        return false;
    const QString file = QDir::toNativeSeparators(path);
    const QJsonObject o = doc.object();
    KindSet k;
    k.kind = o.value(QLatin1String("kind")).toString();
    k.dataFile = o.value(QLatin1String("data_file")).toString();
    if (k.kind.isEmpty() || k.dataFile.isEmpty()) {
        *error = QStringLiteral("ファイル「%1」に kind または data_file がありません。").arg(file);
        return false;
    }
    if (!readColour(o.value(QLatin1String("colour")), &k.colour)) {
        *error = QStringLiteral("ファイル「%1」の colour が正しくありません。").arg(file);
        return false;
    }
    for (const QJsonValue& s : o.value(QLatin1String("samples")).toArray())
        k.samples << s.toString();
    const QJsonArray places = o.value(QLatin1String("places")).toArray();
    for (int i = 0; i < places.size(); ++i) {
        const QJsonObject po = places[i].toObject();
        Place p;
        p.region = text(po, "region");
        p.name = text(po, "name", QString());
        p.reading = text(po, "reading");
        p.secondName = text(po, "second_name");
        p.secondReading = text(po, "second_reading");
        for (const QJsonValue& r : po.value(QLatin1String("related")).toArray())
            p.related << r.toString();
        for (const QJsonValue& r : po.value(QLatin1String("also_related")).toArray())
            p.alsoRelated << r.toString();
        const QString where = QStringLiteral("ファイル「%1」の %2 番目の場所「%3」").arg(file).arg(i + 1).arg(p.name);
        if (p.name.isEmpty()) {
            *error = where + QStringLiteral("に name がありません。");
            return false;
        }
        if (po.contains(QLatin1String("colour")) && !readColour(po.value(QLatin1String("colour")), &p.colour.emplace())) {
            *error = where + QStringLiteral("の colour が正しくありません。");
            return false;
        }
        QString why;
        if (!readGeometry(po.value(QLatin1String("geometry")).toObject(), &p.geometry, &why)) {
            *error = where + why;
            return false;
        }
        k.places << p;
    }
    const QJsonArray decor = o.value(QLatin1String("decor")).toArray();
    for (int i = 0; i < decor.size(); ++i) {
        const QJsonObject d = decor[i].toObject();
        Decor dec;
        dec.name = text(d, "name", QString());
        dec.colour = kSea;
        QString why;
        if ((d.contains(QLatin1String("colour")) && !readColour(d.value(QLatin1String("colour")), &dec.colour)) ||
            !readGeometry(d.value(QLatin1String("geometry")).toObject(), &dec.geometry, &why)) {
            *error = QStringLiteral("ファイル「%1」の %2 番目の飾り「%3」").arg(file).arg(i + 1).arg(dec.name) +
                     (why.isEmpty() ? QStringLiteral("の colour が正しくありません。") : why);
            return false;
        }
        k.decor << dec;
    }
    if (k.places.isEmpty()) {
        *error = QStringLiteral("ファイル「%1」に場所がありません。").arg(file);
        return false;
    }
    *out = k;
    return true;
}

bool loadBaseGeometry(const QString& path, BaseGeometry* out, QString* error)
{
    QJsonDocument doc;
    if (!readJson(path, &doc, error))
        return false;
    out->rings.clear();
    QHash<QPair<QPair<double, double>, QPair<double, double>>, int> uses;
    QList<QPair<QPointF, QPointF>> order;
    auto key = [](const QPointF& a, const QPointF& b) {
        QPair<double, double> pa(a.x(), a.y()), pb(b.x(), b.y());
        return pa < pb ? qMakePair(pa, pb) : qMakePair(pb, pa);
    };
    for (const QJsonValue& fv : doc.object().value(QLatin1String("features")).toArray()) {
        const QJsonObject geom = fv.toObject().value(QLatin1String("geometry")).toObject();
        QJsonArray polys = geom.value(QLatin1String("coordinates")).toArray();
        if (geom.value(QLatin1String("type")).toString() == QLatin1String("Polygon"))
            polys = QJsonArray{polys};
        for (const QJsonValue& pv : polys)
            for (const QJsonValue& rv : pv.toArray()) {
                Ring ring;
                for (const QJsonValue& c : rv.toArray()) {
                    QPointF pt;
                    if (readPoint(c, &pt))
                        ring << pt;
                }
                for (int i = 0; i + 1 < ring.size(); ++i) {
                    const auto k = key(ring[i], ring[i + 1]);
                    if (uses[k]++ == 0)
                        order << qMakePair(ring[i], ring[i + 1]);
                }
                if (ring.size() >= 3)
                    out->rings << ring;
            }
    }
    if (out->rings.isEmpty()) {
        *error = QStringLiteral("ファイル「%1」に都道府県の輪郭がありません。").arg(QDir::toNativeSeparators(path));
        return false;
    }
    out->coastSegments.clear();
    out->borderSegments.clear();
    for (const auto& s : order)
        (uses.value(key(s.first, s.second)) >= 2 ? out->borderSegments : out->coastSegments) << s;
    return true;
}

BaseMasks drawBaseMasks(const BaseGeometry& base, const Projection& projection, int scale)
{
    BaseMasks m;
    m.scale = scale;
    m.width = W * scale;
    m.height = H * scale;
    const int w = m.width, h = m.height;
    QImage land = blankMask(scale);
    {
        QPainter p(&land);
        setupPainter(p);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        const Projection spr = scaledProjection(projection, scale);
        for (const Ring& r : base.rings)
            p.drawPolygon(projected(r, spr), Qt::OddEvenFill);
    }
    // Land and coast together are the polygons and their outline segments
    // (`scale` pixels wide). The coast line is the rim of that shape on the sea
    // side, `scale` pixels wide everywhere: along a ragged coast the outline
    // segments pile up into lines two or three pixels thick, and the pixels of
    // such a pile away from the sea are land.
    const QVector<bool> outline = drawSegments(base.coastSegments, projection, scale);
    m.land = maskBits(land);
    for (int j = 0; j < w * h; ++j)
        m.land[j] = m.land[j] || outline[j];
    // Specks of sea enclosed by land (gaps between a ring's fill and its
    // outline, under four map pixels) are land: they would show as black dots.
    {
        QVector<int> seen(w * h, 0);
        for (int y0 = 0; y0 < h; ++y0)
            for (int x0 = 0; x0 < w; ++x0) {
                if (m.land[y0 * w + x0] || seen[y0 * w + x0])
                    continue;
                QVector<int> comp;
                bool edge = false;
                std::deque<int> q{y0 * w + x0};
                seen[y0 * w + x0] = 1;
                while (!q.empty()) {
                    const int j = q.front();
                    q.pop_front();
                    comp << j;
                    const int x = j % w, y = j / w;
                    edge = edge || x == 0 || y == 0 || x == w - 1 || y == h - 1;
                    const int next[4] = {x > 0 ? j - 1 : -1, x + 1 < w ? j + 1 : -1, y > 0 ? j - w : -1,
                                         y + 1 < h ? j + w : -1};
                    for (int n : next)
                        if (n >= 0 && !seen[n] && !m.land[n]) {
                            seen[n] = 1;
                            q.push_back(n);
                        }
                }
                if (!edge && comp.size() < 4 * scale * scale)
                    for (int j : comp)
                        m.land[j] = true;
            }
    }
    QVector<QPoint> disc;
    for (int dy = -scale; dy <= scale; ++dy)
        for (int dx = -scale; dx <= scale; ++dx)
            if ((dx || dy) && dx * dx + dy * dy <= scale * scale)
                disc << QPoint(dx, dy);
    m.coast = QVector<bool>(w * h, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!m.land[y * w + x])
                continue;
            for (const QPoint& d : disc) {
                const int nx = x + d.x(), ny = y + d.y();
                if (nx >= 0 && ny >= 0 && nx < w && ny < h && !m.land[ny * w + nx]) {
                    m.coast[y * w + x] = true;
                    break;
                }
            }
        }
    m.pile = QVector<bool>(w * h, false);
    for (int j = 0; j < w * h; ++j)
        m.pile[j] = outline[j] && !m.coast[j];
    // Borders end at the coast: none of their pixels lies out in the sea.
    m.border = drawSegments(base.borderSegments, projection, scale);
    for (int j = 0; j < w * h; ++j)
        m.border[j] = m.border[j] && m.land[j];
    return m;
}

QImage drawBaseImage(const BaseMasks& masks)
{
    const int w = masks.width, h = masks.height;
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int i = y * w + x;
            QColor c = masks.land[i] ? kLand : kSea;
            if (masks.coast[i] || masks.border[i])
                c = kBorder;
            img.setPixelColor(x, y, c);
        }
    return img;
}

QVector<QPoint> floodRegion(const QImage& image, QPoint start)
{
    QVector<QPoint> out;
    if (!image.valid(start))
        return out;
    const QRgb c = image.pixel(start);
    QVector<bool> seen(image.width() * image.height(), false);
    std::deque<QPoint> q{start};
    seen[start.y() * image.width() + start.x()] = true;
    while (!q.empty()) {
        const QPoint pt = q.front();
        q.pop_front();
        out << pt;
        static const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
        for (int k = 0; k < 4; ++k) {
            const QPoint n(pt.x() + dx[k], pt.y() + dy[k]);
            if (!image.valid(n))
                continue;
            const int i = n.y() * image.width() + n.x();
            if (!seen[i] && image.pixel(n) == c) {
                seen[i] = true;
                q.push_back(n);
            }
        }
    }
    return out;
}

QPoint innermostPixel(const QVector<QPoint>& pixels)
{
    if (pixels.isEmpty())
        return {-1, -1};
    int x0 = std::numeric_limits<int>::max(), y0 = x0, x1 = std::numeric_limits<int>::min(), y1 = x1;
    double cx = 0, cy = 0;
    for (const QPoint& p : pixels) {
        x0 = std::min(x0, p.x());
        y0 = std::min(y0, p.y());
        x1 = std::max(x1, p.x());
        y1 = std::max(y1, p.y());
        cx += p.x();
        cy += p.y();
    }
    cx /= pixels.size();
    cy /= pixels.size();
    // A grid with a one-pixel frame of outside around the set.
    const int gw = x1 - x0 + 3, gh = y1 - y0 + 3;
    QVector<int> dist(gw * gh, 0);
    const int big = 1 << 28;
    for (const QPoint& p : pixels)
        dist[(p.y() - y0 + 1) * gw + (p.x() - x0 + 1)] = big;
    // Chessboard distance to the nearest outside pixel, two passes.
    for (int y = 1; y < gh - 1; ++y)
        for (int x = 1; x < gw - 1; ++x) {
            int& d = dist[y * gw + x];
            if (!d)
                continue;
            d = std::min({d, dist[(y - 1) * gw + x - 1] + 1, dist[(y - 1) * gw + x] + 1, dist[(y - 1) * gw + x + 1] + 1,
                          dist[y * gw + x - 1] + 1});
        }
    for (int y = gh - 2; y >= 1; --y)
        for (int x = gw - 2; x >= 1; --x) {
            int& d = dist[y * gw + x];
            if (!d)
                continue;
            d = std::min({d, dist[(y + 1) * gw + x + 1] + 1, dist[(y + 1) * gw + x] + 1, dist[(y + 1) * gw + x - 1] + 1,
                          dist[y * gw + x + 1] + 1});
        }
    QPoint best(-1, -1);
    int bestD = -1;
    double bestC = 0;
    for (int y = 1; y < gh - 1; ++y)
        for (int x = 1; x < gw - 1; ++x) {
            const int d = dist[y * gw + x];
            if (!d)
                continue;
            const double px = x + x0 - 1, py = y + y0 - 1;
            const double c = (px - cx) * (px - cx) + (py - cy) * (py - cy);
            if (d > bestD || (d == bestD && c < bestC)) {
                bestD = d;
                bestC = c;
                best = QPoint(int(px), int(py));
            }
        }
    return best;
}

namespace {

// Whether a shape with this clip may paint base pixel j.
bool clipAllows(Geometry::Clip clip, const BaseMasks& masks, int j)
{
    switch (clip) {
    case Geometry::Clip::None:
        return true;
    case Geometry::Clip::Land:
        return masks.land[j] && !masks.coast[j];
    case Geometry::Clip::Sea:
        return !masks.land[j] && !masks.coast[j];
    case Geometry::Clip::LandCoast:
        return masks.land[j] || masks.coast[j];
    case Geometry::Clip::SeaCoast:
        return !masks.land[j] || masks.coast[j] || masks.pile[j];
    }
    return true;
}

} // namespace

RenderedMap renderMap(const MapSpec& spec, const QList<const KindSet*>& kinds, const BaseMasks& masks,
                      const Projection& projection)
{
    RenderedMap map;
    map.key = spec.key;
    map.kinds = kinds;
    map.image = drawBaseImage(masks);
    // Decoration first (lakes in the sea colour for orientation); the places go over it.
    for (const KindSet* ks : kinds)
        for (const Decor& d : ks->decor) {
            QVector<bool> mask = drawGeometry(d.geometry, projection);
            for (int j = 0; j < W * H; ++j)
                if (mask[j] && clipAllows(d.geometry.clip, masks, j))
                    map.image.setPixelColor(j % W, j / W, d.colour);
        }
    QVector<int> label(W * H, -1);
    for (int k = 0; k < kinds.size(); ++k) {
        const KindSet& ks = *kinds[k];
        for (int i = 0; i < ks.places.size(); ++i) {
            const Place& place = ks.places[i];
            QVector<bool> mask = drawGeometry(place.geometry, projection);
            for (int j = 0; j < W * H; ++j) {
                if (!mask[j])
                    continue;
                mask[j] = clipAllows(place.geometry.clip, masks, j);
            }
            int parts = 0;
            Patch patch;
            patch.kindIndex = k;
            patch.placeIndex = i;
            patch.colour = ks.colourOf(place);
            patch.pixels = largestComponent(mask, &parts);
            if (place.geometry.grow > 0 && !patch.pixels.isEmpty()) {
                // Larger than life: the clipped piece widened all round (chessboard distance).
                QVector<bool> grown(W * H, false);
                const int g = place.geometry.grow;
                for (const QPoint& p : patch.pixels)
                    for (int dy = -g; dy <= g; ++dy)
                        for (int dx = -g; dx <= g; ++dx)
                            if (inside(p.x() + dx, p.y() + dy))
                                grown[idx(p.x() + dx, p.y() + dy)] = true;
                patch.pixels = largestComponent(grown, nullptr);
            }
            if (patch.pixels.isEmpty()) {
                map.problems << QStringLiteral("%1: 「%2」が地図に描かれません（地図の外か、切り抜きで消えています）。")
                                    .arg(spec.key, place.name);
                map.patches << patch;
                continue;
            }
            if (parts > 1) {
                int total = 0;
                for (bool b : mask)
                    total += b;
                if (total - patch.pixels.size() > 8)
                    map.problems << QStringLiteral("%1: 「%2」は %3 片に分かれ、最大の片だけを描きました（%4 ピクセルを捨てました）。")
                                        .arg(spec.key, place.name)
                                        .arg(parts)
                                        .arg(total - patch.pixels.size());
            }
            QSet<int> over;
            const int me = map.patches.size();
            for (const QPoint& p : patch.pixels) {
                const int j = idx(p.x(), p.y());
                if (label[j] >= 0)
                    over.insert(label[j]);
                label[j] = me;
                map.image.setPixelColor(p, patch.colour);
            }
            for (int o : over) {
                const Patch& other = map.patches[o];
                map.problems << QStringLiteral("%1: 「%2」が「%3」の上に描かれています。")
                                    .arg(spec.key, place.name, kinds[other.kindIndex]->places[other.placeIndex].name);
            }
            map.patches << patch;
        }
    }
    // A pile pixel (land now, coast line once) stays land where taking it would
    // make two places of one colour touch.
    const QImage plain = drawBaseImage(masks);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int a = label[idx(x, y)];
            if (a < 0 || !masks.pile[idx(x, y)])
                continue;
            bool touches = false;
            for (int dy = -1; dy <= 1 && !touches; ++dy)
                for (int dx = -1; dx <= 1 && !touches; ++dx) {
                    if (!inside(x + dx, y + dy))
                        continue;
                    const int b = label[idx(x + dx, y + dy)];
                    touches = b >= 0 && b != a && map.patches[b].colour == map.patches[a].colour;
                }
            if (touches) {
                label[idx(x, y)] = -1;
                map.image.setPixel(x, y, plain.pixel(x, y));
            }
        }
    // What remains of each patch after later ones were painted, and where same-coloured patches touch.
    for (Patch& p : map.patches)
        p.pixels.clear();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (label[idx(x, y)] >= 0)
                map.patches[label[idx(x, y)]].pixels << QPoint(x, y);
    QSet<QPair<int, int>> touching;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int a = label[idx(x, y)];
            if (a < 0)
                continue;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    if (!inside(x + dx, y + dy))
                        continue;
                    const int b = label[idx(x + dx, y + dy)];
                    if (b > a && map.patches[a].colour == map.patches[b].colour)
                        touching.insert(qMakePair(a, b));
                }
        }
    QList<QPair<int, int>> touchList(touching.begin(), touching.end());
    std::sort(touchList.begin(), touchList.end());
    auto nameOf = [&](const Patch& p) { return kinds[p.kindIndex]->places[p.placeIndex].name; };
    for (const auto& t : touchList)
        map.problems << QStringLiteral("%1: 「%2」と「%3」が同じ色で接しています。")
                            .arg(spec.key, nameOf(map.patches[t.first]), nameOf(map.patches[t.second]));
    map.labels = label;
    for (Patch& p : map.patches) {
        if (p.pixels.isEmpty())
            continue;
        p.seed = innermostPixel(p.pixels);
        if (p.pixels.size() < 20)
            map.problems << QStringLiteral("%1: 「%2」は %3 ピクセルしかなく、押しにくい大きさです。")
                                .arg(spec.key, nameOf(p))
                                .arg(p.pixels.size());
        const QSet<QPoint> own(p.pixels.begin(), p.pixels.end());
        for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
            if (!own.contains(p.seed + d)) {
                map.problems << QStringLiteral("%1: 「%2」は細すぎて、縁でない点がありません（幅 3 ピクセル以上にしてください）。")
                                    .arg(spec.key, nameOf(p));
                break;
            }
        // An area (not a stroke) must be large enough for a child to press: a 5 x 5 square around its seed.
        if (kinds[p.kindIndex]->places[p.placeIndex].geometry.type != Geometry::Type::Line) {
            bool square = true;
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx)
                    square = square && own.contains(p.seed + QPoint(dx, dy));
            if (!square)
                map.problems << QStringLiteral("%1: 「%2」は 5 x 5 ピクセルの正方形が入らず、押しにくい大きさです（clip を land_coast / sea_coast にするか grow で広げてください）。")
                                    .arg(spec.key, nameOf(p));
        }
        const int reached = floodRegion(map.image, p.seed).size();
        if (reached != p.pixels.size())
            map.problems << QStringLiteral("%1: 「%2」の塗りつぶしが自分の区域と一致しません（%3 / %4 ピクセル）。")
                                .arg(spec.key, nameOf(p))
                                .arg(reached)
                                .arg(p.pixels.size());
    }
    return map;
}

QString detailMapName(const QString& key, int scale) { return key + QStringLiteral("@%1x.png").arg(scale); }

QImage renderDetail(const RenderedMap& one, const BaseMasks& masks, const Projection& projection, QStringList* problems)
{
    const int s = masks.scale, w = masks.width, h = masks.height;
    QImage img = drawBaseImage(masks);
    for (const KindSet* ks : one.kinds)
        for (const Decor& d : ks->decor) {
            const QVector<bool> mask = drawGeometry(d.geometry, projection, s);
            for (int j = 0; j < w * h; ++j)
                if (mask[j] && clipAllows(d.geometry.clip, masks, j))
                    img.setPixelColor(j % w, j / w, d.colour);
        }
    // Each place drawn at this size, in the order of the map at its own size.
    QVector<int> label(w * h, -1);
    for (int pi = 0; pi < one.patches.size(); ++pi) {
        const Patch& patch = one.patches[pi];
        if (patch.pixels.isEmpty())
            continue;
        const Geometry& g = one.kinds[patch.kindIndex]->places[patch.placeIndex].geometry;
        QVector<bool> mask = drawGeometry(g, projection, s);
        for (int j = 0; j < w * h; ++j)
            mask[j] = mask[j] && clipAllows(g.clip, masks, j);
        mask = dilated(mask, w, h, g.grow * s);
        for (int j = 0; j < w * h; ++j)
            if (mask[j])
                label[j] = pi;
    }
    auto lo = [&](int x, int y) { return one.labels[y * W + x]; };
    // A pixel keeps what it was drawn as only where the map at its own size has
    // that same place (or no place) on the pixel or next to it; elsewhere it
    // takes what the smaller map has there. So the edges follow the finer
    // drawing, yet a patch never strays more than a map pixel from its patch
    // at its own size.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int j = y * w + x, px = x / s, py = y / s;
            bool allowed = false;
            for (int dy = -1; dy <= 1 && !allowed; ++dy)
                for (int dx = -1; dx <= 1 && !allowed; ++dx)
                    allowed = inside(px + dx, py + dy) && lo(px + dx, py + dy) == label[j];
            if (!allowed)
                label[j] = lo(px, py);
        }
    // A pixel beyond its place's patch at its own size that touches another
    // place of the same colour takes what the smaller map has there: places
    // kept apart there stay apart here.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int j = y * w + x, a = label[j];
            if (a < 0 || lo(x / s, y / s) == a)
                continue;
            bool touches = false;
            for (int dy = -1; dy <= 1 && !touches; ++dy)
                for (int dx = -1; dx <= 1 && !touches; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const int b = label[ny * w + nx];
                    touches = b >= 0 && b != a && one.patches[b].colour == one.patches[a].colour;
                }
            if (touches)
                label[j] = lo(x / s, y / s);
        }
    // Every pixel of a patch at its own size shows on the larger map, and each
    // place is one piece there: a pixel whose block holds none of its place
    // takes the whole block (from the second round on with its neighbours of
    // the same place, which joins it to them), then whatever a flood fill from
    // the seed's block does not reach goes back to the base map.
    auto blockHas = [&](int px, int py, int a) {
        for (int by = 0; by < s; ++by)
            for (int bx = 0; bx < s; ++bx)
                if (label[(py * s + by) * w + px * s + bx] == a)
                    return true;
        return false;
    };
    auto takeBlock = [&](int px, int py, int a) {
        for (int by = 0; by < s; ++by)
            for (int bx = 0; bx < s; ++bx)
                label[(py * s + by) * w + px * s + bx] = a;
    };
    auto nameOf = [&](const Patch& p) { return one.kinds[p.kindIndex]->places[p.placeIndex].name; };
    for (int round = 0; round < 4; ++round) {
        bool changed = false;
        for (int py = 0; py < H; ++py)
            for (int px = 0; px < W; ++px) {
                const int a = lo(px, py);
                if (a < 0 || blockHas(px, py, a))
                    continue;
                changed = true;
                takeBlock(px, py, a);
                if (round == 0)
                    continue;
                for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
                    if (inside(px + d.x(), py + d.y()) && lo(px + d.x(), py + d.y()) == a)
                        takeBlock(px + d.x(), py + d.y(), a);
            }
        if (!changed && round > 0)
            break;
        QVector<bool> reached(w * h, false);
        for (int pi = 0; pi < one.patches.size(); ++pi) {
            const Patch& patch = one.patches[pi];
            if (patch.seed.x() < 0)
                continue;
            int start = -1;
            for (int by = 0; by < s && start < 0; ++by)
                for (int bx = 0; bx < s && start < 0; ++bx) {
                    const int j = (patch.seed.y() * s + by) * w + patch.seed.x() * s + bx;
                    if (label[j] == pi)
                        start = j;
                }
            if (start < 0)
                continue; // reported below: the seed's block is not covered
            std::deque<int> q{start};
            reached[start] = true;
            while (!q.empty()) {
                const int j = q.front();
                q.pop_front();
                const int x = j % w, y = j / w;
                const int next[4] = {x > 0 ? j - 1 : -1, x + 1 < w ? j + 1 : -1, y > 0 ? j - w : -1,
                                     y + 1 < h ? j + w : -1};
                for (int n : next)
                    if (n >= 0 && !reached[n] && label[n] == pi) {
                        reached[n] = true;
                        q.push_back(n);
                    }
            }
        }
        for (int j = 0; j < w * h; ++j)
            if (label[j] >= 0 && !reached[j])
                label[j] = -1;
    }
    for (int pi = 0; pi < one.patches.size(); ++pi) {
        const Patch& patch = one.patches[pi];
        int missing = 0;
        for (const QPoint& p : patch.pixels)
            missing += !blockHas(p.x(), p.y(), pi);
        if (missing)
            *problems << QStringLiteral("%1: 「%2」は %3 倍の地図で %4 ピクセル分が欠けています。")
                             .arg(one.key, nameOf(patch))
                             .arg(s)
                             .arg(missing);
    }
    QSet<QPair<int, int>> touching;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int a = label[y * w + x];
            if (a < 0)
                continue;
            for (int dy = 0; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if ((dy == 0 && dx <= 0) || nx < 0 || nx >= w || ny >= h)
                        continue;
                    const int b = label[ny * w + nx];
                    if (b >= 0 && b != a && one.patches[a].colour == one.patches[b].colour)
                        touching.insert(qMakePair(std::min(a, b), std::max(a, b)));
                }
        }
    QList<QPair<int, int>> touchList(touching.begin(), touching.end());
    std::sort(touchList.begin(), touchList.end());
    for (const auto& t : touchList)
        *problems << QStringLiteral("%1: %2 倍の地図で「%3」と「%4」が同じ色で接しています。")
                         .arg(one.key)
                         .arg(s)
                         .arg(nameOf(one.patches[t.first]), nameOf(one.patches[t.second]));
    for (int j = 0; j < w * h; ++j)
        if (label[j] >= 0)
            img.setPixelColor(j % w, j / w, one.patches[label[j]].colour);
    return img;
}

QPoint landSample(const QImage& image)
{
    QVector<QPoint> land;
    const QRgb l = kLand.rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == l)
                land << QPoint(x, y);
    return innermostPixel(land);
}

QList<QStringList> dataRecords(const KindSet& kind, const RenderedMap& map, const QMap<QString, QPoint>& sampleSources,
                               QStringList* problems)
{
    QList<QStringList> records;
    const int k = map.kinds.indexOf(&kind);
    QSet<QString> names;
    for (const Patch& patch : map.patches) {
        if (patch.kindIndex != k)
            continue;
        const Place& p = kind.places[patch.placeIndex];
        auto bad = [&](const QString& what) {
            *problems << QStringLiteral("%1: 「%2」の%3").arg(kind.dataFile, p.name, what);
        };
        if (names.contains(p.name))
            bad(QStringLiteral("名前が重複しています。"));
        names.insert(p.name);
        for (const QString& f : {p.region, p.name, p.reading, p.secondName, p.secondReading})
            if (!plainField(f))
                bad(QStringLiteral("欄「%1」に空・カンマ・引用符・前後の空白は使えません。").arg(f));
        if (p.reading == QLatin1String("*") || !wellFormedReading(p.reading))
            bad(QStringLiteral("読み「%1」はひらがなでなければなりません。").arg(p.reading));
        if ((p.secondName == QLatin1String("*")) != (p.secondReading == QLatin1String("*")))
            bad(QStringLiteral("別名と別名の読みは両方あるか両方「*」です。"));
        else if (p.secondName != QLatin1String("*") && !wellFormedReading(p.secondReading))
            bad(QStringLiteral("別名の読み「%1」はひらがなでなければなりません。").arg(p.secondReading));
        if (p.secondName == p.name)
            bad(QStringLiteral("別名が名前と同じです。"));
        if (p.related.isEmpty() || p.related.size() > 10)
            bad(QStringLiteral("関連する場所は 1 から 10 個です。"));
        if (QSet<QString>(p.related.begin(), p.related.end()).size() != p.related.size())
            bad(QStringLiteral("関連する場所が重複しています。"));
        for (const QString& r : p.related)
            if (!plainField(r) || r == QLatin1String("*") || r == p.name)
                bad(QStringLiteral("関連する場所「%1」が正しくありません。").arg(r));
        for (const QString& r : p.alsoRelated)
            if (!plainField(r) || r == QLatin1String("*") || r == p.name || p.related.contains(r)
                || p.alsoRelated.count(r) > 1)
                bad(QStringLiteral("also_related の「%1」が正しくないか重複しています。").arg(r));
        if (patch.seed.x() < 0)
            continue;
        QStringList rec{p.region, p.name, p.reading, p.secondName, p.secondReading};
        for (int i = 0; i < 10; ++i)
            rec << (i < p.related.size() ? p.related[i] : QStringLiteral("*"));
        rec << QString::number(patch.seed.x()) << QString::number(patch.seed.y()) << QStringLiteral("0");
        records << rec;
    }
    for (const QString& s : kind.samples) {
        if (!sampleSources.contains(s)) {
            *problems << QStringLiteral("%1: 無効色「%2」の点が地図「%3」にありません。").arg(kind.dataFile, s, map.key);
            continue;
        }
        const QPoint pt = sampleSources.value(s);
        QStringList rec{QStringLiteral("*"), QStringLiteral("無効色")};
        while (rec.size() < 15)
            rec << QStringLiteral("*");
        rec << QString::number(pt.x()) << QString::number(pt.y()) << QStringLiteral("0");
        records << rec;
    }
    return records;
}

bool writeDataFile(const QString& path, const QList<QStringList>& records)
{
    QStringList lines;
    for (const QStringList& r : records)
        lines << r.join(QLatin1Char(','));
    // Checked here so that no character turns into "?" unnoticed.
    for (const QString& l : lines)
        if (!fitsCp932(l))
            return false;
    return writeCp932Lines(path, lines) == FileStatus::Ok;
}

QString truthFileName(const QString& dataFile) { return QStringLiteral("関係") + dataFile; }

QList<QStringList> truthRecords(const KindSet& kind, const QList<QStringList>& dataRecords)
{
    QHash<QString, const Place*> byName;
    for (const Place& p : kind.places)
        byName.insert(p.name, &p);
    QStringList facts;
    QHash<QString, QStringList> placesOf;
    QList<QPair<QString, QStringList>> questions; // name, full truth
    for (const QStringList& rec : dataRecords) {
        if (rec.size() < 15 || rec[1] == QLatin1String("無効色"))
            continue;
        QStringList truth;
        for (int i = 5; i < 15 && rec[i] != QLatin1String("*"); ++i) {
            truth << rec[i];
            if (!facts.contains(rec[i]))
                facts << rec[i];
        }
        if (const Place* p = byName.value(rec[1]))
            truth << p->alsoRelated;
        questions.append({rec[1], truth});
    }
    for (const auto& [name, truth] : questions)
        for (const QString& fact : truth)
            if (facts.contains(fact) && !placesOf[fact].contains(name))
                placesOf[fact] << name;
    QList<QStringList> out;
    for (const QString& fact : facts)
        out << (QStringList{fact} + placesOf.value(fact));
    return out;
}

QList<QVector<QPointF>> loadLines(const QString& path)
{
    QList<QVector<QPointF>> lines;
    QJsonDocument doc;
    QString error;
    if (!readJson(path, &doc, &error))
        return lines;
    for (const QJsonValue& fv : doc.object().value(QLatin1String("features")).toArray()) {
        const QJsonObject g = fv.toObject().value(QLatin1String("geometry")).toObject();
        QJsonArray parts = g.value(QLatin1String("coordinates")).toArray();
        if (g.value(QLatin1String("type")).toString() == QLatin1String("LineString"))
            parts = QJsonArray{parts};
        for (const QJsonValue& part : parts) {
            QVector<QPointF> line;
            for (const QJsonValue& c : part.toArray()) {
                QPointF pt;
                if (readPoint(c, &pt))
                    line << pt;
            }
            if (line.size() >= 2)
                lines << line;
        }
    }
    return lines;
}

QImage labelledPreview(const RenderedMap& map, int scale, const PreviewGuides* guides)
{
    QImage big = map.image.convertToFormat(QImage::Format_RGB32)
                     .scaled(map.image.width() * scale, map.image.height() * scale, Qt::IgnoreAspectRatio,
                             Qt::FastTransformation);
    QPainter p(&big);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    if (guides) {
        const Projection& pr = guides->projection;
        QFont gf(QStringLiteral("IPAGothic"));
        gf.setPixelSize(10);
        p.setFont(gf);
        for (int lon = 128; lon <= 147; ++lon) {
            const double x = pr.project(lon, 0).x() * scale;
            p.setPen(QPen(QColor(120, 120, 120, lon % 5 ? 90 : 200), 1));
            p.drawLine(QPointF(x, 0), QPointF(x, big.height()));
            p.drawText(QPointF(x + 2, 12), QString::number(lon));
        }
        for (int lat = 28; lat <= 47; ++lat) {
            const double y = pr.project(0, lat).y() * scale;
            p.setPen(QPen(QColor(120, 120, 120, lat % 5 ? 90 : 200), 1));
            p.drawLine(QPointF(0, y), QPointF(big.width(), y));
            p.drawText(QPointF(2, y - 2), QString::number(lat));
        }
        p.setPen(QPen(QColor(255, 0, 200), 1));
        for (const auto& line : guides->lines) {
            QPolygonF poly;
            for (const QPointF& c : line)
                poly << pr.project(c.x(), c.y()) * scale;
            p.drawPolyline(poly);
        }
    }
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(12);
    p.setFont(f);
    for (const Patch& patch : map.patches) {
        if (patch.seed.x() < 0)
            continue;
        const QString name = map.kinds[patch.kindIndex]->places[patch.placeIndex].name;
        const QPointF at((patch.seed.x() + 0.5) * scale, (patch.seed.y() + 0.5) * scale);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::red);
        p.drawEllipse(at, 2.0, 2.0);
        QPainterPath path;
        path.addText(at + QPointF(3, -2), f, name);
        p.setPen(QPen(Qt::white, 3));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 0, 80));
        p.drawPath(path);
    }
    p.end();
    return big;
}

bool generateAll(const GenerateOptions& o, QStringList* problems, QStringList* notes)
{
    QString error;
    Projection projection;
    QList<MapSpec> specs;
    BaseGeometry base;
    if (!loadProjection(o.contentDir + QStringLiteral("/projection.json"), &projection, &error) ||
        !loadMapSpecs(o.contentDir + QStringLiteral("/maps.json"), &specs, &error) ||
        !loadBaseGeometry(o.geoDir + QStringLiteral("/prefectures.geojson"), &base, &error)) {
        *problems << error;
        return false;
    }
    // Every kind once, in the order the maps name them.
    QMap<QString, KindSet> sets;
    QStringList missingKinds;
    for (const MapSpec& s : specs)
        for (const QString& kind : s.kinds) {
            if (sets.contains(kind) || missingKinds.contains(kind))
                continue;
            const QString path = o.contentDir + QStringLiteral("/geography/") + kind + QStringLiteral(".json");
            if (!QFileInfo::exists(path)) {
                missingKinds << kind;
                *notes << QStringLiteral("「%1」がまだないので、%2 を飛ばします。").arg(QDir::toNativeSeparators(path), kind);
                continue;
            }
            KindSet ks;
            if (!loadKindSet(path, &ks, &error)) {
                *problems << error;
                return false;
            }
            sets.insert(kind, ks);
        }
    const BaseMasks masks = drawBaseMasks(base, projection);
    // The larger maps for screens that show the map larger than life.
    QList<BaseMasks> detailMasks;
    for (int scale : kDetailScales)
        detailMasks << drawBaseMasks(base, projection, scale);
    QDir().mkpath(o.outDir + QStringLiteral("/maps"));
    QDir().mkpath(o.outDir + QStringLiteral("/data"));
    if (!o.previewDir.isEmpty())
        QDir().mkpath(o.previewDir);
    PreviewGuides guides{projection, {}};
    if (o.previewGuides)
        guides.lines = loadLines(o.geoDir + QStringLiteral("/rivers-reference.geojson"));
    // A kind's question file comes from the first map that lists it, even when --only skips that map.
    QMap<QString, QString> firstMapOf;
    for (const MapSpec& spec : specs)
        for (const QString& k : spec.kinds)
            if (!firstMapOf.contains(k))
                firstMapOf.insert(k, spec.key);
    bool ok = true;
    for (const MapSpec& spec : specs) {
        if (!o.onlyKeys.isEmpty() && !o.onlyKeys.contains(spec.key))
            continue;
        QList<const KindSet*> kinds;
        for (const QString& k : spec.kinds)
            if (sets.contains(k))
                kinds << &sets[k];
        if (kinds.isEmpty()) {
            *notes << QStringLiteral("地図「%1」は描く場所がまだないので飛ばします。").arg(spec.key);
            continue;
        }
        RenderedMap map = renderMap(spec, kinds, masks, projection);
        *problems << map.problems;
        const QString png = o.outDir + QStringLiteral("/maps/") + spec.key + QStringLiteral(".png");
        QSaveFile f(png);
        if (!f.open(QIODevice::WriteOnly) || !map.image.save(&f, "PNG") || !f.commit()) {
            *problems << QStringLiteral("ファイル「%1」を書けません。").arg(QDir::toNativeSeparators(png));
            ok = false;
        }
        for (const BaseMasks& dm : detailMasks) {
            const QImage detail = renderDetail(map, dm, projection, problems);
            const QString name = o.outDir + QStringLiteral("/maps/") + detailMapName(spec.key, dm.scale);
            QSaveFile df(name);
            if (!df.open(QIODevice::WriteOnly) || !detail.save(&df, "PNG") || !df.commit()) {
                *problems << QStringLiteral("ファイル「%1」を書けません。").arg(QDir::toNativeSeparators(name));
                ok = false;
            }
        }
        if (!o.previewDir.isEmpty())
            labelledPreview(map, o.previewScale, o.previewGuides ? &guides : nullptr).save(o.previewDir + QLatin1Char('/') + spec.key + QStringLiteral(".png"), "PNG");
        QMap<QString, QPoint> sources;
        const QPoint land = landSample(map.image);
        if (land.x() >= 0) // a map with no plain land left has nothing to sample
            sources.insert(QStringLiteral("land"), land);
        for (const Patch& p : map.patches)
            if (p.seed.x() >= 0 && !sources.contains(map.kinds[p.kindIndex]->kind))
                sources.insert(map.kinds[p.kindIndex]->kind, p.seed);
        for (const KindSet* ks : kinds) {
            if (firstMapOf.value(ks->kind) != spec.key)
                continue;
            KindSet trimmed = *ks;
            trimmed.samples.clear();
            for (const QString& s : ks->samples) {
                if (missingKinds.contains(s))
                    *notes << QStringLiteral("%1: 無効色「%2」はまだないので飛ばします。").arg(ks->dataFile, s);
                else
                    trimmed.samples << s;
            }
            // dataRecords finds the kind's patches by its address in the map.
            RenderedMap view = map;
            view.kinds[view.kinds.indexOf(ks)] = &trimmed;
            const QList<QStringList> records = dataRecords(trimmed, view, sources, problems);
            const QString csv = o.outDir + QStringLiteral("/data/") + ks->dataFile;
            if (!writeDataFile(csv, records)) {
                *problems << QStringLiteral("ファイル「%1」を CP932 で書けません。").arg(QDir::toNativeSeparators(csv));
                ok = false;
            }
            const QString truth = o.outDir + QStringLiteral("/data/") + truthFileName(ks->dataFile);
            if (!writeDataFile(truth, truthRecords(trimmed, records))) {
                *problems << QStringLiteral("ファイル「%1」を CP932 で書けません。").arg(QDir::toNativeSeparators(truth));
                ok = false;
            }
        }
    }
    return ok;
}

} // namespace karuvel::mapgen
