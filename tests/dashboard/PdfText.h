#pragma once
// Reading back the PDF files the program writes, with poppler's pdftotext
// and pdfinfo (poppler-utils, listed in packages.txt).
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace karuvel::test {

// The text of a PDF's page (1-based), or of the whole file for page 0.
inline QString pdfText(const QString& path, int page = 0)
{
    // The layout mode keeps each line of the page on one line of text.
    QStringList args{QStringLiteral("-layout")};
    if (page > 0) args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    args << QStringLiteral("-enc") << QStringLiteral("UTF-8") << path << QStringLiteral("-");
    QProcess run;
    run.start(QStringLiteral("pdftotext"), args);
    run.waitForFinished(60000);
    return QString::fromUtf8(run.readAllStandardOutput());
}

inline int pdfPages(const QString& path)
{
    QProcess run;
    run.start(QStringLiteral("pdfinfo"), {path});
    run.waitForFinished(60000);
    for (const QString& line : QString::fromUtf8(run.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("Pages:"))) return line.mid(6).trimmed().toInt();
    }
    return -1;
}

// Text without any blank (the PDF's text keeps the words, not the spacing).
inline QString squeezed(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("[\\s\\x{3000}]")));
    return text;
}

} // namespace karuvel::test
