#include "statistics/idmonitorwindow.h"

#include "settings/settingsstore.h"
#include "statistics/changedbytesdelegate.h"
#include "statistics/idmonitormodel.h"
#include "statistics/plaincelldelegate.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

IdMonitorWindow::IdMonitorWindow(SignalDatabases *databases, QWidget *parent)
    : QWidget(parent, Qt::Window), model(new IdMonitorModel(&monitor, databases, this)),
      proxy(new QSortFilterProxyModel(this)), view(new QTableView(this)),
      channelLabel(new QLabel(this)), channelBox(new QComboBox(this)),
      filterEdit(new QLineEdit(this)), clearButton(new QPushButton(this))
{
    setObjectName(QStringLiteral("idMonitorWindow"));
    clock.start();
    proxy->setSourceModel(model);
    proxy->setSortRole(IdMonitorModel::SortRole);
    proxy->setFilterRole(IdMonitorModel::FilterRole);
    setUpView();
    channelBox->addItems({QString(), QStringLiteral("1"), QStringLiteral("2")});
    channelBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    filterEdit->setClearButtonEnabled(true);
    auto *bar = new QHBoxLayout;
    bar->addWidget(channelLabel);
    bar->addWidget(channelBox);
    bar->addWidget(filterEdit, 1);
    bar->addWidget(clearButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(view);
    connect(filterEdit, &QLineEdit::textChanged, this, &IdMonitorWindow::applyFilter);
    connect(channelBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &IdMonitorWindow::applyFilter);
    connect(clearButton, &QPushButton::clicked, this, &IdMonitorWindow::clear);
    connect(&refreshTimer, &QTimer::timeout, this, &IdMonitorWindow::refresh);
    refreshTimer.setInterval(100);
    resize(1200, 600);
    applyLanguage();
}

// Fixed row heights and column widths: nothing is measured when rows come and go.
void IdMonitorWindow::setUpView()
{
    view->setModel(proxy);
    view->setItemDelegate(new PlainCellDelegate(view));
    view->setItemDelegateForColumn(IdMonitorModel::Data, new ChangedBytesDelegate(view));
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    view->horizontalHeader()->setStretchLastSection(true);
    view->setSortingEnabled(true);
    view->sortByColumn(IdMonitorModel::Id, Qt::AscendingOrder);
}

void IdMonitorWindow::applyLanguage()
{
    setWindowTitle(byLanguage("ID 监视", "ID 監視", "Identifier monitor"));
    channelLabel->setText(byLanguage("通道", "通道", "Channel"));
    channelBox->setItemText(0, byLanguage("全部", "全部", "All"));
    filterEdit->setPlaceholderText(byLanguage("筛选 ID", "篩選 ID", "Filter ID"));
    clearButton->setText(byLanguage("清空", "清除", "Clear"));
    model->applyLanguage();
    sizeColumns();
}

// Wide enough for the header in the current language and for the usual contents.
void IdMonitorWindow::sizeColumns()
{
    static const int contentDigits[IdMonitorModel::ColumnCount] = {2, 3, 10, 10, 7,  5, 7, 7,
                                                                   7, 7, 7,  3,  24, 5, 0};
    const QFontMetrics metrics = view->horizontalHeader()->fontMetrics();
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c + 1 < IdMonitorModel::ColumnCount; ++c) {
        const QString title = model->headerData(c, Qt::Horizontal).toString();
        const int titleWidth = metrics.horizontalAdvance(title) + 2 * digit; // and the sort arrow
        view->horizontalHeader()->resizeSection(c, std::max(titleWidth, contentDigits[c] * digit));
    }
}

void IdMonitorWindow::takeRecords(const QList<ModelItem> &records)
{
    monitor.take(records, nowUs());
}

void IdMonitorWindow::clear()
{
    monitor.clear();
    model->refresh(nowUs());
}

void IdMonitorWindow::refresh()
{
    const uint64_t now = nowUs();
    monitor.advanceTo(now);
    model->refresh(now);
}

void IdMonitorWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
    refreshTimer.start();
}

void IdMonitorWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    refreshTimer.stop();
}

uint64_t IdMonitorWindow::nowUs() const
{
    return uint64_t(clock.nsecsElapsed() / 1000);
}

// The identifier text as typed (any case) anywhere in the row's identifier, on the
// chosen channel or on either.
void IdMonitorWindow::applyFilter()
{
    const int channel = channelBox->currentIndex();
    if (channel == 0 && filterEdit->text().trimmed().isEmpty()) {
        proxy->setFilterRegularExpression(QRegularExpression()); // every row, unmatched
        return;
    }
    const QString channelPattern = channel > 0 ? QString::number(channel) : QStringLiteral("\\d+");
    const QString pattern = QLatin1Char('^') + channelPattern + QStringLiteral(" .*") +
                            QRegularExpression::escape(filterEdit->text().trimmed());
    proxy->setFilterRegularExpression(
        QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption));
}
