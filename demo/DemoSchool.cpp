#include "DemoSchool.h"

#include "Synth.h"
#include "platform/Cp932.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <random>

#ifndef KARUVEL_PROGRAM_FOLDER_NAME
#define KARUVEL_PROGRAM_FOLDER_NAME "Karuvel"
#endif

namespace karuvel::demo {

QString programFolderName() { return QStringLiteral(KARUVEL_PROGRAM_FOLDER_NAME); }

namespace {

const QString kSchoolCode = QStringLiteral("12345");
const QString kSchoolName = QStringLiteral("つばさ学習塾");
const QString kPassword = QStringLiteral("karuvel");
constexpr int kStartMonth = 4;

// One line of the roster. Grade 1 = first year of elementary school; a
// teacher's line gives a birth year instead (grade 0 here).
struct RosterLine {
    int number;
    int grade;
    int teacherBirthYear;
    const char* name;
    const char* reading;
    int status;  // 0 listed, 1 left the school, 2 on a break
};

// Pupils by enrolment number, so the grades come mixed as in a real roster.
const RosterLine kRoster[] = {
    {1, 9, 0, "高木　真央", "たかぎ　まお", 0},
    {2, 8, 0, "宮崎　大輝", "みやざき　だいき", 0},
    {3, 9, 0, "安藤　拓真", "あんどう　たくま", 0},
    {4, 7, 0, "丸山　直樹", "まるやま　なおき", 1},
    {5, 6, 0, "竹内　葵", "たけうち　あおい", 0},
    {6, 9, 0, "谷口　美羽", "たにぐち　みう", 0},
    {7, 8, 0, "宮本　七海", "みやもと　ななみ", 0},
    {8, 6, 0, "金子　大翔", "かねこ　ひろと", 0},
    {9, 7, 0, "柴田　陽向", "しばた　ひなた", 0},
    {10, 9, 0, "今井　千尋", "いまい　ちひろ", 1},
    {11, 6, 0, "和田　莉子", "わだ　りこ", 0},
    {12, 5, 0, "岡本　樹", "おかもと　いつき", 0},
    {13, 7, 0, "酒井　美咲", "さかい　みさき", 0},
    {14, 8, 0, "内田　航", "うちだ　わたる", 0},
    {15, 6, 0, "中山　颯", "なかやま　はやて", 0},
    {16, 5, 0, "松田　結愛", "まつだ　ゆあ", 0},
    {17, 4, 0, "青木　蓮", "あおき　れん", 0},
    {18, 6, 0, "河野　結衣", "こうの　ゆい", 2},
    {19, 5, 0, "中川　颯太", "なかがわ　そうた", 0},
    {20, 6, 0, "石田　彩花", "いしだ　あやか", 0},
    {21, 7, 0, "工藤　健太", "くどう　けんた", 0},
    {22, 4, 0, "西村　凛", "にしむら　りん", 0},
    {23, 5, 0, "中野　心春", "なかの　こはる", 0},
    {24, 3, 0, "村上　大和", "むらかみ　やまと", 0},
    {25, 6, 0, "上田　翔太", "うえだ　しょうた", 0},
    {26, 4, 0, "福田　陽翔", "ふくだ　はると", 0},
    {27, 5, 0, "原田　律", "はらだ　りつ", 0},
    {28, 5, 0, "高田　優斗", "たかだ　ゆうと", 2},
    {29, 7, 0, "横山　花音", "よこやま　かのん", 0},
    {30, 3, 0, "近藤　紬", "こんどう　つむぎ", 0},
    {31, 6, 0, "森田　優奈", "もりた　ゆうな", 0},
    {32, 4, 0, "太田　咲良", "おおた　さくら", 0},
    {33, 5, 0, "小野　陽菜", "おの　ひな", 0},
    {34, 2, 0, "橋本　結菜", "はしもと　ゆいな", 0},
    {35, 6, 0, "原　拓海", "はら　たくみ", 0},
    {36, 4, 0, "三浦　湊斗", "みうら　みなと", 0},
    {37, 3, 0, "坂本　悠真", "さかもと　ゆうま", 0},
    {38, 5, 0, "田村　悠人", "たむら　ゆうと", 0},
    {39, 1, 0, "石川　陽葵", "いしかわ　ひまり", 0},
    {40, 2, 0, "藤田　蒼", "ふじた　あおい", 0},
    {41, 4, 0, "藤井　美月", "ふじい　みづき", 0},
    {42, 3, 0, "遠藤　杏", "えんどう　あん", 0},
    {43, 2, 0, "岡田　芽依", "おかだ　めい", 0},
    {44, 1, 0, "森　湊", "もり　みなと", 0},
    // The teachers: numbered above 1000 so that their runs never take the school's top time.
    {1001, 0, 1975, "先生", "せんせい", 0},
    {1002, 0, 1984, "★佐藤　恵子", "さとう　けいこ", 0},
};

// Criteria of a level: map levels (odd) are answered by one press on the map and
// go a little faster than list levels (even), where a name, a second name and a
// related place are picked; the later list levels count one and a half times.
struct LevelCriteria {
    int target, limit, clearPoints, clearCount;
    double multiplier;
    int overdoRuns, overdoPoints, recentDays, overdoDays;
};

LevelCriteria criteriaOf(int level)
{
    const bool mapLevel = level % 2 == 1;
    LevelCriteria c{};
    c.target = mapLevel ? 50 : 60;
    c.limit = mapLevel ? 100 : 120;
    c.clearPoints = 30;
    c.clearCount = 3;
    c.multiplier = (!mapLevel && level >= 6) ? 1.5 : 1.0;
    c.overdoRuns = 0;
    c.overdoPoints = 0;
    c.recentDays = 7;
    c.overdoDays = 7;
    return c;
}
constexpr int kLevels = 12;

int schoolYearOf(const QDate& d) { return d.year() - (d.month() < kStartMonth ? 1 : 0); }

int birthYearOf(const RosterLine& p, int schoolYear)
{
    // Grade index = school year - birth year - 6.
    return p.grade > 0 ? schoolYear - p.grade - 6 : p.teacherBirthYear;
}

QString shortest(double v) { return QString::number(v, 'g', 6); }

QString writeFile(const QString& path, const QStringList& lines)
{
    if (writeCp932Lines(path, lines) != FileStatus::Ok)
        return QStringLiteral("「%1」を書き込めません。\n%2").arg(QFileInfo(path).fileName(), path);
    return QString();
}

QString writeBinary(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.flush())
        return QStringLiteral("「%1」を書き込めません。\n%2").arg(QFileInfo(path).fileName(), path);
    return QString();
}

QStringList commonDataLines()
{
    // Start month, title line (code + name), status rule, an item kept by the
    // programs, an unused item, the data-change password, four unused items.
    return {QString::number(kStartMonth), kSchoolCode + kSchoolName, QStringLiteral("0"), QStringLiteral("0"),
            QStringLiteral("0"),          kPassword,                 QStringLiteral("0"), QStringLiteral("0"),
            QStringLiteral("0"),          QStringLiteral("0")};
}

QStringList rosterLines(int schoolYear)
{
    QStringList lines;
    for (const RosterLine& p : kRoster) {
        lines << QStringLiteral("%1,%2,0,0,%3,%4,%5,")
                     .arg(p.number)
                     .arg(birthYearOf(p, schoolYear))
                     .arg(QString::fromUtf8(p.name))
                     .arg(p.status)
                     .arg(QString::fromUtf8(p.reading));
    }
    return lines;
}

QStringList criteriaLines()
{
    // The header line as the criteria editor writes it: nine captions and three empty fields.
    QStringList lines{QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,")};
    for (int level = 1; level <= kLevels; ++level) {
        const LevelCriteria c = criteriaOf(level);
        lines << QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,,,")
                     .arg(c.target)
                     .arg(c.limit)
                     .arg(c.clearPoints)
                     .arg(c.clearCount)
                     .arg(shortest(c.multiplier))
                     .arg(c.overdoRuns)
                     .arg(c.overdoPoints)
                     .arg(c.recentDays)
                     .arg(c.overdoDays);
    }
    return lines;
}

// Which sound files each category picks from.
QStringList soundNameLines()
{
    return {
        QStringLiteral("正解音1,ピンポン1,ピンポン2,*"),
        QStringLiteral("正解音2,ピンポン1,ピンポン2,キラリ,*"),
        QStringLiteral("間違い音1,ブー1,*"),
        QStringLiteral("間違い音2,ブー1,ブー2,*"),
        QStringLiteral("最高音1,ファンファーレ1,*"),
        QStringLiteral("最高音2,ファンファーレ1,ファンファーレ2,*"),
        QStringLiteral("自己最高音1,アルペジオ1,*"),
        QStringLiteral("自己最高音2,アルペジオ1,アルペジオ2,アルペジオ3,*"),
        QStringLiteral("自己最高音3,アルペジオ3,*"),
        QStringLiteral("不合格音1,ポンポン1,ポンポン2,*"),
    };
}

// One past run as the results file keeps it.
struct PastRun {
    QDate date;
    int secondOfDay;
    int pupil;
    int level;
    int seconds;
};

double oleDate(const QDate& d) { return double(QDate(1899, 12, 30).daysTo(d)); }

// The 44-byte record of a run: OLE date of the day, OLE time of day, pupil,
// level, seconds, school code in 5 characters, 5 spaces, "0" and 4 spaces, and
// 5 zero bytes.
QByteArray resultRecord(const PastRun& r)
{
    QByteArray b(44, '\0');
    qToLittleEndian(oleDate(r.date), b.data());
    qToLittleEndian(double(r.secondOfDay) / 86400.0, b.data() + 8);
    qToLittleEndian(qint16(r.pupil), b.data() + 16);
    qToLittleEndian(qint16(r.level), b.data() + 18);
    qToLittleEndian(qint32(r.seconds), b.data() + 20);
    const QByteArray code = encodeCp932(kSchoolCode).leftJustified(5, ' ', true);
    b.replace(24, 5, code);
    b.replace(29, 5, QByteArray(5, ' '));
    b.replace(34, 5, QByteArray("0    "));
    return b;
}

// Runs of the last ten days (Sundays off): pupils from the third grade up come
// to some of the lessons between 16:30 and 20:30 and drill the levels they have
// reached, getting a little faster with practice. Always the same school for
// the same date.
std::vector<PastRun> pastRuns(const QDate& today)
{
    std::mt19937 rng(20261210u);
    auto uniform = [&rng]() { return double(rng()) / 4294967296.0; };
    struct Drill {
        int number, grade;
        double skill;
        int reached;
        int done[kLevels + 1] = {};
    };
    std::vector<Drill> pupils;
    for (const RosterLine& p : kRoster) {
        if (p.status != 0 || p.grade < 3) continue;
        Drill d{p.number, p.grade, 0.0, 1};
        d.skill = (0.55 + 0.65 * uniform()) * (1.1 - 0.025 * p.grade);
        d.reached = std::clamp(p.grade - 3 + int(uniform() * 2.5), 1, 6);
        pupils.push_back(d);
    }
    std::vector<PastRun> runs;
    for (int back = 10; back >= 1; --back) {
        const QDate day = today.addDays(-back);
        if (day.dayOfWeek() == 7) continue;
        for (Drill& d : pupils) {
            if (uniform() > 0.25 + 0.04 * d.grade) continue;
            int clock = 16 * 3600 + 30 * 60 + int(uniform() * 180) * 60;
            const int count = 1 + int(uniform() * 3);
            for (int k = 0; k < count; ++k) {
                const int level = uniform() < 0.6 ? d.reached : 1 + int(uniform() * d.reached);
                const LevelCriteria c = criteriaOf(level);
                const double practice = std::max(0.75, std::pow(0.975, d.done[level]));
                const int wrong = std::max(0, int(uniform() * 4.0 * d.skill) - 1);
                int seconds = int(std::lround(c.target * d.skill * practice * (0.88 + 0.25 * uniform()))) + 10 * wrong;
                seconds = std::max(seconds, 14);
                if (seconds >= 5 * c.limit) seconds = 99999;  // stopped as time over
                const int spent = std::min(seconds, 5 * c.limit);
                runs.push_back({day, clock + spent, d.number, level, seconds});
                clock += spent + 40 + int(uniform() * 90);
                ++d.done[level];
                if (d.done[level] >= 5 && level == d.reached && d.reached < 6 && uniform() < 0.5) ++d.reached;
            }
        }
    }
    std::stable_sort(runs.begin(), runs.end(), [](const PastRun& a, const PastRun& b) {
        return a.date != b.date ? a.date < b.date : a.secondOfDay < b.secondOfDay;
    });
    return runs;
}

QString fillDataRoot(const QString& dir, const QDate& today)
{
    const QString root = dir + QLatin1Char('/');
    const QString sounds = root + QStringLiteral("音フォルダ/");
    const QString data = root + programFolderName() + QLatin1Char('/');
    if (!QDir().mkpath(sounds) || !QDir().mkpath(data))
        return QStringLiteral("フォルダを作れません。\n%1").arg(root);

    QString err;
    if (!(err = writeFile(root + QStringLiteral("共通データ.txt"), commonDataLines())).isEmpty()) return err;
    if (!(err = writeFile(root + QStringLiteral("新名簿.txt"), rosterLines(schoolYearOf(today)))).isEmpty())
        return err;
    if (!(err = writeFile(sounds + QStringLiteral("新音ファイル.txt"), soundNameLines())).isEmpty()) return err;
    for (const DemoSound& s : demoSounds()) {
        if (!(err = writeBinary(sounds + s.name + QStringLiteral(".wav"), s.wav)).isEmpty()) return err;
    }
    if (!(err = writeFile(data + QStringLiteral("タイム回数データ.txt"), criteriaLines())).isEmpty()) return err;
    QByteArray results;
    for (const PastRun& r : pastRuns(today)) results += resultRecord(r);
    return writeBinary(data + QStringLiteral("成績累積データ.dat"), results);
}

bool existsAt(const QString& path)
{
    const QFileInfo fi(path);
    return fi.exists() || fi.isSymLink();
}

} // namespace

QString makeDemoSchool(const QString& rootIn, const QDate& today)
{
    const QString root = QDir::cleanPath(QFileInfo(rootIn).absoluteFilePath());
    if (existsAt(root))
        return QStringLiteral("「%1」はすでにあります。デモの学校は作りません（上書きしません）。").arg(root);
    const QFileInfo info(root);
    const QString parent = info.absolutePath();
    if (!QDir().mkpath(parent)) return QStringLiteral("フォルダを作れません。\n%1").arg(parent);

    const QString scratch = parent + QStringLiteral("/.%1.making-%2").arg(info.fileName()).arg(QCoreApplication::applicationPid());
    QDir(scratch).removeRecursively();
    QString err = fillDataRoot(scratch, today);
    if (err.isEmpty()) {
        if (existsAt(root))
            err = QStringLiteral("「%1」はすでにあります。デモの学校は作りません（上書きしません）。").arg(root);
        else if (!QDir().rename(scratch, root))
            err = QStringLiteral("「%1」を作れません。").arg(root);
    }
    if (!err.isEmpty()) QDir(scratch).removeRecursively();
    return err;
}

QString writePathFile(const QString& pathFile, const QString& rootIn)
{
    const QFileInfo info(rootIn);
    if (!info.isDir()) return QStringLiteral("データフォルダ「%1」がありません。").arg(rootIn);
    QString root = QDir::cleanPath(info.absoluteFilePath());
    if (!root.endsWith(QLatin1Char('/'))) root += QLatin1Char('/');
    // The path must survive the file's code page and its field reading, and the
    // programs read a backslash as a folder separator.
    if (!fitsCp932(root) || root.contains(QLatin1Char('"')) || root.contains(QLatin1Char('\\')) ||
        root.contains(QLatin1Char('\r')) || root.contains(QLatin1Char('\n')))
        return QStringLiteral("データフォルダのパス「%1」はパスデータ.txtに書けない文字を含んでいます。").arg(root);
    // A comma would end the field: such a path is quoted.
    const QString field = root.contains(QLatin1Char(',')) ? QLatin1Char('"') + root + QLatin1Char('"') : root;
    // Field 1 names the data root; fields 2..10 are not used by the programs.
    return writeFile(pathFile, {field + QStringLiteral(",,,,,,,,,")});
}

} // namespace karuvel::demo
