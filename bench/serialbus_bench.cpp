// serialbus_bench [frames]: one process hosts the virtual CAN bus relay and sends a stream
// of classic frames; two listeners take it: this program in receiver mode (the QtSerialBus
// backend drained like the receive thread does) and "canbusutil -l". Each listener's CPU
// time from the moment it is known on the bus to the last frame, divided by the frames,
// is printed as "name: value" lines.

#include "device/serialbus/serialbusbackend.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QThread>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace {

constexpr uint32_t ProbeId = 0x7EE;
constexpr uint32_t StreamId = 0x100;
const char Canbusutil[] = "/usr/lib/qt5/bin/canbusutil";

double ownCpuUs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 + usage.ru_utime.tv_usec +
           usage.ru_stime.tv_usec;
}

double processCpuUs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks * 1e6 / double(sysconf(_SC_CLK_TCK));
}

void print(const char *name, double value)
{
    std::printf("%s: %.3f\n", name, value);
    std::fflush(stdout);
}

void printCount(const char *name, int value)
{
    std::printf("%s: %d\n", name, value);
    std::fflush(stdout);
}

// Receiver mode: the backend on can0 of the given relay. Prints "ready" once a probe
// frame arrived, then "cpu_us: <n>" after `frames` stream frames.
int runReceiver(const QString &url, int frames)
{
    SerialBusConfig config;
    config.plugin = QStringLiteral("virtualcan");
    config.interfaces[0] = url + QStringLiteral("can0");
    config.interfaces[1] = url + QStringLiteral("can1");
    QString error;
    std::shared_ptr<VendorApi> backend = createSerialBusBackend(config, &error);
    const uint32_t device = backend ? backend->openDevice(FerruleDeviceType, 0, 0) : 0;
    ChannelInitConfig init{};
    const uint32_t channel = device ? backend->initCan(device, 0, &init) : 0;
    if (!channel || backend->startCan(channel) != 1)
        return 1;
    std::vector<CanRxRecord> records(1000);
    int received = 0;
    double start = 0;
    bool ready = false;
    QDeadlineTimer deadline(60000);
    while (received < frames && !deadline.hasExpired()) {
        const uint32_t n = backend->receive(channel, records.data(), 1000, 0);
        for (uint32_t i = 0; i < n; ++i) {
            if ((records[i].id & CanIdMask) == StreamId)
                ++received;
            else if (!ready) {
                ready = true;
                start = ownCpuUs();
                std::printf("ready\n");
                std::fflush(stdout);
            }
        }
        QThread::msleep(1);
    }
    print("cpu_us", ownCpuUs() - start);
    printCount("received", received);
    return 0;
}

class Bench
{
public:
    Bench(const QString &url, int frames) : m_url(url), m_frames(frames) {}
    int run();

private:
    bool startListeners();
    bool waitForProbe();
    void sendStream();
    bool waitForEnd();

    const QString m_url;
    const int m_frames;
    std::unique_ptr<QCanBusDevice> m_sender;
    QProcess m_receiver;
    QProcess m_canbusutil;
    QByteArray m_receiverOut;
    int m_canbusutilLines = 0;
    double m_canbusutilStart = 0;
};

bool Bench::startListeners()
{
    m_sender.reset(QCanBus::instance()->createDevice("virtualcan", m_url + "can0"));
    if (!m_sender || !m_sender->connectDevice())
        return false;
    m_receiver.start(QCoreApplication::applicationFilePath(),
                     {"--receiver", m_url, QString::number(m_frames)});
    m_canbusutil.start(QString::fromLatin1(Canbusutil), {"-l", "virtualcan", m_url + "can0"});
    QObject::connect(&m_canbusutil, &QProcess::readyReadStandardOutput, [this] {
        while (m_canbusutil.canReadLine()) {
            const QByteArray line = m_canbusutil.readLine().trimmed();
            if (m_canbusutilStart == 0 && line.startsWith("7EE"))
                m_canbusutilStart = processCpuUs(m_canbusutil.processId());
            if (line.startsWith("100 "))
                ++m_canbusutilLines;
        }
    });
    QObject::connect(&m_receiver, &QProcess::readyReadStandardOutput,
                     [this] { m_receiverOut += m_receiver.readAllStandardOutput(); });
    return m_receiver.waitForStarted() && m_canbusutil.waitForStarted();
}

bool Bench::waitForProbe()
{
    QDeadlineTimer deadline(20000);
    const QCanBusFrame probe(ProbeId, QByteArray());
    while (!(m_receiverOut.contains("ready") && m_canbusutilStart > 0)) {
        if (deadline.hasExpired())
            return false;
        if (m_sender->state() == QCanBusDevice::ConnectedState)
            m_sender->writeFrame(probe);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

void Bench::sendStream()
{
    const QCanBusFrame frame(StreamId, QByteArray::fromHex("0102030405060708"));
    for (int i = 0; i < m_frames; ++i) {
        m_sender->writeFrame(frame);
        if (i % 200 == 199)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

bool Bench::waitForEnd()
{
    QDeadlineTimer deadline(60000);
    while (!(m_receiverOut.contains("received") && m_canbusutilLines >= m_frames)) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        m_receiver.waitForReadyRead(5);
    }
    return true;
}

int Bench::run()
{
    if (!startListeners() || !waitForProbe())
        return 1;
    sendStream();
    const bool complete = waitForEnd();
    const double canbusutilCpu = processCpuUs(m_canbusutil.processId()) - m_canbusutilStart;
    m_canbusutil.kill();
    m_canbusutil.waitForFinished();
    m_receiver.waitForFinished(5000);
    m_receiverOut += m_receiver.readAllStandardOutput();
    double larkspurCpu = 0;
    int larkspurFrames = 0;
    for (const QByteArray &line : m_receiverOut.split('\n')) {
        if (line.startsWith("cpu_us: "))
            larkspurCpu = line.mid(8).toDouble();
        if (line.startsWith("received: "))
            larkspurFrames = line.mid(10).toInt();
    }
    printCount("frames_sent", m_frames);
    printCount("serialbus_backend_frames_received", larkspurFrames);
    printCount("canbusutil_frames_received", m_canbusutilLines);
    print("serialbus_backend_cpu_us_per_frame", larkspurCpu / qMax(1, larkspurFrames));
    print("canbusutil_cpu_us_per_frame", canbusutilCpu / qMax(1, m_canbusutilLines));
    return complete ? 0 : 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("--receiver"))
        return runReceiver(args.value(2), args.value(3).toInt());
    if (!QFile::exists(QString::fromLatin1(Canbusutil))) {
        std::fprintf(stderr, "canbusutil (libqt5serialbus5-bin) is not installed\n");
        return 1;
    }
    QTcpServer portFinder;
    portFinder.listen(QHostAddress::LocalHost, 0);
    const QString url = QStringLiteral("tcp://127.0.0.1:%1/").arg(portFinder.serverPort());
    portFinder.close();
    const int frames = args.size() > 1 ? qMax(1, args.value(1).toInt()) : 20000;
    return Bench(url, frames).run();
}
