#pragma once

// The real-time recording save dialog: a file path and the scope of the recording
// (0 "全部数据" every frame, 1 "筛选后数据" only frames the display filter accepts).
// Run modally; an empty savePath() afterwards means cancelled.

#include <QDialog>

namespace Ui {
class savefileDlg;
}

class savefileDlg : public QDialog
{
    Q_OBJECT
public:
    explicit savefileDlg(QWidget *parent = nullptr);
    ~savefileDlg() override;

    QString savePath() const { return path; }
    int saveScope() const { return scope; }

    // Puts a chosen path into the path field and checks that it can be created and read
    // back; shows the red hint when it cannot. Returns whether the check passed.
    bool usePath(const QString &chosen);
    bool hintVisible() const;

private slots:
    void on_pushButton_3_clicked();
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::savefileDlg *ui;
    QString path;
    int scope = 0;
};
