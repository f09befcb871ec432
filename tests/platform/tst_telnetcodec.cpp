// The Telnet and COM Port Control codec against byte sequences written in hex from RFC 854,
// 855, 856 and 2217, and against what a real server sent.
#include "platform/telnetcodec.h"

#include <QtTest>

namespace {

QByteArray H(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// Events, modem lines, flow control and acknowledgements in one line.
QString extras(const TelnetInput &in)
{
    static const char *const events[] = {"Cts",   "Dsr",     "Cd",     "Ring",  "Break",
                                         "Frame", "Overrun", "RxOver", "Parity"};
    static const char *const requests[] = {"Baud", "DataBits", "Parity", "StopBits",
                                           "Flow", "Break",    "Dtr",    "Rts"};
    QStringList out;
    for (const LineEventAt &e : in.events)
        out << QStringLiteral("%1@%2").arg(events[int(e.event)]).arg(e.position);
    if (in.modemLines)
        out << QStringLiteral("lines=%1").arg(*in.modemLines);
    if (in.outputSuspended)
        out << (*in.outputSuspended ? "suspend" : "resume");
    for (const PortRequest r : in.acknowledged)
        out << QStringLiteral("ack:%1").arg(requests[int(r)]);
    return out.join(u' ');
}

// Data, reply and extras of pieces decoded one after the other, as if they were one.
QStringList decodeInPieces(const QByteArray &wire, QList<qsizetype> cuts)
{
    TelnetCodec codec;
    (void)codec.start();
    TelnetInput all;
    qsizetype from = 0;
    for (const qsizetype to : cuts << wire.size()) {
        const TelnetInput piece = codec.receive(QByteArrayView(wire).sliced(from, to - from));
        for (LineEventAt e : piece.events)
            all.events.append({e.position + all.data.size(), e.event});
        all.data += piece.data;
        all.reply += piece.reply;
        all.modemLines = piece.modemLines ? piece.modemLines : all.modemLines;
        all.outputSuspended = piece.outputSuspended ? piece.outputSuspended : all.outputSuspended;
        all.acknowledged += piece.acknowledged;
        from = to;
    }
    return {all.data.toHex(' '), all.reply.toHex(' '), extras(all)};
}

struct DecodeRow
{
    const char *name, *prelude, *wire, *data, *reply, *extras;
};
const DecodeRow decodeRows[] = {
    {"doubled IAC is one 0xFF", "", "61 ff ff 62", "61 ff 62", "", ""},
    {"NOP and GA carry nothing", "", "61 ff f1 62 ff f9 63", "61 62 63", "", ""},
    {"break at its position", "", "61 62 ff fa 2c 6a 10 ff f0 63", "61 62 63", "", "Break@2"},
    {"framing, parity, overrun; other line-state bits are no event", "", "ff fa 2c 6a 6f ff f0 78",
     "78", "", "Frame@0 Overrun@0 Parity@0"},
    {"CTS and DSR changed, CTS on", "", "7a ff fa 2c 6b 13 ff f0", "7a", "", "Cts@1 Dsr@1 lines=1"},
    {"CD changed, ring ended, CD and RI on", "", "ff fa 2c 6b cc ff f0", "", "",
     "Cd@0 Ring@0 lines=12"},
    {"suspend, resume", "", "ff fa 2c 6c ff f0 61 ff fa 2c 6d ff f0", "61", "", "resume"},
    {"CR NUL is CR before binary", "", "61 0d 00 62 0d 0a 0d 0d 00", "61 0d 62 0d 0a 0d 0d", "",
     ""},
    {"CR NUL stays in binary", "ff fb 00", "61 0d 00", "61 0d 00", "", ""},
    {"another option's subnegotiation is ignored", "", "ff fa 18 01 ff f0 78", "78", "", ""},
    {"a command ends an unterminated subnegotiation", "", "ff fa 2c 6a 10 ff fd 01 78", "78",
     "ff fc 01", ""},
    {"ECHO refused both ways", "", "ff fd 01 ff fb 01", "", "ff fc 01 ff fe 01", ""},
    {"DO BINARY agreed once, WILL SGA agreed", "", "ff fd 00 ff fd 00 ff fb 03", "",
     "ff fb 00 ff fd 03", ""},
    {"DONT and WONT for what is off: no answer", "", "ff fe 05 ff fc 00", "", "", ""},
    {"WONT BINARY after WILL: DONT", "ff fb 00", "ff fc 00", "", "ff fe 00", ""},
};

} // namespace

class TelnetCodecTest : public QObject
{
    Q_OBJECT
private slots:
    void decodes_data();
    void decodes();
    void anySplitDecodesAlike();
    void allByteValuesRoundTrip();
    void requests();
    void negotiationWithServers();
    void acknowledgementsSayWhatApplies();
};

void TelnetCodecTest::decodes_data()
{
    QTest::addColumn<QByteArray>("prelude"); // fed first, its result not checked
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QStringList>("expected");
    for (const DecodeRow &r : decodeRows)
        QTest::newRow(r.name) << H(r.prelude) << H(r.wire)
                              << QStringList{H(r.data).toHex(' '), H(r.reply).toHex(' '), r.extras};
}

void TelnetCodecTest::decodes()
{
    QFETCH(QByteArray, prelude);
    QFETCH(QByteArray, wire);
    QFETCH(QStringList, expected);
    TelnetCodec codec;
    (void)codec.receive(prelude);
    const TelnetInput in = codec.receive(wire);
    QCOMPARE((QStringList{in.data.toHex(' '), in.reply.toHex(' '), extras(in)}), expected);
}

void TelnetCodecTest::anySplitDecodesAlike()
{
    // x CR NUL y IAC IAC, baud 65535 acknowledged, z, break, DO ECHO, CTS changed, w CR LF,
    // WILL BINARY, CR NUL, suspend, "end".
    const QByteArray wire = H("78 0d 00 79 ff ff  ff fa 2c 65 00 00 ff ff ff ff ff f0  7a"
                              "ff fa 2c 6a 10 ff f0  ff fd 01  ff fa 2c 6b 11 ff f0  77 0d 0a"
                              "ff fb 00  0d 00  ff fa 2c 6c ff f0  65 6e 64");
    const QStringList whole = decodeInPieces(wire, {});
    QCOMPARE(whole, (QStringList{"78 0d 79 ff 7a 77 0d 0a 0d 00 65 6e 64", "ff fc 01",
                                 "Break@5 Cts@5 lines=1 suspend ack:Baud"}));
    QList<qsizetype> everyByte;
    for (qsizetype i = 1; i < wire.size(); ++i) {
        QCOMPARE(decodeInPieces(wire, {i}), whole);
        everyByte << i;
    }
    QCOMPARE(decodeInPieces(wire, everyByte), whole);
}

void TelnetCodecTest::allByteValuesRoundTrip()
{
    QByteArray all;
    for (int i = 0; i < 512; ++i)
        all.append(char(i));
    for (const bool binary : {false, true}) {
        TelnetCodec sender, receiver;
        if (binary) {
            (void)sender.receive(H("ff fd 00"));   // DO BINARY
            (void)receiver.receive(H("ff fb 00")); // WILL BINARY
        }
        const QByteArray wire = sender.encode(all);
        // 0xFF doubled; CR followed by NUL before binary.
        QCOMPARE(wire.size(), binary ? 514 : 516);
        QCOMPARE(receiver.receive(wire).data, all);
    }
}

void TelnetCodecTest::requests()
{
    const auto hex = [](const QByteArray &b) { return QString::fromLatin1(b.toHex(' ')); };
    QCOMPARE(hex(TelnetCodec().start()), "ff fb 00 ff fd 00 ff fb 03 ff fd 03 ff fb 2c");
    QCOMPARE(hex(TelnetCodec::settingsRequest(
                 {57600, DataBits::Eight, Parity::None, StopBits::One, FlowControl::None})),
             "ff fa 2c 01 00 00 e1 00 ff f0 ff fa 2c 02 08 ff f0 ff fa 2c 03 01 ff f0 "
             "ff fa 2c 04 01 ff f0 ff fa 2c 05 01 ff f0");
    QCOMPARE(hex(TelnetCodec::settingsRequest(
                 {255, DataBits::Seven, Parity::Even, StopBits::Two, FlowControl::RtsCts})),
             "ff fa 2c 01 00 00 00 ff ff ff f0 ff fa 2c 02 07 ff f0 ff fa 2c 03 03 ff f0 "
             "ff fa 2c 04 02 ff f0 ff fa 2c 05 03 ff f0");
    QCOMPARE(hex(TelnetCodec::settingsRequest({300, DataBits::Five, Parity::Space,
                                               StopBits::OneAndHalf, FlowControl::XonXoff})
                     .sliced(10)),
             "ff fa 2c 02 05 ff f0 ff fa 2c 03 05 ff f0 ff fa 2c 04 03 ff f0 ff fa 2c 05 02 ff f0");
    QCOMPARE(hex(TelnetCodec::lineRequest(OutputLine::Dtr, true) +
                 TelnetCodec::lineRequest(OutputLine::Dtr, false) +
                 TelnetCodec::lineRequest(OutputLine::Rts, true) +
                 TelnetCodec::lineRequest(OutputLine::Rts, false) +
                 TelnetCodec::breakRequest(true) + TelnetCodec::breakRequest(false)),
             "ff fa 2c 05 08 ff f0 ff fa 2c 05 09 ff f0 ff fa 2c 05 0b ff f0 "
             "ff fa 2c 05 0c ff f0 ff fa 2c 05 05 ff f0 ff fa 2c 05 06 ff f0");
    QCOMPARE(hex(TelnetCodec::lineStateMask(0x1e) + TelnetCodec::modemStateMask(0xff)),
             "ff fa 2c 0a 1e ff f0 ff fa 2c 0b ff ff ff f0");
}

void TelnetCodecTest::negotiationWithServers()
{
    // What a ser2net 4.3 sent on connecting: its offers cross ours and answer them.
    TelnetCodec codec;
    (void)codec.start();
    QVERIFY(codec.negotiating());
    const TelnetInput in =
        codec.receive(H("ff fb 03 ff fd 03 ff fb 01 ff fe 01 ff fd 00 ff fb 00 ff fd 2c ff fd 03"));
    QCOMPARE(in.reply, H("ff fe 01"));
    QVERIFY(!codec.negotiating());
    QVERIFY(codec.portControl() && codec.sendsBinary() && codec.receivesBinary());

    // A plain Telnet server refuses everything of ours: answers, nothing agreed, no reply.
    TelnetCodec refused;
    (void)refused.start();
    const TelnetInput no = refused.receive(H("ff fe 00 ff fc 00 ff fe 03 ff fc 03 ff fe 2c"));
    QVERIFY(no.reply.isEmpty() && !refused.negotiating());
    QVERIFY(refused.portControlAnswered() && !refused.portControl());
    QCOMPARE(refused.encode(H("0d ff")), H("0d 00 ff ff"));
}

void TelnetCodecTest::acknowledgementsSayWhatApplies()
{
    TelnetCodec codec;
    const TelnetInput in = codec.receive(
        H("ff fa 2c 65 00 00 00 ff ff ff f0  ff fa 2c 66 07 ff f0  ff fa 2c 67 03 ff f0"
          "ff fa 2c 68 02 ff f0  ff fa 2c 69 03 ff f0  ff fa 2c 69 05 ff f0"
          "ff fa 2c 69 08 ff f0  ff fa 2c 69 0c ff f0"
          // a client's command and a query value are no answers
          "ff fa 2c 01 00 00 25 80 ff f0  ff fa 2c 69 07 ff f0"));
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
