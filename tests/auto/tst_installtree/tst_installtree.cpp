// Run by check_install_tree.sh from the bin/ folder of a freshly installed tree (the test
// program is copied there), with HOME pointing at an empty home: the program finds its
// shipped files in share/larkspur and writes into the user's data folder.

#include "app/languageswitch.h"
#include "app/mainmenus.h"
#include "device/firmwarescan.h"
#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtTest>

class tst_InstallTree : public QObject
{
    Q_OBJECT

private:
    QString share;
    QString userData;
    static void writeFile(const QString &path, const QByteArray &content);

private slots:
    void initTestCase();
    void shippedFilesAreFound_data();
    void shippedFilesAreFound();
    void settingsAreWrittenToUserData();
    void userCopiesOverrideShippedFiles();
    void firmwareFromUserAndShippedFolders();
};

void tst_InstallTree::writeFile(const QString &path, const QByteArray &content)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
}

void tst_InstallTree::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsEmpty("LARKSPUR_HOME"), "LARKSPUR_HOME must not be set");
    share = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/larkspur");
    QVERIFY2(QFileInfo(share).isDir(), "run from the bin/ folder of an installed tree");
    userData = QDir::homePath() + "/.local/share/larkspur";
    QVERIFY2(!QFileInfo::exists(userData), "HOME must be an empty home");
    QCOMPARE(appFolders().shipped, share);
    QCOMPARE(appFolders().writable, userData);
    QVERIFY(prepareWritableFolder());
    QVERIFY(QFileInfo(userData + "/config").isDir());
    QVERIFY(QFileInfo(userData + "/firmware").isDir());
}

void tst_InstallTree::shippedFilesAreFound_data()
{
    QTest::addColumn<uint>("language");
    QTest::addColumn<QString>("help");
    QTest::newRow("simplified Chinese") << 0u << "Chinese/Larkspur_UserGuide_CN.pdf";
    QTest::newRow("traditional Chinese") << 1u << "Chinese/Larkspur_UserGuide_CN.pdf";
    QTest::newRow("English") << 2u << "English/Larkspur_UserGuide_EN.pdf";
}

void tst_InstallTree::shippedFilesAreFound()
{
    QFETCH(uint, language);
    QFETCH(QString, help);
    loadSettings(appFilePath("/config/setdb.txt"));
    LanguageSwitch languages;
    QVERIFY(languages.switchTo(language));
    QVERIFY(LanguageSwitch::translationPath(LanguageSwitch::fileName(language)).startsWith(share));
    if (language != 0) // the simplified Chinese sources need no translation
        QVERIFY(languages.hasLoadedTranslation());
    const QStringList documents = MainMenus::listHelpDocuments(MainMenus::helpFolder(language));
    QCOMPARE(documents, QStringList{share + "/help/" + help});
    QVERIFY(companyName(language) != QStringLiteral("公司名称缺失"));
    QVERIFY(!showBuildInfo());
}

void tst_InstallTree::settingsAreWrittenToUserData()
{
    // The language menu's saving write lands in the user's folder and is read back at the
    // next start.
    loadSettings(appFilePath("/config/setdb.txt"));
    LanguageSwitch languages;
    QVERIFY(languages.switchTo(2));
    QVERIFY(QFileInfo::exists(userData + "/config/setdb.txt"));
    loadSettings(appFilePath("/config/setdb.txt"));
    QCOMPARE(readSetting("Language", "CN.qm"), QStringLiteral("EN.qm"));
}

void tst_InstallTree::userCopiesOverrideShippedFiles()
{
    QCOMPARE(companyName(2), QStringLiteral("Larkspur Instruments"));
    writeFile(userData + "/config/company.txt", "Own CN;Own TW;Own EN");
    writeFile(userData + "/language/config.ini", "[LAST2]\nSel=1\n");
    QCOMPARE(companyName(2), QStringLiteral("Own EN"));
    QVERIFY(showBuildInfo());
    QVERIFY(QFile::remove(userData + "/config/company.txt"));
    QCOMPARE(companyName(2), QStringLiteral("Larkspur Instruments"));
}

void tst_InstallTree::firmwareFromUserAndShippedFolders()
{
    QCOMPARE(firmwareFolder(), userData + "/firmware");
    QCOMPARE(firmwareFolders(), (QStringList{userData + "/firmware", share + "/firmware"}));
    QVERIFY(firmwareFileNamesIn(firmwareFolders()).isEmpty()); // the package ships none
    writeFile(share + "/firmware/shipped-V2.20-x.bin", "image");
    writeFile(userData + "/firmware/added-V2.30-x.bin", "image");
    const FirmwareCandidate best = pickFirmwareImage(firmwareFileNamesIn(firmwareFolders()));
    QCOMPARE(best.fileName, QStringLiteral("added-V2.30-x.bin"));
    QCOMPARE(firmwareImagePath(firmwareFolders(), "shipped-V2.20-x.bin"),
             share + "/firmware/shipped-V2.20-x.bin");
}

QTEST_MAIN(tst_InstallTree)
#include "tst_installtree.moc"
