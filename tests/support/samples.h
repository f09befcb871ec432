#pragma once

// Sample contents and files shared by the tests.

#include <QByteArray>
#include <QFile>
#include <QString>

// Every byte value once in each 256 bytes, in an order of its own for each round.
inline QByteArray pattern(int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(char((i * 7 + i / 256) & 0xFF));
    return bytes;
}

// Settings records: count empty texts.
inline QByteArray emptyTexts(int count)
{
    return QByteArray("\"\"\r\n").repeated(count);
}

// A settings file with every text and number record different from its neighbours.
inline QByteArray fullFile()
{
    QByteArray bytes;
    for (int page = 1; page <= 50; ++page) {
        for (int row = 0; row < 20; ++row) {
            bytes +=
                "\"desc " + QByteArray::number(page) + "/" + QByteArray::number(row) + "\"\r\n";
            bytes += "\"AT+" + QByteArray::number(page * 100 + row) + "\"\"q\"\"\xE9\"\r\n";
        }
    }
    return bytes +
           "\"tx zero\"\r\n\"tx, one\"\r\n\"1\"\r\n57600\r\n7\r\n3\r\n1\r\n2\r\n2\r\n1\r\n1\r\n";
}

inline QString writeTestFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write test file");
    return f.fileName();
}

inline QByteArray readTestFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}
