#include "hex.h"

qint32 Hex2Dec(const QString &sHex)
{
    static const QString digits = QStringLiteral("0123456789ABCDEF");
    const qsizetype len = sHex.size();
    qint32 total = 0;
    qint64 weight = 1;
    for (qsizetype i = len - 1; i >= 0; --i) {
        const qint64 d = digits.indexOf(sHex.at(i));
        // Longer strings than 4 digits only ever overflow from here on.
        const qint64 next = total + d * weight;
        if (next >= -32768 && next <= 32767)
            total = qint32(next);
        if (weight < (qint64(1) << 40))
            weight *= 16;
    }
    return total;
}
