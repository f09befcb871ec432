// What both windows look like, recorded without naming a single member: every widget in
// stacking order with its class, geometry, text, tooltip, state, font and colours, the
// menu tree with its check marks, and the focus chain, compared with golden files.
#include "platform/widgets/textbox.h"
#include "tests/support/fakecommport.h"
#include "tests/support/fakes.h"
#include "tests/support/golden.h"
#include "tests/support/testsupport.h"
#include "windows/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString colours(const QWidget *w)
{
    const QPalette &p = w->palette();
    QStringList out;
    for (const auto role : {QPalette::Window, QPalette::WindowText, QPalette::Button,
                            QPalette::ButtonText, QPalette::Base, QPalette::Text})
        out << p.color(role).name();
    return out.join(u',');
}

QString widgetLine(int index, const QWidget *w)
{
    QString text;
    if (const auto *box = qobject_cast<const TextBox *>(w))
        text = box->text();
    else if (const auto *line = qobject_cast<const QLineEdit *>(w))
        text = line->text();
    else if (const auto *label = qobject_cast<const QLabel *>(w))
        text = label->text();
    else if (const auto *button = qobject_cast<const QAbstractButton *>(w))
        text = button->text();
    const QRect g = w->geometry();
    const QFont f = w->font();
    QString state = w->isEnabled() ? u"on"_s : u"off"_s;
    if (const auto *button = qobject_cast<const QAbstractButton *>(w);
        button && button->isCheckable())
        state += button->isChecked() ? u" checked"_s : u" unchecked"_s;
    if (!w->isVisible())
        state += u" hidden"_s;
    return u"%1 %2 '%3' %4,%5 %6x%7 \"%8\" tip=\"%9\" %10 font=%11/%12/%13 %14"_s.arg(index)
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
        .arg(g.x())
        .arg(g.y())
        .arg(g.width())
        .arg(g.height())
        .arg(escaped(text), escaped(w->toolTip()), state, f.family())
        .arg(f.pointSizeF())
        .arg(f.pixelSize())
        .arg(colours(w));
}

void menuLines(const QList<QAction *> &actions, const QString &indent, QStringList &out)
{
    for (const QAction *a : actions) {
        QString line = indent + (a->isSeparator() ? u"-"_s : u"\"%1\""_s.arg(a->text()));
        if (a->isCheckable())
            line += a->isChecked() ? u" [x]"_s : u" [ ]"_s;
        if (!a->isEnabled())
            line += u" disabled"_s;
        if (!a->shortcut().isEmpty())
            line += u" key="_s + a->shortcut().toString();
        out << line;
        if (a->menu())
            menuLines(a->menu()->actions(), indent + u"  "_s, out);
    }
}

// The whole look of a main window with a client area as its central widget.
QStringList inventory(QMainWindow *window)
{
    QStringList out;
    QWidget *client = window->centralWidget();
    if (auto *area = qobject_cast<QScrollArea *>(client))
        client = area->widget();
    out << u"window \"%1\" client %2x%3"_s.arg(window->windowTitle())
               .arg(client->width())
               .arg(client->height());
    QList<QWidget *> widgets;
    for (QObject *o : client->children())
        if (auto *w = qobject_cast<QWidget *>(o))
            widgets << w;
    for (qsizetype i = 0; i < widgets.size(); ++i)
        out << widgetLine(int(i), widgets[i]);
    out << u"menu"_s;
    menuLines(window->menuBar()->actions(), u"  "_s, out);
    // The focus chain as indexes into the list above, from the first widget taking focus.
    QStringList chain;
    QWidget *first = nullptr;
    for (QWidget *w : widgets)
        if (w->focusPolicy() & Qt::TabFocus) {
            first = w;
            break;
        }
    for (QWidget *w = first; w;) {
        const auto i = widgets.indexOf(w);
        if (i >= 0 && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled())
            chain << QString::number(i);
        w = w->nextInFocusChain();
        if (w == first || chain.size() > widgets.size())
            break;
    }
    out << u"focus "_s + chain.join(u' ');
    return out;
}

QAction *menuItem(QMainWindow *window, const QString &caption)
{
    for (QAction *a : window->menuBar()->actions())
        if (withoutMnemonic(a->text()) == caption)
            return a;
    return nullptr;
}

} // namespace

class TestInventory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void bothWindows()
    {
        QTemporaryDir dir;
        Services s = testServices(dir.path());
        s.makeCommPort = [] { return std::make_unique<FakeCommPort>(); };
        s.makeFileDialog = [](QWidget *) { return std::make_unique<FakeDialog>(); };
        s.makeMessageBox = [](QWidget *) { return std::make_shared<FakeMessageBox>(); };
        auto window = std::make_unique<MainWindow>(s);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        compareWithGolden(inventory(window.get()), u"main_window.txt"_s);

        menuItem(window.get(), u"Hex Editor"_s)->trigger();
        QMainWindow *editor = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == u"Hex Editor"_s)
                editor = qobject_cast<QMainWindow *>(w);
        QVERIFY(editor);
        compareWithGolden(inventory(editor), u"hex_editor.txt"_s);
        window->close();
    }
};

QTEST_MAIN(TestInventory)
#include "tst_inventory.moc"
