#pragma once

// Reads a text log line by line through a fixed buffer, so no file is ever held whole.
// Tells the file offset of every line (for an index and for seeking back to it); a line
// longer than MaxLineLength is passed over and reported as overlong.

#include <QByteArray>
#include <QIODevice>

class LogLineSource
{
public:
    static constexpr int MaxLineLength = 64 * 1024;

    void attach(QIODevice *device);
    // The next line without its line end (text stays valid until the next call). False at
    // the end of the file or on a read error (see failed()).
    bool nextLine(const char *&text, int &size, qint64 &offset, bool &overlong);
    // The next line that holds more than blanks, from its first non-blank character.
    // Overlong lines are passed over, each adding one to overlongLines.
    bool nextTextLine(const char *&text, int &size, qint64 &offset, qint64 &overlongLines);
    bool seek(qint64 offset);
    qint64 bytesConsumed() const;
    bool failed() const;

private:
    bool fill(); // false when nothing more can be read

    QIODevice *device = nullptr;
    QByteArray buffer;
    int start = 0;           // first unread byte in buffer
    int end = 0;             // bytes in buffer
    qint64 bufferOffset = 0; // file offset of buffer[0]
    bool atEof = false;
    bool readError = false;
};
