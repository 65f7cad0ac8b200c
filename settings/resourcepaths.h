#pragma once

// Where the program's files lie.
//
// A build tree or an unpacked folder keeps everything beside the executable: config/,
// language/, help/, firmware/. An installed program (bin/larkspur with share/larkspur/
// beside bin/) reads its shipped files (translations, help, default company names,
// language fallback, firmware images a package brings) from share/larkspur and keeps what
// it writes (settings, adapter configuration, list-send rows, the firmware images the
// user adds, the simulated update volume) in the user's data folder,
// ~/.local/share/larkspur. An unpacked folder the user cannot write to also keeps its
// written files there. $LARKSPUR_HOME, when set, holds everything (tests use it).

#include <QString>
#include <QStringList>

struct AppFolders
{
    QString shipped;  // read-only files that come with the program
    QString writable; // files the program writes and the user adds
};

// The folders of a program whose executable lies in exeDir; userDataDir is the user's
// data folder used when files cannot be kept beside the executable.
AppFolders resolveAppFolders(const QString &exeDir, const QString &userDataDir);

// The folders of this process.
AppFolders appFolders();
// The user's data folder: $XDG_DATA_HOME/larkspur, by default ~/.local/share/larkspur.
QString userDataFolder();

// The writable folder (the executable's folder in a build tree).
QString appBaseDir();
// appBaseDir() + relative, where relative starts with "/" (for example "/config/setdb.txt").
QString appFilePath(const QString &relative);
// The shipped folder + relative (translations, help documents).
QString appShippedPath(const QString &relative);
// The user's own copy of a shipped file when the writable folder has one, else the
// shipped file (config/company.txt, language/config.ini).
QString appUserOrShippedPath(const QString &relative);
// The folders a relative folder name is looked up in, the writable one first, each once
// (firmware/).
QStringList appFolderChain(const QString &relative);

// Creates the writable folder with its config/ and firmware/ when it is not the shipped
// one. False when it cannot be created.
bool prepareWritableFolder();
