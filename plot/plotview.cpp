#include "plot/plotview.h"

#include <algorithm>
#include <cmath>

namespace {

// Below this width (in the axis' unit) a zoom goes no further.
constexpr double kMinWidth = 1.0;

} // namespace

void PlotView::setSpan(double span)
{
    if (span > 0)
        span_ = span;
}

void PlotView::follow()
{
    mode_ = Mode::Follow;
    paused_ = false;
}

void PlotView::showWholeRun()
{
    mode_ = Mode::WholeRun;
    paused_ = false;
}

XRange PlotView::range(double first, double last)
{
    if (paused_ || mode_ == Mode::Fixed || first > last)
        return current_;
    if (mode_ == Mode::Follow)
        current_ = {last - span_, last};
    else if (last - first < kMinWidth)
        current_ = {first - span_ / 2, first + span_ / 2};
    else
        current_ = {first, last};
    return current_;
}

void PlotView::zoom(double at, double factor)
{
    const double anchor = current_.from + at * current_.width();
    const double width = std::max(current_.width() * factor, kMinWidth);
    current_ = {anchor - at * width, anchor + (1 - at) * width};
    mode_ = Mode::Fixed;
}

void PlotView::pan(double fraction)
{
    const double shift = fraction * current_.width();
    current_ = {current_.from - shift, current_.to - shift};
    mode_ = Mode::Fixed;
}

void PlotView::setHidden(int series, bool hidden)
{
    if (size_t(series) >= hidden_.size())
        hidden_.resize(size_t(series) + 1);
    hidden_[size_t(series)] = hidden;
}

bool PlotView::isHidden(int series) const
{
    return size_t(series) < hidden_.size() && hidden_[size_t(series)];
}

XRange paddedRange(const MinMax &extent)
{
    if (extent.isEmpty())
        return {0, 1};
    const double height = extent.max - extent.min;
    const double pad = height > 0 ? height * 0.05 : std::max(std::abs(extent.max) * 0.05, 0.5);
    return {extent.min - pad, extent.max + pad};
}

double niceStep(double span, int maxCount)
{
    const double raw = span / std::max(maxCount, 1);
    if (!(raw > 0) || !std::isfinite(raw))
        return 1;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * magnitude >= raw)
            return m * magnitude;
    return 10 * magnitude;
}

double timeStep(double spanMsecs, int maxCount)
{
    static constexpr double kSteps[] = {1000,    2000,    5000,     10000,    15000,    30000,
                                        60000,   120000,  300000,   600000,   900000,   1800000,
                                        3600000, 7200000, 10800000, 21600000, 43200000, 86400000};
    constexpr double kClockStepsFrom = 500; // shorter steps are plain decimal ones
    const double raw = spanMsecs / std::max(maxCount, 1);
    if (raw <= kClockStepsFrom)
        return niceStep(spanMsecs, maxCount);
    for (const double step : kSteps)
        if (step >= raw)
            return step;
    return kDayMs * niceStep(raw / kDayMs, 1);
}

std::vector<double> ticks(const XRange &range, double step, double offset)
{
    std::vector<double> out;
    if (!(step > 0) || range.width() / step > 1000)
        return out;
    for (double k = std::ceil((range.from + offset) / step);; ++k) {
        const double t = k * step - offset;
        if (t > range.to)
            break;
        out.push_back(t);
    }
    return out;
}
