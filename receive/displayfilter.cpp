#include "receive/displayfilter.h"

#include "receive/mytablemodel.h"
#include "receive/siftdialog.h"
#include "settings/settingsstore.h"

#include <QCursor>
#include <QHeaderView>
#include <QMenu>
#include <QSet>
#include <QTableView>

#include <memory>

DisplayFilter::DisplayFilter(QTableView *view, MyTableModel *model, QWidget *window)
    : QObject(window), view(view), model(model), window(window), sift(new SiftDialog(window))
{
    sift->hide();
    view->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view->horizontalHeader(), &QHeaderView::customContextMenuRequested, this,
            &DisplayFilter::showHeaderMenu);
    connect(sift, &SiftDialog::siftedData, this, &DisplayFilter::applySift);
}

DisplayFilter::~DisplayFilter() = default;

void DisplayFilter::clearAllFilters()
{
    for (int column = 0; column < model->headerLabels().size(); ++column)
        model->setColumnFilter({}, column);
}

void DisplayFilter::showAll(int column)
{
    model->setColumnFilter({}, column);
}

void DisplayFilter::applySift(const QStringList &values, int column)
{
    model->setColumnFilter(values, column);
}

QStringList DisplayFilter::columnValues(int column) const
{
    QStringList texts;
    QSet<QString> seen;
    const int rows = model->rowCount();
    for (int row = 0; row < rows; ++row) {
        const QString text = model->cellText(row, column);
        if (seen.contains(text))
            continue;
        seen.insert(text);
        texts.append(text);
    }
    return texts;
}

void DisplayFilter::openSift(int column, const QPoint &headerPos)
{
    QHeaderView *header = view->horizontalHeader();
    sift->setValues(columnValues(column), column);
    sift->move(header->mapTo(window, headerPos) + window->pos());
    sift->show();
    sift->activateWindow();
    sift->setFocus();
}

QMenu *DisplayFilter::createHeaderMenu(const QPoint &pos)
{
    const int column = view->horizontalHeader()->logicalIndexAt(pos);
    if (column < 0)
        return nullptr;
    if (sift->isVisible())
        sift->hide();
    auto *menu = new QMenu(window);
    QAction *siftAction = menu->addAction(byLanguage("筛选", "篩選", "sift"));
    QAction *allAction = menu->addAction(byLanguage("显示全部", "顯示全部", "show all"));
    connect(siftAction, &QAction::triggered, this, [this, column, pos] { openSift(column, pos); });
    connect(allAction, &QAction::triggered, this, [this, column] { showAll(column); });
    return menu;
}

void DisplayFilter::showHeaderMenu(const QPoint &pos)
{
    std::unique_ptr<QMenu> menu(createHeaderMenu(pos));
    if (menu)
        menu->exec(QCursor::pos());
}
