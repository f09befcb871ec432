// What a user may type as a port, its framing and its flow control.
#include "platform/linesettings.h"
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
    // clang-format off
    const QStringList rows = {
        "7|7", " 12 |12", "007|7", "255|255", "0|", "256|", "-1|", "COM7|", "|",
        "/dev/ttyUSB0|/dev/ttyUSB0",
        "tcp://localhost:4000|tcp://localhost:4000",
        "TCP://127.0.0.1:4000|tcp://127.0.0.1:4000",
        "rfc2217://ser-2.lab_b.example:2217|rfc2217://ser-2.lab_b.example:2217",
        "rfc2217://[::1]:65535|rfc2217://[::1]:65535",
        "tcp://::1:4000|", "tcp://[::1]4000|", "tcp://[::1:4000|", "tcp://[host]:4000|",
        "tcp://host|", "tcp://host:|", "tcp://host:0|", "tcp://host:65536|", "tcp://host:40x|",
        "tcp://:4000|", "tcp://a b:4000|", "tcp://h/x:4000|", "telnet://host:23|",
        "rfc2217:/host:1|"};
    // clang-format on
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
    QTest::addColumn<QString>("label"); // empty: not a framing or not a flow control
    // The framing, then the flow control after a slash ("none" when missing).
    // clang-format off
    const QStringList rows = {
        "8N1|8,N,1 no control", "7E1/rtscts|7,E,1 RTS/CTS", "8n2/XonXoff|8,N,2 XON/XOFF",
        "8N1.5|8,N,1.5 no control", "6o1|6,O,1 no control", "5M2|5,M,2 no control",
        "8s1|8,S,1 no control", "9N1|", "4N1|", "8X1|", "8N3|", "8N1.0|", "8N|", "8,N,1|",
        " 8N1|", "8N1 |", "N81|", "|", "8N1/hardware|", "8N1/rts|", "8N1/ none|"};
    // clang-format on
    for (const QString &row : rows) {
        const QStringList cells = row.split(u'|');
        QTest::newRow(qPrintable(cells[0])) << cells[0] << cells[1];
    }
}

// Each text read back is written in its short form again; the label is what the window shows.
void PortAddressTest::framing()
{
    QFETCH(QString, text);
    QFETCH(QString, label);
    const QString flowName = text.contains(u'/') ? text.section(u'/', 1) : QStringLiteral("none");
    const auto framing = parseFraming(text.section(u'/', 0, 0));
    const auto flow = parseFlowControl(flowName);
    QCOMPARE(framing && flow ? framingLabel({*framing, *flow}) : QString(), label);
    if (framing)
        QCOMPARE(framingText(*framing), text.section(u'/', 0, 0).toUpper());
    if (flow)
        QCOMPARE(flowControlText(*flow), flowName.toLower());
}

QTEST_GUILESS_MAIN(PortAddressTest)
#include "tst_portaddress.moc"
