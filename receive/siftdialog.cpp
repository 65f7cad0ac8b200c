#include "receive/siftdialog.h"

#include "app/screenscale.h"
#include "settings/settingsstore.h"

#include "ui_siftdialog.h"

#include <QCheckBox>
#include <QListWidget>
#include <QSignalBlocker>

SiftDialog::SiftDialog(QWidget *parent) : QDialog(parent), ui(new Ui::SiftDialog)
{
    ui->setupUi(this);
    setWindowFlag(Qt::FramelessWindowHint);
    screen = scalingScreen();
    followScreenScale(this);
    // The search options exist but are not offered: the search ignores case and
    // matches parts of a value.
    caseCheck = new QCheckBox(tr("大小写敏感"), this);
    wholeCheck = new QCheckBox(tr("全文匹配"), this);
    caseCheck->hide();
    wholeCheck->hide();
    ui->comboSiftCondition->hide();
    connect(ui->editSift, &QLineEdit::textEdited, this, &SiftDialog::search);
    connect(ui->btnSiftOK, &QPushButton::clicked, this, &SiftDialog::apply);
    connect(ui->btnSiftCancel, &QPushButton::clicked, this, &QWidget::hide);
    connect(ui->listSift, &QListWidget::itemChanged, this, &SiftDialog::entryChanged);
    // All entries are one line high: the view need not measure each of them on a relayout.
    ui->listSift->setUniformItemSizes(true);
}

SiftDialog::~SiftDialog()
{
    delete ui;
}

void SiftDialog::setValues(const QStringList &newValues, int newColumn)
{
    selected.clear();
    selectedSet.clear();
    values = newValues;
    column = newColumn;
    fillList();
}

void SiftDialog::fillList(const QString &text)
{
    QListWidget *list = ui->listSift;
    const QSignalBlocker blocker(list);
    list->setUpdatesEnabled(false);
    list->clear();
    auto *all = new QListWidgetItem(byLanguage("全部", "全部", "all"));
    all->setFlags(all->flags() | Qt::ItemIsUserCheckable);
    all->setCheckState(Qt::Unchecked);
    list->addItem(all);
    for (const QString &value : qAsConst(values)) {
        if (!text.isEmpty() && !matches(value, text))
            continue;
        auto *item = new QListWidgetItem(value);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(selectedSet.contains(value) ? Qt::Checked : Qt::Unchecked);
        list->addItem(item);
    }
    // Without a match not even "all" is shown.
    all->setHidden(!text.isEmpty() && list->count() == 1);
    list->setUpdatesEnabled(true);
}

void SiftDialog::setAllEntryState(Qt::CheckState state)
{
    const QSignalBlocker blocker(ui->listSift);
    ui->listSift->item(0)->setCheckState(state);
}

void SiftDialog::entryChanged(QListWidgetItem *item)
{
    if (updatingEntries)
        return;
    const bool checked = item->checkState() == Qt::Checked;
    if (ui->listSift->row(item) == 0) {
        tickVisibleValues(checked);
        return;
    }
    const QString value = item->text();
    if (checked) {
        selected.append(value);
        selectedSet.insert(value);
        return;
    }
    selected.removeOne(value);
    selectedSet.remove(value);
    setAllEntryState(Qt::Unchecked);
}

// "all" ticks or clears the values listed (those the search shows), in list order.
void SiftDialog::tickVisibleValues(bool checked)
{
    QListWidget *list = ui->listSift;
    updatingEntries = true;
    list->setUpdatesEnabled(false);
    QSet<QString> cleared;
    for (int row = 1; row < list->count(); ++row) {
        QListWidgetItem *item = list->item(row);
        const QString value = item->text();
        const bool wasChecked = item->checkState() == Qt::Checked;
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        if (checked && !wasChecked) {
            selected.append(value);
            selectedSet.insert(value);
        } else if (!checked && wasChecked) {
            cleared.insert(value);
            selectedSet.remove(value);
        }
    }
    if (!cleared.isEmpty()) {
        QStringList kept;
        for (const QString &value : qAsConst(selected))
            if (!cleared.contains(value))
                kept << value;
        selected = kept;
    }
    list->setUpdatesEnabled(true);
    updatingEntries = false;
}

bool SiftDialog::matches(const QString &value, const QString &text) const
{
    const Qt::CaseSensitivity cs = caseCheck->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (!value.contains(text, cs))
        return false;
    return !wholeCheck->isChecked() || value.size() == text.size();
}

// Every search starts with "all" clear; the values keep their ticks.
void SiftDialog::search(const QString &text)
{
    fillList(text);
}

void SiftDialog::apply()
{
    const QString text = ui->editSift->text();
    ui->editSift->clear();
    hide();
    if (!selected.isEmpty())
        emit siftedData(selected, column);
    else if (!text.isEmpty())
        emit siftedData(QStringList{text}, column);
    else
        emit siftedData(QStringList(), column);
}

bool SiftDialog::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate)
        hide();
    return QDialog::event(event);
}

void SiftDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        ui->groupSift->setTitle(QString());
    }
    QDialog::changeEvent(event);
}
