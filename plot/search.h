#pragma once

#include <QtGlobal>

// Searches over a monotone predicate on [from, to): pred is false, then true. Both return
// the first index where it holds, or `to`.

template <typename Pred> qint64 firstWhere(qint64 from, qint64 to, Pred pred)
{
    while (from < to) {
        const qint64 mid = from + (to - from) / 2;
        if (pred(mid))
            to = mid;
        else
            from = mid + 1;
    }
    return from;
}

// Probes from, from + 1, from + 3, from + 7, ... before the binary search: O(log d) for an
// answer d places on, which makes a left-to-right sweep over sorted data linear overall.
template <typename Pred> qint64 gallopWhere(qint64 from, qint64 to, Pred pred)
{
    qint64 step = 1;
    qint64 lo = from;
    while (lo < to && !pred(lo)) {
        from = lo + 1;
        lo += step;
        step *= 2;
    }
    return firstWhere(from, lo < to ? lo : to, pred);
}
