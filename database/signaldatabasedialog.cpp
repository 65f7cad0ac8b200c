#include "signaldatabasedialog.h"

#include "database/signaldatabases.h"
#include "settings/settingsstore.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

SignalDatabaseDialog::SignalDatabaseDialog(SignalDatabases *databases, QWidget *parent)
    : QDialog(parent), databases(databases)
{
    setObjectName(QStringLiteral("signalDatabaseDialog"));
    auto *grid = new QGridLayout(this);
    for (int ch = 0; ch < 2; ++ch) {
        channelLabels[ch] = new QLabel(this);
        files[ch] = new QLabel(this);
        files[ch]->setMinimumWidth(300);
        files[ch]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        loadButtons[ch] = new QPushButton(this);
        removeButtons[ch] = new QPushButton(this);
        grid->addWidget(channelLabels[ch], ch, 0);
        grid->addWidget(files[ch], ch, 1);
        grid->addWidget(loadButtons[ch], ch, 2);
        grid->addWidget(removeButtons[ch], ch, 3);
        connect(loadButtons[ch], &QPushButton::clicked, this, [this, ch] { loadFor(1 << ch); });
        connect(removeButtons[ch], &QPushButton::clicked, this,
                [this, ch] { this->databases->unload(ch); });
    }
    loadButtons[2] = new QPushButton(this);
    closeButton = new QPushButton(this);
    grid->addWidget(loadButtons[2], 2, 2, 1, 2);
    grid->addWidget(closeButton, 3, 3);
    connect(loadButtons[2], &QPushButton::clicked, this, [this] { loadFor(3); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(databases, &SignalDatabases::changed, this, &SignalDatabaseDialog::showFiles);
    applyLanguage();
}

void SignalDatabaseDialog::applyLanguage()
{
    setWindowTitle(byLanguage("信号数据库", "訊號資料庫", "Signal database"));
    for (int ch = 0; ch < 2; ++ch) {
        channelLabels[ch]->setText(byLanguage("通道%1：", "通道%1：", "Channel %1:").arg(ch + 1));
        loadButtons[ch]->setText(byLanguage("加载…", "載入…", "Load…"));
        removeButtons[ch]->setText(byLanguage("移除", "移除", "Remove"));
    }
    loadButtons[2]->setText(
        byLanguage("为两个通道加载…", "為兩個通道載入…", "Load for both channels…"));
    closeButton->setText(byLanguage("关闭", "關閉", "Close"));
    showFiles();
}

void SignalDatabaseDialog::showFiles()
{
    for (int ch = 0; ch < 2; ++ch) {
        const QString path = databases->path(ch);
        const auto db = databases->database(ch);
        files[ch]->setText(path.isEmpty() ? byLanguage("（无）", "（無）", "(none)")
                                          : byLanguage("%1（%2 个报文，%3 个信号）",
                                                       "%1（%2 個報文，%3 個訊號）",
                                                       "%1 (%2 messages, %3 signals)")
                                                .arg(QFileInfo(path).fileName())
                                                .arg(db ? int(db->messages.size()) : 0)
                                                .arg(db ? db->signalCount() : 0));
        files[ch]->setToolTip(path);
        removeButtons[ch]->setEnabled(!path.isEmpty());
    }
}

void SignalDatabaseDialog::loadFor(int channelMask)
{
    const QString start = databases->path(channelMask == 2 ? 1 : 0);
    const QString path = QFileDialog::getOpenFileName(
        this, byLanguage("加载信号数据库", "載入訊號資料庫", "Load signal database"),
        start.isEmpty() ? QString() : QFileInfo(start).path(),
        byLanguage("DBC 文件 (*.dbc);;所有文件 (*)", "DBC 檔案 (*.dbc);;所有檔案 (*)",
                   "DBC files (*.dbc);;All files (*)"));
    if (path.isEmpty())
        return;
    const DbcReadError error = databases->load(channelMask, path);
    const QString channels =
        channelMask == 3
            ? byLanguage("通道1和通道2", "通道1和通道2", "channels 1 and 2")
            : byLanguage("通道%1", "通道%1", "channel %1").arg(channelMask == 1 ? 1 : 2);
    if (!error.ok()) {
        const QString text = byLanguage("信号数据库 %1 未加载：%2", "訊號資料庫 %1 未載入：%2",
                                        "The signal database %1 was not loaded: %2")
                                 .arg(QFileInfo(path).fileName(), error.message());
        emit log(text);
        QMessageBox::warning(this, windowTitle(), text);
        return;
    }
    emit log(byLanguage("已为%1加载信号数据库 %2", "已為%1載入訊號資料庫 %2",
                        "Signal database %2 loaded for %1")
                 .arg(channels, path));
}
