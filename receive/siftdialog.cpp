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
}

SiftDialog::~SiftDialog()
{
    delete ui;
}

void SiftDialog::setValues(const QStringList &newValues, int newColumn)
{
    selected.clear();
    values = newValues;
    column = newColumn;
    fillList();
}

void SiftDialog::addAllEntry()
{
    allCheck = new QCheckBox(byLanguage("全部", "全部", "all"));
    auto *item = new QListWidgetItem(ui->listSift);
    ui->listSift->setItemWidget(item, allCheck);
}

// The entry is ticked before it is connected, so a value already selected is not added
// a second time.
void SiftDialog::addValueEntry(const QString &value)
{
    auto *entry = new QCheckBox(value);
    entry->setChecked(selected.contains(value));
    auto *item = new QListWidgetItem(ui->listSift);
    ui->listSift->setItemWidget(item, entry);
    connect(allCheck, &QCheckBox::toggled, entry, &QCheckBox::setChecked);
    QCheckBox *all = allCheck;
    connect(entry, &QCheckBox::toggled, this, [this, all, value](bool checked) {
        if (checked) {
            selected.append(value);
            return;
        }
        selected.removeOne(value);
        const QSignalBlocker blocker(all);
        all->setChecked(false);
    });
}

void SiftDialog::fillList()
{
    ui->listSift->clear();
    addAllEntry();
    for (const QString &value : qAsConst(values))
        addValueEntry(value);
}

bool SiftDialog::matches(const QString &value, const QString &text) const
{
    const Qt::CaseSensitivity cs = caseCheck->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (!value.contains(text, cs))
        return false;
    return !wholeCheck->isChecked() || value.size() == text.size();
}

void SiftDialog::search(const QString &text)
{
    if (text.isEmpty()) {
        fillList();
        return;
    }
    ui->listSift->clear();
    addAllEntry();
    bool any = false;
    for (const QString &value : qAsConst(values)) {
        if (!matches(value, text))
            continue;
        addValueEntry(value);
        any = true;
    }
    if (!any)
        ui->listSift->item(0)->setHidden(true);
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
