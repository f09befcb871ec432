#include "hexviews.h"
#include "printlayout.h"

#include <QtTest>

#include <vector>

namespace {

QByteArray toBytes(std::span<const quint8> s)
{
    return QByteArray(reinterpret_cast<const char *>(s.data()), qsizetype(s.size()));
}

std::span<const quint8> span(const QByteArray &b)
{
    return {reinterpret_cast<const quint8 *>(b.constData()), size_t(b.size())};
}

// Runs a conversion into a buffer of the given capacity that lies between guard bytes,
// so a write past its end shows.
struct Guarded
{
    explicit Guarded(qsizetype size, quint8 fill = 0xEE)
        : storage(size_t(size) + 32, fill), capacity(size)
    {
    }
    std::span<quint8> buffer() { return std::span(storage).subspan(16, size_t(capacity)); }
    QByteArray content(qint32 count) { return toBytes(buffer().first(size_t(count))); }
    bool guardsIntact(quint8 fill = 0xEE) const
    {
        for (size_t i = 0; i < 16; ++i)
            if (storage[i] != fill || storage[storage.size() - 1 - i] != fill)
                return false;
        return true;
    }
    std::vector<quint8> storage;
    qsizetype capacity;
};

} // namespace

class TestHexViews : public QObject
{
    Q_OBJECT
private slots:
    void viewTextsOfBytes()
    {
        QCOMPARE(hexViewText(span(QByteArray("\x41\x0A\xFF", 3))), QStringLiteral("41 0A FF "));
        QCOMPARE(hexViewText({}), QString());
        QCOMPARE(asciiViewText({}), QString());
        QCOMPARE(asciiViewText(span(QByteArray("A\0B", 3))), QStringLiteral("A<0>B"));
        QCOMPARE(asciiViewText(span(QByteArray("\r\n", 2))), QStringLiteral("\r\n"));
        QCOMPARE(hexViewText(span(QByteArray("\r\n", 2))), QStringLiteral("0D 0A "));
        QCOMPARE(asciiViewText(span(QByteArray("\xE9\xFF", 2))), QString::fromLatin1("\xE9\xFF"));
    }

    void hexViewIsReadByPosition_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("final space") << QStringLiteral("41 42 43 ") << QByteArray("ABC");
        QTest::newRow("no final space") << QStringLiteral("41 42 43") << QByteArray("ABC");
        QTest::newRow("lone last digit") << QStringLiteral("41 42 4") << QByteArray("AB\x04");
        QTest::newRow("no separators") << QStringLiteral("4142") << QByteArray("\x41\x02");
        QTest::newRow("any separator") << QStringLiteral("41x42\n43") << QByteArray("ABC");
        // The line break takes a place of its own: every later pair is shifted.
        QTest::newRow("line break shifts")
            << QStringLiteral("41 \r\n42 ") << QByteArray("\x41\xEE\x1F", 3);
        // Lowercase letters are no digits: Hex2Dec counts them -1.
        QTest::newRow("lowercase") << QStringLiteral("4a ") << QByteArray("\x3F");
        QTest::newRow("zero") << QStringLiteral("00 41 ") << QByteArray("\0A", 2);
    }
    void hexViewIsReadByPosition()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        Guarded g(kEditBufferSize);
        const qint32 count = hexViewToBuffer(text, g.buffer());
        QCOMPARE(g.content(count), bytes);
    }

    void hexValueOutOfRangeKeepsTheByte()
    {
        // "ff" reads as -17 and "zz" as -17: both leave their byte, both count.
        Guarded g(10);
        g.buffer()[1] = 0x55;
        g.buffer()[2] = 0x66;
        QCOMPARE(hexViewToBuffer(QStringLiteral("01 ff zz 02"), g.buffer()), 4);
        QCOMPARE(g.content(4), QByteArray("\x01\x55\x66\x02"));
    }

    void asciiViewMarkers()
    {
        Guarded g(kEditBufferSize);
        qint32 n = asciiViewToBuffer(QStringLiteral("A<0>B"), g.buffer());
        QCOMPARE(g.content(n), QByteArray("A\0B", 3));
        n = asciiViewToBuffer(QStringLiteral("<0>A"), g.buffer());
        QCOMPARE(g.content(n), QByteArray("\0A", 2));
        QCOMPARE(hexViewText(span(g.content(n))), QStringLiteral("00 41 "));
        // An incomplete marker is plain characters.
        n = asciiViewToBuffer(QStringLiteral("x<0"), g.buffer());
        QCOMPARE(g.content(n), QByteArray("x<0"));
        n = asciiViewToBuffer(QStringLiteral("<<0>0>"), g.buffer());
        QCOMPARE(g.content(n), QByteArray("<\0"
                                          "0>",
                                          4));
        n = asciiViewToBuffer(QStringLiteral("\r\n"), g.buffer());
        QCOMPARE(g.content(n), QByteArray("\r\n"));
        // A character without a byte of its own becomes "?".
        n = asciiViewToBuffer(QString::fromUtf16(u"a\u20ACb"), g.buffer());
        QCOMPARE(g.content(n), QByteArray("a?b"));
    }

    void everyByteValueRoundTrips()
    {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        all += all; // a zero byte also after other bytes
        Guarded g(kEditBufferSize);
        qint32 n = hexViewToBuffer(hexViewText(span(all)), g.buffer());
        QCOMPARE(g.content(n), all);
        g.buffer()[0] = 0x99;
        n = asciiViewToBuffer(asciiViewText(span(all)), g.buffer());
        QCOMPARE(g.content(n), all);
        QCOMPARE(asciiViewText(span(all)).size(), 512 + 2 * 2);
        QCOMPARE(hexViewText(span(all)).size(), 512 * 3);
    }

    void nothingIsWrittenPastTheBuffer()
    {
        // One pair and one character more than the buffer holds.
        QByteArray big(kEditBufferSize + 1, 'A');
        big[kEditBufferSize] = 'B';
        Guarded g(kEditBufferSize);
        QCOMPARE(hexViewToBuffer(hexViewText(span(big)), g.buffer()), qint32(kEditBufferSize));
        QVERIFY(g.guardsIntact());
        QCOMPARE(g.buffer().back(), quint8('A'));
        QCOMPARE(
            asciiViewToBuffer(QString(kEditBufferSize, u'<') + QStringLiteral("<0>"), g.buffer()),
            qint32(kEditBufferSize));
        QVERIFY(g.guardsIntact());
        QCOMPARE(g.buffer().back(), quint8('<'));
    }

    void printLayout()
    {
        const QString crlf = QStringLiteral("\r\n");
        // Both views empty: three pairs of empty lines and nothing else.
        QCOMPARE(printAllLines(QString(), QString()), QStringList({crlf, crlf, crlf}));

        // 27 bytes are 81 characters: the last pair's space goes on a line of its own.
        const QString hex27 = QStringLiteral("41 ").repeated(27);
        QCOMPARE(printAllLines(hex27, QStringLiteral("A")),
                 QStringList({crlf,
                              QStringLiteral("  41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 "
                                             "41 41 41 41 41 41 41 41 41 41"),
                              QStringLiteral("   "), crlf, QStringLiteral("  A"), crlf}));

        // Exactly 80 characters: one line, no empty rest line. A CR LF stays inside the
        // line and counts as two characters.
        const QString ascii80 = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKL"
                                               "MNOPQRSTUVWXYZ<0>\r\n-------------");
        QCOMPARE(ascii80.size(), 80);
        QCOMPARE(printAllLines(QString(), ascii80),
                 QStringList({crlf, crlf,
                              QStringLiteral("  0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKL"
                                             "MNOPQRSTUVWXYZ<0>\r\n-------------"),
                              crlf}));
        QCOMPARE(printAllLines(QString(), ascii80 + QStringLiteral("+")).at(3),
                 QStringLiteral("  +"));
        QCOMPARE(printFontName, QStringLiteral("Courier"));
        QCOMPARE(printFontSize, 10.0);
    }
};

QTEST_GUILESS_MAIN(TestHexViews)
#include "tst_hexviews.moc"
