#pragma once

// "Signal database…": the file loaded for each channel, and buttons to load a file for
// channel 1, channel 2 or both, or to remove one. A file that does not load is refused
// with its fault (line and column) and changes nothing.

#include <QDialog>

class QLabel;
class QPushButton;
class SignalDatabases;

class SignalDatabaseDialog : public QDialog
{
    Q_OBJECT
public:
    SignalDatabaseDialog(SignalDatabases *databases, QWidget *parent);
    void applyLanguage();

signals:
    void log(const QString &line);

private:
    void loadFor(int channelMask);
    void showFiles();

    SignalDatabases *databases;
    QLabel *channelLabels[2];
    QLabel *files[2];
    QPushButton *loadButtons[3]; // channel 1, channel 2, both
    QPushButton *removeButtons[2];
    QPushButton *closeButton;
};
