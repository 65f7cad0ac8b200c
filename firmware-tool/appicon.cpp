#include "appicon.h"

static void initPellowResources()
{
    Q_INIT_RESOURCE(pellow);
}

QIcon pellowIcon()
{
    static const bool resourcesReady = (initPellowResources(), true);
    Q_UNUSED(resourcesReady)
    return QIcon(QStringLiteral(":/pellow/pellow.png"));
}
