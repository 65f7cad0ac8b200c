#pragma once

// The display filter's pop-up: lists the distinct texts of one table column as check
// boxes (with an "all" entry first), narrows the list by a search text and reports the
// ticked values, or the search text, for that column.

#include <QDialog>
#include <QSet>
#include <QStringList>

class QCheckBox;
class QListWidgetItem;
class QScreen;

namespace Ui {
class SiftDialog;
}

class SiftDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SiftDialog(QWidget *parent = nullptr);
    ~SiftDialog() override;

    // Starts a new, empty selection for column and lists every value.
    void setValues(const QStringList &values, int column);
    const QStringList &selectedValues() const { return selected; }

signals:
    void siftedData(QStringList siftedData, int index);

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void search(const QString &text);
    void apply();
    void entryChanged(QListWidgetItem *item);

private:
    // One plain checkable item per value shown (no widget per entry), rebuilt for every
    // search text: a keystroke costs a few milliseconds even with 10,000 values.
    void fillList(const QString &text = QString());
    void setAllEntryState(Qt::CheckState state);
    void tickVisibleValues(bool checked);
    bool matches(const QString &value, const QString &text) const;

    Ui::SiftDialog *ui;
    QScreen *screen = nullptr;
    QStringList values;
    int column = 0;
    QStringList selected; // in the order the values were ticked
    QSet<QString> selectedSet;
    QCheckBox *caseCheck;
    QCheckBox *wholeCheck;
    bool updatingEntries = false; // only ever touched on the GUI thread
};
