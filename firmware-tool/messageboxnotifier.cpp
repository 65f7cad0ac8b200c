#include "messageboxnotifier.h"

#include <QMessageBox>

void MessageBoxNotifier::notify(QWidget *parent, const QString &text)
{
    // An empty title lets the platform show the application name.
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(text).replace("\r\n", "\n"),
                    QMessageBox::Ok, parent);
    box.exec();
}
