#pragma once

// The interface language: the program's translator (language/CN.qm, CNF.qm, EN.qm), Qt's
// own translator for the same language (qtbase_zh_CN.qm, qtbase_zh_TW.qm from Qt's
// translation folder; English needs none) and the process-wide language index.

#include <QString>
#include <QStringList>

#include <cstdint>

class QTranslator;

class LanguageSwitch
{
public:
    LanguageSwitch() = default;
    ~LanguageSwitch();
    LanguageSwitch(const LanguageSwitch &) = delete;
    LanguageSwitch &operator=(const LanguageSwitch &) = delete;

    // "CN.qm", "CNF.qm", "EN.qm" for 0, 1, 2; empty otherwise.
    static QString fileName(uint32_t language);
    // Index of a translation file name, or -1 for any other text.
    static int languageOfFile(const QString &name);
    // appShippedPath("/language/") + name
    static QString translationPath(const QString &name);

    // Start-up: loads the named file and installs the translator even when loading
    // failed; sets the language index when the name is one of the three.
    void installAtStartup(const QString &name);

    // Menu switch: drops the installed translator, loads the language's file and, when
    // that worked, sets the language index, stores "Language" and installs it.
    bool switchTo(uint32_t language);

    bool hasLoadedTranslation() const;
    // Paths of the translation files the last start-up or switch could not load.
    QStringList unloadedFiles() const { return unloaded; }

    // "qtbase_zh_CN" and "qtbase_zh_TW" for 0 and 1; empty for English and others.
    static QString qtCatalog(uint32_t language);

private:
    void removeInstalled();
    void installQtTranslation(uint32_t language);

    QTranslator *translator = nullptr;
    QTranslator *qtTranslator = nullptr;
    QStringList unloaded;
};
