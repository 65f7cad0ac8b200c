#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>
#include <vector>

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir home;
    QString settingsPath() const { return home.filePath(QStringLiteral("config/setdb.txt")); }
    void writeFile(const QString &path, const QByteArray &content);
    QByteArray readFile(const QString &path);
    void loadFromLine(const QByteArray &line);

private slots:
    void initTestCase();
    void init();

    void loadsWellFormedLine();
    void malformedFileFallsBackAndIsKeptAside_data();
    void malformedFileFallsBackAndIsKeptAside();
    void missingOrEmptyFileGivesDefaults();
    void saveWritesSortedSingleLine();
    void firstSaveWritesDefaultsThatWereRead();
    void separatorsRoundTripThroughEscapes_data();
    void separatorsRoundTripThroughEscapes();
    void unicodeIsStoredAsUtf8();
    void failedSaveKeepsMemoryAndOldFile();
    void unsignedReading_data();
    void unsignedReading();
    void languageFallback_data();
    void languageFallback();
    void companyName_data();
    void companyName();
    void buildInfoFlag();
    void concurrentReadsAndWrites();
};

void tst_SettingsStore::writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    // QSettings re-reads a file it has cached only when its size or time stamp differ:
    // two rows that write files of one size within a millisecond must still differ.
    file.flush();
    static int written = 0;
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(++written),
                             QFileDevice::FileModificationTime));
}

QByteArray tst_SettingsStore::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void tst_SettingsStore::loadFromLine(const QByteArray &line)
{
    writeFile(settingsPath(), line);
    QVERIFY(loadSettings(settingsPath()));
}

void tst_SettingsStore::initTestCase()
{
    QVERIFY(home.isValid());
    qputenv("LARKSPUR_HOME", home.path().toLocal8Bit());
    QCOMPARE(appBaseDir(), home.path());
}

void tst_SettingsStore::init()
{
    QDir(home.path()).removeRecursively();
    QDir().mkpath(home.filePath(QStringLiteral("config")));
    QDir().mkpath(home.filePath(QStringLiteral("language")));
    setLanguageIndex(0);
}

void tst_SettingsStore::loadsWellFormedLine()
{
    loadFromLine("listCount,500;merge,1");
    QCOMPARE(readSettingUInt(QStringLiteral("listCount"), QStringLiteral("1000")), 500u);
    QCOMPARE(readSetting(QStringLiteral("merge"), QStringLiteral("0")), QStringLiteral("1"));
    QVERIFY(!hasSetting(QStringLiteral("timeHex")));
    QCOMPARE(readSetting(QStringLiteral("timeHex"), QStringLiteral("1")), QStringLiteral("1"));
    QVERIFY(hasSetting(QStringLiteral("timeHex")));
    QVERIFY(!QFile::exists(settingsPath() + ".bad"));
}

void tst_SettingsStore::malformedFileFallsBackAndIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("trailing separator") << QByteArray("listCount,500;merge,1;");
    QTest::newRow("comma in value") << QByteArray("listCount,500;sendFile,a,b");
    QTest::newRow("entry without value") << QByteArray("listCount,500;merge");
    QTest::newRow("empty entry in middle") << QByteArray("listCount,500;;merge,1");
}

void tst_SettingsStore::malformedFileFallsBackAndIsKeptAside()
{
    QFETCH(QByteArray, line);
    writeFile(settingsPath() + ".bad", "older bad file");
    loadFromLine(line);
    QVERIFY(!hasSetting(QStringLiteral("listCount")));
    QCOMPARE(readSetting(QStringLiteral("listCount"), QStringLiteral("1000")),
             QStringLiteral("1000"));
    QCOMPARE(readFile(settingsPath() + ".bad"), line);

    // The next saving change rewrites the settings file, but the user's copy stays.
    writeSetting(QStringLiteral("merge"), QStringLiteral("0"), true);
    QCOMPARE(readFile(settingsPath()), QByteArray("listCount,1000;merge,0"));
    QCOMPARE(readFile(settingsPath() + ".bad"), line);
}

void tst_SettingsStore::missingOrEmptyFileGivesDefaults()
{
    QVERIFY(loadSettings(settingsPath()));
    QVERIFY(!hasSetting(QStringLiteral("merge")));
    loadFromLine("");
    QVERIFY(!hasSetting(QStringLiteral("merge")));
    QVERIFY(!QFile::exists(settingsPath() + ".bad"));
    // A line end after the entries is tolerated.
    loadFromLine("merge,1\r\n");
    QCOMPARE(readSetting(QStringLiteral("merge"), QStringLiteral("0")), QStringLiteral("1"));
}

void tst_SettingsStore::saveWritesSortedSingleLine()
{
    QVERIFY(loadSettings(settingsPath()));
    writeSetting(QStringLiteral("merge"), QStringLiteral("0"), false);
    QVERIFY(!QFile::exists(settingsPath()));
    writeSetting(QStringLiteral("listCount"), QStringLiteral("1000"), true);
    QCOMPARE(readFile(settingsPath()), QByteArray("listCount,1000;merge,0"));
    writeSetting(QStringLiteral("ch1paramABit"), QStringLiteral(""), true);
    QCOMPARE(readFile(settingsPath()), QByteArray("ch1paramABit,;listCount,1000;merge,0"));
    QVERIFY(loadSettings(settingsPath()));
    QVERIFY(hasSetting(QStringLiteral("ch1paramABit")));
    QCOMPARE(readSetting(QStringLiteral("merge"), QStringLiteral("1")), QStringLiteral("0"));
}

void tst_SettingsStore::firstSaveWritesDefaultsThatWereRead()
{
    QVERIFY(loadSettings(settingsPath()));
    readSetting(QStringLiteral("Language"), QStringLiteral("CN.qm"));
    readSetting(QStringLiteral("listCount"), QStringLiteral("1000"));
    readSetting(QStringLiteral("timeHex"), QStringLiteral("1"));
    readSetting(QStringLiteral("recvIDAdd"), QStringLiteral("0"));
    readSetting(QStringLiteral("refreshInterval"), QStringLiteral("100"));
    QVERIFY(!QFile::exists(settingsPath()));
    writeSetting(QStringLiteral("merge"), QStringLiteral("1"), true);
    QCOMPARE(readFile(settingsPath()),
             QByteArray("Language,CN.qm;listCount,1000;merge,1;recvIDAdd,0;"
                        "refreshInterval,100;timeHex,1"));
}

void tst_SettingsStore::separatorsRoundTripThroughEscapes_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("comma") << "sendFile"
                           << "a,b.csv";
    QTest::newRow("semicolon") << "sendFile"
                               << "a;b.csv";
    QTest::newRow("backslashes") << "sendFile"
                                 << "C:\\data\\x.csv";
    QTest::newRow("trailing backslash") << "dir"
                                        << "C:\\data\\";
    QTest::newRow("all in key") << "k,;\\"
                                << ",;\\,";
    QTest::newRow("empty value") << "empty"
                                 << "";
}

void tst_SettingsStore::separatorsRoundTripThroughEscapes()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QVERIFY(loadSettings(settingsPath()));
    writeSetting(QStringLiteral("a"), QStringLiteral("1"), false);
    writeSetting(key, value, false);
    writeSetting(QStringLiteral("z"), QStringLiteral("2"), true);
    QVERIFY(loadSettings(settingsPath()));
    QCOMPARE(readSetting(key, QStringLiteral("default")), value);
    QCOMPARE(readSetting(QStringLiteral("a"), QString()), QStringLiteral("1"));
    QCOMPARE(readSetting(QStringLiteral("z"), QString()), QStringLiteral("2"));
    QVERIFY(!QFile::exists(settingsPath() + ".bad"));
}

void tst_SettingsStore::unicodeIsStoredAsUtf8()
{
    QVERIFY(loadSettings(settingsPath()));
    const QString value = QStringLiteral("通道一 數據");
    writeSetting(QStringLiteral("name"), value, true);
    QCOMPARE(readFile(settingsPath()), QByteArray("name,") + value.toUtf8());
    QVERIFY(loadSettings(settingsPath()));
    QCOMPARE(readSetting(QStringLiteral("name"), QString()), value);
}

void tst_SettingsStore::failedSaveKeepsMemoryAndOldFile()
{
    // A missing config folder is created on the first save.
    QDir(home.filePath(QStringLiteral("config"))).removeRecursively();
    QVERIFY(loadSettings(settingsPath()));
    writeSetting(QStringLiteral("merge"), QStringLiteral("1"), true);
    QCOMPARE(readFile(settingsPath()), QByteArray("merge,1"));

    // The parent of the settings path is a plain file, so nothing can be written there.
    const QString blocker = home.filePath(QStringLiteral("blocker"));
    writeFile(blocker, "not a folder");
    QVERIFY(loadSettings(blocker + "/setdb.txt"));
    QVERIFY(writeSetting(QStringLiteral("merge"), QStringLiteral("1"), true));
    QCOMPARE(readSetting(QStringLiteral("merge"), QStringLiteral("0")), QStringLiteral("1"));
    QCOMPARE(readFile(blocker), QByteArray("not a folder"));
}

void tst_SettingsStore::unsignedReading_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<uint>("expected");
    QTest::newRow("decimal") << QByteArray("v,250") << 250u;
    QTest::newRow("text") << QByteArray("v,abc") << 0u;
    QTest::newRow("negative") << QByteArray("v,-5") << 0u;
    QTest::newRow("hex is not decimal") << QByteArray("v,0x10") << 0u;
    QTest::newRow("empty") << QByteArray("v,") << 0u;
    QTest::newRow("absent uses default") << QByteArray("w,1") << 77u;
}

void tst_SettingsStore::unsignedReading()
{
    QFETCH(QByteArray, stored);
    QFETCH(uint, expected);
    loadFromLine(stored);
    QCOMPARE(readSettingUInt(QStringLiteral("v"), QStringLiteral("77")), expected);
}

void tst_SettingsStore::languageFallback_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Sel 2") << QByteArray("[LAST]\nSel=2\n") << QByteArray() << "EN.qm";
    QTest::newRow("Sel 1") << QByteArray("[LAST]\nSel=1\n") << QByteArray() << "CNF.qm";
    QTest::newRow("Sel 7") << QByteArray("[LAST]\nSel=7\n") << QByteArray() << "CN.qm";
    QTest::newRow("Sel -1") << QByteArray("[LAST]\nSel=-1\n") << QByteArray() << "CN.qm";
    QTest::newRow("no ini") << QByteArray() << QByteArray() << "CN.qm";
    QTest::newRow("stored wins") << QByteArray("[LAST]\nSel=2\n") << QByteArray("Language,CNF.qm")
                                 << "CNF.qm";
}

void tst_SettingsStore::languageFallback()
{
    QFETCH(QByteArray, ini);
    QFETCH(QByteArray, settings);
    QFETCH(QString, expected);
    if (!ini.isEmpty())
        writeFile(home.filePath(QStringLiteral("language/config.ini")), ini);
    loadFromLine(settings);
    QCOMPARE(readSetting(QStringLiteral("Language"), QStringLiteral("CN.qm")), expected);
    // The fallback is remembered like any other default that was read.
    QVERIFY(hasSetting(QStringLiteral("Language")));
}

void tst_SettingsStore::companyName_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<uint>("index");
    QTest::addColumn<QString>("expected");
    const QString missing = QStringLiteral("公司名称缺失");
    QTest::newRow("three, index 1") << QByteArray("Alpha;Beta;Gamma\n") << 1u << "Beta";
    QTest::newRow("single, index 0") << QByteArray("Alpha") << 0u << "Alpha";
    QTest::newRow("single, index 2") << QByteArray("Alpha") << 2u << "Alpha";
    QTest::newRow("two, index 2") << QByteArray("Alpha;Beta") << 2u << "Alpha";
    QTest::newRow("empty first, index 1") << QByteArray(";Beta") << 1u << "Beta";
    QTest::newRow("empty first, index 0") << QByteArray(";Beta") << 0u << "";
    QTest::newRow("empty first, index 2") << QByteArray(";Beta") << 2u << "";
    QTest::newRow("only first line") << QByteArray("A;B\nC;D") << 1u << "B";
    QTest::newRow("chinese") << QStringLiteral("甲;乙").toUtf8() << 1u << QStringLiteral("乙");
    QTest::newRow("empty line") << QByteArray("\nAlpha") << 0u << missing;
    QTest::newRow("missing file") << QByteArray() << 0u << missing;
}

void tst_SettingsStore::companyName()
{
    QFETCH(QByteArray, line);
    QFETCH(uint, index);
    QFETCH(QString, expected);
    if (!line.isEmpty())
        writeFile(home.filePath(QStringLiteral("config/company.txt")), line);
    QCOMPARE(::companyName(index), expected);
}

void tst_SettingsStore::buildInfoFlag()
{
    QVERIFY(!showBuildInfo());
    writeFile(home.filePath(QStringLiteral("language/config.ini")), "[LAST2]\nSel=0\n");
    QVERIFY(!showBuildInfo());
    // Qt caches INI files by size and time, so the second content differs in size.
    writeFile(home.filePath(QStringLiteral("language/config.ini")), "[LAST2]\nSel=1\n\n");
    QVERIFY(showBuildInfo());
}

void tst_SettingsStore::concurrentReadsAndWrites()
{
    QVERIFY(loadSettings(settingsPath()));
    constexpr int threadCount = 4;
    constexpr int rounds = 200;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back(QThread::create([t] {
            const QString key = QStringLiteral("key%1").arg(t);
            for (int i = 0; i < rounds; ++i) {
                writeSetting(key, QString::number(i), i % 20 == 0);
                readSetting(QStringLiteral("shared%1").arg(i % 7), QStringLiteral("d"));
                readSettingUInt(key, QStringLiteral("0"));
                setLanguageIndex(uint32_t(i % 3));
                byLanguage("a", "b", "c");
            }
        }));
        threads.back()->start();
    }
    for (auto &thread : threads)
        QVERIFY(thread->wait());
    saveSettings();
    QVERIFY(loadSettings(settingsPath()));
    for (int t = 0; t < threadCount; ++t)
        QCOMPARE(readSetting(QStringLiteral("key%1").arg(t), QString()),
                 QString::number(rounds - 1));
    QCOMPARE(readSetting(QStringLiteral("shared3"), QString()), QStringLiteral("d"));
}

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
