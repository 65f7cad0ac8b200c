#include "app/displayrefresh.h"

#include "receive/mytablemodel.h"
#include "receive/pendingframes.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QTime>

#include <algorithm>

DisplayRefresh::DisplayRefresh(MyTableModel *model, const DisplayWidgets &widgets, QObject *parent)
    : QObject(parent), model(model), ui(widgets)
{
    connect(ui.table->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { userScrolled = true; });
}

void DisplayRefresh::refresh()
{
    QList<ModelItem> accepted = takeAndRecord();
    if (!ui.pause->isChecked())
        show(accepted);
}

int DisplayRefresh::slotOf(const ModelItem &item)
{
    if (item.channel > 1 || (item.recv != 0 && item.recv != 1))
        return -1;
    return (item.recv == 1 ? Ch1Rx : Ch1Tx) + static_cast<int>(item.channel);
}

// Numbers, counts and records everything pending; returns the records the display
// filter accepts.
QList<ModelItem> DisplayRefresh::takeAndRecord()
{
    QList<ModelItem> records = takePending();
    QList<ModelItem> accepted;
    QList<ModelItem> rows;
    uint32_t batch[4] = {};
    const bool saving = recorder.isOpen();
    for (ModelItem &item : records) {
        item.index = QString::number(nextFrameIndex());
        item.systemTime = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"));
        const int slot = slotOf(item);
        if (slot >= 0)
            ++batch[slot];
        const bool shown = model->acceptsItem(item);
        if (saving && (shown || !saveFiltered))
            rows << item;
        if (shown)
            accepted << item;
    }
    count.framesTaken += static_cast<uint64_t>(records.size());
    addToTotals(batch);
    if (!rows.isEmpty())
        record(rows);
    return accepted;
}

void DisplayRefresh::record(QList<ModelItem> &rows)
{
    if (!recorder.writeRows(rows) || !recorder.flush()) {
        const QString error = recorder.errorString();
        recorder.close();
        emit recordingFailed(error);
        return;
    }
    count.framesRecorded += static_cast<uint64_t>(rows.size());
}

void DisplayRefresh::show(QList<ModelItem> &accepted)
{
    const int previousRow = ui.table->currentIndex().row();
    const int incoming = std::min<qint64>(accepted.size(), limit);
    trimFor(incoming);
    if (incoming <= 0)
        return;
    const QList<ModelItem> newest = accepted.mid(accepted.size() - incoming);
    count.framesShown += static_cast<uint64_t>(incoming);
    if (ui.merge->isChecked()) {
        mergeAppend(newest, previousRow);
        return;
    }
    QList<FrameRow> rows;
    rows.reserve(newest.size());
    for (const ModelItem &item : newest)
        rows << FrameRow::fromItem(item);
    model->appendRows(rows);
    ui.table->scrollToBottom();
}

// Removes the oldest rows so that the table holds at most listLimit rows once
// `incoming` more have been added.
void DisplayRefresh::trimFor(int incoming)
{
    const qint64 rows = model->rowCount();
    const qint64 excess = std::min<qint64>(rows, rows + incoming - qint64(limit));
    if (excess <= 0)
        return;
    model->removeFirstRows(static_cast<int>(excess));
    ui.table->setCurrentIndex(QModelIndex());
}

void DisplayRefresh::mergeAppend(const QList<ModelItem> &accepted, int previousRow)
{
    for (const ModelItem &item : accepted)
        model->appendRow(FrameRow::fromItem(item));
    if (userScrolled) {
        userScrolled = false;
        return;
    }
    if (previousRow >= 0 && previousRow < model->rowCount())
        ui.table->selectRow(previousRow);
}

void DisplayRefresh::addToTotals(const uint32_t batch[4])
{
    for (int slot = 0; slot < 4; ++slot) {
        count.rateCounters[slot] += batch[slot];
        count.totals[slot] += batch[slot];
        ui.totals[slot]->setText(QString::number(count.totals[slot]));
    }
}

void DisplayRefresh::publishRates()
{
    for (int slot = 0; slot < 4; ++slot) {
        ui.rates[slot]->setText(QStringLiteral("%1/s;").arg(count.rateCounters[slot]));
        count.rateCounters[slot] = 0;
    }
}

void DisplayRefresh::resetTotals()
{
    for (int slot = 0; slot < 4; ++slot) {
        count.totals[slot] = 0;
        ui.totals[slot]->setText(QStringLiteral("0"));
    }
}

void DisplayRefresh::clearList()
{
    resetFrameIndex();
    model->clearRows();
    ui.table->setCurrentIndex(QModelIndex());
}

bool DisplayRefresh::startRecording(const QString &path, bool filteredOnly)
{
    saveFiltered = filteredOnly;
    return recorder.open(path, model->headerLabels());
}

void DisplayRefresh::stopRecording()
{
    recorder.close();
}
