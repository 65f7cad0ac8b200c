#include "record/logwriter.h"

namespace {
constexpr int FlushSize = 1024 * 1024;
}

LogWriter::~LogWriter()
{
    cancel();
}

bool LogWriter::open(const QString &path, bool absoluteTime)
{
    cancel();
    error.clear();
    frames = 0;
    leftOut = 0;
    absolute = absoluteTime;
    out.clear();
    out.reserve(FlushSize + 64 * 1024);
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    begin();
    return true;
}

bool LogWriter::write(const LogFrame &frame)
{
    if (!file.isOpen())
        return fail(error.isEmpty() ? QStringLiteral("not open") : error);
    if (!carries(frame)) {
        ++leftOut;
        return true;
    }
    append(frame);
    ++frames;
    return out.size() < FlushSize || flush();
}

bool LogWriter::close()
{
    if (!file.isOpen())
        return error.isEmpty() ? fail(QStringLiteral("not open")) : false;
    if (!finish() || !flush()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

void LogWriter::cancel()
{
    if (file.isOpen()) {
        file.cancelWriting();
        file.commit();
    }
}

bool LogWriter::flush()
{
    if (out.isEmpty())
        return true;
    if (file.write(out) != out.size()) {
        const QString message = file.errorString();
        file.cancelWriting();
        file.commit();
        return fail(message);
    }
    out.clear();
    return true;
}

bool LogWriter::fail(const QString &message)
{
    error = message;
    return false;
}
