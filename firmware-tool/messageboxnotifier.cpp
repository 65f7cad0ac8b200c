#include "messageboxnotifier.h"

#include <QMessageBox>
#include <QPushButton>

void MessageBoxNotifier::notify(QWidget *parent, const QString &text)
{
    // An empty title lets the platform show the application name.
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(text).replace("\r\n", "\n"),
                    QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}
