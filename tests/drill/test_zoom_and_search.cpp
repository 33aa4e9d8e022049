// The map's zoom (screen point <-> map pixel, where the enlarged map stands),
// the places of the "×" and of practice's captions, and finding a name by
// its reading: plain rules, without a window.
#include "drill/Feedback.h"
#include "drill/KanaSearch.h"
#include "drill/MapZoom.h"

#include <QRect>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {
const QSize kViewport(454, 572);
const QSize kMap(454, 572);
} // namespace

// The map pixel under a point of the viewport, at zoom 1 to 4, scrolled, and
// at the edges of the map and of the viewport.
TEST(MapZoom, ViewportPointsMapToMapPixels)
{
    struct Case {
        const char* what;
        double zoom;
        QPoint position;
        QPointF point;
        QPoint pixel;
    } cases[] = {
        {"zoom 1: a point is its pixel", 1.0, {0, 0}, {100.5, 200.5}, {100, 200}},
        {"zoom 1: the last pixel", 1.0, {0, 0}, {453.9, 571.9}, {453, 571}},
        {"zoom 2, not scrolled: half", 2.0, {0, 0}, {100.0, 200.0}, {50, 100}},
        {"zoom 2: a pixel is two screen pixels wide", 2.0, {0, 0}, {101.9, 201.9}, {50, 100}},
        {"zoom 2, scrolled to the far corner: the last pixel", 2.0, {-454, -572}, {453.5, 571.5}, {453, 571}},
        {"zoom 2, scrolled: the viewport's corner", 2.0, {-200, -300}, {0.0, 0.0}, {100, 150}},
        {"zoom 3, scrolled", 3.0, {-300, -600}, {30.0, 60.0}, {110, 220}},
        {"zoom 3: one screen pixel short of the next map pixel", 3.0, {-300, -600}, {32.99, 62.99}, {110, 220}},
        {"zoom 4, scrolled to the far corner", 4.0, {-1362, -1716}, {453.0, 571.0}, {453, 571}},
        {"zoom 4, at the map's first pixel", 4.0, {0, 0}, {3.9, 3.9}, {0, 0}},
        {"zoom 1.5: fractions", 1.5, {-100, 0}, {50.0, 1.4}, {100, 0}},
        {"left of the map: off it", 2.0, {0, 0}, {-0.5, 10.0}, {-1, 5}},
        {"beyond the map's right edge: off it", 1.0, {0, 0}, {454.0, 10.0}, {454, 10}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mapPixelAt(c.point, c.position, c.zoom), c.pixel) << c.what;
        // And back: the pixel's centre and square on the viewport contain the point.
        const QRectF square = viewportRectOf(c.pixel, c.position, c.zoom);
        EXPECT_TRUE(square.adjusted(0, 0, 1e-6, 1e-6).contains(c.point)) << c.what;
        EXPECT_EQ(mapPixelAt(viewportPointOf(c.pixel, c.position, c.zoom), c.position, c.zoom), c.pixel) << c.what;
    }
}

// Every pixel of the map, at every zoom and several scroll positions, is
// found again from the centre and the corners of its square on the screen.
TEST(MapZoom, EveryPixelRoundTripsAtEveryZoom)
{
    for (double zoom : kZoomSteps) {
        const QSize big = zoomedSize(kMap, zoom);
        for (QPoint position : {QPoint(0, 0), QPoint(kViewport.width() - big.width(), kViewport.height() - big.height()),
                                QPoint(-37, -211)}) {
            position = clampedPosition(position, kViewport, big);
            for (int y = 0; y < kMap.height(); y += 7)
                for (int x = 0; x < kMap.width(); x += 5) {
                    const QRectF s = viewportRectOf(QPoint(x, y), position, zoom);
                    for (QPointF p : {s.center(), s.topLeft(), s.bottomRight() - QPointF(1e-3, 1e-3)})
                        ASSERT_EQ(mapPixelAt(p, position, zoom), QPoint(x, y)) << "zoom " << zoom;
                }
        }
    }
}

TEST(MapZoom, StepsSizesAndPositions)
{
    EXPECT_EQ(zoomStepIn(1.0), 1.5);
    EXPECT_EQ(zoomStepIn(4.0), 6.0);
    EXPECT_EQ(zoomStepIn(kMaxZoom), kMaxZoom);
    EXPECT_EQ(zoomStepOut(2.0), 1.5);
    EXPECT_EQ(zoomStepOut(kMinZoom), kMinZoom);
    EXPECT_EQ(zoomedSize(kMap, 1.5), QSize(681, 858));
    EXPECT_EQ(zoomedSize(kMap, 4.0), QSize(1816, 2288));

    struct Clamp {
        const char* what;
        QPoint position;
        QSize map;
        QPoint expected;
    } clamps[] = {
        {"an enlarged map never leaves a band at the left", {10, -10}, {908, 1144}, {0, -10}},
        {"nor at the right and bottom", {-900, -900}, {908, 1144}, {-454, -572}},
        {"inside stays", {-100, -200}, {908, 1144}, {-100, -200}},
        {"a map the viewport's size stands still", {-5, 7}, {454, 572}, {0, 0}},
        {"a smaller map moves between its two edges", {500, -3}, {80, 60}, {374, 0}},
    };
    for (const Clamp& c : clamps) EXPECT_EQ(clampedPosition(c.position, kViewport, c.map), c.expected) << c.what;

    // Zooming round the pointer keeps the pixel under it.
    for (double from : kZoomSteps)
        for (double to : kZoomSteps) {
            if (to == kMinZoom) continue;  // the whole map: nowhere to keep a pixel but its own place
            const QPointF anchor(227, 286);
            const QPoint start = positionCentring(QPoint(200, 250), from, kViewport, kMap);
            const QPoint under = mapPixelAt(anchor, start, from);
            const QPoint after = positionAfterZoom(anchor, start, from, to, kViewport, kMap);
            EXPECT_EQ(mapPixelAt(anchor, after, to), under) << from << " -> " << to;
        }
    // Near an edge the map stops at the edge instead of leaving a band.
    EXPECT_EQ(positionAfterZoom(QPointF(2, 2), QPoint(-40, -40), 4.0, 1.0, kViewport, kMap), QPoint(0, 0));
    EXPECT_EQ(positionAfterZoom(QPointF(450, 570), QPoint(-454, -572), 2.0, 1.0, kViewport, kMap), QPoint(0, 0));
    const QPoint corner = positionAfterZoom(QPointF(450, 570), QPoint(0, 0), 1.0, 2.0, kViewport, kMap);
    EXPECT_EQ(mapPixelAt(QPointF(450, 570), corner, 2.0), QPoint(450, 570));
    // Centring a pixel: in the middle, or against the edge.
    const QPoint mid = positionCentring(QPoint(227, 286), 2.0, kViewport, kMap);
    EXPECT_EQ(mapPixelAt(QPointF(227, 286), mid, 2.0), QPoint(227, 286));
    EXPECT_EQ(positionCentring(QPoint(0, 0), 2.0, kViewport, kMap), QPoint(0, 0));
}

// After a wrong press on an enlarged map the right place is brought into
// view: the largest zoom at which it and the press both fit.
TEST(MapZoom, ARightPlaceOutOfViewIsBroughtIn)
{
    struct Case {
        const char* what;
        QPoint a, b;
        double zoom, expected;
    } cases[] = {
        {"neighbours: the zoom stays", {200, 300}, {210, 305}, 6.0, 6.0},
        {"a region apart: zoomed out a little", {100, 300}, {200, 330}, 6.0, 3.0},
        {"across the map: the whole map", {10, 20}, {440, 560}, 4.0, 1.0},
        {"never zoomed in further", {200, 300}, {201, 300}, 1.5, 1.5},
    };
    for (const Case& c : cases) {
        const double z = zoomShowingBoth(c.a, c.b, c.zoom, kViewport, 30);
        EXPECT_EQ(z, c.expected) << c.what;
        const QPoint middle((c.a.x() + c.b.x()) / 2, (c.a.y() + c.b.y()) / 2);
        const QPoint at = positionCentring(middle, z, kViewport, kMap);
        // (at zoom 1 the map is the viewport: everything is in view, edges included)
        const int margin = z > kMinZoom ? 20 : 0;
        EXPECT_TRUE(pixelInView(c.a, at, z, kViewport, margin)) << c.what;
        EXPECT_TRUE(pixelInView(c.b, at, z, kViewport, margin)) << c.what;
    }
    EXPECT_FALSE(pixelInView(QPoint(10, 10), QPoint(-400, 0), 2.0, kViewport, 0));
}

// The "×" of a wrong press beside two rivers three pixels apart: it never
// covers the right one, and stays as close to the press as it can.
TEST(WrongSign, StandsBesideThePressNeverOverTheRightPlace)
{
    // The right place: a vertical river x 100..102; the map in view 0..300.
    const QRectF right(100, 0, 3, 300);
    auto covers = [&](const QRectF& r) { return r.intersects(right); };
    const QRectF bounds(0, 0, 300, 300);
    struct Case {
        const char* what;
        QPointF press;
    } cases[] = {
        {"pressed on the neighbour just right of it", {106, 150}},
        {"pressed just left of it", {96, 150}},
        {"near the top edge", {106, 2}},
        {"far from it: on the press itself", {200, 150}},
    };
    for (const Case& c : cases) {
        const QPointF at = signSpotBeside(c.press, 34, bounds, covers);
        const QRectF sign(at.x() - 17, at.y() - 17, 34, 34);
        EXPECT_FALSE(sign.intersects(right)) << c.what;
        EXPECT_TRUE(bounds.contains(sign) || at == c.press) << c.what;
        EXPECT_LE(QLineF(at, c.press).length(), 34 * 1.5) << c.what << ": beside the press";
    }
    EXPECT_EQ(signSpotBeside(QPointF(200, 150), 34, bounds, covers), QPointF(200, 150));
}

// Practice's captions never cover the pointer's surroundings and stay inside
// the viewport, wherever the pointer is.
TEST(PracticeCaptions, StayAwayFromThePlaceExplored)
{
    const QSize s7(160, 30), s8(140, 26), s9(120, 60);
    for (int y = 0; y < kViewport.height(); y += 40)
        for (int x = 0; x < kViewport.width(); x += 30) {
            const CaptionBlock b = placeCaptionsAway(QPoint(x, y), kViewport, s7, s8, s9);
            const QRect keepFree(x - kCaptionClearance, y - kCaptionClearance, 2 * kCaptionClearance,
                                 2 * kCaptionClearance);
            ASSERT_FALSE(b.block.intersects(keepFree)) << x << "," << y;
            ASSERT_TRUE(QRect(QPoint(), kViewport).contains(b.block)) << x << "," << y;
            EXPECT_EQ(b.label8, b.label7 + QPoint(10, s7.height()));
            EXPECT_EQ(b.label9, b.label8 + QPoint(10, s8.height()));
        }
    // Beside, on the far half, level with the pointer when it can be.
    const CaptionBlock left = placeCaptionsAway(QPoint(60, 300), kViewport, s7, s8, s9);
    EXPECT_GT(left.block.left(), kViewport.width() / 2);
    EXPECT_LE(left.block.top(), 300);
    EXPECT_GE(left.block.bottom(), 300 - s7.height());
    // Too wide for the far half: along the far edge instead.
    const CaptionBlock wide = placeCaptionsAway(QPoint(300, 100), kViewport, QSize(420, 30), s8, s9);
    EXPECT_GT(wide.block.top(), 300);
}

TEST(KanaSearch, RomajiBecomesHiragana)
{
    struct Case {
        const char* typed;
        const char* kana;
        const char* pending;
    } cases[] = {
        {"ten", "て", "n"},        // the "n" may still become な..の
        {"tenr", "てん", "r"},
        {"tenryuu", "てんりゅう", ""},
        {"shinano", "しなの", ""},
        {"sinano", "しなの", ""},
        {"tone", "とね", ""},
        {"hokkaidou", "ほっかいどう", ""},
        {"kyo", "きょ", ""},
        {"chi", "ち", ""},
        {"ch", "", "ch"},
        {"TEN", "て", "n"},
        {"てん", "てん", ""},
        {"テン", "てん", ""},
    };
    for (const Case& c : cases) {
        const KanaTyped k = romajiToHiragana(QString::fromUtf8(c.typed));
        EXPECT_EQ(k.kana, QString::fromUtf8(c.kana)) << c.typed;
        EXPECT_EQ(k.pending, QString::fromUtf8(c.pending)) << c.typed;
    }
}

// The first name read as typed, among entries as the name lists show them
// (in the order of their readings, under headings).
TEST(KanaSearch, FindsTheFirstNameReadAsTyped)
{
    const QStringList entries = {
        QStringLiteral("－－か－－"),
        QStringLiteral("木曽川           (きそがわ)"),
        QStringLiteral("－－た－－"),
        QStringLiteral("天塩川           (てしおがわ)"),
        QStringLiteral("手取川           (てどりがわ)"),
        QStringLiteral("天竜川           (てんりゅうがわ)"),
        QStringLiteral("利根川           (とねがわ)"),
        QStringLiteral("－－は－－"),
        QStringLiteral("浜名湖           (は＊まなこ)"),
        QStringLiteral("－－や－－"),
        QStringLiteral("淀川           (よどがわ)"),
        QStringLiteral("ナゾ川"),
    };
    struct Case {
        const char* what;
        const char* typed;
        int row;
    } cases[] = {
        {"one kana: the first of them", "て", 3},
        {"romaji of one kana", "te", 3},
        {"kana typed through an input method", "てん", 5},
        {"romaji with the n still open: ん when a reading goes on so", "ten", 5},
        {"an n that is a な-row kana", "tone", 6},
        {"katakana", "テド", 4},
        {"a reading with a hidden part is found whole", "hamana", 8},
        {"a consonant alone: the first of its row", "y", 10},
        {"a name committed by an input method", "天竜", 5},
        {"a name without a reading, by its name", "ナゾ", 11},
        {"nothing read so", "ぬ", -1},
        {"nothing typed", "", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(findByReading(entries, QString::fromUtf8(c.typed)), c.row) << c.what;

    // The kana-section buttons: the first name of a section, or of the next
    // section that has one.
    struct Section {
        const char* what;
        int section;
        int row;
    } sections[] = {
        {"か", 1, 1}, {"た", 3, 3}, {"な (none): は's first", 4, 8}, {"や", 7, 10}, {"ら (none, nothing after)", 8, -1},
        {"あ (none): the first name of all", 0, 1},
    };
    for (const Section& s : sections) EXPECT_EQ(firstOfSection(entries, s.section), s.row) << s.what;
    EXPECT_EQ(kanaSections().size(), 10);
    EXPECT_EQ(sectionOfReading(QStringLiteral("がっさん")), 1) << "voiced kana file under their plain row";
    EXPECT_EQ(sectionOfReading(QStringLiteral("わかさわん")), 9);
}
