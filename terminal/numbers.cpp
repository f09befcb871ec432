#include "terminal/numbers.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

std::optional<double> roundHalfEven(double value, double lo, double hi)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = std::nearbyint(value); // default rounding mode: to nearest, ties to even
    if (r < lo || r > hi)
        return std::nullopt;
    return r;
}

} // namespace

double numericPrefix(QStringView text)
{
    // Blanks, tabs and line feeds are dropped wherever they are, as in "1 2" -> 12.
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isSkipped(c))
            s.append(c);

    if (s.size() >= 2 && s[0] == u'&') {
        // Only "&H" and "&O" are radix prefixes; "&" before anything else is no number.
        const QChar kind = s[1].toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base == 0)
            return 0;
        quint64 v = 0;
        qsizetype digits = 0;
        for (qsizetype i = 2; i < s.size(); ++i) {
            const char c = s[i].toLatin1();
            int d = -1;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            if (d < 0 || d >= base)
                break;
            v = v * quint64(base) + quint64(d);
            ++digits;
            if (v > std::numeric_limits<quint32>::max())
                return 0; // does not fit 32 bits: no number
        }
        if (digits == 0)
            return 0;
        // Up to four hex (six octal) digits read as a 16-bit value, more as 32-bit; both
        // in two's complement, so "&HFFFF" is -1.
        constexpr int kOctalDigits16 = 6;
        if (v <= std::numeric_limits<quint16>::max() && digits <= (base == 16 ? 4 : kOctalDigits16))
            return v > quint64(std::numeric_limits<qint16>::max()) ? double(qint64(v) - 0x10000)
                                                                   : double(v);
        return v > quint64(std::numeric_limits<qint32>::max()) ? double(qint64(v) - 0x100000000ll)
                                                               : double(v);
    }

    // [sign] digits [. digits] [(E|D) [sign] digits]
    qsizetype i = 0;
    const qsizetype n = s.size();
    QString num;
    if (i < n && (s[i] == u'+' || s[i] == u'-'))
        num.append(s[i++]);
    qsizetype mantissa = 0;
    while (i < n && s[i].isDigit() && s[i].unicode() < 128) {
        num.append(s[i++]);
        ++mantissa;
    }
    if (i < n && s[i] == u'.') {
        num.append(s[i++]);
        while (i < n && s[i].isDigit() && s[i].unicode() < 128) {
            num.append(s[i++]);
            ++mantissa;
        }
    }
    if (mantissa == 0)
        return 0;
    if (i < n && (s[i].toUpper() == u'E' || s[i].toUpper() == u'D')) {
        qsizetype j = i + 1;
        QString exp = QStringLiteral("e");
        if (j < n && (s[j] == u'+' || s[j] == u'-'))
            exp.append(s[j++]);
        qsizetype expDigits = 0;
        while (j < n && s[j].isDigit() && s[j].unicode() < 128) {
            exp.append(s[j++]);
            ++expDigits;
        }
        if (expDigits > 0)
            num.append(exp);
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(num, &ok);
    return ok && std::isfinite(v) ? v : 0;
}

std::optional<qint16> roundToInt16(double value)
{
    if (auto r = roundHalfEven(value, std::numeric_limits<qint16>::min(),
                               std::numeric_limits<qint16>::max()))
        return qint16(*r);
    return std::nullopt;
}

std::optional<qint32> roundToInt32(double value)
{
    if (auto r = roundHalfEven(value, std::numeric_limits<qint32>::min(),
                               std::numeric_limits<qint32>::max()))
        return qint32(*r);
    return std::nullopt;
}

std::optional<double> strictNumber(QStringView text)
{
    const QString t = text.trimmed().toString();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString numberText(double value)
{
    constexpr double kWholeBelow = 1e15; // whole numbers of up to 15 digits show no exponent
    if (value == std::floor(value) && std::fabs(value) < kWholeBelow)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}
