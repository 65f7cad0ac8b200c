#include "receive/modelitem.h"

#include "device/vendorapi.h"

#include <algorithm>

void registerModelItemTypes()
{
    qRegisterMetaType<ModelItem>("ModelItem");
    qRegisterMetaType<QList<ModelItem>>("QList<ModelItem>");
}

int FrameFacts::payloadBytes() const
{
    if (idWord & (CanRemoteFlag | CanErrorFlag))
        return 0;
    return std::min<int>(length, fd ? 64 : 8);
}
