// The send rules, the text and key-row sends, the pages, the sequencer and the project files,
// on the main window's parts without widgets. Sends whose bytes matter go through the real
// port on a pty; the sequencer runs on the fake port with a scripted pacer, so its pauses
// take no time and an action can be run at any yield or pause.
#include "tests/support/partsrig.h"
#include "transmit/hex.h"

#include <QElapsedTimer>
#include <QtTest>

#include <functional>
#include <limits>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// What "Clear TX Window" does on the screen.
void clearEcho(Parts &p)
{
    p.views.echo.clear();
    p.views.txCount = u"0"_s;
}

// Runs action once, in the item pause after `row` of the next run's first page. Each item
// of an ASCII run yields once, then pauses.
void afterRow(Parts &p, int row, std::function<void()> action)
{
    p.pacer.trace.clear();
    p.pacer.at = {{2 * (row + 1), std::move(action)}};
}

// Page 1 holds "r0" to "r19" and is shown; items pause 1 ms.
void fillPageOne(Parts &p)
{
    p.views.delay = u"1"_s;
    for (int row = 0; row < 20; ++row)
        p.fillRow(1, row, u"r%1"_s.arg(row));
    p.pager.showCurrentPage();
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
        QTest::addColumn<int>("rule"); // 0: hexValue16, 1: page (-1: none), 2: delay (-1: keep)
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
        QCOMPARE(rule == 0   ? hexValue16(text)
                 : rule == 1 ? acceptedPage(text).value_or(-1)
                             : delayFromText(text).value_or(-1),
                 number);
    }

    // What goes out of the real port on a pty, and the echo, exactly.
    void send_data()
    {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<int>("ends"); // 1: CR, 2: LF
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("echo");
        QTest::newRow("CR") << false << 1 << "AT" << QByteArray("AT\r") << "AT\r\r\n";
        QTest::newRow("latin1") << false << 0 << QString::fromUtf8("\xc3\xa9\xe2\x82\xac")
                                << QByteArray("\xe9?") << QString::fromLatin1("\xe9?\r\n");
        QTest::newRow("pairs") << true << 0 << "41 42 43" << QByteArray("ABC") << "41 42 43 \r\n";
        QTest::newRow("together") << true << 0 << "414243" << QByteArray("A$") << "41 24 \r\n";
        QTest::newRow("lone digit")
            << true << 0 << "41 4 43" << QByteArray("A?\x03") << "41 3F 03 \r\n";
        QTest::newRow("ff") << true << 0 << "ff" << QByteArray() << "\r\n";
        QTest::newRow("separators")
            << true << 0 << "41-00,FF" << QByteArray("A\0\xff", 3) << "41 00 FF \r\n";
        QTest::newRow("CR LF") << true << 3 << "41 42" << QByteArray("AB\r\n")
                               << "41 42 0D 0A \r\n";
        QTest::newRow("over 32767")
            << true << 0 << u"41 "_s.repeated(12000) << QByteArray(12000, 'A')
            << u"41 "_s.repeated(12000) + u"\r\n"_s;
    }
    void send()
    {
        QFETCH(bool, hex);
        QFETCH(int, ends);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, echo);
        Parts p(Parts::RealPty);
        p.state.hexKeys = hex;
        p.views.cr = ends & 1;
        p.views.lf = ends & 2;
        p.textSender.sendLine(text);
        QCOMPARE(p.takeWritten(), bytes);
        QCOMPARE(p.views.echo, echo);
        QCOMPARE(p.views.txCount, QString::number(bytes.size()));
        QCOMPARE(p.record.count(), bytes.size());
    }

    // Where each kind of send lets events run ('y'), echoes ('e') and writes ('w'): a line
    // send yields once, a key row twice, before they echo and then write; a sequencer item
    // yields once, writes, echoes and pauses ('i'). Hex mode yields once more after converting.
    void orderOfEachSend_data()
    {
        QTest::addColumn<int>("kind"); // 0: line, 1: key row, 2: Send Bank
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("trace");
        QTest::newRow("line") << 0 << false << u"yew"_s;
        QTest::newRow("hex line") << 0 << true << u"yyew"_s;
        QTest::newRow("key row") << 1 << false << u"yyew"_s;
        QTest::newRow("hex key row") << 1 << true << u"yyyew"_s;
        QTest::newRow("bank") << 2 << false << u"ywei"_s + u"yei"_s.repeated(19);
        QTest::newRow("hex bank") << 2 << true << u"yywei"_s + u"yyei"_s.repeated(19);
    }
    void orderOfEachSend()
    {
        QFETCH(int, kind);
        QFETCH(bool, hex);
        QFETCH(QString, trace);
        Parts p;
        p.state.hexKeys = hex;
        p.fillRow(1, 0, u"41"_s);
        p.pager.showCurrentPage();
        p.views.onEcho = [&] { p.pacer.trace += u'e'; };
        p.fake->onOutput = [&] { p.pacer.trace += u'w'; };
        if (kind == 0)
            p.textSender.sendLine(u"41"_s);
        else if (kind == 1)
            p.textSender.sendKey(0, u"41"_s);
        else
            p.sequencer.sendBank();
        QCOMPARE(p.pacer.trace, trace);
    }

    // "Add CR" is read after the first yield: ticked during it, it is used; ticked during a
    // key row's second yield, it comes too late.
    void addCrIsReadAfterTheYield_data()
    {
        QTest::addColumn<bool>("keyRow");
        QTest::addColumn<int>("tickedAt");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("line") << false << 1 << QByteArray("a\r");
        QTest::newRow("key row") << true << 1 << QByteArray("a\r");
        QTest::newRow("key row, second yield") << true << 2 << QByteArray("a");
    }
    void addCrIsReadAfterTheYield()
    {
        QFETCH(bool, keyRow);
        QFETCH(int, tickedAt);
        QFETCH(QByteArray, bytes);
        Parts p;
        p.pacer.at[tickedAt] = [&] { p.views.cr = true; };
        if (keyRow)
            p.textSender.sendKey(3, u"a"_s);
        else
            p.textSender.sendLine(u"a"_s);
        QCOMPARE(p.takeWritten(), bytes);
    }

    void recordSuspendAndRowSend()
    {
        Parts p(Parts::RealPty);
        QString text; // the record keeps 2511 bytes and counts them all
        for (int i = 0; i < 3000; ++i)
            text.append(QChar(u'a' + i % 26));
        p.textSender.sendLine(text);
        QCOMPARE(p.takeWritten(), text.toLatin1());
        QCOMPARE(p.record.count(), 3000);
        QCOMPARE(p.record.stored().toByteArray(), text.toLatin1().left(TransmitRecord::kSize));

        clearEcho(p);
        p.views.cr = true;
        p.textSender.sendKey(4, p.views.strings[4]); // an empty row with CR is no longer empty
        QCOMPARE(p.takeWritten(), QByteArray("\r"));
        QCOMPARE(p.views.itemRow, u"4"_s);

        p.state.suspended = true; // echoed, counted and recorded, not written
        p.textSender.sendLine(u"hold"_s);
        p.textSender.sendKey(4, p.views.strings[4]);
        QCOMPARE(p.takeWritten(), QByteArray());
        QCOMPARE(p.views.echo, u"\r\r\nhold\r\r\n\r\r\n"_s);
        QCOMPARE(p.views.txCount, u"1"_s);
        QCOMPARE(p.record.stored().at(0), '\r');
    }

    // A text send longer than the port's limit writes it in pieces as the device takes
    // them. The counter shows the whole length first; when the port closes midway it is
    // corrected to what the port took, which the close then reports as not sent.
    void textSendWaitsForTheDevice()
    {
        Parts p(Parts::RealPty);
        const qint64 limit = p.port.outputLimit();
        QVERIFY(p.pty->stopReading());
        // Checked from the event loop while the send waits for the port.
        QTimer whenFull;
        whenFull.setInterval(5);
        QObject::connect(&whenFull, &QTimer::timeout, [&] {
            if (p.port.pendingOutput() < limit)
                return;
            whenFull.stop();
            QCOMPARE(p.views.txCount, u"1000"_s);
            QCOMPARE(p.port.pendingOutput(), limit);
            p.port.disconnect();
        });
        whenFull.start();
        p.textSender.sendLine(QString(1000, u'a'));
        QCOMPARE(p.views.txCount, QString::number(limit));
        QVERIFY(p.views.status.endsWith(
            u"Output discarded at close: %1 bytes not sent\r\nCOM Port Disconnected\r\n"_s.arg(
                limit)));
        p.pty->resumeReading();
        QCOMPARE(p.takeWritten(), QByteArray());

        // A device that reads loses nothing to a Disconnect right after the send.
        p.port.reconnect();
        const QByteArray text = rows(0, 4999);
        QByteArray got;
        std::thread device([&] { got = p.pty->receive(text.size()); });
        p.textSender.sendLine(QString::fromLatin1(text));
        p.port.disconnect();
        device.join();
        QVERIFY(got == text);
        QVERIFY(p.views.status.endsWith(u"Connected.\r\nCOM Port Disconnected\r\n"_s));
    }

    void pages()
    {
        Parts p;
        p.fillRow(2, 0, u"two"_s, u"page two"_s);
        p.fillRow(4, 0, u"four"_s);
        p.views.strings[3] = u"edited"_s;
        p.pager.nextPage(); // "+" stores the page shown first
        QCOMPARE(p.bank.string(1, 3), u"edited"_s);
        QCOMPARE(p.views.descriptions[0], u"page two"_s);
        p.pager.previousPage();
        QCOMPARE(p.views.strings[3], u"edited"_s);
        p.views.setPageText(u"2.5"_s);
        p.pager.nextPage();
        QCOMPARE(p.views.page, u"3.5"_s);
        QCOMPARE(p.views.strings[0], u"four"_s);
    }

    void projectFiles()
    {
        Parts p;
        FakeDialog &dlg = p.fileDialog;
        const QString path = dlg.answer = p.path(u"bank.ovc"_s);
        p.fillRow(3, 5, u"y"_s, u"x"_s);
        p.fillRow(0, 0, u"page 0 is never saved"_s);
        p.fillRow(1, 20, u"nor row 20"_s);
        p.projects.save();
        QCOMPARE(dlg.requests.last().filter, u"All Files (*.ovc)|*.ovc|"_s);
        QByteArray golden;
        for (int line = 1; line <= 2000; ++line)
            golden += line == 91 ? "\"x\"\r\n" : line == 92 ? "\"y\"\r\n" : "\"\"\r\n";
        QCOMPARE(Parts::readFile(path), golden);

        // Cancel: nothing written, read or stored.
        p.views.setPageText(u"5"_s);
        p.views.strings[0] = u"say \"hi\" é"_s;
        dlg.cancel = true;
        p.projects.save();
        p.projects.load();
        QCOMPARE(p.bank.string(5, 0), QString());
        QCOMPARE(Parts::readFile(path), golden);
        // Quotes and bytes above 127 survive a save and a load.
        dlg.cancel = false;
        p.projects.save();
        p.bank.setString(5, 0, QString());
        p.projects.load();
        QCOMPARE(p.bank.string(5, 0), u"say \"hi\" é"_s);

        // Comma-separated records, text after a closing quote; the file ends after four.
        dlg.answer = p.writeFile(u"in.ovc"_s, "\"d1\",\"s1\"\r\n\"d2\" junk\r\n\"s\"\"2\"\r\n");
        p.views.setPageText(u"5"_s);
        p.views.strings[1] = u"edit on screen"_s;
        p.projects.load();
        QCOMPARE(p.views.page, u"1"_s);
        QCOMPARE(p.views.strings[0] + p.views.descriptions[1] + p.views.strings[1], u"s1d2s\"2"_s);
        QCOMPARE(p.bank.description(3, 5), u"x"_s); // entries past the end stay
        QCOMPARE(p.bank.string(5, 1), QString());   // the rows on screen went nowhere
        dlg.answer = p.path(u"missing.ovc"_s);      // unreadable: no entry changes, page 1 shown
        p.views.setPageText(u"2"_s);
        p.projects.load();
        QCOMPARE(p.views.page, u"1"_s);
        QCOMPARE(p.views.strings[0], u"s1"_s);
        const QString missing = std::exchange(dlg.answer, p.fifo(u"fifo.ovc"_s));
        p.projects.load(); // a FIFO nobody writes to is refused at once
        QCOMPARE(p.messages.shown,
                 QStringList({u"Could not read %1:\r\nNo such file or directory"_s.arg(missing),
                              u"Could not read %1:\r\nNot a regular file"_s.arg(dlg.answer)}));
    }

    void sendBankPacesEveryItem()
    {
        Parts p;
        p.views.delay = u"1"_s;
        p.views.strings[0] = u"first"_s;
        p.views.strings[5] = u"sixth"_s;
        p.views.cr = p.views.lf = true;
        p.sequencer.sendBank();
        // CR only, on the bytes written; every item echoed and paused for.
        QCOMPARE(p.takeWritten(), QByteArray("first\rsixth\r"));
        QCOMPARE(p.views.echo,
                 u"first\r\n"_s + u"\r\n"_s.repeated(4) + u"sixth\r\n"_s + u"\r\n"_s.repeated(14));
        QCOMPARE(p.pacer.trace.count(u'i'), 20);
        QCOMPARE(p.pacer.pauseMs(Pacer::Pause::Item), 1);
        QCOMPARE(p.bank.string(1, 5), u"sixth"_s); // stored at the start
        QCOMPARE(p.record.count(), 0);             // the record is not touched
    }

    void stopSuspendAndClosingEndARun()
    {
        Parts p;
        fillPageOne(p);
        p.sequencer.requestStop(); // STOP while idle: the next run sends its first item only
        p.sequencer.sendBank();
        QCOMPARE(p.fake->written, rows(0, 0));
        afterRow(p, 2, [&] { p.sequencer.requestStop(); });
        p.sequencer.sendBank();
        QCOMPARE(p.fake->written, rows(0, 0) + rows(0, 3));
        QCOMPARE(p.views.itemRow, u"3"_s);
        QVERIFY(!p.sequencer.stopLatched());

        // Suspended: the next item is echoed, not written, and is the last one.
        p.fake->written.clear();
        clearEcho(p);
        afterRow(p, 2, [&] { p.state.suspended = true; });
        p.sequencer.sendBank();
        QCOMPARE(p.fake->written, rows(0, 2));
        QCOMPARE(p.views.echo, QString::fromLatin1(rows(0, 3, "\r\n")));
        QCOMPARE(p.views.itemRow, u"19"_s);
        // In Send All the page pause runs and no further page is visited.
        p.state.suspended = false;
        afterRow(p, 4, [&] { p.state.suspended = true; });
        p.sequencer.sendAll();
        QCOMPARE(p.fake->written, rows(0, 2) + rows(0, 4));
        QCOMPARE(p.views.page, u"1"_s);
        QCOMPARE(p.pacer.trace, u"yi"_s.repeated(6) + u"p"_s);

        p.state.suspended = false; // closing the window ends the run at once
        p.views.delay = u"100"_s;
        afterRow(p, 2, [&] { p.pacer.closing = true; });
        p.sequencer.sendAll();
        QVERIFY(!p.gate.busy());
        QCOMPARE(p.views.itemRow, u"2"_s);
        QCOMPARE(p.pacer.trace, u"yi"_s.repeated(3));
    }

    void sendAllVisitsEveryPageInOrder()
    {
        Parts p;
        p.views.delay = u"0"_s; // still yields once and never hangs
        p.state.hexKeys = true;
        QByteArray expected;
        for (int page = 1; page <= 50; ++page) {
            for (int row = 0; row < 10; ++row) {
                const int b = (page * 5 + row) & 0xFF;
                p.fillRow(page, row, u"%1"_s.arg(b, 2, 16, QLatin1Char('0')).toUpper());
                expected += char(b);
            }
        }
        p.pager.showCurrentPage();
        p.sequencer.sendAll();
        QCOMPARE(p.takeWritten(), expected);
        QCOMPARE(p.pacer.trace, (u"yyi"_s.repeated(20) + u"p"_s).repeated(50));
        QCOMPARE(p.pacer.pauseMs(Pacer::Pause::Item), 0);
        QCOMPARE(p.views.page, u"50"_s);
        QCOMPARE(p.views.echo.count(u'\n'), 1000);
    }

    // One send at a time: whatever is started while another send yields is refused.
    void overlappingSendsAreRefused()
    {
        Parts p;
        fillPageOne(p);
        p.fillRow(2, 5, u"other page"_s);
        afterRow(p, 1, [&] {
            p.textSender.sendLine(u"typed"_s);
            p.textSender.sendKey(7, p.views.strings[7]);
            p.sequencer.sendBank();
            p.sequencer.sendAll();
            p.pager.nextPage(); // a page change: the run keeps its page
        });
        p.sequencer.sendBank();
        QCOMPARE(p.fake->written, rows(0, 19));
        QCOMPARE(p.views.txCount, u"0"_s);
        QCOMPARE(p.views.strings[5], u"other page"_s);
        p.pacer.at[p.pacer.trace.size() + 1] = [&] {
            p.textSender.sendLine(u"second"_s);
            p.textSender.sendKey(0, p.views.strings[0]);
            p.sequencer.sendBank();
        };
        p.textSender.sendLine(u"typed"_s);
        QCOMPARE(p.fake->written, rows(0, 19) + "typed");
    }
};

QTEST_GUILESS_MAIN(TestTransmit)
#include "tst_transmit.moc"
