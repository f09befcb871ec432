#include "numbers.h"
#include "receive.h"

#include <QtTest>

#include <cmath>

class TestNumbers : public QObject
{
    Q_OBJECT
private slots:
    void valReadsTheNumericPrefix_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "9600" << 9600.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("unit after") << "100ms" << 100.0;
        QTest::newRow("blanks inside") << " 1 2\t3\n4" << 1234.0;
        QTest::newRow("cr is not skipped") << "12\r34" << 12.0;
        QTest::newRow("decimal") << "2.5" << 2.5;
        QTest::newRow("second point ends") << "1.2.3" << 1.2;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("negative") << "- 7" << -7.0;
        QTest::newRow("plus") << "+7" << 7.0;
        QTest::newRow("exponent") << "1e3x" << 1000.0;
        QTest::newRow("D exponent") << "15D-1" << 1.5;
        QTest::newRow("dangling exponent") << "4e" << 4.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("hex lower") << "&hff" << 255.0;
        QTest::newRow("hex 16-bit") << "&HFFFF" << -1.0;
        QTest::newRow("hex 32-bit") << "&H10000" << 65536.0;
        QTest::newRow("hex long negative") << "&HFFFFFFFF" << -1.0;
        QTest::newRow("hex too long") << "&H123456789" << 0.0;
        QTest::newRow("hex stops at non-digit") << "&H1G" << 1.0;
        QTest::newRow("hex without digits") << "&H" << 0.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&O178" << 15.0;
        QTest::newRow("ampersand alone is no radix") << "&17" << 0.0;
        QTest::newRow("ampersand text") << "&X1" << 0.0;
        QTest::newRow("overflowing") << "1e999" << 0.0;
    }
    void valReadsTheNumericPrefix()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(Val(text), value);
    }

    void wholeNumbersRoundHalvesToEven()
    {
        QCOMPARE(CInt(2.5), std::optional<qint16>(2));
        QCOMPARE(CInt(3.5), std::optional<qint16>(4));
        QCOMPARE(CInt(-2.5), std::optional<qint16>(-2));
        QCOMPARE(CInt(2.4999), std::optional<qint16>(2));
        QCOMPARE(CInt(32767.4), std::optional<qint16>(32767));
        QCOMPARE(CInt(32767.5), std::nullopt); // rounds to 32768
        QCOMPARE(CInt(-32768.5), std::optional<qint16>(-32768));
        QCOMPARE(CInt(std::nan("")), std::nullopt);
        QCOMPARE(CLng(2147483647.0), std::optional<qint32>(2147483647));
        QCOMPARE(CLng(2147483648.0), std::nullopt);
        QCOMPARE(CLng(-2147483648.0), std::optional<qint32>(-2147483647 - 1));
        QCOMPARE(CLng(115200.5), std::optional<qint32>(115200));
    }

    void strictNumberNeedsTheWholeText()
    {
        QCOMPARE(StrictNumber(u" 250 "), std::optional<double>(250));
        QCOMPARE(StrictNumber(u"2.5"), std::optional<double>(2.5));
        QCOMPARE(StrictNumber(u""), std::nullopt);
        QCOMPARE(StrictNumber(u"100ms"), std::nullopt);
        QCOMPARE(StrictNumber(u"abc"), std::nullopt);
        QCOMPARE(StrictNumber(u"inf"), std::nullopt);
    }

    void numberTextIsPlainDecimal()
    {
        QCOMPARE(NumberText(3), QStringLiteral("3"));
        QCOMPARE(NumberText(3.5), QStringLiteral("3.5"));
        QCOMPARE(NumberText(-2), QStringLiteral("-2"));
        QCOMPARE(NumberText(115200), QStringLiteral("115200"));
        QCOMPARE(NumberText(-0.0), QStringLiteral("0"));
    }

    void dec2HexGivesTwoUppercaseDigits()
    {
        QCOMPARE(Dec2Hex(0), QStringLiteral("00"));
        QCOMPARE(Dec2Hex(10), QStringLiteral("0A"));
        QCOMPARE(Dec2Hex(16), QStringLiteral("10"));
        QCOMPARE(Dec2Hex(255), QStringLiteral("FF"));
        QCOMPARE(Dec2Hex(256), QStringLiteral("100"));
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
