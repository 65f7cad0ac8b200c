#pragma once

// Files the program reads and writes beside its executable.

#include <QString>

// The folder that holds config/, language/, help/ and firmware/: the executable's
// folder, or $LARKSPUR_HOME when set (tests and benchmarks use their own folder).
QString appBaseDir();
// appBaseDir() + relative, where relative starts with "/" (for example "/config/setdb.txt").
QString appFilePath(const QString &relative);
