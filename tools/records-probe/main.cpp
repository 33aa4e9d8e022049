// karuvel-records-probe: the results file of the school the path file names,
// through the program's own code (the path file as KARUVEL_PATH_FILE or beside
// the program folder, as for the program):
//   karuvel-records-probe append PUPIL LEVEL FIRST_TIME COUNT
//       stores COUNT runs of PUPIL on LEVEL, taking FIRST_TIME, FIRST_TIME+1, ... seconds
//   karuvel-records-probe rewrite PUPIL ADD
//       the records manager's change: every run of PUPIL takes ADD seconds more,
//       in one rewrite of the whole file under its lock
//   karuvel-records-probe dump
//       every record of the file, one a line: its 44 bytes in hex, then its fields
//   karuvel-records-probe watch
//       the records a PC holds after its activation ("pupil level time" a line,
//       then "--"), again after each line read from the standard input
// Ends with 0, or 1 and the reason on the standard error.
#include "frame/Configuration.h"
#include "frame/FileMessages.h"
#include "platform/Platform.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <iostream>
#include <string>

using namespace karuvel;

namespace {

// No box waits for a hand: a message is written out and the probe fails.
class ProbeMessages : public IMessageBox {
public:
    void inform(const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "karuvel-records-probe: %s: %s\n", qPrintable(title), qPrintable(text));
    }
    bool confirm(const QString& title, const QString& text, ConfirmButtons) override
    {
        inform(title, text);
        return false;
    }
};

// A failure of the results file is told as the program tells it, and ends the probe.
void must(const ResultsError& e)
{
    if (!e.ok()) stopOnResults(e);
}

void printHeld()
{
    for (const RecEntry& r : heldRecords()) std::printf("%d %d %d\n", r.pupil, r.level, int(r.time));
    std::printf("--\n");
    std::fflush(stdout);
}

int usage()
{
    std::fprintf(stderr, "usage: karuvel-records-probe append PUPIL LEVEL FIRST_TIME COUNT | rewrite PUPIL ADD | "
                         "dump | watch\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return usage();
    installRealPlatform();
    static ProbeMessages messages;
    platform().messages = &messages;
    try {
        LoadConfiguration();
        if (!OpenResults()) {
            std::fprintf(stderr, "karuvel-records-probe: the results file cannot be opened\n");
            return 1;
        }
        const QString& what = args[0];
        if (what == QStringLiteral("append") && args.size() == 5) {
            ProgramState& s = state();
            s.CurrentPupil = args[1].toInt();
            s.SelectedLevel = args[2].toInt();
            for (int i = 0; i < args[4].toInt(); ++i) {
                s.RunTime = args[3].toInt() + i;
                must(AppendResult());
            }
            return 0;
        }
        if (what == QStringLiteral("rewrite") && args.size() == 3) {
            const int pupil = args[1].toInt(), add = args[2].toInt();
            QString problem;
            const bool ok = updateResults(
                [pupil, add](std::vector<ResultRecordData>& records, QString*) {
                    for (ResultRecordData& r : records)
                        if (r.pupil == pupil) r.time += add;
                    return true;
                },
                &problem);
            if (!ok) std::fprintf(stderr, "karuvel-records-probe: %s\n", qPrintable(problem));
            return ok ? 0 : 1;
        }
        if (what == QStringLiteral("dump") && args.size() == 1) {
            std::vector<ResultRecordData> records;
            must(readAllResults(&records));
            for (const ResultRecordData& r : records) {
                const auto bytes = r.toBytes();
                std::printf("%s %d %d %d\n", QByteArray(bytes.data(), kRecordSize).toHex().constData(), r.pupil,
                            r.level, int(r.time));
            }
            return 0;
        }
        if (what == QStringLiteral("watch") && args.size() == 1) {
            must(LoadResults());
            printHeld();
            std::string line;
            while (std::getline(std::cin, line)) {
                must(refreshResults());
                printHeld();
            }
            return 0;
        }
    } catch (const ProgramEnded& e) {
        return e.code == 0 ? 1 : e.code;
    }
    return usage();
}
