#pragma once

// The display filter's pop-up: lists the distinct texts of one table column as check
// boxes (with an "all" entry first), narrows the list by a search text and reports the
// ticked values, or the search text, for that column.

#include <QDialog>
#include <QStringList>

class QCheckBox;
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

private:
    void fillList();
    void addAllEntry();
    void addValueEntry(const QString &value);
    bool matches(const QString &value, const QString &text) const;

    Ui::SiftDialog *ui;
    QScreen *screen = nullptr;
    QStringList values;
    int column = 0;
    QStringList selected;
    QCheckBox *caseCheck;
    QCheckBox *wholeCheck;
    QCheckBox *allCheck = nullptr;
};
