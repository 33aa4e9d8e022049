#include "admin/RecordsCsv.h"

#include "platform/Calendar.h"
#include "platform/Cp932.h"
#include "records/Recount.h"
#include "records/ResultsFile.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>
#include <cmath>

namespace karuvel {

namespace {
// 30 December 1899 .. 31 December 9999: the days a calendar can name.
constexpr double kLastOleDay = 2958465.0;

QString numberText(double value) { return QString::number(value, 'g', 17); }

QString dateText(double date)
{
    if (!(date >= 0 && date <= kLastOleDay) || std::floor(date) != date) return numberText(date);
    return fromOleDate(date).toString(QStringLiteral("yyyy/MM/dd"));
}

QString clockText(double clock)
{
    if (!(clock >= 0 && clock < 1)) return numberText(clock);
    const double seconds = clock * 86400.0;
    const long long whole = std::llround(seconds);
    // A time of day that is not a whole second (not written by this program) keeps its number.
    if (std::fabs(seconds - double(whole)) > 1e-3 || whole >= 86400) return numberText(clock);
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600, 2, 10, QLatin1Char('0'))
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

QStringList recordsCsvHeadings()
{
    return {QStringLiteral("記録番号"), QStringLiteral("日付"),       QStringLiteral("時刻"),
            QStringLiteral("生徒番号"), QStringLiteral("名前"),       QStringLiteral("学年"),
            QStringLiteral("レベル"),   QStringLiteral("レベル名"),   QStringLiteral("タイム(秒)"),
            QStringLiteral("時間切れ"), QStringLiteral("ポイント"),   QStringLiteral("塾コード"),
            QStringLiteral("塾名")};
}

bool spreadsheetWouldChange(const QString& text)
{
    if (text.isEmpty()) return false;
    const QChar first = text.front();
    if (QStringLiteral("=+-@\t\r\n").contains(first)) return true;
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("TRUE"), Qt::CaseInsensitive) == 0 ||
        t.compare(QStringLiteral("FALSE"), Qt::CaseInsensitive) == 0)
        return true;
    // Numbers (with leading zeros, signs, separators, exponents, percent or a
    // currency sign), dates and times (1/2, 2026-1-2, 1月2日, 12:30, 午後1時),
    // fractions ("1 1/2"), in half-width or full-width digits; dates of an era
    // ("R6.1.2").
    static const QRegularExpression numberLike(QStringLiteral(
        "^[(（]?[+\\-＋－]?[¥$€￥＄]?[0-9０-９][0-9０-９\\s.,，．:：/／\\-－+%％()（）eE年月日時分秒午前後AaPpMm]*$"));
    static const QRegularExpression eraDate(QStringLiteral("^[MTSHRmtshr][0-9０-９]+[./\\-][0-9０-９]"));
    static const QRegularExpression clock(QStringLiteral("^(午前|午後)[0-9０-９]"));
    return numberLike.match(t).hasMatch() || eraDate.match(t).hasMatch() || clock.match(t).hasMatch();
}

QString spreadsheetText(const QString& text)
{
    if (!spreadsheetWouldChange(text)) return text;
    QString inner = text;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QStringLiteral("=\"") + inner + QLatin1Char('"');
}

QString csvField(const QString& text)
{
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
        || text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))
        || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quoted) return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString recordsCsvText(const char* records, int64_t count, const PupilBook& book, const ProgramState& s)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = recordsCsvHeadings().join(QLatin1Char(',')) + crlf;
    const QByteArray ownCode = schoolCodeField(s.SchoolCode.toText());
    for (int64_t k = 0; k < count; ++k) {
        const ResultRecordData r = ResultRecordData::fromBytes(records + k * kRecordSize);
        if (r.level == 0) continue;
        const bool knownLevel = r.level >= 1 && r.level <= kMaxLevel;
        const QString points = knownLevel
            ? QString::number(recordPoints(r.time, s.TargetTime[r.level], s.PointMultiplier[r.level]))
            : QString();
        const QStringList fields = {
            QString::number(k + 1),
            dateText(r.date),
            clockText(r.clock),
            QString::number(r.pupil),
            spreadsheetText(book.nameOf(r.pupil)),
            spreadsheetText(book.gradeLabelOf(r.pupil).trimmed()),
            QString::number(r.level),
            spreadsheetText(knownLevel ? s.LevelNames[r.level] : QString()),
            QString::number(r.time),
            r.time > kNoTime - 2 ? QStringLiteral("時間切れ") : QString(),
            points,
            spreadsheetText(decodeCp932(r.schoolCode).trimmed()),
            spreadsheetText(r.schoolCode == ownCode ? s.SchoolName : QStringLiteral("他塾")),
        };
        QStringList line;
        for (const QString& f : fields) line << csvField(f);
        text += line.join(QLatin1Char(',')) + crlf;
    }
    return text;
}

QByteArray encodeCsv(const QString& text, CsvEncoding encoding, bool* lossy)
{
    if (lossy) *lossy = false;
    if (encoding == CsvEncoding::Cp932) {
        if (lossy) *lossy = !fitsCp932(text);
        return encodeCp932(text);
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool writeCsvFile(const QString& path, const QByteArray& bytes, QString* problem)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
    if (problem) {
        *problem = QStringLiteral("CSVファイルを書き込めませんでした。\r\n") + QDir::toNativeSeparators(path)
            + QStringLiteral("\r\nフォルダーに書き込めるか、空きがあるかを確かめて下さい。");
    }
    return false;
}

QString recordsCsvFileName(const QString& school, const QDate& date)
{
    QString safe;
    for (const QChar c : school) safe += (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c)) ? QChar(u'_') : c;
    return safe.trimmed() + QStringLiteral("_成績累積データ_") + date.toString(QStringLiteral("yyyy-MM-dd"))
        + QStringLiteral(".csv");
}

} // namespace karuvel
