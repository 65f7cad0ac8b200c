#pragma once

// Small helpers shared by the fuzz targets.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace fuzzutil {

// A Qt application object and a private LARKSPUR_HOME with config/ and language/, made once.
inline QString homeDir()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
    static QTemporaryDir dir;
    static bool made = [] {
        QDir(dir.path()).mkpath("config");
        QDir(dir.path()).mkpath("language");
        qputenv("LARKSPUR_HOME", dir.path().toLocal8Bit());
        return true;
    }();
    (void)made;
    return dir.path();
}

inline void writeFile(const QString &path, const uint8_t *data, size_t size)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char *>(data), qint64(size));
}

inline QString text(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
}

} // namespace fuzzutil
