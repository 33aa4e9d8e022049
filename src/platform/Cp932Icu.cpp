// Code page 932 through ICU (the systems other than Windows).
#include "platform/Cp932.h"

#include <unicode/ucnv.h>

#include <memory>
#include <string>

namespace karuvel {

namespace {
struct ConverterDeleter {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterDeleter>;

Converter openConverter()
{
    UErrorCode err = U_ZERO_ERROR;
    // "cp932" is ICU's name for Windows Shift_JIS (ibm-943_P15A-2003): 0x5C is "\".
    UConverter* c = ucnv_open("cp932", &err);
    if (U_FAILURE(err)) return Converter();
    return Converter(c);
}
} // namespace

QString decodeCp932(const QByteArray& bytes)
{
    if (bytes.isEmpty()) return QString();
    Converter conv = openConverter();
    if (!conv) return QString::fromLatin1(bytes);
    std::u16string out(size_t(bytes.size()) * 2 + 2, u'\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(conv.get(), reinterpret_cast<UChar*>(out.data()), int32_t(out.size()),
                              bytes.constData(), int32_t(bytes.size()), &err);
    if (U_FAILURE(err)) return QString();
    return QString(reinterpret_cast<const QChar*>(out.data()), n);
}

QByteArray encodeCp932(const QString& text)
{
    if (text.isEmpty()) return QByteArray();
    Converter conv = openConverter();
    if (!conv) return text.toLatin1();
    UErrorCode err = U_ZERO_ERROR;
    ucnv_setSubstChars(conv.get(), "?", 1, &err);
    err = U_ZERO_ERROR;
    QByteArray out(text.size() * 2 + 4, '\0');
    int32_t n = ucnv_fromUChars(conv.get(), out.data(), int32_t(out.size()),
                                reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &err);
    if (U_FAILURE(err)) return QByteArray();
    out.truncate(n);
    return out;
}

bool fitsCp932(const QString& text)
{
    Converter conv = openConverter();
    if (!conv) return false;
    UErrorCode err = U_ZERO_ERROR;
    ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    err = U_ZERO_ERROR;
    QByteArray out(text.size() * 2 + 4, '\0');
    ucnv_fromUChars(conv.get(), out.data(), int32_t(out.size()),
                    reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &err);
    return U_SUCCESS(err);
}

} // namespace karuvel
