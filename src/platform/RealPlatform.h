#pragma once
#include "platform/Platform.h"

#include <functional>

#include <random>

class QPrinter;

namespace karuvel {

class RealClock : public IClock {
public:
    RealClock();
    QDateTime now() const override;
    uint64_t tickMs() const override;
    void waitResponsive(int ms) override;
};

class RealRandom : public IRandom {
public:
    void seed(double value) override;
    double next() override;

private:
    std::mt19937_64 gen_{12345};
};

class RealMessageBox : public IMessageBox {
public:
    void inform(const QString& title, const QString& text) override;
    bool confirm(const QString& title, const QString& text, ConfirmButtons buttons) override;
};

class RealProgramEnd : public IProgramEnd {
public:
    void end(int exitCode) override;
};

class RealProcessStarter : public IProcessStarter {
public:
    bool exists(const QString& program) const override;
    bool start(const QString& program, const QStringList& arguments) override;
};

class RealFolderChooser : public IFolderChooser {
public:
    QString chooseFolder(const QString& title, const QString& startFolder) override;
};

// The user's own settings file: Karuvel/Karuvel.ini in the user's settings
// folder (~/.config on Linux, the roaming application data on Windows).
class RealLocalSettings : public ILocalSettings {
public:
    QString text(const QString& key) const override;
    void setText(const QString& key, const QString& value) override;
};

class RealPrinter : public IPrinter {
public:
    // How the teacher is asked before a job: the system's print dialog (printer,
    // copies, range of sheets) unless another is given. False = cancelled.
    using JobDialog = std::function<bool(QPrinter& printer, int sheets)>;
    explicit RealPrinter(JobDialog ask = {});
    ~RealPrinter() override;
    bool startJob(const QString& title, int sheets) override;
    bool printLines(const QStringList& lines, int pointSize) override;
    void newPage() override;
    bool printDrawing(const std::function<void(QPainter&, const QRectF&)>& draw, double minHeight) override;
    void endJob() override;

private:
    struct Job;
    Job* job_ = nullptr;
    bool cancelled_ = false;  // the teacher cancelled the job now being drawn
    JobDialog ask_;
    // Begins the job's drawing, or a new sheet of paper when one was asked for
    // since the last drawing. False when the printer cannot be drawn on.
    bool beginSheet();
};

} // namespace karuvel
