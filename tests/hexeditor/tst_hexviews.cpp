#include "hexviews.h"
#include "printlayout.h"

#include <QtTest>

#include <vector>

namespace {

std::span<const quint8> span(const QByteArray &b)
{
    return {reinterpret_cast<const quint8 *>(b.constData()), size_t(b.size())};
}

// An edit buffer filled with 0xEE and followed by 16 guard bytes, so a write past its end shows.
struct Guarded
{
    std::vector<quint8> storage = std::vector<quint8>(size_t(kEditBufferSize) + 16, 0xEE);
    std::span<quint8> buffer() { return std::span(storage).first(size_t(kEditBufferSize)); }
    QByteArray content(qint32 count)
    {
        return QByteArray(reinterpret_cast<const char *>(storage.data()), count);
    }
    bool guardIntact() const
    {
        return std::all_of(storage.end() - 16, storage.end(), [](quint8 b) { return b == 0xEE; });
    }
};

} // namespace

class TestHexViews : public QObject
{
    Q_OBJECT
private slots:
    void viewsAreReadBack_data()
    {
        QTest::addColumn<bool>("hexView");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("hex empty") << true << QString() << QByteArray();
        QTest::newRow("hex final space") << true << "41 42 43 " << QByteArray("ABC");
        QTest::newRow("hex no final space") << true << "41 42 43" << QByteArray("ABC");
        QTest::newRow("hex lone last digit") << true << "41 42 4" << QByteArray("AB\x04");
        QTest::newRow("hex no separators") << true << "4142" << QByteArray("\x41\x02");
        QTest::newRow("hex any separator") << true << "41x42\n43" << QByteArray("ABC");
        // The line break takes a place of its own: every later pair is shifted.
        QTest::newRow("hex line break shifts")
            << true << "41 \r\n42 " << QByteArray("\x41\xEE\x1F");
        // Lowercase letters are no digits: Hex2Dec counts them -1.
        QTest::newRow("hex lowercase") << true << "4a " << QByteArray("\x3F");
        QTest::newRow("hex zero") << true << "00 41 " << QByteArray("\0A", 2);
        // "ff" and "zz" read as -17: both leave their byte as it was, both count.
        QTest::newRow("hex out of range")
            << true << "01 ff zz 02" << QByteArray("\x01\xEE\xEE\x02");
        QTest::newRow("ascii marker") << false << "A<0>B" << QByteArray("A\0B", 3);
        QTest::newRow("ascii marker first") << false << "<0>A" << QByteArray("\0A", 2);
        QTest::newRow("ascii incomplete marker") << false << "x<0" << QByteArray("x<0");
        QTest::newRow("ascii nested marker") << false << "<<0>0>" << QByteArray("<\0000>", 4);
        QTest::newRow("ascii crlf") << false << "\r\n" << QByteArray("\r\n");
        // A character without a byte of its own becomes "?".
        QTest::newRow("ascii euro")
            << false << QString::fromUtf16(u"a\u20ACb") << QByteArray("a?b");
    }
    void viewsAreReadBack()
    {
        QFETCH(bool, hexView);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        Guarded g;
        const qint32 n =
            hexView ? hexViewToBuffer(text, g.buffer()) : asciiViewToBuffer(text, g.buffer());
        QCOMPARE(g.content(n), bytes);
    }

    void everyByteValueRoundTrips()
    {
        const QByteArray some("\0\r\n\xE9\xFF", 5);
        QCOMPARE(hexViewText(span(some)), QStringLiteral("00 0D 0A E9 FF "));
        QCOMPARE(asciiViewText(span(some)), QString::fromLatin1("<0>\r\n\xE9\xFF"));
        QCOMPARE(hexViewText({}) + asciiViewText({}), QString());

        QByteArray all;
        for (int i = 0; i < 512; ++i) // twice, so a zero byte also follows other bytes
            all.append(char(i));
        Guarded g;
        QCOMPARE(g.content(hexViewToBuffer(hexViewText(span(all)), g.buffer())), all);
        g.buffer()[0] = 0x99;
        QCOMPARE(g.content(asciiViewToBuffer(asciiViewText(span(all)), g.buffer())), all);
    }

    void nothingIsWrittenPastTheBuffer()
    {
        // One pair and one character more than the buffer holds.
        QByteArray big(kEditBufferSize + 1, 'A');
        big[kEditBufferSize] = 'B';
        Guarded g;
        QCOMPARE(hexViewToBuffer(hexViewText(span(big)), g.buffer()), qint32(kEditBufferSize));
        QVERIFY(g.guardIntact());
        QCOMPARE(g.buffer().back(), quint8('A'));
        QCOMPARE(
            asciiViewToBuffer(QString(kEditBufferSize, u'<') + QStringLiteral("<0>"), g.buffer()),
            qint32(kEditBufferSize));
        QVERIFY(g.guardIntact());
        QCOMPARE(g.buffer().back(), quint8('<'));
    }

    void printLayout()
    {
        const QString crlf = QStringLiteral("\r\n");
        // Both views empty: three pairs of empty lines and nothing else.
        QCOMPARE(printAllLines(QString(), QString()), QStringList({crlf, crlf, crlf}));

        // 27 bytes are 81 characters: the last pair's space goes on a line of its own.
        QCOMPARE(printAllLines(QStringLiteral("41 ").repeated(27), QStringLiteral("A")),
                 QStringList({crlf,
                              "  41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 "
                              "41 41 41 41 41 41 41 41 41 41",
                              "   ", crlf, "  A", crlf}));

        // Exactly 80 characters: one line, no empty rest line. A CR LF stays inside the
        // line and counts as two characters.
        const QString ascii80 = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKL"
                                               "MNOPQRSTUVWXYZ<0>\r\n-------------");
        QCOMPARE(ascii80.size(), 80);
        QCOMPARE(printAllLines(QString(), ascii80),
                 QStringList({crlf, crlf,
                              "  0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKL"
                              "MNOPQRSTUVWXYZ<0>\r\n-------------",
                              crlf}));
        QCOMPARE(printAllLines(QString(), ascii80 + "+").at(3), QStringLiteral("  +"));
    }
};

QTEST_GUILESS_MAIN(TestHexViews)
#include "tst_hexviews.moc"
