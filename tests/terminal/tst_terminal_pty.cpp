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
#include <QTemporaryFile>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <unistd.h>

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
    QString status() const { return w->txtStatus->text(); }

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
        QCOMPARE(backColor(w->lblConnect), QColor(Qt::red));
    }

    void cleanup()
    {
        w.reset();
        pty.reset();
        QFile::remove(comPortLink(1));
        QFile::remove(comPortLink(2));
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
        QCOMPARE(capture(), QByteArray("AB\r\n\0\377C", 7));
    }

    // 20000 characters are still allowed; beyond, the next byte empties the panes and,
    // after storing that byte, the capture.
    void overlongPaneEmptiesAtTheNextByte()
    {
        w->SerialText->setText(QString(20000, u'x'));
        QVERIFY(pty->send("a"));
        QTRY_COMPARE(w->SerialText->length(), 20001);
        QCOMPARE(capture(), QByteArray("a"));
        QVERIFY(pty->send("bc"));
        QTRY_COMPARE(w->SerialText->text(), QStringLiteral("bc"));
        QCOMPARE(capture(), QByteArray("c"));
    }

    void silentCaptureCountsEveryByte()
    {
        w->silentCapture = 2; // any non-zero value is silent
        w->SerialText->setText(QString(20001, u'x'));
        QVERIFY(pty->send("ab"));
        QTRY_COMPARE(rxCaptureCount, 2);
        QCOMPARE(w->SerialText->length(), 20001); // the 20000-character rule is off

        QByteArray burst(250000, '\0');
        for (qsizetype i = 0; i < burst.size(); ++i)
            burst[i] = char(i % 251);
        QVERIFY(pty->send(burst));
        burst.prepend("ab");
        // Every 99999th byte is stored, then the capture and the panes are emptied.
        const qint32 expected = qint32(burst.size() % 99999);
        QTRY_COMPARE_WITH_TIMEOUT(capture(), burst.right(expected), 30000);
        QCOMPARE(rxCaptureBuffer[99998], quint8(burst[2 * 99999 - 1]));
        QCOMPARE(w->txtCntr->text(), QString::number(expected));
        QCOMPARE(w->SerialText->length() + w->SerialText1->length(), 0);
        QVERIFY(w->rxHexPending.isEmpty() && !w->Timer4->isActive());
    }

    void busyPortReconnectAndDisconnect()
    {
        // Another program holds the port: start-up says nothing, ReConnect says why.
        w.reset();
        const auto other = makeQtCommPort();
        QVERIFY(other->setCommPort(1) && other->setPortOpen(true));
        openWindow();
        QVERIFY(!w->MSComm1->portOpen());
        QCOMPARE(backColor(w->lblConnect), QColor(Qt::white));
        QCOMPARE(status(), QString());
        w->SerialText->setText(QStringLiteral("kept"));
        w->ConnectButton_Click();
        QVERIFY(other->setPortOpen(false));
        QCOMPARE(status(), QStringLiteral("Selected COM Port Not Available.\r\n"));
        QCOMPARE(w->SerialText->text(), QStringLiteral("kept"));

        QVERIFY(linkComPort(2, pty->slavePath()));
        w->txtBaud->setText(QStringLiteral("19200"));
        w->txtCommport->setText(QStringLiteral("2.5")); // halves to even
        w->ConnectButton_Click();
        QVERIFY(w->MSComm1->portOpen());
        QCOMPARE(backColor(w->lblConnect), QColor(Qt::red));
        QVERIFY2(w->lblConnect->toolTip().startsWith(
                     QStringLiteral("COM2 (%1), 19200 baud").arg(pty->slavePath())),
                 qPrintable(w->lblConnect->toolTip()));
        QCOMPARE(w->SerialText->text(), QString());
        QVERIFY(pty->send("x"));
        QTRY_COMPARE(rxCaptureCount, 1);

        w->DisconnectButton_Click();
        QVERIFY(!w->MSComm1->portOpen());
        QCOMPARE(backColor(w->lblConnect), QColor(Qt::white));
        QCOMPARE(status(),
                 QStringLiteral("Selected COM Port Not Available.\r\nCom Port Connected.\r\n"
                                "COM Port Disconnected\r\n"));
    }

    // Closing the window lets queued output drain; what the device did not take in time
    // is reported, also on standard error, and the waiting send ends.
    void closingWithOutputStuckSaysSoOnStderr()
    {
        QVERIFY(pty->stopReading());
        QTemporaryFile err;
        QVERIFY(err.open());
        const int saved = ::dup(2);
        ::dup2(err.handle(), 2);
        auto *poll = new QTimer(w.get());
        QObject::connect(poll, &QTimer::timeout, w.get(), [this, poll] {
            if (w->MSComm1->bytesToWrite() >= w->MSComm1->outputLimit()) {
                poll->stop();
                w->close();
            }
        });
        poll->start(5);
        w->txt[0]->setText(QString(1000, u'a'));
        w->BTNSend_Click();
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        QVERIFY(w->unloading);
        const QString line = QStringLiteral("Output discarded at close: 64 bytes not sent");
        QVERIFY2(status().endsWith(line + QStringLiteral("\r\n")), qPrintable(status()));
        QVERIFY(err.seek(0));
        QVERIFY(err.readAll().contains(line.toLatin1() + '\n'));
        QCOMPARE(w->txtTXCntr->text(), QStringLiteral("64"));
        pty->resumeReading();
        QCOMPARE(pty->receive(1, 300), QByteArray());
    }

    void unpluggedDeviceIsReported()
    {
        pty->hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!w->MSComm1->portOpen(), 10000);
        QTRY_COMPARE(backColor(w->lblConnect), QColor(Qt::white));
        const QStringList lines = status().split(QStringLiteral("\r\n"));
        QVERIFY(lines.size() == 2 || lines.size() == 3); // the message, maybe a reason, ""
        QCOMPARE(lines.first(), QStringLiteral("COM Port Disconnected"));
    }
};

QTEST_MAIN(TestTerminalPty)
#include "tst_terminal_pty.moc"
