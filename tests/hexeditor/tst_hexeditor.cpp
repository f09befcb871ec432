// The hex editor's conversions, print layout and model, on a fake view, dialog, printer and
// sender: no widgets.
#include "hexeditor/hexeditormodel.h"
#include "hexeditor/hexviews.h"
#include "hexeditor/printlayout.h"
#include "platform/printer.h"
#include "terminal/byteforms.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/partsrig.h"

#include <QtTest>

#include <memory>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Records what the editor asks of the printer.
class FakePrinter : public Printer
{
public:
    bool hasPrinter = true;
    QStringList calls;
    QString failure; // endDoc() fails with this reason when set

    bool note(const QString &call) { return calls << call, true; }
    bool showPrinterDialog(const QString &title) override { return note("dialog "_L1 + title); }
    bool available() const override { return hasPrinter; }
    void setCurrentX(int twips) override { note(u"X %1"_s.arg(twips)); }
    void setCurrentY(int twips) override { note(u"Y %1"_s.arg(twips)); }
    void setFont(const QString &name, double pt) override
    {
        note(u"font %1 %2"_s.arg(name).arg(pt));
    }
    void printLine(const QString &text) override { note("line "_L1 + text); }
    bool endDoc() override { return note(u"end"_s) && failure.isEmpty(); }
    QString errorString() const override { return failure; }
};

// The main window's port as the editor's send sees it.
class FakeSender : public RecordSender
{
public:
    QByteArray written;
    void sendBytes(const QByteArray &bytes) override { written += bytes; }
};

// The editor's window as texts. A program write only stores; a user edit stores and reports
// the change, as a text box does when typed into.
class FakeHexView : public HexEditorView
{
public:
    QString hex, ascii, length = u"  LOF = 0"_s, fileName;
    bool lampRed = true;
    int font = 0;
    HexEditorModel *model = nullptr;

    // Marks each write of a view ('h', 'a') and of the font ('f'); tests point it at a trace.
    QString unseen, *trace = &unseen;

    QString hexText() const override { return hex; }
    QString asciiText() const override { return ascii; }
    void setHexText(const QString &text) override { hex = text, *trace += u'h'; }
    void setAsciiText(const QString &text) override { ascii = text, *trace += u'a'; }
    void replaceHexText(qsizetype start, qsizetype end, const QString &text) override
    {
        hex.replace(start, end - start, text), *trace += u'h';
    }
    void replaceAsciiText(qsizetype start, qsizetype end, const QString &text) override
    {
        ascii.replace(start, end - start, text), *trace += u'a';
    }
    void showLength(qint32 bytes) override { length = "  LOF = "_L1 + QString::number(bytes); }
    void showFileName(const QString &path) override { fileName = path; }
    void showAutoUpdate(bool on) override { lampRed = on; }
    void showFont(FontChoice choice) override { font = int(choice), *trace += u'f'; }

    void editHex(const QString &text) { hex = text, model->hexEdited(); }
    void editAscii(const QString &text) { ascii = text, model->asciiEdited(); }
    // Hex view, ASCII view and length label in one text.
    QString views() const { return hex + u'|' + ascii + u'|' + length; }
};

constexpr qsizetype kCapacity = HexDocument::kCapacity;

// An edit buffer of 0xEE bytes followed by 16 guard bytes, so a write past its end shows.
struct Guarded
{
    std::vector<quint8> storage = std::vector<quint8>(size_t(kCapacity) + 16, 0xEE);
    std::span<quint8> buffer() { return std::span(storage).first(size_t(kCapacity)); }
    QByteArray content(qint32 count) const { return {(const char *)storage.data(), count}; }
    QByteArray guard() const { return {(const char *)storage.data() + kCapacity, 16}; }
};

// A model wired as the main window hands it its parts (Parts: capture, record, options,
// pacer, dialog, messages), opened as the window opens it.
struct Editor : Parts
{
    FakeHexView view;
    FakeSender sender;
    FakePrinter *printer = nullptr;
    int printersMade = 0;
    CommandRunner commands;
    HexEditorModel model{view, HexEditorDeps{capture, record, sender, options, pacer, commands,
                                             fileDialog, messages, [this] {
                                                 auto p = std::make_unique<FakePrinter>();
                                                 printer = p.get();
                                                 ++printersMade;
                                                 return p;
                                             }}};

    explicit Editor(qint32 storedFont = 0)
    {
        view.model = &model;
        options.hexFont = storedFont;
        model.open();
    }

    void choose(void (HexEditorModel::*command)(), const QString &file)
    {
        fileDialog.cancel = false;
        fileDialog.answer = file;
        (model.*command)();
    }
    QString load(const QString &name, const QByteArray &bytes)
    {
        const QString file = writeFile(name, bytes);
        choose(&HexEditorModel::loadFile, file);
        return file;
    }
    QByteArray content() const { return model.document().bytes().toByteArray(); }
    // The stored byte at pos, also past the content: a pair that is no byte value keeps it.
    quint8 storedAt(int pos)
    {
        view.editHex(u"00 "_s.repeated(pos) + u"zz"_s);
        return quint8(content().at(pos));
    }
};

} // namespace

class TestHexEditor : public QObject
{
    Q_OBJECT
    std::unique_ptr<Editor> e;
    Editor &fresh(qint32 storedFont = 0) { return *(e = std::make_unique<Editor>(storedFont)); }

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
        QTest::newRow("hex line break takes a place, shifts later pairs")
            << true << "41 \r\n42 " << QByteArray("\x41\xEE\x1F");
        QTest::newRow("hex lowercase is no digit, counts -1")
            << true << "4a " << QByteArray("\x3F");
        QTest::newRow("hex zero") << true << "00 41 " << QByteArray("\0A", 2);
        QTest::newRow("hex ff and zz count, keep their byte")
            << true << "01 ff zz 02" << QByteArray("\x01\xEE\xEE\x02");
        QTest::newRow("ascii euro has no byte: ?")
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
        const QByteArray all = pattern(512); // twice, so a zero byte also follows other bytes
        Guarded g;
        QCOMPARE(g.content(hexViewToBuffer(hexForms(all), g.buffer())), all);
        g.buffer()[0] = 0x99;
        QCOMPARE(g.content(asciiViewToBuffer(asciiForms(all), g.buffer())), all);
    }

    void textLongerThanTheBufferIsRefused()
    {
        // One pair, or one byte of the ASCII view, more than the buffer holds.
        Guarded g;
        const QString hexFull = hexForms(QByteArray(kCapacity - 1, 'A')) + u'4';
        QCOMPARE(hexViewToBuffer(hexFull + u" 42"_s, g.buffer()), -1);
        const QString asciiFull = QString(kCapacity - 1, u'<') + QStringLiteral("<0>");
        QCOMPARE(asciiViewToBuffer(asciiFull + u'x', g.buffer()), -1);
        QCOMPARE(g.content(kCapacity + 16), QByteArray(kCapacity + 16, '\xEE'));

        // Exactly full: a lone last digit, a closing marker.
        QCOMPARE(hexViewToBuffer(hexFull, g.buffer()), qint32(kCapacity));
        QCOMPARE(g.buffer().back(), quint8(4));
        QCOMPARE(asciiViewToBuffer(asciiFull, g.buffer()), qint32(kCapacity));
        QCOMPARE(g.buffer().back(), quint8(0));
        QCOMPARE(g.guard(), QByteArray(16, '\xEE'));

        // The document holds a full view.
        QCOMPARE(std::make_unique<HexDocument>()->readAsciiView(asciiFull).value_or(-1),
                 qint32(kCapacity));
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

    // The stored font choice at opening: 0 becomes small; a value out of range shows none.
    void fontChoices()
    {
        for (const auto &[stored, shown, kept] : {std::tuple{0, 1, 1}, {3, 3, 3}, {7, 0, 7}}) {
            Editor &f = fresh(stored);
            QCOMPARE(std::pair(f.view.font, f.options.hexFont), std::pair(shown, kept));
            QCOMPARE(f.pacer.trace, QString());
        }
        Editor &f = fresh();
        f.view.trace = &f.pacer.trace;
        f.model.chooseFont(FontChoice::Medium);
        f.model.chooseFont(FontChoice::Medium); // choosing it again keeps it
        QCOMPARE(std::pair(f.view.font, f.options.hexFont), std::pair(2, 2));
        QCOMPARE(f.pacer.trace, u"fyfy"_s); // each choice shows the font, then lets events run
    }

    void viewsFollowEachOther()
    {
        Editor &f = fresh();
        // A conversion writes the other view ('h', 'a') before it lets events run ('y').
        f.view.trace = &f.pacer.trace;
        f.view.editAscii(u"A<0>B"_s);
        QCOMPARE(f.view.views(), u"41 00 42 |A<0>B|  LOF = 3"_s);
        // The typed hex text stays as typed; only the ASCII view is rebuilt.
        f.view.editHex(u"41 00 42 4"_s);
        QCOMPARE(f.view.views(), u"41 00 42 4|A<0>B\x04|  LOF = 4"_s);
        QCOMPARE(std::exchange(f.pacer.trace, {}), u"hyay"_s);

        // Auto update off: nothing converts until an arrow is clicked; edits still yield.
        f.model.toggleAutoUpdate();
        QVERIFY(!f.view.lampRed && !f.model.autoUpdate());
        f.view.editAscii(u"xy"_s);
        f.view.editHex(u"43 "_s);
        QCOMPARE(f.content(), QByteArray("A\0B\x04", 4));
        QCOMPARE(f.view.views(), u"43 |xy|  LOF = 4"_s);
        f.model.convertHexToAscii(); // ">" yields once
        QCOMPARE(f.view.views(), u"43 |C|  LOF = 1"_s);
        f.view.ascii = u"DE"_s;
        f.model.convertAsciiToHex(); // "<" does not
        QCOMPARE(f.view.views(), u"44 45 |DE|  LOF = 2"_s);
        QCOMPARE(f.pacer.trace, u"yyayh"_s);
        f.model.toggleAutoUpdate();
        QVERIFY(f.view.lampRed && f.model.autoUpdate());
    }

    void everyByteValueThroughFileAndViews()
    {
        Editor &f = fresh();
        const QByteArray all = pattern(512);
        const QString source = f.load(u"all.bin"_s, all);
        QCOMPARE(f.fileDialog.requests.last().filter, u"Text Files  *.txt |*.txt;|*.*|*.*"_s);
        QCOMPARE(f.content(), all);
        QCOMPARE(f.view.views() + f.view.fileName,
                 hexForms(all) + u'|' + asciiForms(all) + "|  LOF = 512"_L1 + source);
        const QString copy = f.writeFile(u"copy.bin"_s, "old");
        f.choose(&HexEditorModel::saveFile, copy);
        QCOMPARE(Parts::readFile(copy), all);

        // An empty file gives empty views; saving nothing empties the chosen file.
        f.load(u"empty.bin"_s, {});
        QCOMPARE(f.view.views(), u"||  LOF = 0"_s);
        f.choose(&HexEditorModel::saveFile, copy);
        QCOMPARE(Parts::readFile(copy), QByteArray());
        QVERIFY(f.messages.shown.isEmpty());
    }

    void theBufferLimitHolds()
    {
        Editor &f = fresh();
        const QString small = f.load(u"small.bin"_s, "AB");
        // One byte more than the buffer: the file is refused, nothing changes.
        const QString big = f.load(u"big.bin"_s, pattern(int(kCapacity) + 1));
        QCOMPARE(f.messages.shown, QStringList("The file "_L1 + big +
                                               " holds 512002 bytes, more than the 512001 bytes "
                                               "the hex editor holds. It was not loaded."_L1));
        QCOMPARE(f.view.views(), u"41 42 |AB|  LOF = 2"_s);
        QCOMPARE(f.view.fileName + f.model.fileName(), small + small);

        // A full buffer loads; a key typed or a text pasted into either view past it is
        // undone with one message each.
        const QByteArray full = pattern(int(kCapacity));
        f.load(u"full.bin"_s, full);
        const QString fullViews = f.view.views();
        QVERIFY(fullViews.endsWith(u"|  LOF = 512001"_s));
        f.messages.shown.clear();
        f.view.editHex(f.view.hex + u"4"_s);
        QCOMPARE(f.view.views(), fullViews);
        f.view.editAscii(u"xy"_s + f.view.ascii);
        QCOMPARE(f.view.views(), fullViews);
        QCOMPARE(f.content(), full);
        QCOMPARE(
            f.messages.shown,
            QStringList(2, u"The hex editor holds at most 512001 bytes. The edit was undone."_s));
    }

    // An edit made while a conversion yields is converted once the conversion has ended.
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
        FakeHexView &v = fresh().view;
        v.editAscii(u"B"_s);
        // Runs in the first conversion's yield.
        e->pacer.at[2] = [&] {
            if (thenInHex)
                v.editHex(v.hex + u"3"_s);
            else
                v.editAscii(v.ascii + u"D"_s);
        };
        if (firstInHex)
            v.editHex(v.hex + u"4"_s);
        else
            v.editAscii(v.ascii + u"C"_s);
        QCOMPARE(v.views(), views);
        QCOMPARE(v.ascii, asciiForms(e->content()));
        QCOMPARE(e->pacer.trace, u"yyy"_s);
    }

    // Random keystrokes and pastes in either view, at the ends and anywhere between: each
    // leaves the bytes and the other view exactly as converting the whole view does.
    void editsConvertAsTheWholeView()
    {
        Editor &f = fresh();
        std::mt19937 gen(13);
        const auto pick = [&gen](qsizetype n) { return qsizetype(gen() % quint32(n + 1)); };
        // Markers, their parts and digits most often, so that edits make and break them.
        const QString chars = u"<0>0<>0A9F 4a\r\x00\u20AC"_s;
        QByteArray start(600, 0);
        for (char &c : start)
            c = "\0<0>A\xFF"[gen() % 6];
        f.load(u"start.bin"_s, start);
        auto reference = std::make_unique<HexDocument>();
        reference->setContent(start);
        for (int i = 0; i < 3000; ++i) {
            const bool inHex = gen() % 2;
            QString text = inHex ? f.view.hex : f.view.ascii;
            const qsizetype at =
                std::array{qsizetype(0), text.size(), pick(text.size())}[gen() % 3];
            QString typed;
            for (qsizetype n = gen() % 4; n >= 0; --n)
                typed += chars.at(pick(chars.size() - 1));
            // Insert, delete or replace; a pair typed over in the hex view keeps its place.
            const qsizetype removed =
                std::min(text.size() - at, pick(typed.size() + 1) * qsizetype(gen() % 2));
            text.replace(at, removed, typed);
            QString expected;
            if (inHex) {
                f.view.editHex(text);
                QVERIFY(reference->readHexView(text));
                expected = text + u'|' + reference->asciiView();
            } else {
                f.view.editAscii(text);
                QVERIFY(reference->readAsciiView(text));
                expected = reference->hexView() + u'|' + text;
            }
            QCOMPARE(f.view.hex + u'|' + f.view.ascii, expected);
            QCOMPARE(f.content(), reference->bytes().toByteArray());
        }
        QVERIFY(f.messages.shown.isEmpty());
    }

    void cancelAndFailuresChangeNothing()
    {
        Editor &f = fresh();
        const QString file = f.load(u"a.bin"_s, pattern(5000));
        f.fileDialog.cancel = true;
        f.model.loadFile();
        f.model.saveFile();
        QVERIFY(f.messages.shown.isEmpty());
        const QString missing = f.path(u"missing.bin"_s), fifo = f.fifo(u"fifo"_s);
        for (const QString &unreadable : {missing, fifo}) // cannot be read, and says so at once
            f.choose(&HexEditorModel::loadFile, unreadable);
        QCOMPARE(f.view.fileName + f.model.fileName(), file + file);
        QCOMPARE(f.messages.shown.takeFirst(),
                 "Could not read "_L1 + missing + ":\r\nNo such file or directory"_L1);
        QCOMPARE(f.messages.shown.takeFirst(),
                 "Could not read "_L1 + fifo + ":\r\nNot a regular file"_L1);

        // A save that fails halfway (file size limit, which binds root too).
        const QString old = f.writeFile(u"old.bin"_s, "old");
        {
            FileSizeLimit limit(1000);
            QVERIFY(limit.active());
            f.choose(&HexEditorModel::saveFile, old);
        }
        QCOMPARE(Parts::readFile(old), QByteArray("old"));
        QCOMPARE(Parts::readFile(file), pattern(5000));
        QCOMPARE(f.content(), pattern(5000));
        // ... and says so, naming the file and the reason; so does a folder that is gone.
        const QString gone = f.path(u"gone/a.bin"_s);
        f.choose(&HexEditorModel::saveFile, gone);
        QCOMPARE(f.messages.shown,
                 QStringList({"Could not save "_L1 + old + ":\r\nFile too large"_L1,
                              "Could not save "_L1 + gone + ":\r\nNo such file or directory"_L1}));
    }

    void recordsSendAndClear()
    {
        Editor &f = fresh();
        const QString file = f.load(u"a.bin"_s, pattern(3000));
        // A send longer than the record: the first 2511 bytes are stored, all are sent.
        f.model.sendContents();
        QCOMPARE(f.record.count(), 3000);
        QCOMPARE(f.record.stored().toByteArray(), pattern(2511));
        QCOMPARE(f.sender.written, pattern(3000));
        QCOMPARE(f.content(), pattern(3000));

        f.model.loadRxCapture(); // nothing received
        QCOMPARE(f.view.views(), u"||  LOF = 0"_s);
        QCOMPARE(f.storedAt(100), quint8(0)); // cleared in full
        f.capture.store(QByteArrayView("A\0\t", 3));
        f.model.loadRxCapture();
        QCOMPARE(f.view.views(), u"41 00 09 |A<0>\t|  LOF = 3"_s);
        f.model.clear();
        QCOMPARE(f.view.views(), u"||  LOF = 0"_s);
        QCOMPARE(f.storedAt(0), quint8(0));

        f.model.loadTxRecord();
        QCOMPARE(f.content(), pattern(2511));
        QCOMPARE(f.view.length, u"  LOF = 2511"_s);
        f.record.setCount(-1);
        f.model.loadTxRecord();
        QCOMPARE(f.view.views(), u"||  LOF = 0"_s);
        // Sending nothing sends nothing and empties the record.
        f.model.sendContents();
        QCOMPARE(f.record.count(), 0);
        QCOMPARE(f.sender.written.size(), 3000);
        // The loads, the clear and the sends all keep the file name.
        QCOMPARE(f.view.fileName + f.model.fileName(), file + file);
    }

    void printAllPrintsBothViewsAsTyped()
    {
        Editor &f = fresh();
        f.view.editAscii(u"AB"_s);
        f.model.toggleAutoUpdate();
        f.view.editHex(u"41 42 43 "_s); // not converted
        f.model.pageSetup();
        f.model.printAll();
        QCOMPARE(f.printer->calls, QStringList({"dialog Page Setup", "X -1000", "Y 4000",
                                                "line \r\n", "font Courier 10", "line   41 42 43 ",
                                                "line \r\n", "line   AB", "line \r\n", "end"}));
        QCOMPARE(f.content(), QByteArray("AB"));

        QVERIFY(f.messages.shown.isEmpty());
        // A printer that fails is reported.
        f.printer->failure = u"out of paper"_s;
        f.model.printAll();
        QCOMPARE(f.messages.shown, QStringList{u"Could not print:\r\nout of paper"_s});

        // No printer: nothing is shown or printed.
        f.printer->hasPrinter = false;
        f.printer->calls.clear();
        f.model.pageSetup();
        f.model.printAll();
        QVERIFY(f.printer->calls.isEmpty());
        QCOMPARE(f.messages.shown.size(), 1);
        QCOMPARE(f.printersMade, 1); // made on first use and kept
    }
};

QTEST_GUILESS_MAIN(TestHexEditor)
#include "tst_hexeditor.moc"
