#include "settings/settingsstore.h"
#include "transmit/sendpanelrules.h"

#include <QtTest>

using namespace SendPanelRules;

class tst_SendPanelRules : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { setLanguageIndex(0); }
    void normalize_data();
    void normalize();
    void trim_data();
    void trim();
    void bytes();
    void editorText();
    void numbers_data();
    void numbers();
    void identifierRange_data();
    void identifierRange();
    void messages_data();
    void messages();
};

void tst_SendPanelRules::normalize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("normalized");
    QTest::newRow("default") << "00 11 22 33 44 55 66 77"
                             << "00 11 22 33 44 55 66 77";
    QTest::newRow("odd parts") << "1 23 456"
                               << "01 23 04 56";
    QTest::newRow("long part") << "12345"
                               << "01 23 45";
    QTest::newRow("trailing spaces") << "00 11 "
                                     << "00 11";
    QTest::newRow("double space kept") << "00  11"
                                       << "00  11";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("only spaces") << "   "
                                 << "";
    QTest::newRow("lower case kept") << "abc"
                                     << "0a bc";
}

void tst_SendPanelRules::normalize()
{
    QFETCH(QString, text);
    QFETCH(QString, normalized);
    QCOMPARE(normalizeDataText(text), normalized);
    QCOMPARE(normalizeDataText(normalized), normalized);
}

void tst_SendPanelRules::trim_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("8 to 2") << "00 11 22 33 44 55 66 77" << 2 << "00 11 ";
    QTest::newRow("to 0") << "00 11 22" << 0 << "";
    QTest::newRow("longer length adds nothing") << "00 11" << 8 << "00 11";
    QTest::newRow("equal length") << "00 11" << 2 << "00 11";
    QTest::newRow("normalizes first") << "1 2 3" << 2 << "01 02 ";
    QTest::newRow("64 to 8") << QString("AA ").repeated(63) + "AA" << 8
                             << QString("AA ").repeated(8);
}

void tst_SendPanelRules::trim()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    QFETCH(QString, trimmed);
    QCOMPARE(trimDataText(text, length), trimmed);
}

void tst_SendPanelRules::bytes()
{
    const QByteArray shortData = dataBytes("00 11");
    QCOMPARE(shortData.size(), 64);
    QCOMPARE(shortData.left(8), QByteArray::fromHex("0011000000000000"));

    // An empty part (two spaces) is a 0 byte; parts beyond 64 are dropped.
    QCOMPARE(dataBytes("AA  BB").left(3), QByteArray::fromHex("AA00BB"));
    const QByteArray full = dataBytes(QString("FF ").repeated(70).trimmed());
    QCOMPARE(full, QByteArray(64, '\xFF'));
}

void tst_SendPanelRules::editorText()
{
    QCOMPARE(editorBytesText(QByteArray::fromHex("050AFF00"), 4), QString("05 0A FF 00"));
    QCOMPARE(editorBytesText(QByteArray::fromHex("050AFF00"), 2), QString("05 0A"));
    QCOMPARE(editorBytesText(QByteArray(), 0), QString());
}

void tst_SendPanelRules::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qlonglong>("count");
    QTest::addColumn<uint>("interval");
    QTest::newRow("plain") << "10" << 10LL << 10u;
    QTest::newRow("endless") << "-1" << -1LL << 0u;
    QTest::newRow("letters") << "abc" << 0LL << 0u;
    QTest::newRow("empty") << "" << 0LL << 0u;
    QTest::newRow("number with junk") << "-1x" << 0LL << 0u;
    QTest::newRow("hex is not decimal") << "0x10" << 0LL << 0u;
    QTest::newRow("too large") << "99999999999999999999" << 0LL << 0u;
}

// A count or interval that is not a number is 0: never endless, never a huge pause.
void tst_SendPanelRules::numbers()
{
    QFETCH(QString, text);
    QFETCH(qlonglong, count);
    QFETCH(uint, interval);
    QCOMPARE(static_cast<qlonglong>(readCount(text)), count);
    QCOMPARE(readInterval(text), interval);
}

void tst_SendPanelRules::identifierRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("result");
    const int ok = int(IdCheck::Accepted);
    const int std = int(IdCheck::StandardOutOfRange);
    const int ext = int(IdCheck::ExtendedOutOfRange);
    QTest::newRow("std 7FF") << "7FF" << 0 << ok;
    QTest::newRow("std 800") << "800" << 0 << std;
    QTest::newRow("std FFFFFFFF") << "FFFFFFFF" << 0 << std;
    QTest::newRow("ext 1FFFFFFF") << "1FFFFFFF" << 1 << ok;
    QTest::newRow("ext 20000000") << "20000000" << 1 << ext;
    QTest::newRow("ext FFFFFFFF") << "FFFFFFFF" << 1 << ext;
    QTest::newRow("not a number is 0") << "xyz" << 0 << ok;
    QTest::newRow("too many digits std") << "100000000" << 0 << std;
    QTest::newRow("too many digits ext") << "000100000000" << 1 << ext;
    QTest::newRow("default") << "00000001" << 0 << ok;
}

void tst_SendPanelRules::identifierRange()
{
    QFETCH(QString, text);
    QFETCH(int, format);
    QFETCH(int, result);
    QCOMPARE(int(checkIdentifier(text, format)), result);
}

void tst_SendPanelRules::messages_data()
{
    QTest::addColumn<uint>("language");
    QTest::addColumn<int>("panel");
    QTest::addColumn<QString>("closedTitle");
    QTest::addColumn<QString>("closed");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<QString>("extended");
    QTest::newRow("zh panel 1") << 0u << 1 << "提示"
                                << "通道1未打开！"
                                << "发送失败，标准帧ID范围为0~0x7FF！"
                                << "发送失败，扩展帧ID范围为0~0x1FFFFFFF！";
    QTest::newRow("tw panel 1") << 1u << 1 << "提示"
                                << "通道1未打開！"
                                << "發送失敗，標準幀ID範圍為0~0x7FF！"
                                << "發送失敗，擴展幀ID範圍為0~0x1FFFFFFF！";
    QTest::newRow("tw panel 2") << 1u << 2 << "提示"
                                << "通道2未打開！"
                                << "发送失败，標準幀ID範圍為0~0x7FF！"
                                << "发送失败，擴展幀ID範圍為0~0x1FFFFFFF！";
    QTest::newRow("en panel 1") << 2u << 1 << "warning"
                                << "Channel 1 is not open!"
                                << "Sending failed, standard frame ID range is 0~0x7FF!"
                                << "Sending failed, expanding frame ID range from 0 to "
                                   "0x1FFFFFFFF!";
    QTest::newRow("en panel 2") << 2u << 2 << "tip"
                                << "Channel 2 is not open!"
                                << "Sending failed, standard frame ID range is 0~0x7FF!"
                                << "Sending failed, expanding frame ID range from 0 to "
                                   "0x1FFFFFFFF!";
}

void tst_SendPanelRules::messages()
{
    QFETCH(uint, language);
    QFETCH(int, panel);
    setLanguageIndex(language);
    QTEST(channelClosedTitle(panel), "closedTitle");
    QTEST(channelClosedMessage(panel), "closed");
    QTEST(idRangeMessage(IdCheck::StandardOutOfRange, panel), "standard");
    QTEST(idRangeMessage(IdCheck::ExtendedOutOfRange, panel), "extended");
}

QTEST_APPLESS_MAIN(tst_SendPanelRules)
#include "tst_sendpanelrules.moc"
