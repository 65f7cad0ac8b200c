#pragma once

// The log viewer: one log file of any supported format in a window of its own. The file
// is indexed on a worker thread (progress shown, cancellable, the first rows visible at
// once) and only the rows on screen are read and formatted. The user filters by channel
// and identifier, goes to a time, selects and copies rows, exports all or the shown frames
// to any writable format and replays the shown frames on the bus through the file-send
// thread. With the signal databases loaded, a last column shows each frame's decoded
// signals, and chosen signals can be plotted over the whole file. Results and failures are
// said in the window's message line.

#include "database/signalfeed.h"
#include "record/logexporter.h"
#include "record/logindexer.h"

#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <memory>

class LogSignalPlot;
class LogTableModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class SignalDatabases;

class LogViewer : public QWidget
{
    Q_OBJECT
public:
    // Starts a replay of a CSV frame file (interval -1: recorded timing; channel 0, 1, or
    // 2 as recorded); false when the send thread is busy.
    using ReplayStarter = std::function<bool(const QString &path, int interval, int channel)>;

    explicit LogViewer(QWidget *parent = nullptr);
    ~LogViewer() override;

    bool openFile(const QString &path);
    void setReplayHandlers(ReplayStarter start, std::function<void()> stop);
    // The databases that decode the file's channels 1 and 2 (followed as they change).
    void setSignalDatabases(const SignalDatabases *databases);

    // The actions behind the window's controls, without their dialogs.
    bool applyFilter(int channel, const QString &identifiers); // channel -1: all
    bool goToTime(const QString &text);
    QString copySelection();
    bool startExport(const QString &path, LogFormat format, bool shownOnly);
    bool startReplay(int channel, int interval);
    // Opens a plot of the signals over the whole file; nullptr before the index is complete.
    LogSignalPlot *plotSignals(const std::vector<SignalRef> &refs);
    void cancelWork();

    LogTableModel *model() const { return rows; }
    QTableView *table() const { return view; }
    QString statusText() const;
    QString messageText() const;
    bool isIndexing() const { return indexer != nullptr; }
    bool isReplaying() const { return replaying; }

public slots:
    // The file-send thread ended a job (channel index 0 ends a replay).
    void replayEnded(uint channel);

signals:
    void indexingFinished();
    void exportFinished(const LogExportResult &result);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWidgets();
    void retranslate();
    void onBatch();
    void onIndexed();
    void onExported(const LogExportResult &result);
    void onReplayFileReady(const LogExportResult &result);
    void chooseFile();
    void chooseExport();
    void chooseReplay();
    void choosePlotSignals();
    void applyDatabases();
    void filterFromControls();
    void updateStatus();
    void updateControls();
    void showMessage(const QString &text, bool failure);
    void fillChannelChoices();
    bool runExporter(const LogExporter::Job &job, bool forReplay);

    LogTableModel *rows;
    QTableView *view;
    QPushButton *openButton, *filterButton, *clearFilterButton, *goButton, *copyButton,
        *exportButton, *replayButton, *plotButton, *cancelButton;
    QLabel *channelLabel, *idLabel, *timeLabel, *status, *message, *progressLabel;
    QComboBox *channelChoice;
    QLineEdit *idEdit, *timeEdit;
    QProgressBar *progress;

    QString path;
    LogFormat format = LogFormat::None;
    std::unique_ptr<LogIndexer> indexer;
    std::unique_ptr<LogExporter> exporter;
    int indexGeneration = 0; // of the current indexer, checked by its queued signals
    int exportGeneration = 0;
    bool exportForReplay = false;
    int replayInterval = -1, replayChannel = 2;
    LogIndexSummary summary;
    bool indexed = false;
    bool replaying = false;
    int maxChannel = -1;
    QString lastMessage;
    bool lastFailed = false;
    QTemporaryDir replayDir;
    ReplayStarter replayStart;
    std::function<void()> replayStop;
    const SignalDatabases *signalDatabases = nullptr;
};
