#pragma once

// The interface language: the one installed translator (language/CN.qm, CNF.qm, EN.qm)
// and the process-wide language index that goes with it.

#include <QString>

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

private:
    void removeInstalled();

    QTranslator *translator = nullptr;
};
