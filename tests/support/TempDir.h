#pragma once
#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace karuvel::test {

// A temporary folder for one test, with helpers to write CP932 files in it.
class TempDir {
public:
    QString path() const { return dir_.path() + QLatin1Char('/'); }
    QString file(const QString& name) const { return path() + name; }
    QString mkdir(const QString& name) const
    {
        QDir().mkpath(path() + name);
        return path() + name + QLatin1Char('/');
    }
    // Writes the text in CP932 exactly as given (line ends included).
    void writeCp932(const QString& name, const QString& text) const { writeCp932Text(file(name), text); }
    void writeBytes(const QString& name, const QByteArray& bytes) const
    {
        QFile f(file(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }

private:
    QTemporaryDir dir_;
};

} // namespace karuvel::test
