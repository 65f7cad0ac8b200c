// The larkspur-log command run as a shell user runs it: its exit status, what it prints on
// standard output and on standard error, and the files it writes.

#include "tests/shared/testsetup.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestLarkspurLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commands_data();
    void commands();
    void convertChainKeepsFrames();

private:
    struct Result
    {
        int status = -1;
        QString out, err;
    };
    Result run(const QStringList &arguments);

    QTemporaryDir dir;
};

namespace {

const QByteArray Candump = "(1700000000.000100) can0 123#1122\n"
                           "(1700000000.000200) can1 12345678##3001122334455667788990011\n"
                           "not a frame\n"
                           "(1700000000.500000) can0 7FF#R2 T\n"
                           "(1700000001.000000) can1 20000080#\n";

} // namespace

TestLarkspurLog::Result TestLarkspurLog::run(const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(LARKSPUR_LOG_PROGRAM), arguments);
    Result result;
    if (!process.waitForFinished(60000))
        return result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

void TestLarkspurLog::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(writeTestFile(dir.filePath("in.log"), Candump));
}

void TestLarkspurLog::commands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // a line standard output holds
    QTest::addColumn<QString>("err"); // a text standard error holds; empty: nothing at all

    QTest::newRow("help") << QStringList{"--help"} << 0
                          << "Usage: larkspur-log COMMAND [OPTIONS] FILE..."
                          << "";
    QTest::newRow("no command") << QStringList{} << 2 << ""
                                << "no command given";
    QTest::newRow("unknown command") << QStringList{"show", "in.log"} << 2 << ""
                                     << "unknown command 'show'";
    QTest::newRow("unknown option") << QStringList{"info", "-x", "in.log"} << 2 << ""
                                    << "unknown option '-x'";
    QTest::newRow("unknown format")
        << QStringList{"convert", "in.log", "o.x", "--to", "mdf"} << 2 << ""
        << "unknown format 'mdf'";
    QTest::newRow("output format unknown") << QStringList{"convert", "in.log", "out.bin"} << 2 << ""
                                           << "use --to";
    QTest::newRow("info missing file") << QStringList{"info", "missing.blf"} << 1 << ""
                                       << "cannot read 'missing.blf'";
    QTest::newRow("info") << QStringList{"info", "in.log"} << 0 << "frames: 4"
                          << "";
    QTest::newRow("info damaged") << QStringList{"info", "in.log"} << 0
                                  << "damaged records skipped: 1"
                                  << "";
    QTest::newRow("info channels")
        << QStringList{"info", "in.log"} << 0 << "channels: 1 (2 frames), 2 (2 frames)"
        << "";
    QTest::newRow("cat") << QStringList{"cat", "in.log"} << 0 << "(1700000000.500000) can0 7FF#R2 T"
                         << "1 damaged records skipped";
    QTest::newRow("convert by extension")
        << QStringList{"convert", "in.log", "out.blf"} << 0
        << "4 frames written from in.log (candump) to out.blf (BLF)"
        << "1 damaged records skipped";
    QTest::newRow("convert --to") << QStringList{"convert", "in.log", "out.txt", "--to", "asc"} << 0
                                  << "4 frames written from in.log (candump) to out.txt (ASC)"
                                  << "1 damaged records skipped";
    QTest::newRow("csv leaves error frames out")
        << QStringList{"convert", "in.log", "out.csv"} << 0
        << "3 frames written from in.log (candump) to out.csv (CSV)"
        << "1 frames left out: CSV cannot hold them";
    QTest::newRow("unwritable output")
        << QStringList{"convert", "in.log", "no/such/dir/out.asc"} << 1 << ""
        << "cannot write 'no/such/dir/out.asc'";
    QTest::newRow("same file") << QStringList{"convert", "in.log", "./in.log"} << 2 << ""
                               << "same file";
    QTest::newRow("input of unknown format")
        << QStringList{"cat", "in.log", "--from", "blf"} << 1 << ""
        << "cannot read 'in.log'";
}

void TestLarkspurLog::commands()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Result result = run(arguments);
    QVERIFY2(result.status == status, qPrintable(result.err));
    if (!out.isEmpty())
        QVERIFY2(result.out.split('\n').contains(out), qPrintable(result.out));
    else if (status != 0)
        QVERIFY(result.out.isEmpty());
    if (err.isEmpty())
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    else
        QVERIFY2(result.err.contains(err), qPrintable(result.err));
}

// candump -> BLF -> ASC -> TRC -> candump through the tool gives back the frames read
// from the first file, line for line (error frames without data: ASC keeps none).
void TestLarkspurLog::convertChainKeepsFrames()
{
    const QStringList chain{"in.log", "a.blf", "b.asc", "c.trc", "d.log"};
    for (int i = 0; i + 1 < chain.size(); ++i)
        QCOMPARE(run({"convert", chain[i], chain[i + 1]}).status, 0);
    const Result original = run({"cat", "in.log"});
    const Result converted = run({"cat", "d.log"});
    QCOMPARE(converted.status, 0);
    QCOMPARE(converted.err, QString());
    QCOMPARE(converted.out, original.out);
}

QTEST_GUILESS_MAIN(TestLarkspurLog)
#include "tst_larkspurlog.moc"
