#include "device/filterdialog.h"

#include "app/screenscale.h"
#include "device/dialognotifier.h"
#include "settings/settingsstore.h"
#include "ui_filterdialog.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableWidgetItem>

namespace {

constexpr int StandardMaxId = 0x7FF;
constexpr int ExtendedMaxId = 0x1FFFFFFF;

QString standardFrameText()
{
    return byLanguage("标准帧", "標準幀", "Standard Frame");
}

QString extendedFrameText()
{
    return byLanguage("扩展帧", "擴展幀", "Extended Frame");
}

// Frame-format texts of every language back to their mode digit.
QString frameTextsToDigits(QString text)
{
    for (const char *standard : {"標準幀", "Standard Frame", "标准帧"})
        text.replace(QString::fromUtf8(standard), QStringLiteral("0"));
    for (const char *extended : {"擴展幀", "Extended Frame", "扩展帧"})
        text.replace(QString::fromUtf8(extended), QStringLiteral("1"));
    return text;
}

} // namespace

FilterDialog::FilterDialog(int channel, const QString &list, QWidget *parent)
    : QDialog(parent), ui(new Ui::FilterDialog), channelNumber(channel)
{
    ui->setupUi(this);
    followScreenScale(this);
    setWindowTitleForChannel();
    ui->tableWidget->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    connect(ui->pushButton_3, &QPushButton::clicked, this, &QDialog::reject);
    ui->comboBox->setCurrentIndex(0);
    on_comboBox_currentIndexChanged(0);
    if (!list.isEmpty())
        loadList(list);
}

FilterDialog::~FilterDialog()
{
    delete ui;
}

void FilterDialog::setWindowTitleForChannel()
{
    setWindowTitle(
        byLanguage("通道%1滤波设置", "通道%1濾波設置", "Channel%1 filter set").arg(channelNumber));
}

void FilterDialog::loadList(const QString &list)
{
    const QStringList entries = list.split(QLatin1Char('|'));
    for (const QString &entry : entries) {
        QStringList fields = entry.split(QLatin1Char('-'));
        fields[0] = fields.at(0) == QLatin1String("0") ? standardFrameText() : extendedFrameText();
        appendRow(fields);
    }
}

void FilterDialog::appendRow(const QStringList &fields)
{
    const int row = ui->tableWidget->rowCount();
    ui->tableWidget->insertRow(row);
    // A stored entry with fewer fields shows empty cells, extra fields are not shown.
    for (int column = 0; column < 3; ++column) {
        auto *item = new QTableWidgetItem(column < fields.size() ? fields.at(column) : QString());
        item->setTextAlignment(Qt::AlignCenter);
        ui->tableWidget->setItem(row, column, item);
    }
}

QString FilterDialog::rowText(int row) const
{
    QStringList cells;
    for (int column = 0; column < 3; ++column) {
        const QTableWidgetItem *item = ui->tableWidget->item(row, column);
        cells.append(item ? item->text() : QString());
    }
    return cells.join(QLatin1Char('-'));
}

void FilterDialog::on_comboBox_currentIndexChanged(int index)
{
    ui->spinBox_2->setEnabled(index % 2 == 0);
    const int maximum = index <= 1 ? StandardMaxId : ExtendedMaxId;
    ui->spinBox->setRange(0, maximum);
    ui->spinBox_2->setRange(0, maximum);
}

void FilterDialog::on_pushButton_4_clicked()
{
    const int mode = ui->comboBox->currentIndex();
    const QString frameText = mode <= 1 ? standardFrameText() : extendedFrameText();
    const QString start = ui->spinBox->text().toUpper();
    const QString end = mode % 2 == 1 ? start : ui->spinBox_2->text().toUpper();
    if (start.toUInt(nullptr, 16) <= end.toUInt(nullptr, 16)) {
        appendRow({frameText, start, end});
        return;
    }
    showDialogMessage(this, MessageKind::Warning, errorTitle(),
                      byLanguage("结束ID不可小于起始ID", "結束ID不可小於起始ID",
                                 "The end ID cannot be less than the start ID"));
}

void FilterDialog::on_pushButton_clicked()
{
    const int row = ui->tableWidget->currentRow();
    if (row >= 0)
        ui->tableWidget->removeRow(row);
}

void FilterDialog::on_pushButton_2_clicked()
{
    // A row whose text already occurs in the list built so far is left out. With the
    // fixed field order that is a repeat or a sub-range of an earlier entry (0x10-0x20
    // after 0x10-0x200: same mode and start, an end that is a prefix of the earlier one),
    // so no frame is lost by it.
    QString result;
    for (int row = 0; row < ui->tableWidget->rowCount(); ++row) {
        const QString text = rowText(row);
        if (!result.contains(text))
            result += text + QLatin1Char('|');
    }
    result.chop(1);
    resultList = frameTextsToDigits(result);
    accept();
}

void FilterDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setWindowTitleForChannel();
    }
    QDialog::changeEvent(event);
}
