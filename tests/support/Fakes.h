#pragma once
// Fakes for the platform seams: tests never block, never sleep for real
// seconds and never end the test process.
#include "platform/Platform.h"
#include "state/ProgramState.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QPair>
#include <QPointer>
#include <deque>
#include <functional>
#include <map>

namespace karuvel::test {

class FakeClock : public IClock {
public:
    QDateTime current = QDateTime(QDate(2026, 12, 10), QTime(10, 0, 0));
    uint64_t ticks = 1000;
    int waitedMs = 0;
    std::function<void(int)> onWait;  // runs while "waiting"

    QDateTime now() const override { return current; }
    uint64_t tickMs() const override { return ticks; }
    void waitResponsive(int ms) override;
    // Timers of after() run when advanceMs reaches their time, in time order.
    void after(int ms, QObject* context, std::function<void()> f) override;
    void advanceMs(int ms);
    // Timers set and not yet run.
    int pendingTimers() const { return int(timers_.size()); }

private:
    struct Timer {
        uint64_t due;
        QPointer<QObject> context;
        std::function<void()> f;
    };
    std::vector<Timer> timers_;
};

class FakeRandom : public IRandom {
public:
    std::deque<double> queue;  // values handed out first, then a fixed sequence
    double seeded = -1;
    void seed(double v) override { seeded = v; }
    double next() override;

private:
    uint64_t s_ = 88172645463325252ull;
};

class FakeMessageBox : public IMessageBox {
public:
    QList<QPair<QString, QString>> shown;  // (title, text)
    bool answer = true;
    void inform(const QString& title, const QString& text) override { shown.append({title, text}); }
    bool confirm(const QString& title, const QString& text, ConfirmButtons) override
    {
        shown.append({title, text});
        return answer;
    }
};

class FakeProgramEnd : public IProgramEnd {
public:
    int calls = 0;
    int lastCode = 0;
    void end(int exitCode) override
    {
        ++calls;
        lastCode = exitCode;
        throw ProgramEnded(exitCode);
    }
};

class FakeProcessStarter : public IProcessStarter {
public:
    bool present = true;
    QList<QPair<QString, QStringList>> started;
    bool exists(const QString&) const override { return present; }
    bool start(const QString& program, const QStringList& args) override
    {
        started.append({program, args});
        return present;
    }
};

// Plays nothing and never sleeps: a sound that starts ends at once (before
// start returns), or, with endAtOnce false, when the test calls finish().
class FakeSoundPlayer : public ISoundPlayer {
public:
    QStringList played;
    std::deque<int> results;  // start results handed out in order; 0 when empty
    bool endAtOnce = true;
    int start(const QString& path, Ended ended) override;
    QString errorText(int code) const override { return QStringLiteral("fake error %1").arg(code); }
    // Whether a sound is playing (only with endAtOnce false).
    bool playing() const { return bool(ended_); }
    // Ends the sound playing now with the given result.
    void finish(int result = 0);

private:
    Ended ended_;
};

class FakePrinter : public IPrinter {
public:
    QStringList printed;
    int jobsEnded = 0;
    int newPages = 0;
    // The jobs asked for (their names and sheets) and what the teacher answers.
    QStringList jobTitles;
    std::vector<int> jobSheets;
    bool teacherPrints = true;
    bool startJob(const QString& title, int sheets) override
    {
        jobTitles << title;
        jobSheets.push_back(sheets);
        return teacherPrints;
    }
    bool printLines(const QStringList& lines, int) override
    {
        printed += lines;
        return true;
    }
    void newPage() override { ++newPages; }
    // Each drawing is painted into an image of a whole page, so that a fault
    // in the painting shows in the test; the images are kept.
    std::vector<QImage> drawings;
    bool printDrawing(const std::function<void(QPainter&, const QRectF&)>& draw, double minHeight) override;
    void endJob() override { ++jobsEnded; }
};

class FakeFolderChooser : public IFolderChooser {
public:
    QString folder;  // what the teacher "chooses"; empty = cancel
    QStringList asked;
    QStringList startedIn;  // the folder each choice opened in
    QString chooseFolder(const QString& title, const QString& start) override
    {
        asked << title;
        startedIn << start;
        return folder;
    }
};

// The PC's settings file, kept in memory for a test.
class FakeLocalSettings : public ILocalSettings {
public:
    std::map<QString, QString> values;
    QString text(const QString& key) const override
    {
        const auto it = values.find(key);
        return it == values.end() ? QString() : it->second;
    }
    void setText(const QString& key, const QString& value) override { values[key] = value; }
};

// Installs fresh fakes for the lifetime of the object and a fresh program state.
class FakePlatform {
public:
    FakePlatform();
    ~FakePlatform();
    FakeClock clock;
    FakeRandom random;
    FakeMessageBox messages;
    FakeProgramEnd programEnd;
    FakeProcessStarter processes;
    FakeSoundPlayer sound;
    FakePrinter printer;
    FakeFolderChooser folders;
    FakeLocalSettings settings;

private:
    Platform saved_;
};

} // namespace karuvel::test
