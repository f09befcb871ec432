// Line events, suspend and the early flush of the receive engine, on a fake port: a pty
// cannot produce line events, and these cases need exact control over what arrives when.
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

    // Far more text than a tick's worth pending: the next bytes find it shown, and the
    // pane over its limit is emptied by the same event.
    void flushRunsEarlyWhenTextPilesUp()
    {
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
        setBackColor(w->lblConnect, QColor(Qt::white));
        rxCaptureCount = 7;
        port->injectEvent(CommPort::comEvCD);
        QCOMPARE(backColor(w->lblConnect), QColor(Qt::red));
        QCOMPARE(w->txtCntr->text(), QStringLiteral("7"));
        rxCaptureCount = 0;
        w->rxSuspended = 0;
        port->rearmReceive();
        QCOMPARE(capture(), QByteArray("abc"));
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
        QCOMPARE(backColor(w->lblConnect), QColor(Qt::red));

        // Output the device has not taken by the reopen is given up, and said so.
        w->txtStatus->setText(QString());
        port->deviceReads = false;
        QCOMPARE(port->output("abc"), 3);
        port->refuseOpen = true;
        port->injectEvent(CommPort::comEventFrame);
        QCOMPARE(status(), QStringLiteral("Communications error Frame\r\n"
                                          "Output discarded at close: 3 bytes not sent\r\n"
                                          "COM Port Disconnected\r\n"
                                          "Selected COM Port Not Available.\r\n"));
        QCOMPARE(backColor(w->lblConnect), QColor(Qt::white));
    }
};

QTEST_MAIN(TestReceive)
#include "tst_receive.moc"
