#include "frame/SetAsideNotice.h"

#include "platform/Platform.h"
#include "platform/RecordFile.h"

#include <QDir>
#include <QStringList>

namespace karuvel {

void tellSetAsideJournals()
{
    const std::vector<std::filesystem::path> kept = takeSetAsideJournals();
    if (kept.empty()) return;
    QStringList names;
    for (const std::filesystem::path& p : kept) names << QDir::toNativeSeparators(fromFsPath(p));
    messages().inform(QStringLiteral("お知らせ"),
                      QStringLiteral("成績ファイルの横に、このファイルのためのものではない書き換えの記録がありました。"
                                     "成績ファイルには使わず、次の名前で残しました。") +
                          QStringLiteral("\r\n") + names.join(QStringLiteral("\r\n")) +
                          QStringLiteral("\r\n記録されている成績は変わっていません。"
                                         "残したファイルは、内容を確かめてから削除してかまいません。"
                                         "\r\n先生に知らせてください。"));
}

} // namespace karuvel
