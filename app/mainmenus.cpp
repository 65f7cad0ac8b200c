#include "app/mainmenus.h"

#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDirIterator>
#include <QDockWidget>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

namespace {

using Texts = MenuTexts;

QString pick(const Texts &texts, uint32_t language)
{
    const char *chosen[] = {texts.simplified, texts.traditional, texts.english};
    return QCoreApplication::translate("MainMenus", chosen[language]);
}

void setText(QMenu *menu, uint32_t language, const Texts &texts)
{
    menu->setTitle(pick(texts, language));
}

void setText(QAction *action, uint32_t language, const Texts &texts)
{
    action->setText(pick(texts, language));
}

} // namespace

MainMenus::MainMenus(QMainWindow *window, QDockWidget *logDock) : QObject(window), dock(logDock)
{
    createActions();
    createMenus(window);
    createLanguageActions();
}

void MainMenus::createActions()
{
    auto make = [this](bool checkable) {
        auto *action = new QAction(this);
        action->setCheckable(checkable);
        return action;
    };
    deviceOperationsAction = make(false);
    fileSendAction = make(false);
    listBufferAction = make(false);
    timeHexAction = make(true);
    recvIdCheckAction = make(true);
    mergeAction = make(true);
    deviceInfoAction = make(false);
    logViewAction = make(true);
    clearLogAction = make(false);
    aboutAction = make(false);
    helpFolderAction = make(false);
}

void MainMenus::createMenus(QMainWindow *window)
{
    auto *bar = new QMenuBar(window);
    window->setMenuBar(bar);
    deviceMenu = bar->addMenu(QString());
    deviceMenu->addAction(deviceOperationsAction);
    multiSendMenu = bar->addMenu(QString());
    multiSendMenu->addAction(fileSendAction);
    parameterMenu = bar->addMenu(QString());
    parameterMenu->addAction(listBufferAction);
    parameterMenu->addSeparator();
    parameterMenu->addActions({timeHexAction, recvIdCheckAction, mergeAction});
    infoMenu = bar->addMenu(QString());
    infoMenu->addAction(deviceInfoAction);
    viewMenu = bar->addMenu(QString());
    viewMenu->addActions({logViewAction, clearLogAction});
    analysisMenu = bar->addMenu(QString());
    analysisMenu->setObjectName(QStringLiteral("analysisMenu"));
    languageMenu = bar->addMenu(QString());
    helpMenu = bar->addMenu(QString());
}

void MainMenus::createLanguageActions()
{
    languageGroup = new QActionGroup(this);
    languageGroup->setExclusive(true);
    const char *names[] = {"简体中文", "繁體中文", "English"};
    for (int i = 0; i < 3; ++i) {
        languageActions[i] = new QAction(QCoreApplication::translate("MainMenus", names[i]), this);
        languageActions[i]->setCheckable(true);
        languageGroup->addAction(languageActions[i]);
        languageMenu->addAction(languageActions[i]);
    }
}

void MainMenus::applyTexts(uint32_t language, uint32_t listLimit)
{
    if (language > 2)
        return;
    setText(deviceMenu, language, {"设备管理(&O)", "設備管理(&O)", "Device Manage(&O)"});
    setText(deviceOperationsAction, language,
            {"设备操作(&S)", "設備操作(&S)", "Device Operations(&S)"});
    setText(multiSendMenu, language, {"多条发送(&T)", "多條發送(&T)", "Multiple Transmiter(&T)"});
    setText(fileSendAction, language, {"文件发送(&F)", "文件發送(&F)", "Fie Transmiter(&F)"});
    setText(parameterMenu, language, {"参数设定(&S)", "參數設定(&S)", "Parameter Setting(&S)"});
    setListBufferText(language, listLimit);
    setText(timeHexAction, language,
            {"时间标识(Hex)(&H)", "時間標識(Hex)(&H)", "time stamp(Hex)(&H)"});
    setText(recvIdCheckAction, language,
            {"接收ID累加判断(&A)", "接收ID纍加判斷(&A)", "check recv ID(&A)"});
    setText(mergeAction, language,
            {"合并相同ID数据(&M)", "合并相同ID數據(&M)", "Merge list data(&M)"});
    setText(infoMenu, language, {"信息(&I)", "信息(&I)", "Information(&I)"});
    setText(deviceInfoAction, language, {"设备信息(&I)", "設備信息(&I)", "Device Info(&I)"});
    setText(viewMenu, language, {"显示(&V)", "顯示(&V)", "View(&V)"});
    const Texts logTexts{"操作记录", "操作記錄", "Operation Log"};
    setText(logViewAction, language, logTexts);
    dock->setWindowTitle(pick(logTexts, language));
    setText(clearLogAction, language, {"清空日志(&D)", "清空日志(&D)", "Clear Log(&D)"});
    setText(analysisMenu, language, {"分析(&A)", "分析(&A)", "Analysis(&A)"});
    for (const auto &entry : qAsConst(analysisEntries))
        setText(entry.first, language, entry.second);
    setText(languageMenu, language, {"语言(&L)", "語言(&L)", "Language(&L)"});
    setText(helpMenu, language, {"帮助(&H)", "幫助(&H)", "Help(&H)"});
    setText(aboutAction, language, {"关于(&A)", "關於(&A)", "About(&A)"});
    setText(helpFolderAction, language,
            {"帮助文档目录(&P)", "幫助文檔目錄(&P)", "Help Folder(&P)"});
}

void MainMenus::setListBufferText(uint32_t language, uint32_t listLimit)
{
    if (language > 2)
        return;
    const Texts head{"列表缓存帧数(", "列表緩存幀數(", "Data List Buffer("};
    listBufferAction->setText(pick(head, language) + QString::number(listLimit) +
                              QCoreApplication::translate("MainMenus", ")(&D)"));
}

QString MainMenus::helpFolder(uint32_t language)
{
    return appShippedPath(language == 2 ? QStringLiteral("/help/English")
                                     : QStringLiteral("/help/Chinese"));
}

QStringList MainMenus::listHelpDocuments(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().suffix() == QLatin1String("pdf"))
            found << it.fileInfo().absoluteFilePath();
    }
    return found;
}

void MainMenus::rebuildHelpMenu(const QString &folder)
{
    helpMenu->clear(); // also deletes the document actions and separators it owns
    helpMenu->addAction(aboutAction);
    helpMenu->addSeparator();
    helpMenu->addAction(helpFolderAction);
    helpMenu->addSeparator();
    documents = listHelpDocuments(folder);
    for (const QString &path : qAsConst(documents)) {
        auto *action = new QAction(QFileInfo(path).fileName(), helpMenu);
        action->setProperty("helpDocument", path);
        connect(action, &QAction::triggered, this,
                [path] { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); });
        helpMenu->addAction(action);
    }
}

QList<QAction *> MainMenus::documentActions() const
{
    QList<QAction *> found;
    const QList<QAction *> all = helpMenu->actions();
    for (QAction *action : all) {
        if (action->property("helpDocument").isValid())
            found << action;
    }
    return found;
}

QAction *MainMenus::addAnalysisAction(const MenuTexts &texts)
{
    auto *action = analysisMenu->addAction(QString());
    analysisEntries.append({action, texts});
    const uint32_t language = languageIndex();
    if (language <= 2)
        setText(action, language, texts);
    return action;
}

void MainMenus::addAnalysisSeparator()
{
    analysisMenu->addSeparator();
}
