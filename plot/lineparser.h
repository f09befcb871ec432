#pragma once

#include "plot/samplestore.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

#include <vector>

// Turns received bytes, in pieces of any size, into lines (CR LF, LF or CR ends one; a
// CR LF split between pieces ends one line) and each line into samples of the store.
// Each line is read by itself:
//   name:value pairs, separated by spaces, tabs or commas ("temp:21.5, hum: 40"): one
//     series per name, in order of first appearance; a name starts with a letter or '_';
//   numbers separated by commas, semicolons, spaces or tabs ("21.5;40 1013"): series "1",
//     "2", ... by column; two commas with nothing between leave that column out; a line
//     of at least two names in that shape ("temp,hum") before the first such line names
//     the columns when it has as many fields;
//   numbers are decimal with an optional sign, fraction and exponent ("-1.5e-3", ".5");
//     nan and inf are accepted and leave that value out;
//   a blank line is passed over; anything else counts as a skipped line.
// A line's time is the arrival of its first byte.
class LineParser
{
public:
    // Longer lines are skipped (a stream without line ends must not fill the memory).
    static constexpr qsizetype kMaxLineLength = 4096;

    explicit LineParser(SampleStore &store) : store_(store) {}

    void reset();
    // The stream starts in the middle of a line: its first line is skipped.
    void startMidLine() { skipFirst_ = true; }
    void feed(QByteArrayView bytes, qint64 arrivalMsecs);

    qint64 linesSkipped() const { return skipped_; }

private:
    void endLine(QByteArrayView line, qint64 msecs);
    bool parsePairs(QByteArrayView line);
    bool parseNumbers(QByteArrayView line);
    // A line of names before the first numbers is kept to name their columns.
    void readHeader(QByteArrayView line);
    int pairSeries(qsizetype field, QByteArrayView name);

    SampleStore &store_;
    QByteArray partial_;
    qint64 partialMsecs_ = 0;
    bool inLine_ = false;
    bool lastWasCr_ = false;
    bool skipFirst_ = false;
    qint64 skipped_ = 0;

    std::vector<SeriesValue> values_;
    std::vector<QByteArrayView> fields_; // the names of a line of pairs
    std::vector<double> numbers_;        // of the fields of a line of pairs; NaN: left out
    // The series of each field position as last seen, so a steady stream of pairs costs
    // one comparison per name.
    std::vector<std::pair<QByteArray, int>> pairNames_;
    std::vector<int> columnSeries_;
    std::vector<QByteArray> header_;
    bool numbersSeen_ = false;
};
