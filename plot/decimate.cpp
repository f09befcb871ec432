#include "plot/decimate.h"

#include <cmath>

ColumnGrid::ColumnGrid(const SampleStore &store, XAxis axis_, double from, double to, int width)
    : axis(axis_)
{
    lineBounds.reserve(size_t(std::max(width, 0)) + 1);
    qint64 line = store.firstLine();
    const double step = (to - from) / std::max(width, 1);
    for (int c = 0; c < width; ++c)
        lineBounds.push_back(line = store.firstLineFrom(from + c * step, axis, line));
    lineBounds.push_back(store.firstLineFrom(std::nextafter(to, HUGE_VAL), axis, line));
}

Trace decimate(const SampleStore &store, int series, const ColumnGrid &grid)
{
    Trace trace;
    const SeriesColumn &column = store.column(series);
    const qint64 first = store.firstSample(series);
    const qint64 end = column.end();
    const auto point = [&](qint64 i) {
        return SamplePoint{store.lineX(column.line(i), grid.axis), column.value(i)};
    };
    qint64 a = column.lowerBound(quint32(grid.lineBounds.front()), first, end);
    if (a > first)
        trace.before = point(a - 1);
    for (size_t c = 0; c + 1 < grid.lineBounds.size(); ++c) {
        const qint64 b = column.gallop(quint32(grid.lineBounds[c + 1]), a, end);
        if (b > a) {
            const MinMax m = column.minMax(a, b);
            trace.columns.push_back({int(c), column.value(a), column.value(b - 1), m.min, m.max});
            trace.extent.add(m);
        }
        a = b;
    }
    if (a < end)
        trace.after = point(a);
    return trace;
}

std::optional<SamplePoint> nearestSample(const SampleStore &store, int series, XAxis axis, double x)
{
    const SeriesColumn &column = store.column(series);
    const qint64 first = store.firstSample(series);
    const qint64 end = column.end();
    if (first == end)
        return std::nullopt;
    const qint64 line = store.firstLineFrom(x, axis, store.firstLine());
    const qint64 i = column.lowerBound(quint32(line), first, end);
    const auto point = [&](qint64 k) {
        return SamplePoint{store.lineX(column.line(k), axis), column.value(k)};
    };
    if (i == end)
        return point(end - 1);
    if (i == first)
        return point(first);
    const SamplePoint before = point(i - 1);
    const SamplePoint after = point(i);
    return x - before.x <= after.x - x ? before : after;
}
