// Line events, suspend and the early flush of the receive engine, on a fake port: a pty
// cannot produce line events, and these cases need exact control over what arrives when.
#include "terminal/byteforms.h"
#include "tests/support/partsrig.h"

#include <QtTest>

class TestReceive : public QObject
{
    Q_OBJECT

    std::unique_ptr<Parts> p;

    QByteArray capture() const { return p->capture.bytes().toByteArray(); }

private slots:
    void init() { p = std::make_unique<Parts>(); }
    void cleanup() { p.reset(); }

    // Far more text than a tick's worth pending: the next bytes find it shown, and the
    // pane over its limit is emptied by the same event.
    void flushRunsEarlyWhenTextPilesUp()
    {
        p->fake->injectData(QByteArray(100000, 'a'));
        p->fake->injectData("b");
        QCOMPARE(p->receive.pendingAscii(), QStringLiteral("b"));
        QCOMPARE(p->receive.pendingHex(), QStringLiteral("62 "));
        QCOMPARE(p->views.ascii.size(), 0);
        QCOMPARE(p->capture.count(), 0);
        QVERIFY(p->ticker.isActive());
    }

    void suspendHoldsBytesUntilResumed()
    {
        p->port.setRxSuspended(true);
        p->fake->injectData("abc");
        p->fake->injectEvent(LineEvent::Break);
        QCOMPARE(p->capture.count(), 0);
        QCOMPARE(p->views.status, QString());
        // Lamp and counter are still refreshed while suspended.
        p->views.open = false;
        p->capture.store("1234567");
        p->fake->injectEvent(LineEvent::Cd);
        QVERIFY(p->views.open);
        QCOMPARE(p->views.rxCount, QStringLiteral("7"));
        p->capture.empty();
        p->port.setRxSuspended(false);
        QCOMPARE(capture(), QByteArray("abc"));
    }

    void lineEventsAreLogged()
    {
        for (LineEvent event : {LineEvent::Overrun, LineEvent::RxOver, LineEvent::Cd,
                                LineEvent::Cts, LineEvent::Dsr, LineEvent::Ring, LineEvent::Parity})
            p->fake->injectEvent(event);
        QCOMPARE(
            p->views.status,
            QStringLiteral("Communications error Overrun\r\nCommunications error Rx Overrun\r\n"
                           "Carrier Detect\r\nClear To Send\r\nData Set Ready\r\nRing\r\n"));
        QCOMPARE(p->fake->opens, 1);
        QCOMPARE(p->fake->closes, 0);
    }

    void breakAndFramingReopenThePort()
    {
        p->fake->injectData("x");
        p->ticker.fire();
        p->fake->injectEvent(LineEvent::Break);
        QCOMPARE(p->views.status,
                 QStringLiteral("Communications error Break\r\n"
                                "COM Port Disconnected\r\nCom Port Connected.\r\n"));
        QCOMPARE(p->fake->opens, 2);
        QCOMPARE(p->views.ascii, QString()); // panes emptied, capture kept
        QCOMPARE(capture(), QByteArray("x"));
        QVERIFY(p->views.open);

        // Output the device has not taken by the reopen is given up, and said so.
        p->views.status.clear();
        p->fake->deviceReads = false;
        QCOMPARE(p->fake->write("abc"), 3);
        p->fake->refuseOpen = true;
        p->fake->injectEvent(LineEvent::Frame);
        QCOMPARE(p->views.status, QStringLiteral("Communications error Frame\r\n"
                                                 "Output discarded at close: 3 bytes not sent\r\n"
                                                 "COM Port Disconnected\r\n"
                                                 "Selected COM Port Not Available.\r\n"));
        QVERIFY(!p->views.open);
    }

    // The text forms of bytes, and the ASCII forms read back one element at a time.
    void byteForms_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("ascii");
        QTest::addColumn<QString>("hex");
        const auto row = [](const char *tag, QByteArray b, const char16_t *a, const char *h) {
            QTest::newRow(tag) << b << QString::fromUtf16(a) << QString::fromLatin1(h);
        };
        row("zero, CR LF, high", {"\0\r\n\xE9\xFF", 5}, u"<0>\r\n\u00e9\u00ff", "00 0D 0A E9 FF ");
        row("nested and cut markers", {"<\0000><0", 6}, u"<<0>0><0", "3C 00 30 3E 3C 30 ");
        row("marker, zero: no way back", {"<0>\0", 4}, u"<0><0>", "3C 30 3E 00 ");
    }
    void byteForms()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, ascii);
        QFETCH(QString, hex);
        QCOMPARE(asciiForms(bytes) + u'|' + hexForms(bytes), ascii + u'|' + hex);
        QByteArray read;
        quint8 b = 0;
        for (qsizetype i = 0; i < ascii.size(); read += char(b))
            i = readAsciiForm(ascii, i, b);
        QCOMPARE(read == bytes, asciiFormsReadBack(bytes));
    }
};

QTEST_GUILESS_MAIN(TestReceive)
#include "tst_receive.moc"
