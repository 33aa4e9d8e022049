#include "platform/RealPlatform.h"

#ifdef _WIN32
#include "platform/SoundPlayerWin.h"
#else
#include "platform/SoundPlayer.h"
#endif

#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace karuvel {

void IClock::after(int ms, QObject* context, std::function<void()> f) { QTimer::singleShot(ms, context, std::move(f)); }

double IClock::secondsSinceMidnight() const
{
    const QTime t = now().time();
    return t.msecsSinceStartOfDay() / 1000.0;
}

namespace {
QElapsedTimer& monotonic()
{
    static QElapsedTimer t = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    return t;
}
} // namespace

RealClock::RealClock() { monotonic(); }

QDateTime RealClock::now() const { return QDateTime::currentDateTime(); }

uint64_t RealClock::tickMs() const { return uint64_t(monotonic().elapsed()); }

void RealClock::waitResponsive(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

void RealRandom::seed(double value)
{
    gen_.seed(static_cast<uint64_t>(value * 1000.0) ^ 0x9E3779B97F4A7C15ull);
}

double RealRandom::next()
{
    // 53 random bits: uniform in [0, 1), never 1.
    return double(gen_() >> 11) * (1.0 / 9007199254740992.0);
}

void RealMessageBox::inform(const QString& title, const QString& text)
{
    // Also on the standard error, so that a start without a screen shows why it stopped.
    std::fprintf(stderr, "%s: %s\n", title.toUtf8().constData(), text.toUtf8().constData());
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool RealMessageBox::confirm(const QString& title, const QString& text, ConfirmButtons buttons)
{
    auto b = buttons == ConfirmButtons::YesNo ? (QMessageBox::Yes | QMessageBox::No)
                                              : (QMessageBox::Ok | QMessageBox::Cancel);
    QMessageBox box(QMessageBox::Question, title, text, b, QApplication::activeWindow());
    const int r = box.exec();
    return r == QMessageBox::Yes || r == QMessageBox::Ok;
}

void RealProgramEnd::end(int exitCode)
{
    if (QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        for (QWidget* w : app->topLevelWidgets()) w->hide();
    }
    std::fflush(nullptr);
    std::exit(exitCode);
}

bool RealProcessStarter::exists(const QString& program) const { return QFileInfo(program).isFile(); }

bool RealProcessStarter::start(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments, QFileInfo(program).absolutePath());
}

struct RealPrinter::Job {
    QPrinter printer;
    QPainter painter;
    int y = 0;  // how far down the current sheet is drawn, in printer pixels
    bool begun = false;
    int sheet = 1;          // the caller's sheet being drawn, from 1
    bool breakDue = false;  // a new sheet was asked for after something was drawn
    int from = 0, to = 0;   // the sheets the teacher chose; 0 = all
    bool wanted() const { return from == 0 || (sheet >= from && sheet <= to); }
};

namespace {
bool askWithPrintDialog(QPrinter& printer, int sheets)
{
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(QStringLiteral("印刷"));
    dialog.setMinMax(1, std::max(1, sheets));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, sheets > 1);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    return dialog.exec() == QDialog::Accepted;
}
} // namespace

RealPrinter::RealPrinter(JobDialog ask) : ask_(ask ? std::move(ask) : JobDialog(askWithPrintDialog)) {}

RealPrinter::~RealPrinter() { endJob(); }

bool RealPrinter::startJob(const QString& title, int sheets)
{
    endJob();
    job_ = new Job;
    job_->printer.setDocName(title);
    job_->printer.setFromTo(0, 0);
    if (!ask_(job_->printer, sheets)) {
        delete job_;
        job_ = nullptr;
        cancelled_ = true;
        return false;
    }
    cancelled_ = false;
    if (job_->printer.printRange() == QPrinter::PageRange && job_->printer.fromPage() > 0) {
        job_->from = job_->printer.fromPage();
        job_->to = std::max(job_->from, job_->printer.toPage());
    }
    return true;
}

bool RealPrinter::beginSheet()
{
    if (!job_) job_ = new Job;  // a job without startJob: all sheets, no dialog
    if (!job_->begun) {
        if (!job_->painter.begin(&job_->printer)) return false;
        job_->begun = true;
        job_->y = 0;
    } else if (job_->breakDue) {
        job_->printer.newPage();
        job_->y = 0;
    }
    job_->breakDue = false;
    return true;
}

bool RealPrinter::printLines(const QStringList& lines, int pointSize)
{
    if (cancelled_ || (job_ && !job_->wanted())) return true;  // cancelled, or a sheet left out
    if (!beginSheet()) return false;
    QFont f(QStringLiteral("IPAGothic"), pointSize);
    job_->painter.setFont(f);
    const int lineHeight = job_->painter.fontMetrics().lineSpacing();
    const int pageHeight = job_->printer.pageLayout().paintRectPixels(job_->printer.resolution()).height();
    for (const QString& l : lines) {
        if (job_->y + lineHeight > pageHeight) {
            job_->printer.newPage();
            job_->y = 0;
        }
        job_->y += lineHeight;
        job_->painter.drawText(0, job_->y, l);
    }
    return true;
}

bool RealPrinter::printDrawing(const std::function<void(QPainter&, const QRectF&)>& draw, double minHeight)
{
    if (cancelled_ || (job_ && !job_->wanted())) return true;  // cancelled, or a sheet left out
    if (!beginSheet()) return false;
    const QRect paper = job_->printer.pageLayout().paintRectPixels(job_->printer.resolution());
    const double scale = paper.width() / kPrintPageWidth;
    if (scale <= 0) return false;
    double left = (paper.height() - job_->y) / scale;
    if (job_->y > 0 && left < minHeight) {
        job_->printer.newPage();
        job_->y = 0;
        left = paper.height() / scale;
    }
    QPainter& p = job_->painter;
    p.save();
    p.translate(0, job_->y);
    p.scale(scale, scale);
    draw(p, QRectF(0, 0, kPrintPageWidth, left));
    p.restore();
    job_->y = paper.height();  // the drawing takes the rest of the sheet
    return true;
}

void RealPrinter::newPage()
{
    if (!job_) return;
    // The next sheet: a sheet of paper is started when something is drawn on it.
    ++job_->sheet;
    if (job_->begun && job_->y > 0) job_->breakDue = true;
}

void RealPrinter::endJob()
{
    if (job_ && job_->begun) job_->painter.end();
    delete job_;
    job_ = nullptr;
    cancelled_ = false;
}

QString RealFolderChooser::chooseFolder(const QString& title, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, startFolder);
}

namespace {
const QString kSettingsFolder = QStringLiteral("Karuvel");
const QString kSettingsName = QStringLiteral("Karuvel");
} // namespace

// Opened for each read and write: a value written shows in the file at once.
QString RealLocalSettings::text(const QString& key) const
{
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, kSettingsFolder, kSettingsName);
    return settings.value(key).toString();
}

void RealLocalSettings::setText(const QString& key, const QString& value)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, kSettingsFolder, kSettingsName);
    settings.setValue(key, value);
}

QString chooseSaveFolder(const QString& title, const QString& kind)
{
    IFolderChooser* chooser = platform().folders;
    if (!chooser) return {};
    ILocalSettings* settings = platform().settings;
    const QString key = QStringLiteral("SaveFolders/") + kind;
    const QString last = settings ? settings->text(key) : QString();
    const QString start = !last.isEmpty() && QDir(last).exists() ? last : QDir::homePath();
    const QString folder = chooser->chooseFolder(title, start);
    if (!folder.isEmpty() && settings) settings->setText(key, folder);
    return folder;
}

Platform& platform()
{
    static Platform p;
    return p;
}

void installRealPlatform()
{
    static RealClock clock;
    static RealRandom random;
    static RealMessageBox boxes;
    static RealProgramEnd end;
    static RealProcessStarter processes;
    static RealPrinter printer;
    static RealFolderChooser folders;
    static RealLocalSettings settings;
    Platform& p = platform();
    p.clock = &clock;
    p.random = &random;
    p.messages = &boxes;
    p.programEnd = &end;
    p.processes = &processes;
    p.printer = &printer;
    p.folders = &folders;
    p.settings = &settings;
    p.sound = &realSoundPlayer();
#ifdef SIGXFSZ
    // A write past the system's file-size limit must fail like any other
    // write (and be told as such), not end the program in the middle of a
    // record.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

void endProgram(int exitCode)
{
    platform().programEnd->end(exitCode);
    std::abort();  // an end that returned: never continue after it
}

void yieldEvents()
{
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

} // namespace karuvel
