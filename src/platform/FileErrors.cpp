#include "platform/FileErrors.h"

#include <QDir>
#include <QFileInfo>

namespace karuvel {

QString fileProblemText(const QString& fullPath, FileProblem problem)
{
    const QString name = QFileInfo(fullPath).fileName();
    const QString where = QDir::toNativeSeparators(QFileInfo(fullPath).absoluteFilePath());
    QString what;
    switch (problem) {
    case FileProblem::Missing: what = QStringLiteral("「%1」が見つかりません。").arg(name); break;
    case FileProblem::Unreadable: what = QStringLiteral("「%1」を読むことができません。").arg(name); break;
    case FileProblem::Short:
        what = QStringLiteral("「%1」の項目が足りません（ファイルが途中で終わっています）。").arg(name);
        break;
    case FileProblem::TooManyLevels:
        what = QStringLiteral("「%1」のレベルの行が多すぎます（35行まで）。").arg(name);
        break;
    case FileProblem::NotWritable: what = QStringLiteral("「%1」に書き込むことができません。").arg(name); break;
    case FileProblem::Malformed: what = QStringLiteral("「%1」の内容が正しくありません。").arg(name); break;
    }
    return what + QStringLiteral("\r\n") + where + QStringLiteral("\r\n先生を呼びなさい。");
}

} // namespace karuvel
