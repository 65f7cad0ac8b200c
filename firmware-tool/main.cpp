#include "cpellowapp.h"
#include "pellowfolder.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellow"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    CPellowApp pellow(
        PellowFolder::choose(QApplication::applicationDirPath(), PellowFolder::userDataDir()));
    pellow.initInstance();
    return 0;
}
