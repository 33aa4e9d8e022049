#pragma once
// Between Qt's strings and the record-file layer, which knows no Qt: its paths
// are std::filesystem::path (wide on Windows), its texts UTF-8.
#include <QFile>
#include <QString>
#include <filesystem>
#include <string>

namespace karuvel {

inline std::filesystem::path toFsPath(const QString& path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

inline QString fromFsPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

inline QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

} // namespace karuvel
