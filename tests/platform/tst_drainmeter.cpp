// The pacing limit follows what a device really takes, not its nominal rate.
#include "platform/drainmeter.h"

#include <QtTest>

using namespace std::chrono_literals;

// 115200 baud: 11520 bytes/s, 230 bytes in 20 ms.
static_assert(DrainMeter::seedFor(115200) == 230 && DrainMeter::seedFor(300) == 64 &&
              DrainMeter::seedFor(200'000'000) == 256 * 1024);

class DrainMeterTest : public QObject
{
    Q_OBJECT
private slots:
    void followsTheDevice_data();
    void followsTheDevice();
};

void DrainMeterTest::followsTheDevice_data()
{
    QTest::addColumn<qint64>("seed");
    QTest::addColumn<qint64>("perTick"); // what the device takes every 10 ms
    QTest::addColumn<qint64>("limit");   // two windows later
    QTest::newRow("half the nominal rate halves the limit") << 230LL << 57LL << 114LL;
    QTest::newRow("a stalled device falls to the floor") << 230LL << 0LL << 64LL;
    QTest::newRow("100 kB/s behind a network seed of 64") << 64LL << 1000LL << 2000LL;
    QTest::newRow("taking everything at once: doubled up to the ceiling")
        << 64LL << (1LL << 30) << 256LL * 1024;
    QTest::newRow("a seed beyond the ceiling is cut") << (1LL << 30) << (1LL << 30) << 256LL * 1024;
}

void DrainMeterTest::followsTheDevice()
{
    QFETCH(qint64, seed);
    QFETCH(qint64, perTick);
    DrainMeter meter(seed);
    qint64 handed = 0, pending = 0;
    // A sender that always has more keeps the queue at the limit.
    for (auto now = 0ms; now <= 2 * DrainMeter::Window; now += 10ms) {
        pending -= std::min(pending, perTick);
        meter.measure(now, handed, pending, true);
        const qint64 room = meter.limit() - pending;
        handed += std::max<qint64>(room, 0);
        pending += std::max<qint64>(room, 0);
    }
    QFETCH(qint64, limit);
    QCOMPARE(meter.limit(), limit);
}

QTEST_GUILESS_MAIN(DrainMeterTest)
#include "tst_drainmeter.moc"
