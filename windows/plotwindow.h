#pragma once

#include "plot/plotview.h"

#include <QWidget>

#include <memory>

class CaptureBuffer;
class FileDialog;
class MessageBox;
class PlotCanvas;
class PlotFeed;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
struct Services;

struct PlotWidgets
{
    QPushButton *followButton = nullptr;
    QDoubleSpinBox *spanBox = nullptr; // seconds, or samples on the sample-number axis
    QPushButton *wholeRunButton = nullptr;
    QPushButton *pauseButton = nullptr;
    QCheckBox *sampleNumberBox = nullptr;
    QPushButton *fromCaptureButton = nullptr;
    QPushButton *clearButton = nullptr;
    QPushButton *exportCsvButton = nullptr;
    QPushButton *exportImageButton = nullptr;
    PlotCanvas *canvas = nullptr;
    QTreeWidget *legend = nullptr; // name, last value; a click hides or shows the series
    QLabel *statusLabel = nullptr;
};

// The live plot of the numbers in received lines. It shows the feed's run, which starts
// when the window is presented and ends when it closes; the feed keeps taking lines while
// the window is hidden or paused. It redraws on a timer only while it is shown.
class PlotWindow : public QWidget
{
    Q_OBJECT
public:
    PlotWindow(const Services &services, PlotFeed &feed, const CaptureBuffer &capture,
               QWidget *parent = nullptr);
    ~PlotWindow() override;

    PlotWidgets ui;
    PlotView &view() { return view_; }

    // Starts a run when none is going, shows the window (beside `beside` the first time)
    // and brings it to the front.
    void present(const QWidget *beside = nullptr);
    // Brings the legend, the line counts and the plot up to date, as each tick does.
    void refresh();
    void exportCsv();
    void exportImage();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void buildWidgets();
    void bind();
    void refreshLegend();
    void tick();
    void chooseAxis(bool sampleNumbers);
    void applySpan();
    void syncButtons();
    // Asks for a file name; empty when the user cancelled or the dialog failed.
    QString askSavePath(const QString &title, const QString &filter, const QString &suffix);
    void save(const QString &path, const QByteArray &bytes);

    PlotFeed &feed_;
    const CaptureBuffer &capture_;
    std::unique_ptr<FileDialog> dialog_;
    QString lastExport_; // the name last chosen, the next export starts at
    std::shared_ptr<MessageBox> messages_;
    PlotView view_;
    QTimer *timer_ = nullptr;
    quint64 drawnVersion_ = ~quint64(0);
    int ticks_ = 0;
    bool placed_ = false;
    double spans_[2] = {10, 1000}; // the span box for time and for sample numbers
};
