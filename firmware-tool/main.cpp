#include "cpellowapp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellow"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    CPellowApp pellow(QApplication::applicationDirPath());
    pellow.initInstance();
    return 0;
}
