#pragma once

// The display filter's main-window side: the frame table header's context menu
// ("筛选"/"显示全部"), the SiftDialog it opens, and clearing every column filter.

#include <QObject>
#include <QPoint>
#include <QStringList>

class QMenu;
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

    SiftDialog *siftDialog() const { return sift; }
    // The distinct texts of a column over all rows, in order of first appearance.
    QStringList columnValues(int column) const;
    // The header menu for a column, requested at pos in header coordinates; the caller
    // owns it. Null when pos lies outside every column.
    QMenu *createHeaderMenu(const QPoint &pos);

public slots:
    // The main window's "删除全部筛选条件" button.
    void clearAllFilters();
    // "显示全部": removes the filter of one column.
    void showAll(int column);
    // "筛选": fills the dialog from the column and opens it where the menu was requested.
    void openSift(int column, const QPoint &headerPos);

private slots:
    void showHeaderMenu(const QPoint &pos);
    void applySift(const QStringList &values, int column);

private:
    QTableView *view;
    MyTableModel *model;
    QWidget *window;
    SiftDialog *sift = nullptr;
};
