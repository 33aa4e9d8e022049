#pragma once
// What the teacher reads when a data file cannot be used, and the program's
// end that follows. The records and platform layers only report what failed;
// the screens decide here whether the program goes on.
#include "platform/FileErrors.h"
#include "records/ResultsFile.h"

#include <QString>

namespace karuvel {

// The message of a results file failure that ends the program: a read's
// ("ファイルがありません" / "成績ランダムファイル表示 …") or a run's append
// ("「…」に成績を記録できません。"), naming the file, ending "先生を呼びなさい。"
// where the teacher must come.
QString resultsStopText(const ResultsError& e);
// The message of a read failure a view goes on after, without the records:
// "先生を呼びなさい", the file at fault when it is not the results file, the
// system's description and number.
QString resultsViewText(const ResultsError& e);

// Shows resultsStopText (title "エラー") and ends the program. Never returns.
[[noreturn]] void stopOnResults(const ResultsError& e);
// Shows resultsViewText (title "エラー"); the caller goes on.
void tellResults(const ResultsError& e);

// Shows fileProblemText (title "エラー") and ends the program. Never returns.
[[noreturn]] void failOnFile(const QString& fullPath, FileProblem problem);

// Reads the criteria file (readCriteria); a missing or short file, or one with
// more than 35 level lines, is told naming the file and ends the program.
void LoadCriteria(const QString& path);

} // namespace karuvel
