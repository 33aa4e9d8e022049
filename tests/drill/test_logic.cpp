// The drill's decisions without a window: answers per run, question choice,
// related-place choices, judging, the map press, the practice display,
// scrolling, caption placement and the clock.
#include "DrillFixtures.h"
#include "Fakes.h"
#include "TempDir.h"
#include "drill/DrillLogic.h"
#include "drill/Feedback.h"
#include "drill/MapSurface.h"
#include "drill/PlacePicking.h"
#include "drill/Questions.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace karuvel;

namespace {

QuestionTable fixtureTable()
{
    test::TempDir dir;
    dir.writeCp932(QStringLiteral("データ.csv"), test::fixtureCsv());
    QuestionTable t;
    const LoadOutcome o = loadQuestionFile(dir.file(QStringLiteral("データ.csv")), &t);
    EXPECT_TRUE(o.ok) << o.message.toStdString();
    return t;
}

Question question(const QString& name, const QStringList& related)
{
    Question q;
    q.name = name;
    q.reading = QStringLiteral("よみ");
    q.secondName = QStringLiteral("*");
    q.secondReading = QStringLiteral("*");
    for (int i = 1; i <= kRelatedSlots; ++i) q.related[size_t(i)] = i <= related.size() ? related[i - 1] : QStringLiteral("*");
    q.displayName = displayNameOf(q.name, q.reading);
    q.secondDisplayName = QStringLiteral("*");
    return q;
}

} // namespace

TEST(DrillLogic, AnswersPerRun)
{
    const int cases[][2] = {{0, 0}, {1, 1}, {7, 7}, {9, 9}, {10, 10}, {11, 10}, {100, 10}};
    for (const auto& c : cases) EXPECT_EQ(questionsPerRun(c[0]), c[1]) << c[0];
}

TEST(DrillLogic, QuestionChoiceRule)
{
    // Four questions: a draw r gives question int(4r + 1).
    struct Case {
        const char* what;
        int count;
        std::vector<int> doneList;
        int previous, correct, perRun;
        std::vector<double> draws;
        int expected;
    } cases[] = {
        {"the previous question is drawn again", 4, {}, 2, 0, 4, {0.3, 0.6}, 3},
        {"previous question of the last run", 4, {}, 1, 0, 4, {0.1, 0.3}, 2},
        {"questions answered right are skipped", 4, {1, 3}, 0, 2, 4, {0.0, 0.6, 0.9}, 4},
        {"the last needed answer may repeat", 4, {1, 3, 4}, 2, 3, 4, {0.3}, 2},
        {"a run of one question repeats it", 1, {}, 1, 0, 1, {0.5}, 1},
        {"ten questions, nine done", 10, {1, 2, 3, 4, 5, 6, 7, 8, 10}, 9, 9, 10, {0.85}, 9},
        {"two left, previous rejected", 10, {1, 2, 3, 4, 5, 6, 7, 8}, 9, 8, 10, {0.85, 0.95}, 10},
    };
    for (const Case& c : cases) {
        test::FakePlatform fakes;
        for (double d : c.draws) fakes.random.queue.push_back(d);
        std::vector<int> done(kMaxQuestions + 1, 0);
        for (int d : c.doneList) done[size_t(d)] = 1;
        EXPECT_EQ(chooseQuestion(c.count, done, c.previous, c.correct, c.perRun, fakes.random), c.expected) << c.what;
        EXPECT_TRUE(fakes.random.queue.empty()) << c.what << ": draws left over";
    }
    // A state with nothing acceptable (never reached by a run) ends instead of drawing for ever.
    test::FakePlatform fakes;
    std::vector<int> done(kMaxQuestions + 1, 0);
    done[1] = done[3] = 1;
    EXPECT_EQ(chooseQuestion(3, done, 2, 0, 3, fakes.random), 2);
}

TEST(DrillLogic, MapPromptNeverAsksForWhatAQuestionLacks)
{
    test::FakePlatform fakes;
    const QuestionTable t = fixtureTable();
    std::set<int> types1, types3, types4;
    for (int i = 0; i < 300; ++i) {
        const MapPrompt p1 = makeMapPrompt(t.at(1), fakes.random);  // second name and related places
        types1.insert(p1.type);
        if (p1.type == 3) EXPECT_TRUE(t.at(1).relatedPlaces().contains(p1.relatedSlot));
        const MapPrompt p3 = makeMapPrompt(t.at(3), fakes.random);  // related place, no second name
        types3.insert(p3.type);
        EXPECT_EQ(p3.secondSlot, QStringLiteral("-"));
        if (p3.type == 1) EXPECT_EQ(p3.nameSlot, QStringLiteral("浜名湖"));
        const MapPrompt p4 = makeMapPrompt(t.at(4), fakes.random);  // neither
        types4.insert(p4.type);
    }
    EXPECT_EQ(types1, (std::set<int>{1, 2, 3}));
    EXPECT_EQ(types3, (std::set<int>{1, 3}));
    EXPECT_EQ(types4, (std::set<int>{1}));
    fakes.random.queue = {0.5};  // type 2 of a question with a second name but no related place
    Question q = t.at(2);
    for (int i = 1; i <= kRelatedSlots; ++i) q.related[size_t(i)] = QStringLiteral("*");
    const MapPrompt p = makeMapPrompt(q, fakes.random);
    EXPECT_EQ(p.type, 2);
    EXPECT_EQ(p.nameSlot, QStringLiteral("?"));
    EXPECT_EQ(p.secondSlot, QStringLiteral("坂東太郎(ばんどうたろう)"));
    EXPECT_EQ(p.relatedSlot, QStringLiteral("?"));
}

TEST(DrillLogic, RelatedChoicesAreDistinctAndBounded)
{
    test::FakePlatform fakes;
    const QuestionTable t = fixtureTable();
    for (int i = 0; i < 50; ++i) {
        const RelatedChoices c = chooseRelatedChoices(t, 1, fakes.random);
        ASSERT_TRUE(c.shown);
        EXPECT_TRUE(c.correct == QStringLiteral("長野県") || c.correct == QStringLiteral("新潟県"));
        EXPECT_EQ(c.choices.size(), 5);
        EXPECT_EQ(QSet<QString>(c.choices.begin(), c.choices.end()).size(), 5);
        EXPECT_TRUE(c.choices.contains(c.correct));
    }
    EXPECT_FALSE(chooseRelatedChoices(t, 4, fakes.random).shown);

    // Too few other related places: the choices are what there is. "A" is
    // related to both 甲 and 乙, so it is never offered as a wrong choice for
    // either: choosing it would be judged wrong although it is right.
    QuestionTable few;
    few.questions.push_back(question(QStringLiteral("甲"), {QStringLiteral("A"), QStringLiteral("B")}));
    few.questions.push_back(question(QStringLiteral("乙"), {QStringLiteral("C"), QStringLiteral("A")}));
    few.questions.push_back(question(QStringLiteral("丙"), {}));
    for (int i = 0; i < 20; ++i) {
        const RelatedChoices c = chooseRelatedChoices(few, 1, fakes.random);
        EXPECT_TRUE(c.shown);
        EXPECT_EQ(QSet<QString>(c.choices.begin(), c.choices.end()), (QSet<QString>{c.correct, QStringLiteral("C")}));
        const RelatedChoices other = chooseRelatedChoices(few, 2, fakes.random);
        EXPECT_EQ(QSet<QString>(other.choices.begin(), other.choices.end()),
                  (QSet<QString>{other.correct, QStringLiteral("B")}));
    }
    // No other question has a related place at all.
    QuestionTable single;
    single.questions.push_back(question(QStringLiteral("甲"), {QStringLiteral("A"), QStringLiteral("B")}));
    single.questions.push_back(question(QStringLiteral("丙"), {}));
    const RelatedChoices alone = chooseRelatedChoices(single, 1, fakes.random);
    EXPECT_EQ(alone.choices, QStringList{alone.correct});
}

// The truth file knows facts a question's slots do not show: such a fact is
// never offered as a wrong choice for that question, whatever the draws.
TEST(DrillLogic, RelatedChoicesLeaveOutWhatIsTrueOfTheAskedPlace)
{
    test::FakePlatform fakes;
    QuestionTable t;
    t.questions.push_back(question(QStringLiteral("甲"), {QStringLiteral("A"), QStringLiteral("B")}));
    t.questions.push_back(question(QStringLiteral("乙"), {QStringLiteral("C"), QStringLiteral("D")}));
    t.questions.push_back(question(QStringLiteral("丙"), {QStringLiteral("E"), QStringLiteral("F"), QStringLiteral("G")}));
    t.truth[QStringLiteral("C")] = {QStringLiteral("乙"), QStringLiteral("甲")};
    t.truth[QStringLiteral("G")] = {QStringLiteral("丙"), QStringLiteral("甲"), QStringLiteral("乙")};
    t.truth[QStringLiteral("Z")] = {QStringLiteral("甲")};  // no question shows it: harmless

    EXPECT_EQ(wrongChoicePool(t, 1), (QSet<QString>{QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F")}));
    EXPECT_EQ(wrongChoicePool(t, 2), (QSet<QString>{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("E"),
                                                    QStringLiteral("F")}));
    EXPECT_EQ(wrongChoicePool(t, 3), (QSet<QString>{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                                    QStringLiteral("D")}));
    for (int i = 0; i < 200; ++i) {
        const RelatedChoices c = chooseRelatedChoices(t, 1, fakes.random);
        EXPECT_EQ(QSet<QString>(c.choices.begin(), c.choices.end()),
                  (QSet<QString>{c.correct, QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F")}));
    }
    EXPECT_TRUE(t.isTrueOf(QStringLiteral("G"), 1));
    EXPECT_TRUE(t.isTrueOf(QStringLiteral("A"), 1));
    EXPECT_FALSE(t.isTrueOf(QStringLiteral("A"), 2));
    EXPECT_FALSE(t.isTrueOf(QStringLiteral("G"), 0));
}

// Prompted by a related place, a map question is answered by every place
// that related place is true of; prompted by a name, only by the asked place.
TEST(DrillLogic, APressOnAnyPlaceOfTheShownRelatedPlaceIsRight)
{
    QuestionTable t = fixtureTable();  // 1 信濃川, 2 利根川, 3 浜名湖, 4 ナゾ川
    t.truth[QStringLiteral("新潟県")] = {QStringLiteral("信濃川"), QStringLiteral("利根川")};  // made up
    struct Case {
        int asked, pressed;
        const char* shown;
        bool right;
    } cases[] = {
        {1, 1, "?", true},        {1, 2, "?", false},      {1, 2, "新潟県", true}, {1, 2, "長野県", false},
        {1, 3, "新潟県", false},  {2, 1, "千葉県", false}, {2, 1, "新潟県", false},  // not one of 利根川's own
        {1, 0, "新潟県", false},  {1, 2, "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mapPressAnswers(t, c.asked, c.pressed, QString::fromUtf8(c.shown)), c.right)
            << c.asked << " " << c.pressed << " " << c.shown;

    MapSurface s;
    s.load(test::fixtureMap());
    const PressResult r = judgeMapPress(s, t, 1, 30, 40, QStringLiteral("新潟県"));
    EXPECT_EQ(r.verdict, kVerdictRight);
    EXPECT_TRUE(r.rightByShared);
    EXPECT_EQ(r.pressedQuestion, 2);
    EXPECT_EQ(r.pressedName, QStringLiteral("利根川(とねがわ)"));
    EXPECT_EQ(s.colourAt(30, 40), mapcolour::Question);
    EXPECT_EQ(s.colourAt(30, 20), mapcolour::Corrected);  // the asked place shown as well

    s.reset();
    const PressResult own = judgeMapPress(s, t, 1, 30, 20, QStringLiteral("新潟県"));
    EXPECT_EQ(own.verdict, kVerdictRight);
    EXPECT_FALSE(own.rightByShared);
    s.reset();
    const PressResult wrong = judgeMapPress(s, t, 1, 30, 40, QStringLiteral("長野県"));
    EXPECT_EQ(wrong.verdict, kVerdictWrong);
    EXPECT_FALSE(wrong.rightByShared);
    EXPECT_EQ(s.colourAt(30, 40), mapcolour::Pressed);
}

TEST(DrillLogic, ListJudging)
{
    const ListKey key{QStringLiteral("信濃川(しなのがわ)"), QStringLiteral("千曲川(ちくまがわ)")};
    const ListKey noSecond{QStringLiteral("浜名湖"), QStringLiteral("-")};
    const QString related = QStringLiteral("長野県");
    struct Case {
        const char* what;
        ListKey key;
        QString name, second, rel;
        bool hidden;
        bool nameRight, secondRight, relatedRight;
        int verdict;
    } cases[] = {
        {"all right", key, key.name, key.second, related, false, true, true, true, 1},
        {"wrong related place", key, key.name, key.second, QStringLiteral("新潟県"), false, true, true, false, 2},
        {"nothing chosen", key, QStringLiteral("?"), QStringLiteral("?"), QStringLiteral("?"), false, false, false,
         false, 2},
        {"second name '-' against '-'", noSecond, noSecond.name, QStringLiteral("-"), related, false, true, true, true,
         1},
        {"hidden related slot counts as right", noSecond, noSecond.name, QStringLiteral("-"), QStringLiteral("?"), true,
         true, true, true, 1},
        {"reading shown where the key hides it", noSecond, QStringLiteral("浜名湖(は＊まなこ)"), QStringLiteral("-"),
         related, false, false, true, true, 2},
    };
    for (const Case& c : cases) {
        const ListJudgement j = judgeListAnswer(c.name, c.second, c.rel, c.hidden, c.key, related);
        EXPECT_EQ(j.nameRight, c.nameRight) << c.what;
        EXPECT_EQ(j.secondRight, c.secondRight) << c.what;
        EXPECT_EQ(j.relatedRight, c.relatedRight) << c.what;
        EXPECT_EQ(j.verdict, c.verdict) << c.what;
    }
    // The key of a question without a second name.
    const QuestionTable t = fixtureTable();
    EXPECT_EQ(listKey(t.at(3)).name, QStringLiteral("浜名湖"));
    EXPECT_EQ(listKey(t.at(3)).second, QStringLiteral("-"));
    // A chosen list entry reproduces the key text exactly.
    for (int i = 1; i <= t.count(); ++i) {
        const QString entry = visibleListEntry(nameListEntry(t.at(i).displayName));
        EXPECT_EQ(slotTextForChoice(entry).value_or(QStringLiteral("(heading)")), listKey(t.at(i)).name) << i;
    }
    EXPECT_FALSE(slotTextForChoice(QStringLiteral("－－か－－")).has_value());
}

TEST(DrillLogic, DrillKindFromLevelAndPracticeMode)
{
    EXPECT_EQ(drillKindOf(1, false), DrillKind::MapLevel);
    EXPECT_EQ(drillKindOf(12, false), DrillKind::ListLevel);
    // Practice is practice on either kind of level.
    EXPECT_EQ(drillKindOf(3, true), DrillKind::Practice);
    EXPECT_EQ(drillKindOf(4, true), DrillKind::Practice);
}

TEST(DrillLogic, PixelKindsOfTheMap)
{
    QuestionTable t = fixtureTable();
    MapSurface s;
    s.load(test::fixtureMap());
    struct Case {
        const char* what;
        int x, y;
        PixelKind kind;
    } cases[] = {
        {"left of the image", -1, 5, PixelKind::OffMap},
        {"beyond the right edge", 80, 0, PixelKind::OffMap},
        {"sea", 5, 5, PixelKind::Sea},
        {"land of a sample colour", 40, 30, PixelKind::Sample},
        {"black border", 50, 30, PixelKind::Border},
        {"a question's patch", 30, 20, PixelKind::Place},
        {"a patch no question names", 60, 20, PixelKind::Place},
        {"an odd pixel inside a patch", 27, 17, PixelKind::Place},
    };
    for (const Case& c : cases) EXPECT_EQ(classifyPixel(s, t, c.x, c.y), c.kind) << c.what;

    // A sample that names a border pixel makes black a sample colour: the
    // practice display clears on it, as on any sample colour, and a press is
    // still no answer.
    t.samples.push_back({50, 30});
    EXPECT_EQ(classifyPixel(s, t, 50, 40), PixelKind::Sample);
    EXPECT_EQ(hoverAt(s, t, 50, 40).kind, HoverResult::Clear);
    EXPECT_TRUE(judgeMapPress(s, t, 1, 50, 40).ignored);
}

TEST(DrillLogic, MapPressVerdicts)
{
    const QuestionTable t = fixtureTable();
    MapSurface s;
    s.load(test::fixtureMap());
    struct Case {
        const char* what;
        int question, x, y;
        bool ignored;
        int verdict;
        const char* name;
        const char* second;
    } cases[] = {
        {"the question's patch", 1, 33, 23, false, 1, "信濃川(しなのがわ)", "千曲川(ちくまがわ)"},
        {"another patch of the same colour", 1, 26, 36, false, 2, "利根川(とねがわ)", "坂東太郎(ばんどうたろう)"},
        {"a patch no question names", 1, 60, 20, false, 2, "---", "---"},
        {"no second name", 3, 56, 36, false, 1, "浜名湖(は＊まなこ)", "*"},
        {"an odd pixel inside the right patch", 1, 27, 17, false, 2, "---", "---"},
        {"sea", 1, 5, 5, true, 0, "", ""},
        {"black border", 1, 50, 30, true, 0, "", ""},
        {"land of a sample colour", 1, 40, 30, true, 0, "", ""},
    };
    for (const Case& c : cases) {
        s.reset();
        const PressResult r = judgeMapPress(s, t, c.question, c.x, c.y);
        EXPECT_EQ(r.ignored, c.ignored) << c.what;
        EXPECT_EQ(r.verdict, c.verdict) << c.what;
        EXPECT_EQ(r.pressedName, QString::fromUtf8(c.name)) << c.what;
        EXPECT_EQ(r.pressedSecond, QString::fromUtf8(c.second)) << c.what;
        const Question& q = t.at(c.question);
        if (c.ignored) {
            EXPECT_EQ(s.image(), s.clean()) << c.what << ": the map was changed";
        } else if (c.verdict == 1) {
            EXPECT_EQ(s.colourAt(q.seedX, q.seedY), mapcolour::Question) << c.what;
        } else {
            EXPECT_EQ(s.colourAt(c.x, c.y), mapcolour::Pressed) << c.what;
            EXPECT_EQ(s.colourAt(q.seedX, q.seedY), mapcolour::Corrected) << c.what;
        }
    }
    // Fills stop at any other colour: the odd pixel keeps its colour inside a red patch.
    s.reset();
    judgeMapPress(s, t, 1, 30, 20);
    EXPECT_EQ(s.colourAt(27, 17), test::kOddBlue);
    EXPECT_EQ(s.colourAt(34, 24), mapcolour::Question);
    EXPECT_EQ(s.colourAt(30, 40), test::kBlue);
}

TEST(DrillLogic, FloodFillCoversExactlyTheFourConnectedPatch)
{
    QImage img(7, 5, QImage::Format_RGB32);
    img.fill(Qt::white);
    // A ring with a gap only at a corner (diagonal contact): not connected.
    const char* rows[] = {".......", ".##.##.", ".#...#.", ".##.##.", "......#"};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            if (rows[y][x] == '#') img.setPixel(x, y, qRgb(0, 0, 255));
    MapSurface s;
    s.load(img);
    // The blue pixels: (1,1)(2,1)(1,2)(1,3)(2,3) form one patch; (6,4) touches (5,3) only diagonally.
    EXPECT_EQ(s.fill(1, 1, 0xFF0000), 5);
    EXPECT_EQ(s.colourAt(4, 1), 0x0000FFu);
    EXPECT_EQ(s.fill(4, 1, 0xFF0000), 5);
    EXPECT_EQ(s.colourAt(6, 4), 0x0000FFu);
    // Filling with the colour already there, or off the image, changes nothing.
    EXPECT_EQ(s.fill(1, 1, 0xFF0000), 0);
    EXPECT_EQ(s.fill(-1, 0, 0x00FF00), 0);
    EXPECT_EQ(s.colourAt(7, 0), mapcolour::Outside);
    s.reset();
    EXPECT_EQ(s.image(), s.clean());
}

TEST(DrillLogic, PracticeDisplayFollowsTheMouse)
{
    const QuestionTable t = fixtureTable();
    MapSurface s;
    s.load(test::fixtureMap());

    HoverResult r = hoverAt(s, t, 31, 21);
    EXPECT_EQ(r.kind, HoverResult::Show);
    EXPECT_EQ(r.nameSlot, QStringLiteral("信濃川(しなのがわ)"));
    EXPECT_EQ(r.secondSlot, QStringLiteral("千曲川(ちくまがわ)"));
    EXPECT_EQ(r.related, QStringList({QStringLiteral("長野県"), QStringLiteral("新潟県")}));
    EXPECT_EQ(r.longest, 3);
    EXPECT_EQ(s.colourAt(30, 20), mapcolour::Question);

    // From one river to another: the first returns to its colour.
    r = hoverAt(s, t, 31, 41);
    EXPECT_EQ(r.nameSlot, QStringLiteral("利根川(とねがわ)"));
    EXPECT_EQ(s.colourAt(30, 20), test::kBlue);
    EXPECT_EQ(s.colourAt(30, 40), mapcolour::Question);

    // The sea and the sample colours clear the display but leave the red area.
    EXPECT_EQ(hoverAt(s, t, 3, 3).kind, HoverResult::Clear);
    EXPECT_EQ(hoverAt(s, t, 40, 30).kind, HoverResult::Clear);
    EXPECT_EQ(s.colourAt(30, 40), mapcolour::Question);
    // A black border and a point off the map change nothing.
    EXPECT_EQ(hoverAt(s, t, 50, 30).kind, HoverResult::Nothing);
    EXPECT_EQ(hoverAt(s, t, -1, 5).kind, HoverResult::Nothing);
    EXPECT_EQ(s.colourAt(30, 40), mapcolour::Question);

    // A patch no question names is painted but named by nothing.
    r = hoverAt(s, t, 60, 20);
    EXPECT_EQ(r.kind, HoverResult::Show);
    EXPECT_TRUE(r.nameSlot.isEmpty());
    EXPECT_EQ(s.colourAt(60, 20), mapcolour::Question);
    // A hidden reading and no second name.
    r = hoverAt(s, t, 60, 40);
    EXPECT_EQ(r.nameSlot, QStringLiteral("浜名湖"));
    EXPECT_EQ(r.secondSlot, QStringLiteral("*"));
}

TEST(DrillLogic, CaptionPlacementFlipsAtTheEdges)
{
    const QSize surface(454, 572), s7(100, 20), s8(90, 20), s9(80, 40);
    struct Case {
        const char* what;
        int x, y;
        QSize size8;
        bool sideways, up;
        QPoint l7;
    } cases[] = {
        {"middle", 100, 100, s8, false, false, {120, 90}},
        {"near the right edge", 340, 100, s8, true, false, {220, 90}},
        {"second caption too wide", 200, 100, QSize(240, 20), true, false, {80, 90}},
        {"near the bottom", 100, 500, s8, false, true, {120, 410}},
        {"bottom right corner", 440, 560, s8, true, true, {320, 470}},
        {"just fits", 334, 482, s8, false, false, {354, 472}},
    };
    for (const Case& c : cases) {
        const CaptionPlacement p = placeCaptions(c.x, c.y, surface, s7, c.size8, s9);
        EXPECT_EQ(p.flippedSideways, c.sideways) << c.what;
        EXPECT_EQ(p.flippedUp, c.up) << c.what;
        EXPECT_EQ(p.label7, c.l7) << c.what;
        EXPECT_EQ(p.label8, c.l7 + QPoint(10, 20)) << c.what;
        EXPECT_EQ(p.label9, c.l7 + QPoint(20, 40)) << c.what;
    }
}

TEST(DrillLogic, ScrollingAndPlacingTheMap)
{
    const QSize map(454, 572);
    const QSize small(200, 100);  // viewport smaller than the map: dx 45, dy 57, W - w = -254, H - h = -472
    const QSize large(600, 700);  // viewport larger than the map: W - w = 146
    struct Case {
        const char* what;
        QSize viewport;
        QPoint from;
        int bar;
        QPoint to;
    } cases[] = {
        {"right", small, {0, 0}, 1, {-45, 0}},
        {"right, stops at the edge", small, {-240, 0}, 1, {-254, 0}},
        {"left", small, {-254, 0}, 0, {-209, 0}},
        {"left, stops at 0", small, {-20, 0}, 0, {0, 0}},
        {"down", small, {0, 0}, 3, {0, -57}},
        {"down, stops at the edge", small, {0, -460}, 3, {0, -472}},
        {"up, stops at 0", small, {0, -30}, 2, {0, 0}},
        {"map fits: right aligns it right", large, {0, 0}, 1, {146, 0}},
        {"map fits: left aligns it left", large, {146, 0}, 0, {0, 0}},
        {"same size: nothing moves", map, {0, 0}, 1, {0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(scrollByBar(c.from, c.bar, c.viewport, map), c.to) << c.what;
    EXPECT_EQ(scrollByCorner({0, 0}, 3, small, map), QPoint(-45, -57));
    EXPECT_EQ(scrollByCorner({-100, -100}, 0, small, map), QPoint(-55, -43));
    EXPECT_EQ(scrollByCorner({0, 0}, 1, small, map), QPoint(0, -57));
    EXPECT_EQ(scrollByCorner({0, -100}, 2, small, map), QPoint(-45, -43));

    EXPECT_EQ(positionForSeed({30, 20}, small, map), QPoint(0, 0));
    EXPECT_EQ(positionForSeed({400, 500}, small, map), QPoint(-254, -450));
    EXPECT_EQ(positionForSeed({227, 286}, small, map), QPoint(-127, -236));
    EXPECT_EQ(positionForSeed({227, 286}, map, map), QPoint(0, 0));
}

TEST(DrillLogic, ClockArithmetic)
{
    // Whole seconds, halves to even.
    EXPECT_EQ(elapsedFromClock(36020.5, 36000), 20);
    EXPECT_EQ(elapsedFromClock(36021.5, 36000), 22);
    EXPECT_EQ(elapsedFromClock(36020.6, 36000), 21);
    EXPECT_EQ(elapsedFromClock(36020.4, 36000), 20);
    // A wrong answer at 20 s moves the start 10 s back: the next tick reads 31.
    EXPECT_EQ(elapsedFromClock(36021.0, 36000 - 10), 31);

    EXPECT_EQ(timeLimitFor(90), 450);
    EXPECT_EQ(timeBarWidth(225, 450, 560), 280);
    EXPECT_EQ(timeBarWidth(449, 450, 560), 558);
    EXPECT_EQ(timeBarWidth(450, 450, 560), 560);
    EXPECT_EQ(timeBarWidth(900, 450, 560), 560);
    EXPECT_EQ(timeBarWidth(100, 0, 560), 0);

    struct Over {
        long elapsed, limit;
        int finished, complete, judging;
        bool due;
    } overs[] = {
        {449, 450, 0, 0, 0, false}, {450, 450, 0, 0, 0, true}, {451, 450, 0, 0, 0, true},
        {450, 450, 0, 0, 1, false}, {450, 450, 1, 0, 0, false}, {450, 450, 0, 1, 0, false},
        {5000, 0, 0, 0, 0, false},  {5000, -5, 0, 0, 0, false},
    };
    for (const Over& o : overs)
        EXPECT_EQ(timeOverDue(o.elapsed, o.limit, o.finished, o.complete, o.judging), o.due)
            << o.elapsed << " of " << o.limit << " judging " << o.judging;

    EXPECT_EQ(minutesSince(36000 + 125.9, 36000), 2);
    EXPECT_EQ(minutesSince(36000 + 59.9, 36000), 0);
    EXPECT_EQ(minutesSince(120, 86400 - 60), 3);  // across midnight
    EXPECT_EQ(minutesSince(36000, 36000.4), 0);   // never below zero
}

TEST(DrillLogic, CountdownRows)
{
    auto range = [](int from, int to) {
        std::set<int> s;
        for (int i = from; i <= to; ++i) s.insert(i);
        return s;
    };
    const CountdownThresholds pass{0, 0, 60, 90};
    struct Case {
        long elapsed;
        std::set<int> hidden;
    } cases[] = {
        {1, {}}, {50, {}}, {51, {30}}, {55, range(30, 34)}, {59, range(30, 38)}, {60, range(30, 39)},
        {66, range(30, 39)},  // a penalty that jumps past the target still empties the row
        {85, range(30, 39)},
    };
    for (const Case& c : cases) EXPECT_EQ(countdownBoxesToHide(c.elapsed, pass), c.hidden) << c.elapsed;

    // Best and YourBest at 0 stay complete the whole run.
    for (long e : {0L, 1L, 9L, 10L, 100L, 1000L}) {
        for (int b : countdownBoxesToHide(e, pass)) EXPECT_GE(b, 30) << e;
    }
    // A Best threshold counts down like the Pass row.
    EXPECT_EQ(countdownBoxesToHide(15, CountdownThresholds{20, 0, 0, 0}), range(10, 14));
    // The last ten seconds before the limit time take the Pass row's boxes from the right.
    EXPECT_EQ(countdownBoxesToHide(85, CountdownThresholds{0, 0, 0, 90}), std::set<int>{34});
    EXPECT_EQ(countdownBoxesToHide(90, CountdownThresholds{0, 0, 0, 90}), std::set<int>{39});
    EXPECT_EQ(countdownBoxesToHide(79, CountdownThresholds{0, 0, 0, 90}), std::set<int>{});
}

// A press on no place but within four pixels of one takes the nearest place:
// a child's finger beside a three-pixel river. Farther out nothing is taken.
TEST(DrillLogic, APressBesideAPlaceTakesTheNearestPlace)
{
    const QuestionTable t = fixtureTable();
    MapSurface s;
    s.load(test::fixtureMap());
    struct Case {
        const char* what;
        int x, y;
        bool taken;
        int tx, ty;
    } cases[] = {
        {"on a place", 30, 20, true, 30, 20},
        {"on the odd pixel inside a patch (a place of its own)", 27, 17, true, 27, 17},
        {"two pixels beside it", 36, 20, true, 34, 20},
        {"four pixels beside it", 38, 20, true, 34, 20},
        {"five pixels beside it", 39, 20, false, 0, 0},
        {"diagonally off a corner, more than four pixels", 37, 27, false, 0, 0},
        {"between two places, nearer the left one", 66, 20, true, 64, 20},
        {"between two places, nearer the right one", 68, 20, true, 70, 20},
        {"between two places, as near to both: the first in reading order", 67, 20, true, 64, 20},
        {"on a black border beside a place", 50, 22, false, 0, 0},
        {"far at sea", 3, 3, false, 0, 0},
        {"off the map", -10, 20, false, 0, 0},
    };
    for (const Case& c : cases) {
        const std::optional<QPoint> p = nearestPlacePoint(s, t, c.x, c.y);
        EXPECT_EQ(p.has_value(), c.taken) << c.what;
        if (p && c.taken) EXPECT_EQ(*p, QPoint(c.tx, c.ty)) << c.what;
    }
    // The press judged through the nearest place: right beside the asked river.
    const std::optional<QPoint> beside = nearestPlacePoint(s, t, 36, 22);
    ASSERT_TRUE(beside);
    EXPECT_EQ(judgeMapPress(s, t, 1, beside->x(), beside->y()).verdict, 1);
}

// The larger picture follows every fill of the map: on the matching patch,
// never beyond a map pixel of it, and a map pixel whose block on the larger
// picture holds nothing of the patch shows it anyway.
TEST(DrillLogic, FillsShowOnTheLargerPicture)
{
    MapSurface s;
    s.load(test::fixtureMap());
    QImage big = test::fixtureMap().scaled(160, 120, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // The larger first patch reaches half a map pixel further right, and one
    // of its blocks is drawn as land.
    for (int y = 30; y < 50; ++y) big.setPixel(70, y, test::kBlue | 0xFF000000u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) big.setPixel(50 + x, 30 + y, test::kLand | 0xFF000000u);
    EXPECT_FALSE(s.setDetail(big.scaled(150, 120))) << "not a whole multiple of the map";
    ASSERT_TRUE(s.setDetail(big));
    EXPECT_EQ(s.detailScale(), 2);
    EXPECT_EQ(s.shown().size(), QSize(160, 120));

    s.fill(30, 20, mapcolour::Question);
    const QImage& shown = s.shown();
    auto red = [&](int x, int y) { return (shown.pixel(x, y) & 0xFFFFFF) == mapcolour::Question; };
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            const bool filled = s.colourAt(x, y) == mapcolour::Question;
            int inBlock = 0;
            for (int i = 0; i < 4; ++i) inBlock += red(2 * x + i % 2, 2 * y + i / 2);
            if (filled) EXPECT_GT(inBlock, 0) << x << "," << y << ": a filled pixel that does not show";
            bool nearFill = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) nearFill = nearFill || s.colourAt(x + dx, y + dy) == mapcolour::Question;
            if (!nearFill) EXPECT_EQ(inBlock, 0) << x << "," << y << ": filled on the larger picture only";
        }
    EXPECT_TRUE(red(70, 40)) << "the larger patch's own edge";
    EXPECT_TRUE(red(50, 30)) << "the block drawn as land shows the fill";
    EXPECT_FALSE(red(60, 80)) << "the other river of the same colour";
    EXPECT_FALSE(red(54, 34)) << "the odd pixel inside keeps its colour";
    // The patch mask under a point is on the shown picture.
    const QImage mask = s.patchMask(30, 40);
    ASSERT_EQ(mask.size(), QSize(160, 120));
    EXPECT_EQ(mask.constScanLine(80)[60], 255);
    EXPECT_EQ(mask.constScanLine(40)[60], 0);
    s.reset();
    EXPECT_EQ(s.shown(), big.convertToFormat(QImage::Format_RGB32));
}

// The outline round a patch: light next to it, dark at its rim, nothing
// inside the patch or beyond the width.
TEST(DrillLogic, OutlineRoundAPatch)
{
    QImage mask(20, 20, QImage::Format_Alpha8);
    mask.fill(0);
    for (int y = 8; y < 12; ++y)
        for (int x = 8; x < 12; ++x) mask.scanLine(y)[x] = 255;
    const QImage o = outlineImage(mask, 3);
    ASSERT_EQ(o.size(), mask.size());
    EXPECT_EQ(qAlpha(o.pixel(9, 9)), 0) << "inside";
    EXPECT_EQ(o.pixel(12, 9), qRgba(255, 230, 0, 255)) << "next to it";
    EXPECT_EQ(o.pixel(12, 12), qRgba(255, 230, 0, 255)) << "diagonally next to it";
    EXPECT_EQ(qAlpha(o.pixel(14, 14)), 0) << "the corners are cut: rounder than a square";
    EXPECT_EQ(o.pixel(14, 9), qRgba(110, 50, 0, 255)) << "at the rim";
    EXPECT_EQ(qAlpha(o.pixel(15, 9)), 0) << "beyond";
    EXPECT_TRUE(outlineImage(QImage(), 3).isNull());
}
