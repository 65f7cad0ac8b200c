#pragma once

// Chooses the adapter library behind the firmware tool from "config/pellow.ini" in
// Pellow's folder (see PellowFolder; written with defaults on first run, never
// overwritten afterwards).
// The environment variables PELLOW_ADAPTER ("simulated" or "absent") and
// PELLOW_SIM_UPGRADE ("ok" or "fail") override the file.

#include "wexlib.h"

#include <QString>

#include <memory>

class PellowConfig
{
public:
    bool adapterPresent = true;
    bool upgradeSucceeds = true;

    // baseDir is the folder that holds config/ (the executable's folder in the program).
    static PellowConfig load(const QString &baseDir);
    static QString iniPath(const QString &baseDir);

    std::unique_ptr<Wexlib> createLibrary() const;

private:
    static void writeDefaults(const QString &path);
    static QString choice(const char *envName, const QString &fileValue);
};
