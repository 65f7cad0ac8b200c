#pragma once

// Small parsing and formatting helpers of the text log formats (candump, ASC, TRC). They
// work on byte ranges and never read past their end.

#include <QByteArray>

#include <cstdint>

namespace logtext {


// Digit values by character, -1 for anything not a hex digit: one load per digit on the
// readers' hot paths.
struct HexDigits
{
    int8_t value[256];
    constexpr HexDigits() : value()
    {
        for (int c = 0; c < 256; ++c)
            value[c] = -1;
        for (int d = 0; d < 10; ++d)
            value['0' + d] = int8_t(d);
        for (int d = 0; d < 6; ++d) {
            value['A' + d] = int8_t(10 + d);
            value['a' + d] = int8_t(10 + d);
        }
    }
};
inline constexpr HexDigits hexDigits{};

inline int hexDigit(char c)
{
    return hexDigits.value[uint8_t(c)];
}

// A read position in one line.
struct Cursor
{
    const char *p;
    const char *end;

    bool atEnd() const { return p >= end; }
    void skipSpaces()
    {
        while (p < end && (*p == ' ' || *p == '\t'))
            ++p;
    }
    // The next run of non-blank characters; false when the line has no more.
    bool token(const char *&text, int &size)
    {
        skipSpaces();
        text = p;
        while (p < end && *p != ' ' && *p != '\t')
            ++p;
        size = int(p - text);
        return size > 0;
    }
    // A token of exactly two hex digits ("3F") as a byte; leaves the cursor where it was
    // (blanks skipped) when the next token is anything else.
    bool hexByte(uint8_t &byte)
    {
        skipSpaces();
        if (end - p < 2)
            return false;
        const int high = hexDigits.value[uint8_t(p[0])], low = hexDigits.value[uint8_t(p[1])];
        if ((high | low) < 0 || (end - p > 2 && p[2] != ' ' && p[2] != '\t'))
            return false;
        byte = uint8_t(high << 4 | low);
        p += 2;
        return true;
    }
    bool token(QByteArray &text) // slower, for header lines
    {
        const char *t;
        int n;
        if (!token(t, n))
            return false;
        text = QByteArray(t, n);
        return true;
    }
};

// Whole-token numbers; false on an empty token, a stray character or more than 32 bits.
inline bool parseHex(const char *text, int size, uint32_t &value)
{
    if (size <= 0 || size > 8)
        return false;
    value = 0;
    for (int i = 0; i < size; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0)
            return false;
        value = (value << 4) | uint32_t(digit);
    }
    return true;
}

inline bool parseDec(const char *text, int size, uint32_t &value)
{
    if (size <= 0 || size > 10)
        return false;
    uint64_t result = 0;
    for (int i = 0; i < size; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        result = result * 10 + uint64_t(text[i] - '0');
    }
    if (result > 0xFFFFFFFFu)
        return false;
    value = uint32_t(result);
    return true;
}

inline bool parseNumber(const char *text, int size, bool hex, uint32_t &value)
{
    return hex ? parseHex(text, size, value) : parseDec(text, size, value);
}

// "123.456789" (the fraction optional, a leading "-" allowed) in units of 10^-decimals,
// exactly: digits beyond decimals are dropped. False on anything else or an overflow.
inline bool parseFixed(const char *text, int size, int decimals, int64_t &value)
{
    int i = 0;
    const bool negative = size > 0 && text[0] == '-';
    if (negative)
        ++i;
    int64_t whole = 0;
    int wholeDigits = 0;
    for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i, ++wholeDigits) {
        if (wholeDigits >= 12)
            return false;
        whole = whole * 10 + (text[i] - '0');
    }
    int64_t fraction = 0;
    int fractionDigits = 0;
    if (i < size && text[i] == '.') {
        ++i;
        for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i)
            if (fractionDigits < decimals) {
                fraction = fraction * 10 + (text[i] - '0');
                ++fractionDigits;
            }
    }
    if (i != size || (wholeDigits == 0 && fractionDigits == 0))
        return false;
    for (; fractionDigits < decimals; ++fractionDigits)
        fraction *= 10;
    int64_t scale = 1;
    for (int d = 0; d < decimals; ++d)
        scale *= 10;
    // A whole part of twelve digits in units of 10^-10 no longer fits 64 bits.
    if (__builtin_mul_overflow(whole, scale, &value) ||
        __builtin_add_overflow(value, fraction, &value))
        return false;
    if (negative)
        value = -value;
    return true;
}

inline bool equals(const char *text, int size, const char *literal)
{
    int i = 0;
    for (; i < size && literal[i]; ++i)
        if (text[i] != literal[i])
            return false;
    return i == size && literal[i] == 0;
}

inline bool equalsNoCase(const char *text, int size, const char *literal)
{
    int i = 0;
    for (; i < size && literal[i]; ++i) {
        char a = text[i], b = literal[i];
        if (a >= 'A' && a <= 'Z')
            a = char(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = char(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return i == size && literal[i] == 0;
}

// Formatting into a byte array that grows as needed.
inline void appendHexByte(QByteArray &out, uint8_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    out.append(digits[value >> 4]);
    out.append(digits[value & 15]);
}

inline void appendHex(QByteArray &out, uint32_t value, int minDigits)
{
    static const char digits[] = "0123456789ABCDEF";
    char buffer[8];
    int count = 0;
    do {
        buffer[count++] = digits[value & 15];
        value >>= 4;
    } while (value != 0 && count < 8);
    for (int i = count; i < minDigits; ++i)
        out.append('0');
    while (count > 0)
        out.append(buffer[--count]);
}

inline void appendDec(QByteArray &out, uint64_t value, int minDigits = 1, char pad = '0')
{
    char buffer[20];
    int count = 0;
    do {
        buffer[count++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = count; i < minDigits; ++i)
        out.append(pad);
    while (count > 0)
        out.append(buffer[--count]);
}

// value / 10^decimals with exactly decimals digits after the point.
inline void appendFixed(QByteArray &out, int64_t value, int decimals, int minWidth = 0)
{
    int64_t scale = 1;
    for (int d = 0; d < decimals; ++d)
        scale *= 10;
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? uint64_t(-value) : uint64_t(value);
    QByteArray number;
    if (negative)
        number.append('-');
    appendDec(number, magnitude / uint64_t(scale));
    if (decimals > 0) {
        number.append('.');
        appendDec(number, magnitude % uint64_t(scale), decimals);
    }
    for (int i = number.size(); i < minWidth; ++i)
        out.append(' ');
    out.append(number);
}

inline void appendPadded(QByteArray &out, const QByteArray &text, int width, bool right)
{
    if (right)
        for (int i = text.size(); i < width; ++i)
            out.append(' ');
    out.append(text);
    if (!right)
        for (int i = text.size(); i < width; ++i)
            out.append(' ');
}

} // namespace logtext
