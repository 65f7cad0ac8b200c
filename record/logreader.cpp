#include "record/logreader.h"

LogReader::~LogReader() = default;

bool LogReader::open(const QString &path)
{
    close();
    damaged = skipped = 0;
    error.clear();
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    if (!start()) {
        file.close();
        return false;
    }
    return true;
}

void LogReader::close()
{
    if (file.isOpen())
        file.close();
}

qint64 LogReader::fileSize() const
{
    return file.size();
}

bool LogReader::fail(const QString &message)
{
    error = message;
    return false;
}
