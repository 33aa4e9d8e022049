// The finish screen's lines and rules, without a screen.
#include "records/FinishRules.h"

#include <gtest/gtest.h>

using namespace karuvel;

TEST(FinishLines, PointsAndTimeLines)
{
    struct Case {
        long long time;
        long long target;
        float multiplier;
        const char* points;
        const char* time_line;
    };
    const Case cases[] = {
        {60, 60, 1.0f, "獲得ポイント：5点×1→5点", "今の成績：60秒"},         // at the target
        {0, 60, 1.0f, "獲得ポイント：55点×1→55点", "今の成績：0秒"},         // at 0 s
        {30, 60, 2.0f, "獲得ポイント：11点×2→22点", "今の成績：30秒"},       // (1/2)^3 x 50 + 5
        {61, 60, 1.0f, "獲得ポイント：4点×1→4点", "今の成績：61秒"},         // just above T
        {119, 60, 1.0f, "獲得ポイント：4点×1→4点", "今の成績：119秒"},       // below 2T
        {120, 60, 1.0f, "獲得ポイント：1点×1→1点", "今の成績：120秒"},       // at 2T
        {599, 60, 1.0f, "獲得ポイント：1点×1→1点", "今の成績：599秒"},
        {600, 60, 1.0f, "獲得ポイント：0点×1→0点", "今の成績：600秒"},       // at 10T
        {5000, 60, 1.0f, "獲得ポイント：0点×1→0点", "今の成績：5000秒"},     // well beyond
        {99997, 60, 1.0f, "獲得ポイント：0点×1→0点", "今の成績：99997秒"},
        {99999, 60, 1.5f, "獲得ポイント：0点×1.5→0点", "記録なし"},          // time over
        {99998, 60, 1.0f, "獲得ポイント：0点×1→0点", "記録なし"},
        {0, 60, 1.5f, "獲得ポイント：55点×1.5→82点", "今の成績：0秒"},      // 82.5 rounded down
        {45, 60, 1.5f, "獲得ポイント：5点×1.5→7点", "今の成績：45秒"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        EXPECT_EQ(finishPointsLine(c.time, c.target, c.multiplier), QString::fromUtf8(c.points));
        EXPECT_EQ(finishTimeLine(c.time), QString::fromUtf8(c.time_line));
    }
    EXPECT_EQ(finishLevelCountLine(3), QStringLiteral(" (このレベル　3回目)"));
    EXPECT_EQ(finishTotalCountLine(12), QStringLiteral("（12回目)"));
}

TEST(FinishLines, MessageAndCue)
{
    struct Case {
        int timeOver, personal, top;
        long long time, limit;
        const char* message;
        FinishCue cue;
    };
    const Case cases[] = {
        {1, 0, 0, 99999, 120, "時間切れ", FinishCue::None},
        {1, 1, 1, 99999, 120, "時間切れ", FinishCue::None},  // time over wins over any flag
        {0, 1, 0, 50, 120, "新記録おめでとう", FinishCue::PersonalBest},
        {0, 1, 1, 40, 120, "！！！最高新記録！！！", FinishCue::TopRecord},  // both: only the top record
        {0, 0, 1, 40, 120, "！！！最高新記録！！！", FinishCue::TopRecord},
        {0, 0, 0, 120, 120, "", FinishCue::NoRecord},  // within the limit time
        {0, 0, 0, 121, 120, "", FinishCue::None},      // slower than the limit: silence
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const FinishOutcome o = finishOutcome(c.timeOver, c.personal, c.top, c.time, c.limit);
        EXPECT_EQ(o.message, QString::fromUtf8(c.message));
        EXPECT_EQ(o.cue, c.cue);
    }
}

TEST(FinishLines, TimerButtonRule)
{
    using L = FinishButtons::Label;
    struct Case {
        const char* what;
        bool overdone, cleared, finalLevel, finalCleared;
        bool retry;
        L label;
    };
    const Case cases[] = {
        {"overdone and cleared, final level", true, true, true, false, true, L::Clear},
        {"overdone and cleared, final level already cleared", true, true, true, true, true, L::Clear},
        {"overdone and cleared, intermediate, final not cleared", true, true, false, false, false, L::NextLevel},
        {"overdone and cleared, intermediate, final cleared", true, true, false, true, true, L::Keep},
        {"overdone, not cleared", true, false, false, false, true, L::Keep},
        {"cleared, not overdone", false, true, false, false, true, L::Keep},
        {"neither", false, false, true, false, true, L::Keep},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FinishButtons b = finishButtons(c.overdone, c.cleared, c.finalLevel, c.finalCleared);
        EXPECT_EQ(b.retryVisible, c.retry);
        EXPECT_EQ(b.label, c.label);
    }
}
