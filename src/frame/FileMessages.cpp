#include "frame/FileMessages.h"

#include "platform/Platform.h"
#include "records/Criteria.h"

#include <QDir>
#include <QFileInfo>

namespace karuvel {

namespace {

QString displayPath(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

const QString kNewLine = QStringLiteral("\r\n");

} // namespace

QString resultsStopText(const ResultsError& e)
{
    switch (e.kind) {
    case ResultsError::Kind::None: return {};
    case ResultsError::Kind::NotStored: {
        QString text = QStringLiteral("「%1」に成績を記録できません。").arg(QFileInfo(e.path).fileName()) + kNewLine +
                       displayPath(e.path) + kNewLine + e.text;
        if (e.number != 0) text += QStringLiteral("（エラー番号 %1）").arg(e.number);
        return text + QStringLiteral("\r\n先生を呼びなさい。");
    }
    case ResultsError::Kind::NotFound:
    case ResultsError::Kind::Unreadable: break;
    }
    // The file at fault: the results file, or what lies beside it.
    const QString& path = e.fault.isEmpty() ? e.path : e.fault;
    if (e.kind == ResultsError::Kind::NotFound) {
        return QStringLiteral("ファイルがありません") + kNewLine + displayPath(path) + kNewLine + QString::number(e.step) +
               QStringLiteral(" ") + e.text + QStringLiteral(" ") + QString::number(e.number);
    }
    return QStringLiteral("成績ランダムファイル表示 ") + QString::number(e.step) + QStringLiteral(" ") +
           QString::number(e.number) + QStringLiteral(" ") + e.text + QStringLiteral(" ") + QString::number(e.number) +
           QStringLiteral(" line") + QString::number(e.step) + kNewLine +
           QStringLiteral("「%1」を読むことができません。").arg(QFileInfo(path).fileName()) + kNewLine +
           displayPath(path) + QStringLiteral("\r\n先生を呼びなさい。");
}

QString resultsViewText(const ResultsError& e)
{
    const QString fault = e.fault.isEmpty() ? QString() : kNewLine + displayPath(e.fault);
    return QStringLiteral("先生を呼びなさい") + fault + kNewLine + e.text + QStringLiteral(" ") + QString::number(e.number);
}

void stopOnResults(const ResultsError& e)
{
    messages().inform(QStringLiteral("エラー"), resultsStopText(e));
    endProgram(1);
}

void tellResults(const ResultsError& e) { messages().inform(QStringLiteral("エラー"), resultsViewText(e)); }

void failOnFile(const QString& fullPath, FileProblem problem)
{
    messages().inform(QStringLiteral("エラー"), fileProblemText(fullPath, problem));
    endProgram(1);
}

void LoadCriteria(const QString& path)
{
    switch (readCriteria(path)) {
    case CriteriaLoad::Ok: return;
    case CriteriaLoad::Missing: failOnFile(path, FileProblem::Missing);
    case CriteriaLoad::Unreadable: failOnFile(path, FileProblem::Unreadable);
    case CriteriaLoad::Short: failOnFile(path, FileProblem::Short);
    case CriteriaLoad::TooManyLevels: failOnFile(path, FileProblem::TooManyLevels);
    }
}

} // namespace karuvel
