#include "frame/Configuration.h"

#include "frame/Catalogue.h"
#include "platform/Cp932.h"
#include "platform/FieldReader.h"
#include "frame/FileMessages.h"
#include "platform/FileErrors.h"
#include "records/Criteria.h"
#include "state/ProgramState.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace karuvel {

const QString& soundCategoryName(int slot)
{
    static const QString names[11] = {
        QString(),
        QStringLiteral("正解音1"),     QStringLiteral("正解音2"),     QStringLiteral("間違い音1"),
        QStringLiteral("間違い音2"),   QStringLiteral("最高音1"),     QStringLiteral("最高音2"),
        QStringLiteral("自己最高音1"), QStringLiteral("自己最高音2"), QStringLiteral("自己最高音3"),
        QStringLiteral("不合格音1")};
    static const QString none;
    return (slot >= 1 && slot <= 10) ? names[slot] : none;
}

QString folderPath(const QString& path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!p.isEmpty() && !p.endsWith(QLatin1Char('/'))) p += QLatin1Char('/');
    return p;
}

void splitTitleLine(const QString& line, QString* code, QString* name)
{
    const QString first5 = line.left(5);
    if (leadingNumber(first5) != 0) {
        *code = first5;
        *name = line.mid(5);
    } else {
        code->clear();
        *name = line;
    }
}

namespace {
// Reads a whole configuration file, or ends the program with its message.
QString readOrFail(const QString& path)
{
    QString text;
    switch (readCp932File(path, &text)) {
    case FileStatus::Ok: return text;
    case FileStatus::NotFound: failOnFile(path, FileProblem::Missing);
    default: failOnFile(path, FileProblem::Unreadable);
    }
}

// Reads n fields, or ends the program: the file ended before its fields.
QList<Field> takeFields(FieldReader& r, int n, const QString& path)
{
    QList<Field> out;
    for (int i = 0; i < n; ++i) {
        Field f;
        if (!r.next(&f)) failOnFile(path, FileProblem::Short);
        out.append(f);
    }
    return out;
}
} // namespace

void loadSoundNames(const QString& path)
{
    ProgramState& s = state();
    for (int slot = 1; slot <= 10; ++slot) {
        s.SoundNames[slot] = SoundSlot();
        s.SoundNames[slot].category = soundCategoryName(slot);
    }
    FieldReader r(readOrFail(path));
    Field f;
    while (!r.atEnd() && r.next(&f)) {
        for (int slot = 1; slot <= 10; ++slot) {
            if (f.text != s.SoundNames[slot].category) continue;
            SoundSlot& sl = s.SoundNames[slot];
            for (int pos = 1; pos <= 20; ++pos) {
                Field name;
                if (!r.next(&name)) break;
                if (name.text == QStringLiteral("*")) {
                    sl.count = pos - 1;
                    break;
                }
                sl.files[pos] = name.text;
                // A full block of twenty names: its closing "*" is the next field.
                if (pos == 20) sl.count = 20;
            }
            break;
        }
    }
}

void LoadConfigurationFrom(const QString& appFolderIn)
{
    ProgramState& s = state();
    const QString appFolder = folderPath(QDir::cleanPath(appFolderIn));
    s.AppFolder = appFolder;

    // The path file in the parent of the program folder names the data root.
    // An installed program folder is not the user's to write: its launcher may
    // name a path file of the user's own instead (a single PC trying the demo).
    const QString pathFile = qEnvironmentVariableIsSet("KARUVEL_PATH_FILE")
                                 ? QDir::cleanPath(qEnvironmentVariable("KARUVEL_PATH_FILE"))
                                 : QDir::cleanPath(appFolder + QStringLiteral("../パスデータ.txt"));
    {
        FieldReader r(readOrFail(pathFile));
        QList<Field> f = takeFields(r, 10, pathFile);
        QString root = f[0].text;
        root.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (QFileInfo(root).isRelative()) root = QFileInfo(pathFile).absolutePath() + QLatin1Char('/') + root;
        s.RosterFolder = Loose(folderPath(root));
    }
    const QString rosterFolder = s.RosterFolder.toText();

    const QString commonFile = rosterFolder + QStringLiteral("共通データ.txt");
    {
        FieldReader r(readOrFail(commonFile));
        QList<Field> f = takeFields(r, 10, commonFile);
        s.SchoolYearStartMonth = f[0].loose();
        QString code, name;
        splitTitleLine(f[1].text, &code, &name);
        s.SchoolCode = code.isEmpty() ? Loose() : Loose(code);
        s.SchoolName = name;
        s.RosterStatusReset = f[2].loose();
        s.CommonItem4 = f[3].loose();
        // Compared as typed: "0123" stays "0123", never the number 123.
        s.DataChangePassword = Loose(f[5].text);
    }

    QString dir = appFolder;
    dir.chop(1);
    s.ProgramFolderName = Loose(dir.mid(dir.lastIndexOf(QLatin1Char('/')) + 1));
    s.DataFolder = Loose(rosterFolder + s.ProgramFolderName.toText() + QLatin1Char('/'));
    s.SoundFolder = Loose(rosterFolder + QStringLiteral("音フォルダ/"));

    SetProgramIdentity();
    LoadCriteria(s.DataFolder.toText() + QStringLiteral("タイム回数データ.txt"));
    loadSoundNames(s.SoundFolder.toText() + QStringLiteral("新音ファイル.txt"));
}

void LoadConfiguration() { LoadConfigurationFrom(QCoreApplication::applicationDirPath()); }

} // namespace karuvel
