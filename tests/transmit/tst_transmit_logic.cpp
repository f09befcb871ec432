#include "bank.h"
#include "hex.h"

#include <QtTest>

class TestTransmitLogic : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void hex2Dec_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("41") << "41" << 65;
        QTest::newRow("FF") << "FF" << 255;
        QTest::newRow("0A") << "0A" << 10;
        QTest::newRow("4") << "4" << 4;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("lower case") << "0a" << -1;
        QTest::newRow("G1") << "G1" << -15;
        QTest::newRow("A blank") << "A " << 159;
        QTest::newRow("4 blank") << "4 " << 63;
        QTest::newRow("7FFF") << "7FFF" << 32767;
        // The step of the top digit would leave 16 bits: it is skipped.
        QTest::newRow("FFFF") << "FFFF" << 4095;
        QTest::newRow("long") << "00000000000000000041" << 65;
        QTest::newRow("long bad") << "G0000000000000000041" << 65;
    }
    void hex2Dec()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(Hex2Dec(text), value);
    }

    void hexPairs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("separated") << "41 42 43" << QByteArray("ABC");
        QTest::newRow("together") << "414243" << QByteArray("A$");
        QTest::newRow("lone digit") << "41 4 43" << QByteArray("A?\x03");
        QTest::newRow("lower ff") << "ff" << QByteArray();
        QTest::newRow("1a") << "1a" << QByteArray("\x0f");
        QTest::newRow("leading blank") << " 41 42" << QByteArray();
        QTest::newRow("any separator") << "41-42,00" << QByteArray("AB\0", 3);
        QTest::newRow("high byte") << "FF" << QByteArray("\xff");
        QTest::newRow("empty") << "" << QByteArray();
    }
    void hexPairs()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(HexPairsToText(text).toLatin1(), bytes);
    }

    void longHexTextConvertsInFull()
    {
        const QString text = QStringLiteral("41 ").repeated(20000); // 60000 characters
        const QString out = HexPairsToText(text);
        QCOMPARE(out.size(), 20000);
        QCOMPARE(out, QStringLiteral("A").repeated(20000));
    }

    void echoLine()
    {
        QCOMPARE(HexEchoLine(QStringLiteral("AB\r\n")), QStringLiteral("41 42 0D 0A \r\n"));
        QCOMPARE(HexEchoLine(QString()), QStringLiteral("\r\n"));
        QCOMPARE(HexEchoLine(QString::fromLatin1("\0\xff", 2)), QStringLiteral("00 FF \r\n"));
    }

    void pageRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("page"); // -1: no page
        QTest::newRow("1") << "1" << 1;
        QTest::newRow("50") << "50" << 50;
        QTest::newRow("77") << "77" << -1;
        QTest::newRow("51") << "51" << -1;
        QTest::newRow("0") << "0" << -1;
        QTest::newRow("negative") << "-3" << -1;
        QTest::newRow("letters") << "abc" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("0.3") << "0.3" << 0;
        QTest::newRow("2.5") << "2.5" << 2;
        QTest::newRow("3.5") << "3.5" << 4;
        QTest::newRow("50.5") << "50.5" << 50;
        QTest::newRow("50.7") << "50.7" << -1;
        QTest::newRow("prefix") << " 12abc" << 12;
    }
    void pageRule()
    {
        QFETCH(QString, text);
        QFETCH(int, page);
        const auto got = AcceptedPage(text);
        QCOMPARE(got ? int(*got) : -1, page);
    }

    void delayRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("ms"); // -1: keep the pause
        QTest::newRow("100") << "100" << 100;
        QTest::newRow("blanks") << " 300 " << 300;
        QTest::newRow("half even") << "250.5" << 250;
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("65535") << "65535" << 65535;
        QTest::newRow("70000") << "70000" << -1;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("letters") << "abc" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("unit") << "100ms" << -1;
    }
    void delayRule()
    {
        QFETCH(QString, text);
        QFETCH(int, ms);
        const auto got = DelayFromText(text);
        QCOMPARE(got ? *got : -1, ms);
    }

    void projectFileGolden()
    {
        static BankTexts strings, descriptions;
        descriptions[3][5] = QStringLiteral("x");
        strings[3][5] = QStringLiteral("y");
        descriptions[0][0] = QStringLiteral("page 0 is never saved");
        strings[1][20] = QStringLiteral("nor row 20");

        const QByteArray bytes = ProjectFileBytes(strings, descriptions);
        QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.size(), 2001);
        QCOMPARE(lines.takeLast(), QByteArray()); // the last line ends in CR LF too
        for (int i = 0; i < lines.size(); ++i) {
            const int number = i + 1;
            const QByteArray expected = number == 91   ? "\"x\"\r"
                                        : number == 92 ? "\"y\"\r"
                                                       : "\"\"\r";
            QCOMPARE(lines[i], expected);
        }
    }

    void projectFileReading()
    {
        static BankTexts strings, descriptions;
        strings[2][0] = QStringLiteral("kept");
        // Comma-separated records, trailing text after a closing quote, then the file
        // ends: the entries it has are filled, the others stay.
        ReadProjectFile("\"d0\",\"s0\"\r\n\"d1\" junk\r\n\"s\"\"q\"\r\n", strings, descriptions);
        QCOMPARE(descriptions[1][0], QStringLiteral("d0"));
        QCOMPARE(strings[1][0], QStringLiteral("s0"));
        QCOMPARE(descriptions[1][1], QStringLiteral("d1"));
        QCOMPARE(strings[1][1], QStringLiteral("s\"q"));
        QCOMPARE(strings[2][0], QStringLiteral("kept"));

        // Texts with quotes and bytes above 127 survive a round trip.
        static BankTexts s2, d2, s3, d3;
        s2[50][19] = QString::fromLatin1("say \"hi\"\xe9");
        d2[7][3] = QStringLiteral("\"");
        ReadProjectFile(ProjectFileBytes(s2, d2), s3, d3);
        QCOMPARE(s3[50][19], s2[50][19]);
        QCOMPARE(d3[7][3], d2[7][3]);
        QCOMPARE(s3[7][3], QString());
    }
};

QTEST_GUILESS_MAIN(TestTransmitLogic)
#include "tst_transmit_logic.moc"
