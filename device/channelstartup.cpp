#include "device/channelstartup.h"

#include "device/devicelayer.h"
#include "settings/settingsstore.h"

#include <QStringList>

#include <array>

namespace {

constexpr std::array<uint32_t, 18> ArbitrationRates = {
    1000000, 800000, 500000, 400000, 250000, 200000, 125000, 100000, 80000,
    50000,   40000,  20000,  10000,  5000,   666666, 83333,  66666,  33333};
constexpr std::array<uint32_t, 9> DataRates = {5000000, 4000000, 2000000, 1000000, 800000,
                                               500000,  250000,  125000,  100000};

QString paramOf(uint32_t ch, const char *name, const char *defaultValue)
{
    return readSetting(channelParamKey(int(ch) + 1, QLatin1String(name)),
                       QLatin1String(defaultValue));
}

uint32_t paramUIntOf(uint32_t ch, const char *name)
{
    return readSettingUInt(channelParamKey(int(ch) + 1, QLatin1String(name)), QStringLiteral("0"));
}

QString filterFailure()
{
    return byLanguage("设置滤波失败！", "設置濾波失敗！", "Setting filtering failed!");
}

bool setFilters(uint32_t ch, const QVector<FilterRange> &ranges)
{
    if (!clearFilter(ch))
        return false;
    for (const FilterRange &range : ranges) {
        if (!setFilter(ch, range.mode, QLatin1String("0x") + range.start,
                       QLatin1String("0x") + range.end))
            return false;
    }
    return ackFilter(ch);
}

// A step after the initialisation that fails resets the channel again, so that it is
// not left initialised but never started (shown as running, sending into failures).
QString startOneChannel(uint32_t ch)
{
    using Step = QString (*)(uint32_t);
    static constexpr std::array<Step, 5> steps = {applyCanFdStandard, applyBitRate, applyInitialise,
                                                  applyFilters, applyStart};
    for (Step step : steps) {
        const QString failure = step(ch);
        if (failure.isEmpty())
            continue;
        if (isChannelOpen(ch))
            resetCan(ch);
        return failure;
    }
    return {};
}

} // namespace

QString channelParamKey(int channelNumber, const QString &name)
{
    return QStringLiteral("ch%1param").arg(channelNumber) + name;
}

uint32_t arbitrationBitRate(uint32_t index)
{
    return index < ArbitrationRates.size() ? ArbitrationRates[index] : 0;
}

uint32_t dataBitRate(uint32_t index)
{
    return index < DataRates.size() ? DataRates[index] : 100000;
}

QString applyCanFdStandard(uint32_t ch)
{
    if (setCanFdStandard(ch, paramUIntOf(ch, "canFDStandard")))
        return {};
    return byLanguage("设置CANFD标准失败！", "設置CANFD標準失敗！",
                      "Failed to set CANFD standard!");
}

QString applyBitRate(uint32_t ch)
{
    if (paramUIntOf(ch, "isCustomBaudrate") != 0) {
        if (setCustomBaudRate(ch, paramOf(ch, "CustomBaudrate", "")))
            return {};
        return byLanguage("设置自定义波特率失败！", "設置自定義波特率失敗！",
                          "Setting custom baud rate failed!");
    }
    const uint32_t arbitration = arbitrationBitRate(paramUIntOf(ch, "ABIT1"));
    if (setBaudRate(ch, arbitration, dataBitRate(paramUIntOf(ch, "ABIT2"))))
        return {};
    return byLanguage("设置波特率失败！", "設置波特率失敗！", "Setting baud rate failed!");
}

QString applyInitialise(uint32_t ch)
{
    const uint32_t workMode = paramUIntOf(ch, "workStatus");
    if (initCan(ch, uint8_t(workMode)))
        return {};
    return byLanguage("CAN初始化失败！", "CAN初始化失敗！", "CAN Initialization failed!");
}

QString applyFilters(uint32_t ch)
{
    if (paramUIntOf(ch, "filterMode") == 0)
        return {};
    const QString list = paramOf(ch, "FilterID", "");
    if (list.isEmpty())
        return {};
    // The whole list is checked first so that a malformed entry never leaves the
    // device with half of the filters applied.
    QVector<FilterRange> ranges;
    if (!parseFilterList(list, &ranges) || !setFilters(ch, ranges))
        return filterFailure();
    return {};
}

QString applyStart(uint32_t ch)
{
    if (startCan(ch))
        return {};
    return byLanguage("CAN启动失败！", "CAN啓動失敗！", "CAN start failed!");
}

StartupResult startChannels(int ch)
{
    StartupResult result;
    const QVector<uint32_t> indices =
        (ch == 0 || ch == 1) ? QVector<uint32_t>{uint32_t(ch)} : QVector<uint32_t>{0, 1};
    for (uint32_t index : indices) {
        if (isChannelOpen(index))
            continue;
        result.failure = startOneChannel(index);
        if (!result.failure.isEmpty())
            return result;
        result.started[index] = true;
    }
    return result;
}

int startBothTarget(bool channel1Open, bool channel2Open)
{
    if (!channel1Open && !channel2Open)
        return 3;
    if (channel1Open && !channel2Open)
        return 1;
    if (!channel1Open && channel2Open)
        return 0;
    return -1;
}
