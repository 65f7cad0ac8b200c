#pragma once

// The settings store: one process-wide sorted key/value map kept as a single line in
// "/config/setdb.txt". Safe to call from the GUI thread and the worker threads.

#include <QString>

#include <cstdint>

bool loadSettings(const QString &path);
void saveSettings();
QString readSetting(const QString &key, const QString &defaultValue);
bool writeSetting(const QString &key, const QString &value, bool save);
bool hasSetting(const QString &key);

// Unsigned decimal reading of a stored value: a text that is not a number gives 0.
uint32_t readSettingUInt(const QString &key, const QString &defaultValue);

QString companyName(unsigned index);
bool showBuildInfo();

// Interface language: 0 simplified Chinese, 1 traditional Chinese, 2 English.
uint32_t languageIndex();
void setLanguageIndex(uint32_t index);

// Picks one of the three literals by the current language; an index beyond 2 gives an
// empty text. With a translation context the literal goes through the translator in it.
QString byLanguage(const char *simplified, const char *traditional, const char *english,
                   const char *translationContext = nullptr);
