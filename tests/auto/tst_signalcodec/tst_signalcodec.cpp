// Decoding and encoding on the shared databases written by others: values worked out by
// hand from the DBC text (Motorola signals across byte edges, negative values, floats,
// 64-byte CAN FD payloads, cascaded multiplexing), frames that do not fit their message,
// and every signal of every shared file through encode and decode.

#include "database/dbcreader.h"
#include "database/logdecode.h"
#include "database/signalcodec.h"
#include "tests/shared/testsetup.h"

#include <QDir>
#include <QtTest>

#include <cstring>
#include <random>

class TestSignalCodec : public QObject
{
    Q_OBJECT
private slots:
    void handDecoded_data();
    void handDecoded();
    void multiplexorsSelect_data();
    void multiplexorsSelect();
    void framesThatDoNotFit();
    void encodeWritesOnlyItsBits();
    void roundTrip_data();
    void roundTrip();
    void commandLineDecode_data();
    void commandLineDecode();

private:
    static const DbcDatabase &database(const QString &file);
};

const DbcDatabase &TestSignalCodec::database(const QString &file)
{
    static QHash<QString, DbcDatabase> loaded;
    if (!loaded.contains(file)) {
        DbcDatabase db;
        const DbcReadError error =
            DbcReader::readFile(QStringLiteral(SHARED_DBC_DIR "/") + file, db);
        if (!error.ok())
            qWarning().noquote() << file << error.message();
        loaded.insert(file, std::move(db));
    }
    return loaded[file];
}

void TestSignalCodec::handDecoded_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<uint>("id");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<qint64>("raw");
    QTest::addColumn<double>("physical");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *name, const char *file, uint id, bool ext, const char *hex,
                        const char *signal, qint64 raw, double physical, const char *text = "") {
        QTest::newRow(name) << QString(file) << id << ext << QByteArray::fromHex(hex)
                            << QString(signal) << raw << physical << QString::fromUtf8(text);
    };
    // motohawk: Temperature 0|12@0- is byte 0 bit 0, byte 1, byte 2 bits 7..5.
    const char *moto = "cantools/motohawk.dbc";
    row("moto temperature", moto, 496, false, "c006e00000000000", "Temperature", 55, 250.55);
    row("moto radius", moto, 496, false, "c006e00000000000", "AverageRadius", 32, 3.2);
    row("moto enable", moto, 496, false, "c006e00000000000", "Enable", 1, 1, "Enabled");
    row("moto temperature -1", moto, 496, false, "01ffe00000000000", "Temperature", -1, 249.99);
    row("moto temperature min", moto, 496, false, "0100000000000000", "Temperature", -2048, 229.52);
    // signed.dbc Message378910: eight signed signals packed into one frame.
    const char *sgn = "cantools/signed.dbc";
    const char *packed = "81fc00fe7101007f";
    row("s7 intel", sgn, 10, false, packed, "s7", -64, -64);
    row("s8big byte edge", sgn, 10, false, packed, "s8big", -2, -2);
    row("s9 intel two bytes", sgn, 10, false, packed, "s9", -256, -256);
    row("s8 intel", sgn, 10, false, packed, "s8", 127, 127);
    row("s3 intel", sgn, 10, false, packed, "s3", -4, -4);
    row("s3big", sgn, 10, false, packed, "s3big", 3, 3);
    row("s10big three bytes", sgn, 10, false, packed, "s10big", -512, -512);
    row("s7big", sgn, 10, false, packed, "s7big", -1, -1);
    row("s10big edge bits", sgn, 10, false, "0000000000008080", "s10big", 257, 257);
    row("s63big top bit", sgn, 9, false, "4000000000000000", "s63big", -(qint64(1) << 62),
        -4.611686018427388e18);
    row("s64 intel -2", sgn, 2, false, "feffffffffffffff", "s64", -2, -2);
    row("s33 intel min", sgn, 1, false, "0000000001000000", "s33", -(qint64(1) << 32),
        -4294967296.0);
    // padding_bit_order: whole-frame 64-bit signals in both byte orders.
    const char *pad = "cantools/padding_bit_order.dbc";
    row("A 15 bits motorola", pad, 1, false, "4000000000000000", "A", 16384, 16384);
    row("B top bit", pad, 1, false, "8001000000000000", "B", 1, 1);
    row("L motorola 64", pad, 4, false, "0102030405060708", "L", 0x0102030405060708,
        double(0x0102030405060708));
    row("M intel 64", pad, 5, false, "0102030405060708", "M", 0x0807060504030201,
        double(0x0807060504030201));
    // floating_point: IEEE double 1.5 and floats -2.25 and 100.
    const char *fp = "cantools/floating_point.dbc";
    row("double", fp, 1024, false, "000000000000f83f", "Signal1", 0x3FF8000000000000, 1.5);
    row("float low", fp, 1025, false, "000010c00000c842", "Signal1", qint64(int32_t(0xC0100000)),
        -2.25);
    row("float high", fp, 1025, false, "000010c00000c842", "Signal2", 0x42C80000, 100.0);
    // toyota STR1S01: SSA 3|12@0- is byte 0 bits 3..0 and byte 1, factor 1.5.
    const char *toyota = "opendbc/toyota_2017_ref_pt.dbc";
    row("toyota STS3", toyota, 37, false, "9ff6250a00000000", "STS3", 1, 1);
    row("toyota STS1", toyota, 37, false, "9ff6250a00000000", "STS1", 0, 0);
    row("toyota SSA negative", toyota, 37, false, "9ff6250a00000000", "SSA", -10, -15.0);
    row("toyota SSAZ", toyota, 37, false, "9ff6250a00000000", "SSAZ", 1290, 1935.0);
    row("toyota SFRZ", toyota, 37, false, "9ff6250a00000000", "SFRZ", 2, 2);
    row("toyota SSA min", toyota, 37, false, "0800000000000000", "SSA", -2048, -3072.0);
    // vw_mqb LH_EPS_03: Intel signals across nibbles and bytes, value texts.
    const char *vw = "opendbc/vw_mqb.dbc";
    const char *eps = "ab3c10c735ff8390";
    row("vw checksum", vw, 159, false, eps, "CHECKSUM", 171, 171);
    row("vw counter", vw, 159, false, eps, "COUNTER", 12, 12);
    row("vw angle 12 bits", vw, 159, false, eps, "EPS_Berechneter_LW", 1808, 271.2);
    row("vw qbit", vw, 159, false, eps, "EPS_BLW_QBit", 1, 1);
    row("vw status text", vw, 159, false, eps, "EPS_HCA_Status", 5, 5, "active");
    row("vw torque 10 bits", vw, 159, false, eps, "EPS_Lenkmoment", 1023, 1023);
    row("vw torque sign", vw, 159, false, eps, "EPS_VZ_Lenkmoment", 1, 1);
    row("vw type", vw, 159, false, eps, "EPS_Lenkungstyp", 9, 9);
    // FORD_CADS_64 MRR_Detection_004: Motorola signals in bytes 48..51 of 64.
    const QByteArray fd =
        QByteArray(48, '\0') + QByteArray::fromHex("1237800000") + QByteArray(11, '\0');
    const char *ford = "opendbc/FORD_CADS_64.dbc";
    const QByteArray fdHex = fd.toHex();
    row("fd range byte 48", ford, 291, false, fdHex.constData(), "CAN_DET_RANGE_04_06", 1165,
        18.203125);
    row("fd confidence", ford, 291, false, fdHex.constData(), "CAN_DET_CONFID_AZIMUTH_04_06", 3, 3,
        "Low");
    row("fd azimuth", ford, 291, false, fdHex.constData(), "CAN_DET_AZIMUTH_04_06", 8192,
        8192 * 0.0003834 - 3.1416);
}

void TestSignalCodec::handDecoded()
{
    QFETCH(QString, file);
    QFETCH(uint, id);
    QFETCH(bool, extended);
    QFETCH(QByteArray, payload);
    QFETCH(QString, signal);
    QFETCH(qint64, raw);
    QFETCH(double, physical);
    QFETCH(QString, text);
    const DbcMessage *message = database(file).find(id, extended);
    QVERIFY(message);
    DecodedFrame out;
    SignalCodec::decode(*message, reinterpret_cast<const uint8_t *>(payload.constData()),
                        payload.size(), out);
    QCOMPARE(out.missing, 0);
    const int index = message->signalIndex(signal);
    QVERIFY(index >= 0);
    const auto it = std::find_if(out.values.begin(), out.values.end(),
                                 [&](const DecodedSignal &v) { return v.index == index; });
    QVERIFY(it != out.values.end());
    QCOMPARE(qint64(it->raw), raw);
    QVERIFY2(std::abs(it->physical - physical) <= 1e-9 * std::max(1.0, std::abs(physical)),
             qPrintable(QString::number(it->physical, 'g', 17)));
    QCOMPARE(message->signalList[size_t(index)].valueText(it->raw), text);
    // The same value encoded alone gives back the bits it was read from.
    std::vector<uint8_t> bytes(payload.size(), 0);
    QVERIFY(SignalCodec::insert(message->signalList[size_t(index)], it->bits, bytes.data(),
                                int(bytes.size())));
    uint64_t again = 0;
    QVERIFY(SignalCodec::extract(message->signalList[size_t(index)], bytes.data(),
                                 int(bytes.size()), again));
    QCOMPARE(again, it->bits);
}

void TestSignalCodec::multiplexorsSelect_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<bool>("unselected");
    // issue_184_extended_mux_cascaded: MUX_A = 2 selects muxed_A_2_MUX_B, which selects
    // muxed_B_0 (0) or muxed_B_1 (1).
    QTest::newRow("A=1") << QByteArray::fromHex("01fe070700000000")
                         << QStringList{"MUX_A", "muxed_A_1"} << false;
    QTest::newRow("A=2 B=1") << QByteArray::fromHex("0201000500000000")
                             << QStringList{"MUX_A", "muxed_A_2_MUX_B", "muxed_B_1"} << false;
    QTest::newRow("A=2 B=0") << QByteArray::fromHex("0200fb0500000000")
                             << QStringList{"MUX_A", "muxed_A_2_MUX_B", "muxed_B_0"} << false;
    QTest::newRow("A=3 no group") << QByteArray::fromHex("0301020300000000") << QStringList{"MUX_A"}
                                  << true;
    QTest::newRow("B=7 no group") << QByteArray::fromHex("0207020300000000")
                                  << QStringList{"MUX_A", "muxed_A_2_MUX_B"} << true;
}

void TestSignalCodec::multiplexorsSelect()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, present);
    QFETCH(bool, unselected);
    const DbcMessage *message =
        database("cantools/issue_184_extended_mux_cascaded.dbc").find(1, true);
    QVERIFY(message);
    DecodedFrame out;
    SignalCodec::decode(*message, reinterpret_cast<const uint8_t *>(payload.constData()),
                        payload.size(), out);
    QStringList names;
    for (const DecodedSignal &v : out.values)
        names.append(message->signalList[size_t(v.index)].name);
    names.sort();
    present.sort();
    QCOMPARE(names, present);
    QCOMPARE(out.unselectedMux, unselected);
    // muxed_B_0 = -5 in "A=2 B=0"; muxed_A_1 = -2 in "A=1".
    for (const DecodedSignal &v : out.values) {
        const QString &name = message->signalList[size_t(v.index)].name;
        if (name == "muxed_B_0")
            QCOMPARE(v.physical, -5.0);
        if (name == "muxed_A_1")
            QCOMPARE(v.physical, -2.0);
    }
}

void TestSignalCodec::framesThatDoNotFit()
{
    const DbcMessage &moto = *database("cantools/motohawk.dbc").find(496, false);
    DecodedFrame out;
    // Two bytes of eight: Temperature needs byte 2, the others fit.
    const uint8_t two[] = {0xC0, 0x06};
    SignalCodec::decode(moto, two, 2, out);
    QVERIFY(out.shortFrame);
    QCOMPARE(out.missing, 1);
    QCOMPARE(int(out.values.size()), 2);
    // No payload at all: nothing decoded, nothing read.
    SignalCodec::decode(moto, nullptr, 0, out);
    QCOMPARE(out.missing, 3);
    QVERIFY(out.values.empty());
    // A frame longer than its message decodes as usual.
    const uint8_t twelve[12] = {0xC0, 0x06, 0xE0};
    SignalCodec::decode(moto, twelve, 12, out);
    QVERIFY(!out.shortFrame);
    QCOMPARE(int(out.values.size()), 3);
    // A multiplexor that runs past the payload takes its group with it.
    const DbcMessage &mux = *database("cantools/issue_184_extended_mux_cascaded.dbc").find(1, true);
    const uint8_t one[] = {0x02};
    SignalCodec::decode(mux, one, 1, out);
    QCOMPARE(int(out.values.size()), 1);
    QCOMPARE(out.missing, 1);
    // A signal that lies past its message's own length (a database fault) is never read
    // from a payload of that length.
    DbcDatabase db;
    QVERIFY(DbcReader::read("BO_ 1 M: 2 N\n SG_ Far : 56|8@1+ (1,0) [0|0] \"\" N\n", db).ok());
    const std::vector<uint8_t> encoded = SignalCodec::encode(db.messages[0], {5.0});
    QCOMPARE(int(encoded.size()), 2);
    SignalCodec::decode(db.messages[0], encoded.data(), 2, out);
    QCOMPARE(out.missing, 1);
}

void TestSignalCodec::encodeWritesOnlyItsBits()
{
    // Physical values are rounded to the nearest step and held to the signal's width.
    const DbcMessage &moto = *database("cantools/motohawk.dbc").find(496, false);
    const DbcSignal &t = moto.signalList[size_t(moto.signalIndex("Temperature"))];
    QCOMPARE(SignalCodec::rawValue(t, SignalCodec::bitsForPhysical(t, 250.554)), qint64(55));
    QCOMPARE(SignalCodec::rawValue(t, SignalCodec::bitsForPhysical(t, 1e9)), qint64(2047));
    QCOMPARE(SignalCodec::rawValue(t, SignalCodec::bitsForPhysical(t, -1e9)), qint64(-2048));
    const std::vector<uint8_t> bytes = SignalCodec::encode(moto, {250.55, 3.2, 1.0});
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size())).toHex(),
             QByteArray("c006e00000000000"));
    // Missing values take GenSigStartValue (none here: zero).
    QCOMPARE(SignalCodec::encode(moto, {}), std::vector<uint8_t>(8, 0));
    // Inserting a value leaves every other bit as it was.
    std::vector<uint8_t> ones(8, 0xFF);
    QVERIFY(SignalCodec::insert(t, 0, ones.data(), 8));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(ones.data()), 8).toHex(),
             QByteArray("fe001fffffffffff"));
}

void TestSignalCodec::roundTrip_data()
{
    QTest::addColumn<QString>("file");
    const QDir dir(QStringLiteral(SHARED_DBC_DIR));
    for (const QString &sub : {QStringLiteral("cantools"), QStringLiteral("opendbc")}) {
        for (const QString &name : QDir(dir.filePath(sub)).entryList({"*.dbc"}, QDir::Files))
            QTest::newRow(qPrintable(sub + '/' + name)) << sub + '/' + name;
    }
}

void TestSignalCodec::roundTrip()
{
    // Every signal of every message, with random raw values of its width, through encode
    // (physical values) and decode; multiplexors take values that select a random member.
    QFETCH(QString, file);
    const DbcDatabase &db = database(file);
    std::mt19937_64 random(qHash(file));
    DecodedFrame out;
    int checked = 0;
    for (const DbcMessage &message : db.messages) {
        for (int trial = 0; trial < 8; ++trial) {
            const size_t count = message.signalList.size();
            std::vector<uint64_t> bits(count);
            std::vector<double> physical(count);
            for (size_t i = 0; i < count; ++i) {
                const DbcSignal &s = message.signalList[i];
                uint64_t b = random() & s.layout.mask;
                if (s.valueType == DbcValueType::Integer && s.length > 52)
                    b &= (uint64_t(1) << 52) - 1; // exact in a double
                if (s.valueType == DbcValueType::Float) {
                    const float f = float(int32_t(random() % 200001) - 100000) / 8;
                    uint32_t u;
                    std::memcpy(&u, &f, 4);
                    b = u;
                } else if (s.valueType == DbcValueType::Double) {
                    const double d = double(int64_t(random() % 2000001) - 1000000) / 16;
                    std::memcpy(&b, &d, 8);
                }
                bits[i] = b;
            }
            // Multiplexors select a member chosen at random.
            for (size_t i = 0; i < count; ++i) {
                const DbcSignal &s = message.signalList[i];
                if (s.multiplexor >= 0 && !s.muxRanges.empty() && random() % 2)
                    bits[size_t(s.multiplexor)] =
                        s.muxRanges[0].low & message.signalList[size_t(s.multiplexor)].layout.mask;
            }
            for (size_t i = 0; i < count; ++i)
                physical[i] = SignalCodec::physicalValue(message.signalList[i], bits[i]);
            const std::vector<uint8_t> payload = SignalCodec::encode(message, physical);
            QCOMPARE(int(payload.size()), message.length);
            SignalCodec::decode(message, payload.data(), int(payload.size()), out);
            for (const DecodedSignal &v : out.values) {
                const DbcSignal &s = message.signalList[size_t(v.index)];
                if (v.bits != bits[size_t(v.index)]) {
                    // Overlapping signals (a database that reuses bits) are exempt.
                    bool overlaps = false;
                    for (const DecodedSignal &w : out.values) {
                        const DbcSignal &o = message.signalList[size_t(w.index)];
                        overlaps = overlaps ||
                                   (w.index != v.index && o.layout.firstByte < s.bytesNeeded() &&
                                    s.layout.firstByte < o.bytesNeeded());
                    }
                    QVERIFY2(overlaps, qPrintable(message.name + '.' + s.name));
                }
                ++checked;
            }
            // Signals the file places past its message's length are the only ones missing.
            bool pastLength = false;
            for (const DbcSignal &s : message.signalList)
                pastLength = pastLength || s.bytesNeeded() > message.length;
            if (!pastLength)
                QCOMPARE(out.missing, 0);
        }
    }
    QVERIFY(checked > 0 || db.messages.empty());
}

void TestSignalCodec::commandLineDecode_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("text") << QStringList()
                          << QByteArray(
                                 "1.000000 1 1F0 ExampleMessage Temperature=250.55 degK "
                                 "AverageRadius=3.2 m Enable=1 - \"Enabled\"\n"
                                 "1.003000 1 1F0 ExampleMessage AverageRadius=0 m Enable=0 - "
                                 "\"Disabled\" (1 signals past the data)\n");
    QTest::newRow("json all")
        << QStringList{"--json", "--all"}
        << QByteArray("{\"ch\":1,\"id\":496,\"message\":\"ExampleMessage\",\"signals\":"
                      "{\"AverageRadius\":3.2,\"Enable\":1,\"Temperature\":250.55},\"t\":1,"
                      "\"text\":{\"Enable\":\"Enabled\"}}\n"
                      "{\"ch\":2,\"id\":1365,\"message\":null,\"t\":1.002}\n"
                      "{\"ch\":1,\"id\":496,\"message\":\"ExampleMessage\",\"signals\":"
                      "{\"AverageRadius\":0,\"Enable\":0},\"t\":1.003,"
                      "\"text\":{\"Enable\":\"Disabled\"}}\n");
}

void TestSignalCodec::commandLineDecode()
{
    // candump -L lines: a motohawk frame, an unknown identifier, a two-byte frame.
    QFETCH(QStringList, options);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString log = dir.filePath("bus.log");
    QVERIFY(writeTestFile(log, "(1.000000) can0 1F0#C006E00000000000\n(1.002000) can1 "
                               "555#11\n(1.003000) can0 1F0#0000\n"));
    FILE *out = std::tmpfile();
    FILE *err = std::tmpfile();
    QVERIFY(out && err);
    const int status = runLogDecode(
        QStringList{"decode", SHARED_DBC_DIR "/cantools/motohawk.dbc", log} + options, out, err);
    QCOMPARE(status, 0);
    std::rewind(out);
    QByteArray printed(4096, '\0');
    printed.resize(int(std::fread(printed.data(), 1, size_t(printed.size()), out)));
    std::fclose(out);
    std::fclose(err);
    QCOMPARE(printed, expected);
}

QTEST_GUILESS_MAIN(TestSignalCodec)
#include "tst_signalcodec.moc"
