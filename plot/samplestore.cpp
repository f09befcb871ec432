#include "plot/samplestore.h"

#include "plot/search.h"

#include <algorithm>
#include <cmath>

SampleStore::SampleStore(qint64 maxSamples, qint64 keptPerSeries)
    : maxSamples_(maxSamples), keptPerSeries_(keptPerSeries)
{
}

SampleStore::~SampleStore() = default;

void SampleStore::clear()
{
    names_.clear();
    columns_.clear();
    lineTimes_.clear();
    lineTimesBegin_ = lineCount_ = firstLine_ = held_ = 0;
}

int SampleStore::seriesIndex(const QByteArray &name)
{
    const auto it = std::find(names_.begin(), names_.end(), name);
    if (it != names_.end())
        return int(it - names_.begin());
    if (seriesCount() >= kMaxSeries)
        return -1;
    names_.push_back(name);
    columns_.emplace_back();
    return seriesCount() - 1;
}

qint64 SampleStore::firstSample(int s) const
{
    const SeriesColumn &c = column(s);
    return c.lowerBound(quint32(firstLine_), c.begin(), c.end());
}

bool SampleStore::addLine(qint64 msecs, std::span<const SeriesValue> values)
{
    if (lineCount_ >= kMaxLines)
        return false;
    const int at = int((lineCount_ - lineTimesBegin_) % kLineChunk);
    if (lineCount_ > firstLine_)
        msecs = std::max(msecs, lineTime(lineCount_ - 1));
    if (at == 0)
        lineTimes_.push_back(std::make_unique<LineChunk>());
    (*lineTimes_.back())[size_t(at)] = msecs;
    for (const SeriesValue &v : values)
        columns_[size_t(v.series)].append(quint32(lineCount_), v.value);
    ++lineCount_;
    held_ += qint64(values.size());
    if (held_ > std::max(maxSamples_, keptPerSeries_ * seriesCount()))
        dropOldest();
    return true;
}

void SampleStore::dropOldest()
{
    // Cut after the front chunk that ends first, so at least one chunk goes.
    qint64 cut = kMaxLines;
    for (const SeriesColumn &c : columns_)
        if (c.chunkCount() > 1)
            cut = std::min(cut, qint64(c.line(c.begin() + SeriesColumn::kChunk - 1)) + 1);
    if (cut == kMaxLines)
        return;
    firstLine_ = std::max(firstLine_, cut);
    for (SeriesColumn &c : columns_)
        held_ -= c.dropBefore(quint32(firstLine_));
    while (lineTimes_.size() > 1 && lineTimesBegin_ + kLineChunk <= firstLine_) {
        lineTimes_.pop_front();
        lineTimesBegin_ += kLineChunk;
    }
}

qint64 SampleStore::lineTime(qint64 line) const
{
    const qint64 i = line - lineTimesBegin_;
    return (*lineTimes_[size_t(i / kLineChunk)])[size_t(i % kLineChunk)];
}

double SampleStore::lineX(qint64 line, XAxis axis) const
{
    return axis == XAxis::Time ? double(lineTime(line)) : double(line);
}

qint64 SampleStore::firstLineFrom(double x, XAxis axis, qint64 from, qint64 hint) const
{
    constexpr double kFarLine = 1e18; // past any line, and still a qint64
    if (axis == XAxis::SampleNumber)
        return std::clamp(qint64(std::ceil(std::clamp(x, -1.0, kFarLine))), from, lineCount_);
    const auto atOrAfter = [&](qint64 line) { return double(lineTime(line)) >= x; };
    if (hint > from && hint < lineCount_ && atOrAfter(hint) && !atOrAfter(hint - 1))
        return hint;
    return gallopWhere(from, lineCount_, atOrAfter);
}

qint64 SampleStore::memoryBytes() const
{
    qint64 bytes = qint64(lineTimes_.size()) * qint64(sizeof(LineChunk));
    for (const SeriesColumn &c : columns_)
        bytes += c.memoryBytes();
    return bytes;
}
