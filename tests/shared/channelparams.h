#pragma once

// The stored channel parameters (keys "ch<N>param<name>", channel N = 1 or 2) as tests set
// them before a start-up or a dialog, without saving the settings file.
//
//     setChannelParams(1, {{"ABIT1", "2"}, {"workStatus", "1"}});

#include "device/channelstartup.h"
#include "settings/settingsstore.h"

#include <initializer_list>
#include <utility>

inline void setChannelParam(int channel, const char *name, const QString &value)
{
    writeSetting(channelParamKey(channel, QLatin1String(name)), value, false);
}

inline void setChannelParams(int channel,
                             std::initializer_list<std::pair<const char *, const char *>> values)
{
    for (const auto &value : values)
        setChannelParam(channel, value.first, QString::fromUtf8(value.second));
}

// The stored value, or "<none>" when the key is not stored.
inline QString channelParam(int channel, const char *name)
{
    return readSetting(channelParamKey(channel, QLatin1String(name)), QStringLiteral("<none>"));
}
