#include "signalsdock.h"

#include "database/itemframe.h"
#include "database/signalcodec.h"
#include "database/signaldatabases.h"
#include "settings/settingsstore.h"

#include <QHeaderView>
#include <QTableWidget>

SignalsDock::SignalsDock(const SignalDatabases *databases, QWidget *parent)
    : QDockWidget(parent), databases(databases), table(new QTableWidget(0, 5, this))
{
    setObjectName(QStringLiteral("signalsDock"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    table->setObjectName(QStringLiteral("signalsTable"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    setWidget(table);
    applyLanguage();
}

void SignalsDock::applyLanguage()
{
    setWindowTitle(byLanguage("信号", "訊號", "Signals"));
    table->setHorizontalHeaderLabels(
        {byLanguage("信号", "訊號", "Signal"), byLanguage("值", "值", "Value"),
         byLanguage("单位", "單位", "Unit"), byLanguage("描述", "描述", "Text"),
         byLanguage("原始值", "原始值", "Raw")});
    if (hasFrame)
        showFrame(shown);
}

void SignalsDock::clearFrame()
{
    hasFrame = false;
    table->setRowCount(0);
}

void SignalsDock::setStatus(const QString &text)
{
    table->clearSpans();
    table->setRowCount(1);
    table->setItem(0, 0, new QTableWidgetItem(text));
    table->setSpan(0, 0, 1, 5);
    for (int c = 1; c < 5; ++c)
        table->setItem(0, c, new QTableWidgetItem());
}

void SignalsDock::showFrame(const ModelItem &item)
{
    shown = item;
    hasFrame = true;
    ItemFrame frame;
    const auto db = databases->database(int(item.channel));
    if (!db) {
        setStatus(byLanguage("此通道未加载信号数据库", "此通道未載入訊號資料庫",
                             "No signal database for this channel"));
        return;
    }
    const DbcMessage *message =
        readItemFrame(item, frame) ? db->find(frame.id, frame.extended) : nullptr;
    if (!message) {
        setStatus(byLanguage("数据库中没有此标识符", "資料庫中沒有此識別碼",
                             "Identifier not in the database"));
        return;
    }
    DecodedFrame decoded;
    SignalCodec::decode(*message, frame.data, frame.length, decoded);
    const int notes = (decoded.missing > 0 ? 1 : 0) + (decoded.unselectedMux ? 1 : 0);
    table->clearSpans();
    table->setRowCount(int(decoded.values.size()) + 1 + notes);
    table->setItem(0, 0, new QTableWidgetItem(message->name));
    for (int c = 1; c < 5; ++c)
        table->setItem(0, c, new QTableWidgetItem());
    int row = 1;
    for (const DecodedSignal &v : decoded.values) {
        const DbcSignal &s = message->signalList[size_t(v.index)];
        table->setItem(row, 0, new QTableWidgetItem(s.name));
        table->setItem(row, 1, new QTableWidgetItem(QString::number(v.physical, 'g', 10)));
        table->setItem(row, 2, new QTableWidgetItem(s.unit));
        table->setItem(row, 3, new QTableWidgetItem(s.valueText(v.raw)));
        table->setItem(row, 4, new QTableWidgetItem(QString::number(v.raw)));
        ++row;
    }
    for (int r = row; r < table->rowCount(); ++r)
        table->setSpan(r, 0, 1, 5);
    if (decoded.missing > 0) {
        table->setItem(
            row++, 0,
            new QTableWidgetItem(byLanguage("%1 个信号超出数据长度，未解码",
                                            "%1 個訊號超出資料長度，未解碼",
                                            "%1 signals lie past the data and were not decoded")
                                     .arg(decoded.missing)));
    }
    if (decoded.unselectedMux) {
        table->setItem(
            row++, 0,
            new QTableWidgetItem(byLanguage("多路复用值没有对应的信号组", "多工值沒有對應的訊號組",
                                            "A multiplexor value selects no signal group")));
    }
    table->resizeColumnsToContents();
}
