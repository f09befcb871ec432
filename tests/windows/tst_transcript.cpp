// A scripted session on a real port (a pseudo-terminal plays the device), driven through
// the widgets found by their place on the window, their captions and the menu, so that it
// names no member of the program. After each step the transcript takes what the step did:
// the bytes on the line, the status, echo and counter boxes, both receive panes and how
// often the command let pending events run. The golden file is the reference; set
// ORVO_WRITE_GOLDEN=1 to write it anew after a deliberate change of behaviour.
#include "platform/qtcommport.h"
#include "platform/widgets/textbox.h"
#include "platform/widgets/twips.h"
#include "tests/support/fakes.h"
#include "tests/support/golden.h"
#include "tests/support/ptydevice.h"
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

QString escaped(QString text)
{
    return text.replace(u'\\', u"\\\\"_s).replace(u'\r', u"\\r"_s).replace(u'\n', u"\\n"_s);
}

class Session
{
public:
    MainWindow *window = nullptr;
    Pty *pty = nullptr;
    QString folder; // written as <dir>, so the transcript does not depend on it
    QStringList out;

    // A child of the client area by its design position in twips.
    template <typename T> T *at(int left, int top) const
    {
        for (QObject *o : window->ui.clientArea->children())
            if (auto *w = qobject_cast<T *>(o); w && w->pos() == QPoint(px(left), px(top)))
                return w;
        qFatal("no widget at %d,%d", left, top);
    }
    TextBox *pane(const char *objectName) const
    {
        return window->findChild<TextBox *>(QString::fromLatin1(objectName));
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

    // Runs one step and writes down what it did.
    void step(const QString &name, const std::function<void()> &action)
    {
        const long long before = window->session().pacer.yields();
        action();
        const long long yields = window->session().pacer.yields() - before;
        QTest::qWait(300); // the pane flush and the device's reading
        out << u"== "_s + name;
        out << u"yields "_s + QString::number(yields);
        out << u"line "_s + QString::fromLatin1(pty->receive(1 << 20, 300).toHex(' '));
        out << u"status \""_s + escaped(pane("txtStatus")->text()).replace(folder, u"<dir>"_s) +
                   u"\""_s;
        out << u"echo \""_s + escaped(pane("txtSent")->text()) + u"\""_s;
        out << u"ascii \""_s + escaped(pane("SerialText")->text()) + u"\""_s;
        out << u"hex \""_s + pane("SerialText1")->text() + u"\""_s;
        out << u"rx %1 tx %2 item %3 page %4"_s.arg(
            at<QLineEdit>(960, 8280)->text(), at<QLineEdit>(960, 8720)->text(),
            at<QLineEdit>(8760, 480)->text(), at<QLineEdit>(8760, 840)->text());
    }
};

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

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
        writeFile(dir.filePath(u"Orvo_RS232_ini"_s), settings);

        Services s = testServices(dir.path());
        s.makeCommPort = [] { return makeQtCommPort(); };
        // Every file dialog answers with the same file.
        const QString file = writeFile(dir.filePath(u"send.bin"_s), QByteArray("x\0y", 3));
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
        QTest::qWait(300); // the page refresh after start-up

        const auto click = [&](int left, int top) { t.at<QAbstractButton>(left, top)->click(); };
        const auto type = [&](int left, int top, const QString &text) {
            t.at<QLineEdit>(left, top)->setText(text);
        };

        t.step(u"start"_s, [] {});
        t.step(u"ascii line with CR"_s, [&] {
            type(240, 480, u"AT"_s);
            t.at<QCheckBox>(4800, 120)->setChecked(true);
            click(1800, 480);
        });
        t.step(u"hex line with CR LF"_s, [&] {
            click(5880, 600);
            t.at<QCheckBox>(4800, 480)->setChecked(true);
            type(240, 840, u"41 42 43"_s);
            click(1800, 840);
        });
        t.step(u"key row 1 in hex"_s, [&] { click(4920, 1440 + 360); });
        t.step(u"back to ascii, key row 0"_s, [&] {
            click(5880, 120);
            t.at<QCheckBox>(4800, 480)->setChecked(false);
            click(4920, 1440);
        });
        t.step(u"device sends"_s, [&] { pty.send(QByteArray("AB\r\n\0\xff", 6)); });
        t.step(u"send bank"_s, [&] {
            type(8520, 120, u"1"_s);
            click(9240, 120);
        });
        t.step(u"clear tx, rx, status"_s, [&] {
            click(3000, 8670);
            click(3000, 8320);
            click(4800, 8640);
        });
        t.step(u"send file, resend it"_s, [&] {
            t.item(u"File"_s, u"Send File"_s)->trigger();
            t.item(u"File"_s, u"Instant Resend Last File"_s)->trigger();
        });
        t.step(u"hex echo of a file"_s, [&] {
            click(5880, 600);
            t.item(u"File"_s, u"Instant Resend Last File"_s)->trigger();
            click(5880, 120);
        });
        t.step(u"device sends again, suspended receive"_s, [&] {
            click(2040, 8320);
            pty.send("zz");
        });
        t.step(u"receive resumed"_s, [&] { click(2040, 8320); });
        t.step(u"rebuild panes"_s, [&] { click(120, 1320); });
        t.step(u"tx suspended, line send"_s, [&] {
            click(2040, 8670);
            click(1800, 480);
            click(2040, 8670);
        });
        t.step(u"disconnect"_s, [&] { click(3360, 600); });
        t.step(u"send while closed"_s, [&] { click(1800, 480); });
        t.step(u"reconnect"_s, [&] { click(3360, 120); });
        t.step(u"silent tx, clear tx on send, send"_s, [&] {
            t.item(u"Options"_s, u"Silent TX"_s)->trigger();
            t.item(u"Options"_s, u"Clear TX on Each Send"_s)->trigger();
            click(1800, 840);
            t.item(u"Options"_s, u"Silent TX"_s)->trigger();
            t.item(u"Options"_s, u"Clear TX on Each Send"_s)->trigger();
        });
        t.item(u"Hex Editor"_s)->trigger();
        QMainWindow *editor = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == u"Hex Editor"_s)
                editor = qobject_cast<QMainWindow *>(w);
        QVERIFY(editor);
        t.step(u"hex editor: load rx buffer, send contents"_s, [&] {
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
