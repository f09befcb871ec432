#include "records.h"
#include "settingsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray emptyTexts(int count)
{
    return QByteArray("\"\"\r\n").repeated(count);
}

// The settings file holding a sample of everything.
const QByteArray kGolden = QByteArray("\"Greeting\"\r\n"
                                      "\"Hello, \"\"world\"\"\"\r\n") +
                           emptyTexts(1996) +
                           QByteArray("\"last \xE9\"\r\n"
                                      "\"end\"\r\n"
                                      "\"abc\"\r\n"
                                      "\"\"\r\n"
                                      "\"7\"\r\n"
                                      "115200\r\n"
                                      "3\r\n"
                                      "2\r\n"
                                      "1\r\n"
                                      "0\r\n"
                                      "3\r\n"
                                      "-1\r\n"
                                      "0\r\n");

SettingsRecords goldenRecords()
{
    SettingsRecords s;
    for (auto &page : s.description)
        page.fill(QString());
    for (auto &page : s.sendString)
        page.fill(QString());
    s.description[0][0] = QStringLiteral("Greeting");
    s.sendString[0][0] = QStringLiteral("Hello, \"world\"");
    s.description[49][19] = QStringLiteral("last \u00e9");
    s.sendString[49][19] = QStringLiteral("end");
    s.txt0 = QStringLiteral("abc");
    s.txt1 = QString();
    s.text3 = QStringLiteral("7");
    s.baudRate = 115200;
    s.commPort = 3;
    s.mainFontSize = 2;
    s.autoScroll = 1;
    s.silentCapture = 0;
    s.hexFontSize = 3;
    s.autoClearTX = -1;
    s.txSilent = 0;
    return s;
}

bool sameRecords(const SettingsRecords &a, const SettingsRecords &b)
{
    return a.description == b.description && a.sendString == b.sendString && a.txt0 == b.txt0 &&
           a.txt1 == b.txt1 && a.text3 == b.text3 && a.baudRate == b.baudRate &&
           a.commPort == b.commPort && a.mainFontSize == b.mainFontSize &&
           a.autoScroll == b.autoScroll && a.silentCapture == b.silentCapture &&
           a.hexFontSize == b.hexFontSize && a.autoClearTX == b.autoClearTX &&
           a.txSilent == b.txSilent;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void putFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void writerQuotesTextsAndDoublesQuotes()
    {
        RecordWriter w;
        w.text(QStringLiteral("abc"));
        w.text(QString());
        w.text(QStringLiteral("say \"hi\""));
        w.text(QStringLiteral("\u20ac")); // outside ISO-8859-1
        w.number(-5);
        w.number(2147483647);
        QCOMPARE(w.bytes(), QByteArray("\"abc\"\r\n\"\"\r\n\"say \"\"hi\"\"\"\r\n\"?\"\r\n-5\r\n"
                                       "2147483647\r\n"));
    }

    void readerTakesEveryPlainFileLayout()
    {
        // Lines, commas, blanks around records, unquoted texts and a text running over
        // a line end.
        RecordReader r(QByteArray("\"a\"\r\n\"b\",\"\",12 , \"x,y\"\r\nplain text\r\n"
                                  " 7 \r\n\"two\r\nlines\"\r\n\"say \"\"hi\"\"\"\n-3"));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("a")));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("b")));
        QCOMPARE(r.text(), std::optional<QString>(QString()));
        QCOMPARE(r.number(), std::optional<double>(12));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("x,y")));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("plain text")));
        QCOMPARE(r.number(), std::optional<double>(7));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("two\r\nlines")));
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("say \"hi\"")));
        QCOMPARE(r.number(), std::optional<double>(-3));
        QVERIFY(r.atEnd());
        QCOMPARE(r.text(), std::nullopt);
        QCOMPARE(r.number(), std::nullopt);
    }

    void readerSkipsMalformedRecordsAndGoesOn()
    {
        RecordReader r(QByteArray("abc\r\n\"9600\"\r\n5\"tail\r\n\"unterminated"));
        QCOMPARE(r.number(), std::nullopt); // letters are no number
        QCOMPARE(r.number(), std::optional<double>(9600));
        QCOMPARE(r.number(), std::nullopt);
        QCOMPARE(r.text(), std::optional<QString>(QStringLiteral("unterminated")));
        QCOMPARE(r.text(), std::nullopt);
    }

    void settingsFileHasItsGoldenBytes()
    {
        const QByteArray bytes = formatSettings(goldenRecords());
        QCOMPARE(bytes.size(), kGolden.size());
        QCOMPARE(bytes, kGolden);
        QVERIFY(sameRecords(parseSettings(kGolden), goldenRecords()));
    }

    void shortAndMalformedSettingsKeepWhatWasRead()
    {
        // Three records only.
        SettingsRecords s = parseSettings("\"d\"\r\n\"s\"\r\n\"d2\"\r\n");
        QCOMPARE(s.description[0][0], std::optional<QString>(QStringLiteral("d")));
        QCOMPARE(s.sendString[0][0], std::optional<QString>(QStringLiteral("s")));
        QCOMPARE(s.description[0][1], std::optional<QString>(QStringLiteral("d2")));
        QCOMPARE(s.sendString[0][1], std::nullopt);
        QCOMPARE(s.txt0, std::nullopt);
        QCOMPARE(s.baudRate, std::nullopt);

        // A bad baud, a port number too big for an Integer, the rest fine.
        s = parseSettings(emptyTexts(2003) + "fast\r\n40000\r\n3\r\n1\r\n2\r\n2.5\r\n0\r\n1\r\n");
        QCOMPARE(s.text3, std::optional<QString>(QString()));
        QCOMPARE(s.baudRate, std::nullopt);
        QCOMPARE(s.commPort, std::nullopt);
        QCOMPARE(s.mainFontSize, std::optional<qint32>(3));
        QCOMPARE(s.silentCapture, std::optional<qint16>(2));
        QCOMPARE(s.hexFontSize, std::optional<qint32>(2)); // 2.5 halves to even
        QCOMPARE(s.txSilent, std::optional<qint16>(1));

        // All on one line, separated by commas.
        QByteArray commas = QByteArray("\"x\",").repeated(2003) + "9600,2,1,0,0,0,0,0";
        s = parseSettings(commas);
        QCOMPARE(s.sendString[49][19], std::optional<QString>(QStringLiteral("x")));
        QCOMPARE(s.text3, std::optional<QString>(QStringLiteral("x")));
        QCOMPARE(s.baudRate, std::optional<qint32>(9600));
        QCOMPARE(s.commPort, std::optional<qint16>(2));
        QCOMPARE(s.txSilent, std::optional<qint16>(0));
    }

    void safeWriteReplacesOrKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sub/folder/Orvo_RS232_ini"));
        QVERIFY(writeSettingsFile(path, goldenRecords())); // creates the folders
        QCOMPARE(fileBytes(path), kGolden);
        QVERIFY(writeFileSafely(path, "new\r\n"));
        QCOMPARE(fileBytes(path), QByteArray("new\r\n"));

        // A write that fails halfway (file size limit, which binds root too).
        struct rlimit old
        {
        };
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 1000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = writeSettingsFile(path, goldenRecords());
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!written);
        QCOMPARE(fileBytes(path), QByteArray("new\r\n"));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("sub/folder"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("Orvo_RS232_ini")});

        // A folder that cannot be written.
        if (geteuid() != 0) {
            QFile::setPermissions(dir.filePath(QStringLiteral("sub/folder")),
                                  QFile::ReadOwner | QFile::ExeOwner);
            QVERIFY(!writeSettingsFile(path, goldenRecords()));
            QCOMPARE(fileBytes(path), QByteArray("new\r\n"));
            QFile::setPermissions(dir.filePath(QStringLiteral("sub/folder")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }

        // A path below a plain file.
        putFile(dir.filePath(QStringLiteral("plain")), "x");
        QVERIFY(!writeFileSafely(dir.filePath(QStringLiteral("plain/Orvo_RS232_ini")), "y"));
        QCOMPARE(readWholeFile(dir.filePath(QStringLiteral("missing"))), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
