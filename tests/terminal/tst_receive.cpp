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
    QByteArray capture() const
    {
        return QByteArray(reinterpret_cast<const char *>(rxCaptureBuffer.data()), rxCaptureCount);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        resetGlobals();
        QFile::remove(dir.filePath(QStringLiteral("Orvo_RS232_ini")));
        Services s = testServices(dir.path());
        s.makeCommPort = [] { return std::make_unique<FakeCommPort>(); };
        w = std::make_unique<frmSerial>(s);
        port = static_cast<FakeCommPort *>(w->MSComm1.get());
        QVERIFY(port->portOpen());
    }
    void cleanup() { w.reset(); }

    void silentCaptureCountsUpToThe99999thByte()
    {
        w->silentCapture = 2; // any non-zero value is silent
        w->SerialText->setText(QString(20001, u'x'));
        w->SerialText1->setText(QStringLiteral("old"));
        port->injectData(QByteArray(99998, 'a'));
        QVERIFY(!w->Timer4->isActive());
        QCOMPARE(w->SerialText->length(), 20001); // the 20000-character rule is off
        QCOMPARE(w->SerialText1->text(), QStringLiteral("old"));
        QCOMPARE(w->txtCntr->text(), QStringLiteral("99998"));
        port->injectData("c"); // the 99999th: stored, then everything emptied
        QCOMPARE(rxCaptureBuffer[99998], quint8('c'));
        QCOMPARE(rxCaptureCount, 0);
        QCOMPARE(w->txtCntr->text(), QStringLiteral("0"));
        QCOMPARE(w->SerialText1->text(), QString());
    }

    void asciiPaneOverTwentyThousandEmptiesAtTheNextEvent()
    {
        w->SerialText->setText(QString(20000, u'x'));
        w->SerialText1->setText(QStringLiteral("41 "));
        port->injectData("a");
        QCOMPARE(w->SerialText->length(), 20000); // exactly 20000 is still allowed
        w->SerialText->setText(QString(20001, u'x'));
        port->injectEvent(CommPort::comEvRing); // any event checks the limit
        QCOMPARE(w->SerialText->text(), QString());
        QCOMPARE(w->SerialText1->text(), QString());
        QCOMPARE(rxCaptureCount, 0);
        QCOMPARE(status(), QStringLiteral("Ring\r\n"));

        // Far more text than a tick's worth pending: the next bytes find it shown, and
        // the pane over its limit is emptied by the same event.
        port->injectData(QByteArray(100000, 'a'));
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

        w->rxSuspended = 1;             // the user must learn why the lamp went out
        (void)port->setPortOpen(false); // the port closed itself
        port->injectEvent(CommPort::comEventDeviceLost);
        QCOMPARE(status(), QStringLiteral("COM Port Disconnected\r\n"));
        QCOMPARE(backColor(w->lblConnect), kWhite);
    }

    void lineEventsAreLogged()
    {
        for (int code : std::initializer_list<int>{
                 CommPort::comEventCDTO, CommPort::comEventCTSTO, CommPort::comEventDSRTO,
                 CommPort::comEventOverrun, CommPort::comEventRxOver, CommPort::comEventTxFull,
                 CommPort::comEventDCB, CommPort::comEvCD, CommPort::comEvCTS, CommPort::comEvDSR,
                 CommPort::comEvRing, CommPort::comEvSend, CommPort::comEvEOF,
                 CommPort::comEventRxParity, 4242})
            port->injectEvent(code);
        QCOMPARE(status(), QStringLiteral(
                               "Communications error CDTO\r\nCommunications error CTSTO\r\n"
                               "Communications error DSRTO\r\nCommunications error Overrun\r\n"
                               "Communications error Rx Overrun\r\nCommunications error Tx Full\r\n"
                               "Communications error DCB\r\nCarrier Detect\r\nClear To Send\r\n"
                               "Data Set Ready\r\nRing\r\nSend Characters\r\nEnd of Frame\r\n"));
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
        QCOMPARE(port->opens, 2);
        QCOMPARE(w->SerialText->text(), QString()); // panes emptied, capture kept
        QCOMPARE(capture(), QByteArray("x"));
        QCOMPARE(backColor(w->lblConnect), kRed);

        w->txtStatus->setText(QString());
        port->refuseOpen = true;
        port->injectEvent(CommPort::comEventFrame);
        QCOMPARE(status(), QStringLiteral("Communications error Frame\r\nCOM Port Disconnected\r\n"
                                          "Selected COM Port Not Available.\r\n"));
        QCOMPARE(backColor(w->lblConnect), kWhite);
    }

    void connectAndDisconnect()
    {
        w->SerialText->setText(QStringLiteral("old"));
        w->SerialText1->setText(QStringLiteral("6F "));
        w->txtBaud->setText(QStringLiteral("19200"));
        w->txtCommport->setText(QStringLiteral("3.5")); // halves to even
        // Open: nothing is applied, the panes are emptied all the same.
        w->ConnectButton_Click();
        QCOMPARE(port->settings, QStringLiteral("9600,n,8,1"));
        QCOMPARE(port->port, 1);
        QCOMPARE(w->SerialText->text(), QString());
        QCOMPARE(w->SerialText1->text(), QString());
        w->DisconnectButton_Click();
        QCOMPARE(backColor(w->lblConnect), kWhite);
        w->DisconnectButton_Click();
        w->ConnectButton_Click();
        QCOMPARE(port->settings, QStringLiteral("19200,n,8,1"));
        QCOMPARE(port->port, 4);
        QCOMPARE(backColor(w->lblConnect), kRed);
        w->ConnectButton_Click();
        QCOMPARE(status(), QStringLiteral("Com Port Connected.\r\nCOM Port Disconnected\r\n"
                                          "COM Port Disconnected\r\nCom Port Connected.\r\n"
                                          "Com Port Connected.\r\n"));
        QCOMPARE(w->txtCommport->toolTip(), QStringLiteral("fake4"));

        // The numeric prefix counts; out of range: the default baud, the port number kept,
        // the boxes not corrected.
        w->txtBaud->setText(QStringLiteral("300 baud"));
        QCOMPARE(w->baudRate, 300);
        w->txtBaud->setText(QStringLiteral("116001"));
        w->txtCommport->setText(QStringLiteral("99999"));
        QCOMPARE(w->baudRate, 9600);
        QCOMPARE(int(w->commPort), 4);
        QCOMPARE(w->txtBaud->text(), QStringLiteral("116001"));
    }

    void connectFailuresLeaveEverythingAlone()
    {
        w->DisconnectButton_Click();
        w->SerialText->setText(QStringLiteral("kept"));
        // An empty or non-numeric baud, port 0, a port number too big for an Integer.
        for (const auto &[baud, portText] : std::initializer_list<std::pair<QString, QString>>{
                 {"", "2"}, {"fast", "2"}, {"9600", "none"}, {"9600", "40000"}}) {
            w->txtStatus->setText(QString());
            w->txtBaud->setText(baud);
            w->txtCommport->setText(portText);
            w->ConnectButton_Click();
            QCOMPARE(status(), QStringLiteral("Selected COM Port Not Available.\r\n"));
            QCOMPARE(w->SerialText->text(), QStringLiteral("kept"));
            QVERIFY(!port->portOpen());
            QCOMPARE(backColor(w->lblConnect), kWhite);
        }
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

    void panesScrollOnlyWithAutoScrollStatusAlways()
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
