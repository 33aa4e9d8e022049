#include "state/Loose.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace karuvel {

namespace {
// Parses a number at position i: optional sign, digits, a point, digits and an
// exponent. Returns the number of characters used (0 when there is no number).
int scanNumber(const QString& s, int i, double* out)
{
    const int start = i;
    const int n = s.size();
    if (i < n && (s[i] == u'+' || s[i] == u'-')) ++i;
    const int digitsStart = i;
    while (i < n && s[i].isDigit() && s[i].unicode() < 128) ++i;
    int intDigits = i - digitsStart;
    int fracDigits = 0;
    if (i < n && s[i] == u'.') {
        int j = i + 1;
        while (j < n && s[j].isDigit() && s[j].unicode() < 128) ++j;
        fracDigits = j - i - 1;
        if (intDigits + fracDigits > 0) i = j;
    }
    if (intDigits + fracDigits == 0) return 0;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        int j = i + 1;
        if (j < n && (s[j] == u'+' || s[j] == u'-')) ++j;
        int k = j;
        while (k < n && s[k].isDigit() && s[k].unicode() < 128) ++k;
        if (k > j) i = k;
    }
    bool ok = false;
    double v = s.mid(start, i - start).toDouble(&ok);
    if (!ok) v = 0;
    if (out) *out = v;
    return i - start;
}

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
} // namespace

double leadingNumber(const QString& text)
{
    int i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    double v = 0;
    if (scanNumber(text, i, &v) == 0) return 0;
    return v;
}

bool isNumericText(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    double v = 0;
    return scanNumber(t, 0, &v) == t.size();
}

QString numberText(double value)
{
    if (value == 0) return QStringLiteral("0");
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    // Shortest text that reads back as the same double.
    for (int prec = 1; prec <= 17; ++prec) {
        QString t = QString::number(value, 'g', prec);
        if (t.toDouble() == value) return t;
    }
    return QString::number(value, 'g', 17);
}

QString singleText(float value)
{
    if (value == 0) return QStringLiteral("0");
    for (int prec = 1; prec <= 9; ++prec) {
        QString t = QString::number(double(value), 'g', prec);
        if (t.toFloat() == value) return t;
    }
    return QString::number(double(value), 'g', 9);
}

Loose Loose::fromField(const QString& text, bool quoted)
{
    if (quoted) return Loose(text);
    if (text.isEmpty()) return Loose();
    if (isNumericText(text)) return Loose(text.trimmed().toDouble());
    return Loose(text);
}

double Loose::toNumber() const
{
    if (auto d = std::get_if<double>(&v_)) return *d;
    if (auto t = std::get_if<QString>(&v_)) return leadingNumber(*t);
    return 0;
}

long long Loose::toLong() const
{
    const double d = toNumber();
    if (!std::isfinite(d)) return 0;
    // A figure beyond the range ("1e99" typed into a file) is held at its end:
    // converting it as it stands would be undefined.
    if (d >= 9223372036854775807.0) return std::numeric_limits<long long>::max();
    if (d <= -9223372036854775808.0) return std::numeric_limits<long long>::min();
    return static_cast<long long>(d);
}

QString Loose::toText() const
{
    if (auto d = std::get_if<double>(&v_)) return numberText(*d);
    if (auto t = std::get_if<QString>(&v_)) return *t;
    return QString();
}

bool operator==(const Loose& a, const Loose& b)
{
    if (a.isEmpty() && b.isEmpty()) return true;
    if (a.isEmpty()) return b.isNumber() ? b.toNumber() == 0 : b.toText().isEmpty();
    if (b.isEmpty()) return a.isNumber() ? a.toNumber() == 0 : a.toText().isEmpty();
    if (a.isNumber() && b.isNumber()) return a.toNumber() == b.toNumber();
    if (a.isText() && b.isText()) return a.toText() == b.toText();
    // A number against a text: numerically when the text is a number.
    const Loose& text = a.isText() ? a : b;
    const Loose& num = a.isText() ? b : a;
    if (isNumericText(text.toText())) return leadingNumber(text.toText()) == num.toNumber();
    return num.toText() == text.toText();
}

} // namespace karuvel
