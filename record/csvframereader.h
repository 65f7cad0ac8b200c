#pragma once

// Reads the frame lines of a CSV frame file for replay: UTF-8 (a byte-order mark is
// accepted), and a line that is not UTF-8 as GB18030 (files saved by Chinese Windows
// systems); the header line skipped. Blank, overlong and undecodable lines come back as
// empty field lists, so a broken file never yields more than it holds; the overlong and
// undecodable ones are counted.

#include <QFile>
#include <QString>
#include <QStringList>

class CsvFrameReader
{
public:
    static constexpr qint64 MaxLineLength = 64 * 1024;

    CsvFrameReader() = default;
    CsvFrameReader(const CsvFrameReader &) = delete;
    CsvFrameReader &operator=(const CsvFrameReader &) = delete;

    // Opens the file and skips its header line.
    bool open(const QString &path);
    // Goes back to the first frame line for another pass.
    bool rewind();
    // The fields of the next line; false at the end of the file.
    bool readRow(QStringList &fields);
    bool atEnd() const;
    void close();
    // Lines of the current pass that could not be read at all (overlong or undecodable).
    int unreadableRows() const { return unreadable; }

    QString errorString() const;

    // One line's text: UTF-8, else GB18030; false when it is neither.
    static bool decodeLine(const QByteArray &bytes, QString &text);

private:
    bool readLine(QByteArray &line);
    void skipRestOfLine();

    QFile file;
    QString error;
    QByteArray buffer; // one line as read, before it is copied out
    int unreadable = 0;
};
