// Times the multi-line text box with the sizes the program's panes and hex editor reach.
#include "platform/widgets/textbox.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTest>

#include <cstdio>

namespace {

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

QString hexPairs(qsizetype pairs)
{
    static const char digits[] = "0123456789ABCDEF";
    QString s;
    s.reserve(pairs * 3);
    for (qsizetype i = 0; i < pairs; ++i) {
        s.append(QLatin1Char(digits[(i >> 4) & 15]));
        s.append(QLatin1Char(digits[i & 15]));
        s.append(QLatin1Char(' '));
    }
    return s;
}

long rssKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void settle(TextBox &box)
{
    box.flush(); // the display's catch-up with program appends counts too
    QCoreApplication::processEvents();
    // The text as painted: the editor's viewport, as a frame paints it.
    qobject_cast<QAbstractScrollArea *>(box.focusProxy())->viewport()->repaint();
}

void setUp(TextBox &box)
{
    box.setFont(QFont(QStringLiteral("Courier New"), 8));
    box.setFontSize(8.25);
    box.resize(345, 266);
    box.show();
    settle(box);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const long rss0 = rssKb();
    {
        // Hex editor: one line of 1.5 million characters.
        TextBox box;
        setUp(box);
        std::printf("characters per shown line: %d\n", box.lineChars());
        const QString big = hexPairs(500000);
        QElapsedTimer t;
        t.start();
        box.setText(big);
        settle(box);
        std::printf("setText 1.5M chars (+repaint): %.1f ms\n", ms(t));
        std::printf("memory of the 1.5M box: %.1f MB\n", double(rssKb() - rss0) / 1024.0);

        t.restart();
        qsizetype total = 0;
        for (int i = 0; i < 10; ++i)
            total += box.text().size();
        std::printf("text() of 1.5M chars: %.3f ms each (%lld)\n", ms(t) / 10, qlonglong(total));

        qsizetype seen = 0;
        QObject::connect(&box, &TextBox::changed, [&] { seen = box.text().size(); });
        box.setFocus();
        double worst = 0, sum = 0;
        for (int i = 0; i < 20; ++i) {
            box.setSelStart(750000 + i * 7);
            settle(box);
            t.restart();
            QTest::keyClick(&box, i % 4 == 3 ? Qt::Key_Backspace : Qt::Key_A);
            settle(box);
            const double d = ms(t);
            worst = qMax(worst, d);
            sum += d;
        }
        std::printf(
            "typed key in 1.5M box (+changed/text/repaint): avg %.2f ms, worst %.2f ms (%lld)\n",
            sum / 20, worst, qlonglong(seen));
        std::printf("memory with the box shown: %.1f MB\n", double(rssKb() - rss0) / 1024.0);
    }
    {
        // Hex editor's ASCII view: a byte box checks every character that reaches it.
        TextBox box;
        setUp(box);
        box.setLatin1Only(true);
        const QString big = hexPairs(500000);
        QElapsedTimer t;
        t.start();
        box.setText(big);
        settle(box);
        std::printf("setText 1.5M chars into a byte box (+repaint): %.1f ms\n", ms(t));
        box.setFocus();
        double worst = 0, sum = 0;
        for (int i = 0; i < 20; ++i) {
            box.setSelStart(750000 + i * 7);
            settle(box);
            t.restart();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                            QString(QChar(i % 2 ? 0x20AC : 0xFC)));
            QApplication::sendEvent(&box, &press);
            settle(box);
            const double d = ms(t);
            worst = qMax(worst, d);
            sum += d;
        }
        std::printf("euro or u-umlaut typed in 1.5M byte box (+repaint): avg %.2f ms, worst %.2f "
                    "ms, %s\n",
                    sum / 20, worst, box.text().contains(QChar(0x20AC)) ? "FAILED" : "all \"?\"");
    }
    {
        // Receive pane: 300 000 characters without line breaks, 300 more per tick.
        TextBox box;
        setUp(box);
        box.setText(hexPairs(100000));
        QObject::connect(&box, &TextBox::changed, [&] { box.setSelStart(box.length()); });
        settle(box);
        const QString chunk = hexPairs(100);
        double worst = 0, sum = 0;
        for (int i = 0; i < 30; ++i) {
            QElapsedTimer t;
            t.start();
            box.appendText(chunk);
            settle(box);
            const double d = ms(t);
            worst = qMax(worst, d);
            sum += d;
        }
        std::printf("appendText 300 chars to 300k box (+repaint): avg %.2f ms, worst %.2f ms\n",
                    sum / 30, worst);
    }
    {
        // Transmit echo: one hex pair per byte sent, caret kept at the end.
        TextBox box;
        setUp(box);
        QObject::connect(&box, &TextBox::changed, [&] { box.setSelStart(box.length()); });
        const QString pair = QStringLiteral("41 ");
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 500000; ++i)
            box.appendText(pair);
        const double loop = ms(t);
        settle(box);
        std::printf(
            "500000 appendText of 3 chars: %.1f ms (calls %.1f ms, display %.1f ms), length %lld\n",
            ms(t), loop, ms(t) - loop, qlonglong(box.length()));
    }
    return 0;
}
