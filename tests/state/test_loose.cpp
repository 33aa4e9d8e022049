#include "state/Loose.h"
#include "state/ProgramState.h"

#include <gtest/gtest.h>

#include <limits>

using namespace karuvel;

TEST(Loose, EmptyComparesEqualToZeroAndEmptyText)
{
    Loose empty;
    EXPECT_EQ(empty, Loose(0));
    EXPECT_EQ(empty, Loose(QString()));
    EXPECT_NE(empty, Loose(1));
    EXPECT_NE(empty, Loose("a"));
    EXPECT_EQ(empty.toNumber(), 0);
    EXPECT_EQ(empty.toText(), QString());
}

TEST(Loose, FieldKeepsNumberOrText)
{
    struct Case { const char* text; bool quoted; bool number; bool text_; bool empty; };
    const Case cases[] = {
        {"12", false, true, false, false},   {"1.5", false, true, false, false},
        {"-3", false, true, false, false},   {"禁回", false, false, true, false},
        {"12abc", false, false, true, false}, {"", false, false, false, true},
        {"12", true, false, true, false},
    };
    for (const Case& c : cases) {
        Loose v = Loose::fromField(QString::fromUtf8(c.text), c.quoted);
        EXPECT_EQ(v.isNumber(), c.number) << c.text;
        EXPECT_EQ(v.isText(), c.text_) << c.text;
        EXPECT_EQ(v.isEmpty(), c.empty) << c.text;
    }
    EXPECT_EQ(Loose::fromField("12abc").toNumber(), 12);
    EXPECT_EQ(Loose::fromField("7"), Loose(7));
    EXPECT_EQ(Loose(7), Loose("7"));  // a number against a numeric text
    EXPECT_NE(Loose(7), Loose("7日"));
}

TEST(Loose, ShortestDecimalTexts)
{
    EXPECT_EQ(numberText(45), "45");
    EXPECT_EQ(numberText(1.5), "1.5");
    EXPECT_EQ(numberText(-2), "-2");
    EXPECT_EQ(singleText(1.5f), "1.5");
    EXPECT_EQ(singleText(1.1f), "1.1");
    EXPECT_EQ(Loose(12.0).toText(), "12");
}

TEST(Loose, LeadingNumberOfText)
{
    EXPECT_EQ(leadingNumber("  42秒"), 42);
    EXPECT_EQ(leadingNumber("abc"), 0);
    EXPECT_EQ(leadingNumber("1.5e2x"), 150);
    EXPECT_EQ(leadingNumber("-7,"), -7);
    EXPECT_EQ(leadingNumber(""), 0);
}

TEST(ProgramState, TablesCoverEveryLevelAndPupil)
{
    resetState();
    ProgramState& s = state();
    s.TotalCount(35, 5000) = 3;
    s.TotalCount(0, 0) = 1;
    EXPECT_EQ(s.TotalCount(35, 5000), 3);
    EXPECT_EQ(s.TotalCount(0, 0), 1);
    EXPECT_EQ(s.GradeFilter.toText(), "全学年");
    EXPECT_TRUE(isTeacherName("先生"));
    EXPECT_TRUE(isTeacherName("山田★花子"));
    EXPECT_FALSE(isTeacherName("山田花子"));
    EXPECT_TRUE(isPracticeLevelName("レベル５練習"));
    resetState();
    EXPECT_EQ(state().TotalCount(35, 5000), 0);
}

TEST(Loose, FiguresBeyondTheRangeOfAWholeNumberAreHeldAtItsEnds)
{
    struct Case {
        const char* what;
        Loose value;
        long long whole;
    } cases[] = {
        {"1e99 typed into a file", Loose::fromField(QStringLiteral("1e99")), std::numeric_limits<long long>::max()},
        {"-1e99", Loose::fromField(QStringLiteral("-1e99")), std::numeric_limits<long long>::min()},
        {"a text starting with a huge figure", Loose(QStringLiteral("3e63abc")), std::numeric_limits<long long>::max()},
        {"just below the end", Loose(9.2e18), 9200000000000000000LL},
        {"an ordinary figure, cut towards zero", Loose(-45.9), -45},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value.toLong(), c.whole) << c.what;
}
