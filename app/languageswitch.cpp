#include "app/languageswitch.h"

#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QTranslator>

namespace {
const char *const TranslationFiles[] = {"CN.qm", "CNF.qm", "EN.qm"};
}

LanguageSwitch::~LanguageSwitch()
{
    removeInstalled();
}

QString LanguageSwitch::fileName(uint32_t language)
{
    return language < 3 ? QString::fromLatin1(TranslationFiles[language]) : QString();
}

int LanguageSwitch::languageOfFile(const QString &name)
{
    for (int i = 0; i < 3; ++i) {
        if (name == QLatin1String(TranslationFiles[i]))
            return i;
    }
    return -1;
}

QString LanguageSwitch::translationPath(const QString &name)
{
    return appShippedPath(QStringLiteral("/language/") + name);
}

void LanguageSwitch::installAtStartup(const QString &name)
{
    removeInstalled();
    translator = new QTranslator;
    translator->load(translationPath(name));
    QCoreApplication::installTranslator(translator);
    const int language = languageOfFile(name);
    if (language >= 0)
        setLanguageIndex(static_cast<uint32_t>(language));
}

bool LanguageSwitch::switchTo(uint32_t language)
{
    removeInstalled();
    const QString name = fileName(language);
    if (name.isEmpty())
        return false;
    auto *candidate = new QTranslator;
    if (!candidate->load(translationPath(name))) {
        delete candidate;
        return false;
    }
    translator = candidate;
    setLanguageIndex(language);
    writeSetting(QStringLiteral("Language"), name, true);
    QCoreApplication::installTranslator(translator);
    return true;
}

bool LanguageSwitch::hasLoadedTranslation() const
{
    return translator && !translator->isEmpty();
}

void LanguageSwitch::removeInstalled()
{
    if (!translator)
        return;
    QCoreApplication::removeTranslator(translator);
    delete translator;
    translator = nullptr;
}
