#include "platform/widgets/textbox.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
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
        s += u"%1 "_s.arg(i & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    return s;
}

// A shown box narrow enough that long lines are split.
struct Shown
{
    Shown()
    {
        box.setFont(QFont(u"Courier New"_s, 8));
        box.resize(300, 200);
        box.show();
        box.setFocus();
        QCoreApplication::processEvents();
    }
    TextBox box;
    // What shows the text: for a look at its shown lines, and for events only it gets.
    QPlainTextEdit *editor() const { return qobject_cast<QPlainTextEdit *>(box.focusProxy()); }
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
        QTest::newRow("crlf") << u"ab\r\ncd\r\n"_s;
        QTest::newRow("lone cr and lf") << u"\ra\nb\r\r\n\n\rc\n"_s;
        QString latin1;
        for (int i = 0; i < 512; ++i)
            latin1 += QChar(i % 256);
        QTest::newRow("latin1") << latin1;
        QTest::newRow("zero marker") << u"A<0>B<0"_s;
        QTest::newRow("long hex") << hexPairs(3000);
        QTest::newRow("long words")
            << QString(1500, QLatin1Char('x')) + u"\r\n"_s + u"a b c "_s.repeated(400) + u"\r"_s;
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

        // The same text appended in pieces of several sizes, each shown before the next
        // arrives, gives the same box split into the same lines (hex pairs whole), also where
        // a CR is shown before the LF that pairs with it arrives. A caret placed at the end of a
        // full line stays on its character when the line is split again.
        for (int piece : {1, 2, 3, 7, 300}) {
            Shown a;
            qsizetype caret = 0;
            for (qsizetype i = 0; i < text.size(); i += piece) {
                a.box.appendText(text.mid(i, piece));
                if (caret == 0 && a.box.length() >= a.box.lineChars()) {
                    a.box.flush();
                    a.box.setSelStart(caret = a.box.length());
                }
                if (i % (piece * 5) == 0)
                    QCoreApplication::processEvents();
                else
                    a.box.flush();
            }
            QCOMPARE(a.box.text(), text);
            a.box.flush();
            QVERIFY(a.box.displayMatchesText());
            QCOMPARE(a.editor()->document()->toPlainText(), s.editor()->document()->toPlainText());
            QCOMPARE(a.box.selStart(), caret - text.mid(caret - 1, 2).startsWith(u"\r\n"_s));
        }

        // Long lines are split anew when the width or the font changes (hex pairs whole),
        // without touching the text or the caret.
        s.box.setSelStart(text.size() / 2);
        const qsizetype caret = s.box.selStart();
        const int w = s.box.lineChars();
        for (int step = 0; step < 3; ++step) {
            if (step == 1)
                s.box.setFontSize(16);
            else
                s.box.resize(step ? 600 : 150, 200);
            QVERIFY(step || s.box.lineChars() < w);
            QCOMPARE(s.box.text(), text);
            QCOMPARE(s.box.selStart(), caret);
            QVERIFY(s.box.displayMatchesText());
            for (QTextBlock b = s.editor()->document()->begin(); b.isValid(); b = b.next()) {
                QVERIFY(b.length() - 1 <= s.box.lineChars());
                QVERIFY(qstrcmp(QTest::currentDataTag(), "long hex") || b.text().endsWith(u' '));
            }
        }
    }

    void changedFiresAndCaretStaysForProgramAndUser()
    {
        Shown s;
        QSignalSpy spy(&s.box, &TextBox::changed);
        QString seen; // changed() runs with the new text already in text()
        connect(&s.box, &TextBox::changed, this, [&] { seen = s.box.text(); });
        s.box.setText(u"abc"_s);
        s.box.appendText(u"def"_s);
        s.box.appendText(QString());
        QCOMPARE(spy.count(), 2);
        QCOMPARE(seen, u"abcdef"_s);
        s.box.setSelStart(1);
        QTest::keyClick(&s.box, Qt::Key_X);
        QCOMPARE(seen, u"axbcdef"_s);
        QTest::keyClick(&s.box, Qt::Key_Backspace);
        QCOMPARE(spy.count(), 4);
        QCOMPARE(s.box.text(), u"abcdef"_s);
        // Resizing and font changes are no changes of the text.
        s.box.resize(200, 200);
        s.box.setFontSize(14);
        QCOMPARE(spy.count(), 4);

        // The caret and program appends.
        s.box.setText(u"hello world"_s);
        s.box.setSelStart(5);
        s.box.appendText(u" more"_s);
        QCoreApplication::processEvents();
        QCOMPARE(s.box.selStart(), 5);
        // At the end the caret stays where it was unless the program moves it.
        s.box.setSelStart(s.box.length());
        s.box.appendText(u"!"_s);
        QCoreApplication::processEvents();
        QCOMPARE(s.box.selStart(), 16);
        // A caret set while appends wait counts at once and is shown with them.
        s.box.appendText(u"abc"_s);
        s.box.setSelStart(s.box.length());
        QCOMPARE(s.box.selStart(), 20);
        QCoreApplication::processEvents();
        QCOMPARE(s.box.selStart(), 20);
        QTRY_COMPARE(s.editor()->textCursor().position(),
                     s.editor()->document()->characterCount() - 1);
        // A key typed before the appends are shown lands where the caret is.
        s.box.appendText(u"xyz"_s);
        s.box.setSelStart(0);
        QTest::keyClick(&s.box, Qt::Key_Q);
        QCOMPARE(s.box.text(), u"qhello world more!abcxyz"_s);
    }

    void editingASplitLine()
    {
        Shown s;
        QString t = hexPairs(500);
        s.box.setText(t);
        QTextDocument *doc = s.editor()->document();
        QVERIFY(doc->blockCount() > 5);
        // Puts the caret at a position of the shown document; gives it as a text position.
        const auto caretAtDoc = [&](int docPos) {
            s.box.flush();
            QTextCursor c(doc);
            c.setPosition(docPos);
            s.editor()->setTextCursor(c);
            return s.box.selStart();
        };

        // Backspace at the start of a continuation line removes the character before it,
        // Delete at the end of a shown line the one after it.
        for (const auto &[block, back] : {std::pair{3, true}, {5, false}}) {
            const qsizetype at =
                caretAtDoc(doc->findBlockByNumber(block).position() - !back) - back;
            QTest::keyClick(&s.box, back ? Qt::Key_Backspace : Qt::Key_Delete);
            t.remove(at, 1);
            QCOMPARE(s.box.text(), t);
            QCOMPARE(s.box.selStart(), at);
        }

        // Enter inserts CR LF; typing long runs into one shown line splits it again.
        s.box.setSelStart(40);
        QTest::keyClick(&s.box, Qt::Key_Return);
        t.insert(40, u"\r\n"_s);
        QCOMPARE(s.box.text(), t);
        QTest::keyClicks(&s.box, QString(150, QLatin1Char('Q')));
        t.insert(42, QString(150, QLatin1Char('Q')));
        QCOMPARE(s.box.text(), t);
        s.box.flush();
        QVERIFY(s.box.displayMatchesText());
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            QVERIFY(b.length() - 1 <= s.box.lineChars());

        // Between CR and LF the caret goes before the pair.
        s.box.setSelStart(41);
        QCOMPARE(s.box.selStart(), 40);
    }

    // Random typing, deleting, selecting, pasting and program appends against a plain string.
    void randomEditsKeepTheText()
    {
        Shown s;
        QRandomGenerator rng(232);
        QString model = hexPairs(200) + u"ab\r\ncd\ref\ngh "_s + hexPairs(100);
        s.box.setText(model);
        auto outsidePair = [&](qsizetype p) {
            return p > 0 && p < model.size() && model[p - 1] == u'\r' && model[p] == u'\n' ? p - 1
                                                                                           : p;
        };
        const QString pieces[] = {u"41 "_s, u"\r\n"_s,        u"\r"_s,
                                  u"\n"_s,  u"x\ny\rz\r\n"_s, hexPairs(40)};
        QSignalSpy changed(&s.box, &TextBox::changed);
        const QString crlf = u"\r\n"_s;
        for (int step = 0; step < 600; ++step) {
            const int op = int(rng.bounded(8));
            const QString &piece = pieces[rng.bounded(6)];
            if (op == 6) {
                s.box.appendText(piece);
                model += piece;
            } else {
                qsizetype a = outsidePair(qsizetype(rng.bounded(int(model.size()) + 1)));
                qsizetype b = rng.bounded(3) == 0
                                  ? outsidePair(qMin(model.size(), a + qsizetype(rng.bounded(90))))
                                  : a;
                s.box.setSelection(a, b - a);
                QCOMPARE(s.box.selStart(), a);
                QCOMPARE(s.box.selLength(), b - a);
                QCOMPARE(s.box.selectedText(), model.mid(a, b - a));
                QString put;
                if (op == 7) {
                    QGuiApplication::clipboard()->clear(); // an empty selection copies nothing
                    s.box.copy();
                    QCOMPARE(QGuiApplication::clipboard()->text(), model.mid(a, b - a));
                    QGuiApplication::clipboard()->setText(piece);
                    changed.clear();
                    s.box.paste();
                    QCOMPARE(changed.count(), 1);
                    QCOMPARE(s.box.selStart(), a + piece.size());
                    put = piece;
                } else if (op <= 3) {
                    QTest::keyClick(&s.box, op == 3 ? Qt::Key_Return : Qt::Key_K);
                    put = op == 3 ? crlf : u"k"_s;
                } else {
                    QTest::keyClick(&s.box, op == 4 ? Qt::Key_Backspace : Qt::Key_Delete);
                    if (a == b && op == 4) // a CR LF pair goes as one
                        a -= a >= 2 && model.mid(a - 2, 2) == crlf ? 2 : a > 0;
                    else if (a == b)
                        b += model.mid(a, 2) == crlf ? 2 : 1;
                }
                model.replace(a, b - a, put);
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

    // Long program replaces are shown in chunks: text() and the caret are exact at once; the
    // caret and the view stay if asked to; once events ran the document is split exactly as
    // in a box given the whole text at once.
    void longReplacesAreShownInChunksExactly()
    {
        Shown s, fresh;
        QRandomGenerator rng(13);
        QString model = hexPairs(40000) + u"\r\nab\rc\n"_s + hexPairs(20000);
        s.box.setText(model);
        bool settled = true; // no caret placed before is still to be shown
        for (int step = 0; step < 60; ++step) {
            const qsizetype a = rng.bounded(int(model.size()));
            const int op = int(rng.bounded(4));
            // op 3: one character by another that splits the same, at once.
            const QString put = op == 0   ? u"\r\n"_s
                                : op == 1 ? u"x\r"_s
                                : op == 2
                                    ? hexPairs(int(rng.bounded(9000)))
                                    : QString(u"\r\n "_s.contains(model[a]) ? model[a] : u'Z');
            const qsizetype b = op == 3 ? a + 1 : model.size();
            const bool stays = rng.bounded(3) != 0;
            const qsizetype at = s.box.selStart();
            const int top = s.editor()->verticalScrollBar()->value();
            s.box.replaceText(a, b, put, stays ? TextBox::Caret::Stays : TextBox::Caret::AfterText);
            model.replace(a, b - a, put);
            QCOMPARE(s.box.text(), model);
            const qsizetype moved = at <= a   ? at
                                    : at >= b ? at + put.size() - (b - a)
                                              : a + put.size();
            QCOMPARE(s.box.selStart(), stays ? moved : a + put.size());
            if (stays && settled && put.size() >= b - a)
                QCOMPARE(s.editor()->verticalScrollBar()->value(), top);
            settled = stays;
            if (op == 3) {
                s.box.flush();
                QVERIFY(s.box.displayMatchesText());
            } else if (step % 4 == 0) {
                QCoreApplication::processEvents();
            }
        }
        QTRY_VERIFY(s.box.displayMatchesText());
        fresh.box.setText(model);
        QCOMPARE(s.editor()->document()->toPlainText(), fresh.editor()->document()->toPlainText());
    }

    // However a character outside ISO-8859-1 reaches a byte box, it is "?" there at once,
    // one for each character, and no change handler sees it otherwise.
    void latin1OnlyTurnsOtherCharactersIntoQuestionMarks_data()
    {
        QTest::addColumn<QString>("text"); // the way is the row's name
        QTest::addColumn<int>("caret");
        for (const char *way : {"typed", "input method", "pasted", "dropped", "accessible"})
            QTest::newRow(way) << u"a??\u00E9b"_s << 4;
        QTest::newRow("set") << u"??\u00E9"_s << 0;
        QTest::newRow("appended") << u"ab??\u00E9"_s << 1;
        QTest::newRow("typed, option off") << u"a\u20AC\U0001F600\u00E9b"_s << 5;
    }
    void latin1OnlyTurnsOtherCharactersIntoQuestionMarks()
    {
        const QLatin1StringView way(QTest::currentDataTag());
        const bool on = !way.endsWith(" option off"_L1);
        QFETCH(QString, text);
        QFETCH(int, caret);
        const QString typed = QString::fromUtf8("\u20AC\U0001F600\u00E9"); // euro, emoji, e acute
        Shown s;
        s.box.setLatin1Only(on);
        s.box.setText(u"ab"_s);
        s.box.setSelStart(1);
        QStringList seen;
        connect(&s.box, &TextBox::changed, this, [&] { seen << s.box.text(); });

        if (way.startsWith("typed"_L1)) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
            QApplication::sendEvent(&s.box, &press);
        } else if (way == "input method"_L1) {
            QInputMethodEvent commit;
            commit.setCommitString(typed);
            QApplication::sendEvent(&s.box, &commit);
        } else if (way == "pasted"_L1) {
            QGuiApplication::clipboard()->setText(typed);
            s.box.paste();
        } else if (way == "dropped"_L1) {
            QMimeData mime;
            mime.setText(typed);
            const QPointF at = s.editor()->cursorRect().center();
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(s.editor()->viewport(), &enter);
            QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(s.editor()->viewport(), &drop);
        } else if (way == "accessible"_L1) {
            QAccessible::queryAccessibleInterface(s.editor())
                ->editableTextInterface()
                ->insertText(1, typed);
        } else if (way == "set"_L1) {
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

    // Screen readers get the text as the program has it, and hear of the box's font and
    // colours exactly as from a QPlainTextEdit.
    void accessibleAttributesAreThoseOfAPlainTextEdit_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QColor>("colour"); // of the text's format; invalid: none
        QFont pane(u"Courier New"_s, 8);
        pane.setPointSizeF(8.25);
        QFont strong(u"Liberation Sans"_s, 12, QFont::Bold, true);
        strong.setUnderline(true);
        QFont pixels;
        pixels.setFamilies({u"Liberation Sans"_s, u"Arial"_s});
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
        for (QWidget *e : {static_cast<QWidget *>(&s.box), static_cast<QWidget *>(&plain)}) {
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
        QCOMPARE(attributes(s.editor(), 0, &a, &b), attributes(&plain, 0, &a, &b));
        QCOMPARE(std::pair(a, b), std::pair(-1, -1));

        const QString t = u"ab\r\ncd\r"_s + hexPairs(300) + u"\r\nA\rB"_s;
        s.box.setText(t);
        plain.setPlainText(t);
        if (colour.isValid()) {
            s.box.flush();
            QTextCharFormat f;
            f.setForeground(colour);
            f.setBackground(colour.darker());
            for (QTextDocument *doc : {s.editor()->document(), plain.document()}) {
                QTextCursor all(doc);
                all.select(QTextCursor::Document);
                all.mergeCharFormat(f);
            }
            QCOMPARE(s.box.text(), t);
        }
        const QString expected = attributes(&plain, 0, &a, &b);
        QVERIFY(expected.contains(u"font-weight:"_s));
        QCOMPARE(expected.contains(u"color:rgb(200,10,30);"_s), colour.isValid());
        s.box.setSelStart(400);
        const int n = int(t.size());
        for (int offset : {0, 3, 6, 500, n - 1, n, -1, -2}) { // 3, 6: line breaks
            QCOMPARE(attributes(s.editor(), offset, &a, &b), expected);
            QCOMPARE(std::pair(a, b), std::pair(0, n));
        }
        QCOMPARE(attributes(s.editor(), n + 1, &a, &b), QString());
        QCOMPARE(std::pair(a, b), std::pair(-1, -1));

        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(s.editor());
        QCOMPARE(iface->text(QAccessible::Value), t);
        QAccessibleTextInterface *text = iface->textInterface();
        QCOMPARE(text->characterCount(), n);
        QCOMPARE(text->text(0, n), t);
        QCOMPARE(text->text(100, 250), t.mid(100, 150));
        QCOMPARE(text->cursorPosition(), 400);
        text->setSelection(0, 95, 205);
        text->selection(0, &a, &b);
        QCOMPARE(std::pair(a, b), std::pair(95, 205));
        iface->editableTextInterface()->insertText(0, u"\n"_s);
        QCOMPARE(s.box.text(), u'\n' + t);
    }
};

QTEST_MAIN(TstTextBox)
#include "tst_textbox.moc"
