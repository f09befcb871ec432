#include "plot/seriescolumn.h"

#include "plot/search.h"

#include <algorithm>

namespace {

constexpr int kFan = 16; // samples per level-1 summary, level-1 summaries per level-2 one
constexpr int kLevel1 = SeriesColumn::kChunk / kFan;

} // namespace

struct SeriesColumn::Chunk
{
    double value[kChunk];
    MinMax level1[kLevel1];
};

// Extremes of samples [i, j) of one chunk: raw samples up to a multiple of 16 at both ends,
// then level-1 summaries up to a multiple of 256, then the slot's level-2 ones.
MinMax SeriesColumn::Slot::range(int i, int j) const
{
    if (i == 0 && j == kChunk)
        return all;
    MinMax r;
    for (; i < j && i % kFan; ++i)
        r.add(chunk->value[i]);
    for (; j > i && j % kFan; --j)
        r.add(chunk->value[j - 1]);
    i /= kFan;
    j /= kFan;
    for (; i < j && i % kFan; ++i)
        r.add(chunk->level1[i]);
    for (; j > i && j % kFan; --j)
        r.add(chunk->level1[j - 1]);
    for (i /= kFan, j /= kFan; i < j; ++i)
        r.add(level2[i]);
    return r;
}

SeriesColumn::SeriesColumn() = default;
SeriesColumn::~SeriesColumn() = default;
SeriesColumn::SeriesColumn(SeriesColumn &&) noexcept = default;
SeriesColumn &SeriesColumn::operator=(SeriesColumn &&) noexcept = default;

qint64 SeriesColumn::memoryBytes() const
{
    qint64 bytes = qint64(chunks_.size()) * qint64(sizeof(Slot) + sizeof(Chunk));
    for (const Slot &slot : chunks_)
        bytes += slot.lines ? qint64(kChunk * sizeof(quint32)) : 0;
    return bytes;
}

const SeriesColumn::Chunk &SeriesColumn::chunkOf(qint64 i) const
{
    return *chunks_[size_t((i - begin_) / kChunk)].chunk;
}

void SeriesColumn::append(quint32 line, double value)
{
    const int at = int((end_ - begin_) % kChunk);
    if (at == 0)
        chunks_.push_back({line, nullptr, std::make_unique<Chunk>(), {}, {}});
    Slot &slot = chunks_.back();
    if (!slot.lines && line != slot.firstLine + quint32(at)) {
        // The first gap: from now on this chunk keeps its line numbers.
        slot.lines = std::make_unique<quint32[]>(kChunk);
        for (int k = 0; k < at; ++k)
            slot.lines[size_t(k)] = slot.firstLine + quint32(k);
    }
    if (slot.lines)
        slot.lines[size_t(at)] = line;
    Chunk &c = *slot.chunk;
    c.value[at] = value;
    c.level1[at / kFan].add(value);
    slot.level2[at / (kFan * kFan)].add(value);
    slot.all.add(value);
    ++end_;
}

quint32 SeriesColumn::line(qint64 i) const
{
    const Slot &slot = chunks_[size_t((i - begin_) / kChunk)];
    const int at = int((i - begin_) % kChunk);
    return slot.lines ? slot.lines[size_t(at)] : slot.firstLine + quint32(at);
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
        r.add(chunks_[size_t((from - begin_) / kChunk)].range(int(from - chunkStart),
                                                              int(chunkEnd - chunkStart)));
        from = chunkEnd;
    }
    return r;
}

qint64 SeriesColumn::dropBefore(quint32 line)
{
    qint64 dropped = 0;
    while (chunks_.size() > 1 && this->line(begin_ + kChunk - 1) < line) {
        chunks_.pop_front();
        begin_ += kChunk;
        dropped += kChunk;
    }
    return dropped;
}
