#include "transmit/hex.h"

#include "terminal/byteforms.h"

#include <limits>

qint32 hexValue16(const QString &sHex)
{
    const qsizetype len = sHex.size();
    qint32 total = 0;
    qint64 weight = 1;
    for (qsizetype i = len - 1; i >= 0; --i) {
        const qint64 d = hexDigitValue(sHex.at(i));
        // Longer strings than 4 digits only ever overflow from here on.
        const qint64 next = total + d * weight;
        if (next >= std::numeric_limits<qint16>::min() &&
            next <= std::numeric_limits<qint16>::max())
            total = qint32(next);
        constexpr int kWeightBits = 40; // far past any sum that could still fit
        if (weight < (qint64(1) << kWeightBits))
            weight *= 16;
    }
    return total;
}

QString hexPairsToText(const QString &hexText)
{
    QString out;
    out.reserve(hexText.size() / 3 + 1);
    // Positions run over the whole text, however long it is.
    for (qsizetype k = 0; k < hexText.size(); k += 3) {
        const qint32 v = hexValue16(hexText.mid(k, 2));
        if (v >= 0)
            out.append(QChar(char16_t(v)));
    }
    return out;
}

QString hexEchoLine(const QString &text)
{
    const QByteArray bytes = text.toLatin1();
    QString line;
    line.reserve(bytes.size() * 3 + 2);
    appendHexForms(line, bytes);
    line.append(QStringLiteral("\r\n"));
    return line;
}
