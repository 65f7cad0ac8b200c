#pragma once

// The display filter's main-window side: the frame table header's context menu
// ("筛选"/"显示全部"), the SiftDialog it opens, and clearing every column filter.

#include <QObject>
#include <QPoint>

class QTableView;
class QWidget;
class MyTableModel;
class SiftDialog;

class DisplayFilter : public QObject
{
    Q_OBJECT
public:
    DisplayFilter(QTableView *view, MyTableModel *model, QWidget *window);
    ~DisplayFilter() override;

public slots:
    // The main window's "删除全部筛选条件" button.
    void clearAllFilters();

private slots:
    void showHeaderMenu(const QPoint &pos);

private:
    QTableView *view;
    MyTableModel *model;
    QWidget *window;
    SiftDialog *sift = nullptr;
};
