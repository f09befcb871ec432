// The main window's start-up from the settings file and its close: boxes, fonts and check
// marks filled at start, the file written back at close, and what happens when that fails.
#include "platform/eventlooppacer.h"
#include "platform/qtcommport.h"
#include "platform/savefile.h"
#include "platform/widgets/lamp.h"
#include "platform/widgets/textbox.h"
#include "tests/support/fakecommport.h"
#include "tests/support/fakes.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/ptydevice.h"
#include "tests/support/samples.h"
#include "tests/support/testsupport.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Standard error caught in a file while it lives.
struct StderrCapture
{
    QTemporaryFile file;
    int saved = file.open() && std::fflush(stderr) == 0 ? ::dup(2) : -1;
    bool caught = saved >= 0 && ::dup2(file.handle(), 2) >= 0;

    ~StderrCapture() { text(); }
    QByteArray text()
    {
        if (saved >= 0) {
            std::fflush(stderr);
            ::dup2(saved, 2);
            ::close(std::exchange(saved, -1));
        }
        return caught && file.seek(0) ? file.readAll() : QByteArray("<uncaught>");
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::shared_ptr<FakeMessageBox> messages;

    // A folder of its own, which the first save creates.
    QString path() const { return dir->filePath(QStringLiteral("cfg/Orvo_RS232_ini")); }
    void putFile(const QByteArray &bytes)
    {
        QDir().mkpath(dir->filePath(QStringLiteral("cfg")));
        QVERIFY(writeFileSafely(path(), bytes));
    }
    QByteArray fileBytes() const { return readWholeFile(path()).value_or("<missing>"); }
    std::unique_ptr<MainWindow> open(bool realPort = false)
    {
        Services s = testServices(dir->path());
        s.settingsPath = path();
        s.makeCommPort = [realPort]() -> std::unique_ptr<CommPort> {
            return realPort ? makeQtCommPort() : std::make_unique<FakeCommPort>();
        };
        s.makeMessageBox = [box = messages](QWidget *) { return box; };
        return std::make_unique<MainWindow>(s);
    }
    static CommPort *port(MainWindow &w) { return w.session().port.port(); }
    static FakeCommPort *fake(MainWindow &w) { return static_cast<FakeCommPort *>(port(w)); }
    static bool closing(MainWindow &w) { return w.session().pacer.closing(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        messages = std::make_shared<FakeMessageBox>();
    }

    void firstRunUsesDefaultsAndWritesThem()
    {
        auto w = open();
        QCOMPARE(w->ui.clientArea->size(), QSize(723, 699));
        QCOMPARE(w->ui.comNumberBox->text(), QStringLiteral("1"));
        QCOMPARE(fake(*w)->settings, PortSettings{});
        QCOMPARE(w->ui.connectLamp->color(), QColor(255, 0, 0));
        // The numbers as typed, by their numeric prefix, without the range rules.
        w->ui.baudRateBox->setText(QStringLiteral("100.5 baud"));
        w->ui.comNumberBox->setText(QStringLiteral("40"));
        w->close();
        QVERIFY(!port(*w)->isOpen());
        QCOMPARE(fileBytes(), emptyTexts(2003) + "100\r\n40\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
    }

    void startUpFillsBoxesFontsAndMarks()
    {
        putFile(fullFile());
        auto w = open();
        QCOMPARE(w->ui.keyDescriptionBoxes[0]->text(), QStringLiteral("desc 1/0"));
        QCOMPARE(w->ui.sendLineBoxes[0]->text(), QStringLiteral("tx zero"));
        QCOMPARE(w->ui.sendLineBoxes[1]->text(), QStringLiteral("tx, one"));
        QCOMPARE(fake(*w)->address.com, 7);
        QCOMPARE(fake(*w)->settings, PortSettings{.baud = 57600});
        QCOMPARE(w->ui.baudRateBox->text(), QStringLiteral("57600"));
        QCOMPARE(w->ui.rxHexPane->font().pointSizeF(), 22.0);
        QCOMPARE(w->ui.txEchoPane->font().pointSizeF(), 22.0);
        QVERIFY(w->ui.fontLargeAction->isChecked());
        QVERIFY(w->ui.autoScrollAction->isChecked());
        QCOMPARE(w->session().options.silentCapture, 2);
        QVERIFY(!w->ui.silentCaptureAction->isChecked()); // only 1 checks the item
        QCOMPARE(w->session().options.hexFont, 2);
        QVERIFY(w->ui.clearTxOnSendAction->isChecked());
        QVERIFY(w->ui.silentTxAction->isChecked());
        w->close();
        QCOMPARE(fileBytes(), fullFile());
    }

    // The font choice sets the panes' size; an unknown one leaves the design's font and
    // check mark. (The baud and port rules: tst_settings rangeRulesAtStartUp.)
    void fontAtStartUp_data()
    {
        QTest::addColumn<QByteArray>("numbers");
        QTest::addColumn<double>("points");
        QTest::newRow("2") << QByteArray("110\r\n16\r\n2") << 14.0;
        QTest::newRow("3") << QByteArray("116000\r\n1\r\n3") << 22.0;
        QTest::newRow("0 is the first") << QByteArray("109\r\n0\r\n0") << 10.0;
        QTest::newRow("4 is none") << QByteArray("116001\r\n17\r\n4") << 8.25;
    }
    void fontAtStartUp()
    {
        QFETCH(QByteArray, numbers);
        QFETCH(double, points);
        putFile(emptyTexts(2003) + numbers + "\r\n");
        auto w = open();
        QCOMPARE(w->ui.rxAsciiPane->font().pointSizeF(), points);
        QCOMPARE(w->ui.fontSmallAction->isChecked(), points == 10.0 || points == 8.25);
    }

    // A settings file that exists but cannot be read (here a folder in its place) is named
    // once at start and never overwritten, so the send keys it may hold are not lost.
    void unreadableFileIsReportedAndKept()
    {
        QVERIFY(QDir().mkpath(path()));
        auto w = open();
        QCOMPARE(w->ui.statusPane->text(),
                 "Cannot read settings file "_L1 + path() +
                     ": file to open is a directory. It will not be overwritten.\r\n"_L1);
        w->close();
        QVERIFY(closing(*w) && !port(*w)->isOpen());
        QVERIFY(messages->asked.isEmpty() && messages->shown.isEmpty());
        QVERIFY(QFileInfo(path()).isDir());
        // A file that is merely missing is a first run: nothing to say.
        QDir(path()).removeRecursively();
        QVERIFY(open()->ui.statusPane->text().isEmpty());
    }

    // A failed write at close (full or read-only config folder) keeps the old file and no
    // stray file, and asks; No keeps the window and the port for another try after making
    // room; a close meanwhile (a click, SIGTERM) is refused, the question decides. Closed by
    // SIGTERM or SIGINT, nobody may be there to answer: the failure goes to standard error
    // and the window closes.
    void failedWriteAtClose()
    {
        putFile(emptyTexts(2011));
        messages->answers = {false, true};
        const QString question =
            "Could not save "_L1 + path() + ":\r\nFile too large\r\n\r\nClose without saving?"_L1;
        const auto openChanged = [this] {
            auto w = open();
            w->show();
            w->ui.sendLineBoxes[0]->setText(QStringLiteral("changed"));
            return w;
        };
        auto w = openChanged();
        {
            // A write that stops short at the file size limit (which binds root too).
            FileSizeLimit limit(1000);
            QVERIFY(limit.active());
            messages->whileAsking = [&w] {
                QCloseEvent again;
                QApplication::sendEvent(w.get(), &again);
                QVERIFY(!again.isAccepted());
                w->closeOnSignal();
            };
            w->close();
            messages->whileAsking = nullptr;
            QVERIFY(w->isVisible() && !closing(*w) && port(*w)->isOpen());
            QCOMPARE(fileBytes(), emptyTexts(2011));
            w->close(); // Yes: closes without saving
            QVERIFY(!w->isVisible() && !port(*w)->isOpen());
            w = openChanged();
            StderrCapture err;
            w->closeOnSignal();
            QVERIFY(!w->isVisible());
            QCOMPARE(err.text(),
                     "orvo232: Could not save " + path().toLocal8Bit() + ": File too large\n");
        }
        QCOMPARE(messages->asked, QStringList({question, question}));
        QCOMPARE(fileBytes(), emptyTexts(2011));
        QCOMPARE(QDir(dir->filePath(QStringLiteral("cfg"))).entryList(QDir::Files),
                 QStringList{"Orvo_RS232_ini"});

        // With room again, the next close saves and asks nothing.
        w = openChanged();
        w->close();
        QCOMPARE(messages->asked.size(), 2);
        QVERIFY(fileBytes().startsWith(emptyTexts(2000) + "\"changed\"\r\n"));
    }

    // Closing the window lets queued output drain; what the device did not take in time
    // is reported, also on standard error, and the waiting send ends.
    void closingWithOutputStuckSaysSoOnStderr()
    {
        Pty pty;
        QVERIFY(pty.isOpen() && linkComPort(1, pty.slavePath()));
        auto w = open(true);
        QVERIFY(port(*w)->isOpen());
        QVERIFY(pty.stopReading());
        auto *poll = new QTimer(w.get());
        QObject::connect(poll, &QTimer::timeout, w.get(), [&w, poll] {
            if (port(*w)->pendingOutput() >= port(*w)->outputLimit()) {
                poll->stop();
                w->close();
            }
        });
        poll->start(5);
        w->ui.sendLineBoxes[0]->setText(QString(1000, u'a'));
        StderrCapture err;
        w->ui.sendLineButtons[0]->click();
        const QByteArray written = err.text();
        QVERIFY(closing(*w));
        const QString line = QStringLiteral("Output discarded at close: 64 bytes not sent");
        const QString status = w->ui.statusPane->text();
        QVERIFY2(status.endsWith(line + QStringLiteral("\r\n")), qPrintable(status));
        QVERIFY(written.contains(line.toLatin1() + '\n'));
        QCOMPARE(w->ui.txCountBox->text(), QStringLiteral("64"));
        pty.resumeReading();
        QCOMPARE(pty.receive(1, 300), QByteArray());
        w.reset();
        QFile::remove(comPortLink(1));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
