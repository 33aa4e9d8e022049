// karuvel-make-school: fills the results file of a data root made by
// karuvel-make-demo with years of runs of its pupils, appended one run at a
// time as the program appends them.
//   karuvel-make-school [--years N] [--records N] [--date YYYY-MM-DD] DATA_ROOT
#include "SchoolRuns.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    karuvel::school::SchoolShape shape;
    shape.today = QDate::currentDate();
    while (args.size() > 1 && args[0].startsWith(QStringLiteral("--"))) {
        if (args[0] == QStringLiteral("--years")) shape.years = args[1].toInt();
        else if (args[0] == QStringLiteral("--records")) shape.records = args[1].toLongLong();
        else if (args[0] == QStringLiteral("--date")) shape.today = QDate::fromString(args[1], Qt::ISODate);
        else break;
        args = args.mid(2);
    }
    if (args.size() != 1 || !shape.today.isValid() || shape.years < 1) {
        std::fprintf(stderr, "使い方: karuvel-make-school [--years N] [--records N] [--date YYYY-MM-DD] DATA_ROOT\n");
        return 2;
    }
    // The demo school's pupils who drill (numbers 1..44) and its two teachers.
    for (int p = 1; p <= 44; ++p)
        if (p != 4 && p != 10 && p != 18 && p != 28 && p != 39 && p != 44) shape.pupils.push_back(p);
    shape.teachers = {1001, 1002};
    QDir data(args[0]);
    const QStringList folders = data.entryList({QStringLiteral("*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    QString file;
    for (const QString& f : folders)
        if (QFile::exists(data.filePath(f + QStringLiteral("/タイム回数データ.txt"))))
            file = data.filePath(f + QStringLiteral("/成績累積データ.dat"));
    if (file.isEmpty()) {
        std::fprintf(stderr, "karuvel-make-school: 「%s」にプログラムのデータフォルダがありません。\n", qPrintable(args[0]));
        return 1;
    }
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    out.close();
    long long n = 0;
    // One append per run, as the program grows the file.
    QFile append(file);
    if (!append.open(QIODevice::Append | QIODevice::Unbuffered)) return 1;
    karuvel::school::forEachRun(shape, [&](const karuvel::ResultRecordData& r) {
        const auto b = r.toBytes();
        append.write(b.data(), karuvel::kRecordSize);
        ++n;
    });
    std::printf("%lld 件の記録を書きました: %s\n", n, qPrintable(file));
    return 0;
}
