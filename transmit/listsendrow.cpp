#include "transmit/listsendrow.h"

#include "settings/settingsstore.h"
#include "transmit/sendpanelrules.h"

#include <cstring>

bool ListSendRow::isValidLength(int kind, int length)
{
    if (kind == Can)
        return length >= 0 && length <= 8;
    static const int fdLengths[] = {12, 16, 20, 24, 32, 48, 64};
    if (length >= 0 && length <= 8)
        return true;
    for (int l : fdLengths) {
        if (l == length)
            return true;
    }
    return false;
}

QString ListSendRow::problem() const
{
    if (channel != 0 && channel != 1)
        return byLanguage("通道无效", "通道無效", "invalid channel");
    const auto check = SendPanelRules::checkIdentifier(id, extended ? 1 : 0);
    if (check != SendPanelRules::IdCheck::Accepted)
        return SendPanelRules::idRangeMessage(check, channel + 1);
    if (kind < Can || kind > CanFdBrs)
        return byLanguage("帧类型无效", "幀類型無效", "invalid frame type");
    if (remote && kind != Can)
        return byLanguage("CAN FD 没有远程帧", "CAN FD 沒有遠程幀", "CAN FD has no remote frames");
    if (!isValidLength(kind, length))
        return byLanguage("长度无效", "長度無效", "invalid length");
    if (periodMs < 0)
        return byLanguage("周期无效", "週期無效", "invalid period");
    if (count < -1)
        return byLanguage("次数无效", "次數無效", "invalid count");
    if (transmitType < 0 || transmitType > 3)
        return byLanguage("发送方式无效", "發送方式無效", "invalid transmit type");
    return {};
}

ListSendFrame ListSendRow::frame() const
{
    ListSendFrame f;
    f.channel = uint32_t(channel);
    f.id = SendPanelRules::readIdentifier(id);
    f.extended = extended;
    f.remote = remote;
    f.fd = kind != Can;
    f.brs = kind == CanFdBrs;
    f.length = uint8_t(length);
    f.transmitType = uint32_t(transmitType);
    const QByteArray bytes = SendPanelRules::dataBytes(SendPanelRules::trimDataText(data, length));
    std::memcpy(f.data, bytes.constData(),
                size_t(std::min<int>(bytes.size(), int(sizeof(f.data)))));
    return f;
}
