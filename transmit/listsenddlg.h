#pragma once

// The list-send dialog: a table of messages, each on its own period and channel, sent by
// one list-send thread. Rows are added, removed, moved and edited in place; the list is
// imported from and exported to JSON files and kept in config/listsend.json between runs.

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class listSendDlg;
}
class ListSendModel;
class ListSendThread;
class QAction;
class QPushButton;
class SignalDatabases;

class listSendDlg : public QDialog
{
    Q_OBJECT
public:
    explicit listSendDlg(QWidget *parent = nullptr);
    ~listSendDlg() override;

    // The action that opens the dialog; it is re-titled with the language.
    void setOpenAction(QAction *action);
    // The databases rows are bound to (per channel) and their signals encoded with.
    void setSignalDatabases(const SignalDatabases *databases) { signalDatabases = databases; }
    void applyLanguage();
    // Ends every running row (before the device closes).
    void stopSending();
    ListSendModel *listModel() const { return model; }
    // Where the list is kept between runs.
    static QString storePath();

signals:
    void log(QString msg);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_pbnClose_clicked();
    void on_pbnSend_clicked();
    void on_pbnStopSend_clicked();
    void on_pbnImport_clicked();
    void on_pbnDerive_clicked();

private:
    void addEditButtons();
    int currentRow() const;
    bool startRow(int row, bool once);
    void editSignals(int row);
    void stopRunning();
    void rowEnded(int row, bool failed);
    void updateSentCounts();
    void rowEdited(int row);
    void saveList();
    void restoreList();

    Ui::listSendDlg *ui;
    ListSendModel *model;
    std::unique_ptr<ListSendThread> sender;
    QAction *openAction = nullptr;
    QPushButton *addButton, *removeButton, *upButton, *downButton, *onceButton, *startButton,
        *signalsButton;
    const SignalDatabases *signalDatabases = nullptr;
    bool restoring = false;
};
