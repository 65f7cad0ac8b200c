#include "transmit/listsignaldialog.h"

#include "database/dbcdatabase.h"
#include "settings/settingsstore.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QStringList modeTexts()
{
    return {byLanguage("固定", "固定", "fixed"), byLanguage("计数", "計數", "counter"),
            byLanguage("斜坡", "斜坡", "ramp")};
}

QDoubleSpinBox *numberBox(double value, QWidget *parent)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setRange(-1e15, 1e15);
    box->setDecimals(6);
    box->setValue(value);
    box->setFrame(false);
    return box;
}

} // namespace

ListSignalDialog::ListSignalDialog(std::shared_ptr<const DbcDatabase> database,
                                   const ListSendRow &row, QWidget *parent)
    : QDialog(parent), database(std::move(database)), row(row), messages(new QComboBox(this)),
      info(new QLabel(this)), table(new QTableWidget(0, ColumnCount, this))
{
    setObjectName(QStringLiteral("listSignalDialog"));
    setWindowTitle(byLanguage("信号值", "訊號值", "Signal values"));
    auto *form = new QFormLayout;
    form->addRow(byLanguage("报文：", "報文：", "Message:"), messages);
    table->setHorizontalHeaderLabels(
        {byLanguage("信号", "訊號", "Signal"), byLanguage("数值", "數值", "Value"),
         byLanguage("单位", "單位", "Unit"), byLanguage("方式", "方式", "Mode"),
         byLanguage("步长", "步長", "Step")});
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(Name, 200);
    table->setColumnWidth(Value, 140);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(byLanguage("确定", "確定", "OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(byLanguage("取消", "取消", "Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(info);
    layout->addWidget(table, 1);
    layout->addWidget(buttons);

    messages->addItem(byLanguage("（不绑定）", "（不綁定）", "(not bound)"));
    int current = 0;
    if (this->database) {
        for (const DbcMessage &m : this->database->messages) {
            messages->addItem(QStringLiteral("%1  0x%2").arg(m.name, QString::number(m.id, 16).toUpper()),
                              m.name);
            if (m.name == row.boundMessage)
                current = messages->count() - 1;
        }
    }
    messages->setCurrentIndex(current);
    showMessage(current);
    connect(messages, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ListSignalDialog::showMessage);
    resize(720, 420);
}

const DbcMessage *ListSignalDialog::chosenMessage() const
{
    return database && messages->currentIndex() > 0
               ? messageNamed(*database, messages->currentData().toString())
               : nullptr;
}

void ListSignalDialog::showMessage(int)
{
    table->setRowCount(0);
    const DbcMessage *m = chosenMessage();
    if (!m) {
        info->setText(database
                          ? QString()
                          : byLanguage("本通道没有加载信号数据库。", "本通道沒有載入訊號資料庫。",
                                       "No signal database is loaded for this channel."));
        return;
    }
    info->setText(
        byLanguage("%1 字节，周期 %2 ms", "%1 位元組，週期 %2 ms", "%1 bytes, cycle %2 ms")
            .arg(m->length)
            .arg(m->cycleTimeMs));
    const bool same = m->name == row.boundMessage;
    table->setRowCount(int(m->signalList.size()));
    for (int i = 0; i < int(m->signalList.size()); ++i) {
        const DbcSignal &s = m->signalList[size_t(i)];
        ListSignalValue v{s.name, s.startValue * s.factor + s.offset};
        if (same) {
            for (const ListSignalValue &kept : row.signalValues) {
                if (kept.name == s.name)
                    v = kept;
            }
        }
        auto *name = new QTableWidgetItem(s.name);
        name->setFlags(Qt::ItemIsEnabled);
        table->setItem(i, Name, name);
        table->setCellWidget(i, Value, numberBox(v.value, table));
        auto *unit = new QTableWidgetItem(s.unit);
        unit->setFlags(Qt::ItemIsEnabled);
        table->setItem(i, Unit, unit);
        auto *mode = new QComboBox(table);
        mode->addItems(modeTexts());
        mode->setCurrentIndex(v.mode);
        table->setCellWidget(i, Mode, mode);
        table->setCellWidget(i, Step, numberBox(v.step, table));
    }
}

std::vector<ListSignalValue> ListSignalDialog::values() const
{
    std::vector<ListSignalValue> out;
    for (int i = 0; i < table->rowCount(); ++i) {
        ListSignalValue v;
        v.name = table->item(i, Name)->text();
        v.value = static_cast<QDoubleSpinBox *>(table->cellWidget(i, Value))->value();
        v.mode = static_cast<QComboBox *>(table->cellWidget(i, Mode))->currentIndex();
        v.step = static_cast<QDoubleSpinBox *>(table->cellWidget(i, Step))->value();
        out.push_back(v);
    }
    return out;
}

ListSendRow ListSignalDialog::editedRow() const
{
    if (result() != QDialog::Accepted)
        return row;
    ListSendRow edited = row;
    if (const DbcMessage *m = chosenMessage()) {
        bindListRow(edited, *m, values());
    } else {
        edited.boundMessage.clear();
        edited.signalValues.clear();
    }
    return edited;
}
