#include "receive/displayfilter.h"

#include "receive/mytablemodel.h"

#include <QHeaderView>
#include <QTableView>

// Placeholder until the sift dialog is built.
DisplayFilter::DisplayFilter(QTableView *view, MyTableModel *model, QWidget *window)
    : QObject(window), view(view), model(model), window(window)
{
    view->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view->horizontalHeader(), &QHeaderView::customContextMenuRequested, this,
            &DisplayFilter::showHeaderMenu);
}

DisplayFilter::~DisplayFilter() = default;

void DisplayFilter::clearAllFilters()
{
    for (int column = 0; column < model->headerLabels().size(); ++column)
        model->setColumnFilter({}, column);
}

void DisplayFilter::showHeaderMenu(const QPoint &) {}
