// The Telnet and COM Port Control codec against byte sequences written from RFC 854, 855,
// 856 and 2217, and against what a real server sent.
#include "platform/telnetcodec.h"

#include "platform/ttylines.h"

#include <QtTest>

namespace {

QByteArray bytes(const char *text, qsizetype size)
{
    return QByteArray(text, size);
}
#define B(literal) bytes(literal, sizeof(literal) - 1)

// Events, modem lines, flow control and acknowledgements in one line.
QString extras(const TelnetInput &in)
{
    static const char *const eventNames[] = {"Cts",   "Dsr",     "Cd",     "Ring",  "Break",
                                             "Frame", "Overrun", "RxOver", "Parity"};
    static const char *const requestNames[] = {"Baud", "DataBits", "Parity", "StopBits",
                                               "Flow", "Break",    "Dtr",    "Rts"};
    QStringList out;
    for (const LineEventAt &e : in.events)
        out << QStringLiteral("%1@%2").arg(eventNames[int(e.event)]).arg(e.position);
    if (in.modemLines)
        out << QStringLiteral("lines=%1").arg(*in.modemLines);
    if (in.outputSuspended)
        out << (*in.outputSuspended ? "suspend" : "resume");
    for (const PortRequest r : in.acknowledged)
        out << QStringLiteral("ack:%1").arg(requestNames[int(r)]);
    return out.join(u' ');
}

// Several decoded pieces as if they had been one.
void merge(TelnetInput &all, const TelnetInput &piece)
{
    for (LineEventAt e : piece.events)
        all.events.append({e.position + all.data.size(), e.event});
    all.data += piece.data;
    all.reply += piece.reply;
    if (piece.modemLines)
        all.modemLines = piece.modemLines;
    if (piece.outputSuspended)
        all.outputSuspended = piece.outputSuspended;
    all.acknowledged += piece.acknowledged;
}

} // namespace

class TelnetCodecTest : public QObject
{
    Q_OBJECT
private slots:
    void decodes_data();
    void decodes();
    void anySplitDecodesAlike();
    void allByteValuesRoundTrip_data();
    void allByteValuesRoundTrip();
    void requests_data();
    void requests();
    void negotiationWithServers();
    void acknowledgementsSayWhatApplies();
};

void TelnetCodecTest::decodes_data()
{
    QTest::addColumn<QByteArray>("prelude"); // fed first, its result not checked
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("extras");
    const QByteArray none;
    QTest::newRow("doubled IAC is one 0xFF") << none
                                             << B("a\xff\xff"
                                                  "b")
                                             << B("a\xff"
                                                  "b")
                                             << none << "";
    QTest::newRow("NOP and GA carry nothing") << none
                                              << B("a\xff\xf1"
                                                   "b\xff\xf9"
                                                   "c")
                                              << B("abc") << none << "";
    QTest::newRow("break at its position") << none
                                           << B("ab\xff\xfa\x2c\x6a\x10\xff\xf0"
                                                "cd")
                                           << B("abcd") << none << "Break@2";
    QTest::newRow("framing, parity, overrun; the other line-state bits are no event")
        << none
        << B("\xff\xfa\x2c\x6a\x6f\xff\xf0"
             "x")
        << B("x") << none << "Frame@0 Overrun@0 Parity@0";
    QTest::newRow("CTS and DSR changed, CTS on")
        << none << B("z\xff\xfa\x2c\x6b\x13\xff\xf0") << B("z") << none << "Cts@1 Dsr@1 lines=1";
    QTest::newRow("CD changed, ring ended, CD and RI on")
        << none << B("\xff\xfa\x2c\x6b\xcc\xff\xf0") << none << none << "Cd@0 Ring@0 lines=12";
    QTest::newRow("flow control suspend, resume") << none
                                                  << B("a\xff\xfa\x2c\x6c\xff\xf0"
                                                       "b\xff\xfa\x2c\x6d\xff\xf0")
                                                  << B("ab") << none << "resume";
    QTest::newRow("suspend") << none << B("\xff\xfa\x2c\x6c\xff\xf0") << none << none << "suspend";
    QTest::newRow("CR NUL is CR before binary")
        << none << B("a\r\0b\r\nc\r\r\0") << B("a\rb\r\nc\r\r") << none << "";
    QTest::newRow("CR NUL stays in binary")
        << B("\xff\xfb\x00") << B("a\r\0b") << B("a\r\0b") << none << "";
    QTest::newRow("another option's subnegotiation is ignored") << none
                                                                << B("\xff\xfa\x18\x01\xff\xf0"
                                                                     "x")
                                                                << B("x") << none << "";
    QTest::newRow("a command ends an unterminated subnegotiation")
        << none
        << B("\xff\xfa\x2c\x6a\x10\xff\xfd\x01"
             "x")
        << B("x") << B("\xff\xfc\x01") << "";
    QTest::newRow("DO ECHO refused")
        << none << B("\xff\xfd\x01") << none << B("\xff\xfc\x01") << "";
    QTest::newRow("WILL ECHO refused")
        << none << B("\xff\xfb\x01") << none << B("\xff\xfe\x01") << "";
    QTest::newRow("DO BINARY agreed once")
        << none << B("\xff\xfd\x00\xff\xfd\x00") << none << B("\xff\xfb\x00") << "";
    QTest::newRow("WILL SGA agreed")
        << none << B("\xff\xfb\x03") << none << B("\xff\xfd\x03") << "";
    QTest::newRow("DONT and WONT for what is off: no answer")
        << none << B("\xff\xfe\x05\xff\xfc\x00") << none << none << "";
    QTest::newRow("WONT BINARY after WILL: DONT")
        << B("\xff\xfb\x00") << B("\xff\xfc\x00") << none << B("\xff\xfe\x00") << "";
}

void TelnetCodecTest::decodes()
{
    QFETCH(QByteArray, prelude);
    QFETCH(QByteArray, wire);
    TelnetCodec codec;
    (void)codec.receive(prelude);
    const TelnetInput in = codec.receive(wire);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, reply);
    QFETCH(QString, extras);
    QCOMPARE(in.data, data);
    QCOMPARE(in.reply, reply);
    QCOMPARE(::extras(in), extras);
}

void TelnetCodecTest::anySplitDecodesAlike()
{
    const QByteArray wire = B("x\r\0y\xff\xff\xff\xfa\x2c\x65\x00\x00\xff\xff\xff\xff\xff\xf0"
                              "z\xff\xfa\x2c\x6a\x10\xff\xf0\xff\xfd\x01"
                              "\xff\xfa\x2c\x6b\x11\xff\xf0w\r\n\xff\xfb\x00\r\0"
                              "\xff\xfa\x2c\x6c\xff\xf0"
                              "end");
    const auto decode = [&](const QList<qsizetype> &cuts) {
        TelnetCodec codec;
        (void)codec.start();
        TelnetInput all;
        qsizetype from = 0;
        for (const qsizetype to : cuts + QList<qsizetype>{wire.size()}) {
            merge(all, codec.receive(QByteArrayView(wire).sliced(from, to - from)));
            from = to;
        }
        return all;
    };
    const TelnetInput whole = decode({});
    QCOMPARE(whole.data, B("x\ry\xffzw\r\n\r\0end"));
    QCOMPARE(whole.reply, B("\xff\xfc\x01"));
    QCOMPARE(extras(whole), "Break@5 Cts@5 lines=1 suspend ack:Baud");
    QList<qsizetype> everyByte;
    for (qsizetype i = 1; i < wire.size(); ++i) {
        everyByte << i;
        const TelnetInput split = decode({i});
        QCOMPARE(split.data, whole.data);
        QCOMPARE(split.reply, whole.reply);
        QCOMPARE(extras(split), extras(whole));
    }
    const TelnetInput bytewise = decode(everyByte);
    QCOMPARE(bytewise.data, whole.data);
    QCOMPARE(extras(bytewise), extras(whole));
}

void TelnetCodecTest::allByteValuesRoundTrip_data()
{
    QTest::addColumn<bool>("binary");
    QTest::addColumn<qsizetype>("wireSize");
    QTest::newRow("NVT: CR NUL and 0xFF doubled") << false << qsizetype(258);
    QTest::newRow("binary: 0xFF doubled") << true << qsizetype(257);
}

void TelnetCodecTest::allByteValuesRoundTrip()
{
    QFETCH(bool, binary);
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    TelnetCodec sender, receiver;
    if (binary) {
        (void)sender.receive(B("\xff\xfd\x00"));   // DO BINARY
        (void)receiver.receive(B("\xff\xfb\x00")); // WILL BINARY
    }
    const QByteArray wire = sender.encode(all + all);
    QFETCH(qsizetype, wireSize);
    QCOMPARE(wire.size(), 2 * wireSize);
    QCOMPARE(receiver.receive(wire).data, all + all);
}

void TelnetCodecTest::requests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("57600 8N1 no flow")
        << TelnetCodec::settingsRequest(
               {57600, DataBits::Eight, Parity::None, StopBits::One, FlowControl::None})
        << B("\xff\xfa\x2c\x01\x00\x00\xe1\x00\xff\xf0\xff\xfa\x2c\x02\x08\xff\xf0"
             "\xff\xfa\x2c\x03\x01\xff\xf0\xff\xfa\x2c\x04\x01\xff\xf0\xff\xfa\x2c\x05\x01\xff"
             "\xf0");
    QTest::newRow("255 7E2 RTS/CTS: 0xFF doubled in the value")
        << TelnetCodec::settingsRequest(
               {255, DataBits::Seven, Parity::Even, StopBits::Two, FlowControl::RtsCts})
        << B("\xff\xfa\x2c\x01\x00\x00\x00\xff\xff\xff\xf0\xff\xfa\x2c\x02\x07\xff\xf0"
             "\xff\xfa\x2c\x03\x03\xff\xf0\xff\xfa\x2c\x04\x02\xff\xf0\xff\xfa\x2c\x05\x03\xff"
             "\xf0");
    QTest::newRow("5S1.5 XON/XOFF")
        << TelnetCodec::settingsRequest(
               {300, DataBits::Five, Parity::Space, StopBits::OneAndHalf, FlowControl::XonXoff})
               .sliced(10)
        << B("\xff\xfa\x2c\x02\x05\xff\xf0\xff\xfa\x2c\x03\x05\xff\xf0"
             "\xff\xfa\x2c\x04\x03\xff\xf0\xff\xfa\x2c\x05\x02\xff\xf0");
    QTest::newRow("odd, mark")
        << TelnetCodec::settingsRequest({.parity = Parity::Odd}).sliced(17, 7) +
               TelnetCodec::settingsRequest({.parity = Parity::Mark}).sliced(17, 7)
        << B("\xff\xfa\x2c\x03\x02\xff\xf0\xff\xfa\x2c\x03\x04\xff\xf0");
    QTest::newRow("DTR on, DTR off, RTS on, RTS off")
        << TelnetCodec::lineRequest(OutputLine::Dtr, true) +
               TelnetCodec::lineRequest(OutputLine::Dtr, false) +
               TelnetCodec::lineRequest(OutputLine::Rts, true) +
               TelnetCodec::lineRequest(OutputLine::Rts, false)
        << B("\xff\xfa\x2c\x05\x08\xff\xf0\xff\xfa\x2c\x05\x09\xff\xf0"
             "\xff\xfa\x2c\x05\x0b\xff\xf0\xff\xfa\x2c\x05\x0c\xff\xf0");
    QTest::newRow("break on, off")
        << TelnetCodec::breakRequest(true) + TelnetCodec::breakRequest(false)
        << B("\xff\xfa\x2c\x05\x05\xff\xf0\xff\xfa\x2c\x05\x06\xff\xf0");
    QTest::newRow("masks") << TelnetCodec::lineStateMask(0x1e) + TelnetCodec::modemStateMask(0xff)
                           << B("\xff\xfa\x2c\x0a\x1e\xff\xf0\xff\xfa\x2c\x0b\xff\xff\xff\xf0");
    QTest::newRow("opening") << TelnetCodec().start()
                             << B("\xff\xfb\x00\xff\xfd\x00\xff\xfb\x03\xff\xfd\x03\xff\xfb\x2c");
}

void TelnetCodecTest::requests()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, wire);
    QCOMPARE(request, wire);
}

void TelnetCodecTest::negotiationWithServers()
{
    // What a ser2net 4.3 sent on connecting: its offers cross ours and answer them.
    TelnetCodec codec;
    (void)codec.start();
    QVERIFY(codec.negotiating());
    const TelnetInput in = codec.receive(B("\xff\xfb\x03\xff\xfd\x03\xff\xfb\x01\xff\xfe\x01"
                                           "\xff\xfd\x00\xff\xfb\x00\xff\xfd\x2c\xff\xfd\x03"));
    QCOMPARE(in.reply, B("\xff\xfe\x01"));
    QVERIFY(!codec.negotiating());
    QVERIFY(codec.portControl() && codec.sendsBinary() && codec.receivesBinary());

    // A plain Telnet server refuses everything of ours: answers, nothing agreed, no reply.
    TelnetCodec refused;
    (void)refused.start();
    const TelnetInput no =
        refused.receive(B("\xff\xfe\x00\xff\xfc\x00\xff\xfe\x03\xff\xfc\x03\xff\xfe\x2c"
                          "a\r\0"));
    QCOMPARE(no.reply, QByteArray());
    QCOMPARE(no.data, B("a\r"));
    QVERIFY(!refused.negotiating() && refused.portControlAnswered() && !refused.portControl());
    QCOMPARE(refused.encode(B("\r\xff")), B("\r\0\xff\xff"));
}

void TelnetCodecTest::acknowledgementsSayWhatApplies()
{
    TelnetCodec codec;
    const TelnetInput in = codec.receive(
        B("\xff\xfa\x2c\x65\x00\x00\x00\xff\xff\xff\xf0\xff\xfa\x2c\x66\x07\xff\xf0"
          "\xff\xfa\x2c\x67\x03\xff\xf0\xff\xfa\x2c\x68\x02\xff\xf0\xff\xfa\x2c\x69\x03\xff\xf0"
          "\xff\xfa\x2c\x69\x05\xff\xf0\xff\xfa\x2c\x69\x08\xff\xf0\xff\xfa\x2c\x69\x0c\xff\xf0"
          // a client's command and a query value are no answers
          "\xff\xfa\x2c\x01\x00\x00\x25\x80\xff\xf0\xff\xfa\x2c\x69\x07\xff\xf0"));
    QCOMPARE(extras(in), "ack:Baud ack:DataBits ack:Parity ack:StopBits ack:Flow ack:Break "
                         "ack:Dtr ack:Rts");
    const AppliedSettings &a = codec.applied();
    QCOMPARE(a.baud.value_or(0), 255);
    QVERIFY(a.dataBits == DataBits::Seven && a.parity == Parity::Even &&
            a.stopBits == StopBits::Two && a.flow == FlowControl::RtsCts);
    QVERIFY(a.dtr == true && a.rts == false);
}

QTEST_GUILESS_MAIN(TelnetCodecTest)
#include "tst_telnetcodec.moc"
