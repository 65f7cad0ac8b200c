#include "record/csvrecorder.h"

#include "record/csvformat.h"

#include <QFileInfo>

namespace {

// Characters collected before a long batch is written out (512 kB as UTF-16): bounds
// the buffer however far the display has fallen behind.
constexpr int ChunkChars = 256 * 1024;

} // namespace

CsvRecorder::~CsvRecorder()
{
    close();
}

bool CsvRecorder::open(const QString &path, const QStringList &headerLabels)
{
    close();
    error.clear();
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return fail(file.errorString());
    buffer = csvHeaderLine(headerLabels);
    if (writeBuffer())
        return true;
    file.close();
    return false;
}

bool CsvRecorder::writeRows(const QList<ModelItem> &items)
{
    if (!file.isOpen())
        return fail(QStringLiteral("The recording file is not open"));
    buffer.resize(0);
    for (const ModelItem &item : items)
        appendCsvRow(buffer, item);
    return writeBuffer();
}

bool CsvRecorder::addRow(const ModelItem &item)
{
    appendCsvRow(buffer, item);
    if (buffer.size() < ChunkChars)
        return !chunkFailed;
    chunkFailed = chunkFailed || !file.isOpen() || !writeBuffer();
    return !chunkFailed;
}

bool CsvRecorder::writeAdded()
{
    if (!file.isOpen())
        return fail(QStringLiteral("The recording file is not open"));
    const bool ok = !chunkFailed && writeBuffer();
    chunkFailed = false;
    buffer.resize(0);
    return ok;
}

bool CsvRecorder::flush()
{
    if (!file.isOpen())
        return fail(QStringLiteral("The recording file is not open"));
    if (!file.flush())
        return fail(file.errorString());
    // An open file can outlive its folder or name; writes then still succeed but the
    // rows end up nowhere the user can find them.
    if (!QFileInfo::exists(file.fileName()))
        return fail(QStringLiteral("The recording file no longer exists: ") + file.fileName());
    return true;
}

void CsvRecorder::close()
{
    if (!file.isOpen())
        return;
    if (!file.flush())
        error = file.errorString();
    file.close();
    buffer = QString();
    chunkFailed = false;
}

bool CsvRecorder::isOpen() const
{
    return file.isOpen();
}

QString CsvRecorder::path() const
{
    return file.fileName();
}

QString CsvRecorder::errorString() const
{
    return error;
}

bool CsvRecorder::writeBuffer()
{
    if (buffer.isEmpty())
        return true;
    const QByteArray bytes = buffer.toUtf8();
    buffer.resize(0);
    if (file.write(bytes) != bytes.size())
        return fail(file.errorString());
    return flush();
}

bool CsvRecorder::fail(const QString &message)
{
    error = message.isEmpty() ? QStringLiteral("Unknown write error") : message;
    return false;
}
