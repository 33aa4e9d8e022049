// A press on the river map up to the verdict painted: the map reset to the
// clean image, the pressed area filled, the seed points scanned, the question's
// area filled red or light blue. BM_PressRight and BM_PressWrong time the
// surface work, cycling through every question of the river file;
// BM_PressAndPaint adds drawing the map surface widget.
// The built-in river map and the shipped question file are used; without them
// a drawn stand-in of the same size (454 x 572, 40 rivers) takes their place.
#include "Fakes.h"
#include "drill/DrillLogic.h"
#include "drill/MainFrm.h"
#include "drill/MapSurface.h"
#include "drill/Questions.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <benchmark/benchmark.h>

#include <cmath>

using namespace karuvel;

namespace {

struct RiverMap {
    QImage image;
    QuestionTable table;
    bool real = false;
};

QuestionTable standInQuestions(QImage* image)
{
    // Sea, one land mass, and 40 winding blue rivers, each its own patch.
    *image = QImage(454, 572, QImage::Format_RGB32);
    image->fill(QColor(150, 200, 255));
    QPainter p(image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(255, 250, 210));
    p.drawRect(40, 30, 380, 520);
    QuestionTable t;
    for (int i = 0; i < 40; ++i) {
        const int x0 = 60 + (i % 8) * 45, y0 = 50 + (i / 8) * 100;
        QPainterPath path(QPointF(x0, y0));
        for (int k = 1; k <= 8; ++k) path.lineTo(x0 + 12 * std::sin(k + i), y0 + k * 10);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0, 0, 255), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(path);
        Question q;
        q.name = QStringLiteral("川%1").arg(i + 1);
        q.reading = QStringLiteral("かわ");
        q.secondName = q.secondReading = QStringLiteral("*");
        for (int k = 1; k <= kRelatedSlots; ++k) q.related[size_t(k)] = QStringLiteral("*");
        q.seedX = x0;
        q.seedY = y0;
        q.displayName = displayNameOf(q.name, q.reading);
        q.secondDisplayName = QStringLiteral("*");
        t.questions.push_back(q);
    }
    return t;
}

RiverMap& riverMap()
{
    static RiverMap m = [] {
        RiverMap r;
        r.image = mapImage(QStringLiteral("日本川"));
        const QString data = QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../assets/data/データ.csv");
        if (!r.image.isNull() && loadQuestionFile(data, &r.table).ok) {
            r.real = true;
        } else {
            r.table = standInQuestions(&r.image);
        }
        return r;
    }();
    return m;
}

void BM_PressRight(benchmark::State& st)
{
    RiverMap& m = riverMap();
    MapSurface surface;
    surface.load(m.image);
    int q = 1, right = 0;
    for (auto _ : st) {
        const Question& question = m.table.at(q);
        const PressResult r = judgeMapPress(surface, m.table, q, question.seedX, question.seedY);
        right += r.verdict == 1;
        q = q % m.table.count() + 1;
    }
    st.counters["right"] = benchmark::Counter(right, benchmark::Counter::kAvgIterations);
    st.counters["questions"] = m.table.count();
    st.SetLabel(m.real ? "river map" : "stand-in map");
}
BENCHMARK(BM_PressRight)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

void BM_PressWrong(benchmark::State& st)
{
    RiverMap& m = riverMap();
    MapSurface surface;
    surface.load(m.image);
    int q = 1, wrong = 0;
    for (auto _ : st) {
        const int other = q % m.table.count() + 1;
        const Question& pressed = m.table.at(other);
        const PressResult r = judgeMapPress(surface, m.table, q, pressed.seedX, pressed.seedY);
        wrong += r.verdict == 2;
        q = other;
    }
    st.counters["wrong"] = benchmark::Counter(wrong, benchmark::Counter::kAvgIterations);
    st.SetLabel(m.real ? "river map" : "stand-in map");
}
BENCHMARK(BM_PressWrong)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

void BM_PressAndPaint(benchmark::State& st)
{
    RiverMap& m = riverMap();
    MapSurface surface;
    surface.load(m.image);
    MapView view(&surface, nullptr);
    view.refresh();
    QImage target(view.size(), QImage::Format_RGB32);
    int q = 1;
    for (auto _ : st) {
        const int other = q % m.table.count() + 1;
        const Question& pressed = m.table.at(other);
        judgeMapPress(surface, m.table, q, pressed.seedX, pressed.seedY);
        view.render(&target);
        benchmark::DoNotOptimize(target.constBits());
        q = other;
    }
    st.SetLabel(m.real ? "river map" : "stand-in map");
}
BENCHMARK(BM_PressAndPaint)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

} // namespace
