// A scripted session on a real port (a pseudo-terminal plays the device), driven through
// the controls found by their names and the menu items by their captions. Each step waits
// for what it started (the bytes on the line, the receive panes' flush), then the transcript
// takes what the step did: the bytes on the line, the status, echo and counter boxes, both
// receive panes and how often the command let pending events run. The golden file is the
// reference; set ORVO_WRITE_GOLDEN=1 to write it anew after a deliberate change of behaviour.
#include "platform/qtcommport.h"
#include "platform/widgets/textbox.h"
#include "tests/support/fakes.h"
#include "tests/support/golden.h"
#include "tests/support/ptydevice.h"
#include "tests/support/samples.h"
#include "tests/support/testsupport.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

class Session
{
public:
    MainWindow *window = nullptr;
    Pty *pty = nullptr;
    QString folder; // written as <dir>, so the transcript does not depend on it
    QStringList out;

    template <typename T = QAbstractButton> T *named(const char *objectName) const
    {
        if (auto *w = window->findChild<T *>(QString::fromLatin1(objectName)))
            return w;
        qFatal("no control %s", objectName);
    }
    QString text(const char *objectName) const { return named<QLineEdit>(objectName)->text(); }
    QString pane(const char *name) const { return escaped(named<TextBox>(name)->text()); }
    // Both receive panes show `bytes` bytes (three characters each in hex).
    std::function<bool()> panesShow(int bytes) const
    {
        return [this, bytes] { return named<TextBox>("SerialText1")->text().size() == 3 * bytes; };
    }
    QAction *item(QMainWindow *w, const QString &menu, const QString &caption) const
    {
        for (QAction *top : w->menuBar()->actions()) {
            if (withoutMnemonic(top->text()) != menu)
                continue;
            if (!top->menu())
                return top;
            for (QAction *a : top->menu()->actions())
                if (withoutMnemonic(a->text()) == caption)
                    return a;
        }
        qFatal("no menu item %s", qPrintable(caption));
    }
    QAction *item(const QString &menu, const QString &caption = {}) const
    {
        return item(window, menu, caption);
    }

    // Runs one step, waits until the device got lineBytes bytes and `settled` holds, and
    // writes down what the step did.
    void step(
        const QString &name, int lineBytes, const std::function<void()> &action,
        const std::function<bool()> &settled = [] { return true; })
    {
        const long long before = window->session().pacer.yields();
        action();
        const long long yields = window->session().pacer.yields() - before;
        QByteArray line;
        const bool done = QTest::qWaitFor(
            [&] {
                line += pty->receive(lineBytes - line.size(), 0);
                return line.size() >= lineBytes && settled();
            },
            10000);
        out << u"== "_s + name + (done ? u""_s : u" (timed out)"_s);
        out << u"yields "_s + QString::number(yields);
        out << u"line "_s + QString::fromLatin1(line.toHex(' '));
        out << u"status \""_s + pane("txtStatus").replace(folder, u"<dir>"_s) + u"\""_s;
        out << u"echo \""_s + pane("txtSent") + u"\""_s;
        out << u"ascii \""_s + pane("SerialText") + u"\""_s;
        out << u"hex \""_s + pane("SerialText1") + u"\""_s;
        out << u"rx %1 tx %2 item %3 page %4"_s.arg(text("txtCntr"), text("txtTXCntr"),
                                                    text("Text8"), text("Text3"));
    }
};

} // namespace

class TestTranscript : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void session()
    {
        QTemporaryDir dir;
        Pty pty;
        QVERIFY(pty.isOpen());
        QVERIFY(linkComPort(1, pty.slavePath()));
        // Page 1 holds three keys; the rest of the bank is empty.
        QByteArray settings;
        for (int record = 0; record < 2000; ++record)
            settings += record == 1    ? "\"r0\"\r\n"
                        : record == 3  ? "\"41 0D\"\r\n"
                        : record == 11 ? "\"r5\"\r\n"
                                       : "\"\"\r\n";
        settings += "\"\"\r\n\"\"\r\n\"1\"\r\n9600\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n";
        writeTestFile(dir.filePath(u"Orvo_RS232_ini"_s), settings);

        Services s = testServices(dir.path());
        s.makeCommPort = [] { return makeQtCommPort(); };
        // Every file dialog answers with the same file.
        const QString file = writeTestFile(dir.filePath(u"send.bin"_s), QByteArray("x\0y", 3));
        s.makeFileDialog = [file](QWidget *) {
            auto d = std::make_unique<FakeDialog>();
            d->answer = file;
            return d;
        };
        auto box = std::make_shared<FakeMessageBox>();
        s.makeMessageBox = [box](QWidget *) { return box; };
        auto window = std::make_unique<MainWindow>(s);
        window->show();
        Session t{window.get(), &pty, dir.path(), {}};
        QTRY_VERIFY(!window->startupPageTimer()->isActive()); // the page refresh after start-up

        const auto click = [&](const char *name) { t.named(name)->click(); };
        const auto type = [&](const char *name, const QString &text) {
            t.named<QLineEdit>(name)->setText(text);
        };

        t.step(u"start"_s, 0, [] {});
        t.step(u"ascii line with CR"_s, 3, [&] {
            type("txt(0)", u"AT"_s);
            t.named<QCheckBox>("chkCR")->setChecked(true);
            click("BTNSend");
        });
        t.step(u"hex line with CR LF"_s, 5, [&] {
            click("Keyhex(0)");
            t.named<QCheckBox>("Check2")->setChecked(true);
            type("txt(1)", u"41 42 43"_s);
            click("BTNSend1");
        });
        t.step(u"key row 1 in hex"_s, 4, [&] { click("Command2(1)"); });
        t.step(u"back to ascii, key row 0"_s, 3, [&] {
            click("Keyascii(0)");
            t.named<QCheckBox>("Check2")->setChecked(false);
            click("Command2(0)");
        });
        t.step(
            u"device sends"_s, 0, [&] { pty.send(QByteArray("AB\r\n\0\xff", 6)); }, t.panesShow(6));
        t.step(u"send bank"_s, 12, [&] {
            type("txtDelay", u"1"_s);
            click("Command1");
        });
        t.step(u"clear tx, rx, status"_s, 0, [&] {
            click("Command8");
            click("Command5");
            click("Command9");
        });
        t.step(u"send file, resend it"_s, 6, [&] {
            t.item(u"File"_s, u"Send File"_s)->trigger();
            t.item(u"File"_s, u"Instant Resend Last File"_s)->trigger();
        });
        t.step(u"hex echo of a file"_s, 3, [&] {
            click("Keyhex(0)");
            t.item(u"File"_s, u"Instant Resend Last File"_s)->trigger();
            click("Keyascii(0)");
        });
        t.step(
            u"device sends again, suspended receive"_s, 0,
            [&] {
                click("cmdSuspend");
                pty.send("zz");
            },
            [&] {
                const PortConnection &port = window->session().port;
                return window->session().receive.heldBytes() + port.port()->bytesWaiting() == 2;
            });
        t.step(
            u"receive resumed"_s, 0, [&] { click("cmdSuspend"); }, t.panesShow(2));
        t.step(u"rebuild panes"_s, 0, [&] { click("cmdRebuild"); });
        t.step(u"tx suspended, line send"_s, 0, [&] {
            click("Command4");
            click("BTNSend");
            click("Command4");
        });
        t.step(u"disconnect"_s, 0, [&] { click("DisconnectButton"); });
        t.step(u"send while closed"_s, 0, [&] { click("BTNSend"); });
        t.step(u"reconnect"_s, 0, [&] { click("ConnectButton"); });
        t.step(u"silent tx, clear tx on send, send"_s, 9, [&] {
            t.item(u"Options"_s, u"Silent TX"_s)->trigger();
            t.item(u"Options"_s, u"Clear TX on Each Send"_s)->trigger();
            click("BTNSend1");
            t.item(u"Options"_s, u"Silent TX"_s)->trigger();
            t.item(u"Options"_s, u"Clear TX on Each Send"_s)->trigger();
        });
        t.item(u"Hex Editor"_s)->trigger();
        QMainWindow *editor = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->objectName() == u"frmHexEditor"_s)
                editor = qobject_cast<QMainWindow *>(w);
        QVERIFY(editor);
        t.step(u"hex editor: load rx buffer, send contents"_s, 2, [&] {
            t.item(editor, u"   File"_s, u"Load RX buffer"_s)->trigger();
            t.item(editor, u"   File"_s, u"Send Current HexEdit contents"_s)->trigger();
        });
        t.out << u"editor \""_s + escaped(editor->findChild<TextBox *>(u"Text1"_s)->text()) +
                     u"\" \""_s + escaped(editor->findChild<TextBox *>(u"Text2"_s)->text()) +
                     u"\""_s;
        QVERIFY(box->shown.isEmpty());
        window->close();
        compareWithGolden(t.out, u"transcript.txt"_s);
    }
};

QTEST_MAIN(TestTranscript)
#include "tst_transcript.moc"
