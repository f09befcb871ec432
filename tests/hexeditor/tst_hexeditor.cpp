#include "filesizelimit.h"
#include "frmhexeditor.h"
#include "printer.h"
#include "printlayout.h"
#include "ptydevice.h"
#include "qtcommport.h"
#include "qtfiledialog.h"
#include "windowrig.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <thread>
#include <vector>

namespace {

// Records what the editor asks of the printer.
class FakePrinter : public Printer
{
public:
    bool hasPrinter = true;
    QStringList calls;

    bool showPrinterDialog(QWidget *, const QString &title) override
    {
        calls << "dialog "_L1 + title;
        return true;
    }
    bool available() const override { return hasPrinter; }
    void setCurrentX(int twips) override { calls << u"X %1"_s.arg(twips); }
    void setCurrentY(int twips) override { calls << u"Y %1"_s.arg(twips); }
    void setFont(const QString &name, double size) override
    {
        calls << u"font %1 %2"_s.arg(name).arg(size);
    }
    void printLine(const QString &text) override { calls << "line "_L1 + text; }
    QString failure; // endDoc() fails with this reason when set
    bool endDoc() override
    {
        calls << u"end"_s;
        return failure.isEmpty();
    }
    QString errorString() const override { return failure; }
};

// A printer whose dialog is a real modal dialog, on the stack as any dialog may be.
class DialogPrinter : public FakePrinter
{
public:
    bool showPrinterDialog(QWidget *parent, const QString &) override
    {
        QDialog dialog(parent);
        return dialog.exec() == QDialog::Accepted;
    }
};

// Closes the window from inside the first modal dialog's exec() and notes that dialog's
// class.
void closeInsideDialog(QWidget *window, QString *seen)
{
    auto *poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, window, [=] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            poll->stop();
            *seen = QString::fromLatin1(modal->metaObject()->className());
            window->close();
        }
    });
    poll->start(0);
}

void typeAtEnd(TextBox *box, const QString &keys)
{
    box->setFocus();
    box->setSelStart(box->length());
    QTest::keyClicks(box, keys);
}

// Every byte value once in each 256 bytes, in an order of its own for each round.
QByteArray pattern(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(char((i * 7 + i / 256) & 0xFF));
    return bytes;
}

std::span<const quint8> span(const QByteArray &b)
{
    return {reinterpret_cast<const quint8 *>(b.constData()), size_t(b.size())};
}

// An edit buffer of 0xEE bytes followed by 16 guard bytes, so a write past its end shows.
struct Guarded
{
    std::vector<quint8> storage = std::vector<quint8>(size_t(kEditBufferSize) + 16, 0xEE);
    std::span<quint8> buffer() { return std::span(storage).first(size_t(kEditBufferSize)); }
    QByteArray content(qint32 count) const { return {(const char *)storage.data(), count}; }
    QByteArray guard() const { return {(const char *)storage.data() + kEditBufferSize, 16}; }
};

// The shared window rig with a fake printer and a hex editor on it.
struct Fixture : Rig
{
    QPointer<frmHexEditor> e;

    Fixture()
    {
        w->services.makePrinter = [] { return std::make_unique<FakePrinter>(); };
        e = new frmHexEditor(*w);
    }
    ~Fixture() { delete e.data(); }

    FakePrinter *printer() { return static_cast<FakePrinter *>(e->printer.get()); }
    FakeDialog *dialog() { return static_cast<FakeDialog *>(e->dlgFile.get()); }
    void choose(QAction *item, const QString &file)
    {
        dialog()->result = 0;
        dialog()->answer = file;
        item->trigger();
    }
    QString load(const QString &name, const QByteArray &bytes)
    {
        const QString file = writeFile(name, bytes);
        choose(e->mnuLoadfile, file);
        return file;
    }
    QByteArray content() const
    {
        return QByteArray(reinterpret_cast<const char *>(e->editBuffer.data()), e->editCount);
    }
    // Hex view, ASCII view and length label in one text.
    QString views() const
    {
        return e->Text1->text() + u'|' + e->Text2->text() + u'|' + e->lblLOF->text();
    }
};

} // namespace

class TestHexEditor : public QObject
{
    Q_OBJECT
private slots:
    void viewsAreReadBack_data()
    {
        QTest::addColumn<bool>("hexView");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("hex empty") << true << QString() << QByteArray();
        QTest::newRow("hex no final space") << true << "41 42 43" << QByteArray("ABC");
        QTest::newRow("hex lone last digit") << true << "41 42 4" << QByteArray("AB\x04");
        QTest::newRow("hex no separators") << true << "4142" << QByteArray("\x41\x02");
        // The line break takes a place of its own: every later pair is shifted.
        QTest::newRow("hex line break shifts")
            << true << "41 \r\n42 " << QByteArray("\x41\xEE\x1F");
        // Lowercase letters are no digits: Hex2Dec counts them -1.
        QTest::newRow("hex lowercase") << true << "4a " << QByteArray("\x3F");
        QTest::newRow("hex zero") << true << "00 41 " << QByteArray("\0A", 2);
        // "ff" and "zz" read as -17: both leave their byte as it was, both count.
        QTest::newRow("hex out of range")
            << true << "01 ff zz 02" << QByteArray("\x01\xEE\xEE\x02");
        QTest::newRow("ascii marker first") << false << "<0>A" << QByteArray("\0A", 2);
        QTest::newRow("ascii incomplete marker") << false << "x<0" << QByteArray("x<0");
        QTest::newRow("ascii nested marker") << false << "<<0>0>" << QByteArray("<\0000>", 4);
        // A character without a byte of its own becomes "?".
        QTest::newRow("ascii euro")
            << false << QString::fromUtf16(u"a\u20ACb") << QByteArray("a?b");
    }
    void viewsAreReadBack()
    {
        QFETCH(bool, hexView);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        Guarded g;
        const qint32 n =
            hexView ? hexViewToBuffer(text, g.buffer()) : asciiViewToBuffer(text, g.buffer());
        QCOMPARE(g.content(n), bytes);
    }

    void everyByteValueRoundTrips()
    {
        const QByteArray some("\0\r\n\xE9\xFF", 5);
        QCOMPARE(hexViewText(span(some)), QStringLiteral("00 0D 0A E9 FF "));
        QCOMPARE(asciiViewText(span(some)), QString::fromLatin1("<0>\r\n\xE9\xFF"));

        const QByteArray all = pattern(512); // twice, so a zero byte also follows other bytes
        Guarded g;
        QCOMPARE(g.content(hexViewToBuffer(hexViewText(span(all)), g.buffer())), all);
        g.buffer()[0] = 0x99;
        QCOMPARE(g.content(asciiViewToBuffer(asciiViewText(span(all)), g.buffer())), all);
    }

    void textLongerThanTheBufferIsRefused()
    {
        // One pair, or one byte of the ASCII view, more than the buffer holds.
        Guarded g;
        const QString hexFull = hexViewText(span(QByteArray(kEditBufferSize - 1, 'A'))) + u'4';
        QCOMPARE(hexViewToBuffer(hexFull + u" 42"_s, g.buffer()), -1);
        const QString asciiFull = QString(kEditBufferSize - 1, u'<') + QStringLiteral("<0>");
        QCOMPARE(asciiViewToBuffer(asciiFull + u'x', g.buffer()), -1);
        QCOMPARE(g.content(kEditBufferSize + 16), QByteArray(kEditBufferSize + 16, '\xEE'));

        // Exactly full: a lone last digit, a closing marker.
        QCOMPARE(hexViewToBuffer(hexFull, g.buffer()), qint32(kEditBufferSize));
        QCOMPARE(g.buffer().back(), quint8(4));
        QCOMPARE(asciiViewToBuffer(asciiFull, g.buffer()), qint32(kEditBufferSize));
        QCOMPARE(g.buffer().back(), quint8(0));
        QCOMPARE(g.guard(), QByteArray(16, '\xEE'));
    }

    void printLayout()
    {
        const QString crlf = QStringLiteral("\r\n");
        // Both views empty: three pairs of empty lines and nothing else.
        QCOMPARE(printAllLines(QString(), QString()), QStringList({crlf, crlf, crlf}));

        // 27 bytes are 81 characters: the last pair's space goes on a line of its own.
        QCOMPARE(printAllLines(QStringLiteral("41 ").repeated(27), QStringLiteral("A")),
                 QStringList({crlf,
                              "  41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 "
                              "41 41 41 41 41 41 41 41 41 41",
                              "   ", crlf, "  A", crlf}));

        // Exactly 80 characters: one line, no empty rest line. A CR LF stays inside the
        // line and counts as two characters.
        const QString ascii80 = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKL"
                                               "MNOPQRSTUVWXYZ<0>\r\n-------------");
        QCOMPARE(ascii80.size(), 80);
        QCOMPARE(printAllLines(QString(), ascii80),
                 QStringList({crlf, crlf,
                              "  0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKL"
                              "MNOPQRSTUVWXYZ<0>\r\n-------------",
                              crlf}));
    }

    void viewsFollowEachOther()
    {
        Fixture f;
        QCOMPARE(f.e->Text1->font().pointSizeF(), 8.0); // not chosen yet: small
        f.e->mnuFontMedium->trigger();
        f.e->mnuFontMedium->trigger(); // choosing it again keeps the mark
        QVERIFY(f.e->mnuFontMedium->isChecked() && !f.e->mnuFontSmall->isChecked());
        QCOMPARE(f.e->Text2->font().pointSizeF(), 10.0);
        QCOMPARE(hexFontSize, 2);

        f.e->Text2->setText(u"A<0>B"_s);
        QCOMPARE(f.views(), u"41 00 42 |A<0>B|  LOF = 3"_s);
        // The typed hex text stays as typed; only the ASCII view is rebuilt.
        f.e->Text1->setFocus();
        f.e->Text1->setSelStart(f.e->Text1->length());
        QTest::keyClicks(f.e->Text1, u"4"_s);
        QCOMPARE(f.views(), u"41 00 42 4|A<0>B\x04|  LOF = 4"_s);

        // Auto update off: nothing converts until an arrow is clicked.
        QTest::mouseClick(f.e->cmdUpdateAuto, Qt::LeftButton);
        QCOMPARE(backColor(f.e->lblAuto), QColor(255, 255, 255));
        f.e->Text2->setText(u"xy"_s);
        f.e->Text1->setText(u"43 "_s);
        QCOMPARE(f.content(), QByteArray("A\0B\x04", 4));
        QCOMPARE(f.views(), u"43 |xy|  LOF = 4"_s);
        QTest::mouseClick(f.e->cmdUpdateAscii, Qt::LeftButton);
        QCOMPARE(f.views(), u"43 |C|  LOF = 1"_s);
        QTest::mouseClick(f.e->cmdUpdateAuto, Qt::LeftButton);
        QCOMPARE(backColor(f.e->lblAuto), QColor(255, 0, 0));
    }

    // The ASCII view shows a character without a byte of its own as the "?" it becomes,
    // whether typed or pasted.
    void asciiViewShowsItsBytes()
    {
        const QString typed = QString::fromUtf8("\u20AC\u00FC");
        for (bool paste : {false, true}) {
            Fixture f;
            f.e->Text2->setText(u"A"_s);
            f.e->Text2->setSelStart(1);
            if (paste) {
                QGuiApplication::clipboard()->setText(typed);
                f.e->Text2->paste();
            } else {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
                QApplication::sendEvent(f.e->Text2, &press);
            }
            QCOMPARE(f.views(), u"41 3F FC |A?\u00FC|  LOF = 3"_s);
            QCOMPARE(f.content(), QByteArray("A?\xFC"));
        }
    }

    void everyByteValueThroughFileAndViews()
    {
        Fixture f;
        const QByteArray all = pattern(512);
        const QString source = f.load(u"all.bin"_s, all);
        QCOMPARE(f.dialog()->filtersSeen.last(), u"Text Files  *.txt |*.txt;|*.*|*.*"_s);
        QCOMPARE(f.content(), all);
        QCOMPARE(f.e->lblLOF->text() + f.e->lblFilename->text(), "  LOF = 512"_L1 + source);
        // The views give back their text exactly, CR and CR LF included.
        QTest::mouseClick(f.e->cmdUpdateHex, Qt::LeftButton);
        QTest::mouseClick(f.e->cmdUpdateAscii, Qt::LeftButton);
        QCOMPARE(f.content(), all);
        const QString copy = f.writeFile(u"copy.bin"_s, "old");
        f.choose(f.e->mnuSavefile, copy);
        QCOMPARE(Rig::readFile(copy), all);

        // An empty file gives empty views; saving nothing empties the chosen file.
        f.load(u"empty.bin"_s, {});
        QCOMPARE(f.views(), u"||  LOF = 0"_s);
        f.choose(f.e->mnuSavefile, copy);
        QCOMPARE(Rig::readFile(copy), QByteArray());
    }

    void theBufferLimitHolds()
    {
        Fixture f;
        const QString small = f.load(u"small.bin"_s, "AB");
        // One byte more than the buffer: the file is refused, nothing changes.
        const QString big = f.load(u"big.bin"_s, pattern(int(kEditBufferSize) + 1));
        QCOMPARE(f.box->shown, QStringList("The file "_L1 + big +
                                           " holds 512002 bytes, more than the 512001 bytes "
                                           "the hex editor holds. It was not loaded."_L1));
        QCOMPARE(f.views(), u"41 42 |AB|  LOF = 2"_s);
        QCOMPARE(f.e->lblFilename->text() + f.e->editFileName, small + small);

        // A full buffer loads; a key typed or a text pasted into either view past it is
        // undone with one message each.
        const QByteArray full = pattern(int(kEditBufferSize));
        f.load(u"full.bin"_s, full);
        const QString fullViews = f.views();
        QVERIFY(fullViews.endsWith(u"|  LOF = 512001"_s));
        f.box->shown.clear();
        typeAtEnd(f.e->Text1, u"4"_s);
        QCOMPARE(f.views(), fullViews);
        f.e->Text2->replaceText(0, 0, u"xy"_s);
        QCOMPARE(f.views(), fullViews);
        QCOMPARE(f.content(), full);
        QCOMPARE(
            f.box->shown,
            QStringList(2, u"The hex editor holds at most 512001 bytes. The edit was undone."_s));
    }

    // A key typed while a conversion yields is converted once the conversion has ended.
    void editsDuringTheYieldAreConverted_data()
    {
        QTest::addColumn<bool>("firstInHex");
        QTest::addColumn<bool>("thenInHex");
        QTest::addColumn<QString>("views");
        QTest::newRow("hex, then hex") << true << true << u"42 43|BC|  LOF = 2"_s;
        QTest::newRow("hex, then ascii") << true << false << u"42 04 44 |B\u0004D|  LOF = 3"_s;
        QTest::newRow("ascii, then hex") << false << true << u"42 43 3|BC\u0003|  LOF = 3"_s;
        QTest::newRow("ascii, then ascii") << false << false << u"42 43 44 |BCD|  LOF = 3"_s;
    }
    void editsDuringTheYieldAreConverted()
    {
        QFETCH(bool, firstInHex);
        QFETCH(bool, thenInHex);
        QFETCH(QString, views);
        Fixture f;
        f.e->Text2->setText(u"B"_s);
        // Runs in the first conversion's yield.
        QTimer::singleShot(0, f.e, [&] {
            typeAtEnd(thenInHex ? f.e->Text1 : f.e->Text2, thenInHex ? u"3"_s : u"D"_s);
        });
        if (firstInHex)
            typeAtEnd(f.e->Text1, u"4"_s);
        else
            typeAtEnd(f.e->Text2, u"C"_s);
        QCOMPARE(f.views(), views);
        QCOMPARE(f.e->Text2->text(), asciiViewText(span(f.content())));
    }

    // Closing the main window while the editor or the main window waits in a dialog ends
    // the dialog, saves the settings, deletes the editor only after its handler and lets
    // the program's event loop end.
    void closingTheMainWindowEndsOpenDialogs_data()
    {
        QTest::addColumn<int>("opens");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("editor file dialog") << 0 << u"QFileDialog"_s;
        QTest::newRow("editor printer dialog") << 1 << u"QDialog"_s;
        QTest::newRow("editor message box") << 2 << u"QMessageBox"_s;
        QTest::newRow("main window file dialog") << 3 << u"QFileDialog"_s;
    }
    void closingTheMainWindowEndsOpenDialogs()
    {
        QFETCH(int, opens);
        QFETCH(QString, dialog);
        Fixture f;
        f.w->hexEditor = f.e.data();
        f.w->show();
        f.e->show();
        QAction *command = f.e->mnuLoadfile;
        if (opens == 0) {
            f.e->dlgFile = makeQtFileDialog(f.e);
        } else if (opens == 1) {
            f.w->services.makePrinter = [] { return std::make_unique<DialogPrinter>(); };
            command = f.e->mnuPageSetup;
        } else if (opens == 2) {
            f.w->services.messageBox = std::make_shared<QtMessageBox>();
            f.dialog()->answer = f.writeFile(u"big.bin"_s, pattern(int(kEditBufferSize) + 1));
        } else {
            f.w->dlgfile = makeQtFileDialog(f.w.get());
            command = f.w->mnuLoad;
        }
        const QString settings = f.path(u"Orvo_RS232_ini"_s);
        QVERIFY(!QFile::exists(settings));
        QString seen;
        closeInsideDialog(f.w.get(), &seen);
        // In the program's event loop, which ends once the last window has closed.
        QTimer::singleShot(0, f.e, [command] { command->trigger(); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(seen, dialog);
        QVERIFY(f.w->unloading && !f.w->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(QFile::exists(settings));
        QVERIFY(f.e.isNull());
    }

    void cancelAndFailuresChangeNothing()
    {
        Fixture f;
        const QString file = f.load(u"a.bin"_s, pattern(5000));
        f.dialog()->result = CommonDialog::cdlCancel;
        f.e->mnuLoadfile->trigger();
        f.e->mnuSavefile->trigger();
        f.choose(f.e->mnuLoadfile, f.path(u"missing.bin"_s)); // cannot be read
        QCOMPARE(f.e->lblFilename->text() + f.e->editFileName, file + file);
        QVERIFY(f.box->shown.isEmpty());

        // A save that fails halfway (file size limit, which binds root too).
        const QString old = f.writeFile(u"old.bin"_s, "old");
        {
            FileSizeLimit limit(1000);
            QVERIFY(limit.active());
            f.choose(f.e->mnuSavefile, old);
        }
        QCOMPARE(Rig::readFile(old), QByteArray("old"));
        QCOMPARE(Rig::readFile(file), pattern(5000));
        QCOMPARE(f.content(), pattern(5000));
        // ... and says so, naming the file and the reason; so does a folder that is gone.
        const QString gone = f.path(u"gone/a.bin"_s);
        f.choose(f.e->mnuSavefile, gone);
        QCOMPARE(f.box->shown,
                 QStringList({"Could not save "_L1 + old + ":\r\nFile too large"_L1,
                              "Could not save "_L1 + gone + ":\r\nNo such file or directory"_L1}));
    }

    // The editor's send through the real port: all 3000 bytes go out and are counted; the
    // record keeps the 2511 that fit.
    void sendGoesOutThroughAPty()
    {
        QStandardPaths::setTestModeEnabled(true);
        Pty pty;
        QVERIFY(pty.isOpen() && linkComPort(1, pty.slavePath()));
        QTemporaryDir dir;
        resetGlobals();
        Services s = testServices(dir.path());
        s.makeCommPort = [] { return makeQtCommPort(); };
        frmSerial w(s);
        QVERIFY(w.MSComm1->portOpen());
        QPointer<frmHexEditor> e = new frmHexEditor(w);
        const QByteArray data = pattern(3000);
        std::copy(data.begin(), data.end(), e->editBuffer.begin());
        e->editCount = 3000;
        QByteArray got;
        std::thread device([&] { got = pty.receive(3000); });
        e->mnuSendContents->trigger();
        w.DisconnectButton_Click(); // lets the port's queue drain
        device.join();
        QVERIFY(got == data);
        QCOMPARE(w.txtTXCntr->text(), u"3000"_s);
        e->mnuLoadTXbuffer->trigger();
        QCOMPARE(e->editCount, kTxCaptureSize);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(e->editBuffer.data()), kTxCaptureSize),
                 data.left(kTxCaptureSize));
        delete e;
    }

    void recordsSendAndClear()
    {
        Fixture f;
        const QString file = f.load(u"a.bin"_s, pattern(3000));
        // A send longer than the record: the first 2511 bytes are stored, all are sent.
        f.e->mnuSendContents->trigger();
        QCOMPARE(txCaptureCount, 3000);
        QCOMPARE(f.port->written, pattern(3000));
        QCOMPARE(f.content(), pattern(3000));

        f.e->mnuLoadRXbuffer->trigger(); // nothing received
        QCOMPARE(f.views(), u"||  LOF = 0"_s);
        QCOMPARE(f.e->editBuffer[100], quint8(0)); // cleared in full
        std::copy_n("A\0\t", 3, rxCaptureBuffer.begin());
        rxCaptureCount = 3;
        f.e->mnuLoadRXbuffer->trigger();
        QCOMPARE(f.views(), u"41 00 09 |A<0>\t|  LOF = 3"_s);
        f.e->mnuClear->trigger();
        QCOMPARE(f.views(), u"||  LOF = 0"_s);
        QCOMPARE(f.e->editBuffer[0], quint8(0));

        f.e->mnuLoadTXbuffer->trigger();
        QCOMPARE(f.content(), pattern(kTxCaptureSize));
        QCOMPARE(f.e->lblLOF->text(), u"  LOF = 2511"_s);
        txCaptureCount = -1;
        f.e->mnuLoadTXbuffer->trigger();
        // Sending nothing sends nothing and empties the record.
        f.e->mnuSendContents->trigger();
        QCOMPARE(txCaptureCount, 0);
        QCOMPARE(f.port->written.size(), 3000);
        // The loads, the clear and the sends all keep the file name.
        QCOMPARE(f.e->lblFilename->text() + f.e->editFileName, file + file);
    }

    void printAllPrintsBothViewsAsTyped()
    {
        Fixture f;
        f.e->Text2->setText(u"AB"_s);
        QTest::mouseClick(f.e->cmdUpdateAuto, Qt::LeftButton);
        f.e->Text1->setText(u"41 42 43 "_s); // not converted
        f.e->mnuPageSetup->trigger();
        f.e->mnuPrint->trigger();
        QCOMPARE(
            f.printer()->calls,
            QStringList({"dialog Page Setup", "X -1000", "Y 4000", "line \r\n", "font Courier 10",
                         "line   41 42 43 ", "line \r\n", "line   AB", "line \r\n", "end"}));
        QCOMPARE(f.content(), QByteArray("AB"));

        QVERIFY(f.box->shown.isEmpty());
        // A printer that fails is reported.
        f.printer()->failure = u"out of paper"_s;
        f.e->mnuPrint->trigger();
        QCOMPARE(f.box->shown, QStringList{u"Could not print:\r\nout of paper"_s});

        // No printer: nothing is shown or printed.
        f.printer()->hasPrinter = false;
        f.printer()->calls.clear();
        f.e->mnuPageSetup->trigger();
        f.e->mnuPrint->trigger();
        QVERIFY(f.printer()->calls.isEmpty());
        QCOMPARE(f.box->shown.size(), 1);
    }

    void printsToAPdfFile()
    {
        Fixture f;
        const QString pdf = f.path(u"out.pdf"_s);
        f.w->services.makePrinter = [pdf] { return makeQtPrinter(pdf); };
        f.load(u"a.bin"_s, pattern(6000));
        f.e->mnuPrint->trigger();
        const QByteArray out = Rig::readFile(pdf);
        QVERIFY(out.startsWith("%PDF-") && out.contains("%%EOF"));
        // More lines than a page holds continue on further pages.
        QVERIFY(out.count("/Type /Page") - out.count("/Type /Pages") >= 2);
        QVERIFY(f.box->shown.isEmpty());

        // A PDF that does not fit is reported and leaves the old one whole.
        {
            FileSizeLimit limit(out.size() / 2);
            QVERIFY(limit.active());
            f.e->mnuPrint->trigger();
        }
        QCOMPARE(Rig::readFile(pdf), out);
        QCOMPARE(f.box->shown,
                 QStringList{"Could not print:\r\n"_L1 + pdf + ": File too large"_L1});
    }
};

QTEST_MAIN(TestHexEditor)
#include "tst_hexeditor.moc"