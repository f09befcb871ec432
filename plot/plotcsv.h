#pragma once

#include <QByteArray>

class SampleStore;

// The run as comma-separated values, one row per line held: the local time of the line
// ("yyyy-MM-dd HH:mm:ss.zzz", as the log stamps lines), then one column per series, empty
// where the line did not hold that series. Values are written in the shortest form that
// reads back as the same number. Rows end in CR LF; the first row names the columns.
QByteArray plotCsv(const SampleStore &store);
