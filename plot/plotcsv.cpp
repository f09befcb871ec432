#include "plot/plotcsv.h"

#include "plot/samplestore.h"

#include <QDateTime>

#include <charconv>
#include <vector>

namespace {

QByteArray csvField(const QByteArray &text)
{
    if (!text.contains('"') && !text.contains(';'))
        return text;
    return '"' + QByteArray(text).replace("\"", "\"\"") + '"';
}

} // namespace

QByteArray plotCsv(const SampleStore &store)
{
    QByteArray out("time");
    std::vector<qint64> next(size_t(store.seriesCount()));
    for (int s = 0; s < store.seriesCount(); ++s) {
        out += ',' + csvField(store.seriesName(s));
        next[size_t(s)] = store.firstSample(s);
    }
    out += "\r\n";
    // The date and time to the second change seldom: formatted once per second.
    qint64 second = -1;
    QByteArray stamp;
    char number[32];
    for (qint64 line = store.firstLine(); line < store.lineCount(); ++line) {
        const qint64 msecs = store.lineTime(line);
        const qint64 s = msecs / 1000 - (msecs % 1000 < 0 ? 1 : 0);
        if (s != second) {
            second = s;
            stamp = QDateTime::fromMSecsSinceEpoch(s * 1000)
                        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss."))
                        .toLatin1();
        }
        out += stamp;
        out += QByteArray::number(msecs - s * 1000).rightJustified(3, '0');
        for (int k = 0; k < store.seriesCount(); ++k) {
            out += ',';
            const SeriesColumn &c = store.column(k);
            qint64 &i = next[size_t(k)];
            if (i < c.end() && c.line(i) == quint32(line)) {
                const auto r = std::to_chars(number, number + sizeof number, c.value(i));
                out.append(number, r.ptr - number);
                ++i;
            }
        }
        out += "\r\n";
    }
    return out;
}
