#include "logview/logreplaydialog.h"

#include "settings/settingsstore.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

LogReplayDialog::LogReplayDialog(QWidget *parent) : QDialog(parent)
{
    auto *form = new QFormLayout(this);
    channelLabel = new QLabel(this);
    channel = new QComboBox(this);
    channel->setObjectName(QStringLiteral("replayChannel"));
    channel->addItems({QString(), QString(), QString()});
    channel->setCurrentIndex(2);
    timingLabel = new QLabel(this);
    timing = new QComboBox(this);
    timing->setObjectName(QStringLiteral("replayTiming"));
    timing->addItems({QString(), QString()});
    intervalLabel = new QLabel(this);
    intervalMs = new QSpinBox(this);
    intervalMs->setObjectName(QStringLiteral("replayInterval"));
    intervalMs->setRange(0, 999999999);
    intervalMs->setValue(10);
    intervalMs->setEnabled(false);
    connect(timing, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { intervalMs->setEnabled(index == 1); });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(channelLabel, channel);
    form->addRow(timingLabel, timing);
    form->addRow(intervalLabel, intervalMs);
    form->addRow(buttons);
    retranslate();
}

int LogReplayDialog::channelChoice() const
{
    return channel->currentIndex();
}

int LogReplayDialog::interval() const
{
    return timing->currentIndex() == 0 ? -1 : intervalMs->value();
}

void LogReplayDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void LogReplayDialog::retranslate()
{
    setWindowTitle(byLanguage("回放到总线", "回放到總線", "Replay on the bus"));
    channelLabel->setText(byLanguage("发送通道：", "發送通道：", "Channel:"));
    channel->setItemText(0, byLanguage("通道1", "通道1", "channel 1"));
    channel->setItemText(1, byLanguage("通道2", "通道2", "channel 2"));
    channel->setItemText(2, byLanguage("随文件", "隨文件", "as recorded"));
    timingLabel->setText(byLanguage("发送间隔：", "發送間隔：", "Timing:"));
    timing->setItemText(0, byLanguage("随文件时间", "隨文件時間", "recorded timing"));
    timing->setItemText(1, byLanguage("固定间隔(ms)", "固定間隔(ms)", "fixed interval (ms)"));
    intervalLabel->setText(byLanguage("间隔(ms)：", "間隔(ms)：", "Interval (ms):"));
}
