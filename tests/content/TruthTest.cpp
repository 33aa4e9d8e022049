// The verdicts the shipped sets lead to, against the full truth authored in
// content/ (each place's related places and also_related): on a list level no
// wrong related-place choice is ever true of the asked place, whatever the
// draws; on a map level prompted by a related place, exactly the places it is
// true of are accepted.
#include "Fakes.h"
#include "drill/DrillLogic.h"
#include "drill/MapSurface.h"
#include "drill/Questions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <gtest/gtest.h>

using namespace karuvel;

namespace {

const QString kSource = QStringLiteral(KARUVEL_SOURCE_DIR);

struct ShippedSet {
    QString file, mapKey;
};
const QList<ShippedSet>& shippedSets()
{
    static const QList<ShippedSet> sets = {
        {QStringLiteral("データ.csv"), QStringLiteral("日本川")},       {QStringLiteral("データ山脈.csv"), QStringLiteral("日本山脈")},
        {QStringLiteral("データ平野.csv"), QStringLiteral("日本山平野2")}, {QStringLiteral("データ山.csv"), QStringLiteral("日本山平野2")},
        {QStringLiteral("データ湾湖.csv"), QStringLiteral("データ湾湖")},   {QStringLiteral("データ半島.csv"), QStringLiteral("日本半島")},
    };
    return sets;
}

// Place name -> everything authored as true of it, by question file.
QHash<QString, QHash<QString, QSet<QString>>> authoredTruth()
{
    QHash<QString, QHash<QString, QSet<QString>>> out;
    const QDir dir(kSource + QStringLiteral("/content/geography"));
    for (const QString& name : dir.entryList({QStringLiteral("*.json")}, QDir::Files)) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QJsonObject kind = QJsonDocument::fromJson(f.readAll()).object();
        auto& places = out[kind.value(QStringLiteral("data_file")).toString()];
        for (const QJsonValue& v : kind.value(QStringLiteral("places")).toArray()) {
            const QJsonObject p = v.toObject();
            QSet<QString>& truth = places[p.value(QStringLiteral("name")).toString()];
            for (const char* key : {"related", "also_related"})
                for (const QJsonValue& r : p.value(QString::fromLatin1(key)).toArray()) truth.insert(r.toString());
        }
    }
    return out;
}

QuestionTable loadSet(const QString& file)
{
    QuestionTable t;
    const LoadOutcome o = loadQuestionFile(kSource + QStringLiteral("/assets/data/") + file, &t);
    EXPECT_TRUE(o.ok) << o.message.toStdString();
    return t;
}

} // namespace

TEST(ShippedTruth, EveryQuestionFileHasItsTruthFile)
{
    for (const ShippedSet& s : shippedSets())
        EXPECT_TRUE(QFileInfo::exists(truthFileFor(kSource + QStringLiteral("/assets/data/") + s.file))) << s.file.toStdString();
}

TEST(ShippedTruth, NoWrongListChoiceIsTrueOfTheAskedPlace)
{
    const auto truth = authoredTruth();
    test::FakeRandom random;
    for (const ShippedSet& s : shippedSets()) {
        SCOPED_TRACE(s.file.toStdString());
        const QuestionTable t = loadSet(s.file);
        ASSERT_GT(t.count(), 0);
        for (int q = 1; q <= t.count(); ++q) {
            const QString asked = t.at(q).name;
            SCOPED_TRACE(asked.toStdString());
            ASSERT_TRUE(truth[s.file].contains(asked)) << "question without a place in content/";
            const QSet<QString>& trueOfAsked = truth[s.file][asked];
            // Every wrong choice any draw can offer comes from this pool.
            const QSet<QString> pool = wrongChoicePool(t, q);
            for (const QString& w : pool)
                EXPECT_FALSE(trueOfAsked.contains(w)) << w.toStdString() << " is offered as wrong but is true";
            if (t.at(q).relatedCount() == 0) continue;
            EXPECT_GE(pool.size(), 4) << "too few wrong choices to draw four";
            for (int draw = 0; draw < 20; ++draw) {
                const RelatedChoices c = chooseRelatedChoices(t, q, random);
                EXPECT_EQ(c.choices.size(), 5);
                EXPECT_TRUE(t.at(q).relatedPlaces().contains(c.correct));
                for (const QString& w : c.choices)
                    if (w != c.correct) EXPECT_TRUE(pool.contains(w)) << w.toStdString();
            }
        }
    }
}

TEST(ShippedTruth, MapPromptsByARelatedPlaceAcceptExactlyThePlacesItIsTrueOf)
{
    const auto truth = authoredTruth();
    for (const ShippedSet& s : shippedSets()) {
        SCOPED_TRACE(s.file.toStdString());
        const QuestionTable t = loadSet(s.file);
        const QImage map(kSource + QStringLiteral("/assets/maps/") + s.mapKey + QStringLiteral(".png"));
        ASSERT_FALSE(map.isNull());
        MapSurface surface;
        surface.load(map.convertToFormat(QImage::Format_RGB32));
        for (int p = 1; p <= t.count(); ++p) {
            // A press on a place's seed is taken as that place.
            surface.reset();
            const PressResult r = judgeMapPress(surface, t, p, t.at(p).seedX, t.at(p).seedY);
            EXPECT_EQ(r.pressedQuestion, p) << t.at(p).name.toStdString();
            EXPECT_EQ(r.verdict, kVerdictRight) << t.at(p).name.toStdString();
        }
        for (int q = 1; q <= t.count(); ++q)
            for (const QString& shown : t.at(q).relatedPlaces())
                for (int p = 1; p <= t.count(); ++p) {
                    const bool expected = p == q || truth[s.file][t.at(p).name].contains(shown);
                    EXPECT_EQ(mapPressAnswers(t, q, p, shown), expected)
                        << t.at(q).name.toStdString() << " shown " << shown.toStdString() << ", pressed "
                        << t.at(p).name.toStdString();
                }
        // And through a real press: a shared related place accepts the other place.
        for (int q = 1; q <= t.count(); ++q)
            for (const QString& shown : t.at(q).relatedPlaces())
                for (int p = 1; p <= t.count(); ++p)
                    if (p != q && truth[s.file][t.at(p).name].contains(shown)) {
                        surface.reset();
                        const PressResult r = judgeMapPress(surface, t, q, t.at(p).seedX, t.at(p).seedY, shown);
                        EXPECT_EQ(r.verdict, kVerdictRight);
                        EXPECT_TRUE(r.rightByShared);
                    }
    }
}
