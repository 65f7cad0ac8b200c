// Languages: start-up choice and fallbacks, switching with and without translation
// files, the help menu's document list, the about box texts and the shipped translations.

#include "tests/shared/windowfixture.h"

#include "app/aboutbox.h"
#include "app/mainmenus.h"
#include "device/filterdialog.h"
#include "device/infdialog.h"
#include "device/opendlg.h"
#include "device/paradialog.h"
#include "device/updatedlg.h"
#include "device/valuedialog.h"
#include "receive/mytablemodel.h"
#include "receive/siftdialog.h"
#include "record/savefiledlg.h"
#include "tests/shared/windowparts.h"
#include "transmit/datadlg.h"
#include "transmit/filedlg.h"
#include "transmit/listsenddlg.h"
#include "transmit/sendpanels.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTextEdit>
#include <QtTest>

class tst_Languages : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startLanguage_data();
    void startLanguage();
    void startsWithoutTranslationFiles();
    void switchToEnglish();
    void switchWithMissingFileKeepsLanguage();
    void analysisMenuFollowsLanguage();
    void qtTextsFollowLanguage();
    void missingTranslationIsLogged();
    void helpMenuListsLowerCasePdfs();
    void helpMenuKeepsListingOrder();
    void aboutBodies_data();
    void aboutBodies();
    void buildDateText_data();
    void buildDateText();
    void shippedTranslationsCoverForms_data();
    void shippedTranslationsCoverForms();

private:
    static QStringList visibleTexts(const QWidget *root);
    std::unique_ptr<WindowFixture> fixture;
};

void tst_Languages::init()
{
    fixture = std::make_unique<WindowFixture>();
}

void tst_Languages::cleanup()
{
    fixture.reset();
}

void tst_Languages::startLanguage_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QByteArray>("configIni");
    QTest::addColumn<uint>("language");
    QTest::newRow("stored EN") << QByteArray("Language,EN.qm") << QByteArray() << 2u;
    QTest::newRow("stored CNF") << QByteArray("Language,CNF.qm") << QByteArray() << 1u;
    QTest::newRow("unknown name") << QByteArray("Language,XX.qm") << QByteArray() << 0u;
    QTest::newRow("ini fallback 2") << QByteArray() << QByteArray("[LAST]\nSel=2\n") << 2u;
    QTest::newRow("ini fallback 7") << QByteArray() << QByteArray("[LAST]\nSel=7\n") << 0u;
}

void tst_Languages::startLanguage()
{
    QFETCH(QByteArray, settings);
    QFETCH(QByteArray, configIni);
    QFETCH(uint, language);
    fixture->installTranslations();
    if (!settings.isEmpty())
        fixture->writeFile("/config/setdb.txt", settings);
    if (!configIni.isEmpty())
        fixture->writeFile("/language/config.ini", configIni);
    MainWindow *w = fixture->open();
    QCOMPARE(languageIndex(), language);
    QVERIFY(menusOf(w)->languageActions[language]->isChecked());
}

void tst_Languages::startsWithoutTranslationFiles()
{
    fixture->writeFile("/config/setdb.txt", "Language,EN.qm");
    MainWindow *w = fixture->open();
    QCOMPARE(languageIndex(), 2u);
    QCOMPARE(menusOf(w)->deviceMenu->title(), QString("Device Manage(&O)"));
    QCOMPARE(w->findChild<QAbstractButton *>("checkBox_7")->text(), QString("暂停显示"));
}

void tst_Languages::switchToEnglish()
{
    fixture->installTranslations();
    fixture->writeFile("/help/English/a.pdf", "%PDF");
    MainWindow *w = fixture->open();
    menusOf(w)->languageActions[2]->trigger();
    QCOMPARE(languageIndex(), 2u);
    const MainMenus *m = menusOf(w);
    const QStringList titles = {m->deviceMenu->title(),    m->multiSendMenu->title(),
                                m->parameterMenu->title(), m->infoMenu->title(),
                                m->viewMenu->title(),      m->languageMenu->title(),
                                m->helpMenu->title()};
    QCOMPARE(titles,
             QStringList({"Device Manage(&O)", "Multiple Transmiter(&T)", "Parameter Setting(&S)",
                          "Information(&I)", "View(&V)", "Language(&L)", "Help(&H)"}));
    QCOMPARE(frameModelOf(w)->headerLabels(),
             QStringList({"index", "system time", "time stamp", "channel", "Rx/Tx", "ID", "Frame",
                          "type", "DLC", "CAN-FD", "data"}));
    QCOMPARE(readSetting("Language", ""), QString("EN.qm"));
    QCOMPARE(w->findChild<QAbstractButton *>("checkBox_7")->text(), QString("Pause display"));
    QCOMPARE(w->windowTitle(), QString("Larkspur"));
    QCOMPARE(m->helpFiles(), QStringList({fixture->path("/help/English/a.pdf")}));
    menusOf(w)->languageActions[1]->trigger();
    QCOMPARE(menusOf(w)->mergeAction->text(), QString("合并相同ID數據(&M)"));
    QCOMPARE(w->findChild<QAbstractButton *>("checkBox_7")->text(), QString("暫停顯示"));
}

void tst_Languages::analysisMenuFollowsLanguage()
{
    fixture->installTranslations();
    MainWindow *w = fixture->open();
    MainMenus *m = menusOf(w);
    QCOMPARE(m->analysisMenu->title(), QString("分析(&A)"));
    QAction *entry = m->addAnalysisAction({"打开日志…", "打開日誌…", "Open log…"});
    QCOMPARE(entry->text(), QString("打开日志…"));
    m->languageActions[2]->trigger();
    QCOMPARE(m->analysisMenu->title(), QString("Analysis(&A)"));
    QCOMPARE(entry->text(), QString("Open log…"));
    m->languageActions[1]->trigger();
    QCOMPARE(entry->text(), QString("打開日誌…"));
}

// Qt's standard buttons and dialogs speak the interface language too.
void tst_Languages::qtTextsFollowLanguage()
{
    const auto buttonTexts = [] {
        QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
        return QStringList{box.button(QDialogButtonBox::Open)->text(),
                           box.button(QDialogButtonBox::Cancel)->text()};
    };
    fixture->installTranslations();
    MainWindow *w = fixture->open();
    QCOMPARE(buttonTexts(), QStringList({"打开", "取消"}));
    menusOf(w)->languageActions[1]->trigger();
    QCOMPARE(buttonTexts(), QStringList({"開啟", "取消"}));
    menusOf(w)->languageActions[2]->trigger();
    QCOMPARE(buttonTexts(), QStringList({"Open", "Cancel"}));
    menusOf(w)->languageActions[0]->trigger();
    QCOMPARE(buttonTexts(), QStringList({"打开", "取消"}));
}

void tst_Languages::missingTranslationIsLogged()
{
    fixture->installTranslations({"CN.qm", "CNF.qm"});
    fixture->writeFile("/config/setdb.txt", "Language,EN.qm");
    MainWindow *w = fixture->open();
    const QString missing = QDir::toNativeSeparators(fixture->path("/language/EN.qm"));
    QCOMPARE(logTextOf(w)->toPlainText().count(missing), 1);
    QVERIFY(logTextOf(w)->toPlainText().contains("Could not load translation file: " + missing));
    // A later switch to the same missing file names it again, in the language still shown.
    menusOf(w)->languageActions[1]->trigger();
    menusOf(w)->languageActions[2]->trigger();
    QVERIFY(logTextOf(w)->toPlainText().contains("無法載入翻譯檔案：" + missing));
    QVERIFY(!logTextOf(w)->toPlainText().contains("CNF.qm"));
}

void tst_Languages::switchWithMissingFileKeepsLanguage()
{
    fixture->installTranslations({"CN.qm", "CNF.qm"});
    fixture->writeFile("/config/setdb.txt", "Language,CNF.qm");
    MainWindow *w = fixture->open();
    QCOMPARE(w->findChild<QAbstractButton *>("checkBox_7")->text(), QString("暫停顯示"));
    menusOf(w)->languageActions[2]->trigger();
    QCOMPARE(languageIndex(), 1u);
    QCOMPARE(readSetting("Language", ""), QString("CNF.qm"));
    QCOMPARE(menusOf(w)->deviceMenu->title(), QString("設備管理(&O)"));
    QCOMPARE(frameModelOf(w)->headerLabels().first(), QString("序號"));
    // Without any translator the forms show their source texts.
    QCOMPARE(w->findChild<QAbstractButton *>("checkBox_7")->text(), QString("暂停显示"));
    QVERIFY(menusOf(w)->languageActions[2]->isChecked());
}

void tst_Languages::helpMenuListsLowerCasePdfs()
{
    fixture->writeFile("/help/Chinese/manual.pdf", "%PDF");
    fixture->writeFile("/help/Chinese/notes.PDF", "%PDF");
    fixture->writeFile("/help/Chinese/sub/guide.pdf", "%PDF");
    fixture->writeFile("/help/Chinese/readme.txt", "x");
    MainWindow *w = fixture->open();
    QStringList names;
    for (QAction *action : menusOf(w)->documentActions())
        names << action->text();
    names.sort();
    QCOMPARE(names, QStringList({"guide.pdf", "manual.pdf"}));
    const QList<QAction *> entries = menusOf(w)->helpMenu->actions();
    QCOMPARE(entries.at(0), menusOf(w)->aboutAction);
    QVERIFY(entries.at(1)->isSeparator());
    QCOMPARE(entries.at(2), menusOf(w)->helpFolderAction);
    QVERIFY(entries.at(3)->isSeparator());
    QCOMPARE(entries.size(), 6);
}

// The documents keep the order the directory listing gives them.
void tst_Languages::helpMenuKeepsListingOrder()
{
    for (const char *name : {"m", "c", "x", "a", "q", "e", "k", "b", "z", "g", "t", "d"})
        fixture->writeFile(QString("/help/Chinese/%1.pdf").arg(name), "%PDF");
    QStringList listed;
    QDirIterator it(fixture->path("/help/Chinese"), QDir::Files);
    while (it.hasNext())
        listed << it.next();
    MainWindow *w = fixture->open();
    QCOMPARE(menusOf(w)->helpFiles(), listed);
}

void tst_Languages::aboutBodies_data()
{
    QTest::addColumn<uint>("language");
    QTest::addColumn<QString>("title");
    QTest::newRow("simplified") << 0u << "关于Larkspur";
    QTest::newRow("traditional") << 1u << "關於Larkspur";
    QTest::newRow("english") << 2u << "About Larkspur";
}

void tst_Languages::aboutBodies()
{
    QFETCH(uint, language);
    QFETCH(QString, title);
    QCOMPARE(aboutTitle(language), title);
    const QString shortBody = aboutBody(language, false, "Gamma");
    QVERIFY(shortBody.contains("Larkspur"));
    QVERIFY(shortBody.contains("V1.17"));
    QVERIFY(!shortBody.contains("Gamma"));
    const QString longBody = aboutBody(language, true, "Gamma");
    QVERIFY(longBody.startsWith(shortBody));
    QVERIFY(longBody.endsWith(",Gamma"));
    QVERIFY(QRegularExpression("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d,Gamma$")
                .match(longBody)
                .hasMatch());
    QVERIFY(aboutBody(3, true, "Gamma").isEmpty());

    // The long body's company comes from config/company.txt when LAST2/Sel asks for it.
    fixture->writeFile("/language/config.ini", "[LAST2]\nSel=1\n");
    fixture->writeFile("/config/company.txt", "Alpha;Beta;Gamma\n");
    QVERIFY(showBuildInfo());
    QCOMPARE(companyName(2), QString("Gamma"));
}

void tst_Languages::buildDateText_data()
{
    QTest::addColumn<QString>("compiler");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one-digit day") << "Mar  5 2024"
                                   << "2024-03-05";
    QTest::newRow("two-digit day") << "Dec 17 2026"
                                   << "2026-12-17";
}

void tst_Languages::buildDateText()
{
    QFETCH(QString, compiler);
    QFETCH(QString, expected);
    QCOMPARE(::buildDateText(compiler), expected);
}

QStringList tst_Languages::visibleTexts(const QWidget *root)
{
    QStringList texts{root->windowTitle()};
    for (const QAbstractButton *b : root->findChildren<QAbstractButton *>())
        texts << b->text();
    for (const QLabel *l : root->findChildren<QLabel *>())
        texts << l->text();
    for (const QGroupBox *g : root->findChildren<QGroupBox *>())
        texts << g->title();
    for (const QComboBox *c : root->findChildren<QComboBox *>()) {
        for (int i = 0; i < c->count(); ++i)
            texts << c->itemText(i);
    }
    for (const QTableWidget *t : root->findChildren<QTableWidget *>()) {
        for (int i = 0; i < t->columnCount(); ++i)
            texts << (t->horizontalHeaderItem(i) ? t->horizontalHeaderItem(i)->text() : QString());
    }
    return texts;
}

void tst_Languages::shippedTranslationsCoverForms_data()
{
    QTest::addColumn<uint>("language");
    QTest::newRow("traditional") << 1u;
    QTest::newRow("english") << 2u;
}

// Every form text of every window is translated: English shows no Chinese character,
// traditional Chinese no simplified-only one.
void tst_Languages::shippedTranslationsCoverForms()
{
    QFETCH(uint, language);
    fixture->installTranslations();
    MainWindow *w = fixture->open();
    w->switchLanguage(language);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange); // reaches the panels
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.emplace_back(new savefileDlg);
    windows.emplace_back(new valueDialog);
    windows.emplace_back(new DataDlg(QByteArray(8, 0), 8));
    windows.emplace_back(new fileDlg);
    windows.emplace_back(new listSendDlg);
    windows.emplace_back(new SiftDialog);
    windows.emplace_back(new OpenDlg(0));
    windows.emplace_back(new ParaDialog(0));
    windows.emplace_back(new FilterDialog(0, QString()));
    windows.emplace_back(new INfDialog(BoardInfo{}));
    windows.emplace_back(new UpdateDlg(0x0100, 0, QString()));
    QStringList texts = visibleTexts(w->findChild<QWidget *>("groupBox")) +
                        visibleTexts(w->findChild<SendPanels *>());
    for (const auto &window : windows)
        texts += visibleTexts(window.get());
    const QRegularExpression untranslated(
        language == 2 ? "[\\x{4e00}-\\x{9fff}]"
                      : "[义关准删协单参发号启备复实导帧据数时显暂条标扩滚滤确类级组结编节计"
                        "议设请败辑过进远选递长闭间随驱筛开动库断听总创径择]");
    QStringList missing;
    for (const QString &text : qAsConst(texts)) {
        if (untranslated.match(text).hasMatch())
            missing << text;
    }
    missing.removeDuplicates();
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1String(" | "))));
}

QTEST_MAIN(tst_Languages)
#include "tst_languages.moc"
