#pragma once

// Compares lines a test wrote down with a golden file of the tests' golden folder, line by
// line; with ORVO_WRITE_GOLDEN set, writes the file anew instead (after a deliberate change).

#include <QFile>
#include <QStringList>
#include <QtTest>

#include <algorithm>

// A text on one line of a golden file: backslash, CR and LF written as \\, \r and \n.
inline QString escaped(QString text)
{
    return text.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'\r', QStringLiteral("\\r"))
        .replace(u'\n', QStringLiteral("\\n"));
}

inline void compareWithGolden(const QStringList &lines, const QString &name)
{
    const QString path = QStringLiteral(ORVO_GOLDEN_DIR "/") + name;
    const QByteArray now = lines.join(u'\n').toUtf8() + '\n';
    QFile f(path);
    if (qEnvironmentVariableIsSet("ORVO_WRITE_GOLDEN")) {
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(now);
        return;
    }
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
    const QStringList golden = QString::fromUtf8(f.readAll()).split(u'\n');
    const QStringList current = QString::fromUtf8(now).split(u'\n');
    for (qsizetype i = 0; i < std::max(golden.size(), current.size()); ++i)
        QCOMPARE(current.value(i), golden.value(i));
}
