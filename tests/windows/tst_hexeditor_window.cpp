// The hex editor window bound to its model and to the main window: typed edits, the send
// through the real port, help, printing and closing while a dialog is open.
#include "hexeditor/hexdocument.h"
#include "platform/printer.h"
#include "platform/qtcommport.h"
#include "platform/widgets/lamp.h"
#include "platform/widgets/qtfiledialog.h"
#include "platform/widgets/qtmessagebox.h"
#include "platform/widgets/qtprinter.h"
#include "platform/widgets/textbox.h"
#include "tests/support/fakecommport.h"
#include "tests/support/fakes.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/ptydevice.h"
#include "tests/support/samples.h"
#include "tests/support/testsupport.h"
#include "windows/hexeditorwindow.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// A printer whose dialog is a real modal dialog, on the stack as any dialog may be.
class DialogPrinter : public Printer
{
public:
    bool showPrinterDialog(const QString &) override
    {
        return QDialog().exec() == QDialog::Accepted;
    }
    bool available() const override { return true; }
    void setCurrentX(int) override {}
    void setCurrentY(int) override {}
    void setFont(const QString &, double) override {}
    void printLine(const QString &) override {}
    bool endDoc() override { return true; }
    QString errorString() const override { return {}; }
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

// A main window on a fake port and fake dialogs, with its files in a temporary folder;
// tests change the services before open().
struct Fixture
{
    QTemporaryDir dir;
    Services services = testServices(dir.path());
    std::shared_ptr<FakeMessageBox> box =
        std::static_pointer_cast<FakeMessageBox>(services.makeMessageBox(nullptr));
    std::unique_ptr<MainWindow> w;
    QPointer<HexEditorWindow> e;

    Fixture()
    {
        QStandardPaths::setTestModeEnabled(true);
        services.makeCommPort = [] { return std::make_unique<FakeCommPort>(); };
    }
    void open()
    {
        w = std::make_unique<MainWindow>(services);
        w->showHexEditor();
        e = w->hexEditorWindow();
    }
    // The editor's content taken from the capture, as "Load RX buffer" does.
    void loadCaptured(const QByteArray &bytes)
    {
        w->session().capture.store(bytes);
        e->ui.loadRxCaptureAction->trigger();
    }
    QByteArray content() const { return e->model().document().bytes().toByteArray(); }
    // Hex view, ASCII view and length label in one text.
    QString views() const
    {
        return e->ui.hexPane->text() + u'|' + e->ui.asciiPane->text() + u'|' +
               e->ui.lengthLabel->text();
    }
    QString path(const QString &name) const { return dir.filePath(name); }
};

} // namespace

class TestHexEditorWindow : public QObject
{
    Q_OBJECT
private slots:
    void viewsFollowEachOther()
    {
        Fixture f;
        f.open();
        QCOMPARE(f.e->ui.hexPane->font().pointSizeF(), 8.0); // not chosen yet: small
        f.e->ui.fontMediumAction->trigger();
        f.e->ui.fontMediumAction->trigger(); // choosing it again keeps the mark
        QVERIFY(f.e->ui.fontMediumAction->isChecked() && !f.e->ui.fontSmallAction->isChecked());
        QCOMPARE(f.e->ui.asciiPane->font().pointSizeF(), 10.0);
        QCOMPARE(f.w->session().options.hexFont, 2);

        f.e->ui.asciiPane->setText(u"A<0>B"_s);
        QCOMPARE(f.views(), u"41 00 42 |A<0>B|  LOF = 3"_s);
        // The typed hex text stays as typed; only the ASCII view is rebuilt.
        f.e->ui.hexPane->setFocus();
        f.e->ui.hexPane->setSelStart(f.e->ui.hexPane->length());
        QTest::keyClick(f.e->ui.hexPane, Qt::Key_4);
        QCOMPARE(f.views(), u"41 00 42 4|A<0>B\x04|  LOF = 4"_s);

        // Auto update off: nothing converts until an arrow is clicked.
        QTest::mouseClick(f.e->ui.autoUpdateButton, Qt::LeftButton);
        QCOMPARE(f.e->ui.autoUpdateLamp->color(), QColor(255, 255, 255));
        f.e->ui.hexPane->setText(u"43 "_s);
        QCOMPARE(f.views(), u"43 |A<0>B\x04|  LOF = 4"_s);
        QTest::mouseClick(f.e->ui.hexToAsciiButton, Qt::LeftButton);
        QCOMPARE(f.views(), u"43 |C|  LOF = 1"_s);
        QTest::mouseClick(f.e->ui.autoUpdateButton, Qt::LeftButton);
        QCOMPARE(f.e->ui.autoUpdateLamp->color(), QColor(255, 0, 0));

        // The panes give back their text exactly, CR and CR LF included.
        const QByteArray all = pattern(512);
        f.loadCaptured(all);
        QCOMPARE(f.content(), all);
        QTest::mouseClick(f.e->ui.asciiToHexButton, Qt::LeftButton);
        QTest::mouseClick(f.e->ui.hexToAsciiButton, Qt::LeftButton);
        QCOMPARE(f.content(), all);
    }

    // Keys in either view of a large buffer, some while the other view still shows part of
    // an earlier change: both views are what a conversion from scratch gives, and once
    // events ran both show all of their text.
    void keysInALargeBufferGiveTheFullConversion()
    {
        Fixture f;
        f.open();
        f.loadCaptured(pattern(99998)); // as much as the capture holds
        QRandomGenerator rng(512);
        TextBox *hex = f.e->ui.hexPane, *ascii = f.e->ui.asciiPane;
        // The ASCII view gets the first three, the hex view the last five.
        const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_A,
                                Qt::Key_7,      Qt::Key_Space,     Qt::Key_Delete};
        for (int step = 0; step < 40; ++step) {
            const bool inHex = rng.bounded(2);
            TextBox *box = inHex ? hex : ascii;
            box->setFocus();
            box->setSelStart(rng.bounded(int(box->length()) + 1));
            // The whole view read into the bytes as they were (a hex pair that is no byte
            // value keeps the byte at its place).
            auto scratch = std::make_unique<HexDocument>(f.e->model().document());
            QTest::keyClick(box, keys[inHex ? 1 + rng.bounded(5) : rng.bounded(3)]);
            if (inHex) {
                QVERIFY(scratch->readHexView(hex->text()));
                QCOMPARE(ascii->text(), scratch->asciiView());
            } else {
                QVERIFY(scratch->readAsciiView(ascii->text()));
                QCOMPARE(hex->text(), scratch->hexView());
            }
            QCOMPARE(f.content(), scratch->bytes().toByteArray());
            if (step % 5 == 4)
                QTRY_VERIFY(hex->displayMatchesText() && ascii->displayMatchesText());
        }
    }

    // The ASCII view shows a character without a byte of its own as the "?" it becomes,
    // whether typed or pasted.
    void asciiViewShowsItsBytes()
    {
        const QString typed = QString::fromUtf8("\u20AC\u00FC");
        for (bool paste : {false, true}) {
            Fixture f;
            f.open();
            f.e->ui.asciiPane->setText(u"A"_s);
            f.e->ui.asciiPane->setSelStart(1);
            if (paste) {
                QGuiApplication::clipboard()->setText(typed);
                f.e->ui.asciiPane->paste();
            } else {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
                QApplication::sendEvent(f.e->ui.asciiPane, &press);
            }
            QCOMPARE(f.views(), u"41 3F FC |A?\u00FC|  LOF = 3"_s);
            QCOMPARE(f.content(), QByteArray("A?\xFC"));
        }
    }

    // The editor's send through the real port: all 3000 bytes go out and are counted; the
    // record keeps the 2511 that fit.
    void sendGoesOutThroughAPty()
    {
        Fixture f;
        Pty pty;
        QVERIFY(pty.isOpen() && linkComPort(1, pty.slavePath()));
        f.services.makeCommPort = [] { return makeQtCommPort(); };
        f.open();
        QVERIFY(f.w->session().port.port()->isOpen());
        const QByteArray data = pattern(3000);
        f.loadCaptured(data);
        QByteArray got;
        std::thread device([&] { got = pty.receive(3000); });
        f.e->ui.sendContentsAction->trigger();
        f.w->ui.disconnectButton->click(); // lets the port's queue drain
        device.join();
        QVERIFY(got == data);
        QCOMPARE(f.w->ui.txCountBox->text(), u"3000"_s);
        f.e->ui.loadTxRecordAction->trigger();
        QCOMPARE(f.content(), data.left(2511));
    }

    void helpOpensTheMainWindowsHelp()
    {
        Fixture f;
        f.open();
        QSignalSpy asked(f.e.data(), &HexEditorWindow::helpRequested);
        f.e->ui.helpAction->trigger();
        QCOMPARE(asked.size(), 1);
        QVERIFY(f.w->helpWindow() && f.w->helpWindow()->isVisible());
        delete f.w->helpWindow(); // a window of its own: it would outlive the main window
    }

    void printsToAPdfFile()
    {
        Fixture f;
        const QString pdf = f.path(u"out.pdf"_s);
        f.services.makePrinter = [pdf](QWidget *parent) { return makeQtPrinter(parent, pdf); };
        f.open();
        f.loadCaptured(pattern(6000));
        f.e->ui.printAllAction->trigger();
        const QByteArray out = readTestFile(pdf);
        QVERIFY(out.startsWith("%PDF-") && out.contains("%%EOF"));
        // More lines than a page holds continue on further pages.
        QVERIFY(out.count("/Type /Page") - out.count("/Type /Pages") >= 2);
        QVERIFY(f.box->shown.isEmpty());

        // A PDF that does not fit is reported and leaves the old one whole.
        {
            FileSizeLimit limit(out.size() / 2);
            QVERIFY(limit.active());
            f.e->ui.printAllAction->trigger();
        }
        QCOMPARE(readTestFile(pdf), out);
        QCOMPARE(f.box->shown,
                 QStringList{"Could not print:\r\n"_L1 + pdf + ": File too large"_L1});
    }

    // Closing the main window while the editor or the main window waits in a dialog ends
    // the dialog, saves the settings, deletes the editor only after its command and lets
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
        if (opens == 0 || opens == 3)
            f.services.makeFileDialog = makeQtFileDialog;
        else if (opens == 1)
            f.services.makePrinter = [](QWidget *) { return std::make_unique<DialogPrinter>(); };
        else {
            f.services.makeMessageBox = [](QWidget *parent) {
                return std::make_shared<QtMessageBox>(parent);
            };
            const QString big = writeTestFile(f.path(u"big.bin"_s), pattern(512001 + 1));
            f.services.makeFileDialog = [big](QWidget *) {
                auto d = std::make_unique<FakeDialog>();
                d->answer = big;
                return d;
            };
        }
        f.open();
        QAction *command = opens == 1   ? f.e->ui.pageSetupAction
                           : opens == 3 ? f.w->ui.loadProjectAction
                                        : f.e->ui.loadFileAction;
        f.w->show();
        const QString settings = f.path(u"Orvo_RS232_ini"_s);
        QVERIFY(!QFile::exists(settings));
        QString seen;
        closeInsideDialog(f.w.get(), &seen);
        // In the program's event loop, which ends once the last window has closed.
        QTimer::singleShot(0, f.e, [command] { command->trigger(); });
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(seen, dialog);
        QVERIFY(!f.w->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(QFile::exists(settings));
        QVERIFY(f.e.isNull());
    }
};

QTEST_MAIN(TestHexEditorWindow)
#include "tst_hexeditor_window.moc"
