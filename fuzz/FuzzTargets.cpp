#include "FuzzTargets.h"

#include "Fakes.h"
#include "admin/CriteriaGrid.h"
#include "admin/Distribution.h"
#include "admin/RecordLines.h"
#include "dashboard/LevelRules.h"
#include "dashboard/PupilSummary.h"
#include "dashboard/ResultsLists.h"
#include "drill/DrillLogic.h"
#include "drill/Questions.h"
#include "frame/Catalogue.h"
#include "frame/Configuration.h"
#include "platform/Cp932.h"
#include "platform/FieldReader.h"
#include "records/Criteria.h"
#include "records/Recount.h"
#include "platform/RecordFile.h"
#include "records/ResultsFile.h"
#include "records/Sounds.h"
#include "roster/NameList.h"
#include "roster/Roster.h"
#include "state/Loose.h"
#include "state/ProgramState.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace karuvel::fuzz {

namespace {

// ---- Set-up shared by every target ---------------------------------------

struct World {
    QString fuzzDir;
    std::unique_ptr<QTemporaryDir> scratch;
    QString appFolder;  // the program folder ("…/app/Karuvel/")
    QString root;       // the data root named by the path file
    test::FakePlatform* fakes = nullptr;
    // The criteria and the statistics of the fixed school, restored before
    // each input that changes them.
    std::vector<QByteArray> schoolFiles;
    PupilBook book;
    QByteArray schoolResults;
};

World& world()
{
    static World w;
    return w;
}

CheckFailure& checkHandler()
{
    static CheckFailure h = nullptr;
    return h;
}

void check(bool ok, const char* what)
{
    if (ok) return;
    if (checkHandler()) {
        checkHandler()(what);
        return;
    }
    std::fprintf(stderr, "karuvel fuzz: broken rule: %s\n", what);
    std::abort();
}

QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "karuvel fuzz: cannot write %s\n", qPrintable(path));
        std::abort();
    }
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// The files of the fixed school, relative to the data root.
const QStringList& schoolFileNames()
{
    static const QStringList names = {
        QStringLiteral("共通データ.txt"),
        QStringLiteral("新名簿.txt"),
        QStringLiteral("音フォルダ/新音ファイル.txt"),
        QStringLiteral("Karuvel/タイム回数データ.txt"),
        QStringLiteral("Karuvel/成績累積データ.dat"),
    };
    return names;
}
enum SchoolFile { kCommon, kRoster, kSoundNames, kCriteria, kResults };

QString pathFilePath() { return QDir::cleanPath(world().appFolder + QStringLiteral("../パスデータ.txt")); }
QString schoolPath(SchoolFile f) { return world().root + schoolFileNames()[f]; }

QByteArray pathFileText() { return (world().root + QStringLiteral(",,,,,,,,,\r\n")).toUtf8(); }

// The files of the school an input has replaced since they were last restored.
QStringList& replaced()
{
    static QStringList paths;
    return paths;
}

// An input in place of a file of the school (or of the program folder).
void putInput(const QString& path, const QByteArray& bytes)
{
    replaced().append(path);
    writeFile(path, bytes);
}

// The school's own bytes of a file of the school.
QByteArray schoolBytes(const QString& path)
{
    if (path == pathFilePath()) return encodeCp932(QString::fromUtf8(pathFileText()));
    for (int i = 0; i < int(schoolFileNames().size()); ++i)
        if (path == schoolPath(SchoolFile(i))) return world().schoolFiles[size_t(i)];
    return QByteArray();
}

// Puts the files an input replaced back as they were; all of them at first.
void restoreSchool()
{
    static bool first = true;
    if (first) {
        first = false;
        replaced() << pathFilePath();
        for (int i = 0; i < int(schoolFileNames().size()); ++i) replaced() << schoolPath(SchoolFile(i));
    }
    for (const QString& path : std::as_const(replaced())) {
        const QByteArray bytes = schoolBytes(path);
        if (!bytes.isNull()) writeFile(path, bytes);
    }
    replaced().clear();
}

// What an entry changed that the next one must not see (the replay test runs
// every target in one process).
bool& configChanged()
{
    static bool changed = false;
    return changed;
}

void clearRoster();

// The start of every input: the school's files as they were, its
// configuration and roster loaded, pupil 1 signed in; and a fresh run of the
// seams: no message shown yet, the clock at the same instant, the same
// random numbers.
test::FakePlatform& fakes()
{
    restoreSchool();
    if (configChanged()) {
        configChanged() = false;
        LoadConfigurationFrom(world().appFolder);
        applyLevelCatalogue();
        clearRoster();
        LoadRoster();
    }
    test::FakePlatform& f = *world().fakes;
    f.messages.shown.clear();
    f.programEnd.calls = 0;
    f.clock.current = QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0));
    f.clock.ticks = 1000;
    f.random = test::FakeRandom();
    f.sound.played.clear();
    return f;
}

// True when the last message names the file (by its name) and says it in Japanese.
bool lastMessageNames(const QString& path)
{
    const auto& shown = world().fakes->messages.shown;
    if (shown.isEmpty()) return false;
    return shown.back().second.contains(QFileInfo(path).fileName());
}

// The whole sign-in state of pupil 1 of the fixed school.
void signIn()
{
    ProgramState& s = state();
    s.CurrentPupil = 1;
    s.CurrentPupilName = s.PupilNames[1];
    s.CurrentPupilGrade = Loose(s.PupilGrades[1]);
    s.SignInTime = Loose(36000.0);
}

// ---- The field reader, code page 932 and loose values ---------------------

void fieldsEntry(const uint8_t* data, size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    const QString text = decodeCp932(bytes);
    if (fitsCp932(text)) {
        // Text that came from the file goes back into it unchanged.
        check(decodeCp932(encodeCp932(text)) == text, "CP932 text does not survive writing and reading back");
    }
    FieldReader r(text);
    Field f;
    Loose previous;
    int fields = 0;
    while (!r.atEnd() && r.next(&f)) {
        ++fields;
        check(fields <= text.size() + 1, "the field reader returns more fields than the text has characters");
        const Loose v = f.loose();
        const double n = v.toNumber();
        check(std::isfinite(n), "a field converts to a number that is not finite");
        (void)v.toLong();
        (void)v.toInt();
        const QString shown = v.toText();
        if (v.isNumber()) {
            // A number shown and read again is the same number.
            check(leadingNumber(numberText(n)) == n, "a number does not read back from its shortest text");
            check(isNumericText(numberText(n)), "the shortest text of a number is not numeric text");
        }
        (void)(v == previous);
        (void)(v == Loose(shown));
        (void)halfWidthFigures(f.text);
        previous = v;
    }
    (void)r.position();
}

// ---- Path file, common data and sound names ------------------------------

// The first byte picks the file the rest of the input replaces: 0 the path
// file, 1 the common data, 2 the sound names; the other files are the
// school's own. Then the whole start-up configuration is loaded.
void configEntry(const uint8_t* data, size_t size)
{
    if (size < 1) return;
    test::FakePlatform& f = fakes();
    configChanged() = true;
    const int which = data[0] % 3;
    const QString path = which == 0 ? pathFilePath() : schoolPath(which == 1 ? kCommon : kSoundNames);
    putInput(path, bytesOf(data + 1, size - 1));
    try {
        LoadConfigurationFrom(world().appFolder);
    } catch (const ProgramEnded&) {
        // A file that cannot be used ends the program with a message that names it.
        check(f.programEnd.calls == 1, "the configuration ended the program without going through its end");
        const bool named = lastMessageNames(path) || (which == 0 && !f.messages.shown.isEmpty());
        check(named, "the configuration's message does not name the file");
        return;
    }
    ProgramState& s = state();
    // What the program does with these values afterwards.
    (void)schoolYearOf(f.clock.today(), s.SchoolYearStartMonth.toInt());
    (void)schoolCodeField(s.SchoolCode.toText());
    (void)(s.DataChangePassword == Loose(QStringLiteral("karuvel")));
    for (int slot = 1; slot <= 10; ++slot) {
        const SoundSlot& sl = s.SoundNames[size_t(slot)];
        check(sl.count >= 0 && sl.count <= 20, "a sound category has a count outside 0..20");
    }
    int ended = 0;
    const CueEnded answerCue = [&ended](const CueEnd& end) {
        ++ended;
        check(!end.stop, "an answer cue asked for the program's end although every sound played");
    };
    PlayCorrect(answerCue);
    PlayWrong(answerCue);
    PlayPersonalBest([&ended] { ++ended; });
    PlayNoRecord([&ended] { ++ended; });
    PlayTopRecord([&ended] { ++ended; });
    PlayCleared([&ended] { ++ended; });
    check(ended == 6, "a sound cue never ended");
}

// ---- The roster: the name selection's reader and the records manager's ----

void clearRoster()
{
    ProgramState& s = state();
    s.RosterEntries.assign(1, RosterEntry{});
    s.RosterOrder.assign(kPupilSlots, 0);
    s.PupilNames.assign(kPupilSlots, QString());
    s.PupilBirthYears.assign(kPupilSlots, 0);
    s.PupilGrades.assign(kPupilSlots, QString());
}

void rosterEntry(const uint8_t* data, size_t size)
{
    const QString path = schoolPath(kRoster);
    fakes();
    configChanged() = true;  // the roster is read again for the next input
    putInput(path, bytesOf(data, size));
    clearRoster();
    ProgramState& s = state();
    check(LoadRoster() == RosterLoad::Ok, "a readable roster did not load");
    RecountAll();
    check(s.RosterCount.toInt() >= 0 && s.RosterCount.toInt() <= kMaxPupil, "the roster count is outside 0..5000");
    for (int mode = 0; mode <= 3; ++mode) {
        const NameList list = arrangeNameList(mode, mode % 2 ? QStringLiteral("小学生全体") : QStringLiteral("全学年"));
        check(list.shown.size() == list.numbers.size() + 1, "the name list and its hidden numbers differ in length");
        for (const QString& hidden : list.numbers) {
            const int pupil = numberOfHiddenLine(hidden);
            check(pupil >= 1 && pupil <= kMaxPupil, "a name-list line carries a pupil number outside 1..5000");
        }
    }
    signIn();
    const ListContext c(s, s.CurrentPupil, QStringLiteral("全学年"));
    (void)bestTimesList(s, c, 1);
    (void)rankingList(s, c, 2, kRankAllTime);

    PupilBook book;
    if (readPupilBook(path, s.SchoolYear.toInt(), &book) != PupilBookRead::Ok) {
        check(false, "the records manager could not read a readable roster");
        return;
    }
    for (const QString& entry : book.chooserEntries) {
        int pupil = 0;
        check(pupilFromChooser(entry, &pupil) && pupil >= 1 && pupil <= kMaxPupil,
              "a pupil chooser entry does not give back its pupil");
    }
    const QByteArray& results = world().schoolResults;
    (void)buildRecordLines(results.constData(), results.size() / kRecordSize, book, s.SchoolCode.toText(), s.SchoolName);
}

// ---- The criteria file: the program's reader and the criteria editor's ----

void criteriaEntry(const uint8_t* data, size_t size)
{
    const QString path = schoolPath(kCriteria);
    fakes();
    configChanged() = true;
    putInput(path, bytesOf(data, size));
    ProgramState& s = state();
    int levels = 0;
    const CriteriaLoad load = readCriteria(path, &levels);
    check(levels >= 0 && levels <= kMaxLevel, "the criteria reader counts levels outside 0..35");
    if (load == CriteriaLoad::Ok) {
        // The rules the dashboard, the finish screen and the recount take from them.
        RecountAll();
        signIn();
        (void)levelAvailability(s, s.CurrentPupil, s.CurrentPupilName);
        for (int level = 1; level <= s.LevelCount; ++level) {
            (void)criteriaLine(s, level);
            (void)recentLine(s, level, s.CurrentPupil);
            (void)levelCleared(s, level, s.CurrentPupil);
            for (long long t : {0LL, 1LL, 45LL, 600LL, 5999LL, 99999LL})
                (void)runPoints(t, s.TargetTime[size_t(level)], s.PointMultiplier[size_t(level)]);
        }
    }

    // The editor: load, save, load again. After one round the file is in the
    // editor's own form, and a second round changes nothing.
    CriteriaGrid grid;
    if (loadCriteriaGrid(path, &grid) != CriteriaGridLoad::Ok) {
        check(false, "the criteria editor could not read a readable file");
        return;
    }
    QString message;
    const QString saved = world().root + QStringLiteral("saved.txt");
    if (saveCriteriaGrid(saved, grid, &message) != CriteriaSave::Ok) return;
    CriteriaGrid once, twice;
    loadCriteriaGrid(saved, &once);
    if (saveCriteriaGrid(saved, once, &message) != CriteriaSave::Ok) {
        check(false, "the criteria editor refuses to save what it wrote itself");
        return;
    }
    loadCriteriaGrid(saved, &twice);
    check(once.rows == twice.rows && once.lastLevelRow == twice.lastLevelRow,
          "the criteria editor's save does not read back as it was saved");
    check(readCriteria(saved) == CriteriaLoad::Ok || once.lastLevelRow > kMaxLevel,
          "the program cannot read the criteria file the editor saved");
}

// ---- Question files -------------------------------------------------------

// The level (and so the file name and the map its places are checked
// against) comes from the input's length, so that every file meets every map.
void questionsEntry(const uint8_t* data, size_t size)
{
    const int level = 1 + int(size % 12);
    ProgramState& s = state();
    s.AppFolder = world().appFolder;
    const QString path = world().appFolder + dataFileForLevel(level);
    test::FakePlatform& f = fakes();
    putInput(path, bytesOf(data, size));
    LevelContent content;
    const LoadOutcome out = LoadQuestions(level, &content);
    if (!out.ok) {
        check(out.message.contains(QFileInfo(path).fileName()) || out.message.contains(QStringLiteral("地図")),
              "a question file's message does not name the file");
    }
    const QuestionTable& table = content.table;
    check(table.count() <= kMaxQuestions, "more questions than the table holds");
    check(int(table.samples.size()) <= kMaxSamples, "more sample colours than the table holds");
    if (table.count() == 0) return;
    // A run over the table: prompts, choices and judging as the drill makes them.
    const int perRun = questionsPerRun(table.count());
    std::vector<int> done(size_t(table.count()) + 1, 0);
    int previous = 0;
    for (int correct = 0; correct < perRun; ++correct) {
        const int q = chooseQuestion(table.count(), done, previous, correct, perRun, f.random);
        check(q >= 1 && q <= table.count(), "a question is chosen outside the table");
        if (q < 1 || q > table.count()) return;
        done[size_t(q)] = 1;
        previous = q;
        const Question& question = table.at(q);
        const MapPrompt prompt = makeMapPrompt(question, f.random);
        const RelatedChoices related = chooseRelatedChoices(table, q, f.random);
        const ListKey key = listKey(question);
        const ListJudgement j =
            judgeListAnswer(key.name, key.second, related.correct, !related.shown, key, related.correct);
        check(j.verdict == 1, "the right answer to a question is judged wrong");
        (void)prompt;
    }
    for (const QString& entry : table.firstList) (void)slotTextForChoice(entry);
    for (const QString& entry : table.secondList) (void)slotTextForChoice(entry);
}

// ---- The results file -----------------------------------------------------

// Criteria a school may have typed, chosen by the first byte of a torn end
// (which every reader passes over): the school's own, none at all, and the
// extremes of every column.
void applyCriteriaVariant(int variant)
{
    ProgramState& s = state();
    readCriteria(schoolPath(kCriteria));
    for (int level = 0; level <= kMaxLevel; ++level) {
        const size_t i = size_t(level);
        switch (variant) {
        case 1:
            s.TargetTime[i] = 0;
            s.LimitTime[i] = 0;
            s.ClearPoints[i] = 0;
            s.ClearCount[i] = 0;
            s.PointMultiplier[i] = 0;
            s.OverdoCountLimit[i] = s.OverdoPointsLimit[i] = s.RecentDays[i] = s.OverdoDays[i] = Loose();
            break;
        case 2:
            s.TargetTime[i] = INT32_MAX;
            s.LimitTime[i] = INT32_MIN;
            s.ClearPoints[i] = INT32_MAX;
            s.ClearCount[i] = INT16_MIN;
            s.PointMultiplier[i] = 3.0e38f;
            s.OverdoCountLimit[i] = Loose(-1);
            s.OverdoPointsLimit[i] = Loose(1e300);
            s.RecentDays[i] = Loose(1e300);
            s.OverdoDays[i] = Loose(-1e300);
            break;
        case 3:
            s.TargetTime[i] = 1;
            s.LimitTime[i] = 1;
            s.ClearPoints[i] = 1;
            s.ClearCount[i] = 1;
            s.PointMultiplier[i] = -1.5f;
            s.OverdoCountLimit[i] = Loose(QStringLiteral("abc"));
            s.OverdoPointsLimit[i] = Loose(1);
            s.RecentDays[i] = Loose(40000);
            s.OverdoDays[i] = Loose(0.5);
            break;
        default: break;
        }
    }
}

void resultsEntry(const uint8_t* data, size_t size)
{
    const QString path = schoolPath(kResults);
    const QByteArray bytes = bytesOf(data, size);
    test::FakePlatform& f = fakes();
    putInput(path, bytes);
    const qsizetype whole = (bytes.size() / kRecordSize) * kRecordSize;
    const int variant = bytes.size() > whole ? uint8_t(bytes[whole]) % 4 : 0;
    if (variant != 0) configChanged() = true;
    applyCriteriaVariant(variant);
    ProgramState& s = state();
    signIn();
    try {
        // The recount (through the loader) and everything the dashboard shows from it.
        check(RecountAll().ok(), "a readable results file could not be read");
        check(s.RecordCount >= 0 && s.RecordCount <= whole / kRecordSize, "the loader keeps more records than the file has");
        for (int k = 1; k <= s.RecordCount; ++k) {
            check(s.RecLevel(k) >= 1 && s.RecLevel(k) <= kMaxLevel && s.RecPupil(k) >= 1 && s.RecPupil(k) <= kMaxPupil,
                  "the loader keeps a record outside the tables");
        }
        const LevelAvailability a = levelAvailability(s, s.CurrentPupil, s.CurrentPupilName);
        (void)a;
        const ListContext c(s, s.CurrentPupil, QStringLiteral("全学年"));
        for (int level = 1; level <= s.LevelCount; ++level) {
            (void)bestTimesList(s, c, level);
            (void)rankingList(s, c, level, kRankAllTime);
            (void)rankingList(s, c, level, kRankToday);
            (void)recentLine(s, level, s.CurrentPupil);
            (void)todayValue(s, level, s.CurrentPupil);
            (void)totalValue(s, level, s.CurrentPupil);
        }
        (void)arrangeNameList(3, QStringLiteral("全学年"));

        // The views that read the file record by record.
        std::vector<ResultRecordData> records;
        check(readAllResults(&records).ok(), "a view could not read a readable results file");
        check(qsizetype(records.size()) * kRecordSize == whole, "a view does not get every whole record");
        const QDateTime now = f.clock.now();
        RecordListsBuilder today(s, c, RecordView::Today, now);
        RecordListsBuilder period(s, c, RecordView::Period, now, periodDays(5, now.date()));
        PupilSummary summary(s, QStringLiteral("全学年"), now, s.CurrentPupil);
        DistributionCounter counter;
        counter.begin();
        for (const ResultRecordData& r : records) {
            today.add(r);
            period.add(r);
            summary.add(r);
            counter.add(r.level, r.pupil, r.time);
        }
        DistributionTables tables;
        counter.finish(&tables);
        std::vector<int> levels;
        for (int level = 1; level <= s.LevelCount; ++level) {
            levels.push_back(level);
            (void)allRunsLines(tables, level);
            (void)bestTimeLines(tables, level);
            (void)summary.runLines(level);
        }
        (void)summary.sheet(s.CurrentPupil, levels);
        if (!records.empty() && validPupil(records.front().pupil)) (void)summary.sheet(records.front().pupil, levels);

        // The records manager's list.
        const RecordLines lines =
            buildRecordLines(bytes.constData(), whole / kRecordSize, world().book, s.SchoolCode.toText(), s.SchoolName);
        check(lines.size() <= whole / kRecordSize, "the records manager shows more lines than records");
        (void)recordCountText(bytes.size());

        // The records manager's rewrite with nothing changed keeps every whole
        // record byte for byte (and drops only the torn end).
        QString problem;
        check(updateResults([](std::vector<ResultRecordData>&, QString*) { return true; }, &problem),
              "a rewrite that changes nothing failed");
        check(readFile(path) == bytes.left(whole), "a rewrite that changes nothing altered the stored records");
    } catch (const ProgramEnded&) {
        check(false, "a readable results file ended the program");
    }
}

// ---- The journal of an interrupted rewrite ----------------------------------

// Bytes found beside the school's results file as "成績累積データ.dat.rewrite"
// (a journal of another folder, an old copy, a damaged one). Whatever they
// are, the next reading neither ends the program nor changes a stored run: a
// journal is applied only when it was made for the file as it is, which no
// input can be (it would have to name the scratch file's number and the
// stamp beside it).
void journalEntry(const uint8_t* data, size_t size)
{
    const QString path = schoolPath(kResults);
    const QString journal = path + QStringLiteral(".rewrite");
    putInput(path, world().schoolResults);
    putInput(journal, bytesOf(data, size));
    signIn();
    try {
        check(RecountAll().ok(), "a journal beside a readable results file stopped its reading");
        check(readFile(path) == world().schoolResults, "a journal not made for the results file changed it");
        check(!QFileInfo::exists(journal), "a journal stays beside the file after a reading");
    } catch (const ProgramEnded&) {
        check(false, "a journal beside a readable results file ended the program");
    }
    // What was set aside goes, so that the folder does not fill up.
    for (const std::filesystem::path& p : takeSetAsideJournals()) QFile::remove(fromFsPath(p));
}

const std::vector<Target> kTargets = {
    {"fields", fieldsEntry, 4096},   {"config", configEntry, 4096},    {"roster", rosterEntry, 8192},
    {"criteria", criteriaEntry, 4096}, {"questions", questionsEntry, 8192}, {"results", resultsEntry, 16384},
    {"journal", journalEntry, 16384},
};

} // namespace

const std::vector<Target>& targets() { return kTargets; }

const Target* findTarget(const QString& name)
{
    for (const Target& t : kTargets)
        if (name == QLatin1String(t.name)) return &t;
    return nullptr;
}

void setCheckFailureHandler(CheckFailure handler) { checkHandler() = handler; }

std::vector<Seed> seedsFor(const Target& target)
{
    const QString school = world().fuzzDir + QStringLiteral("/school/");
    const QString shipped = world().fuzzDir + QStringLiteral("/../assets/data/");
    auto file = [&](const QString& name) { return Seed{QFileInfo(name).fileName(), readFile(school + name)}; };
    std::vector<Seed> out;
    const QString name = QLatin1String(target.name);
    if (name == QLatin1String("fields")) {
        for (const QString& f : schoolFileNames())
            if (f.endsWith(QLatin1String(".txt"))) out.push_back(file(f));
        for (const QString& f : QDir(shipped).entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name))
            out.push_back({f, readFile(shipped + f)});
    } else if (name == QLatin1String("config")) {
        out.push_back({QStringLiteral("0-パスデータ.txt"), QByteArray(1, '\0') + QByteArray("../root/,,,,,,,,,\r\n")});
        out.push_back({QStringLiteral("1-共通データ.txt"), QByteArray(1, '\1') + readFile(school + schoolFileNames()[kCommon])});
        out.push_back({QStringLiteral("2-新音ファイル.txt"), QByteArray(1, '\2') + readFile(school + schoolFileNames()[kSoundNames])});
    } else if (name == QLatin1String("roster")) {
        out.push_back(file(schoolFileNames()[kRoster]));
    } else if (name == QLatin1String("criteria")) {
        out.push_back(file(schoolFileNames()[kCriteria]));
    } else if (name == QLatin1String("questions")) {
        for (const QString& f : QDir(shipped).entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name))
            out.push_back({f, readFile(shipped + f)});
    } else if (name == QLatin1String("results")) {
        const QByteArray r = readFile(school + schoolFileNames()[kResults]);
        out.push_back({QStringLiteral("成績累積データ.dat"), r});
        // The same records with each criteria variant, chosen by a torn end.
        for (char v = 1; v <= 3; ++v) out.push_back({QStringLiteral("成績累積データ-%1.dat").arg(int(v)), r + QByteArray(1, v)});
    } else if (name == QLatin1String("journal")) {
        // A whole journal of the school's records: of an older program, and
        // one of this one's made for another file, with its stamp.
        const QByteArray r = readFile(school + schoolFileNames()[kResults]);
        const auto number = [](uint64_t v) {
            QByteArray b(8, '\0');
            for (int i = 0; i < 8; ++i) b[i] = char((v >> (8 * i)) & 0xff);
            return b;
        };
        out.push_back({QStringLiteral("older.rewrite"), QByteArray("Karuvel rewrite\n", 16) + number(uint64_t(r.size())) + number(0) + r});
        QByteArray header = QByteArray("Karuvel rewrite2", 16) + number(uint64_t(r.size())) + number(0) + number(1) + number(2) +
                            number(uint64_t(r.size())) + number(0) + QByteArray("0123456789abcdef") + number(0) + number(0);
        out.push_back({QStringLiteral("other.rewrite"), header + r});
    }
    return out;
}

void prepare(const QString& fuzzDir)
{
    World& w = world();
    if (w.fakes) return;
    w.fuzzDir = QDir::cleanPath(fuzzDir);
    w.scratch = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/karuvel-fuzz-XXXXXX"));
    const QString base = w.scratch->path() + QLatin1Char('/');
    w.appFolder = base + QStringLiteral("app/Karuvel/");
    w.root = base + QStringLiteral("root/");
    QDir().mkpath(w.appFolder);
    QDir().mkpath(w.root + QStringLiteral("Karuvel"));
    QDir().mkpath(w.root + QStringLiteral("音フォルダ"));
    for (const QString& f : schoolFileNames()) {
        const QByteArray bytes = readFile(w.fuzzDir + QStringLiteral("/school/") + f);
        if (bytes.isEmpty()) {
            std::fprintf(stderr, "karuvel fuzz: the fixed school lacks %s\n", qPrintable(f));
            std::abort();
        }
        w.schoolFiles.push_back(bytes);
    }
    w.schoolResults = w.schoolFiles[kResults];

    // The six maps, decoded once: every question file is checked against one.
    static std::map<QString, QImage> maps;
    for (int level = 1; level <= 12; level += 2) maps[mapKeyForLevel(level)] = mapImage(mapKeyForLevel(level));
    setMapImageSource([](const QString& key) {
        const auto it = maps.find(key);
        return it == maps.end() ? QImage() : it->second;
    });

    // The seams stay installed for the life of the process.
    w.fakes = new test::FakePlatform;
    restoreSchool();
    LoadConfigurationFrom(w.appFolder);
    applyLevelCatalogue();
    LoadRoster();
    signIn();
    RecountAll();
    readPupilBook(schoolPath(kRoster), state().SchoolYear.toInt(), &w.book);
}

} // namespace karuvel::fuzz
