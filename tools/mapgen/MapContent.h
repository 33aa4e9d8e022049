#pragma once
// The map content of Karuvel: the projection, the base map of Japan drawn from
// the prefecture outlines, the places of each kind drawn over it as flat
// patches, the seed point of each patch and the question files written from
// them. Shared by the generator and by the content tests.
#include <QColor>
#include <QImage>
#include <QList>
#include <QMap>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

namespace karuvel::mapgen {

constexpr int kMapWidth = 454;
constexpr int kMapHeight = 572;

// Fixed colours of every map.
inline const QColor kSea(150, 200, 255);
inline const QColor kLand(255, 250, 220);
inline const QColor kBorder(0, 0, 0);

// x = (lon - lon0) * kx, y = (lat0 - lat) * ky in map pixels.
struct Projection {
    double lon0 = 0, lat0 = 0, kx = 1, ky = 1;
    QPointF project(double lon, double lat) const { return {(lon - lon0) * kx, (lat0 - lat) * ky}; }
};

struct Geometry {
    enum class Type { Line, Polygon, Dot };
    // Land / Sea: only land (resp. sea) pixels, the coast line left out; LandCoast / SeaCoast:
    // the coast line's pixels as well, so that a thin peninsula or a narrow bay keeps its width.
    enum class Clip { None, Land, Sea, LandCoast, SeaCoast };
    Type type = Type::Line;
    Clip clip = Clip::None;
    int grow = 0;            // pixels added all round the clipped shape (small places drawn larger than life)
    QVector<QPointF> coords; // lon/lat
    QPointF center;          // lon/lat of a dot
    double width = 3;        // line width in pixels
    double radius = 4;       // dot radius in pixels
};

struct Place {
    QString region, name, reading, secondName, secondReading;
    QStringList related;
    // Related places true of the place beyond those its question shows: with
    // them, the place's full truth for the set's truth file.
    QStringList alsoRelated;
    Geometry geometry;
    std::optional<QColor> colour; // overrides the kind's colour
};

// A shape drawn for orientation only (a lake on the river map), never an answer:
// by default in the sea colour, which a press ignores.
struct Decor {
    QString name;
    Geometry geometry;
    QColor colour;
};

struct KindSet {
    QString kind;     // "rivers", "ranges", ...
    QString dataFile; // "データ.csv", ...
    QColor colour;
    QStringList samples; // "land" and/or other kinds' names
    QList<Place> places;
    QList<Decor> decor;
    QColor colourOf(const Place& p) const { return p.colour ? *p.colour : colour; }
};

struct MapSpec {
    QString key;
    QStringList kinds;
};

// One prefecture outline ring in lon/lat.
using Ring = QVector<QPointF>;

// The prefectures: filled rings, and the segments of their outlines split into
// coast (used by one ring) and borders (shared by two or more).
struct BaseGeometry {
    QList<Ring> rings;
    QList<QPair<QPointF, QPointF>> coastSegments;
    QList<QPair<QPointF, QPointF>> borderSegments;
};

// Loaders; each returns false and sets *error (Japanese, naming the file) on failure.
bool loadProjection(const QString& path, Projection* out, QString* error);
bool loadMapSpecs(const QString& path, QList<MapSpec>* out, QString* error);
bool loadKindSet(const QString& path, KindSet* out, QString* error);
bool loadBaseGeometry(const QString& path, BaseGeometry* out, QString* error);

// A patch of one place on a rendered map.
struct Patch {
    int kindIndex = -1; // index into RenderedMap::kinds
    int placeIndex = -1;
    QColor colour;
    QVector<QPoint> pixels;
    QPoint seed{-1, -1};
};

struct RenderedMap {
    QString key;
    QImage image; // Format_RGB888, kMapWidth x kMapHeight
    QList<const KindSet*> kinds;
    QList<Patch> patches;
    QVector<int> labels;  // index into patches of each pixel, -1 where no place lies
    QStringList problems; // overlaps, touching patches, small or broken patches
};

// Pixel masks of the base map (true = set), row-major width x height: the map's
// own size times scale.
struct BaseMasks {
    int scale = 1;
    int width = kMapWidth;
    int height = kMapHeight;
    QVector<bool> land;  // inside a prefecture outline or on its coast segments
    QVector<bool> coast; // on a coast line
    QVector<bool> border;
    // Pixels of the coast segments away from the sea, where a ragged coast's
    // segments pile up: land, but a bay with its coast still takes them.
    QVector<bool> pile;
};

BaseMasks drawBaseMasks(const BaseGeometry& base, const Projection& projection, int scale = 1);
QImage drawBaseImage(const BaseMasks& masks);

// Draws the base and the places of the given kinds; finds every patch and its seed.
RenderedMap renderMap(const MapSpec& spec, const QList<const KindSet*>& kinds, const BaseMasks& masks,
                      const Projection& projection);

// The scales of the larger maps written beside each map, and their file names
// ("日本川@2x.png").
constexpr int kDetailScales[] = {2, 3};
QString detailMapName(const QString& key, int scale);

// The map drawn `scale` times larger (masks drawn at that scale) from the same
// places: same colours, same patches in the same order. Each place's patch
// there is one 4-connected piece that shows on every pixel of its patch on the
// map at its own size (at least one pixel of each scale x scale block) and
// strays at most one map pixel beyond it; the edges follow the finer drawing.
// Disagreements and same-coloured patches touching go to *problems.
QImage renderDetail(const RenderedMap& map, const BaseMasks& masks, const Projection& projection,
                    QStringList* problems);

// The land pixel farthest from anything that is not land colour.
QPoint landSample(const QImage& image);

// The 18-field records of a kind's question file: one per place, then the sample rows.
// sampleSources maps a sample name ("land" or a kind) to its point on the map.
QList<QStringList> dataRecords(const KindSet& kind, const RenderedMap& map, const QMap<QString, QPoint>& sampleSources,
                               QStringList* problems);
// Writes the records as CP932 with CR LF; false on a write failure.
bool writeDataFile(const QString& path, const QList<QStringList>& records);
// The truth file of a question file, written beside it: "関係" + the question
// file's name.
QString truthFileName(const QString& dataFile);
// Its records: for every related place that some question of the set shows, that
// place first and then the names of all the set's questions it is true of (its
// question's own related places and its also_related), in file order.
QList<QStringList> truthRecords(const KindSet& kind, const QList<QStringList>& dataRecords);

// 4-connected flood region of the colour at the start point.
QVector<QPoint> floodRegion(const QImage& image, QPoint start);

// The pixel of the set farthest from its edge (chessboard distance), ties broken
// by the distance to the set's centroid, then by scan order.
QPoint innermostPixel(const QVector<QPoint>& pixels);

// Everything: loads content/, draws every map whose kinds exist, writes
// outDir/maps/<key>.png and outDir/data/<file>.csv. Problems are reported in
// *problems (a missing kind file is a note, not a problem). Returns false when
// something could not be loaded or written.
struct GenerateOptions {
    QString contentDir; // holds projection.json, maps.json, geography/
    QString geoDir;     // holds prefectures.geojson
    QString outDir;     // gets maps/ and data/
    QString previewDir; // when set: labelled previews at twice the size
    int previewScale = 2;
    bool previewGuides = false; // previews also show a 1° grid and the reference river lines
    QStringList onlyKeys;
};
bool generateAll(const GenerateOptions& options, QStringList* problems, QStringList* notes);

// Labelled preview of a rendered map: scaled, each patch named at its seed.
// With guides: a 1° grid of longitude and latitude and the given reference lines (lon/lat).
struct PreviewGuides {
    Projection projection;
    QList<QVector<QPointF>> lines;
};
QImage labelledPreview(const RenderedMap& map, int scale, const PreviewGuides* guides = nullptr);
// The line strings of a GeoJSON file (LineString and MultiLineString features).
QList<QVector<QPointF>> loadLines(const QString& path);

} // namespace karuvel::mapgen
