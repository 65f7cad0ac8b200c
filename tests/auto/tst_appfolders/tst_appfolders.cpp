// Which folders a program uses for its shipped and its written files, for the layouts a
// program is found in: a build tree, an unpacked folder, an installed tree.

#include "device/firmwarescan.h"
#include "settings/resourcepaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class tst_AppFolders : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir root;
    QString path(const QString &relative) const { return root.filePath(relative); }
    void makeFolders(const QStringList &relatives);
    void writeFile(const QString &relative);

private slots:
    void init();
    void layouts_data();
    void layouts();
    void readOnlyUnpackedFolderWritesToUserData();
    void homeVariableHoldsEverything();
    void firmwareFromEveryFolder();
};

void tst_AppFolders::makeFolders(const QStringList &relatives)
{
    for (const QString &relative : relatives)
        QVERIFY(QDir(root.path()).mkpath(relative));
}

void tst_AppFolders::writeFile(const QString &relative)
{
    QDir().mkpath(QFileInfo(path(relative)).absolutePath());
    QFile file(path(relative));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void tst_AppFolders::init()
{
    QVERIFY(root.isValid());
    QDir(root.path()).removeRecursively();
    QVERIFY(QDir().mkpath(root.path()));
    qunsetenv("LARKSPUR_HOME");
}

void tst_AppFolders::layouts_data()
{
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("exeDir");
    QTest::addColumn<QString>("shipped");
    QTest::addColumn<QString>("writable");

    QTest::newRow("build tree") << QStringList{"build/bin/language", "build/bin/config"}
                                << "build/bin"
                                << "build/bin"
                                << "build/bin";
    QTest::newRow("installed") << QStringList{"usr/bin", "usr/share/larkspur/language"} << "usr/bin"
                               << "usr/share/larkspur"
                               << "user";
    QTest::newRow("installed under a prefix")
        << QStringList{"opt/lark/bin", "opt/lark/share/larkspur/language"} << "opt/lark/bin"
        << "opt/lark/share/larkspur"
        << "user";
    // An unpacked folder stays self-contained even beside a share/larkspur of another copy.
    QTest::newRow("unpacked folder beside an installed tree")
        << QStringList{"usr/bin/language", "usr/share/larkspur/language"} << "usr/bin"
        << "usr/bin"
        << "usr/bin";
    QTest::newRow("bin without share/larkspur")
        << QStringList{"usr/bin", "usr/share/other"} << "usr/bin"
        << "usr/bin"
        << "usr/bin";
}

void tst_AppFolders::layouts()
{
    QFETCH(QStringList, folders);
    QFETCH(QString, exeDir);
    QFETCH(QString, shipped);
    QFETCH(QString, writable);
    makeFolders(folders);
    const AppFolders found = resolveAppFolders(path(exeDir), path(QStringLiteral("user")));
    QCOMPARE(found.shipped, path(shipped));
    QCOMPARE(found.writable, path(writable));
}

void tst_AppFolders::readOnlyUnpackedFolderWritesToUserData()
{
    if (geteuid() == 0)
        QSKIP("every folder is writable for root");
    makeFolders({"unpacked/language"});
    QVERIFY(
        QFile::setPermissions(path("unpacked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const AppFolders found = resolveAppFolders(path("unpacked"), path("user"));
    QFile::setPermissions(path("unpacked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(found.shipped, path("unpacked"));
    QCOMPARE(found.writable, path("user"));
}

void tst_AppFolders::homeVariableHoldsEverything()
{
    qputenv("LARKSPUR_HOME", root.path().toUtf8());
    QCOMPARE(appFilePath("/config/setdb.txt"), path("config/setdb.txt"));
    QCOMPARE(appShippedPath("/language/EN.qm"), path("language/EN.qm"));
    QCOMPARE(appUserOrShippedPath("/config/company.txt"), path("config/company.txt"));
    QCOMPARE(firmwareFolders(), QStringList{path("firmware")});
    // Nothing is made for a folder that is both the shipped and the writable one.
    QVERIFY(prepareWritableFolder());
    QVERIFY(!QFileInfo::exists(path("config")));
}

void tst_AppFolders::firmwareFromEveryFolder()
{
    // The user's folder comes first: its image wins over a shipped one of the same name.
    writeFile("user/firmware/a-V2.20-x.bin");
    writeFile("user/firmware/same-V2.40-x.bin");
    writeFile("shipped/firmware/same-V2.40-x.bin");
    writeFile("shipped/firmware/b-V2.30-x.bin");
    writeFile("shipped/firmware/notes.txt");
    const QStringList folders{path("user/firmware"), path("shipped/firmware")};
    const QStringList names = firmwareFileNamesIn(folders);
    QCOMPARE(names, (QStringList{"a-V2.20-x.bin", "same-V2.40-x.bin", "b-V2.30-x.bin"}));
    const FirmwareCandidate best = pickFirmwareImage(names);
    QCOMPARE(best.fileName, QStringLiteral("same-V2.40-x.bin"));
    QCOMPARE(firmwareImagePath(folders, best.fileName), path("user/firmware/same-V2.40-x.bin"));
    QCOMPARE(firmwareImagePath(folders, "b-V2.30-x.bin"), path("shipped/firmware/b-V2.30-x.bin"));
    QCOMPARE(firmwareImagePath(folders, "gone-V9.99-x.bin"), QString());
}

QTEST_GUILESS_MAIN(tst_AppFolders)
#include "tst_appfolders.moc"
