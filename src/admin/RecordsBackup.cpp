#include "admin/RecordsBackup.h"

#include "platform/Platform.h"
#include "platform/RecordFile.h"
#include "records/ResultsFile.h"

#include <QDir>
#include <QFileInfo>
#include <vector>

namespace karuvel {

namespace {

constexpr int kBusyWaitMs = 1000;
constexpr int kBusyTries = 60;

QString shown(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

QString fileProblem(const QString& path, const QString& what, int number, const std::string& text)
{
    QString out = QStringLiteral("「%1」%2").arg(QFileInfo(path).fileName(), what) + QStringLiteral("\r\n") + shown(path);
    if (!text.empty()) out += QStringLiteral("\r\n") + fromUtf8(text);
    if (number != 0) out += QStringLiteral("（エラー番号 %1）").arg(number);
    return out;
}

// The whole file as it is, read under the shared lock; the lock is let go
// before this returns.
bool readUnderLock(const QString& path, std::vector<char>* bytes, QString* problem)
{
    for (int tries = 1;; ++tries) {
        RecordFile f;
        if (!f.open(toFsPath(path), RecordFile::Mode::Read)) {
            *problem = fileProblem(path, QStringLiteral("を開くことができません。"), f.errorNumber(), f.errorText());
            return false;
        }
        bool unfinished = false;
        std::filesystem::path fault;
        const LockResult locked = lockForReading(f, false, &unfinished, &fault);
        if (locked == LockResult::Busy || unfinished) {
            if (tries >= kBusyTries) {
                const QString at = fault.empty() ? path : fromFsPath(fault);
                *problem = unfinished ? fileProblem(at, QStringLiteral("を読むことができません。"), f.errorNumber(), f.errorText())
                                      : QStringLiteral("「%1」は他のパソコンが使用中です。").arg(QFileInfo(path).fileName()) +
                                            QStringLiteral("\r\n") + shown(path) +
                                            QStringLiteral("\r\nしばらくしてから、もう一度やって下さい。");
                return false;
            }
            f.close();
            clock().waitResponsive(kBusyWaitMs);
            continue;
        }
        // (A file system without locks is read without one.)
        const int64_t size = f.size();
        int64_t got = 0;
        if (size >= 0) bytes->resize(size_t(size));
        if (size < 0 || (size > 0 && (!f.readAt(0, bytes->data(), size, &got) || got != size))) {
            *problem = fileProblem(path, QStringLiteral("を読むことができません。"), f.errorNumber(), f.errorText());
            return false;
        }
        return true;
    }
}

} // namespace

QString backupFileName(const QDateTime& when)
{
    return QStringLiteral("成績累積データ_") + when.toString(QStringLiteral("yyyy-MM-dd_HHmmss")) + QStringLiteral(".dat");
}

bool backupResults(const QString& folder, const QDateTime& when, QString* saved, QString* problem)
{
    std::vector<char> bytes;
    if (!readUnderLock(resultsFilePath(), &bytes, problem)) return false;
    // Written with no lock held: the copy is already whole in memory.
    const QDir dir(folder);
    QString path = dir.filePath(backupFileName(when));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(backupFileName(when).chopped(4) + QStringLiteral("_%1.dat").arg(n));
    FileFailure failure;
    if (!writeWholeFile(toFsPath(path), bytes.data(), int64_t(bytes.size()), &failure)) {
        *problem = fileProblem(path, QStringLiteral("に書き込めませんでした。"), failure.number, failure.text) +
                   QStringLiteral("\r\nフォルダーに書き込めるか、空きがあるかを確かめて下さい。");
        return false;
    }
    *saved = path;
    return true;
}

} // namespace karuvel
