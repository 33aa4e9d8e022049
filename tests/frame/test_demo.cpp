// The demo school made by karuvel-make-demo: it must load as a real school
// does (configuration, criteria, roster, results file) and its sounds must be
// proper PCM WAV files.
#include "Fakes.h"
#include "TempDir.h"
#include "platform/Calendar.h"
#include "frame/Configuration.h"
#include "platform/Cp932.h"
#include "platform/FieldReader.h"
#include "records/Criteria.h"
#include "state/ProgramState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

using namespace karuvel;

namespace {

struct MakerRun {
    int code = -1;
    QString err;
};

MakerRun runMaker(const QStringList& args, const QString& workDir = QString())
{
    const QString maker = QDir::cleanPath(QStringLiteral(KARUVEL_PROGRAM_DIR "/../karuvel-make-demo"));
    MakerRun r;
    if (!QFileInfo::exists(maker)) {
        r.err = QStringLiteral("not built: ") + maker;
        return r;
    }
    QProcess p;
    if (!workDir.isEmpty()) p.setWorkingDirectory(workDir);
    p.start(maker, args);
    if (!p.waitForFinished(120000)) {
        p.kill();
        r.err = QStringLiteral("did not finish");
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString readText(const QString& path)
{
    QString text;
    EXPECT_EQ(readCp932File(path, &text), FileStatus::Ok) << path.toStdString();
    return text;
}

int schoolYearOf(const QDate& d) { return d.year() - (d.month() < 4 ? 1 : 0); }

struct RosterLine {
    int number = 0, birthYear = 0, status = 0;
    QString name;
};

// Reads the roster as a stream of 8 fields per entry.
std::vector<RosterLine> readRoster(const QString& path)
{
    std::vector<RosterLine> out;
    FieldReader r(readText(path));
    while (!r.atEnd()) {
        Field f[8];
        for (auto& x : f) {
            if (!r.next(&x)) {
                ADD_FAILURE() << "roster ends inside an entry";
                return out;
            }
        }
        out.push_back({int(f[0].number()), int(f[1].number()), int(f[5].number()), f[4].text});
    }
    return out;
}

// The demo school made once for the whole suite, with today's date, a path
// file beside a program folder "Karuvel", as run.sh lays them out.
class DemoSchool : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir;
        root_ = dir_->path() + QStringLiteral("school/");
        made_ = runMaker({root_});
        pathFile_ = runMaker({QStringLiteral("--path-file"), dir_->file(QStringLiteral("パスデータ.txt")), root_});
        dir_->mkdir(QStringLiteral("Karuvel"));
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_EQ(made_.code, 0) << made_.err.toStdString();
        ASSERT_EQ(pathFile_.code, 0) << pathFile_.err.toStdString();
    }
    static QString program() { return dir_->path() + QStringLiteral("Karuvel/"); }

    static inline test::TempDir* dir_ = nullptr;
    static inline QString root_;
    static inline MakerRun made_, pathFile_;
};

} // namespace

TEST_F(DemoSchool, LoadsAsTheProgramsConfiguration)
{
    test::FakePlatform fake;
    ASSERT_NO_THROW(LoadConfigurationFrom(program()));
    EXPECT_TRUE(fake.messages.shown.isEmpty());
    ProgramState& s = state();
    EXPECT_EQ(s.RosterFolder.toText(), root_);
    EXPECT_EQ(s.DataFolder.toText(), root_ + QStringLiteral("Karuvel/"));
    EXPECT_EQ(s.SchoolYearStartMonth.toNumber(), 4);
    EXPECT_EQ(s.SchoolCode.toText(), QStringLiteral("12345"));
    EXPECT_FALSE(s.SchoolName.trimmed().isEmpty());
    EXPECT_EQ(s.RosterStatusReset.toNumber(), 0);
    EXPECT_FALSE(s.DataChangePassword.toText().isEmpty());

    // Every category names at least one sound, and every named sound is there.
    for (int slot = 1; slot <= 10; ++slot) {
        const SoundSlot& sl = s.SoundNames[slot];
        EXPECT_GE(sl.count, 1) << sl.category.toStdString();
        for (int pos = 1; pos <= sl.count; ++pos) {
            const QString wav = s.SoundFolder.toText() + sl.files[pos] + QStringLiteral(".wav");
            EXPECT_TRUE(QFileInfo::exists(wav)) << wav.toStdString();
            EXPECT_FALSE(wav.contains(QLatin1Char(' '))) << wav.toStdString();
        }
    }
    for (const char* fixed : {"最高1.wav", "合格.wav"})
        EXPECT_TRUE(QFileInfo::exists(s.SoundFolder.toText() + QString::fromUtf8(fixed))) << fixed;
}

TEST_F(DemoSchool, CriteriaFileIsWrittenAsTheEditorWritesIt)
{
    const QString path = root_ + QStringLiteral("Karuvel/タイム回数データ.txt");
    const QStringList lines = readText(path).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 14);  // header, 12 levels, nothing after the last CR LF
    EXPECT_EQ(lines[0], criteriaHeaderCaptions().join(QLatin1Char(',')) + QStringLiteral(",,,"));
    EXPECT_TRUE(lines[13].isEmpty());

    test::FakePlatform fake;
    int levels = 0;
    ASSERT_EQ(readCriteria(path, &levels), CriteriaLoad::Ok);
    EXPECT_EQ(levels, 12);
    ProgramState& s = state();
    std::set<float> multipliers;
    for (int level = 1; level <= 12; ++level) {
        SCOPED_TRACE(level);
        EXPECT_GT(s.TargetTime[level], 0);
        EXPECT_LT(s.TargetTime[level], s.LimitTime[level]);
        EXPECT_EQ(s.ClearPoints[level], 30);
        EXPECT_EQ(s.ClearCount[level], 3);
        multipliers.insert(s.PointMultiplier[level]);
        EXPECT_EQ(s.OverdoCountLimit[level].toNumber(), 0);
        EXPECT_EQ(s.OverdoPointsLimit[level].toNumber(), 0);
        EXPECT_EQ(s.RecentDays[level].toNumber(), 7);
        EXPECT_EQ(s.OverdoDays[level].toNumber(), 7);
        EXPECT_TRUE(s.CriteriaColumn10[level].isEmpty());
    }
    EXPECT_EQ(multipliers, (std::set<float>{1.0f, 1.5f}));
}

TEST_F(DemoSchool, TextFilesAreCp932WithCrLf)
{
    for (const char* name : {"共通データ.txt", "新名簿.txt", "音フォルダ/新音ファイル.txt", "Karuvel/タイム回数データ.txt"}) {
        SCOPED_TRACE(name);
        const QByteArray bytes = readBytes(root_ + QString::fromUtf8(name));
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
        const QString text = decodeCp932(bytes);
        EXPECT_EQ(encodeCp932(text), bytes);
        EXPECT_TRUE(fitsCp932(text));
        EXPECT_FALSE(text.contains(QChar(0xFFFD)));
    }
    // The common data file holds exactly its ten fields.
    FieldReader r(readText(root_ + QStringLiteral("共通データ.txt")));
    int fields = 0;
    for (Field f; fields < 10 && r.next(&f);) ++fields;
    EXPECT_EQ(fields, 10);
    EXPECT_TRUE(r.atEnd());
}

TEST_F(DemoSchool, RosterListsAboutFortyPupilsOfEveryGradeAndTheTeachers)
{
    const std::vector<RosterLine> roster = readRoster(root_ + QStringLiteral("新名簿.txt"));
    const int year = schoolYearOf(QDate::currentDate());
    std::set<int> numbers;
    std::map<int, int> listedPerGrade, listedPerBirthYear;
    int listedPupils = 0, left = 0, onBreak = 0;
    bool plainTeacher = false, starTeacher = false;
    for (const RosterLine& e : roster) {
        SCOPED_TRACE(e.name.toStdString());
        EXPECT_TRUE(numbers.insert(e.number).second) << "number used twice: " << e.number;
        EXPECT_GE(e.number, 1);
        EXPECT_LE(e.number, 5000);
        EXPECT_LE(e.name.size(), 20);
        EXPECT_FALSE(e.name.trimmed().isEmpty());
        const bool teacher = e.name.contains(QStringLiteral("先生")) || e.name.contains(QStringLiteral("★"));
        if (e.name == QStringLiteral("先生") && e.status == 0) plainTeacher = true;
        if (e.name.contains(QStringLiteral("★")) && e.status == 0) starTeacher = true;
        if (e.status == 1) ++left;
        if (e.status == 2) ++onBreak;
        if (teacher) continue;
        const int g = year - e.birthYear - 6;
        EXPECT_GE(g, 1);
        EXPECT_LE(g, 9);
        if (e.status == 0) {
            ++listedPupils;
            ++listedPerGrade[g];
            ++listedPerBirthYear[e.birthYear];
        }
    }
    EXPECT_TRUE(plainTeacher);
    EXPECT_TRUE(starTeacher);
    EXPECT_GE(left, 1);
    EXPECT_GE(onBreak, 1);
    EXPECT_GE(listedPupils, 35);
    EXPECT_LE(listedPupils, 45);
    for (int g = 1; g <= 9; ++g) EXPECT_GE(listedPerGrade[g], 1) << "no pupil in grade " << g;
    const int sharing = int(std::count_if(listedPerBirthYear.begin(), listedPerBirthYear.end(),
                                          [](const auto& kv) { return kv.second >= 2; }));
    EXPECT_GE(sharing, 3);
}

TEST(DemoSchoolDates, GradesFollowTheSchoolYearOfTheDayItIsMade)
{
    // The school year turns in April: 31 March still belongs to the year before.
    const struct {
        const char* date;
        int schoolYear;
    } cases[] = {{"2027-03-31", 2026}, {"2027-04-01", 2027}, {"2026-12-10", 2026}, {"2030-01-15", 2029}};
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.date);
        const QString root = dir.path() + QString::fromUtf8(c.date);
        const MakerRun made = runMaker({QStringLiteral("--date"), QString::fromUtf8(c.date), root});
        ASSERT_EQ(made.code, 0) << made.err.toStdString();
        std::set<int> grades;
        for (const RosterLine& e : readRoster(root + QStringLiteral("/新名簿.txt"))) {
            if (e.name.contains(QStringLiteral("先生")) || e.name.contains(QStringLiteral("★"))) continue;
            if (e.status == 0) grades.insert(c.schoolYear - e.birthYear - 6);
        }
        EXPECT_EQ(grades, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));

        // The past runs lie in the days before that date.
        const QByteArray results = readBytes(root + QStringLiteral("/Karuvel/成績累積データ.dat"));
        ASSERT_GE(results.size(), 44);
        const double day = toOleDate(QDate::fromString(QString::fromUtf8(c.date), Qt::ISODate));
        for (int at = 0; at + 44 <= results.size(); at += 44) {
            const double d = qFromLittleEndian<double>(results.constData() + at);
            EXPECT_LT(d, day);
            EXPECT_GE(d, day - 10);
        }
    }
}

TEST_F(DemoSchool, PastRunsAreWholeRecordsOfListedPupils)
{
    const QByteArray bytes = readBytes(root_ + QStringLiteral("Karuvel/成績累積データ.dat"));
    ASSERT_GT(bytes.size(), 0);
    ASSERT_EQ(bytes.size() % 44, 0);
    std::set<int> listed;
    for (const RosterLine& e : readRoster(root_ + QStringLiteral("新名簿.txt")))
        if (e.status == 0 && !e.name.contains(QStringLiteral("先生")) && !e.name.contains(QStringLiteral("★")))
            listed.insert(e.number);
    const double today = toOleDate(QDate::currentDate());
    double last = 0;
    std::set<int> levels, days;
    for (int at = 0; at < bytes.size(); at += 44) {
        SCOPED_TRACE(at / 44 + 1);
        const char* r = bytes.constData() + at;
        const double date = qFromLittleEndian<double>(r);
        const double clock = qFromLittleEndian<double>(r + 8);
        const int pupil = qFromLittleEndian<qint16>(r + 16);
        const int level = qFromLittleEndian<qint16>(r + 18);
        const int seconds = qFromLittleEndian<qint32>(r + 20);
        EXPECT_EQ(date, std::floor(date));
        EXPECT_LT(date, today);
        EXPECT_GT(clock, 0.0);
        EXPECT_LT(clock, 1.0);
        EXPECT_GE(date + clock, last) << "records out of order";
        last = date + clock;
        EXPECT_TRUE(listed.count(pupil)) << pupil;
        EXPECT_GE(level, 1);
        EXPECT_LE(level, 12);
        EXPECT_GT(seconds, 0);
        EXPECT_LT(seconds, 6000);
        EXPECT_EQ(QByteArray(r + 24, 15), QByteArray("12345     0    "));
        EXPECT_EQ(QByteArray(r + 39, 5), QByteArray(5, '\0'));
        levels.insert(level);
        days.insert(int(date));
    }
    EXPECT_GE(levels.size(), 3u);
    EXPECT_GE(days.size(), 5u);
}

namespace {

struct Wav {
    int format = 0, channels = 0, rate = 0, byteRate = 0, align = 0, bits = 0;
    std::vector<double> samples;  // -1..1
    QString problem;
};

Wav parseWav(const QByteArray& b)
{
    Wav w;
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE") {
        w.problem = QStringLiteral("not a RIFF WAVE file");
        return w;
    }
    if (qFromLittleEndian<quint32>(b.constData() + 4) != quint32(b.size() - 8)) w.problem = QStringLiteral("RIFF size");
    bool data = false;
    for (int at = 12; at + 8 <= b.size();) {
        const QByteArray id = b.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(b.constData() + at + 4);
        const char* body = b.constData() + at + 8;
        if (at + 8 + qint64(size) > b.size()) {
            w.problem = QStringLiteral("chunk runs past the end");
            return w;
        }
        if (id == "fmt ") {
            w.format = qFromLittleEndian<quint16>(body);
            w.channels = qFromLittleEndian<quint16>(body + 2);
            w.rate = int(qFromLittleEndian<quint32>(body + 4));
            w.byteRate = int(qFromLittleEndian<quint32>(body + 8));
            w.align = qFromLittleEndian<quint16>(body + 12);
            w.bits = qFromLittleEndian<quint16>(body + 14);
        } else if (id == "data") {
            data = true;
            for (quint32 i = 0; i + 1 < size; i += 2) w.samples.push_back(qFromLittleEndian<qint16>(body + i) / 32768.0);
        }
        at += 8 + int(size) + int(size & 1);
    }
    if (!data) w.problem = QStringLiteral("no data chunk");
    return w;
}

double rms(const std::vector<double>& s, size_t from, size_t n)
{
    double sum = 0;
    for (size_t i = from; i < from + n; ++i) sum += s[i] * s[i];
    return std::sqrt(sum / double(n));
}

// Spectral peaks of a Hann-windowed frame at least 1/20 of the strongest.
int strongPeaks(const std::vector<double>& s, size_t from)
{
    const int n = 1024;
    std::vector<double> mag(n / 2);
    for (int k = 1; k < n / 2; ++k) {
        double re = 0, im = 0;
        for (int i = 0; i < n; ++i) {
            const double x = s[from + size_t(i)] * (0.5 - 0.5 * std::cos(2 * M_PI * i / (n - 1)));
            re += x * std::cos(2 * M_PI * k * i / n);
            im -= x * std::sin(2 * M_PI * k * i / n);
        }
        mag[size_t(k)] = std::hypot(re, im);
    }
    const double top = *std::max_element(mag.begin(), mag.end());
    int peaks = 0;
    for (int k = 2; k < n / 2 - 1; ++k)
        if (mag[size_t(k)] >= top / 20 && mag[size_t(k)] > mag[size_t(k - 1)] && mag[size_t(k)] >= mag[size_t(k + 1)]) ++peaks;
    return peaks;
}

} // namespace

TEST_F(DemoSchool, SoundsAreShortPcmCuesThatDieAway)
{
    const QStringList wavs = QDir(root_ + QStringLiteral("音フォルダ")).entryList({QStringLiteral("*.wav")}, QDir::Files);
    EXPECT_GE(wavs.size(), 10);
    for (const QString& name : wavs) {
        SCOPED_TRACE(name.toStdString());
        const QString path = root_ + QStringLiteral("音フォルダ/") + name;
        const Wav w = parseWav(readBytes(path));
        ASSERT_TRUE(w.problem.isEmpty()) << w.problem.toStdString();
        // The player's own loader takes it as it is.
        SDL_AudioSpec spec;
        Uint8* buffer = nullptr;
        Uint32 length = 0;
        ASSERT_NE(SDL_LoadWAV(QFile::encodeName(path).constData(), &spec, &buffer, &length), nullptr) << SDL_GetError();
        SDL_FreeWAV(buffer);
        EXPECT_EQ(spec.freq, 22050);
        EXPECT_EQ(spec.format, AUDIO_S16LSB);
        EXPECT_EQ(spec.channels, 1);
        EXPECT_EQ(length, Uint32(w.samples.size() * 2));
        EXPECT_EQ(w.format, 1);  // PCM
        EXPECT_EQ(w.channels, 1);
        EXPECT_EQ(w.rate, 22050);
        EXPECT_EQ(w.bits, 16);
        EXPECT_EQ(w.align, 2);
        EXPECT_EQ(w.byteRate, 44100);
        const double seconds = double(w.samples.size()) / 22050.0;
        EXPECT_GE(seconds, 0.3);
        EXPECT_LE(seconds, 2.0);
        ASSERT_GT(w.samples.size(), 4096u);

        double peak = 0;
        for (double v : w.samples) peak = std::max(peak, std::abs(v));
        EXPECT_GT(peak, 0.3);   // audible
        EXPECT_LT(peak, 0.95);  // not clipped
        // No click at either end, and the sound fades: the last 50 ms are far
        // quieter than its loudest 50 ms.
        EXPECT_LT(std::abs(w.samples.front()), 0.01);
        EXPECT_LT(std::abs(w.samples.back()), 0.01);
        const size_t win = 1102;
        double loudest = 0;
        size_t loudestAt = 0;
        for (size_t at = 0; at + win <= w.samples.size(); at += win / 2) {
            const double r = rms(w.samples, at, win);
            if (r > loudest) loudest = r, loudestAt = at;
        }
        EXPECT_LT(rms(w.samples, w.samples.size() - win, win), loudest / 4);
        // Not a bare beep: the loudest part carries harmonics or a chord.
        EXPECT_GE(strongPeaks(w.samples, std::min(loudestAt, w.samples.size() - 1024)), 2);
    }
}

TEST(DemoSchoolMaker, RefusesAnExistingDataRoot)
{
    test::TempDir dir;
    dir.mkdir(QStringLiteral("school"));
    dir.writeBytes(QStringLiteral("school/mine.txt"), "kept");
    dir.writeBytes(QStringLiteral("afile"), "kept");
    for (const QString& name : {QStringLiteral("school"), QStringLiteral("afile")}) {
        SCOPED_TRACE(name.toStdString());
        const MakerRun r = runMaker({dir.file(name)});
        EXPECT_NE(r.code, 0);
        EXPECT_NE(r.code, -1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(dir.file(name))) << r.err.toStdString();
    }
    EXPECT_EQ(QDir(dir.file(QStringLiteral("school"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("mine.txt")});
    EXPECT_EQ(readBytes(dir.file(QStringLiteral("afile"))), QByteArray("kept"));
    // Nothing half made is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 2);
}

TEST(DemoSchoolMaker, PathFileNamesTheAbsoluteDataRoot)
{
    test::TempDir dir;
    dir.mkdir(QStringLiteral("Karuvel"));
    // A relative root, a root whose path holds a comma, a root with a Japanese name.
    const struct {
        QString arg, workDir, expected;
    } cases[] = {
        {QStringLiteral("school"), dir.path(), dir.path() + QStringLiteral("school/")},
        {dir.path() + QStringLiteral("a,b/school"), QString(), dir.path() + QStringLiteral("a,b/school/")},
        {dir.path() + QStringLiteral("つばさ/"), QString(), dir.path() + QStringLiteral("つばさ/")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arg.toStdString());
        ASSERT_EQ(runMaker({c.arg}, c.workDir).code, 0);
        const QString pathFile = dir.file(QStringLiteral("パスデータ.txt"));
        const MakerRun r = runMaker({QStringLiteral("--path-file"), pathFile, c.arg}, c.workDir);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(readBytes(pathFile).endsWith("\r\n"));
        // Ten fields, the first the root, and nothing after them.
        FieldReader reader(readText(pathFile));
        QStringList fields;
        for (Field f; fields.size() < 10 && reader.next(&f);) fields << f.text;
        ASSERT_EQ(fields.size(), 10);
        EXPECT_TRUE(reader.atEnd());
        EXPECT_EQ(fields[0], c.expected);

        // The program finds the school through it.
        test::FakePlatform fake;
        ASSERT_NO_THROW(LoadConfigurationFrom(dir.path() + QStringLiteral("Karuvel")));
        EXPECT_EQ(state().RosterFolder.toText(), c.expected);
        EXPECT_EQ(state().TargetTime[1], 50);
    }
    // A data root that is not there, or whose path the programs would misread
    // (a backslash is a folder separator to them): no path file is written.
    const QString other = dir.file(QStringLiteral("other.txt"));
    dir.mkdir(QStringLiteral("back\\slash"));
    for (const QString& root : {dir.path() + QStringLiteral("nowhere"), dir.path() + QStringLiteral("back\\slash")}) {
        SCOPED_TRACE(root.toStdString());
        const MakerRun refused = runMaker({QStringLiteral("--path-file"), other, root});
        EXPECT_NE(refused.code, 0);
        EXPECT_FALSE(refused.err.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(other));
    }
}
