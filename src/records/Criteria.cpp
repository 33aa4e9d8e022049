#include "records/Criteria.h"

#include "platform/Cp932.h"
#include "platform/FieldReader.h"
#include "state/ProgramState.h"

#include <cmath>
#include <limits>

namespace karuvel {

QStringList criteriaHeaderCaptions()
{
    return {QStringLiteral("目標Time"), QStringLiteral("最低Time"), QStringLiteral("ｸﾘｱﾎﾟｲﾝﾄ"),
            QStringLiteral("ｸﾘｱ回数"),  QStringLiteral("ﾎﾟｲﾝﾄ倍率"), QStringLiteral("禁回"),
            QStringLiteral("禁点"),     QStringLiteral("判期間"),   QStringLiteral("禁期間")};
}

namespace {
// A field read into a whole-number column: its leading number, rounded as the
// number is stored, held within the column's range.
template <typename T>
T wholeField(const Field& f)
{
    double v = std::nearbyint(f.number());
    if (!std::isfinite(v)) return 0;
    if (v > double(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    if (v < double(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    return T(v);
}
} // namespace

CriteriaLoad readCriteria(const QString& path, int* levelsRead)
{
    if (levelsRead) *levelsRead = 0;
    QString text;
    switch (readCp932File(path, &text)) {
    case FileStatus::NotFound: return CriteriaLoad::Missing;
    case FileStatus::Ok: break;
    default: return CriteriaLoad::Unreadable;
    }
    ProgramState& s = state();
    FieldReader r(text);
    int index = -1;
    while (!r.atEnd()) {
        ++index;
        if (index > kMaxLevel) return CriteriaLoad::TooManyLevels;
        Field f[12];
        for (auto& x : f) {
            if (!r.next(&x)) return CriteriaLoad::Short;
        }
        s.TargetTime[index] = wholeField<int32_t>(f[0]);
        s.LimitTime[index] = wholeField<int32_t>(f[1]);
        s.ClearPoints[index] = wholeField<int32_t>(f[2]);
        s.ClearCount[index] = wholeField<int16_t>(f[3]);
        s.PointMultiplier[index] = float(f[4].number());
        s.OverdoCountLimit[index] = f[5].loose();
        s.OverdoPointsLimit[index] = f[6].loose();
        s.RecentDays[index] = f[7].loose();
        s.OverdoDays[index] = f[8].loose();
        s.CriteriaColumn10[index] = f[9].loose();
        s.CriteriaColumn11[index] = f[10].loose();
        s.CriteriaColumn12[index] = f[11].loose();
        if (levelsRead) *levelsRead = index;
    }
    return CriteriaLoad::Ok;
}

} // namespace karuvel
