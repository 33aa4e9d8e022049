// The program's start against a plain Qt hello window started the same way
// (hello_window: a full-screen label), both launched afresh in turn in the
// same iterations, each timed from its launch to its first frame drawn (the
// "drawn" lines of KARUVEL_SCREEN_LOG: the program's own processor time and
// the monotonic clock at that frame), and the same for a school of 1M records.
// The screens are drawn where QT_QPA_PLATFORM says (offscreen unless set;
// run under a virtual X server for the real thing, e.g.
// `xvfb-run -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb build/bench/bench_first_screen`).
// Counters (ms, medians): hello, splash (the program's first screen,
// Firstfrm), namesel (the name selection, the first screen a pupil uses:
// configuration, records and roster read), million_namesel (the same with a
// results file of 1M records grown by appends), each with *_cpu (processor
// time); ratios per pair, their median, least and greatest:
// splash_over_hello, namesel_over_hello, namesel_over_hello_cpu,
// million_over_demo, million_over_demo_cpu.
#include "SchoolYear.h"
#include "Spread.h"
#include "platform/Calendar.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace karuvel;

namespace {

// Pupils of the demo school that the 1M records belong to.
constexpr int kPupils = 60;

// A school for the program: its own program folder (a copy of the built one),
// the path file beside it, and the data root it names.
struct School {
    QString program;  // the executable
    bool made = false;
};

bool copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files)) {
        if (!QFile::copy(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name)) return false;
        QFile(to + QLatin1Char('/') + name).setPermissions(QFile(from + QLatin1Char('/') + name).permissions());
    }
    return true;
}

bool run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// records: 0 for the demo school as made, else a results file of that many runs.
School makeSchool(const QString& where, int records)
{
    School s;
    const QString programFolder = QFileInfo(QStringLiteral(KARUVEL_PROGRAM)).absolutePath();
    const QString folder = where + QStringLiteral("/Karuvel");
    const QString root = where + QStringLiteral("/school");
    if (!copyFolder(programFolder, folder)) return s;
    if (!run(QStringLiteral(KARUVEL_MAKE_DEMO), {root})) return s;
    if (!run(QStringLiteral(KARUVEL_MAKE_DEMO), {QStringLiteral("--path-file"), where + QStringLiteral("/パスデータ.txt"), root}))
        return s;
    if (records > 0) {
        const QString file = root + QStringLiteral("/Karuvel/成績累積データ.dat");
        if (!bench::writeResultsFile(file, bench::schoolYearBytes(records, toOleDate(QDate::currentDate()), kPupils)))
            return s;
    }
    s.program = folder + QLatin1Char('/') + QFileInfo(QStringLiteral(KARUVEL_PROGRAM)).fileName();
    s.made = true;
    return s;
}

struct Drawn {
    double ms = -1;     // from the launch to the frame
    double cpuMs = -1;  // the process's processor time at the frame
};

// Launches the program with a fresh screen log and waits for the "drawn"
// lines of the names given (a minute at most), then ends it.
std::map<std::string, Drawn> launch(const QString& program, const QString& log, const std::vector<std::string>& names)
{
    QFile::remove(log);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "KARUVEL_SCREEN_LOG=", 19) != 0) env.emplace_back(*e);
    env.push_back("KARUVEL_SCREEN_LOG=" + log.toStdString());
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string path = QFile::encodeName(program).toStdString();
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const double launched =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
    pid_t pid = 0;
    std::map<std::string, Drawn> out;
    if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, envp.data()) != 0) return out;
    posix_spawn_file_actions_destroy(&actions);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (out.size() < names.size() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> w = line.split(' ');
            if (w.size() != 4 || w[0] != "drawn") continue;
            const std::string name = w[1].toStdString();
            if (std::find(names.begin(), names.end(), name) == names.end() || out.count(name)) continue;
            out[name] = Drawn{w[3].toDouble() - launched, w[2].toDouble()};
        }
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return out;
}

using Pairs = karuvel::bench::Spread;

void BM_FirstScreen(benchmark::State& st)
{
    QTemporaryDir dir;
    const School demo = makeSchool(dir.path() + QStringLiteral("/demo"), 0);
    const School million = makeSchool(dir.path() + QStringLiteral("/million"), 1000000);
    if (!demo.made || !million.made) {
        st.SkipWithError("the schools could not be made");
        return;
    }
    const QString log = dir.path() + QStringLiteral("/screens.log");
    std::map<std::string, Pairs> f;
    for (auto _ : st) {
        auto hello = launch(QStringLiteral(KARUVEL_HELLO_WINDOW), log, {"hello"});
        auto a = launch(demo.program, log, {"Firstfrm", "namesel"});
        auto b = launch(million.program, log, {"Firstfrm", "namesel"});
        if (!hello.count("hello") || a.size() != 2 || b.size() != 2) {
            st.SkipWithError("a first screen never came");
            return;
        }
        st.SetIterationTime((a["namesel"].ms) / 1000.0);
        f["hello"].v.push_back(hello["hello"].ms);
        f["hello_cpu"].v.push_back(hello["hello"].cpuMs);
        f["splash"].v.push_back(a["Firstfrm"].ms);
        f["splash_cpu"].v.push_back(a["Firstfrm"].cpuMs);
        f["namesel"].v.push_back(a["namesel"].ms);
        f["namesel_cpu"].v.push_back(a["namesel"].cpuMs);
        f["million_namesel"].v.push_back(b["namesel"].ms);
        f["million_namesel_cpu"].v.push_back(b["namesel"].cpuMs);
        f["splash_over_hello"].v.push_back(a["Firstfrm"].ms / hello["hello"].ms);
        f["splash_over_hello_cpu"].v.push_back(a["Firstfrm"].cpuMs / hello["hello"].cpuMs);
        f["namesel_over_hello"].v.push_back(a["namesel"].ms / hello["hello"].ms);
        f["namesel_over_hello_cpu"].v.push_back(a["namesel"].cpuMs / hello["hello"].cpuMs);
        f["million_over_demo"].v.push_back(b["namesel"].ms / a["namesel"].ms);
        f["million_over_demo_cpu"].v.push_back(b["namesel"].cpuMs / a["namesel"].cpuMs);
    }
    for (const auto& [name, pairs] : f) pairs.put(st, name);
}

BENCHMARK(BM_FirstScreen)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
