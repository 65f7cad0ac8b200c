#pragma once

// The firmware tool's application object: picks the adapter library from the tool's own
// configuration, runs the main dialog modally and ends when the dialog closes.

#include <QString>

class CPellowApp
{
public:
    explicit CPellowApp(const QString &baseDir);

    // Runs the dialog; returns false once it has closed, so no message loop follows.
    bool initInstance();

private:
    QString m_baseDir;
};
