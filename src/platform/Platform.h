#pragma once
// The seams between the program and its machine: clock, random numbers,
// message boxes, program end, process start, sound and printer. Each is a
// small interface with a real implementation; tests install fakes.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>
#include <functional>

class QObject;
class QPainter;
class QRectF;

namespace karuvel {

class IClock {
public:
    virtual ~IClock() = default;
    virtual QDateTime now() const = 0;     // local date and time
    virtual uint64_t tickMs() const = 0;   // milliseconds since an arbitrary start
    // Waits while keeping the screen responsive (events are processed).
    virtual void waitResponsive(int ms) = 0;
    // Runs `f` once, `ms` milliseconds from now, on the user-interface thread,
    // unless `context` is gone by then (a single-shot timer; tests' clocks run
    // it when their time is moved on).
    virtual void after(int ms, QObject* context, std::function<void()> f);

    QDate today() const { return now().date(); }
    // The time of day in seconds since midnight, with a fraction.
    double secondsSinceMidnight() const;
    // Seconds on the monotonic clock (tickMs): what a duration is measured
    // on, unmoved by midnight or by a correction of the time of day.
    double monotonicSeconds() const { return double(tickMs()) / 1000.0; }
};

class IRandom {
public:
    virtual ~IRandom() = default;
    virtual void seed(double value) = 0;
    virtual double next() = 0;  // uniform in [0, 1)
};

enum class ConfirmButtons { YesNo, OkCancel };

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual void inform(const QString& title, const QString& text) = 0;
    // True for Yes / OK.
    virtual bool confirm(const QString& title, const QString& text, ConfirmButtons buttons) = 0;
};

// Thrown by the tests' program-end fake so that a test sees the end without exiting.
struct ProgramEnded : std::exception {
    int code;
    explicit ProgramEnded(int c) : code(c) {}
    const char* what() const noexcept override { return "program ended"; }
};

class IProgramEnd {
public:
    virtual ~IProgramEnd() = default;
    // Closes the windows and ends the process; a fake throws ProgramEnded.
    virtual void end(int exitCode) = 0;
};

class IProcessStarter {
public:
    virtual ~IProcessStarter() = default;
    virtual bool exists(const QString& program) const = 0;
    virtual bool start(const QString& program, const QStringList& arguments) = 0;
};

// Sounds play without holding the screen: start() returns at once and the
// player reports the end through `ended`, on the user-interface thread.
class ISoundPlayer {
public:
    // Called once per started sound: 0 when it has played to its end (or was
    // cut short by the next sound), anything else an error number.
    using Ended = std::function<void(int result)>;
    virtual ~ISoundPlayer() = default;
    // Starts a WAV file: 0 = playing (`ended` follows, possibly before start
    // returns), anything else an error number (nothing plays and `ended` is
    // never called). A sound still playing is cut short and reports its end.
    virtual int start(const QString& path, Ended ended) = 0;
    // The text of the last failure.
    virtual QString errorText(int code) const = 0;
};

class IPrinter {
public:
    virtual ~IPrinter() = default;
    // Asks the teacher before a job which printer, how many copies and which of
    // its `sheets` sheets of paper to print, and names the job `title` in the
    // printer's queue. False when the teacher cancelled: nothing is printed then
    // (the calls that follow draw nothing, and endJob ends nothing).
    virtual bool startJob(const QString& title, int sheets) = 0;
    virtual bool printLines(const QStringList& lines, int pointSize) = 0;
    // Starts a new sheet of paper in the job (nothing before the first line).
    virtual void newPage() = 0;
    // Draws a picture below what the sheet already holds: `draw` paints into
    // the rectangle it is given, in units of a page kPrintPageWidth wide (96
    // to the inch), which is the rest of the sheet, or a fresh sheet when less
    // than `minHeight` units are left.
    virtual bool printDrawing(const std::function<void(QPainter&, const QRectF&)>& draw, double minHeight) = 0;
    virtual void endJob() = 0;
};
// The width of a printed page in the units printDrawing paints in.
constexpr double kPrintPageWidth = 718.0;

// The folder chooser: where a teacher saves a file made for them.
class IFolderChooser {
public:
    virtual ~IFolderChooser() = default;
    // The folder chosen, or an empty text when the teacher cancelled.
    virtual QString chooseFolder(const QString& title, const QString& startFolder) = 0;
};

// What this PC remembers for its teachers from one start to the next (the
// folder they last saved a file in): a small file of the user's own, never
// in the shared data folder, since every PC has its own folders.
class ILocalSettings {
public:
    virtual ~ILocalSettings() = default;
    // The text kept under `key`, or an empty text.
    virtual QString text(const QString& key) const = 0;
    virtual void setText(const QString& key, const QString& value) = 0;
};

struct Platform {
    IClock* clock = nullptr;
    IRandom* random = nullptr;
    IMessageBox* messages = nullptr;
    IProgramEnd* programEnd = nullptr;
    IProcessStarter* processes = nullptr;
    ISoundPlayer* sound = nullptr;
    IPrinter* printer = nullptr;
    IFolderChooser* folders = nullptr;
    ILocalSettings* settings = nullptr;
};

// The seams in force; the real ones until something else is installed.
Platform& platform();
// Installs the real implementations (the program's start).
void installRealPlatform();

// Shorthands used throughout the program.
inline IClock& clock() { return *platform().clock; }
inline IRandom& rnd() { return *platform().random; }
inline IMessageBox& messages() { return *platform().messages; }
// Asks for the folder to save a file in, opening the chooser in the folder
// last chosen for the same `kind` of file on this PC (the home folder the
// first time, or when that folder is gone) and remembering the choice. An
// empty text when the teacher cancelled.
QString chooseSaveFolder(const QString& title, const QString& kind);
// Shows nothing; ends the program through the seam. Never returns.
[[noreturn]] void endProgram(int exitCode);
// Lets the user-interface queue process pending events.
void yieldEvents();

} // namespace karuvel
