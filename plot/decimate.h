#pragma once

#include "plot/samplestore.h"

#include <optional>
#include <vector>

// What a series shows in one pixel column: its first and last sample there and the
// extremes between. Drawing these four values per column looks like drawing every sample,
// at a cost that follows the width of the plot, not the length of the history. Where the
// columns hold kCoarse samples or more on average, a column ends on a block of 16 or 256
// samples, so a sample may be shown in the neighbouring column; below, columns are exact.
constexpr qint64 kCoarse = 32;

struct ColumnSpan
{
    int column;
    double first, last, min, max;
};

struct SamplePoint
{
    double x, y;
};

struct Trace
{
    std::vector<ColumnSpan> columns; // non-empty columns, left to right
    // The samples just outside the range, so that the line runs on to the edges.
    std::optional<SamplePoint> before, after;
    MinMax extent; // of the samples in the range
};

// The lines that fall into each pixel column of an x range: column c of `width` covers
// x in [from + c w, from + (c + 1) w), w = (to - from) / width, the last one also `to`.
// One grid serves every series of a drawing.
struct ColumnGrid
{
    ColumnGrid(const SampleStore &store, XAxis axis, double from, double to, int width);

    XAxis axis;
    std::vector<qint64> lineBounds; // width + 1 entries: column c holds [c], [c + 1])
};

Trace decimate(const SampleStore &store, int series, const ColumnGrid &grid);

// The sample of a series nearest to x (the earlier of two as near); none when it is empty.
std::optional<SamplePoint> nearestSample(const SampleStore &store, int series, XAxis axis,
                                         double x);
