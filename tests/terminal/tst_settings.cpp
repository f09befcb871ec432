// Numbers typed into boxes, the record format, and the settings file the main window
// reads at start-up and writes at close.
#include "fakecommport.h"
#include "fakes.h"
#include "filesizelimit.h"
#include "frmserial.h"
#include "globals.h"
#include "numbers.h"
#include "records.h"
#include "testsupport.h"
#include "textbox.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <limits>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kNone = std::numeric_limits<qint64>::min(); // out of range

QByteArray emptyTexts(int count)
{
    return QByteArray("\"\"\r\n").repeated(count);
}

// Every text and number record different from its neighbours.
QByteArray fullFile()
{
    QByteArray bytes;
    for (int page = 1; page <= 50; ++page) {
        for (int row = 0; row < 20; ++row) {
            bytes +=
                "\"desc " + QByteArray::number(page) + "/" + QByteArray::number(row) + "\"\r\n";
            bytes += "\"AT+" + QByteArray::number(page * 100 + row) + "\"\"q\"\"\xE9\"\r\n";
        }
    }
    return bytes +
           "\"tx zero\"\r\n\"tx, one\"\r\n\"1\"\r\n57600\r\n7\r\n3\r\n1\r\n2\r\n2\r\n1\r\n1\r\n";
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    // A folder of its own, which the first save creates.
    QString path() const { return dir.filePath(QStringLiteral("cfg/Orvo_RS232_ini")); }
    void putFile(const QByteArray &bytes)
    {
        QDir().mkpath(dir.filePath(QStringLiteral("cfg")));
        QVERIFY(writeFileSafely(path(), bytes));
    }
    QByteArray fileBytes() const { return readWholeFile(path()).value_or("<missing>"); }
    std::unique_ptr<frmSerial> open(std::shared_ptr<FakeMessageBox> messages = {})
    {
        Services s = testServices(dir.path());
        s.settingsPath = path();
        s.makeCommPort = [] { return std::make_unique<FakeCommPort>(); };
        s.messageBox = std::move(messages);
        return std::make_unique<frmSerial>(s);
    }
    static FakeMessageBox *box(frmSerial &w)
    {
        return static_cast<FakeMessageBox *>(w.services.messageBox.get());
    }
    static FakeCommPort *fake(frmSerial &w) { return static_cast<FakeCommPort *>(w.MSComm1.get()); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        resetGlobals();
        QDir(dir.filePath(QStringLiteral("cfg"))).removeRecursively();
    }

    // Val reads the numeric prefix; CInt and CLng round its value halves to even.
    void valAndRounding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("cint");
        QTest::addColumn<qint64>("clng");
        const auto row = [](const char *text, double value, qint64 cint, qint64 clng) {
            QTest::newRow(text) << QString::fromLatin1(text) << value << cint << clng;
        };
        row("", 0, 0, 0);
        row(" 1 2\t3\n4", 1234, 1234, 1234); // blanks, tabs and line feeds are skipped
        row("15D-1", 1.5, 2, 2);
        row("&hff", 255, 255, 255);
        row("&HFFFF", -1, -1, -1); // four digits are a 16-bit number
        row("&H10000", 65536, kNone, 65536);
        row("&H123456789", 0, 0, 0);
        row("&O178", 15, 15, 15);
        row("&17", 0, 0, 0); // no radix letter, no number
        row("1e999", 0, 0, 0);
        row("3.5", 3.5, 4, 4);
        row("-2.5", -2.5, -2, -2);
        row("32767.5", 32767.5, kNone, 32768);
        row("2147483648", 2147483648.0, kNone, kNone);
        row("-2147483648", -2147483648.0, kNone, -2147483648LL);
    }
    void valAndRounding()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(qint64, cint);
        QFETCH(qint64, clng);
        QCOMPARE(Val(text), value);
        const auto i = CInt(value);
        QCOMPARE(i ? qint64(*i) : kNone, cint);
        const auto l = CLng(value);
        QCOMPARE(l ? qint64(*l) : kNone, clng);
    }

    void recordsPlainQuotedAndMalformed()
    {
        // Lines, commas, blanks around records, unquoted texts, a text running over a line
        // end, doubled quotes; then records of the wrong kind and an unterminated text.
        RecordReader r(QByteArray("\"b\",\"\",12 , \"x,y\"\r\nplain text\r\n"
                                  " 7 \r\n\"two\r\nlines\"\r\n\"say \"\"hi\"\"\"\n-3\r\n"
                                  "abc\r\n\"9600\"\r\n5\"tail\r\n\"unterminated"));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("b")));
        QCOMPARE(r.text(), std::optional<QString>(QString()));
        QCOMPARE(r.number(), std::optional<double>(12));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("x,y")));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("plain text")));
        QCOMPARE(r.number(), std::optional<double>(7));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("two\r\nlines")));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("say \"hi\"")));
        QCOMPARE(r.number(), std::optional<double>(-3));
        QCOMPARE(r.number(), std::nullopt); // letters are no number
        QCOMPARE(r.number(), std::optional<double>(9600));
        QCOMPARE(r.number(), std::nullopt);
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("unterminated")));
        QVERIFY(r.atEnd());
        QCOMPARE(r.text(), std::nullopt);
        QCOMPARE(r.number(), std::nullopt);
    }

    // CR, LF and CR LF end lines alike, and blank lines are no records.
    void lineEndsAndBlankLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("CR LF") << QByteArray("\"d\"\r\n\"s\"\r\nplain\r\n12\r\n");
        QTest::newRow("LF") << QByteArray("\"d\"\n\"s\"\nplain\n12\n");
        QTest::newRow("CR") << QByteArray("\"d\"\r\"s\"\rplain\r12\r");
        QTest::newRow("blank lines")
            << QByteArray("\r\n\"d\"\r\n\r\n \t\r\n\"s\" tail\n\nplain\r\r\n12\r\n\r\n");
        QTest::newRow("commas and lines") << QByteArray("\"d\",\r\n\"s\"\rplain,\r\n\r\n12");
    }
    void lineEndsAndBlankLines()
    {
        QFETCH(QByteArray, bytes);
        RecordReader r(bytes);
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("d")));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("s")));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("plain")));
        QCOMPARE(r.number(), std::optional<double>(12));
        QVERIFY(r.atEnd());
    }

    // A settings file edited by hand: blank lines and CR line ends change no record.
    void handEditedFileReadsAlike_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray blank = fullFile();
        QTest::newRow("blank lines") << blank.replace("\r\n", "\r\n\r\n");
        QByteArray cr = fullFile();
        QTest::newRow("CR") << cr.replace("\r\n", "\r");
    }
    void handEditedFileReadsAlike()
    {
        QFETCH(QByteArray, bytes);
        putFile(bytes);
        open()->close();
        QCOMPARE(fileBytes(), fullFile());
    }

    void firstRunUsesDefaultsAndWritesThem()
    {
        auto w = open();
        QCOMPARE(w->client->size(), QSize(723, 699));
        QCOMPARE(w->txtCommport->text(), QStringLiteral("1"));
        QCOMPARE(fake(*w)->settings, QStringLiteral("9600,n,8,1"));
        QCOMPARE(backColor(w->lblConnect), QColor(255, 0, 0));
        QCOMPARE(w->fileName, QString()); // no project yet: Save Project must ask
        // The numbers as typed, by their numeric prefix, without the range rules.
        w->txtBaud->setText(QStringLiteral("100.5 baud"));
        w->txtCommport->setText(QStringLiteral("40"));
        w->close();
        QVERIFY(!w->MSComm1->portOpen());
        QCOMPARE(fileBytes(), emptyTexts(2003) + "100\r\n40\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
    }

    void everyRecordSurvivesARoundTrip()
    {
        putFile(fullFile());
        auto w = open();
        QCOMPARE(w->bankText2[1][0], QStringLiteral("desc 1/0"));
        QCOMPARE(w->bankText1[50][19], QStringLiteral("AT+5019\"q\"\u00e9"));
        QCOMPARE(w->txt[0]->text(), QStringLiteral("tx zero"));
        QCOMPARE(w->txt[1]->text(), QStringLiteral("tx, one"));
        QCOMPARE(fake(*w)->port, 7);
        QCOMPARE(fake(*w)->settings, QStringLiteral("57600,n,8,1"));
        QCOMPARE(w->SerialText1->font().pointSizeF(), 22.0);
        QCOMPARE(w->txtSent->font().pointSizeF(), 22.0);
        QVERIFY(w->mnuFontLarge->isChecked());
        QVERIFY(w->mnuScroll->isChecked());
        QCOMPARE(w->silentCapture, 2);
        QVERIFY(!w->mnuSilent->isChecked()); // only 1 checks the item
        QCOMPARE(hexFontSize, 2);
        QVERIFY(w->mnuAutoClearTX->isChecked());
        QVERIFY(w->mnuTXSilent->isChecked());
        w->close();
        QCOMPARE(fileBytes(), fullFile());
    }

    // Baud, port and font records as read at start-up.
    void rangeRulesAtStartUp_data()
    {
        QTest::addColumn<QByteArray>("numbers");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("port");
        QTest::addColumn<double>("points");
        const auto row = [](const char *name, const char *numbers, const char *baud,
                            const char *port, double points) {
            QTest::newRow(name) << QByteArray(numbers) << QString::fromLatin1(baud)
                                << QString::fromLatin1(port) << points;
        };
        row("lowest baud", "110\r\n16\r\n2", "110", "16", 14.0);
        row("highest baud", "116000\r\n1\r\n3", "116000", "1", 22.0);
        row("too slow, port 0", "109\r\n0\r\n0", "9600", "1", 10.0);
        row("too fast, port 17", "116001\r\n17\r\n4", "9600", "1", 8.25);
        row("malformed", "fast\r\nx\r\n-1", "9600", "1", 8.25);
        row("port too big for an Integer, font halves to even", "300\r\n40000\r\n2.5", "300", "1",
            14.0);
        row("comma-separated", "57600,2,3", "57600", "2", 22.0);
    }
    void rangeRulesAtStartUp()
    {
        QFETCH(QByteArray, numbers);
        QFETCH(QString, baud);
        QFETCH(QString, port);
        QFETCH(double, points);
        putFile(emptyTexts(2003) + numbers + "\r\n");
        auto w = open();
        QCOMPARE(w->txtBaud->text(), baud);
        QCOMPARE(w->txtCommport->text(), port);
        QCOMPARE(w->SerialText->font().pointSizeF(), points);
        // An unknown font choice leaves the design's check mark.
        QCOMPARE(w->mnuFontSmall->isChecked(), points == 10.0 || points == 8.25);
    }

    void shortFileKeepsWhatWasRead()
    {
        // The three boxes' texts pass through one holder: a missing one repeats the last.
        putFile("\"d\",\"s\"\r\n\"d2\"\r\n" + emptyTexts(1997) + "\"only\"\r\n");
        auto w = open();
        QCOMPARE(w->bankText2[1][1], QStringLiteral("d2"));
        QCOMPARE(w->txt[0]->text(), QStringLiteral("only"));
        QCOMPARE(w->txt[1]->text(), QStringLiteral("only"));
        QCOMPARE(w->Text3->text(), QStringLiteral("only"));
        QCOMPARE(w->txtBaud->text(), QStringLiteral("9600"));
    }

    // A settings file that exists but cannot be read (here a folder in its place) is named
    // once at start and never overwritten, so the send keys it may hold are not lost.
    void unreadableFileIsReportedAndKept()
    {
        QVERIFY(QDir().mkpath(path()));
        auto w = open(std::make_shared<FakeMessageBox>());
        QCOMPARE(w->txtStatus->text(),
                 "Cannot read settings file "_L1 + path() +
                     ": file to open is a directory. It will not be overwritten.\r\n"_L1);
        w->close();
        QVERIFY(w->unloading && !w->MSComm1->portOpen());
        QVERIFY(box(*w)->asked.isEmpty() && box(*w)->shown.isEmpty());
        QVERIFY(QFileInfo(path()).isDir());
        // A file that is merely missing is a first run: nothing to say.
        QDir(path()).removeRecursively();
        QVERIFY(open()->txtStatus->text().isEmpty());
    }

    // A failed write at close (full or read-only config folder) keeps the old file and asks;
    // No keeps the window and the port for another try after making room.
    void failedWriteAtCloseAsks()
    {
        putFile(emptyTexts(2011));
        auto messages = std::make_shared<FakeMessageBox>();
        messages->answers = {false, true};
        const QString question =
            "Could not save "_L1 + path() + ":\r\nFile too large\r\n\r\nClose without saving?"_L1;
        auto w = open(messages);
        w->show();
        w->txt[0]->setText(QStringLiteral("changed"));
        {
            // A write that stops short at the file size limit (which binds root too).
            FileSizeLimit limit(1000);
            QVERIFY(limit.active());
            w->close();
            QVERIFY(w->isVisible() && !w->unloading && w->MSComm1->portOpen());
            QCOMPARE(fileBytes(), emptyTexts(2011));
            w->close(); // Yes: closes without saving
            QVERIFY(!w->isVisible() && !w->MSComm1->portOpen());
        }
        QCOMPARE(messages->asked, QStringList({question, question}));
        QCOMPARE(fileBytes(), emptyTexts(2011));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("cfg"))).entryList(QDir::Files),
                 QStringList{"Orvo_RS232_ini"});

        // With room again, the next close saves and asks nothing.
        w = open(messages);
        w->show();
        w->txt[0]->setText(QStringLiteral("changed"));
        w->close();
        QCOMPARE(messages->asked.size(), 2);
        QVERIFY(fileBytes().startsWith(emptyTexts(2000) + "\"changed\"\r\n"));
    }

    // Closed by SIGTERM or SIGINT, nobody may be there to answer: the failure goes to
    // standard error and the window closes.
    void failedWriteOnSignalGoesToStandardError()
    {
        putFile(emptyTexts(2011));
        auto w = open(std::make_shared<FakeMessageBox>());
        w->show();
        w->txt[0]->setText(QStringLiteral("changed"));
        QTemporaryFile err;
        QVERIFY(err.open());
        std::fflush(stderr);
        const int saved = ::dup(2);
        ::dup2(err.handle(), 2);
        {
            FileSizeLimit limit(1000);
            w->closeOnSignal();
        }
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        QVERIFY(!w->isVisible());
        QVERIFY(err.seek(0));
        QVERIFY(box(*w)->asked.isEmpty());
        QCOMPARE(err.readAll(),
                 "orvo232: Could not save " + path().toLocal8Bit() + ": File too large\n");
        QCOMPARE(fileBytes(), emptyTexts(2011));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
