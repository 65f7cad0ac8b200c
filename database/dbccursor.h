#pragma once

// Reading position in the bytes of a DBC file: blanks and "//" comment lines, names,
// numbers, quoted texts and punctuation, with the line and column of every position.
// Names and texts are decoded as UTF-8 when the whole file is valid UTF-8, otherwise as
// Windows-1252 (the superset of Latin-1 that Windows tools write).

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string_view>

class QTextCodec;

class DbcCursor
{
public:
    explicit DbcCursor(const QByteArray &text);

    // Skips blanks, line ends and comment lines; true when something follows.
    bool skipSpace();
    // Skips blanks and tabs on the current line only.
    void skipBlank();
    // After skipBlank: at a line end or the end of the text.
    bool atLineEnd();
    bool atEnd() const { return pos >= end; }
    char peek() const { return pos < end ? *pos : '\0'; }

    // Each skips space first and consumes nothing when it fails (text() stops at the
    // opening quote of a text that never closes).
    bool take(char c);
    bool name(std::string_view &out);
    bool number(double &out);
    bool integer(int64_t &out);
    bool unsignedInteger(uint64_t &out);
    bool text(QString &out);
    // Consumes everything up to and including the next ';' outside quoted texts.
    bool skipStatement();

    // Names keep the file's encoding too (UTF-8 or Windows-1252).
    QString decode(std::string_view bytes) const;

    int line() const { return lineNumber; }
    int column() const { return int(pos - lineStart) + 1; }

    struct Mark
    {
        const char *pos;
        const char *lineStart;
        int lineNumber;
    };
    Mark mark() const;
    // Goes back to a mark; returns false so failures can return it.
    bool restore(const Mark &m);

private:
    static bool isNameChar(unsigned char c);

    const char *pos;
    const char *end;
    const char *lineStart;
    int lineNumber = 1;
    bool ascii = true;
    bool utf8 = true;
    QTextCodec *windows1252 = nullptr;
};
