#pragma once

#include <QtGlobal>

#include <deque>
#include <limits>
#include <memory>

// The smallest and largest of a set of values; empty when min > max.
struct MinMax
{
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();

    bool isEmpty() const { return min > max; }
    void add(double v)
    {
        min = v < min ? v : min;
        max = v > max ? v : max;
    }
    void add(const MinMax &o)
    {
        min = o.min < min ? o.min : min;
        max = o.max > max ? o.max : max;
    }
};

// The samples of one series: (line number, value) pairs in order of arrival, with line
// numbers increasing. Kept in fixed chunks, so an append never copies what is there and
// memory follows the count; each chunk keeps the minimum and maximum of every 16 and 256
// of its samples, so the extremes of any range cost a few dozen reads, whatever its length.
// A chunk whose lines follow one another (a series in every line) stores only the first.
// Samples are numbered from the start of the series; whole chunks may be dropped from the
// front, after which begin() > 0.
class SeriesColumn
{
public:
    static constexpr int kChunk = 1024;

    SeriesColumn();
    ~SeriesColumn();
    SeriesColumn(SeriesColumn &&) noexcept;
    SeriesColumn &operator=(SeriesColumn &&) noexcept;

    void append(quint32 line, double value);
    qint64 begin() const { return begin_; }
    qint64 end() const { return end_; }
    quint32 line(qint64 i) const;
    double value(qint64 i) const;

    // The first sample in [from, to) whose line is at least `line` (to when none).
    qint64 lowerBound(quint32 line, qint64 from, qint64 to) const;
    // The same, trying `hint` first and then searching forward from `from` in steps that
    // double: cheap when the answer is near, as for the columns of a plot left to right.
    qint64 gallop(quint32 line, qint64 from, qint64 to, qint64 hint = -1) const;
    MinMax minMax(qint64 from, qint64 to) const;

    // Drops whole chunks whose every sample has a line below `line`, but never the last
    // chunk. Returns the number of samples dropped.
    qint64 dropBefore(quint32 line);
    qint64 chunkCount() const { return qint64(chunks_.size()); }
    qint64 memoryBytes() const;

private:
    struct Chunk;
    // Kept apart from the values, so that finding a line or the extremes of a long range
    // reads few cache lines.
    struct Slot
    {
        quint32 firstLine;
        std::unique_ptr<quint32[]> lines; // none while the lines follow one another
        std::unique_ptr<Chunk> chunk;
        MinMax level2[kChunk / 256]; // of each 256 samples
        MinMax all;
        MinMax range(int i, int j) const;
    };
    const Chunk &chunkOf(qint64 i) const;

    std::deque<Slot> chunks_;
    qint64 begin_ = 0; // the first sample of chunks_.front()
    qint64 end_ = 0;
};
