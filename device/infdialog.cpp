#include "device/infdialog.h"

#include "app/screenscale.h"
#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "settings/settingsstore.h"
#include "ui_infdialog.h"

#include <QDebug>
#include <QEvent>

#include <cstring>

namespace {

// Latin-1 text up to the first NUL, never beyond the field.
QString fieldText(const char *field, size_t size)
{
    const void *nul = std::memchr(field, 0, size);
    const size_t length = nul ? size_t(static_cast<const char *>(nul) - field) : size;
    return QString::fromLatin1(field, int(length));
}

} // namespace

void showDeviceInformation(QWidget *parent, InfoEntry from)
{
    if (from == InfoEntry::MainWindow)
        qDebug() << "getdeviceInfo";
    if (!isDeviceOpen()) {
        const QString title =
            from == InfoEntry::OpenDialog ? tipTitle() : byLanguage("提示", "提示", "warning");
        showDialogMessage(parent, MessageKind::Warning, title,
                          byLanguage("设备未打开！", "設備未打開！", "The device is not opened!"));
        return;
    }
    const BoardInfo info = readBoardInfo();
    // A firmware version of 0 means the query failed, except for interfaces without a
    // firmware of their own, which always report it; for them only an empty answer fails.
    const bool failed = adapterHasFirmware() ? info.firmwareVersion == 0 : info.channelCount == 0;
    if (failed) {
        showDialogMessage(parent, MessageKind::Warning, byLanguage("提示", "提示", "warning"),
                          byLanguage("设备信息获取失败！", "設備信息獲取失敗！",
                                     "Device information acquisition failed!"));
        return;
    }
    INfDialog dialog(info, parent);
    dialog.exec();
}

INfDialog::INfDialog(BoardInfo info, QWidget *parent)
    : QDialog(parent), ui(new Ui::INfDialog), boardInfo(info)
{
    ui->setupUi(this);
    followScreenScale(this);
    fillLabels();
}

INfDialog::~INfDialog()
{
    delete ui;
}

void INfDialog::fillLabels()
{
    ui->labelSerialNum->setText(
        QString::fromLatin1(boardInfo.serialNumber, int(sizeof boardInfo.serialNumber)));
    ui->labelcanNum->setText(QString::number(boardInfo.channelCount));
    ui->labelirqNum->setText(QString::number(boardInfo.irqNumber));
    ui->labelinVersion->setText(versionText(boardInfo.interfaceVersion));
    ui->labeldrVersion->setText(versionText(boardInfo.driverVersion));
    ui->labelfwVersion->setText(versionText(boardInfo.firmwareVersion));
    ui->labelhwVersion->setText(versionText(boardInfo.hardwareVersion));
    ui->labelhwType->setText(fieldText(boardInfo.hardwareType, sizeof boardInfo.hardwareType));
}

void INfDialog::on_pushButton_clicked()
{
    accept();
}

void INfDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        fillLabels();
    }
    QDialog::changeEvent(event);
}
