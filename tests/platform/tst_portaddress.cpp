// What a user may type as a port and as its framing.
#include "platform/portaddress.h"

#include <QtTest>

class PortAddressTest : public QObject
{
    Q_OBJECT
private slots:
    void parsesPorts_data();
    void parsesPorts();
    void framing_data();
    void framing();
};

void PortAddressTest::parsesPorts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address"); // as read back; empty: no port
    const QStringList rows = {
        "7|7",
        " 12 |12",
        "007|7",
        "32767|32767",
        "0|",
        "32768|",
        "-1|",
        "COM7|",
        "|",
        "/dev/ttyUSB0|/dev/ttyUSB0",
        "tcp://localhost:4000|tcp://localhost:4000",
        "TCP://127.0.0.1:4000|tcp://127.0.0.1:4000",
        "rfc2217://ser-2.lab_b.example:2217|rfc2217://ser-2.lab_b.example:2217",
        "rfc2217://[::1]:65535|rfc2217://[::1]:65535",
        "tcp://::1:4000|",
        "tcp://[::1]4000|",
        "tcp://[::1:4000|",
        "tcp://[host]:4000|",
        "tcp://host|",
        "tcp://host:|",
        "tcp://host:0|",
        "tcp://host:65536|",
        "tcp://host:40x|",
        "tcp://:4000|",
        "tcp://a b:4000|",
        "tcp://h/x:4000|",
        "telnet://host:23|",
        "rfc2217:/host:1|",
    };
    for (const QString &row : rows) {
        const QStringList cells = row.split(u'|');
        QTest::newRow(qPrintable(cells[0])) << cells[0] << cells[1];
    }
}

void PortAddressTest::parsesPorts()
{
    QFETCH(QString, text);
    QFETCH(QString, address);
    const auto parsed = PortAddress::parse(text);
    QCOMPARE(parsed ? parsed->toString() : QString(), address);
    if (parsed)
        QCOMPARE(PortAddress::parse(parsed->toString()), parsed);
}

void PortAddressTest::framing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("flow");
    QTest::addColumn<QString>("label"); // empty: not a framing
    QTest::newRow("defaults") << "8N1" << int(FlowControl::None) << "8,N,1 no control";
    QTest::newRow("7E1 RTS/CTS") << "7E1" << int(FlowControl::RtsCts) << "7,E,1 RTS/CTS";
    QTest::newRow("8N2 XON/XOFF") << "8n2" << int(FlowControl::XonXoff) << "8,N,2 XON/XOFF";
    QTest::newRow("1.5 stop bits") << " 8N1.5 " << 0 << "8,N,1.5 no control";
    QTest::newRow("odd") << "6o1" << 0 << "6,O,1 no control";
    QTest::newRow("mark") << "5M2" << 0 << "5,M,2 no control";
    QTest::newRow("space") << "8s1" << 0 << "8,S,1 no control";
    for (const char *bad : {"9N1", "4N1", "8X1", "8N3", "8N1.0", "8N", "8,N,1", "N81", ""})
        QTest::newRow(bad) << bad << 0 << "";
}

void PortAddressTest::framing()
{
    QFETCH(QString, text);
    QFETCH(int, flow);
    QFETCH(QString, label);
    PortSettings base;
    base.baud = 115200;
    base.flow = FlowControl(flow);
    const auto parsed = parseFraming(text, base);
    QCOMPARE(parsed ? framingLabel(*parsed) : QString(), label);
    if (parsed)
        QCOMPARE(parsed->baud, 115200);
}

QTEST_GUILESS_MAIN(PortAddressTest)
#include "tst_portaddress.moc"
