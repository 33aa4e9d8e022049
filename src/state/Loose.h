#pragma once
// A loose value: a number, a text or nothing, converted on use.
// Empty compares equal to 0 and to the empty text. A value read from a text
// file stays a number when its text is a number and is text otherwise.
#include <QString>
#include <variant>

namespace karuvel {

// The number at the start of a text (leading blanks skipped); 0 when there is none.
double leadingNumber(const QString& text);
// True when the whole text (blanks around it allowed) is one number.
bool isNumericText(const QString& text);
// A number in its shortest decimal form, no leading blank ("45", "1.5").
QString numberText(double value);
// The same for a single-precision value (as the criteria's multiplier is held).
QString singleText(float value);

class Loose {
public:
    Loose() = default;
    Loose(double n) : v_(n) {}
    Loose(int n) : v_(double(n)) {}
    Loose(long n) : v_(double(n)) {}
    Loose(long long n) : v_(double(n)) {}
    Loose(const QString& t) : v_(t) {}
    Loose(const char* t) : v_(QString::fromUtf8(t)) {}

    // A field as read from a text file: empty stays empty, a number becomes a
    // number, anything else stays text. A quoted field is always text.
    static Loose fromField(const QString& text, bool quoted = false);

    bool isEmpty() const { return std::holds_alternative<std::monostate>(v_); }
    bool isNumber() const { return std::holds_alternative<double>(v_); }
    bool isText() const { return std::holds_alternative<QString>(v_); }

    double toNumber() const;     // empty 0, text its leading number
    long long toLong() const;    // toNumber truncated towards zero
    int toInt() const { return int(toLong()); }
    QString toText() const;      // empty "", number in shortest form

    friend bool operator==(const Loose& a, const Loose& b);
    friend bool operator!=(const Loose& a, const Loose& b) { return !(a == b); }

private:
    std::variant<std::monostate, double, QString> v_;
};

} // namespace karuvel
