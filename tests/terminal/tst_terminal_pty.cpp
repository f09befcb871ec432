// The terminal on a real port: a pseudo-terminal plays the device.
#include "frmserial.h"
#include "globals.h"
#include "ptydevice.h"
#include "qtcommport.h"
#include "testsupport.h"
#include "textbox.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestTerminalPty : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<Pty> pty;
    std::unique_ptr<frmSerial> w;

    static QByteArray capture()
    {
        return QByteArray(reinterpret_cast<const char *>(rxCaptureBuffer.data()), rxCaptureCount);
    }

    void openWindow()
    {
        Services s = testServices(dir.path());
        s.makeCommPort = [] { return makeQtCommPort(); };
        w = std::make_unique<frmSerial>(s);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        if (!makeQtCommPort())
            QSKIP("no serial port implementation in this build");
    }

    void init()
    {
        resetGlobals();
        pty = std::make_unique<Pty>();
        QVERIFY(pty->isOpen());
        QVERIFY(linkComPort(1, pty->slavePath()));
        openWindow();
        QVERIFY(w->MSComm1->portOpen());
        QCOMPARE(backColor(w->lblConnect), QColor(255, 0, 0));
    }

    void cleanup()
    {
        w.reset();
        pty.reset();
        QFile::remove(comPortLink(1));
        QFile::remove(dir.filePath(QStringLiteral("Orvo_RS232_ini")));
    }

    void receivedBytesReachBothPanes()
    {
        QVERIFY(pty->send(QByteArray("AB\r\n\0\xff", 6)));
        QTRY_COMPARE(w->SerialText->text(), QStringLiteral("AB\r\n<0>\u00ff"));
        QCOMPARE(w->SerialText1->text(), QStringLiteral("41 42 0D 0A 00 FF "));
        QCOMPARE(w->txtCntr->text(), QStringLiteral("6"));
        QVERIFY(pty->send("C")); // appended, not rewritten
        QTRY_COMPARE(w->SerialText1->text(), QStringLiteral("41 42 0D 0A 00 FF 43 "));
        QCOMPARE(capture(), QByteArray("AB\r\n\0\xff"
                                       "C",
                                       7));
    }

    // However the bytes are split into events, the first one empties the overlong pane
    // and the capture after storing its byte.
    void overlongPaneEmptiesAtTheNextByte()
    {
        w->SerialText->setText(QString(20001, u'x'));
        QVERIFY(pty->send("abc"));
        QTRY_COMPARE(w->SerialText->text(), QStringLiteral("abc"));
        QCOMPARE(capture(), QByteArray("bc"));
    }

    void everyByteOfABurstIsCounted()
    {
        // Silent, so that only the capture limit empties the capture.
        w->silentCapture = 1;
        QByteArray burst(250000, '\0');
        for (qsizetype i = 0; i < burst.size(); ++i)
            burst[i] = char(i % 251);
        QVERIFY(pty->send(burst));
        const qint32 expected = qint32(burst.size() % 99999);
        QTRY_COMPARE_WITH_TIMEOUT(rxCaptureCount, expected, 30000);
        QCOMPARE(capture(), burst.right(expected));
        QCOMPARE(w->txtCntr->text(), QString::number(expected));
        QCOMPARE(w->SerialText->length(), 0);
    }

    void busyPortAndReconnect()
    {
        // Another program holds the port: start-up says nothing, ReConnect says why.
        w.reset();
        const auto other = makeQtCommPort();
        QVERIFY(other->setCommPort(1));
        QVERIFY(other->setPortOpen(true));
        openWindow();
        QVERIFY(!w->MSComm1->portOpen());
        QCOMPARE(backColor(w->lblConnect), QColor(255, 255, 255));
        QCOMPARE(w->txtStatus->text(), QString());
        w->ConnectButton_Click();
        QCOMPARE(w->txtStatus->text(), QStringLiteral("Selected COM Port Not Available.\r\n"));
        QVERIFY(!w->lblConnect->toolTip().isEmpty());
        QVERIFY(other->setPortOpen(false));

        w->txtBaud->setText(QStringLiteral("115200"));
        w->ConnectButton_Click();
        QVERIFY(w->MSComm1->portOpen());
        QCOMPARE(backColor(w->lblConnect), QColor(255, 0, 0));
        QVERIFY(pty->send("x"));
        QTRY_COMPARE(rxCaptureCount, 1);
    }

    void unpluggedDeviceIsReported()
    {
        pty->hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!w->MSComm1->portOpen(), 10000);
        QTRY_COMPARE(backColor(w->lblConnect), QColor(255, 255, 255));
        const QStringList lines = w->txtStatus->text().split(QStringLiteral("\r\n"));
        QVERIFY(lines.size() == 2 || lines.size() == 3); // the message, maybe a reason, ""
        QCOMPARE(lines.first(), QStringLiteral("COM Port Disconnected"));
    }
};

QTEST_MAIN(TestTerminalPty)
#include "tst_terminal_pty.moc"
