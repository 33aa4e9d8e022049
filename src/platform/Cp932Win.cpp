// Code page 932 through Windows' own conversion (MultiByteToWideChar /
// WideCharToMultiByte), the one the school's files were first written with.
#include "platform/Cp932.h"

#include <windows.h>

namespace karuvel {

namespace {
constexpr UINT kCodePage = 932;
}

QString decodeCp932(const QByteArray& bytes)
{
    if (bytes.isEmpty()) return QString();
    const int n = MultiByteToWideChar(kCodePage, 0, bytes.constData(), int(bytes.size()), nullptr, 0);
    if (n <= 0) return QString();
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(kCodePage, 0, bytes.constData(), int(bytes.size()), out.data(), n);
    return QString::fromWCharArray(out.data(), n);
}

namespace {
// Converts with no "best fit" (a character without its own form is not
// replaced by a look-alike): such a character becomes "?", and *lost says so.
QByteArray encode(const QString& text, bool* lost)
{
    const std::wstring wide = text.toStdWString();
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), nullptr, 0,
                                      "?", &usedDefault);
    if (n <= 0) {
        if (lost) *lost = true;
        return QByteArray();
    }
    QByteArray out(n, '\0');
    usedDefault = FALSE;
    WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), out.data(), n, "?",
                        &usedDefault);
    if (lost) *lost = usedDefault != FALSE;
    return out;
}
} // namespace

QByteArray encodeCp932(const QString& text)
{
    if (text.isEmpty()) return QByteArray();
    return encode(text, nullptr);
}

bool fitsCp932(const QString& text)
{
    if (text.isEmpty()) return true;
    bool lost = false;
    encode(text, &lost);
    return !lost;
}

} // namespace karuvel
