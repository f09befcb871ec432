#include "rig.h"
#include "textbox.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

class TestFileSend : public QObject
{
    Q_OBJECT
private slots:
    void sendsAndEchoesEachByte_data()
    {
        QTest::addColumn<int>("hexMode");
        QTest::addColumn<QString>("echo");
        QTest::newRow("ascii") << 0 << QStringLiteral("A<0>B\r\n");
        QTest::newRow("hex") << 1 << QStringLiteral("41 00 42 \r\n");
    }
    void sendsAndEchoesEachByte()
    {
        QFETCH(int, hexMode);
        QFETCH(QString, echo);
        Rig r;
        r.w->keyHexMode = qint16(hexMode);
        r.w->txtSent->setText(QStringLiteral("old\r\n"));
        r.dlgfile().answer = r.writeFile(QStringLiteral("abc.bin"), QByteArray("A\0B", 3));
        QSignalSpy counter(r.w->txtTXCntr, &QLineEdit::textChanged);

        r.w->mnuSendfile->trigger();

        QCOMPARE(r.port->written, QByteArray("A\0B", 3));
        QCOMPARE(r.w->txtSent->text(), QStringLiteral("old\r\n") + echo);
        QVERIFY(counter.size() >= 3);
        QCOMPARE(counter.at(0).at(0).toString(), QStringLiteral("1"));
        QCOMPARE(counter.at(1).at(0).toString(), QStringLiteral("2"));
        QCOMPARE(counter.at(2).at(0).toString(), QStringLiteral("3"));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("3"));
        QCOMPARE(txCaptureCount, 3);
        QCOMPARE(txCaptureBuffer[0], quint8('A'));
        QCOMPARE(txCaptureBuffer[1], quint8(0));
        QCOMPARE(txCaptureBuffer[2], quint8('B'));
        QCOMPARE(r.w->fileName, r.dlgfile().answer);
        QVERIFY(r.w->txtStatus->text().endsWith(r.dlgfile().answer + QStringLiteral("\r\n")));
        QCOMPARE(r.dlgfile().opens, 1);
        QCOMPARE(r.dlgfile().filtersSeen, QStringList{QStringLiteral("All Files (*.*)|*.*|")});
        QCOMPARE(r.dlgfile().flagsSeen, QList<int>{0x201004});

        // The same file again without a dialog: same bytes out, counter keeps its last value.
        r.port->written.clear();
        r.w->mnuInstantSend->trigger();
        QCOMPARE(r.port->written, QByteArray("A\0B", 3));
        QCOMPARE(r.dlgfile().opens, 1);
        QCOMPARE(r.w->txtSent->text(), QStringLiteral("old\r\n") + echo + echo);
    }

    void longFileGoesOutWholeButIsRecordedInPart()
    {
        Rig r;
        QByteArray data;
        for (int i = 0; i < 3000; ++i)
            data += char(i * 7 + 1);
        r.dlgfile().answer = r.writeFile(QStringLiteral("long.bin"), data);
        r.w->mnuSendfile->trigger();
        QCOMPARE(r.port->written, data);
        QCOMPARE(txCaptureCount, 3000);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(txCaptureBuffer.data()), 2511),
                 data.left(2511));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("3000"));
    }

    void emptyFile()
    {
        Rig r;
        r.w->txtTXCntr->setText(QStringLiteral("7"));
        r.dlgfile().answer = r.writeFile(QStringLiteral("empty.bin"), QByteArray());
        txCaptureCount = 5;
        r.w->mnuSendfile->trigger();
        QVERIFY(r.port->written.isEmpty());
        QCOMPARE(txCaptureCount, 0);
        QCOMPARE(r.w->txtSent->text(), QStringLiteral("\r\n"));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("0"));

        r.w->txtTXCntr->setText(QStringLiteral("7"));
        r.w->mnuInstantSend->trigger();
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("7"));
        QCOMPARE(r.w->txtSent->text(), QStringLiteral("\r\n\r\n"));
    }

    void suspendedBeforeTheStart()
    {
        Rig r;
        r.w->txSuspended = 1;
        r.dlgfile().answer = r.writeFile(QStringLiteral("abc.bin"), QByteArray("A\0B", 3));
        r.w->mnuSendfile->trigger();
        QVERIFY(r.port->written.isEmpty());
        QCOMPARE(txCaptureCount, 1);
        QCOMPARE(txCaptureBuffer[0], quint8('A'));
        QCOMPARE(r.w->txtSent->text(), QStringLiteral("A\r\n"));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("3"));
        QCOMPARE(r.w->txSuspended, qint16(1));
    }

    void suspendedHalfWay()
    {
        Rig r;
        r.dlgfile().answer = r.writeFile(QStringLiteral("abcd"), QByteArray("ABCD"));
        connect(r.w->txtTXCntr, &QLineEdit::textChanged, r.w.get(), [&r](const QString &t) {
            if (t == QLatin1String("2"))
                r.w->txSuspended = 1;
        });
        r.w->mnuSendfile->trigger();
        QCOMPARE(r.port->written, QByteArray("AB"));
        QCOMPARE(txCaptureCount, 3);
        QCOMPARE(r.w->txtSent->text(), QStringLiteral("ABC\r\n"));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("4"));
    }

    void silentTx()
    {
        Rig r;
        r.w->txSilent = 1;
        const QString file = r.writeFile(QStringLiteral("abc.bin"), QByteArray("A\0B", 3));
        r.dlgfile().answer = file;
        r.w->mnuSendfile->trigger();
        QCOMPARE(r.port->written, QByteArray("A\0B", 3));
        QCOMPARE(r.w->txtSent->text(), QString());

        // The hex echo is written whatever Silent TX says, but no line end follows.
        r.w->keyHexMode = 1;
        r.w->mnuInstantSend->trigger();
        QCOMPARE(r.w->txtSent->text(), QStringLiteral("41 00 42 "));
    }

    void cancelAndErrors()
    {
        Rig r;
        r.w->autoClearTX = 1;
        r.w->txtSent->setText(QStringLiteral("before"));
        r.w->fileName = QStringLiteral("kept");
        r.dlgfile().result = CommonDialog::cdlCancel;
        r.w->mnuSendfile->trigger();
        QCOMPARE(r.w->txtSent->text(), QString());
        QCOMPARE(r.w->fileName, QStringLiteral("kept"));
        QVERIFY(r.box->shown.isEmpty());
        QVERIFY(r.port->written.isEmpty());
        QVERIFY(r.w->txtStatus->text().isEmpty());

        // Another error is reported, then the command goes on with the dialog's name.
        r.dlgfile().result = 53;
        r.dlgfile().description = QStringLiteral("File not found");
        r.dlgfile().FileName = r.writeFile(QStringLiteral("x"), QByteArray("xy"));
        r.w->mnuSendfile->trigger();
        QCOMPARE(r.box->shown,
                 QStringList{QStringLiteral("Error 53 selecting file.\r\nFile not found")});
        QCOMPARE(r.port->written, QByteArray("xy"));

        // An empty name ends the command.
        r.port->written.clear();
        r.dlgfile().result = 0;
        r.dlgfile().answer.clear();
        r.w->mnuSendfile->trigger();
        QVERIFY(r.port->written.isEmpty());
        QCOMPARE(r.w->fileName, QString());
        r.w->mnuInstantSend->trigger();
        QVERIFY(r.port->written.isEmpty());
    }

    void missingOrUnreadableFileSendsNothing()
    {
        Rig r;
        r.w->fileName = r.path(QStringLiteral("gone.bin"));
        txCaptureCount = 9;
        r.w->mnuInstantSend->trigger();
        QVERIFY(!QFile::exists(r.w->fileName)); // never created
        QVERIFY(r.port->written.isEmpty());
        QCOMPARE(txCaptureCount, 0);
        QVERIFY(r.w->txtStatus->text().endsWith(r.w->fileName + QStringLiteral("\r\n")));
        QCOMPARE(r.w->txtSent->text(), QStringLiteral("\r\n"));

        // A folder cannot be read as a file.
        r.w->fileName = r.dir.path();
        r.w->mnuInstantSend->trigger();
        QVERIFY(r.port->written.isEmpty());
    }

    void closedPortStillEchoesAndCounts()
    {
        Rig r;
        (void)r.port->setPortOpen(false);
        r.w->fileName = r.writeFile(QStringLiteral("ab"), QByteArray("AB"));
        r.w->mnuInstantSend->trigger();
        QVERIFY(r.port->written.isEmpty());
        QCOMPARE(r.w->txtSent->text(), QStringLiteral("AB\r\n"));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("2"));
    }

    void closingTheWindowStopsTheSend()
    {
        Rig r;
        r.w->fileName = r.writeFile(QStringLiteral("abcd"), QByteArray("ABCD"));
        connect(r.w->txtTXCntr, &QLineEdit::textChanged, r.w.get(), [&r](const QString &t) {
            if (t == QLatin1String("2"))
                QTimer::singleShot(0, r.w.get(), [&r] { r.w->close(); });
        });
        r.w->show();
        r.w->mnuInstantSend->trigger();
        QCOMPARE(r.port->written.left(2), QByteArray("AB"));
        QVERIFY(r.port->written.size() <= 3);
        QVERIFY(r.w->unloading);
    }

    void secondSendWhileOneRunsIsRefused()
    {
        Rig r;
        r.w->fileName = r.writeFile(QStringLiteral("abc"), QByteArray("abc"));
        bool started = false;
        connect(r.w->txtTXCntr, &QLineEdit::textChanged, r.w.get(), [&](const QString &t) {
            if (t == QLatin1String("1") && !started) {
                started = true;
                r.w->mnuInstantSend->trigger();
                r.w->send_Array();
                r.w->txt[0]->setText(QStringLiteral("XY"));
                r.w->BTNSend_Click();
            }
        });
        r.w->mnuInstantSend->trigger();
        QVERIFY(started);
        QCOMPARE(r.port->written, QByteArray("abc"));
    }

    // The caller stores n bytes and sets txCaptureCount to n.
    void sendArray_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("hexMode");
        QTest::addColumn<int>("written");
        QTest::addColumn<QString>("counter");
        QTest::newRow("-1") << -1 << 0 << 0 << QStringLiteral("x");
        QTest::newRow("0") << 0 << 0 << 0 << QStringLiteral("x");
        QTest::newRow("2") << 2 << 0 << 2 << QStringLiteral("2");
        QTest::newRow("2 hex") << 2 << 1 << 2 << QStringLiteral("2");
        QTest::newRow("3000") << 3000 << 0 << 2511 << QStringLiteral("3000");
    }
    void sendArray()
    {
        QFETCH(int, count);
        QFETCH(int, hexMode);
        QFETCH(int, written);
        QFETCH(QString, counter);
        Rig r;
        r.w->autoClearTX = 1;
        r.w->keyHexMode = qint16(hexMode);
        r.w->txtSent->setText(QStringLiteral("old"));
        r.w->txtTXCntr->setText(QStringLiteral("x"));
        QByteArray stored;
        for (int i = 0; i < kTxCaptureSize; ++i) {
            txCaptureBuffer[i] = quint8(i == 1 ? 0 : 'a' + i % 26);
            stored += char(txCaptureBuffer[i]);
        }
        txCaptureCount = count;

        r.w->send_Array();

        QCOMPARE(r.port->written, stored.left(written));
        QCOMPARE(r.w->txtTXCntr->text(), counter);
        QCOMPARE(txCaptureCount, count);
        QString echo;
        for (int i = 0; i < written; ++i)
            echo += hexMode ? QStringLiteral("%1 ")
                                  .arg(quint8(stored[i]), 2, 16, QLatin1Char('0'))
                                  .toUpper()
                            : (stored[i] == 0 ? QStringLiteral("<0>") : QString(QChar(stored[i])));
        QCOMPARE(r.w->txtSent->text(), echo + QStringLiteral("\r\n"));
        QVERIFY(r.w->txtStatus->text().isEmpty());
    }

    void sendArraySilentAndSuspended()
    {
        Rig r;
        r.w->txSilent = 1;
        txCaptureBuffer[0] = 'Q';
        txCaptureBuffer[1] = 'R';
        txCaptureCount = 2;
        r.w->send_Array();
        QCOMPARE(r.port->written, QByteArray("QR"));
        QCOMPARE(r.w->txtSent->text(), QString());

        r.port->written.clear();
        r.w->txSilent = 0;
        r.w->txSuspended = 1;
        r.w->send_Array();
        QVERIFY(r.port->written.isEmpty());
        QCOMPARE(r.w->txtSent->text(), QStringLiteral("Q\r\n"));
    }
};

QTEST_MAIN(TestFileSend)
#include "tst_filesend.moc"
