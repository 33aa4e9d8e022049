#include "platform/FieldReader.h"

namespace karuvel {

namespace {
bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }
} // namespace

bool FieldReader::atEnd() const
{
    for (int i = pos_; i < text_.size(); ++i) {
        QChar c = text_[i];
        if (!isBlank(c) && !isLineEnd(c) && c != QChar(0x1A)) return false;
    }
    return true;
}

bool FieldReader::next(Field* field)
{
    *field = Field();
    if (pos_ >= text_.size()) {
        ranOut_ = true;
        return false;
    }
    const int n = text_.size();
    int i = pos_;
    while (i < n && isBlank(text_[i])) ++i;
    auto consumeDelimiter = [&](int j) {
        // j points at a comma, a line end or the end of the text.
        if (j < n && text_[j] == u',') return j + 1;
        if (j < n && text_[j] == u'\r') return (j + 1 < n && text_[j + 1] == u'\n') ? j + 2 : j + 1;
        if (j < n && text_[j] == u'\n') return j + 1;
        return j;
    };
    if (i < n && text_[i] == u'"') {
        int close = text_.indexOf(u'"', i + 1);
        if (close < 0) close = n;
        field->text = text_.mid(i + 1, close - i - 1);
        field->quoted = true;
        int j = close < n ? close + 1 : n;
        // Whatever stands between the closing quote and the delimiter is dropped.
        while (j < n && text_[j] != u',' && !isLineEnd(text_[j])) ++j;
        pos_ = consumeDelimiter(j);
        return true;
    }
    int j = i;
    while (j < n && text_[j] != u',' && !isLineEnd(text_[j])) ++j;
    int end = j;
    while (end > i && isBlank(text_[end - 1])) --end;
    field->text = text_.mid(i, end - i);
    if (field->text == QString(QChar(0x1A))) field->text.clear();
    pos_ = consumeDelimiter(j);
    return true;
}

Field FieldReader::take()
{
    Field f;
    next(&f);
    return f;
}

} // namespace karuvel
