#pragma once

#include "plot/seriescolumn.h"

#include <vector>

// Milliseconds in a day.
inline constexpr double kDayMs = 86400000;

struct XRange
{
    double from = 0;
    double to = 1;
    double width() const { return to - from; }
};

// What part of the run the plot shows. Following shows the last `span` of x up to the
// newest sample; the whole run from the first sample to the newest; a zoom or pan fixes
// the range until the user follows again. A pause holds whatever range is shown while the
// samples go on arriving. The plot asks for the range at every drawing.
class PlotView
{
public:
    enum class Mode { Follow, WholeRun, Fixed };

    Mode mode() const { return mode_; }
    bool paused() const { return paused_; }
    double span() const { return span_; }
    void setSpan(double span);

    // Both leave a pause.
    void follow();
    void showWholeRun();
    void setPaused(bool paused) { paused_ = paused; }

    // The range to draw for samples from x first to x last (first > last: none yet).
    XRange range(double first, double last);
    // About the x at `at` (0 left edge, 1 right edge); factor < 1 zooms in.
    void zoom(double at, double factor);
    // By a fraction of the width; positive shows earlier x.
    void pan(double fraction);

    void setHidden(int series, bool hidden);
    void showAllSeries() { hidden_.clear(); }
    bool isHidden(int series) const;

private:
    Mode mode_ = Mode::Follow;
    bool paused_ = false;
    static constexpr double kFirstSpanMs = 10000;
    double span_ = kFirstSpanMs;
    XRange current_;
    std::vector<bool> hidden_;
};

// A y range that holds the extent with a margin; a flat line gets room above and below.
XRange paddedRange(const MinMax &extent);
// A step of 1, 2 or 5 times a power of ten giving at most maxCount steps over the span.
double niceStep(double span, int maxCount);
// The same for milliseconds of a clock: steps of whole seconds, minutes, hours and days
// where the span allows.
double timeStep(double spanMsecs, int maxCount);
// The multiples of step in the range, shifted by offset (a time zone's offset from UTC, so
// that ticks fall on whole local hours).
std::vector<double> ticks(const XRange &range, double step, double offset = 0);
