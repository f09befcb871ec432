#include "plot/decimate.h"

#include <algorithm>
#include <cmath>

ColumnGrid::ColumnGrid(const SampleStore &store, XAxis axis_, double from, double to, int width)
    : axis(axis_)
{
    lineBounds.reserve(size_t(std::max(width, 0)) + 1);
    qint64 line = store.firstLine();
    qint64 perColumn = 0;
    const double step = (to - from) / std::max(width, 1);
    // Lines arriving at a steady rate fill each column as the one before.
    for (int c = 0; c <= width; ++c) {
        const double x = c < width ? from + c * step : std::nextafter(to, HUGE_VAL);
        const qint64 next = store.firstLineFrom(x, axis, line, line + perColumn);
        perColumn = c > 0 ? next - line : 0;
        lineBounds.push_back(line = next);
    }
}

Trace decimate(const SampleStore &store, int series, const ColumnGrid &grid)
{
    Trace trace;
    const SeriesColumn &column = store.column(series);
    const std::vector<qint64> &bounds = grid.lineBounds;
    const int width = int(bounds.size()) - 1;
    const qint64 first = store.firstSample(series);
    const qint64 end = column.end();
    const auto point = [&](qint64 i) {
        return SamplePoint{store.lineX(column.line(i), grid.axis), column.value(i)};
    };
    const qint64 from = column.lowerBound(quint32(bounds.front()), first, end);
    const qint64 to = column.lowerBound(quint32(bounds.back()), from, end);
    if (from > first)
        trace.before = point(from - 1);
    if (to < end)
        trace.after = point(to);
    // Columns of many samples end on a block whose extremes are kept, so the whole history
    // costs a few reads a column; a block moves at most into the neighbouring column.
    const qint64 perColumn = (to - from) / std::max(width, 1);
    const qint64 block = perColumn >= kCoarse * 16 ? 256 : perColumn >= kCoarse ? 16 : 1;
    qint64 exact = from;
    qint64 a = from;
    for (int c = 0; c < width; ++c) {
        // As many samples as lines, when the series is in every line.
        const qint64 hint = exact + bounds[size_t(c) + 1] - bounds[size_t(c)];
        exact = column.gallop(quint32(bounds[size_t(c) + 1]), exact, to, hint);
        qint64 b = std::clamp((exact + block / 2) / block * block, a, to);
        // The range ends where it ends; a block moved past a neighbouring column is not.
        if (c + 1 == width || (b > exact ? column.line(b - 1) >= bounds[size_t(c) + 2]
                                         : b < exact && column.line(b) < bounds[size_t(c)]))
            b = exact;
        if (b > a) {
            const MinMax m = column.minMax(a, b);
            trace.columns.push_back({c, column.value(a), column.value(b - 1), m.min, m.max});
            trace.extent.add(m);
        }
        a = b;
    }
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
