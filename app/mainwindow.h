#pragma once

// The main window: builds the form, the menus, the frame table and the log dock, creates
// and wires the worker threads, runs the display refresh and the one-second update, and
// shuts everything down in order. Display work is in DisplayRefresh, menus in MainMenus,
// the translator in LanguageSwitch.

#include "app/languageswitch.h"

#include <QMainWindow>
#include <QTimer>

#include <cstdint>

class BusAnalysis;
class DisplayFilter;
class DisplayRefresh;
class MainMenus;
class MyTableModel;
class QDockWidget;
class QTextEdit;
class SignalAnalysis;
class recvThread;
class sendThread;
class listSendDlg;
class valueDialog;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

public slots:
    void refreshDisplay();
    void updateRates();
    void deviceClosed();
    void setLa();
    void appendLog(const QString &msg);
    void canLog(const QString &msg);
    // Language actions: 0 simplified Chinese, 1 traditional Chinese, 2 English.
    void switchLanguage(uint32_t language);
    // valueDialog's getValue; index 2 is the list buffer size.
    void applyValue(const QString &str, int index);
    // The device menu's "设备操作": the open-device dialog, then the opened channels.
    void runDeviceOperations();
    // Starts receiving and enables sending on the channels the open-device dialog started.
    void applyOpenedChannels(const bool started[2]);
    // Turns real-time recording on (asking for the file) or off, as the check box says.
    void on_checkBox_clicked();
    // The same, with the path and scope already chosen (true when recording started).
    bool startRecording(const QString &path, int scope);

private slots:
    void on_cleanListBtn_clicked();
    void on_pushButton_clicked();
    void onRecvIdError(uint channel, uint lastID, uint ID);
    void onRecordingFailed(const QString &error);
    void toggleLogDock(bool visible);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createLogDock();
    void createMenus();
    void connectMenus();
    void connectOptionActions();
    void createThreads();
    void setUpTable();
    void createDisplay();
    void restoreOptions();
    void scaleColumns(double factor);
    void armTimers();
    void showListBufferDialog();
    void stopWorkers();
    void resetTitle();
    void warn(const QString &text);
    void appendLogParagraph(const QString &text);
    void logUnloadedTranslations();

    MyTableModel *model = nullptr;
    Ui::MainWindow *ui;
    QDockWidget *logDock = nullptr;
    QTextEdit *logView = nullptr;
    MainMenus *mainMenus = nullptr;
    DisplayFilter *displayFilter = nullptr;
    valueDialog *valueDlg = nullptr;
    // The list-send form exists for the window's life; its action is in no menu yet.
    listSendDlg *listSend = nullptr;
    QAction *listSendAction = nullptr;
    recvThread *recv[2] = {nullptr, nullptr};
    sendThread *send[2] = {nullptr, nullptr};
    DisplayRefresh *display = nullptr;
    SignalAnalysis *signalWindows = nullptr;
    BusAnalysis *busWindows = nullptr;
    LanguageSwitch language;
    QTimer refreshTimer;
    QTimer rateTimer;
    uint32_t receiveScanTime = 1;
    uint32_t receiveFrameCount = 1000;
    int deviceIndex = 0;
    bool deviceWasOpen = false;
};
