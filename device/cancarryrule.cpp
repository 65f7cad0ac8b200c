#include "device/cancarryrule.h"

namespace CanCarryRule {

namespace {

QString identifierRefusal(uint32_t word)
{
    if (word & CanErrorFlag)
        return QStringLiteral("error frames cannot be sent");
    const uint32_t id = word & CanIdMask;
    if (!(word & CanExtendedFlag) && id > 0x7FF)
        return QStringLiteral("standard identifier 0x%1 is above 0x7FF").arg(id, 0, 16);
    return QString();
}

} // namespace

QString refusal(const CanTxRecord &record)
{
    if (record.length > 8)
        return QStringLiteral("classic frame of %1 bytes").arg(record.length);
    return identifierRefusal(record.id);
}

QString refusal(const CanFdTxRecord &record)
{
    if (record.length > 64)
        return QStringLiteral("CAN FD frame of %1 bytes").arg(record.length);
    if (record.id & CanRemoteFlag)
        return QStringLiteral("CAN FD has no remote frames");
    return identifierRefusal(record.id);
}

} // namespace CanCarryRule
