#include "transmit/datadlg.h"

#include "app/screenscale.h"

#include "ui_datadlg.h"

#include <QScreen>
#include <QSignalBlocker>

#include <cmath>

namespace {

constexpr int HexColumn = 0;
constexpr int DecimalColumn = 1;
constexpr int FirstBitColumn = 2;
constexpr int BitCount = 8;
constexpr int ValueColumnWidth = 60;
constexpr int BitColumnWidth = 30;
const QColor BitBackground(128, 128, 255);

} // namespace

DataDlg::DataDlg(const QByteArray &bytes, int32_t length, QWidget *parent)
    : QDialog(parent), ui(new Ui::DataDlg)
{
    ui->setupUi(this);
    followScreenScale(this);
    setColumnWidths();
    if (QScreen *screen = scalingScreen())
        connect(screen, &QScreen::logicalDotsPerInchChanged, this, &DataDlg::setColumnWidths);
    const int rows = qMax(0, length);
    ui->label_2->setText(QString::number(length));
    ui->tableWidget->setRowCount(rows);
    for (int row = 0; row < rows; ++row)
        fillRow(row, row < bytes.size() ? static_cast<uint8_t>(bytes.at(row)) : 0);
}

DataDlg::~DataDlg()
{
    delete ui;
}

void DataDlg::setColumnWidths()
{
    const double factor = screenScaleFactor(this);
    const int valueWidth = static_cast<int>(std::lround(ValueColumnWidth * factor));
    const int bitWidth = static_cast<int>(std::lround(BitColumnWidth * factor));
    ui->tableWidget->setColumnWidth(HexColumn, valueWidth);
    ui->tableWidget->setColumnWidth(DecimalColumn, valueWidth);
    for (int bit = 0; bit < BitCount; ++bit)
        ui->tableWidget->setColumnWidth(FirstBitColumn + bit, bitWidth);
}

// Cells are created once and then only get new texts, so that an item handed to a signal
// stays valid while its row is refilled.
void DataDlg::fillRow(int row, uint8_t value)
{
    const QSignalBlocker blocker(ui->tableWidget);
    setCellText(row, HexColumn, QString::number(value, 16).toUpper());
    setCellText(row, DecimalColumn, QString::number(value));
    for (int bit = 0; bit < BitCount; ++bit)
        setCellText(row, FirstBitColumn + bit,
                    (value & (0x80 >> bit)) ? QStringLiteral("1") : QStringLiteral("0"));
}

void DataDlg::setCellText(int row, int column, const QString &text)
{
    if (QTableWidgetItem *item = ui->tableWidget->item(row, column)) {
        item->setText(text);
        return;
    }
    auto *item = new QTableWidgetItem(text);
    if (column >= FirstBitColumn) {
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        item->setBackground(BitBackground);
    }
    ui->tableWidget->setItem(row, column, item);
}

uint8_t DataDlg::rowValue(int row) const
{
    const QTableWidgetItem *item = ui->tableWidget->item(row, HexColumn);
    return item ? static_cast<uint8_t>(item->text().toUInt(nullptr, 16) & 0xFF) : 0;
}

void DataDlg::on_pushButton_clicked()
{
    resultBytes.clear();
    for (int row = 0; row < ui->tableWidget->rowCount(); ++row)
        resultBytes.append(static_cast<char>(rowValue(row)));
    accept();
}

void DataDlg::on_pushButton_2_clicked()
{
    reject();
}

void DataDlg::on_tableWidget_itemClicked(QTableWidgetItem *item)
{
    if (!item || item->column() < FirstBitColumn)
        return;
    item->setText(item->text() == QLatin1String("0") ? QStringLiteral("1") : QStringLiteral("0"));
    const int row = item->row();
    uint8_t value = 0;
    for (int bit = 0; bit < BitCount; ++bit) {
        const QTableWidgetItem *cell = ui->tableWidget->item(row, FirstBitColumn + bit);
        if (cell && cell->text() == QLatin1String("1"))
            value |= static_cast<uint8_t>(0x80 >> bit);
    }
    fillRow(row, value);
}

void DataDlg::on_tableWidget_itemChanged(QTableWidgetItem *item)
{
    if (!item || item->column() > DecimalColumn)
        return;
    const int base = item->column() == HexColumn ? 16 : 10;
    fillRow(item->row(), static_cast<uint8_t>(item->text().toUInt(nullptr, base) & 0xFF));
}

void DataDlg::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
