#pragma once
// Reads a text file as a stream of fields: leading blanks of a field are
// skipped; a field that starts with a double quote runs to the next double
// quote (dropped) and may hold commas; any other field runs to the next comma
// or line end and loses its trailing blanks; a line end ends a field like a
// comma. Readers take a fixed number of fields and do not resynchronise.
#include "state/Loose.h"

#include <QString>

namespace karuvel {

struct Field {
    QString text;
    bool quoted = false;
    double number() const { return leadingNumber(text); }
    Loose loose() const { return Loose::fromField(text, quoted); }
};

class FieldReader {
public:
    explicit FieldReader(QString text) : text_(std::move(text)) {}

    // True when nothing but blanks, line ends and an end-of-file mark remains.
    bool atEnd() const;
    // Reads the next field; false (and an empty field) when the text has ended.
    bool next(Field* field);
    // Convenience: the next field, or an empty one at the end (check ok()).
    Field take();
    bool ok() const { return !ranOut_; }
    int position() const { return pos_; }

private:
    QString text_;
    int pos_ = 0;
    bool ranOut_ = false;
};

} // namespace karuvel
