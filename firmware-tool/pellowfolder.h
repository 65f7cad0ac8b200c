#pragma once

// The folder that holds Pellow's config/: the executable's folder in a build tree or an
// unpacked folder the user can write to; the user's data folder (~/.local/share/pellow)
// for an installed program (bin/pellow with share/applications/pellow.desktop beside
// bin/) and for a folder the user cannot write to.

#include <QString>

class PellowFolder
{
public:
    static QString choose(const QString &exeDir, const QString &userDataDir);
    // $XDG_DATA_HOME/pellow, by default ~/.local/share/pellow.
    static QString userDataDir();
    static bool isInstalled(const QString &exeDir);
};
