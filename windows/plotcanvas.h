#pragma once

#include "plot/samplestore.h"

#include <QColor>
#include <QImage>
#include <QLine>
#include <QPointF>
#include <QWidget>

#include <optional>
#include <vector>

class PlotView;
struct Trace;

// The colour of a series in the plot and the legend.
QColor seriesColor(int series);
// A value as the plot shows it: the shortest form that reads back as the same number.
QString plotNumber(double value);

// Paints the run: axes, grid, each visible series as at most four points per pixel column,
// and a cursor line with the values under the mouse. The wheel zooms on x about the mouse,
// a drag pans, a double click follows again.
class PlotCanvas : public QWidget
{
    Q_OBJECT
public:
    PlotCanvas(const SampleStore &store, PlotView &view, QWidget *parent = nullptr);

    void setAxis(XAxis axis);
    XAxis axis() const { return axis_; }
    // The drawing area inside the axes' labels.
    QRect plotRect() const;
    // How many times the plot was painted (the benchmark counts redraws).
    qint64 paintCount() const { return paints_; }
    // Puts the cursor at a point of the widget, as the mouse does (none: no cursor).
    void setCursorAt(std::optional<QPoint> at);

signals:
    // The user zoomed, panned or followed again.
    void viewChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct Frame; // one drawing's ranges and mapping
    void paintAxes(QPainter &p, const Frame &f);
    void paintFrame();
    void paintTrace(QPainter &p, const Frame &f, int series, const Trace &trace);
    // Writes the bars of one series into the frame, within clip.
    void fillBars(QRgb color, const QRect &clip);
    void paintCursor(QPainter &p, const Frame &f);
    QString xLabel(double x, double step) const;

    const SampleStore &store_;
    PlotView &view_;
    XAxis axis_ = XAxis::Time;
    qint64 paints_ = 0;
    std::optional<QPoint> cursor_;
    std::optional<QPoint> dragFrom_;
    QImage frame_;
    std::vector<QLine> bars_; // one series' columns, reused by every drawing
};
