#pragma once

#include "plot/seriescolumn.h"

#include <QByteArray>

#include <array>
#include <deque>
#include <memory>
#include <span>
#include <vector>

enum class XAxis { Time, SampleNumber };

struct SeriesValue
{
    int series;
    double value;
};

// Every plotted line of a run: its time, and for each series the values it held. Lines are
// numbered from 0 in order of arrival; a line's x is its time (milliseconds since the
// epoch) or its number. Series keep their values apart (a series missing from a line has
// no sample there), so memory follows the samples, not lines times series.
//
// Memory is bounded: past maxSamples in all (but never below keptPerSeries for each series)
// the oldest lines are let go a chunk at a time; firstLine() says where the history now
// starts.
class SampleStore
{
public:
    static constexpr int kMaxSeries = 64;
    static constexpr qint64 kDefaultMaxSamples = 16'000'000;
    static constexpr qint64 kDefaultKeptPerSeries = 1'000'000;
    // Line numbers are 32 bits in the columns; a run stops taking lines there.
    static constexpr qint64 kMaxLines = 0xFFFFFFFF;

    explicit SampleStore(qint64 maxSamples = kDefaultMaxSamples,
                         qint64 keptPerSeries = kDefaultKeptPerSeries);
    ~SampleStore();

    void clear();

    // The series of that name, added at the end when new; -1 when kMaxSeries exist.
    int seriesIndex(const QByteArray &name);
    int seriesCount() const { return int(names_.size()); }
    const QByteArray &seriesName(int s) const { return names_[size_t(s)]; }
    const SeriesColumn &column(int s) const { return columns_[size_t(s)]; }
    // The series' first sample at or after firstLine().
    qint64 firstSample(int s) const;

    // A line at `msecs` (a clock set back counts as the previous line's time) holding at
    // most one value per series. False once kMaxLines lines were taken.
    bool addLine(qint64 msecs, std::span<const SeriesValue> values);
    qint64 lineCount() const { return lineCount_; }
    qint64 firstLine() const { return firstLine_; }
    qint64 lineTime(qint64 line) const;
    double lineX(qint64 line, XAxis axis) const;
    // The first line in [from, lineCount()) whose x is at least x, searched forward after
    // trying `hint`.
    qint64 firstLineFrom(double x, XAxis axis, qint64 from, qint64 hint = -1) const;

    qint64 samplesHeld() const { return held_; }
    qint64 memoryBytes() const;

private:
    static constexpr int kLineChunk = 4096;
    using LineChunk = std::array<qint64, kLineChunk>;
    void dropOldest();

    qint64 maxSamples_;
    qint64 keptPerSeries_;
    std::vector<QByteArray> names_;
    std::vector<SeriesColumn> columns_;
    std::deque<std::unique_ptr<LineChunk>> lineTimes_;
    qint64 lineTimesBegin_ = 0; // the line of lineTimes_.front()[0]
    qint64 lineCount_ = 0;
    qint64 firstLine_ = 0;
    qint64 held_ = 0;
};
