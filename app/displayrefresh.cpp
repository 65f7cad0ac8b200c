#include "app/displayrefresh.h"

#include "app/passclock.h"

#include "receive/mytablemodel.h"
#include "receive/pendingframes.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

namespace {

// The frame number in decimal, built in place (one allocation, no locale lookup).
QString indexText(uint32_t number)
{
    QChar digits[10];
    int first = 10;
    do {
        digits[--first] = QLatin1Char(char('0' + number % 10));
        number /= 10;
    } while (number != 0);
    return QString(digits + first, 10 - first);
}

} // namespace

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

void DisplayRefresh::recordRemaining()
{
    takeAndRecord();
}

int DisplayRefresh::slotOf(const ModelItem &item)
{
    if (item.channel > 1 || (item.recv != 0 && item.recv != 1))
        return -1;
    return (item.recv == 1 ? Ch1Rx : Ch1Tx) + static_cast<int>(item.channel);
}

// What one refresh pass carries from record to record.
struct DisplayRefresh::Pass
{
    PassClock clock;
    bool filtering = false;
    bool saving = false;
    int recorded = 0;
    uint32_t batch[4] = {};
};

// Numbers, counts and records everything pending; returns the records the display
// filter accepts (without column filters, the taken list itself, shared).
QList<ModelItem> DisplayRefresh::takeAndRecord()
{
    QList<ModelItem> records = takePending();
    Pass pass;
    pass.filtering = model->hasColumnFilters();
    pass.saving = recorder.isOpen();
    QList<ModelItem> accepted;
    for (ModelItem &item : records) {
        if (takeOne(item, pass) && pass.filtering)
            accepted << item;
    }
    count.framesTaken += static_cast<uint64_t>(records.size());
    addToTotals(pass.batch);
    if (pass.recorded > 0)
        finishRecording(pass.recorded);
    if (!records.isEmpty())
        emit recordsTaken(records);
    return pass.filtering ? accepted : records;
}

// Numbers, counts and records one record; true when the display filter accepts it.
bool DisplayRefresh::takeOne(ModelItem &item, Pass &pass)
{
    item.index = indexText(nextFrameIndex());
    item.systemTime = pass.clock.now();
    const int slot = slotOf(item);
    if (slot >= 0)
        ++pass.batch[slot];
    const bool shown = !pass.filtering || model->acceptsItem(item);
    if (pass.saving && (shown || !saveFiltered)) {
        pass.saving = recorder.addRow(item);
        ++pass.recorded;
    }
    return shown;
}

// Writes the rows added during this pass; on failure recording stops and is reported.
void DisplayRefresh::finishRecording(int rows)
{
    if (!recorder.writeAdded() || !recorder.flush()) {
        const QString error = recorder.errorString();
        recorder.close();
        emit recordingFailed(error);
        return;
    }
    count.framesRecorded += static_cast<uint64_t>(rows);
}

void DisplayRefresh::show(QList<ModelItem> &accepted)
{
    // A list buffer of 0 shows no new rows and keeps the ones on screen.
    if (limit == 0)
        return;
    const int previousRow = ui.table->currentIndex().row();
    if (ui.merge->isChecked()) {
        // Every accepted record is offered to the merge, so an identifier seen only early
        // in a burst keeps its row; the table is trimmed to the limit afterwards.
        if (accepted.isEmpty()) {
            trimFor(0);
            return;
        }
        count.framesShown += static_cast<uint64_t>(accepted.size());
        mergeAppend(std::move(accepted), previousRow);
        return;
    }
    const int incoming = std::min<qint64>(accepted.size(), limit);
    trimFor(incoming);
    if (incoming <= 0)
        return;
    const int first = accepted.size() - incoming;
    count.framesShown += static_cast<uint64_t>(incoming);
    model->appendItems(std::move(accepted), first);
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

void DisplayRefresh::mergeAppend(QList<ModelItem> &&accepted, int previousRow)
{
    model->mergeItems(std::move(accepted), 0);
    if (model->rowCount() > qint64(limit)) {
        trimFor(0);
        previousRow = -1;
    }
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
    emit ratesPublished();
}

void DisplayRefresh::resetTotals()
{
    for (int slot = 0; slot < 4; ++slot) {
        count.totals[slot] = 0;
        ui.totals[slot]->setText(QStringLiteral("0"));
    }
    emit totalsReset();
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
