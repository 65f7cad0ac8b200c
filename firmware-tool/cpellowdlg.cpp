#include "cpellowdlg.h"

#include "appicon.h"
#include "caboutdlg.h"
#include "deviceinfo.h"
#include "dialogunits.h"
#include "notifier.h"
#include "pellowfont.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVariant>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {
const QString AboutText = QStringLiteral("关于 Pellow(&A)...");
const QString UpgradeSteps = QStringLiteral("升级步骤\r\n\r\n1.等待设备被识别为U盘设备!\r\n"
                                            "2.将U盘中的firmware.bin删除【此步不可断开连接】\r\n"
                                            "3.将新的firmware.bin存入U盘,确保成功后再重启！");
} // namespace

CPellowDlg::CPellowDlg(Wexlib &library, Notifier &notifier, QWidget *parent)
    : QDialog(parent), m_library(library), m_notifier(notifier)
{
    setWindowTitle(QStringLiteral("Ferrule 固件升级工具V1.1"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(pellowIcon());
    setFont(pellowFont());
    createControls();
    createSystemMenu();
    QMetaObject::connectSlotsByName(this);
    m_btnOpen->setFocus();
}

QPushButton *CPellowDlg::addButton(const char *name, int id, const QString &text)
{
    auto *button = new QPushButton(text, this);
    button->setObjectName(QLatin1String(name));
    button->setProperty("controlId", id);
    return button;
}

void CPellowDlg::createControls()
{
    m_btnOpen = addButton("btnOpen", 1012, QStringLiteral("打开设备"));
    m_btnClose = addButton("btnClose", 1002, QStringLiteral("关闭设备"));
    m_btnInfo = addButton("btnInfo", 1048, QStringLiteral("设备信息"));
    m_btnUpgrade = addButton("btnUpgrade", 1028, QStringLiteral("固件升级"));
    m_btnSetSn = addButton("btnSetSn", 1004, QStringLiteral("设置SN"));
    m_editSn = new QLineEdit(this);
    m_editSn->setObjectName(QStringLiteral("editSn"));
    m_editSn->setProperty("controlId", 1001);
    m_btnOpen->setDefault(true);
    // The serial-number controls are reserved: hidden, disabled and without action.
    m_btnSetSn->setVisible(false);
    m_btnSetSn->setEnabled(false);
    m_editSn->setVisible(false);
    m_editSn->setEnabled(false);
    setDeviceOpen(false);

    auto *units = new DialogUnits(this, QSize(285, 74));
    units->place(m_btnOpen, QRect(13, 27, 55, 20));
    units->place(m_btnClose, QRect(81, 27, 55, 20));
    units->place(m_btnInfo, QRect(149, 27, 55, 20));
    units->place(m_btnUpgrade, QRect(217, 27, 55, 20));
    units->place(m_editSn, QRect(13, 51, 191, 14));
    units->place(m_btnSetSn, QRect(217, 51, 55, 14));
    units->apply();
}

void CPellowDlg::createSystemMenu()
{
    m_systemMenu = new QMenu(this);
    m_systemMenu->setObjectName(QStringLiteral("systemMenu"));
    m_systemMenu->addSeparator();
    QAction *about = m_systemMenu->addAction(AboutText);
    about->setData(AboutCommand);
    connect(about, &QAction::triggered, this, [this] { onSysCommand(AboutCommand); });
}

void CPellowDlg::setDeviceOpen(bool open)
{
    m_btnOpen->setEnabled(!open);
    m_btnClose->setEnabled(open);
    m_btnInfo->setEnabled(open);
    m_btnUpgrade->setEnabled(open);
}

void CPellowDlg::onSysCommand(uint command)
{
    if ((command & 0xFFF0) == AboutCommand) {
        CAboutDlg about(this);
        about.exec();
    }
}

void CPellowDlg::on_btnOpen_clicked()
{
    const WexHandle handle = m_library.openDevice(Wexlib::DeviceType, 0, 0);
    if (handle == 0) {
        m_notifier.notify(this, QStringLiteral("打开失败!!"));
        return;
    }
    m_deviceHandle = handle;
    setDeviceOpen(true);
}

void CPellowDlg::on_btnClose_clicked()
{
    if (m_library.closeDevice(m_deviceHandle) != 1) {
        m_notifier.notify(this, QStringLiteral("关闭失败!"));
        return;
    }
    // The handle stays as it was; only a new open replaces it.
    setDeviceOpen(false);
}

void CPellowDlg::on_btnInfo_clicked()
{
    quint8 record[Wexlib::InfoRecordSize] = {};
    if (m_library.readDeviceInfo(m_deviceHandle, record) == 0) {
        m_notifier.notify(this, QStringLiteral("获取失败!"));
        return;
    }
    m_notifier.notify(this, DeviceInfo::fromRecord(record).text());
}

void CPellowDlg::on_btnUpgrade_clicked()
{
    if (m_library.startFirmwareUpgrade(m_deviceHandle) != 1) {
        m_notifier.notify(this, QStringLiteral("升级失败!\r\n"));
        return;
    }
    m_notifier.notify(this, UpgradeSteps);
    m_deviceHandle = 0;
    setDeviceOpen(false);
}

void CPellowDlg::contextMenuEvent(QContextMenuEvent *event)
{
    m_systemMenu->exec(event->globalPos());
}

void CPellowDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
#ifdef Q_OS_WIN
    if (!m_nativeMenuAdded) {
        m_nativeMenuAdded = true;
        HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
        if (menu) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, AboutCommand,
                        reinterpret_cast<LPCWSTR>(AboutText.utf16()));
        }
    }
#endif
}

#ifdef Q_OS_WIN
bool CPellowDlg::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    const MSG *msg = static_cast<const MSG *>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == AboutCommand) {
        onSysCommand(uint(msg->wParam));
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif
