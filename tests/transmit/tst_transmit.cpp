#include "bank.h"
#include "hex.h"
#include "windowrig.h"

#include <QAction>
#include <QClipboard>
#include <QPushButton>
#include <QtTest>

#include <functional>
#include <thread>

namespace {

// Runs action once, posted so that it happens during the pause after row `row` of the first
// page sent (the run yields there).
void atRow(Rig &r, int row, std::function<void()> action)
{
    auto done = std::make_shared<bool>(false);
    QObject::connect(r.w->Text8, &QLineEdit::textChanged, r.w.get(), [=](const QString &t) {
        if (!*done && t == QString::number(row))
            *done = true, QTimer::singleShot(0, action);
    });
}

// Page 1 holds "r0" to "r19" and is shown; items pause 1 ms.
void fillPageOne(Rig &r)
{
    r.w->txtDelay->setText(u"1"_s);
    for (int row = 0; row < 20; ++row)
        r.fillRow(1, row, u"r%1"_s.arg(row));
    r.w->ShowBankPage();
}

QByteArray rows(int from, int to, const char *end = "")
{
    QByteArray out;
    for (int row = from; row <= to; ++row)
        out += "r" + QByteArray::number(row) + end;
    return out;
}

// Rows of rule, text and number.
struct R
{
    const char *text;
    int number;
};
void ruleRows(int rule, std::initializer_list<R> list)
{
    for (const auto &[text, number] : list)
        QTest::addRow("%d '%s'", rule, text) << rule << QString::fromLatin1(text) << number;
}

} // namespace

class TestTransmit : public QObject
{
    Q_OBJECT
private slots:
    void rules_data()
    {
        QTest::addColumn<int>("rule"); // 0: Hex2Dec, 1: page (-1: none), 2: delay (-1: keep)
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        // "FFFF": the top digit's step would leave 16 bits, so it is skipped.
        ruleRows(0, {R{"41", 65}, R{"FF", 255}, R{"0A", 10}, R{"4", 4}, R{"", 0}, R{"0a", -1},
                     R{"G1", -15}, R{"A ", 159}, R{"4 ", 63}, R{"FFFF", 4095}});
        ruleRows(1, {R{"50", 50}, R{"51", -1}, R{"abc", -1}, R{"0.3", 0}, R{"3.5", 4},
                     R{"50.5", 50}, R{"50.7", -1}, R{" 12abc", 12}});
        ruleRows(2, {R{" 300 ", 300}, R{"250.5", 250}, R{"70000", -1}, R{"100ms", -1}});
    }
    void rules()
    {
        QFETCH(int, rule);
        QFETCH(QString, text);
        QFETCH(int, number);
        QCOMPARE(rule == 0   ? Hex2Dec(text)
                 : rule == 1 ? AcceptedPage(text).value_or(-1)
                             : DelayFromText(text).value_or(-1),
                 number);
    }

    // What goes out of the real port on a pty, and the echo, exactly.
    void send_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<int>("ends"); // 1: CR, 2: LF
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("echo");
        QTest::newRow("CR") << 0 << false << 1 << "AT" << QByteArray("AT\r") << "AT\r\r\n";
        QTest::newRow("latin1") << 1 << false << 0 << QString::fromUtf8("\xc3\xa9\xe2\x82\xac")
                                << QByteArray("\xe9?") << QString::fromLatin1("\xe9?\r\n");
        QTest::newRow("pairs") << 0 << true << 0 << "41 42 43" << QByteArray("ABC")
                               << "41 42 43 \r\n";
        QTest::newRow("together") << 0 << true << 0 << "414243" << QByteArray("A$") << "41 24 \r\n";
        QTest::newRow("lone digit")
            << 0 << true << 0 << "41 4 43" << QByteArray("A?\x03") << "41 3F 03 \r\n";
        QTest::newRow("ff") << 0 << true << 0 << "ff" << QByteArray() << "\r\n";
        QTest::newRow("separators")
            << 1 << true << 0 << "41-00,FF" << QByteArray("A\0\xff", 3) << "41 00 FF \r\n";
        QTest::newRow("CR LF") << 0 << true << 3 << "41 42" << QByteArray("AB\r\n")
                               << "41 42 0D 0A \r\n";
        QTest::newRow("over 32767")
            << 0 << true << 0 << u"41 "_s.repeated(12000) << QByteArray(12000, 'A')
            << u"41 "_s.repeated(12000) + u"\r\n"_s;
    }
    void send()
    {
        QFETCH(int, box);
        QFETCH(bool, hex);
        QFETCH(int, ends);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, echo);
        Rig r(Rig::RealPty);
        if (hex)
            r.w->Keyhex[0]->click();
        r.setEndings(ends & 1, ends & 2);
        r.w->txt[box]->setText(text);
        (box ? r.w->BTNSend1 : r.w->BTNSend)->click();
        QCOMPARE(r.takeWritten(), bytes);
        QCOMPARE(r.sent(), echo);
        QCOMPARE(r.w->txtTXCntr->text(), QString::number(bytes.size()));
        QCOMPARE(txCaptureCount, bytes.size());
    }

    // A character outside ISO-8859-1 typed or pasted into a byte box is "?" in the box, and
    // so in the echo, on the port, in the bank and after a restart.
    void byteBoxesShowWhatTheySend_data()
    {
        QTest::addColumn<int>("kind"); // 0, 1: txt(0), txt(1); 2: Text1(2); 3: Text2(2)
        QTest::addColumn<bool>("paste");
        for (int kind = 0; kind < 4; ++kind)
            for (bool paste : {false, true})
                QTest::addRow("%d %s", kind, paste ? "pasted" : "typed") << kind << paste;
    }
    void byteBoxesShowWhatTheySend()
    {
        QFETCH(int, kind);
        QFETCH(bool, paste);
        const QString euro = QString::fromUtf8("\u20AC");
        Rig r(Rig::RealPty);
        const auto box = [&] {
            frmSerial &w = *r.w;
            return kind < 2 ? w.txt[kind] : kind == 2 ? w.Text1[2] : w.Text2[2];
        };
        if (paste) {
            QGuiApplication::clipboard()->setText(u"a"_s + euro + u"b"_s);
            box()->paste();
        } else {
            QTest::keyClick(box(), Qt::Key_A);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, euro);
            QApplication::sendEvent(box(), &press);
            QTest::keyClick(box(), Qt::Key_B);
        }
        QCOMPARE(box()->text(), u"a?b"_s);

        QPushButton *send = kind == 0   ? r.w->BTNSend
                            : kind == 1 ? r.w->BTNSend1
                            : kind == 2 ? r.w->Command2[2]
                                        : nullptr;
        if (send) {
            send->click();
            QCOMPARE(r.takeWritten(), QByteArray("a?b"));
            QCOMPARE(r.sent(), u"a?b\r\n"_s);
        }
        if (kind == 2) { // the bank run sends what it stored of the row
            r.w->txtDelay->setText(u"1"_s);
            r.w->Command8->click();
            r.w->Command1->click();
            QCOMPARE(r.takeWritten(), QByteArray("a?b"));
            QCOMPARE(r.sent(), u"\r\n\r\na?b"_s + u"\r\n"_s.repeated(18));
        }
        r.w->close();
        r.open();
        QCOMPARE(box()->text(), u"a?b"_s);
    }

    void recordSuspendAndRowSend()
    {
        Rig r(Rig::RealPty);
        QString text; // the record keeps 2511 bytes and counts them all
        for (int i = 0; i < 3000; ++i)
            text.append(QChar(u'a' + i % 26));
        r.w->txt[0]->setText(text);
        r.w->BTNSend->click();
        QCOMPARE(r.takeWritten(), text.toLatin1());
        QCOMPARE(txCaptureCount, 3000);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(txCaptureBuffer.data()), kTxCaptureSize),
                 text.toLatin1().left(kTxCaptureSize));

        r.w->Command8->click();
        r.setEndings(true, false);
        r.w->Command2[4]->click(); // an empty row with CR is no longer empty
        QCOMPARE(r.takeWritten(), QByteArray("\r"));
        QCOMPARE(r.w->Text8->text(), u"4"_s);

        r.w->Command4->click(); // suspended: echoed, counted and recorded, not written
        r.w->txt[0]->setText(u"hold"_s);
        r.w->BTNSend->click();
        r.w->Command2[4]->click();
        QCOMPARE(r.takeWritten(), QByteArray());
        QCOMPARE(r.sent(), u"\r\r\nhold\r\r\n\r\r\n"_s);
        QCOMPARE(r.w->txtTXCntr->text(), u"1"_s);
        QCOMPARE(txCaptureBuffer[0], quint8('\r'));
    }

    // A text send longer than the port's limit writes it in pieces as the device takes
    // them. The counter shows the whole length first; when the port closes midway it is
    // corrected to what the port took, which the close then reports as not sent.
    void textSendWaitsForTheDevice()
    {
        Rig r(Rig::RealPty);
        const qint64 limit = r.w->MSComm1->outputLimit();
        QVERIFY(r.pty->stopReading());
        r.whenSendWaits([&] {
            QCOMPARE(r.w->txtTXCntr->text(), u"1000"_s);
            QCOMPARE(r.w->MSComm1->bytesToWrite(), limit);
            r.w->DisconnectButton->click();
        });
        r.w->txt[0]->setText(QString(1000, u'a'));
        r.w->BTNSend->click();
        QCOMPARE(r.w->txtTXCntr->text(), QString::number(limit));
        QVERIFY(r.w->txtStatus->text().endsWith(
            u"Output discarded at close: %1 bytes not sent\r\nCOM Port Disconnected\r\n"_s.arg(
                limit)));
        r.pty->resumeReading();
        QCOMPARE(r.takeWritten(), QByteArray());

        // A device that reads loses nothing to a Disconnect right after the send.
        r.w->ConnectButton->click();
        const QByteArray text = rows(0, 4999);
        QByteArray got;
        std::thread device([&] { got = r.pty->receive(text.size()); });
        r.w->txt[0]->setText(QString::fromLatin1(text));
        r.w->BTNSend->click();
        r.w->DisconnectButton->click();
        device.join();
        QVERIFY(got == text);
        QVERIFY(r.w->txtStatus->text().endsWith(u"Connected.\r\nCOM Port Disconnected\r\n"_s));
    }

    void pages()
    {
        Rig r;
        r.fillRow(2, 0, u"two"_s, u"page two"_s);
        r.fillRow(4, 0, u"four"_s);
        r.w->Text1[3]->setText(u"edited"_s);
        r.w->Command23->click(); // "+" stores the page shown first
        QCOMPARE(r.w->bankText1[1][3], u"edited"_s);
        QCOMPARE(r.w->Text2[0]->text(), u"page two"_s);
        r.w->Command7->click();
        QCOMPARE(r.w->Text1[3]->text(), u"edited"_s);
        r.w->Text3->setText(u"2.5"_s);
        r.w->Command23->click();
        QCOMPARE(r.w->Text3->text(), u"3.5"_s);
        QCOMPARE(r.w->Text1[0]->text(), u"four"_s);
    }

    void projectFiles()
    {
        Rig r;
        FakeDialog &dlg = r.dlgfile();
        const QString path = dlg.answer = r.path(u"bank.ovc"_s);
        r.fillRow(3, 5, u"y"_s, u"x"_s);
        r.fillRow(0, 0, u"page 0 is never saved"_s);
        r.fillRow(1, 20, u"nor row 20"_s);
        r.w->mnuSave->trigger();
        QCOMPARE(dlg.filtersSeen, QStringList{u"All Files (*.ovc)|*.ovc|"_s});
        QByteArray golden;
        for (int line = 1; line <= 2000; ++line)
            golden += line == 91 ? "\"x\"\r\n" : line == 92 ? "\"y\"\r\n" : "\"\"\r\n";
        QCOMPARE(Rig::readFile(path), golden);

        // Cancel: nothing written, read or stored; the name is kept for the next use.
        r.showPage(5);
        r.w->Text1[0]->setText(u"say \"hi\" é"_s);
        dlg.result = CommonDialog::cdlCancel;
        r.w->mnuSave->trigger();
        r.w->mnuLoad->trigger();
        QCOMPARE(r.w->bankText1[5][0], QString());
        QCOMPARE(dlg.FileName, path);
        QCOMPARE(Rig::readFile(path), golden);
        // Quotes and bytes above 127 survive a save and a load.
        dlg.result = 0;
        r.w->mnuSave->trigger();
        r.w->bankText1[5][0].clear();
        r.w->mnuLoad->trigger();
        QCOMPARE(r.w->bankText1[5][0], u"say \"hi\" é"_s);

        // Comma-separated records, text after a closing quote; the file ends after four.
        dlg.answer = r.writeFile(u"in.ovc"_s, "\"d1\",\"s1\"\r\n\"d2\" junk\r\n\"s\"\"2\"\r\n");
        r.showPage(5);
        r.w->Text1[1]->setText(u"edit on screen"_s);
        r.w->mnuLoad->trigger();
        QCOMPARE(r.w->Text3->text(), u"1"_s);
        QCOMPARE(r.w->Text1[0]->text() + r.w->Text2[1]->text() + r.w->Text1[1]->text(),
                 u"s1d2s\"2"_s);
        QCOMPARE(r.w->bankText2[3][5], u"x"_s);    // entries past the end stay
        QCOMPARE(r.w->bankText1[5][1], QString()); // the rows on screen went nowhere
        dlg.answer = r.path(u"missing.ovc"_s);     // unreadable: no entry changes, page 1 shown
        r.showPage(2);
        r.w->mnuLoad->trigger();
        QCOMPARE(r.w->Text3->text(), u"1"_s);
        QCOMPARE(r.w->Text1[0]->text(), u"s1"_s);
    }

    void sendBankPacesEveryItem()
    {
        Rig r;
        r.w->txtDelay->setText(u"1"_s);
        r.w->Text1[0]->setText(u"first"_s);
        r.w->Text1[5]->setText(u"sixth"_s);
        r.setEndings(true, true);
        int pauses = 0;
        QObject::connect(r.w->Timer2, &QTimer::timeout, r.w.get(), [&] { ++pauses; });
        r.w->Command1->click();
        // CR only, on the bytes written; every item echoed and paused for.
        QCOMPARE(r.port->written, QByteArray("first\rsixth\r"));
        QCOMPARE(r.sent(),
                 u"first\r\n"_s + u"\r\n"_s.repeated(4) + u"sixth\r\n"_s + u"\r\n"_s.repeated(14));
        QCOMPARE(pauses, 20);
        QCOMPARE(r.w->bankText1[1][5], u"sixth"_s); // stored at the start
        QCOMPARE(txCaptureCount, 0);                // the record is not touched
    }

    void stopSuspendAndClosingEndARun()
    {
        Rig r;
        fillPageOne(r);
        r.w->Command6->click(); // STOP while idle: the next run sends its first item only
        r.w->Command1->click();
        QCOMPARE(r.port->written, rows(0, 0));
        atRow(r, 2, [&] { r.w->Command6->click(); }); // in the pause after row 2
        r.w->Command1->click();
        QCOMPARE(r.port->written, rows(0, 0) + rows(0, 3));
        QCOMPARE(r.w->Text8->text(), u"3"_s);
        QCOMPARE(r.w->stopRequested, 0);

        // Suspended: the next item is echoed, not written, and is the last one.
        r.port->written.clear();
        r.w->Command8->click();
        atRow(r, 2, [&] { r.w->Command4->click(); });
        r.w->Command1->click();
        QCOMPARE(r.port->written, rows(0, 2));
        QCOMPARE(r.sent(), QString::fromLatin1(rows(0, 3, "\r\n")));
        QCOMPARE(r.w->Text8->text(), u"19"_s);
        // In Send All the page pause runs and no further page is visited.
        r.w->Command4->click();
        r.w->Timer1->setInterval(1);
        atRow(r, 4, [&] { r.w->Command4->click(); });
        r.w->Command3->click();
        QCOMPARE(r.port->written, rows(0, 2) + rows(0, 4));
        QCOMPARE(r.w->Text3->text(), u"1"_s);

        r.w->Command4->click(); // closing the window ends the run at once
        r.w->txtDelay->setText(u"100"_s);
        atRow(r, 2, [&] { r.w->close(); });
        r.w->Command3->click();
        QVERIFY(r.w->unloading);
        QVERIFY(!r.w->sendBusy);
        QVERIFY(!r.w->Timer2->isActive());
        QCOMPARE(r.w->Text8->text(), u"2"_s);
    }

    void sendAllVisitsEveryPageInOrder()
    {
        Rig r;
        r.w->txtDelay->setText(u"0"_s); // still yields once and never hangs
        r.w->Timer1->setInterval(1);
        r.w->Keyhex_Click(0);
        QByteArray expected;
        for (int page = 1; page <= 50; ++page) {
            for (int row = 0; row < 10; ++row) {
                const int b = (page * 5 + row) & 0xFF;
                r.fillRow(page, row, u"%1"_s.arg(b, 2, 16, QLatin1Char('0')).toUpper());
                expected += char(b);
            }
        }
        r.w->ShowBankPage();
        int pagePauses = 0;
        QObject::connect(r.w->Timer1, &QTimer::timeout, r.w.get(), [&] { ++pagePauses; });
        r.w->Command3->click();
        QCOMPARE(r.port->written, expected);
        QCOMPARE(pagePauses, 50);
        QCOMPARE(r.w->Text3->text(), u"50"_s);
        QCOMPARE(r.sent().count(u'\n'), 1000);
    }

    // One send at a time: whatever is started while another send yields is refused.
    void overlappingSendsAreRefused()
    {
        Rig r;
        fillPageOne(r);
        r.fillRow(2, 5, u"other page"_s);
        r.w->txt[0]->setText(u"typed"_s);
        r.w->txt[1]->setText(u"second"_s);
        atRow(r, 1, [&] {
            r.w->BTNSend->click();
            r.w->Command2[7]->click();
            r.w->Command1->click();
            r.w->Command3->click();
            r.w->Command23->click(); // a page change: the run keeps its page
        });
        r.w->Command1->click();
        QCOMPARE(r.port->written, rows(0, 19));
        QCOMPARE(r.w->txtTXCntr->text(), u"0"_s);
        QCOMPARE(r.w->Text1[5]->text(), u"other page"_s);
        QTimer::singleShot(0, r.w.get(), [&] {
            r.w->BTNSend1->click();
            r.w->Command2[0]->click();
            r.w->Command1_Click();
        });
        r.w->BTNSend->click();
        QCOMPARE(r.port->written, rows(0, 19) + "typed");
    }
};

QTEST_MAIN(TestTransmit)
#include "tst_transmit.moc"
