// karuvel-make-demo: prepares the demo school's data root, or writes the path
// file that names a data root.
//   karuvel-make-demo [--date YYYY-MM-DD] DATA_ROOT
//   karuvel-make-demo --path-file FILE DATA_ROOT
#include "DemoSchool.h"

#include <QCoreApplication>
#include <QDate>
#include <QStringList>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "karuvel-make-demo: %s\n", message.toUtf8().constData());
    return 1;
}

int usage()
{
    std::fprintf(stderr,
                 "使い方 (usage):\n"
                 "  karuvel-make-demo [--date YYYY-MM-DD] DATA_ROOT   デモの学校のデータフォルダを作ります\n"
                 "  karuvel-make-demo --path-file FILE DATA_ROOT      パスデータ.txt を書きます\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    if (!args.isEmpty() && args[0] == QStringLiteral("--path-file")) {
        if (args.size() != 3) return usage();
        const QString err = karuvel::demo::writePathFile(args[1], args[2]);
        return err.isEmpty() ? 0 : fail(err);
    }

    QDate today = QDate::currentDate();
    QStringList rest = args;
    if (!rest.isEmpty() && rest[0] == QStringLiteral("--date")) {
        if (rest.size() < 2) return usage();
        today = QDate::fromString(rest[1], Qt::ISODate);
        if (!today.isValid()) return fail(QStringLiteral("日付「%1」が正しくありません（YYYY-MM-DD）。").arg(rest[1]));
        rest = rest.mid(2);
    }
    if (rest.size() != 1 || rest[0].startsWith(QStringLiteral("--"))) return usage();

    const QString err = karuvel::demo::makeDemoSchool(rest[0], today);
    if (!err.isEmpty()) return fail(err);
    std::printf("デモの学校を作りました: %s\n", rest[0].toUtf8().constData());
    return 0;
}
