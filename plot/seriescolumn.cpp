#include "plot/seriescolumn.h"

#include "plot/search.h"

#include <algorithm>

namespace {

constexpr int kFan = 16; // samples per level-1 summary, level-1 summaries per level-2 one
constexpr int kLevel1 = SeriesColumn::kChunk / kFan;
constexpr int kLevel2 = kLevel1 / kFan;

} // namespace

struct SeriesColumn::Chunk
{
    quint32 line[kChunk];
    double value[kChunk];
    MinMax level1[kLevel1];
    MinMax level2[kLevel2];
    MinMax all;

    // Extremes of samples [i, j) of this chunk: raw samples up to a multiple of 16 at both
    // ends, then level-1 summaries up to a multiple of 256, then level-2 ones.
    MinMax range(int i, int j) const
    {
        MinMax r;
        if (i == 0 && j == kChunk)
            return all;
        for (; i < j && i % kFan; ++i)
            r.add(value[i]);
        for (; j > i && j % kFan; --j)
            r.add(value[j - 1]);
        i /= kFan;
        j /= kFan;
        for (; i < j && i % kFan; ++i)
            r.add(level1[i]);
        for (; j > i && j % kFan; --j)
            r.add(level1[j - 1]);
        for (i /= kFan, j /= kFan; i < j; ++i)
            r.add(level2[i]);
        return r;
    }
};

SeriesColumn::SeriesColumn() = default;
SeriesColumn::~SeriesColumn() = default;
SeriesColumn::SeriesColumn(SeriesColumn &&) noexcept = default;
SeriesColumn &SeriesColumn::operator=(SeriesColumn &&) noexcept = default;

qint64 SeriesColumn::bytesPerChunk()
{
    return qint64(sizeof(Chunk));
}

const SeriesColumn::Chunk &SeriesColumn::chunkOf(qint64 i) const
{
    return *chunks_[size_t((i - begin_) / kChunk)];
}

void SeriesColumn::append(quint32 line, double value)
{
    const int at = int((end_ - begin_) % kChunk);
    if (at == 0)
        chunks_.push_back(std::make_unique<Chunk>());
    Chunk &c = *chunks_.back();
    c.line[at] = line;
    c.value[at] = value;
    c.level1[at / kFan].add(value);
    c.level2[at / (kFan * kFan)].add(value);
    c.all.add(value);
    ++end_;
}

quint32 SeriesColumn::line(qint64 i) const
{
    return chunkOf(i).line[(i - begin_) % kChunk];
}

double SeriesColumn::value(qint64 i) const
{
    return chunkOf(i).value[(i - begin_) % kChunk];
}

qint64 SeriesColumn::lowerBound(quint32 line, qint64 from, qint64 to) const
{
    return firstWhere(from, to, [&](qint64 i) { return this->line(i) >= line; });
}

qint64 SeriesColumn::gallop(quint32 line, qint64 from, qint64 to, qint64 hint) const
{
    // A series present in every line has the answer at the hint, which two neighbouring
    // reads confirm.
    if (hint >= from && hint <= to && (hint == to || this->line(hint) >= line) &&
        (hint == from || this->line(hint - 1) < line))
        return hint;
    return gallopWhere(from, to, [&](qint64 i) { return this->line(i) >= line; });
}

MinMax SeriesColumn::minMax(qint64 from, qint64 to) const
{
    MinMax r;
    while (from < to) {
        const qint64 chunkStart = from - (from - begin_) % kChunk;
        const qint64 chunkEnd = std::min(to, chunkStart + kChunk);
        r.add(chunkOf(from).range(int(from - chunkStart), int(chunkEnd - chunkStart)));
        from = chunkEnd;
    }
    return r;
}

qint64 SeriesColumn::dropBefore(quint32 line)
{
    qint64 dropped = 0;
    while (chunks_.size() > 1 && chunks_.front()->line[kChunk - 1] < line) {
        chunks_.pop_front();
        begin_ += kChunk;
        dropped += kChunk;
    }
    return dropped;
}
