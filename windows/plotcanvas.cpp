#include "windows/plotcanvas.h"

#include "plot/decimate.h"
#include "plot/plotview.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <charconv>
#include <cmath>
#include <tuple>

namespace {

constexpr int kLeft = 64, kRight = 12, kTop = 10, kBottom = 26;
constexpr int kLabelGap = 6; // between a value label and the plot area
// The box of values at the cursor: its distance from the cursor and the plot's top, and the
// padding of its text; drawn on a nearly opaque white.
constexpr int kBoxOffset = 8, kBoxTop = 4, kPadX = 5, kPadY = 3;
constexpr QColor kBoxFill(255, 255, 255, 225);

// A tick label: the value rounded to the step, so that 0.30000000000000004 reads 0.3.
QString tickLabel(double v, double step)
{
    constexpr double kZeroShare = 1e-9; // rounding noise of a sum of steps
    const double rounded = std::round(v / step) * step;
    return QString::number(std::abs(rounded) < step * kZeroShare ? 0.0 : rounded, 'g', 8);
}

} // namespace

QString plotNumber(double value)
{
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, r.ptr - text);
}

QColor seriesColor(int series)
{
    static const QRgb kColors[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd,
                                   0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf};
    return QColor(kColors[series % 10]);
}

struct PlotCanvas::Frame
{
    QRect area;
    XRange x;
    XRange y;
    double px(double v) const { return area.left() + (v - x.from) / x.width() * area.width(); }
    double py(double v) const { return area.bottom() - (v - y.from) / y.width() * area.height(); }
};

PlotCanvas::PlotCanvas(const SampleStore &store, PlotView &view, QWidget *parent)
    : QWidget(parent), store_(store), view_(view)
{
    setMouseTracking(true);
    constexpr QSize kSmallest(320, 200);
    setMinimumSize(kSmallest);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotCanvas::setAxis(XAxis axis)
{
    axis_ = axis;
    update();
}

QRect PlotCanvas::plotRect() const
{
    return rect().adjusted(kLeft, kTop, -kRight, -kBottom);
}

void PlotCanvas::setCursorAt(std::optional<QPoint> at)
{
    cursor_ = at;
    update();
}

void PlotCanvas::paintEvent(QPaintEvent *)
{
    ++paints_;
    // Drawn into an image of our own, so that the bars can be written as pixels.
    const qreal dpr = devicePixelRatioF();
    if (frame_.size() != size() * dpr) {
        frame_ = QImage(size() * dpr, QImage::Format_RGB32);
        frame_.setDevicePixelRatio(dpr);
    }
    paintFrame();
    QPainter(this).drawImage(0, 0, frame_);
}

void PlotCanvas::paintFrame()
{
    QPainter p(&frame_);
    p.fillRect(rect(), Qt::white);
    Frame f{plotRect(), {}, {}};
    const bool empty = store_.firstLine() == store_.lineCount();
    f.x = empty ? view_.range(1, 0)
                : view_.range(store_.lineX(store_.firstLine(), axis_),
                              store_.lineX(store_.lineCount() - 1, axis_));
    const ColumnGrid grid(store_, axis_, f.x.from, f.x.to, f.area.width());
    std::vector<std::pair<int, Trace>> traces;
    MinMax extent;
    for (int s = 0; s < store_.seriesCount(); ++s) {
        if (view_.isHidden(s))
            continue;
        traces.emplace_back(s, decimate(store_, s, grid));
        extent.add(traces.back().second.extent);
    }
    if (empty) {
        p.setPen(Qt::gray);
        p.drawRect(f.area);
        p.drawText(f.area, Qt::AlignCenter, QStringLiteral("Waiting for lines of numbers"));
        return;
    }
    f.y = paddedRange(extent);
    paintAxes(p, f);
    p.setClipRect(f.area.adjusted(0, 0, 1, 1));
    for (const auto &[series, trace] : traces)
        paintTrace(p, f, series, trace);
    p.setClipping(false);
    paintCursor(p, f);
}

// Each column is a one-pixel bar from its smallest to its largest value, reaching back to
// where the previous column ended when that is the column before; farther apart, and to
// the samples outside the range, a line joins them.
void PlotCanvas::paintTrace(QPainter &p, const Frame &f, int series, const Trace &trace)
{
    const QColor color = seriesColor(series);
    p.setPen(QPen(color, 0));    // cosmetic: the raster engine's fast lines
    constexpr double kFar = 1e6; // off any screen, still safe for the painter
    const auto py = [&f, kFar](double v) { return std::clamp(f.py(v), -kFar, kFar); };
    const double left = f.area.left() - 1, right = f.area.right() + 1;
    // The part of a line within the plot's width.
    const auto line = [&](QPointF a, QPointF b) {
        const auto at = [a, b](double x) {
            return QPointF(x, a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x()));
        };
        if (b.x() > a.x())
            std::tie(a, b) = std::pair(a.x() < left ? at(left) : a, b.x() > right ? at(right) : b);
        p.drawLine(a, b);
    };
    bars_.clear();
    std::optional<QPointF> end;
    if (trace.before)
        end = QPointF(f.px(trace.before->x), py(trace.before->y));
    int endColumn = -2;
    for (const ColumnSpan &c : trace.columns) {
        const int x = f.area.left() + c.column;
        int top = int(std::lround(py(c.max)));
        int bottom = int(std::lround(py(c.min)));
        if (end && c.column == endColumn + 1) {
            top = std::min(top, int(std::lround(end->y())));
            bottom = std::max(bottom, int(std::lround(end->y())));
        } else if (end) {
            line(*end, QPointF(x, py(c.first)));
        }
        bars_.emplace_back(x, top, x, bottom);
        end = QPointF(x, py(c.last));
        endColumn = c.column;
    }
    if (end && trace.after)
        line(*end, QPointF(f.px(trace.after->x), py(trace.after->y)));
    fillBars(color.rgb(), f.area);
}

void PlotCanvas::fillBars(QRgb color, const QRect &clip)
{
    const qreal dpr = frame_.devicePixelRatio();
    const int width = frame_.width(), height = frame_.height();
    uchar *const bits = frame_.bits();
    const qsizetype stride = frame_.bytesPerLine();
    for (const QLine &bar : bars_) {
        const int top = std::max(bar.y1(), clip.top());
        const int bottom = std::min(bar.y2(), clip.bottom());
        if (top > bottom || bar.x1() < clip.left() || bar.x1() > clip.right())
            continue;
        const int x0 = int(bar.x1() * dpr);
        const int x1 = std::min(std::max(x0 + 1, int((bar.x1() + 1) * dpr)), width);
        const int y1 = std::min(int((bottom + 1) * dpr), height);
        uchar *row = bits + int(top * dpr) * stride;
        for (int y = int(top * dpr); y < y1; ++y, row += stride)
            std::fill(reinterpret_cast<QRgb *>(row) + x0, reinterpret_cast<QRgb *>(row) + x1,
                      color);
    }
}

QString PlotCanvas::xLabel(double x, double step) const
{
    if (axis_ == XAxis::SampleNumber)
        return tickLabel(x, step);
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(qint64(std::llround(x)));
    if (step >= kDayMs)
        return t.toString(QStringLiteral("yyyy-MM-dd"));
    return t.toString(step >= 1000 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm:ss.zzz"));
}

void PlotCanvas::paintAxes(QPainter &p, const Frame &f)
{
    const QFontMetrics fm(font());
    const QPen gridPen(QColor(0xe4, 0xe4, 0xe4));
    const double ystep = niceStep(f.y.width(), std::max(2, f.area.height() / 40));
    for (const double v : ticks(f.y, ystep)) {
        const int y = int(std::lround(f.py(v)));
        p.setPen(gridPen);
        p.drawLine(f.area.left(), y, f.area.right(), y);
        p.setPen(Qt::black);
        p.drawText(QRect(0, y - fm.height() / 2, kLeft - kLabelGap, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, tickLabel(v, ystep));
    }
    const int labelWidth = fm.horizontalAdvance(QStringLiteral("00:00:00.000")) + 16;
    const int count = std::max(2, f.area.width() / labelWidth);
    double offset = 0;
    double xstep = niceStep(f.x.width(), count);
    if (axis_ == XAxis::Time) {
        xstep = timeStep(f.x.width(), count);
        offset = QDateTime::fromMSecsSinceEpoch(qint64(f.x.from)).offsetFromUtc() * 1000.0;
    }
    for (const double v : ticks(f.x, xstep, offset)) {
        const int x = int(std::lround(f.px(v)));
        p.setPen(gridPen);
        p.drawLine(x, f.area.top(), x, f.area.bottom());
        p.setPen(Qt::black);
        p.drawText(QRect(x - labelWidth / 2, f.area.bottom() + 4, labelWidth, fm.height()),
                   Qt::AlignHCenter | Qt::AlignTop, xLabel(v, xstep));
    }
    p.setPen(Qt::darkGray);
    p.drawRect(f.area);
}

void PlotCanvas::paintCursor(QPainter &p, const Frame &f)
{
    if (!cursor_ || !f.area.contains(*cursor_))
        return;
    const double x = f.x.from + (cursor_->x() - f.area.left()) * f.x.width() / f.area.width();
    p.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    p.drawLine(cursor_->x(), f.area.top(), cursor_->x(), f.area.bottom());
    QStringList lines{axis_ == XAxis::Time ? xLabel(x, 1)
                                           : QStringLiteral("sample %1").arg(std::llround(x))};
    QList<QColor> colors{Qt::black};
    for (int s = 0; s < store_.seriesCount(); ++s) {
        if (view_.isHidden(s))
            continue;
        if (const auto sample = nearestSample(store_, s, axis_, x)) {
            lines << QString::fromLatin1(store_.seriesName(s)) + QStringLiteral(": ") +
                         plotNumber(sample->y);
            colors << seriesColor(s);
            p.setPen(seriesColor(s));
            p.drawEllipse(QPointF(f.px(sample->x), f.py(sample->y)), 3, 3);
        }
    }
    const QFontMetrics fm(font());
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, fm.horizontalAdvance(line));
    QRect box(cursor_->x() + kBoxOffset, f.area.top() + kBoxTop, width + 2 * kPadX,
              int(lines.size()) * fm.height() + 2 * kPadY);
    if (box.right() > f.area.right())
        box.moveRight(cursor_->x() - kBoxOffset);
    p.fillRect(box, kBoxFill);
    p.setPen(Qt::gray);
    p.drawRect(box);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        p.setPen(colors[i]);
        p.drawText(box.left() + kPadX, box.top() + kPadY + fm.ascent() + int(i) * fm.height(),
                   lines[i]);
    }
}

void PlotCanvas::wheelEvent(QWheelEvent *event)
{
    const QRect area = plotRect();
    const double at = std::clamp((event->position().x() - area.left()) / area.width(), 0.0, 1.0);
    constexpr double kZoomPerNotch = 0.8, kNotch = 120.0; // a wheel notch is 120
    view_.zoom(at, std::pow(kZoomPerNotch, event->angleDelta().y() / kNotch));
    emit viewChanged();
    update();
}

void PlotCanvas::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        dragFrom_ = event->position().toPoint();
}

void PlotCanvas::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (dragFrom_ && at.x() != dragFrom_->x()) {
        view_.pan(double(at.x() - dragFrom_->x()) / std::max(plotRect().width(), 1));
        dragFrom_ = at;
        emit viewChanged();
    }
    setCursorAt(at);
}

void PlotCanvas::mouseReleaseEvent(QMouseEvent *)
{
    dragFrom_.reset();
}

void PlotCanvas::mouseDoubleClickEvent(QMouseEvent *)
{
    view_.follow();
    emit viewChanged();
    update();
}

void PlotCanvas::leaveEvent(QEvent *)
{
    setCursorAt(std::nullopt);
}
