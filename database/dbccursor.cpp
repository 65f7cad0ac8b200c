#include "dbccursor.h"

#include <QTextCodec>

#include <charconv>

DbcCursor::DbcCursor(const QByteArray &bytes)
    : pos(bytes.constData()), end(bytes.constData() + bytes.size()), lineStart(pos)
{
    for (const char *p = pos; p < end && ascii; ++p)
        ascii = static_cast<unsigned char>(*p) < 0x80;
    if (!ascii) {
        QTextCodec::ConverterState state;
        QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
        utf8 = state.invalidChars == 0 && state.remainingChars == 0;
        if (!utf8)
            windows1252 = QTextCodec::codecForName("Windows-1252");
    }
    // A UTF-8 byte order mark is not part of the first line.
    if (end - pos >= 3 && std::string_view(pos, 3) == "\xEF\xBB\xBF")
        lineStart = pos += 3;
}

bool DbcCursor::isNameChar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c >= 0x80;
}

bool DbcCursor::skipSpace()
{
    while (pos < end) {
        const char c = *pos;
        if (c == '\n') {
            lineStart = ++pos;
            ++lineNumber;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++pos;
        } else if (c == '/' && end - pos > 1 && pos[1] == '/') {
            while (pos < end && *pos != '\n')
                ++pos;
        } else {
            return true;
        }
    }
    return false;
}

void DbcCursor::skipBlank()
{
    while (pos < end && (*pos == ' ' || *pos == '\t' || *pos == '\r'))
        ++pos;
}

bool DbcCursor::atLineEnd()
{
    skipBlank();
    return pos >= end || *pos == '\n';
}

DbcCursor::Mark DbcCursor::mark() const
{
    return {pos, lineStart, lineNumber};
}

bool DbcCursor::restore(const Mark &m)
{
    pos = m.pos;
    lineStart = m.lineStart;
    lineNumber = m.lineNumber;
    return false;
}

bool DbcCursor::take(char c)
{
    const Mark start = mark();
    skipSpace();
    if (pos < end && *pos == c) {
        ++pos;
        return true;
    }
    return restore(start);
}

bool DbcCursor::name(std::string_view &out)
{
    const Mark saved = mark();
    skipSpace();
    const char *start = pos;
    if (pos >= end || (*pos >= '0' && *pos <= '9'))
        return restore(saved);
    while (pos < end && isNameChar(static_cast<unsigned char>(*pos)))
        ++pos;
    out = std::string_view(start, size_t(pos - start));
    return pos > start || restore(saved);
}

bool DbcCursor::number(double &out)
{
    const Mark saved = mark();
    skipSpace();
    const char *start = pos < end && *pos == '+' ? pos + 1 : pos;
    const auto result = std::from_chars(start, end, out, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr == start)
        return restore(saved);
    pos = result.ptr;
    return true;
}

bool DbcCursor::integer(int64_t &out)
{
    const Mark saved = mark();
    skipSpace();
    const char *start = pos < end && *pos == '+' ? pos + 1 : pos;
    const auto result = std::from_chars(start, end, out);
    // A value written as "3.0" or "1E+3" is still an integer when it has no fraction.
    if (result.ec == std::errc() && result.ptr < end &&
        (*result.ptr == '.' || *result.ptr == 'e' || *result.ptr == 'E')) {
        double value = 0;
        if (number(value) && value > -9.2e18 && value < 9.2e18 && value == double(int64_t(value))) {
            out = int64_t(value);
            return true;
        }
        return restore(saved);
    }
    if (result.ec != std::errc() || result.ptr == start)
        return restore(saved);
    pos = result.ptr;
    return true;
}

bool DbcCursor::unsignedInteger(uint64_t &out)
{
    const Mark saved = mark();
    skipSpace();
    const auto result = std::from_chars(pos, end, out);
    if (result.ec != std::errc() || result.ptr == pos)
        return restore(saved);
    pos = result.ptr;
    return true;
}

bool DbcCursor::text(QString &out)
{
    const Mark saved = mark();
    skipSpace();
    if (pos >= end || *pos != '"')
        return restore(saved);
    const char *start = pos + 1;
    const char *p = start;
    const char *afterLine = lineStart;
    int lines = 0;
    bool escaped = false;
    for (; p < end && *p != '"'; ++p) {
        if (*p == '\\' && p + 1 < end && (p[1] == '"' || p[1] == '\\')) {
            escaped = true;
            ++p;
        } else if (*p == '\n') {
            ++lines;
            afterLine = p + 1;
        }
    }
    if (p >= end) {
        skipBlank(); // the caller reports the opening quote
        return false;
    }
    QByteArray raw(start, int(p - start));
    if (escaped)
        raw.replace("\\\"", "\"").replace("\\\\", "\\");
    out = decode(std::string_view(raw.constData(), size_t(raw.size())));
    lineNumber += lines;
    lineStart = afterLine;
    pos = p + 1;
    return true;
}

bool DbcCursor::skipStatement()
{
    while (skipSpace()) {
        if (*pos == ';') {
            ++pos;
            return true;
        }
        if (*pos == '"') {
            QString ignored;
            if (!text(ignored))
                return false;
        } else {
            ++pos;
        }
    }
    return false;
}

QString DbcCursor::decode(std::string_view bytes) const
{
    if (ascii)
        return QString::fromLatin1(bytes.data(), int(bytes.size()));
    if (utf8)
        return QString::fromUtf8(bytes.data(), int(bytes.size()));
    return windows1252->toUnicode(bytes.data(), int(bytes.size()));
}
