#include "platform/linesplit.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString hexPairs(int pairs)
{
    QString s;
    for (int i = 0; i < pairs; ++i)
        s += u"%1 "_s.arg(i & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    return s;
}

// The lines as text, each followed by what ends it: "|" a cut, <crlf>, <cr> or <lf>.
QString lines(const LineSplit &split, const QString &shown)
{
    const QStringList parts = shown.split(QChar::ParagraphSeparator);
    if (parts.size() != split.count())
        return u"%1 lines shown, %2 kept"_s.arg(parts.size()).arg(split.count());
    QString out;
    for (int i = 0; i < split.count(); ++i) {
        static const char *const ends[] = {"", "|", "<crlf>", "<cr>", "<lf>"};
        if (parts[i].size() != split.length(i))
            return u"line %1: %2 characters shown, %3 kept"_s.arg(i)
                .arg(parts[i].size())
                .arg(split.length(i));
        out += parts[i] + QLatin1StringView(ends[int(split.end(i))]);
    }
    return out;
}

} // namespace

class TstLineSplit : public QObject
{
    Q_OBJECT
private slots:
    void splitsAtBreaksSpacesAndWidth_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // 8 characters a line
        QTest::newRow("hex pairs") << u"41 42 43 44 45 46"_s << u"41 42 |43 44 |45 46"_s;
        QTest::newRow("no space") << u"abcdefghijk"_s << u"abcdefgh|ijk"_s;
        QTest::newRow("space too early") << u"a bcdefghijk"_s << u"a bcdefg|hijk"_s;
        QTest::newRow("breaks") << u"ab\r\ncd\ref\ngh"_s << u"ab<crlf>cd<cr>ef<lf>gh"_s;
        QTest::newRow("empty lines") << u"\r\r\n\n"_s << u"<cr><crlf><lf>"_s;
        QTest::newRow("full line, break") << u"12345678\r\n"_s << u"12345678<crlf>"_s;
        QTest::newRow("separators") << u"x\u2029y\u2028z"_s << u"x\uFFFDy\uFFFDz"_s;
    }
    void splitsAtBreaksSpacesAndWidth()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        LineSplit split;
        split.setLineChars(8);
        const QString shown = split.reset(text);
        QCOMPARE(lines(split, shown), expected);
        QCOMPARE(split.shownEnd(), text.size());
        QCOMPARE(split.shownLength(), shown.size());
        // Every text position lies in the line lineAt() names, and back.
        for (qsizetype pos = 0; pos <= text.size(); ++pos) {
            const int line = split.lineAt(pos);
            const qsizetype start = split.start(line);
            QVERIFY(start <= pos);
            QVERIFY(line + 1 == split.count() || pos < split.start(line + 1));
            if (pos - start <= split.length(line))
                QCOMPARE(split.textPos(line, int(pos - start)), pos);
        }
    }

    // Text shown piece by piece, each piece shown before the next comes, is split exactly
    // as the whole text at once; the lines reported as changed rebuild the shown text.
    void extendingInPiecesSplitsAsAtOnce_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("hex pairs") << hexPairs(300);
        QTest::newRow("lines and breaks")
            << u"ab\r\ncd\r\r\n\nef "_s.repeated(20) + QString(50, u'x') + u"\r"_s;
        QTest::newRow("words") << u"a bb ccc dddd eeeee "_s.repeated(30);
    }
    void extendingInPiecesSplitsAsAtOnce()
    {
        QFETCH(QString, text);
        LineSplit whole;
        whole.setLineChars(16);
        const QString expected = whole.reset(text);
        for (int piece : {1, 2, 3, 7, 40}) {
            LineSplit split;
            split.setLineChars(16);
            QString doc;
            for (qsizetype to = piece; to - piece < text.size(); to += piece) {
                const LineSplit::Tail tail = split.extend(text, qMin(to, text.size()));
                qsizetype keep = 0;
                for (int i = 0; i < tail.first; ++i)
                    keep += split.length(i) + 1;
                doc = doc.left(keep) + tail.shown;
                QCOMPARE(split.shownEnd(), qMin(to, text.size()));
            }
            QCOMPARE(lines(split, doc), lines(whole, expected));
            QCOMPARE(split.shownLength(), expected.size());
        }
    }
};

QTEST_GUILESS_MAIN(TstLineSplit)
#include "tst_linesplit.moc"
