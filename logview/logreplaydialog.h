#pragma once

// Asks how a log is replayed on the bus: on channel 1, on channel 2 or on the channel
// each frame was recorded on, with the recorded timing or a fixed interval.

#include <QDialog>

class QComboBox;
class QLabel;
class QSpinBox;

class LogReplayDialog : public QDialog
{
    Q_OBJECT
public:
    explicit LogReplayDialog(QWidget *parent = nullptr);

    // 0 channel 1, 1 channel 2, 2 as recorded (the file-send thread's channel choice).
    int channelChoice() const;
    // -1 recorded timing, else the fixed interval in ms.
    int interval() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QLabel *channelLabel, *timingLabel, *intervalLabel;
    QComboBox *channel, *timing;
    QSpinBox *intervalMs;
};
