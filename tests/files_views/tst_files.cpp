// File sends, the hex editor's byte send and the capture exports, on the parts without
// widgets: a pty plays the device where real port behaviour matters, a fake port elsewhere.
#include "files_views/captureexport.h"
#include "files_views/mainlayout.h"
#include "hexeditor/hexeditorplaces.h"
#include "terminal/byteforms.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/partsrig.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Letters, with a 0 at index 1.
QByteArray letters(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += char(i == 1 ? 0 : 'a' + i % 26);
    return out;
}

QString echoOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes).replace(QChar(0), u"<0>"_s) + u"\r\n"_s;
}

// Every byte value, in an order that is not the values' own; long enough that a send
// goes past its first 4096 bytes sent one by one.
QByteArray allValues(int n = 9000)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += char(i * 7 + i / 256);
    return out;
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

    std::unique_ptr<Parts> p;

    void setCapture(const QByteArray &bytes)
    {
        p->capture.empty();
        p->capture.store(bytes);
    }
    void rebuildPanes()
    {
        const PaneTexts t = rebuildPaneTexts(p->capture.data(), p->capture.count());
        p->views.setTexts(t.ascii, t.hex);
    }
    // Sends the file once through the dialog, so that it is the file last sent, and
    // forgets what that send showed and wrote.
    void sendOnce(const QString &name, const QByteArray &bytes)
    {
        p->fileDialog.answer = p->writeFile(name, bytes);
        p->fileSender.sendChosenFile();
        p->takeWritten();
        p->views.echo.clear();
        p->views.txCount = u"0"_s;
        p->views.status.clear();
        p->pacer.trace.clear();
    }

private slots:
    void cleanup() { p.reset(); }

    void fileSend_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("suspended");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("echo");
        const QByteArray a0b("A\0B", 3);
        QByteArray letters;
        for (int i = 0; i < 3000; ++i)
            letters += char('a' + i % 26);
        QTest::newRow("ascii") << a0b << false << false << false << "A<0>B\r\n";
        QTest::newRow("hex") << a0b << false << true << false << "41 00 42 \r\n";
        QTest::newRow("empty") << QByteArray() << false << false << false << "\r\n";
        QTest::newRow("3000") << letters << false << false << false
                              << QString::fromLatin1(letters + "\r\n");
        const QByteArray all = allValues();
        QString allHex;
        for (const char c : all)
            allHex += QString::fromLatin1(QByteArray(1, c).toHex().toUpper() + ' ');
        QTest::newRow("9000 ascii") << all << false << false << false << echoOf(all);
        QTest::newRow("9000 hex") << all << false << true << false << allHex + u"\r\n"_s;
        QTest::newRow("suspended") << a0b << true << false << false << "A\r\n";
        QTest::newRow("silent") << a0b << false << false << true << "";
    }
    void fileSend()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, suspended);
        QFETCH(bool, hex);
        QFETCH(bool, silent);
        QFETCH(QString, echo);
        p = std::make_unique<Parts>(Parts::RealPty);
        p->state.hexKeys = hex;
        p->options.silentTx = silent;
        p->state.suspended = suspended;
        p->fileDialog.answer = p->writeFile(u"data.bin"_s, data);
        p->fileSender.sendChosenFile();
        // Suspended, the first byte is recorded and echoed, then the send ends.
        const qsizetype recorded = suspended ? 1 : data.size();
        QCOMPARE(p->takeWritten(), suspended ? QByteArray() : data);
        QCOMPARE(p->record.count(), recorded);
        const qsizetype kept = qMin(recorded, TransmitRecord::kSize);
        QCOMPARE(p->record.stored().toByteArray(), data.left(kept));
        QCOMPARE(p->views.echo, echo);
        QCOMPARE(p->views.txCount, QString::number(data.size())); // suspended too
    }

    void resendCancelAndMissingFile()
    {
        p = std::make_unique<Parts>();
        p->views.echo = u"old\r\n"_s;
        const QString file = p->fileDialog.answer = p->writeFile(u"ab"_s, "AB");
        p->fileSender.sendChosenFile();
        p->fileSender.resendLastFile(); // the same file again, without a dialog
        QCOMPARE(p->fake->written, QByteArray("ABAB"));
        QCOMPARE(p->views.echo, u"old\r\nAB\r\nAB\r\n"_s);
        QVERIFY(p->views.status.endsWith(file + u"\r\n"_s));

        // Cancel ends the command after "Clear TX on Each Send".
        p->options.clearTxOnSend = 1;
        p->fileDialog.cancel = true;
        p->fileSender.sendChosenFile();
        QCOMPARE(p->views.echo, QString());
        QVERIFY(p->messages.shown.isEmpty());

        // The resend keeps to the file last sent, whatever the project and capture dialogs
        // or an empty choice picked since.
        p->options.clearTxOnSend = 0;
        p->fileDialog.cancel = false;
        const QString project = p->fileDialog.answer = p->path(u"bank.ovc"_s);
        p->projects.save();
        p->captureDialog.answer = p->path(u"cap.txt"_s);
        p->captureExport.saveRaw();
        p->fileDialog.answer.clear();
        p->fileSender.sendChosenFile();
        QVERIFY(QFile::exists(project) && QFile::exists(p->captureDialog.answer));
        p->fileSender.resendLastFile();
        QCOMPARE(p->fake->written, QByteArray("ABABAB"));

        // A remembered file that is gone is not created, nor is a folder sent: both say why.
        const QString gone = p->fileDialog.answer = p->path(u"gone.bin"_s);
        p->fileSender.sendChosenFile();
        QCOMPARE(p->fileSender.lastFileSent(), gone);
        p->record.setCount(9);
        p->fileSender.resendLastFile();
        QVERIFY(!QFile::exists(gone));
        QCOMPARE(p->record.count(), 0);
        p->fileDialog.answer = p->dir.path();
        p->fileSender.sendChosenFile();
        p->fileSender.resendLastFile();
        QCOMPARE(p->fake->written, QByteArray("ABABAB"));
        const auto why = [](const QString &path, const QString &reason) {
            return QStringList(2, u"Could not read %1:\r\n%2"_s.arg(path, reason));
        };
        QCOMPARE(p->messages.shown, why(gone, u"No such file or directory"_s) +
                                        why(p->dir.path(), u"file to open is a directory"_s));
    }

    // Closing the window ends the send at its next yield.
    void closingStopsTheSend()
    {
        p = std::make_unique<Parts>();
        sendOnce(u"abcd"_s, "ABCD");
        p->pacer.at[2] = [this] { p->pacer.closing = true; };
        p->fileSender.resendLastFile();
        QCOMPARE(p->fake->written.left(2), QByteArray("AB"));
        QVERIFY(p->fake->written.size() <= 3);
        QCOMPARE(p->views.txCount, u"2"_s);
    }

    void overlappingSendsAreRefused()
    {
        p = std::make_unique<Parts>();
        sendOnce(u"abc"_s, "abc");
        bool started = false;
        p->pacer.at[1] = [&] {
            started = true;
            p->fileSender.resendLastFile();
            p->fileSender.sendBytes("zz");
            p->textSender.sendLine(u"XY"_s);
        };
        p->fileSender.resendLastFile();
        QVERIFY(started);
        QCOMPARE(p->fake->written, QByteArray("abc"));
    }

    // Every byte given goes out; the transmit record is not touched.
    void sendBytes_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("echo");
        QTest::newRow("none") << 0 << "\r\n";
        QTest::newRow("2") << 2 << "a<0>\r\n";
        QTest::newRow("3000") << 3000 << echoOf(letters(3000));
    }
    void sendBytes()
    {
        QFETCH(int, count);
        QFETCH(QString, echo);
        p = std::make_unique<Parts>();
        p->options.clearTxOnSend = 1;
        p->views.echo = u"old"_s;
        p->views.txCount = u"x"_s;
        p->record.setCount(7);
        p->fileSender.sendBytes(letters(count));
        QCOMPARE(p->fake->written, letters(count));
        QCOMPARE(p->views.txCount, count == 0 ? u"x"_s : QString::number(count));
        QCOMPARE(p->record.count(), 7);
        QCOMPARE(p->views.echo, echo);
    }

    // A port that closes before or during a byte-by-byte send (closed, Disconnect, the
    // device lost) ends it there with one line; a text send is one write, echoed as typed.
    void sendCutShortSaysSo_data()
    {
        QTest::addColumn<int>("send");    // text, row, Send File, Instant Resend, hex editor's
        QTest::addColumn<int>("closeAt"); // yields before the port closes; -1: closed at start
        QTest::addColumn<int>("how");     // closed, Disconnect, device lost
        for (int send = 0; send < 5; ++send)
            QTest::addRow("send %d, closed", send) << send << -1 << 0;
        QTest::newRow("Resend, Disconnect") << 3 << 1 << 1;
        QTest::newRow("Resend, lost") << 3 << 2 << 2;
        QTest::newRow("bytes, lost") << 4 << 1 << 2;
    }
    void sendCutShortSaysSo()
    {
        QFETCH(int, send);
        QFETCH(int, closeAt);
        QFETCH(int, how);
        p = std::make_unique<Parts>();
        sendOnce(u"abc"_s, "abc");
        const std::function<void()> closes[] = {[&] { p->port.port()->close(); },
                                                [&] { p->port.disconnect(); },
                                                [&] { p->fake->loseDevice(); }};
        closeAt < 0 ? closes[how]() : void(p->pacer.at[closeAt] = closes[how]);
        p->views.status.clear();
        const std::function<void()> sends[] = {
            [&] { p->textSender.sendLine(u"abc"_s); }, [&] { p->textSender.sendKey(2, u"abc"_s); },
            [&] { p->fileSender.sendChosenFile(); }, [&] { p->fileSender.resendLastFile(); },
            [&] { p->fileSender.sendBytes("abc"); }};
        sends[send]();
        const int sent = qMax(closeAt, 0);
        QCOMPARE(p->fake->written, QByteArray("abc").left(sent));
        QCOMPARE(p->views.txCount, QString::number(sent));
        QCOMPARE(p->views.echo, (send < 2 ? u"abc"_s : u"abc"_s.left(sent)) + u"\r\n"_s);
        const QString stopped = u"%1 stopped: %2 of 3 bytes sent\r\n"_s.arg(
            send < 4 ? "File send" : "Send", QString::number(sent));
        QCOMPARE(p->views.status.section(u"\r\n"_s, -2), send < 2 ? QString() : stopped);
        QVERIFY(send < 2 || p->pacer.trace.size() == sent); // nothing walked after the stop
    }

    // A device that stops reading holds a file send back at the port's limit: the counter
    // shows only what the port took. Suspend ends the send there, and the device then
    // gets exactly what was counted; Disconnect gives up what the port held and says so,
    // and the send stops there.
    void deviceThatStopsReadingHoldsTheSendBack_data()
    {
        QTest::addColumn<bool>("disconnect");
        QTest::newRow("Suspend") << false;
        QTest::newRow("Disconnect") << true;
    }
    void deviceThatStopsReadingHoldsTheSendBack()
    {
        QFETCH(bool, disconnect);
        p = std::make_unique<Parts>(Parts::RealPty);
        const QByteArray data = letters(3000);
        sendOnce(u"data.bin"_s, data);
        const qint64 limit = p->port.outputLimit();
        QVERIFY(p->pty->stopReading());
        // Once the port holds its limit, the send waits for the device.
        QString countedThen;
        qint64 waitingThen = -1;
        QTimer poll;
        poll.setInterval(5);
        connect(&poll, &QTimer::timeout, this, [&] {
            if (p->port.pendingOutput() < limit)
                return;
            poll.stop();
            countedThen = p->views.txCount;
            waitingThen = p->port.pendingOutput();
            if (disconnect)
                p->port.disconnect();
            else
                p->state.suspended = true;
        });
        poll.start();
        p->fileSender.resendLastFile();
        // Nothing had reached the device: all that was counted waited in the port.
        QCOMPARE(countedThen, QString::number(limit));
        QCOMPARE(waitingThen, limit);
        // The byte that found the send suspended or the port closed is echoed, not sent.
        QCOMPARE(p->views.echo, echoOf(data.left(limit + 1)));
        QCOMPARE(p->views.txCount, QString::number(limit));
        p->pty->resumeReading();
        QCOMPARE(p->takeWritten(), disconnect ? QByteArray() : data.left(limit));
        if (disconnect)
            QVERIFY(p->views.status.endsWith(
                u"Output discarded at close: %1 bytes not sent\r\nCOM Port Disconnected\r\n"
                "File send stopped: %1 of 3000 bytes sent\r\n"_s.arg(limit)));
    }

    // Past its first 4096 bytes a send goes in runs: one the port takes only in part, as
    // Suspend or Disconnect meets it, counts and echoes as the same send byte by byte did.
    void longSendStopsWithinARun_data()
    {
        QTest::addColumn<bool>("disconnect");
        QTest::newRow("Suspend") << false;
        QTest::newRow("Disconnect") << true;
    }
    void longSendStopsWithinARun()
    {
        QFETCH(bool, disconnect);
        p = std::make_unique<Parts>();
        const QByteArray data = allValues();
        sendOnce(u"data.bin"_s, data);
        const qint64 limit = p->port.outputLimit();
        // After the last byte sent alone the device stops reading; once the port holds its
        // limit, the send waits, and there it is suspended or the port closed.
        p->pacer.at[4096] = [&] { p->fake->deviceReads = false; };
        p->pacer.at[4097] = [&] {
            QTimer::singleShot(
                0, [&] { disconnect ? p->port.disconnect() : void(p->state.suspended = true); });
        };
        p->fileSender.resendLastFile();
        const qint64 sent = 4096 + limit;
        QCOMPARE(p->views.txCount, QString::number(sent));
        QCOMPARE(p->views.echo, echoOf(data.left(sent + 1)));
        QCOMPARE(p->record.count(), sent + 1);
        p->fake->deviceTakes(limit);
        QCOMPARE(p->takeWritten(), data.left(disconnect ? 4096 : sent));
        if (disconnect)
            QVERIFY(p->views.status.endsWith(
                u"File send stopped: %1 of %2 bytes sent\r\n"_s.arg(sent).arg(data.size())));
    }

    // A run recorded or echoed at once leaves what its bytes one by one leave.
    void runsMatchBytes()
    {
        const QByteArray data = allValues(3000);
        TransmitRecord byBytes, byRuns;
        QString ascii, hex, asciiRuns, hexRuns;
        for (qsizetype i = 0; i < data.size(); ++i) {
            byBytes.storeAt(i, quint8(data[i]));
            appendAsciiForms(ascii, data.sliced(i, 1));
            hex += hexForms(data.sliced(i, 1));
        }
        QRandomGenerator random(7);
        for (qsizetype at = 0, n = 0; at < data.size(); at += n) {
            n = qMin(data.size() - at, qsizetype(random.bounded(1, 700)));
            byRuns.storeRange(at, data.sliced(at, n));
            appendAsciiForms(asciiRuns, data.sliced(at, n));
            hexRuns += hexForms(data.sliced(at, n));
        }
        byBytes.setCount(qint32(data.size()));
        byRuns.setCount(qint32(data.size()));
        QCOMPARE(byRuns.stored(), byBytes.stored());
        QCOMPARE(asciiRuns, ascii);
        QCOMPARE(hexRuns, hex);
    }

    void captureExportsAndRebuild()
    {
        p = std::make_unique<Parts>();
        setCapture(QByteArray("\x00\x41\x0D\x0A", 4));
        rebuildPanes();
        FakeDialog &dialog = p->captureDialog;
        const QString ascii = dialog.answer = p->path(u"cap.txt"_s);
        p->captureExport.saveRaw();
        QCOMPARE(Parts::readFile(ascii), QByteArray("\x00\x41\x0D\x0A", 4));
        QVERIFY(dialog.requests.size() == 1 && dialog.requests[0].mode == FileDialogMode::Save);
        QCOMPARE(dialog.requests[0].filter, u"All Files (*.txt)|*.txt|"_s);
        // The human-hex export writes the pane as it is, typed into or not.
        p->views.hex += u"note \u00e9"_s;
        const QString hex = dialog.answer = p->path(u"hex.txt"_s);
        p->captureExport.saveHumanHex();
        QCOMPARE(Parts::readFile(hex), QByteArray("00 41 0D 0A note \xe9"));

        // Beyond 32768 bytes, over longer files: written whole, nothing old left behind.
        QByteArray capture, golden;
        for (int i = 0; i < 40000; ++i)
            capture += char((i * 31 + i / 256) & 0xFF);
        for (char c : capture)
            golden += QByteArray(1, c).toHex().toUpper() + ' ';
        setCapture(capture);
        dialog.answer = p->writeFile(u"old.txt"_s, QByteArray(50000, 'z'));
        p->captureExport.saveRaw();
        QCOMPARE(Parts::readFile(dialog.answer), capture);
        rebuildPanes();
        const QString oldHex = dialog.answer =
            p->writeFile(u"oldhex.txt"_s, QByteArray(200000, 'z'));
        p->captureExport.saveHumanHex();
        QCOMPARE(Parts::readFile(oldHex), golden);

        // Cancel writes nothing (a file that cannot be written: failedSavesSayWhy).
        dialog.cancel = true;
        dialog.answer = p->path(u"other.txt"_s);
        p->captureExport.saveRaw();
        p->captureExport.saveHumanHex();
        QVERIFY(!QFile::exists(dialog.answer));
    }

    // The main window's places, designed for 723 x 699, in each layout in a larger client
    // area: the panes take the extra width the send keys do not take. Below the design size in
    // either direction nothing moves there: the window scrolls.
    void stretchingFollowsOnlyExtraRoom_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("keysExtra");
        QTest::addColumn<QRect>("ascii");
        QTest::addColumn<QRect>("hex");
        QTest::addColumn<QRect>("divider");
        QTest::addColumn<QList<int>>("keys"); // moved right, descriptions and strings wider
        const QSize larger(1023, 799);
        const QRect list(8, 120, 590, 481), big(8, 120, 997, 481), none;
        QTest::newRow("ascii list")
            << 0 << larger << 0 << list << list << QRect(598, 120, 14, 481) << QList{300, 0, 0};
        QTest::newRow("hex list, keys wider")
            << 1 << larger << 121 << QRect(8, 120, 469, 481) << QRect(8, 120, 469, 481)
            << QRect(477, 120, 14, 481) << QList{179, 60, 61};
        QTest::newRow("keys take at most the extra")
            << 0 << larger << 1000 << QRect(8, 120, 290, 481) << QRect(8, 120, 290, 481)
            << QRect(298, 120, 14, 481) << QList{0, 150, 150};
        QTest::newRow("taller only: no divider")
            << 0 << QSize(10, 799) << 121 << QRect(8, 120, 290, 481) << QRect(8, 120, 290, 481)
            << none << QList{0, 0, 0};
        QTest::newRow("big ascii") << 2 << larger << 121 << big << big << none << QList{0, 0, 0};
        QTest::newRow("big hex") << 3 << larger << 0 << big << big << none << QList{0, 0, 0};
        QTest::newRow("ascii over hex") << 4 << larger << 0 << QRect(8, 120, 997, 240)
                                        << QRect(8, 360, 997, 240) << none << QList{0, 0, 0};
        QTest::newRow("smaller") << 3 << QSize(300, 200) << 0 << QRect(8, 120, 697, 431)
                                 << QRect(8, 120, 697, 431) << none << QList{0, 0, 0};
    }
    void stretchingFollowsOnlyExtraRoom()
    {
        QFETCH(int, view);
        QFETCH(QSize, client);
        QFETCH(int, keysExtra);
        QFETCH(QRect, ascii);
        QFETCH(QRect, hex);
        QFETCH(QRect, divider);
        QFETCH(QList<int>, keys);
        const auto layout = ViewLayout(view);
        const bool stacked = layout == ViewLayout::AsciiOverHex;
        const bool list = layout == ViewLayout::PaneList || layout == ViewLayout::HexList;
        const QRect pane(8, 120, list ? 290 : 697, stacked ? 215 : 431);
        const MainPlaces m = mainPlaces({pane, pane.translated(0, stacked ? 215 : 0),
                                         QRect(8, 600, 345, 89), QRect(368, 592, 337, 97), 312},
                                        QSize(723, 699), client, layout, keysExtra);
        QCOMPARE(m.ascii, ascii);
        QCOMPARE(m.hex, hex);
        QCOMPARE(m.divider, divider);
        QCOMPARE((QList{m.keysRight, m.descriptionsWider, m.stringsWider}), keys);
    }

    // Under the panes of the main window (designed for 723 x 699) the row of counters moves down
    // by the upper half of the extra height; the transmit log and the status box take the lower
    // half and share the extra width. The hex editor (899 x 414) gives its views the extra room,
    // two thirds of the width to the hex view.
    void logsStatusAndEditorViewsStretch_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QList<QRect>>("places"); // log, status, hex view, ASCII view
        QTest::addColumn<QList<int>>("moves"); // row down, status right, editor's middle, captions
        QTest::newRow("odd extra") << QSize(1024, 800)
                                   << QList{QRect(8, 651, 495, 139), QRect(518, 643, 488, 147),
                                            QRect(16, 0, 676, 771), QRect(723, 0, 299, 771)}
                                   << QList{51, 150, 83, 386};
        QTest::newRow("taller only") << QSize(10, 799)
                                     << QList{QRect(8, 650, 345, 139), QRect(368, 642, 337, 147),
                                              QRect(16, 0, 593, 770), QRect(640, 0, 257, 770)}
                                     << QList{50, 0, 0, 385};
        QTest::newRow("smaller") << QSize(300, 200)
                                 << QList{QRect(8, 600, 345, 89), QRect(368, 592, 337, 97),
                                          QRect(16, 0, 593, 385), QRect(640, 0, 257, 385)}
                                 << QList{0, 0, 0, 0};
    }
    void logsStatusAndEditorViewsStretch()
    {
        QFETCH(QSize, client);
        QFETCH(QList<QRect>, places);
        QFETCH(QList<int>, moves);
        const QRect pane(8, 120, 290, 431);
        const MainPlaces m =
            mainPlaces({pane, pane, QRect(8, 600, 345, 89), QRect(368, 592, 337, 97), 312},
                       QSize(723, 699), client, ViewLayout::PaneList, 0);
        const HexEditorPlaces h = hexEditorPlaces({QRect(16, 0, 593, 385), QRect(640, 0, 257, 385)},
                                                  QSize(899, 414), client);
        QCOMPARE((QList{m.txEcho, m.status, h.hexView, h.asciiView}), places);
        QCOMPARE((QList{m.rowDown, m.statusRight, h.middleRight, h.captionsDown}), moves);
    }

    // A save that fails says so once, naming the file and the reason, and keeps the old
    // file whole: Save Project and both capture exports, on a full disk (a file size limit,
    // which binds root too) and into a folder that is gone.
    void failedSavesSayWhy_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("folderGone");
        QTest::addColumn<QString>("reason");
        const char *names[] = {"project", "capture", "human-hex"};
        for (int item = 0; item < 3; ++item) {
            QTest::addRow("%s, full", names[item]) << item << false << u"File too large"_s;
            QTest::addRow("%s, folder gone", names[item])
                << item << true << u"No such file or directory"_s;
        }
    }
    void failedSavesSayWhy()
    {
        QFETCH(int, item);
        QFETCH(bool, folderGone);
        QFETCH(QString, reason);
        p = std::make_unique<Parts>();
        setCapture(QByteArray(3000, 'c'));
        rebuildPanes();
        const QString target = folderGone ? p->path(u"gone/x.txt"_s) : p->writeFile(u"x"_s, "old");
        (item == 0 ? p->fileDialog : p->captureDialog).answer = target;
        const std::function<void()> commands[] = {[&] { p->projects.save(); },
                                                  [&] { p->captureExport.saveRaw(); },
                                                  [&] { p->captureExport.saveHumanHex(); }};
        {
            FileSizeLimit limit(1000); // every file is longer
            QVERIFY(limit.active());
            commands[item]();
        }
        QCOMPARE(p->messages.shown,
                 QStringList{"Could not save "_L1 + target + ":\r\n"_L1 + reason});
        QCOMPARE(Parts::readFile(target), folderGone ? "<unreadable>" : "old");
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
