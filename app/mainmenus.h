#pragma once

// The main window's menu bar: the seven menus and their actions, their texts in the three
// interface languages, the exclusive language actions and the help menu's document list,
// and the analysis menu that the analysis windows add their actions to.
// The main window connects the actions to its own handlers.

#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>

#include <cstdint>

class QAction;
class QActionGroup;
class QDockWidget;
class QMainWindow;
class QMenu;

// An action's or menu's text in the three interface languages.
struct MenuTexts
{
    const char *simplified;
    const char *traditional;
    const char *english;
};

class MainMenus : public QObject
{
    Q_OBJECT
public:
    MainMenus(QMainWindow *window, QDockWidget *logDock);

    // Menu and action texts and the dock title for a language (0, 1, 2; others change
    // nothing), with listLimit between the list buffer entry's parentheses.
    void applyTexts(uint32_t language, uint32_t listLimit);
    void setListBufferText(uint32_t language, uint32_t listLimit);

    // Rebuilds the help menu: about, help folder, then every "*.pdf" below folder.
    void rebuildHelpMenu(const QString &folder);
    QStringList helpFiles() const { return documents; }
    QList<QAction *> documentActions() const;

    // Adds an action to the analysis menu, titled in the current language and re-titled
    // with every language change. The menu owns it.
    QAction *addAnalysisAction(const MenuTexts &texts);
    void addAnalysisSeparator();

    // applicationDirPath-relative help folder of a language ("/help/Chinese" for 0 and 1,
    // "/help/English" for 2), as an absolute path.
    static QString helpFolder(uint32_t language);
    // Absolute paths of the "*.pdf" files below folder (recursive, no symbolic links).
    static QStringList listHelpDocuments(const QString &folder);

    QMenu *deviceMenu, *multiSendMenu, *parameterMenu, *infoMenu, *viewMenu, *analysisMenu,
        *languageMenu, *helpMenu;
    QAction *deviceOperationsAction, *fileSendAction, *listBufferAction, *timeHexAction,
        *recvIdCheckAction, *mergeAction, *deviceInfoAction, *logViewAction, *clearLogAction,
        *aboutAction, *helpFolderAction;
    QAction *languageActions[3];

private:
    void createMenus(QMainWindow *window);
    void createActions();
    void createLanguageActions();

    QDockWidget *dock;
    QActionGroup *languageGroup;
    QStringList documents;
    QList<QPair<QAction *, MenuTexts>> analysisEntries;
};
