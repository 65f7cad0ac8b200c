#pragma once

// The firmware tool's only window: open and close the adapter, show its information and
// switch it into firmware-replacement mode. Every control carries its numeric ID in the
// "controlId" property.

#include "wexlib.h"

#include <QDialog>

class Notifier;
class QLineEdit;
class QMenu;
class QPushButton;

class CPellowDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr uint AboutCommand = 16; // about entry of the system menu

    CPellowDlg(Wexlib &library, Notifier &notifier, QWidget *parent = nullptr);

    // The handle of the adapter opened last; 0 when none was opened or after an upgrade.
    WexHandle deviceHandle() const { return m_deviceHandle; }
    // Commands 16 to 31 open the about box.
    void onSysCommand(uint command);

private slots:
    void on_btnOpen_clicked();
    void on_btnClose_clicked();
    void on_btnInfo_clicked();
    void on_btnUpgrade_clicked();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void showEvent(QShowEvent *event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;
#endif

private:
    QPushButton *addButton(const char *name, int id, const QString &text);
    void createControls();
    void createSystemMenu();
    void setDeviceOpen(bool open);

    Wexlib &m_library;
    Notifier &m_notifier;
    WexHandle m_deviceHandle = 0;
    QPushButton *m_btnOpen = nullptr;
    QPushButton *m_btnClose = nullptr;
    QPushButton *m_btnInfo = nullptr;
    QPushButton *m_btnUpgrade = nullptr;
    QPushButton *m_btnSetSn = nullptr;
    QLineEdit *m_editSn = nullptr;
    QMenu *m_systemMenu = nullptr;
#ifdef Q_OS_WIN
    bool m_nativeMenuAdded = false;
#endif
};
