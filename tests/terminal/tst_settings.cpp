// Numbers typed into boxes, the record format, and the settings file: the start-up rules
// applied to what it holds and the records written back at close.
#include "terminal/numbers.h"
#include "terminal/records.h"
#include "terminal/sessionsettings.h"
#include "terminal/settingsfile.h"
#include "terminal/useroptions.h"
#include "tests/support/samples.h"
#include "transmit/bank.h"

#include <QtTest>

#include <limits>
#include <memory>

namespace {

constexpr qint64 kNone = std::numeric_limits<qint64>::min(); // out of range

// Records of the kinds given ('t' text, 'n' number) read in turn, "-" where none is.
QStringList read(RecordReader &r, const char *kinds)
{
    QStringList out;
    for (; *kinds; ++kinds) {
        const auto n = *kinds == 'n' ? r.number() : std::nullopt;
        const auto t = *kinds == 't' ? r.text() : std::nullopt;
        out << (t ? *t : n ? QString::number(*n) : QStringLiteral("-"));
    }
    return out;
}

// What a run does with the file when nothing is edited: the bank and the start-up values
// are read from it, and written back at close.
struct Run
{
    std::unique_ptr<SendKeyBank> bank = std::make_unique<SendKeyBank>();
    StartupValues values;

    explicit Run(const QByteArray &bytes)
    {
        const SettingsRecords read = parseSettings(bytes);
        bank->importSettings(read);
        values = startupValues(read);
    }
    QByteArray close() const
    {
        SettingsRecords out;
        bank->exportSettings(out);
        const StartupValues &v = values;
        writeClosingValues({v.line0, v.line1, v.pageText, v.baudRate, v.comNumber, v.options}, out);
        return formatSettings(out);
    }
};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    // The numeric prefix of a text, and its value rounded to 16 and 32 bits, halves to even.
    void valAndRounding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("rounded16");
        QTest::addColumn<qint64>("rounded32");
        const auto row = [](const char *text, double value, qint64 rounded16, qint64 rounded32) {
            QTest::newRow(text) << QString::fromLatin1(text) << value << rounded16 << rounded32;
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
        QFETCH(qint64, rounded16);
        QFETCH(qint64, rounded32);
        QCOMPARE(numericPrefix(text), value);
        const auto i = roundToInt16(value);
        QCOMPARE(i ? qint64(*i) : kNone, rounded16);
        const auto l = roundToInt32(value);
        QCOMPARE(l ? qint64(*l) : kNone, rounded32);
    }

    void recordsPlainQuotedAndMalformed()
    {
        // Lines, commas, blanks around records, unquoted texts, a text running over a line
        // end, doubled quotes; then records of the wrong kind and an unterminated text.
        RecordReader r(QByteArray("\"b\",\"\",12 , \"x,y\"\r\nplain text\r\n"
                                  " 7 \r\n\"two\r\nlines\"\r\n\"say \"\"hi\"\"\"\n-3\r\n"
                                  "abc\r\n\"9600\"\r\n5\"tail\r\n\"unterminated"));
        // Letters are no number; a quoted number is one.
        QCOMPARE(read(r, "ttnttnttnnnnt"),
                 QStringList({"b", "", "12", "x,y", "plain text", "7", "two\r\nlines", "say \"hi\"",
                              "-3", "-", "9600", "-", "unterminated"}));
        QVERIFY(r.atEnd());
        QCOMPARE(read(r, "tn"), QStringList({"-", "-"}));
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
        QCOMPARE(read(r, "tttn"), QStringList({"d", "s", "plain", "12"}));
        QVERIFY(r.atEnd());
    }

    // Every record survives a run; a file edited by hand (blank lines, CR line ends) reads
    // alike and is written back in the program's own form.
    void everyRecordSurvivesARoundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("as written") << fullFile();
        QTest::newRow("blank lines") << fullFile().replace("\r\n", "\r\n\r\n");
        QTest::newRow("CR") << fullFile().replace("\r\n", "\r");
    }
    void everyRecordSurvivesARoundTrip()
    {
        QFETCH(QByteArray, bytes);
        const Run run(bytes);
        const StartupValues &v = run.values;
        QCOMPARE(run.bank->description(1, 0), QStringLiteral("desc 1/0"));
        QCOMPARE(run.bank->string(50, 19), QStringLiteral("AT+5019\"q\"\u00e9"));
        QCOMPARE(v.line0, QStringLiteral("tx zero"));
        QCOMPARE(v.line1, QStringLiteral("tx, one"));
        QCOMPARE(v.comNumber, 7);
        QCOMPARE(v.baudRate, 57600);
        QCOMPARE(v.options.mainFont, 3);
        QCOMPARE(v.options.silentCapture, 2); // kept as read, not made a flag
        QCOMPARE(v.options.hexFont, 2);
        QCOMPARE(run.close(), fullFile());
    }

    // Baud, port and main font records as read at start-up.
    void rangeRulesAtStartUp_data()
    {
        QTest::addColumn<QByteArray>("numbers");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("font");
        const auto row = [](const char *name, const char *numbers, const char *baud,
                            const char *port, int font) {
            QTest::newRow(name) << QByteArray(numbers) << QString::fromLatin1(baud)
                                << QString::fromLatin1(port) << font;
        };
        row("lowest baud", "110\r\n16\r\n2", "110", "16", 2);
        row("highest baud", "116000\r\n1\r\n3", "116000", "1", 3);
        row("too slow, port 0", "109\r\n0\r\n0", "9600", "1", 1); // font 0 is the first
        row("too fast, port 17", "116001\r\n17\r\n4", "9600", "1", 4);
        row("malformed", "fast\r\nx\r\n-1", "9600", "1", -1);
        row("port past 16 bits, font halves to even", "300\r\n40000\r\n2.5", "300", "1", 2);
        row("comma-separated", "57600,2,3", "57600", "2", 3);
    }
    void rangeRulesAtStartUp()
    {
        QFETCH(QByteArray, numbers);
        QFETCH(QString, baud);
        QFETCH(QString, port);
        QFETCH(int, font);
        const StartupValues v = Run(emptyTexts(2003) + numbers + "\r\n").values;
        QCOMPARE(numberText(v.baudRate), baud);
        QCOMPARE(numberText(v.comNumber), port);
        QCOMPARE(v.options.mainFont, font);
    }

    // The stored options keep the value read; a 2 means "on" to some rules and "off" to
    // others, and goes back into the file unchanged.
    void optionValuesAreKeptAsRead_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QList<bool>>("rules"); // scrolls, silent, clears, echoes
        QTest::newRow("0") << QByteArray("0") << QList<bool>{false, false, false, true};
        QTest::newRow("1") << QByteArray("1") << QList<bool>{true, true, true, false};
        QTest::newRow("2") << QByteArray("2") << QList<bool>{false, true, false, false};
    }
    void optionValuesAreKeptAsRead()
    {
        QFETCH(QByteArray, value);
        QFETCH(QList<bool>, rules);
        const QByteArray v = value + "\r\n";
        const QByteArray file = emptyTexts(2003) + "9600\r\n1\r\n1\r\n" + v + v + "1\r\n" + v + v;
        const Run run(file);
        const Options &o = run.values.options;
        const qint16 n = qint16(value.toShort());
        QCOMPARE(QList<qint16>({o.autoScroll, o.silentCapture, o.clearTxOnSend, o.silentTx}),
                 QList<qint16>({n, n, n, n}));
        QCOMPARE(
            QList<bool>({o.scrollsToEnd(), o.capturesSilently(), o.clearsTxOnSend(), o.echoesTx()}),
            rules);
        QCOMPARE(run.close(), file);
    }

    void shortFileKeepsWhatWasRead()
    {
        // The three boxes' texts pass through one holder: a missing one repeats the last.
        const Run run("\"d\",\"s\"\r\n\"d2\"\r\n" + emptyTexts(1997) + "\"only\"\r\n");
        QCOMPARE(run.bank->description(1, 1), QStringLiteral("d2"));
        QCOMPARE(run.values.line0, QStringLiteral("only"));
        QCOMPARE(run.values.line1, QStringLiteral("only"));
        QCOMPARE(run.values.pageText, QStringLiteral("only"));
        QCOMPARE(numberText(run.values.baudRate), QStringLiteral("9600"));
    }

    // options.ini: beside the settings file, made only once an option is not at its default.
    void userOptionsRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = userOptionsPath(dir.filePath(QStringLiteral("Orvo_RS232_ini")));
        QCOMPARE(path, dir.filePath(QStringLiteral("options.ini")));
        QCOMPARE(loadUserOptions(path), UserOptions{});
        QVERIFY(saveUserOptions(path, {}) && !QFile::exists(path));
        for (const UserOptions o : {UserOptions{true, false}, UserOptions{false, true},
                                    UserOptions{true, true}, UserOptions{}}) {
            QVERIFY(saveUserOptions(path, o));
            QCOMPARE(loadUserOptions(path), o);
        }
    }

    // The line settings and the recent lists: each in its section, which its defaults leave
    // out; each save keeps the others' entries.
    void lineSettingsAndRecentLists()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("options.ini"));
        QVERIFY(saveLineSettings(path, {}) && saveRecentNetworkPorts(path, {}) &&
                saveRecentScripts(path, {}) && !QFile::exists(path));
        const LineSettings line{{DataBits::Seven, Parity::Even, StopBits::OneAndHalf},
                                FlowControl::XonXoff};
        const QList<PortAddress> addresses{*PortAddress::parse(u"rfc2217://lab:2217"),
                                           *PortAddress::parse(u"tcp://[::1]:4000")};
        const QStringList scripts{QStringLiteral("/s/a, b.lua"), QStringLiteral("@x.lua")};
        QVERIFY(saveUserOptions(path, {true, false}) && saveLineSettings(path, line) &&
                saveRecentNetworkPorts(path, addresses) && saveRecentScripts(path, scripts));
        QCOMPARE(loadUserOptions(path), (UserOptions{true, false}));
        QCOMPARE(loadLineSettings(path), line);
        QCOMPARE(loadRecentNetworkPorts(path), addresses);
        QCOMPARE(loadRecentScripts(path), scripts);
        const QByteArray text = readTestFile(path);
        QVERIFY(text.contains("[Line]\nflow=xonxoff\nframing=7E1.5\n") &&
                text.contains("[RecentNetworkPorts]\n1=rfc2217://lab:2217\n2=tcp://[::1]:4000\n"));
        QVERIFY(saveLineSettings(path, {}) && saveRecentNetworkPorts(path, {}) &&
                saveRecentScripts(path, {}));
        QVERIFY(!readTestFile(path).contains("[Line]") && !readTestFile(path).contains("Recent"));
        QCOMPARE(loadUserOptions(path), (UserOptions{true, false}));

        // A folder in the file's place: each save says why it failed.
        const QString blocked = dir.filePath(QStringLiteral("blocked/options.ini"));
        QVERIFY(QDir().mkpath(blocked));
        for (const WriteResult &r :
             {saveLineSettings(blocked, line), saveRecentNetworkPorts(blocked, addresses),
              saveRecentScripts(blocked, scripts)})
            QVERIFY(!r && !r.error.isEmpty());

        // A hand-edited file: what cannot be read is left out.
        writeTestFile(path, "[Line]\nframing=9N1\nflow=hardware\n"
                            "[RecentNetworkPorts]\n1=tcp://a:1\n2=/dev/ttyS0\n3=TCP://A:1\n4=x\n"
                            "5=rfc2217://b:2\n"
                            "[RecentScripts]\n1=/a.lua\n2=\n3=/a.lua\n4=/b.lua\n");
        QCOMPARE(loadLineSettings(path), LineSettings{});
        QCOMPARE(loadRecentNetworkPorts(path),
                 (QList<PortAddress>{*PortAddress::parse(u"tcp://a:1"),
                                     *PortAddress::parse(u"rfc2217://b:2")}));
        QCOMPARE(loadRecentScripts(path), (QStringList{u"/a.lua"_qs, u"/b.lua"_qs}));
    }

    // The most recent first, each once however its host is spelt, the oldest let go.
    void recentLists()
    {
        QList<PortAddress> addresses;
        QStringList scripts;
        for (int i = 1; i <= 10; ++i) {
            rememberNetworkPort(addresses, *PortAddress::parse(u"tcp://h%1:1"_qs.arg(i)));
            rememberScript(scripts, u"/%1.lua"_qs.arg(i));
        }
        rememberNetworkPort(addresses, *PortAddress::parse(u"TCP://H5:1"));
        rememberScript(scripts, u"/8.lua"_qs);
        QStringList texts;
        for (const PortAddress &a : addresses)
            texts << a.toString();
        QCOMPARE(texts.join(u' '), u"tcp://H5:1 tcp://h10:1 tcp://h9:1 tcp://h8:1 tcp://h7:1 "
                                   "tcp://h6:1 tcp://h4:1 tcp://h3:1"_qs);
        QCOMPARE(scripts.join(u' '), u"/8.lua /10.lua /9.lua /7.lua /6.lua"_qs);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
