#include "receive/modelitem.h"

void registerModelItemTypes()
{
    qRegisterMetaType<ModelItem>("ModelItem");
    qRegisterMetaType<QList<ModelItem>>("QList<ModelItem>");
}
