// The windows by keyboard: every menu reachable by a unique mnemonic, F10 and Alt+letter
// opening the menus, Enter in a transmit box sending as its button does. The port is the
// real one on a pty, with the test as the device.
#include "platform/qtcommport.h"
#include "platform/widgets/textbox.h"
#include "tests/support/ptywindow.h"
#include "tests/support/testsupport.h"
#include "windows/hexeditorwindow.h"
#include "windows/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The main window, or the hex editor opened from it.
QMainWindow *window(PtyWindow &r, bool editor)
{
    if (!editor)
        return r.w.get();
    r.w->showHexEditor();
    return r.w->hexEditorWindow();
}

// The letter a caption underlines, or nothing.
QChar mnemonic(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return caption[i + 1].toUpper();
        ++i;
    }
    return {};
}

// Fails unless every caption has a mnemonic (or, with `none`, a '?' in the letters returned)
// and no two share one; returns their letters.
QString uniqueMnemonics(const QList<QAction *> &actions, bool none = false)
{
    QString letters;
    for (const QAction *a : actions) {
        if (a->isSeparator())
            continue;
        const QChar letter = mnemonic(a->text());
        if ((letter.isNull() && !none) || (!letter.isNull() && letters.contains(letter)))
            qWarning("\"%s\": no mnemonic of its own", qPrintable(a->text()));
        letters += letter.isNull() ? u'?' : letter;
    }
    return letters;
}

} // namespace

class TestKeyboardWindow : public QObject
{
    Q_OBJECT
private slots:
    void mnemonicsAreUnique_data()
    {
        QTest::addColumn<bool>("editor");
        QTest::addColumn<QString>("bar");     // the menu bar's letters
        QTest::addColumn<QString>("buttons"); // the letters of the buttons that have one
        // Every letter of "Tools" is taken: F10 and the arrows reach it.
        QTest::newRow("main window") << false << u"FEVOT?HP"_s << u"UCDRLAXBNSWI"_s;
        QTest::newRow("hex editor") << true << u"FEH"_s << u"A"_s;
    }
    // Every menu and item has a mnemonic unique within its menu; a button's mnemonic is
    // unique in its window, so no Alt+letter is ambiguous.
    void mnemonicsAreUnique()
    {
        QFETCH(bool, editor);
        QFETCH(QString, bar);
        QFETCH(QString, buttons);
        PtyWindow r;
        QMainWindow *w = window(r, editor);
        QTest::failOnWarning(QRegularExpression(u"mnemonic"_s));
        QCOMPARE(uniqueMnemonics(w->menuBar()->actions(), true), bar);
        for (const QAction *top : w->menuBar()->actions())
            if (top->menu())
                uniqueMnemonics(top->menu()->actions());
        QString seen;
        for (const QAbstractButton *b : w->centralWidget()->findChildren<QAbstractButton *>())
            if (const QChar letter = mnemonic(b->text()); !letter.isNull())
                seen += letter;
        QCOMPARE(seen, buttons);
        for (const QChar letter : buttons)
            QVERIFY2(!bar.contains(letter) && buttons.count(letter) == 1,
                     qPrintable(QString(letter)));
    }

    void keysOpenTheMenus_data()
    {
        QTest::addColumn<bool>("editor");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("menu");
        for (bool editor : {false, true}) {
            const char *name = editor ? "hex editor" : "main window";
            QTest::addRow("%s F10", name) << editor << int(Qt::Key_F10) << 0 << 0;
            QTest::addRow("%s Alt+E", name)
                << editor << int(Qt::Key_E) << int(Qt::AltModifier) << 1;
        }
    }
    // With the caret in a box, F10 opens the first menu and Alt+E the Edit menu.
    void keysOpenTheMenus()
    {
        QFETCH(bool, editor);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, menu);
        PtyWindow r;
        QMainWindow *w = window(r, editor);
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QWidget *box = editor ? static_cast<QWidget *>(r.w->hexEditorWindow()->ui.hexPane)
                              : r.w->ui.sendLineBoxes[0];
        box->setFocus();
        QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QMenu *expected = w->menuBar()->actions().at(menu)->menu();
        QTRY_COMPARE(QApplication::activePopupWidget(), expected);
        expected->close();
    }

    void enterSends_data()
    {
        QTest::addColumn<int>("box"); // 0, 1: the send lines; 2 + n: row n's string box
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("line 1, Return") << 0 << int(Qt::Key_Return) << QByteArray("abc");
        QTest::newRow("line 2, keypad Enter") << 1 << int(Qt::Key_Enter) << QByteArray("abc");
        QTest::newRow("row 1") << 2 << int(Qt::Key_Return) << QByteArray("abc");
        QTest::newRow("row 20") << 21 << int(Qt::Key_Enter) << QByteArray("abc");
        QTest::newRow("description box") << -1 << int(Qt::Key_Return) << QByteArray();
    }
    // Enter in a box sends what its button sends; a description box sends nothing.
    void enterSends()
    {
        QFETCH(int, box);
        QFETCH(int, key);
        QFETCH(QByteArray, written);
        PtyWindow r;
        MainWidgets &ui = r.w->ui;
        QLineEdit *edit = box < 0   ? ui.keyDescriptionBoxes[0]
                          : box < 2 ? ui.sendLineBoxes[size_t(box)]
                                    : ui.keyStringBoxes[size_t(box - 2)];
        QTest::keyClicks(edit, u"abc"_s);
        QTest::keyClick(edit, Qt::Key(key));
        QCOMPARE(r.takeWritten(), written);
        QCOMPARE(ui.txEchoPane->text(), written.isEmpty() ? QString() : u"abc\r\n"_s);
        QCOMPARE(edit->text(), u"abc"_s);
    }
};

QTEST_MAIN(TestKeyboardWindow)
#include "tst_keyboard_window.moc"
