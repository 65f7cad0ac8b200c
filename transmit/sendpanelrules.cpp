#include "transmit/sendpanelrules.h"

#include "settings/settingsstore.h"

#include <QRegularExpression>
#include <QStringList>

namespace SendPanelRules {

namespace {

QString pairedPart(QString part)
{
    if (part.size() % 2 != 0)
        part.prepend(QLatin1Char('0'));
    for (int pos = part.size() - 2; pos > 0; pos -= 2)
        part.insert(pos, QLatin1Char(' '));
    return part;
}

bool isHexDigits(const QString &text)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]+$"));
    return hex.match(text.trimmed()).hasMatch();
}

} // namespace

QString normalizeDataText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    QString joined;
    for (const QString &part : parts)
        joined += pairedPart(part) + QLatin1Char(' ');
    int end = joined.size();
    while (end > 0 && joined.at(end - 1) == QLatin1Char(' '))
        --end;
    joined.truncate(end);
    return joined;
}

int dataPartCount(const QString &text)
{
    return text.split(QLatin1Char(' ')).size();
}

QString trimDataText(const QString &text, int length)
{
    const QString normalized = normalizeDataText(text);
    if (length < 0 || length >= dataPartCount(normalized))
        return normalized;
    return normalized.left(3 * length);
}

QByteArray dataBytes(const QString &text)
{
    QByteArray buffer(MaxDataBytes, '\0');
    const QStringList parts = text.split(QLatin1Char(' '));
    for (int i = 0; i < parts.size() && i < MaxDataBytes; ++i)
        buffer[i] = static_cast<char>(parts.at(i).toUInt(nullptr, 16) & 0xFF);
    return buffer;
}

QString editorBytesText(const QByteArray &bytes, int length)
{
    QString text;
    for (int i = 0; i < length && i < bytes.size(); ++i)
        text += QString::number(static_cast<uint8_t>(bytes.at(i)), 16).toUpper() + QLatin1Char(' ');
    return normalizeDataText(text);
}

int64_t readCount(const QString &text)
{
    return text.toLongLong(nullptr, 10);
}

uint32_t readInterval(const QString &text)
{
    return text.toUInt(nullptr, 10);
}

uint32_t readLength(const QString &text)
{
    return text.toUInt(nullptr, 10);
}

uint32_t readIdentifier(const QString &text)
{
    return text.toUInt(nullptr, 16);
}

IdCheck checkIdentifier(const QString &text, int frameFormat)
{
    bool ok = false;
    const uint32_t id = text.toUInt(&ok, 16);
    const bool overflow = !ok && isHexDigits(text);
    if (frameFormat == 0 && (overflow || id >= 0x800))
        return IdCheck::StandardOutOfRange;
    if (frameFormat == 1 && (overflow || id >= 0x20000000))
        return IdCheck::ExtendedOutOfRange;
    return IdCheck::Accepted;
}

QString idRangeMessage(IdCheck check, int panel)
{
    if (check == IdCheck::StandardOutOfRange)
        return panel == 1 ? byLanguage("发送失败，标准帧ID范围为0~0x7FF！",
                                       "發送失敗，標準幀ID範圍為0~0x7FF！",
                                       "Sending failed, standard frame ID range is 0~0x7FF!")
                          : byLanguage("发送失败，标准帧ID范围为0~0x7FF！",
                                       "发送失败，標準幀ID範圍為0~0x7FF！",
                                       "Sending failed, standard frame ID range is 0~0x7FF!");
    if (check == IdCheck::ExtendedOutOfRange)
        return panel == 1
                   ? byLanguage("发送失败，扩展帧ID范围为0~0x1FFFFFFF！",
                                "發送失敗，擴展幀ID範圍為0~0x1FFFFFFF！",
                                "Sending failed, expanding frame ID range from 0 to 0x1FFFFFFFF!")
                   : byLanguage("发送失败，扩展帧ID范围为0~0x1FFFFFFF！",
                                "发送失败，擴展幀ID範圍為0~0x1FFFFFFF！",
                                "Sending failed, expanding frame ID range from 0 to 0x1FFFFFFFF!");
    return QString();
}

QString channelClosedTitle(int panel)
{
    return byLanguage("提示", "提示", panel == 1 ? "warning" : "tip");
}

QString channelClosedMessage(int panel)
{
    return panel == 1 ? byLanguage("通道1未打开！", "通道1未打開！", "Channel 1 is not open!")
                      : byLanguage("通道2未打开！", "通道2未打開！", "Channel 2 is not open!");
}

QString fileSendBusyMessage(int panel)
{
    return byLanguage("通道%1正在发送数据，文件未发送！", "通道%1正在發送數據，文件未發送！",
                      "Channel %1 is sending data, the file was not sent!")
        .arg(panel);
}

} // namespace SendPanelRules
