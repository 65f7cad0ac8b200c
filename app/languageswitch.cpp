#include "app/languageswitch.h"

#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QLibraryInfo>
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

QString LanguageSwitch::qtCatalog(uint32_t language)
{
    switch (language) {
    case 0:
        return QStringLiteral("qtbase_zh_CN");
    case 1:
        return QStringLiteral("qtbase_zh_TW");
    default:
        return QString();
    }
}

void LanguageSwitch::installAtStartup(const QString &name)
{
    removeInstalled();
    unloaded.clear();
    translator = new QTranslator;
    if (!translator->load(translationPath(name)))
        unloaded << translationPath(name);
    QCoreApplication::installTranslator(translator);
    const int language = languageOfFile(name);
    if (language >= 0)
        setLanguageIndex(static_cast<uint32_t>(language));
    installQtTranslation(languageIndex());
}

bool LanguageSwitch::switchTo(uint32_t language)
{
    removeInstalled();
    unloaded.clear();
    const QString name = fileName(language);
    if (name.isEmpty())
        return false;
    auto *candidate = new QTranslator;
    if (!candidate->load(translationPath(name))) {
        unloaded << translationPath(name);
        delete candidate;
        return false;
    }
    translator = candidate;
    setLanguageIndex(language);
    writeSetting(QStringLiteral("Language"), name, true);
    QCoreApplication::installTranslator(translator);
    installQtTranslation(language);
    return true;
}

// Qt's dialogs and standard buttons ("OK", "Cancel", the file dialogs) follow the
// interface language.
void LanguageSwitch::installQtTranslation(uint32_t language)
{
    const QString catalog = qtCatalog(language);
    if (catalog.isEmpty())
        return;
    const QString folder = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    auto *candidate = new QTranslator;
    if (!candidate->load(catalog, folder)) {
        unloaded << folder + QLatin1Char('/') + catalog + QStringLiteral(".qm");
        delete candidate;
        return;
    }
    qtTranslator = candidate;
    QCoreApplication::installTranslator(qtTranslator);
}

bool LanguageSwitch::hasLoadedTranslation() const
{
    return translator && !translator->isEmpty();
}

void LanguageSwitch::removeInstalled()
{
    for (QTranslator **installed : {&translator, &qtTranslator}) {
        if (!*installed)
            continue;
        QCoreApplication::removeTranslator(*installed);
        delete *installed;
        *installed = nullptr;
    }
}
