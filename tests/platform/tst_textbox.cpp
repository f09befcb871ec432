#include "textbox.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTextCharFormat>

using namespace Qt::StringLiterals;

namespace {

QString hexPairs(int pairs)
{
    QString s;
    for (int i = 0; i < pairs; ++i)
        s += QStringLiteral("%1 ").arg(i & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    return s;
}

QString allLatin1()
{
    QString s;
    for (int i = 0; i < 256; ++i)
        s += QChar(i);
    return s;
}

// A shown box narrow enough that long lines are split.
struct Shown
{
    Shown()
    {
        box.setFont(QFont(QStringLiteral("Courier New"), 8));
        box.resize(300, 200);
        box.show();
        box.setFocus();
        QCoreApplication::processEvents();
    }
    TextBox box;
};

} // namespace

class TstTextBox : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("crlf") << QStringLiteral("ab\r\ncd\r\n");
        QTest::newRow("lone cr and lf") << QStringLiteral("\ra\nb\r\r\n\n\rc\n");
        QTest::newRow("latin1") << allLatin1() + allLatin1();
        QTest::newRow("zero marker") << QStringLiteral("A<0>B<0");
        QTest::newRow("long hex") << hexPairs(3000);
        QTest::newRow("long words") << QString(1500, QLatin1Char('x')) + QStringLiteral("\r\n") +
                                           QStringLiteral("a b c ").repeated(400) +
                                           QStringLiteral("\r");
        QTest::newRow("non latin1") << QString::fromUtf8("a\u2028b\u2029c\uFDD0d");
    }
    void roundTrip()
    {
        QFETCH(QString, text);
        Shown s;
        s.box.setText(text);
        QCOMPARE(s.box.text(), text);
        QCOMPARE(s.box.length(), text.size());
        QVERIFY(s.box.displayMatchesText());

        // The same text appended in pieces of several sizes gives the same box, also where
        // a CR is shown before the LF that pairs with it arrives.
        for (int piece : {1, 2, 3, 7, 300}) {
            Shown a;
            for (qsizetype i = 0; i < text.size(); i += piece) {
                a.box.appendText(text.mid(i, piece));
                if (text.mid(i, piece).endsWith(u'\r'))
                    a.box.flush();
                else if (i % (piece * 5) == 0)
                    QCoreApplication::processEvents();
            }
            QCOMPARE(a.box.text(), text);
            a.box.flush();
            QVERIFY(a.box.displayMatchesText());
            QCOMPARE(a.box.document()->toPlainText(), s.box.document()->toPlainText());
        }
    }

    void changedFiresForProgramAndUser()
    {
        Shown s;
        QSignalSpy spy(&s.box, &TextBox::changed);
        QString seen; // changed() runs with the new text already in text()
        connect(&s.box, &TextBox::changed, this, [&] { seen = s.box.text(); });
        s.box.setText(QStringLiteral("abc"));
        s.box.appendText(QStringLiteral("def"));
        s.box.appendText(QString());
        QCOMPARE(spy.count(), 2);
        QCOMPARE(seen, QStringLiteral("abcdef"));
        s.box.setSelStart(1);
        QTest::keyClick(&s.box, Qt::Key_X);
        QCOMPARE(seen, QStringLiteral("axbcdef"));
        QTest::keyClick(&s.box, Qt::Key_Backspace);
        QCOMPARE(spy.count(), 4);
        QCOMPARE(s.box.text(), QStringLiteral("abcdef"));
        // Resizing and font changes are no changes of the text.
        s.box.resize(200, 200);
        s.box.setFontSize(14);
        QCOMPARE(spy.count(), 4);
        // The editor's own text calls work on the text, not on the shown lines.
        s.box.appendPlainText(QStringLiteral("c"));
        s.box.setSelStart(1);
        s.box.insertPlainText(QStringLiteral("\n"));
        QCOMPARE(s.box.text(), QStringLiteral("a\nbcdef\r\nc"));
        QCOMPARE(s.box.toPlainText(), s.box.text());
        QCOMPARE(spy.count(), 6);
    }

    void editingASplitLine()
    {
        Shown s;
        QString t = hexPairs(500);
        s.box.setText(t);
        QVERIFY(s.box.document()->blockCount() > 5);
        // Puts the caret at a position of the shown document; gives it as a text position.
        const auto caretAtDoc = [&](int docPos) {
            s.box.flush();
            QTextCursor c(s.box.document());
            c.setPosition(docPos);
            s.box.setTextCursor(c);
            return s.box.selStart();
        };

        // Backspace at the start of a continuation line removes the character before it.
        qsizetype at = caretAtDoc(s.box.document()->findBlockByNumber(3).position());
        QTest::keyClick(&s.box, Qt::Key_Backspace);
        t.remove(at - 1, 1);
        QCOMPARE(s.box.text(), t);
        QCOMPARE(s.box.selStart(), at - 1);

        // Delete at the end of a shown line removes the character after it.
        at = caretAtDoc(s.box.document()->findBlockByNumber(5).position() - 1);
        QTest::keyClick(&s.box, Qt::Key_Delete);
        t.remove(at, 1);
        QCOMPARE(s.box.text(), t);

        // Enter inserts CR LF; typing long runs into one shown line splits it again.
        s.box.setSelStart(40);
        QTest::keyClick(&s.box, Qt::Key_Return);
        t.insert(40, QStringLiteral("\r\n"));
        QCOMPARE(s.box.text(), t);
        QTest::keyClicks(&s.box, QString(150, QLatin1Char('Q')));
        t.insert(42, QString(150, QLatin1Char('Q')));
        QCOMPARE(s.box.text(), t);
        s.box.flush();
        QVERIFY(s.box.displayMatchesText());
        for (QTextBlock b = s.box.document()->begin(); b.isValid(); b = b.next())
            QVERIFY(b.length() - 1 <= s.box.lineChars());

        // Between CR and LF the caret goes before the pair.
        s.box.setSelStart(41);
        QCOMPARE(s.box.selStart(), 40);
    }

    // Random typing, deleting, selecting and program appends against a plain string.
    void randomEditsKeepTheText()
    {
        Shown s;
        QRandomGenerator rng(232);
        QString model = hexPairs(200) + QStringLiteral("ab\r\ncd\ref\ngh ") + hexPairs(100);
        s.box.setText(model);
        auto outsidePair = [&](qsizetype p) {
            return p > 0 && p < model.size() && model[p - 1] == u'\r' && model[p] == u'\n' ? p - 1
                                                                                           : p;
        };
        const QString pieces[] = {QStringLiteral("41 "), QStringLiteral("\r\n"),
                                  QStringLiteral("\r"),  QStringLiteral("\n"),
                                  QStringLiteral("xyz"), hexPairs(40)};
        for (int step = 0; step < 600; ++step) {
            const int op = int(rng.bounded(8));
            if (op == 7) {
                const QString &piece = pieces[rng.bounded(6)];
                const qsizetype a = outsidePair(qsizetype(rng.bounded(int(model.size()) + 1)));
                s.box.setSelStart(a);
                QGuiApplication::clipboard()->setText(piece);
                s.box.paste();
                model.insert(a, piece);
            } else if (op == 6) {
                const QString &piece = pieces[rng.bounded(6)];
                s.box.appendText(piece);
                model += piece;
            } else {
                const qsizetype a = outsidePair(qsizetype(rng.bounded(int(model.size()) + 1)));
                const qsizetype b =
                    rng.bounded(3) == 0
                        ? outsidePair(qMin(model.size(), a + qsizetype(rng.bounded(90))))
                        : a;
                s.box.setSelection(a, b - a);
                QCOMPARE(s.box.selStart(), a);
                QCOMPARE(s.box.selLength(), b - a);
                if (op <= 2) {
                    QTest::keyClick(&s.box, Qt::Key_K);
                    model.replace(a, b - a, QStringLiteral("k"));
                } else if (op == 3) {
                    QTest::keyClick(&s.box, Qt::Key_Return);
                    model.replace(a, b - a, QStringLiteral("\r\n"));
                } else if (op == 4) {
                    QTest::keyClick(&s.box, Qt::Key_Backspace);
                    if (b > a)
                        model.remove(a, b - a);
                    else if (a >= 2 && model.mid(a - 2, 2) == QStringLiteral("\r\n"))
                        model.remove(a - 2, 2);
                    else if (a > 0)
                        model.remove(a - 1, 1);
                } else {
                    QTest::keyClick(&s.box, Qt::Key_Delete);
                    if (b > a)
                        model.remove(a, b - a);
                    else if (model.mid(a, 2) == QStringLiteral("\r\n"))
                        model.remove(a, 2);
                    else
                        model.remove(a, 1);
                }
            }
            QCOMPARE(s.box.text(), model);
            if (step % 7 == 0)
                QCoreApplication::processEvents();
            if (step == 300)
                s.box.resize(220, 200);
        }
        s.box.flush();
        QVERIFY(s.box.displayMatchesText());
    }

    void caretAndAppends()
    {
        Shown s;
        s.box.setText(QStringLiteral("hello world"));
        s.box.setSelStart(5);
        s.box.appendText(QStringLiteral(" more"));
        QCoreApplication::processEvents();
        QCOMPARE(s.box.selStart(), 5);
        // At the end the caret stays where it was unless the program moves it.
        s.box.setSelStart(s.box.length());
        s.box.appendText(QStringLiteral("!"));
        QCoreApplication::processEvents();
        QCOMPARE(s.box.selStart(), 16);
        // A caret set while appends wait counts at once and is shown with them.
        s.box.appendText(QStringLiteral("abc"));
        s.box.setSelStart(s.box.length());
        QCOMPARE(s.box.selStart(), 20);
        QCoreApplication::processEvents();
        QCOMPARE(s.box.selStart(), 20);
        QTRY_COMPARE(s.box.textCursor().position(), s.box.document()->characterCount() - 1);
        // A key typed before the appends are shown lands where the caret is.
        s.box.appendText(QStringLiteral("xyz"));
        s.box.setSelStart(0);
        QTest::keyClick(&s.box, Qt::Key_Q);
        QCOMPARE(s.box.text(), QStringLiteral("qhello world more!abcxyz"));
    }

    void copyAndPasteUseTheText()
    {
        Shown s;
        const QString t = hexPairs(200) + QStringLiteral("\r\nA\rB\nC");
        s.box.setText(t);
        for (auto [from, n] : {std::pair(10, 200), std::pair(590, 10)}) {
            s.box.setSelection(from, n);
            QCOMPARE(s.box.selectedText(), t.mid(from, n));
            s.box.copy();
            QCOMPARE(QGuiApplication::clipboard()->text(), t.mid(from, n));
        }

        QGuiApplication::clipboard()->setText(QStringLiteral("x\ny\rz\r\n"));
        s.box.setSelection(3, 4);
        QSignalSpy spy(&s.box, &TextBox::changed);
        s.box.paste();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(s.box.text(), QString(t).replace(3, 4, QStringLiteral("x\ny\rz\r\n")));
        QCOMPARE(s.box.selStart(), 3 + 7);
        s.box.flush();
        QVERIFY(s.box.displayMatchesText());
    }

    void accessibleTextIsTheText()
    {
        Shown s;
        const QString t = hexPairs(300) + QStringLiteral("\r\nA\rB");
        s.box.setText(t);
        s.box.setSelStart(400);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&s.box);
        QVERIFY(iface);
        QCOMPARE(iface->text(QAccessible::Value), t);
        QAccessibleTextInterface *text = iface->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), int(t.size()));
        QCOMPARE(text->text(0, int(t.size())), t);
        QCOMPARE(text->text(100, 250), t.mid(100, 150));
        QCOMPARE(text->cursorPosition(), 400);
        text->setSelection(0, 95, 205);
        int a = 0, b = 0;
        text->selection(0, &a, &b);
        QCOMPARE(a, 95);
        QCOMPARE(b, 205);
        QVERIFY(iface->editableTextInterface());
        iface->editableTextInterface()->insertText(0, QStringLiteral("\n"));
        QCOMPARE(s.box.text(), QLatin1Char('\n') + t);
    }

    // However a character outside ISO-8859-1 reaches a byte box, it is "?" there at once,
    // one for each character, and no change handler sees it otherwise.
    void latin1OnlyTurnsOtherCharactersIntoQuestionMarks_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        const QString shown = QStringLiteral("a??\u00E9b");
        for (const char *way : {"typed", "input method", "pasted", "dropped", "accessible"})
            QTest::newRow(way) << QString::fromLatin1(way) << true << shown << 4;
        QTest::newRow("set") << u"set"_s << true << QStringLiteral("??\u00E9") << 0;
        QTest::newRow("appended") << u"appended"_s << true << QStringLiteral("ab??\u00E9") << 1;
        QTest::newRow("typed, option off")
            << u"typed"_s << false << QString::fromUtf8("a\u20AC\U0001F600\u00E9b") << 5;
    }
    void latin1OnlyTurnsOtherCharactersIntoQuestionMarks()
    {
        QFETCH(QString, way);
        QFETCH(bool, on);
        QFETCH(QString, text);
        QFETCH(int, caret);
        const QString typed = QString::fromUtf8("\u20AC\U0001F600\u00E9"); // euro, emoji, e acute
        Shown s;
        s.box.setLatin1Only(on);
        s.box.setText(QStringLiteral("ab"));
        s.box.setSelStart(1);
        QStringList seen;
        connect(&s.box, &TextBox::changed, this, [&] { seen << s.box.text(); });

        if (way == u"typed") {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
            QApplication::sendEvent(&s.box, &press);
        } else if (way == u"input method") {
            QInputMethodEvent commit;
            commit.setCommitString(typed);
            QApplication::sendEvent(&s.box, &commit);
        } else if (way == u"pasted") {
            QGuiApplication::clipboard()->setText(typed);
            s.box.paste();
        } else if (way == u"dropped") {
            QMimeData mime;
            mime.setText(typed);
            const QPointF at = s.box.cursorRect().center();
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(s.box.viewport(), &enter);
            QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(s.box.viewport(), &drop);
        } else if (way == u"accessible") {
            QAccessible::queryAccessibleInterface(&s.box)->editableTextInterface()->insertText(
                1, typed);
        } else if (way == u"set") {
            s.box.setText(typed);
        } else {
            s.box.appendText(typed);
        }

        QCOMPARE(s.box.text(), text);
        QCOMPARE(s.box.selStart(), caret);
        QVERIFY(!seen.isEmpty());
        QCOMPARE(seen.last(), text);
        if (on)
            QVERIFY2(!seen.join(QString()).contains(u'\u20AC'), qPrintable(seen.join(u'|')));
        s.box.flush();
        QVERIFY(s.box.displayMatchesText());
    }

    // Screen readers hear of the box's font and colours exactly as from a QPlainTextEdit.
    void accessibleAttributesAreThoseOfAPlainTextEdit_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QColor>("colour"); // of the text's format; invalid: none
        QFont pane(QStringLiteral("Courier New"), 8);
        pane.setPointSizeF(8.25);
        QFont strong(QStringLiteral("Liberation Sans"), 12, QFont::Bold, true);
        strong.setUnderline(true);
        QFont pixels;
        pixels.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
        pixels.setPixelSize(10);
        QTest::newRow("pane") << pane << QColor();
        QTest::newRow("bold italic underlined") << strong << QColor();
        QTest::newRow("pixel sized") << pixels << QColor();
        QTest::newRow("coloured") << pane << QColor(200, 10, 30);
    }
    void accessibleAttributesAreThoseOfAPlainTextEdit()
    {
        QFETCH(QFont, font);
        QFETCH(QColor, colour);
        QPlainTextEdit plain;
        Shown s;
        for (QPlainTextEdit *e : {static_cast<QPlainTextEdit *>(&s.box), &plain}) {
            e->setFont(font);
            QPalette pal = e->palette();
            pal.setColor(QPalette::Text, Qt::darkGreen);
            pal.setColor(QPalette::Base, Qt::yellow);
            e->setPalette(pal);
        }
        const auto attributes = [](QWidget *w, int offset, int *start, int *end) {
            return QAccessible::queryAccessibleInterface(w)->textInterface()->attributes(
                offset, start, end);
        };
        int a = 0, b = 0;
        // Empty, both report nothing.
        QCOMPARE(attributes(&s.box, 0, &a, &b), attributes(&plain, 0, &a, &b));
        QCOMPARE(std::pair(a, b), std::pair(-1, -1));

        const QString t = QStringLiteral("ab\r\ncd\r") + hexPairs(300);
        s.box.setText(t);
        plain.setPlainText(t);
        if (colour.isValid()) {
            s.box.flush();
            QTextCharFormat f;
            f.setForeground(colour);
            f.setBackground(colour.darker());
            for (QTextDocument *doc : {s.box.document(), plain.document()}) {
                QTextCursor all(doc);
                all.select(QTextCursor::Document);
                all.mergeCharFormat(f);
            }
            QCOMPARE(s.box.text(), t);
        }
        const QString expected = attributes(&plain, 0, &a, &b);
        QVERIFY(expected.contains(QStringLiteral("font-weight:")));
        QCOMPARE(expected.contains(QStringLiteral("color:rgb(200,10,30);")), colour.isValid());
        s.box.setSelStart(5);
        const int n = int(t.size());
        for (int offset : {0, 3, 6, 500, n - 1, n, -1, -2}) { // 3, 6: line breaks
            QCOMPARE(attributes(&s.box, offset, &a, &b), expected);
            QCOMPARE(std::pair(a, b), std::pair(0, n));
        }
        QCOMPARE(attributes(&s.box, n + 1, &a, &b), QString());
        QCOMPARE(std::pair(a, b), std::pair(-1, -1));
    }

    // Long lines are shown split (hex pairs whole) to the width, and split anew when the
    // width or the font changes, without touching the text or the caret.
    void resizeAndFontKeepTextAndCaret()
    {
        Shown s;
        const QString t = hexPairs(1000) + QStringLiteral("\r\n") + QString(700, QLatin1Char('w'));
        s.box.setText(t);
        s.box.setSelStart(1234);
        const int w = s.box.lineChars();
        for (int step = 0; step < 4; ++step) {
            if (step == 1) {
                s.box.resize(150, 200);
                QVERIFY(s.box.lineChars() < w);
            } else if (step == 2)
                s.box.setFontSize(16);
            else if (step == 3)
                s.box.resize(600, 200);
            QCOMPARE(s.box.text(), t);
            QCOMPARE(s.box.selStart(), 1234);
            QVERIFY(s.box.displayMatchesText());
            QVERIFY(s.box.document()->blockCount() > 3);
            for (QTextBlock b = s.box.document()->begin(); b.isValid(); b = b.next()) {
                QVERIFY(b.length() - 1 <= s.box.lineChars());
                QVERIFY2(b.text().endsWith(u' ') || b.text().startsWith(u'w'),
                         qPrintable(b.text()));
            }
        }
    }
};

QTEST_MAIN(TstTextBox)
#include "tst_textbox.moc"
