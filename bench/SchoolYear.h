#pragma once
// A synthetic results file for the benchmarks: a school's year of runs on 12
// levels, one in 50 a time over, written once per size into a folder of its
// own that lives as long as the benchmark program.
//
// The file grows by one 44-byte append per run, as a school's file does.
// How a file was written decides how the system keeps it in its cache: one
// written in large pieces (a copy, a rewrite in one go) lies there in large
// pages, one grown by small appends in 4 KiB pages, and reading it costs
// more per byte, by read(2) as well as through a view of it in memory.
#include "records/ResultsFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <random>
#include <vector>

namespace karuvel::bench {

// The runs of a school's year, their bytes in file order.
inline std::vector<char> schoolYearBytes(int records, double today, int pupils)
{
    std::mt19937 gen{uint32_t(records)};
    std::vector<char> bytes;
    bytes.reserve(size_t(records) * kRecordSize);
    for (int i = 0; i < records; ++i) {
        ResultRecordData r;
        r.date = today - double(gen() % 365);
        r.clock = double(gen() % 86400) / 86400.0;
        r.pupil = int16_t(1 + gen() % uint32_t(pupils));
        r.level = int16_t(1 + gen() % 12);
        r.time = gen() % 50 == 0 ? 99999 : int32_t(20 + gen() % 400);
        const auto b = r.toBytes();
        bytes.insert(bytes.end(), b.begin(), b.end());
    }
    return bytes;
}

// Writes the bytes to a new file at path, one record per append (inOnePiece:
// in one write, as a copy or a rewrite writes it). False on a failure.
inline bool writeResultsFile(const QString& path, const std::vector<char>& bytes, bool inOnePiece = false)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
    if (fd < 0) return false;
    bool ok = true;
    const size_t piece = inOnePiece ? bytes.size() : size_t(kRecordSize);
    for (size_t at = 0; ok && at < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + at, std::min(piece, bytes.size() - at));
        ok = n > 0;
        if (ok) at += size_t(n);
    }
    return ::close(fd) == 0 && ok;
}

// The folder (ending in '/') that holds "成績累積データ.dat" with `records`
// runs of pupils 1..pupils, dated up to 364 days before `today`, grown by appends.
inline QString schoolYearFolder(int records, double today, int pupils)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> dirs;
    auto& d = dirs[records];
    if (d) return d->path() + QLatin1Char('/');
    d = std::make_unique<QTemporaryDir>();
    const QString folder = d->path() + QLatin1Char('/');
    writeResultsFile(folder + QStringLiteral("成績累積データ.dat"), schoolYearBytes(records, today, pupils));
    return folder;
}

} // namespace karuvel::bench
