// The receive engine, the line events and the port connection of the main window,
// driven through a fake port (line events and refusals a pty cannot produce).
#include "fakecommport.h"
#include "frmserial.h"
#include "globals.h"
#include "testsupport.h"
#include "textbox.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);

} // namespace

class TestReceive : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<frmSerial> w;
    FakeCommPort *port = nullptr;

    QString status() const { return w->txtStatus->text(); }
    void clearStatus() { w->txtStatus->setText(QString()); }
    QByteArray capture() const
    {
        return QByteArray(reinterpret_cast<const char *>(rxCaptureBuffer.data()), rxCaptureCount);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        resetGlobals();
        Services s = testServices(dir.path());
        s.makeCommPort = [] { return std::make_unique<FakeCommPort>(); };
        w = std::make_unique<frmSerial>(s);
        port = static_cast<FakeCommPort *>(w->MSComm1.get());
        QVERIFY(port->portOpen()); // opened at start-up, without a message
        QCOMPARE(status(), QString());
    }

    void cleanup()
    {
        w.reset();
        QFile::remove(dir.filePath(QStringLiteral("Orvo_RS232_ini")));
    }

    void receivedBytesReachPanesCaptureAndCounter()
    {
        port->injectData(QByteArray("AB\r\n", 4));
        QCOMPARE(w->rxAsciiPending, QStringLiteral("AB\r\n"));
        QCOMPARE(w->rxHexPending, QStringLiteral("41 42 0D 0A "));
        QVERIFY(w->Timer4->isActive());
        QCOMPARE(w->SerialText->length(), 0); // nothing shown before the tick
        QCOMPARE(w->txtCntr->text(), QStringLiteral("4"));
        QCOMPARE(capture(), QByteArray("AB\r\n"));

        port->injectData(QByteArray("\0\xff", 2));
        w->Timer4_Timer();
        QVERIFY(!w->Timer4->isActive());
        QCOMPARE(w->rxAsciiPending, QString());
        QCOMPARE(w->rxHexPending, QString());
        QCOMPARE(w->SerialText->text(), QStringLiteral("AB\r\n<0>\u00ff"));
        QCOMPARE(w->SerialText1->text(), QStringLiteral("41 42 0D 0A 00 FF "));
        QCOMPARE(capture(), QByteArray("AB\r\n\0\xff", 6));
        QCOMPARE(w->txtCntr->text(), QStringLiteral("6"));

        // The next flush appends; it never rewrites.
        port->injectData("C");
        w->Timer4_Timer();
        QCOMPARE(w->SerialText1->text(), QStringLiteral("41 42 0D 0A 00 FF 43 "));
        QCOMPARE(w->rxChunk, QStringLiteral("C"));
        QCOMPARE(status(), QString());
    }

    void silentCaptureOnlyCounts()
    {
        w->silentCapture = 2; // any non-zero value is silent
        w->SerialText->setText(QString(20001, u'x'));
        port->injectData("xyz");
        QVERIFY(!w->Timer4->isActive());
        QCOMPARE(w->rxAsciiPending, QString());
        QCOMPARE(w->SerialText->length(), 20001); // the 20000-character rule is off
        QCOMPARE(w->txtCntr->text(), QStringLiteral("3"));
        QCOMPARE(capture(), QByteArray("xyz"));
    }

    void captureEmptiesAtTheNinetyNineThousandNineHundredNinetyNinthByte()
    {
        w->silentCapture = 1;
        w->SerialText1->setText(QStringLiteral("old"));
        port->injectData(QByteArray(99997, 'a'));
        QCOMPARE(rxCaptureCount, 99997);
        port->injectData("b");
        QCOMPARE(rxCaptureCount, 99998);
        QCOMPARE(w->SerialText1->text(), QStringLiteral("old"));
        port->injectData("c"); // the 99999th: stored, then everything emptied
        QCOMPARE(rxCaptureBuffer[99998], quint8('c'));
        QCOMPARE(rxCaptureCount, 0);
        QCOMPARE(w->txtCntr->text(), QStringLiteral("0"));
        QCOMPARE(w->SerialText1->text(), QString());

        // In one batch: the count restarts after byte 99999 and goes on.
        port->injectData(QByteArray(99999, 'd') + "efg");
        QCOMPARE(capture(), QByteArray("efg"));
        QCOMPARE(w->txtCntr->text(), QStringLiteral("3"));

        // Two limits within one batch.
        port->injectData(QByteArray(99996, 'h') + QByteArray(99999, 'i') + "jk");
        QCOMPARE(capture(), QByteArray("jk"));
    }

    void asciiPaneOverTwentyThousandEmptiesAtTheNextEvent()
    {
        w->SerialText->setText(QString(20000, u'x'));
        w->SerialText1->setText(QStringLiteral("41 "));
        port->injectData("a");
        QCOMPARE(w->SerialText->length(), 20000); // exactly 20000 is still allowed
        QCOMPARE(rxCaptureCount, 1);

        w->SerialText->setText(QString(20001, u'x'));
        port->injectEvent(CommPort::comEvRing); // any event checks the limit
        QCOMPARE(w->SerialText->text(), QString());
        QCOMPARE(w->SerialText1->text(), QString());
        QCOMPARE(rxCaptureCount, 0);
        QCOMPARE(status(), QStringLiteral("Ring\r\n"));

        // In a batch the first byte's event empties everything; the rest are kept.
        w->Timer4_Timer();
        w->SerialText->setText(QString(20001, u'x'));
        port->injectData("123");
        QCOMPARE(w->SerialText->text(), QString());
        QCOMPARE(capture(), QByteArray("23"));
        QCOMPARE(w->rxAsciiPending, QStringLiteral("123")); // shown at the next flush
        w->Timer4_Timer();
        QCOMPARE(w->SerialText->text(), QStringLiteral("123"));
    }

    void aFastLineIsShownBeforeMoreIsQueued()
    {
        port->injectData(QByteArray(100000, 'a'));
        QCOMPARE(w->rxAsciiPending.size(), 100000);
        // Far more text than a tick's worth is pending: the next bytes find it shown,
        // and the pane over its limit is emptied by the same event.
        port->injectData("b");
        QCOMPARE(w->rxAsciiPending, QStringLiteral("b"));
        QCOMPARE(w->rxHexPending, QStringLiteral("62 "));
        QCOMPARE(w->SerialText->length(), 0);
        QCOMPARE(rxCaptureCount, 0);
        QVERIFY(w->Timer4->isActive());
    }

    void suspendLeavesBytesInThePort()
    {
        w->rxSuspended = 1;
        port->injectData("abc");
        port->injectEvent(CommPort::comEventBreak);
        QCOMPARE(port->bytesWaiting(), 3);
        QCOMPARE(rxCaptureCount, 0);
        QCOMPARE(status(), QString());
        QCOMPARE(w->txtCntr->text(), QStringLiteral("0"));

        // Lamp and counter are still refreshed while suspended.
        setBackColor(w->lblConnect, kWhite);
        rxCaptureCount = 7;
        port->injectEvent(CommPort::comEvCD);
        QCOMPARE(backColor(w->lblConnect), kRed);
        QCOMPARE(w->txtCntr->text(), QStringLiteral("7"));
        rxCaptureCount = 0;

        w->rxSuspended = 0;
        port->rearmReceive();
        QCOMPARE(capture(), QByteArray("abc"));
        QCOMPARE(backColor(w->lblConnect), kRed);
    }

    void lineEventsAreLogged()
    {
        const QList<QPair<int, QString>> events{
            {CommPort::comEventCDTO, "Communications error CDTO"},
            {CommPort::comEventCTSTO, "Communications error CTSTO"},
            {CommPort::comEventDSRTO, "Communications error DSRTO"},
            {CommPort::comEventOverrun, "Communications error Overrun"},
            {CommPort::comEventRxOver, "Communications error Rx Overrun"},
            {CommPort::comEventTxFull, "Communications error Tx Full"},
            {CommPort::comEventDCB, "Communications error DCB"},
            {CommPort::comEvCD, "Carrier Detect"},
            {CommPort::comEvCTS, "Clear To Send"},
            {CommPort::comEvDSR, "Data Set Ready"},
            {CommPort::comEvRing, "Ring"},
            {CommPort::comEvSend, "Send Characters"},
            {CommPort::comEvEOF, "End of Frame"},
        };
        QString expected;
        for (const auto &[code, message] : events) {
            port->injectEvent(code);
            expected += message + QStringLiteral("\r\n");
        }
        port->injectEvent(CommPort::comEventRxParity); // silent
        port->injectEvent(4242);
        QCOMPARE(status(), expected);
        QCOMPARE(port->opens, 1);
        QCOMPARE(port->closes, 0);
    }

    void breakAndFramingReopenThePort()
    {
        port->injectData("x");
        w->Timer4_Timer();
        port->injectEvent(CommPort::comEventBreak);
        QCOMPARE(status(), QStringLiteral("Communications error Break\r\nCOM Port Disconnected\r\n"
                                          "Com Port Connected.\r\n"));
        QCOMPARE(port->closes, 1);
        QCOMPARE(port->opens, 2);
        QCOMPARE(w->SerialText->text(), QString()); // panes emptied, capture kept
        QCOMPARE(capture(), QByteArray("x"));
        QCOMPARE(backColor(w->lblConnect), kRed);

        clearStatus();
        port->refuseOpen = true;
        port->injectEvent(CommPort::comEventFrame);
        QCOMPARE(status(), QStringLiteral("Communications error Frame\r\nCOM Port Disconnected\r\n"
                                          "Selected COM Port Not Available.\r\n"));
        QCOMPARE(backColor(w->lblConnect), kWhite);
    }

    void deviceLostIsReportedOnce()
    {
        (void)port->setPortOpen(false); // the port closed itself
        port->injectEvent(CommPort::comEventDeviceLost);
        QCOMPARE(status(), QStringLiteral("COM Port Disconnected\r\n"));
        QCOMPARE(backColor(w->lblConnect), kWhite);

        // Also while suspended: the user must learn why the lamp went out.
        clearStatus();
        w->rxSuspended = 1;
        port->injectEvent(CommPort::comEventDeviceLost);
        QCOMPARE(status(), QStringLiteral("COM Port Disconnected\r\n"));
    }

    void connectAndDisconnect()
    {
        w->SerialText->setText(QStringLiteral("old"));
        w->SerialText1->setText(QStringLiteral("6F "));
        w->txtBaud->setText(QStringLiteral("115200"));
        w->txtCommport->setText(QStringLiteral("3"));
        // Open: nothing is applied, the panes are emptied all the same.
        w->ConnectButton_Click();
        QCOMPARE(port->settings, QStringLiteral("9600,n,8,1"));
        QCOMPARE(port->port, 1);
        QCOMPARE(w->SerialText->text(), QString());
        QCOMPARE(w->SerialText1->text(), QString());
        QCOMPARE(backColor(w->lblConnect), kRed);

        w->DisconnectButton_Click();
        QCOMPARE(backColor(w->lblConnect), kWhite);
        w->DisconnectButton_Click();
        w->ConnectButton_Click();
        QCOMPARE(port->settings, QStringLiteral("115200,n,8,1"));
        QCOMPARE(port->port, 3);
        QCOMPARE(backColor(w->lblConnect), kRed);
        w->ConnectButton_Click();
        QCOMPARE(status(), QStringLiteral("Com Port Connected.\r\nCOM Port Disconnected\r\n"
                                          "COM Port Disconnected\r\nCom Port Connected.\r\n"
                                          "Com Port Connected.\r\n"));
        QCOMPARE(w->txtCommport->toolTip(), QStringLiteral("fake3"));
    }

    void connectFailuresLeaveEverythingAlone_data()
    {
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("portText");
        QTest::addColumn<bool>("busy");
        QTest::newRow("busy port") << "9600"
                                   << "2" << true;
        QTest::newRow("empty baud") << ""
                                    << "2" << false;
        QTest::newRow("letters") << "fast"
                                 << "2" << false;
        QTest::newRow("port 0") << "9600"
                                << "none" << false;
        QTest::newRow("port too big for an Integer") << "9600"
                                                     << "40000" << false;
    }
    void connectFailuresLeaveEverythingAlone()
    {
        QFETCH(QString, baud);
        QFETCH(QString, portText);
        QFETCH(bool, busy);
        w->DisconnectButton_Click();
        clearStatus();
        w->SerialText->setText(QStringLiteral("kept"));
        w->txtBaud->setText(baud);
        w->txtCommport->setText(portText);
        port->refuseOpen = busy;
        w->ConnectButton_Click();
        QCOMPARE(status(), QStringLiteral("Selected COM Port Not Available.\r\n"));
        QCOMPARE(w->SerialText->text(), QStringLiteral("kept"));
        QVERIFY(!port->portOpen());
        QCOMPARE(backColor(w->lblConnect), kWhite);
    }

    void portNumberHalvesToEven()
    {
        w->DisconnectButton_Click();
        w->txtCommport->setText(QStringLiteral("2.5"));
        QCOMPARE(w->commPort, 2);
        w->ConnectButton_Click();
        QCOMPARE(port->port, 2);
        w->DisconnectButton_Click();
        w->txtCommport->setText(QStringLiteral("3.5"));
        w->ConnectButton_Click();
        QCOMPARE(port->port, 4);
        // Too big for an Integer: commPort keeps its value.
        w->txtCommport->setText(QStringLiteral("99999"));
        QCOMPARE(w->commPort, 4);
    }

    void baudFollowsTheBoxWithinRange()
    {
        w->txtBaud->setText(QStringLiteral("19200 baud"));
        QCOMPARE(w->baudRate, 19200);
        w->txtBaud->setText(QStringLiteral("109"));
        QCOMPARE(w->baudRate, 9600);
        w->txtBaud->setText(QStringLiteral("116000"));
        QCOMPARE(w->baudRate, 116000);
        w->txtBaud->setText(QStringLiteral("116001"));
        QCOMPARE(w->baudRate, 9600);
        QCOMPARE(w->txtBaud->text(), QStringLiteral("116001")); // the box is not corrected
    }

    void windowWithoutPortReportsNotAvailable()
    {
        w.reset();
        frmSerial bare(testServices(dir.path()));
        QCOMPARE(backColor(bare.lblConnect), kWhite);
        bare.ConnectButton_Click();
        bare.DisconnectButton_Click();
        bare.MSComm1_OnComm();
        QCOMPARE(bare.txtStatus->text(),
                 QStringLiteral("Selected COM Port Not Available.\r\nCOM Port Disconnected\r\n"));
    }

    void panesScrollOnlyWithAutoScroll()
    {
        w->SerialText->setText(QStringLiteral("line1\r\nline2\r\n"));
        w->SerialText->setSelStart(2);
        port->injectData("more");
        w->Timer4_Timer();
        QCOMPARE(w->SerialText->selStart(), 2);

        w->autoScroll = 1;
        port->injectData("more");
        w->Timer4_Timer();
        QCOMPARE(w->SerialText->selStart(), w->SerialText->length());
        QCOMPARE(w->SerialText1->selStart(), w->SerialText1->length());

        w->txtStatus->setSelStart(0);
        w->AddStatus(QStringLiteral("x"));
        QCOMPARE(w->txtStatus->selStart(), w->txtStatus->length());
    }
};

QTEST_MAIN(TestReceive)
#include "tst_receive.moc"
