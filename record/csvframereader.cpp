#include "record/csvframereader.h"

#include "record/csvformat.h"

#include <QTextCodec>

namespace {

// Decoding that tells when a line is not valid text in the codec.
bool decode(QTextCodec *codec, const QByteArray &bytes, QString &text)
{
    if (!codec)
        return false;
    QTextCodec::ConverterState state;
    text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0 &&
           !text.contains(QChar::ReplacementCharacter) && !text.contains(QChar(0));
}

} // namespace

// UTF-8, else GB18030 (a superset of GBK and GB2312).
bool CsvFrameReader::decodeLine(const QByteArray &bytes, QString &text)
{
    static QTextCodec *const utf8 = QTextCodec::codecForName("UTF-8");
    static QTextCodec *const gb18030 = QTextCodec::codecForName("GB18030");
    return decode(utf8, bytes, text) || decode(gb18030, bytes, text);
}

bool CsvFrameReader::open(const QString &path)
{
    close();
    error.clear();
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = file.errorString();
        return false;
    }
    return rewind();
}

bool CsvFrameReader::rewind()
{
    if (!file.isOpen() || !file.seek(0)) {
        error = file.errorString();
        return false;
    }
    QByteArray header; // whatever it holds, a byte-order mark included
    readLine(header);
    unreadable = 0;
    return true;
}

bool CsvFrameReader::readRow(QStringList &fields)
{
    fields.clear();
    QByteArray line;
    if (!readLine(line))
        return false;
    QString text;
    if (decodeLine(line, text))
        fields = splitCsvRow(text);
    else
        ++unreadable;
    return true;
}

bool CsvFrameReader::atEnd() const
{
    return !file.isOpen() || file.atEnd();
}

void CsvFrameReader::close()
{
    if (file.isOpen())
        file.close();
}

QString CsvFrameReader::errorString() const
{
    return error;
}

// One line without its line end; an overlong line is consumed whole and comes back empty.
bool CsvFrameReader::readLine(QByteArray &line)
{
    line.clear();
    if (atEnd())
        return false;
    // Into a buffer kept between lines: asking QIODevice for a QByteArray of the longest
    // line allocates that much for every line, which made replay slower than a busy bus.
    buffer.resize(int(MaxLineLength) + 2);
    const qint64 length = file.readLine(buffer.data(), MaxLineLength + 2); // at most + 1
    if (length <= 0) {
        error = file.errorString();
        return false;
    }
    line = QByteArray(buffer.constData(), int(length));
    if (line.endsWith('\n') || file.atEnd())
        return true;
    skipRestOfLine();
    line.clear();
    ++unreadable;
    return true;
}

void CsvFrameReader::skipRestOfLine()
{
    while (!file.atEnd()) {
        const QByteArray chunk = file.readLine(MaxLineLength + 1);
        if (chunk.isEmpty() || chunk.endsWith('\n'))
            return;
    }
}
