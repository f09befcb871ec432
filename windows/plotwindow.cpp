#include "windows/plotwindow.h"

#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/savefile.h"
#include "platform/widgets/services.h"
#include "plot/plotcsv.h"
#include "plot/plotfeed.h"
#include "terminal/capturebuffer.h"
#include "windows/plotcanvas.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>

namespace {

// At least 30 drawings a second while data arrives; the legend follows every fourth.
constexpr int kTickMs = 30;
constexpr int kLegendEvery = 4;

QIcon swatch(int series, bool hidden)
{
    constexpr int kSide = 12;
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(seriesColor(series));
    p.setBrush(hidden ? QBrush(Qt::NoBrush) : QBrush(seriesColor(series)));
    p.drawRect(0, 0, kSide - 1, kSide - 1);
    return QIcon(pixmap);
}

QPushButton *button(const QString &caption, const char *name, bool checkable = false)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    b->setCheckable(checkable);
    b->setAutoDefault(false);
    return b;
}

} // namespace

PlotWindow::PlotWindow(const Services &services, PlotFeed &feed, const CaptureBuffer &capture,
                       QWidget *parent)
    : QWidget(parent, Qt::Window), feed_(feed), capture_(capture),
      dialog_(services.makeFileDialog(this)), messages_(services.makeMessageBox(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Plot"));
    buildWidgets();
    bind();
    constexpr QSize kFirstSize(900, 480);
    resize(kFirstSize);
}

PlotWindow::~PlotWindow()
{
    feed_.stop();
}

void PlotWindow::buildWidgets()
{
    ui.followButton = button(QStringLiteral("Follow"), "followButton", true);
    ui.spanBox = new QDoubleSpinBox;
    ui.spanBox->setObjectName(QStringLiteral("spanBox"));
    constexpr double kShortestSpan = 0.1, kLongestSpan = 1e7; // seconds
    ui.spanBox->setRange(kShortestSpan, kLongestSpan);
    ui.spanBox->setDecimals(1);
    ui.spanBox->setValue(spans_[0]);
    ui.spanBox->setSuffix(QStringLiteral(" s"));
    ui.spanBox->setToolTip(QStringLiteral("How much of the run Follow shows"));
    ui.wholeRunButton = button(QStringLiteral("Whole Run"), "wholeRunButton", true);
    ui.pauseButton = button(QStringLiteral("Pause"), "pauseButton", true);
    ui.sampleNumberBox = new QCheckBox(QStringLiteral("Sample Number"));
    ui.sampleNumberBox->setObjectName(QStringLiteral("sampleNumberBox"));
    ui.sampleNumberBox->setToolTip(QStringLiteral("Plot against the line's number, not its time"));
    ui.fromCaptureButton = button(QStringLiteral("From Capture"), "fromCaptureButton");
    ui.fromCaptureButton->setToolTip(
        QStringLiteral("Start again with the whole capture so far, then what arrives"));
    ui.clearButton = button(QStringLiteral("Clear"), "clearButton");
    ui.clearButton->setToolTip(QStringLiteral("Start again with what arrives from now on"));
    ui.exportCsvButton = button(QStringLiteral("Export CSV..."), "exportCsvButton");
    ui.exportImageButton = button(QStringLiteral("Export Image..."), "exportImageButton");
    ui.canvas = new PlotCanvas(feed_.store(), view_);
    ui.canvas->setObjectName(QStringLiteral("plotCanvas"));
    ui.legend = new QTreeWidget;
    ui.legend->setObjectName(QStringLiteral("legend"));
    ui.legend->setHeaderLabels({QStringLiteral("Series"), QStringLiteral("Last")});
    ui.legend->setRootIsDecorated(false);
    ui.legend->setUniformRowHeights(true);
    constexpr int kLegendWidth = 220;
    ui.legend->setFixedWidth(kLegendWidth);
    ui.legend->header()->resizeSection(0, kLegendWidth / 2);
    ui.legend->setToolTip(QStringLiteral("Click a series to hide or show it"));
    ui.statusLabel = new QLabel;
    ui.statusLabel->setObjectName(QStringLiteral("statusLabel"));

    auto *controls = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{
             ui.followButton, ui.spanBox, ui.wholeRunButton, ui.pauseButton, ui.sampleNumberBox,
             ui.fromCaptureButton, ui.clearButton})
        controls->addWidget(w);
    controls->addStretch();
    controls->addWidget(ui.exportCsvButton);
    controls->addWidget(ui.exportImageButton);
    auto *middle = new QHBoxLayout;
    middle->addWidget(ui.canvas, 1);
    middle->addWidget(ui.legend);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(middle, 1);
    layout->addWidget(ui.statusLabel);
    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(kTickMs);
}

void PlotWindow::bind()
{
    const auto act = [this](QAbstractButton *b, auto command) {
        connect(b, &QAbstractButton::clicked, this, [this, command] {
            command();
            syncButtons();
            ui.canvas->update();
        });
    };
    act(ui.followButton, [this] { view_.follow(); });
    act(ui.wholeRunButton, [this] { view_.showWholeRun(); });
    act(ui.pauseButton, [this] { view_.setPaused(ui.pauseButton->isChecked()); });
    act(ui.fromCaptureButton, [this] {
        feed_.startFromCapture(capture_.bytes());
        view_.showAllSeries();
        view_.showWholeRun();
        refresh();
    });
    act(ui.clearButton, [this] {
        feed_.start();
        view_.showAllSeries();
        refresh();
    });
    connect(ui.exportCsvButton, &QPushButton::clicked, this, &PlotWindow::exportCsv);
    connect(ui.exportImageButton, &QPushButton::clicked, this, &PlotWindow::exportImage);
    connect(ui.sampleNumberBox, &QCheckBox::toggled, this, &PlotWindow::chooseAxis);
    connect(ui.spanBox, &QDoubleSpinBox::valueChanged, this, &PlotWindow::applySpan);
    connect(ui.canvas, &PlotCanvas::viewChanged, this, &PlotWindow::syncButtons);
    connect(ui.legend, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        const int s = ui.legend->indexOfTopLevelItem(item);
        view_.setHidden(s, !view_.isHidden(s));
        refreshLegend();
        ui.canvas->update();
    });
    connect(timer_, &QTimer::timeout, this, &PlotWindow::tick);
    applySpan();
    syncButtons();
}

void PlotWindow::present(const QWidget *beside)
{
    if (!feed_.running())
        feed_.start();
    if (!placed_ && beside) {
        // To the right of the other window where the screen has room, else to its left.
        const QRect other = beside->frameGeometry();
        const QRect screen = beside->screen()->availableGeometry();
        const int frame = frameGeometry().width() - width();
        if (other.right() + width() + frame < screen.right())
            move(other.right() + 1, other.top());
        else if (other.left() - width() - frame > screen.left())
            move(other.left() - width() - frame, other.top());
    }
    placed_ = true;
    show();
    raise();
    activateWindow();
}

void PlotWindow::refresh()
{
    refreshLegend();
    drawnVersion_ = feed_.version();
    ui.canvas->update();
}

void PlotWindow::tick()
{
    if (++ticks_ % kLegendEvery == 0)
        refreshLegend();
    if (feed_.version() != drawnVersion_) {
        drawnVersion_ = feed_.version();
        ui.canvas->update();
    }
}

void PlotWindow::refreshLegend()
{
    const SampleStore &store = feed_.store();
    QTreeWidget *legend = ui.legend;
    while (legend->topLevelItemCount() > store.seriesCount())
        delete legend->takeTopLevelItem(legend->topLevelItemCount() - 1);
    for (int s = 0; s < store.seriesCount(); ++s) {
        QTreeWidgetItem *item =
            s < legend->topLevelItemCount() ? legend->topLevelItem(s) : new QTreeWidgetItem(legend);
        const SeriesColumn &c = store.column(s);
        const bool held = c.end() > c.begin() && c.line(c.end() - 1) >= store.firstLine();
        const QString texts[2] = {QString::fromLatin1(store.seriesName(s)),
                                  held ? plotNumber(c.value(c.end() - 1)) : QString()};
        for (int column = 0; column < 2; ++column)
            if (item->text(column) != texts[column])
                item->setText(column, texts[column]);
        const bool hidden = view_.isHidden(s);
        if (item->data(0, Qt::UserRole).isNull() || item->data(0, Qt::UserRole) != hidden) {
            item->setData(0, Qt::UserRole, hidden);
            item->setIcon(0, swatch(s, hidden));
            for (int column = 0; column < 2; ++column)
                item->setForeground(column, hidden ? Qt::gray : palette().text().color());
        }
    }
    ui.statusLabel->setText(
        QStringLiteral("%1 lines, %2 skipped")
            .arg(store.lineCount() - store.firstLine())
            .arg(feed_.linesSkipped()) +
        (store.firstLine() > 0
             ? QStringLiteral("; the oldest %1 let go to bound the memory").arg(store.firstLine())
             : QString()));
}

void PlotWindow::chooseAxis(bool sampleNumbers)
{
    spans_[sampleNumbers ? 0 : 1] = ui.spanBox->value();
    ui.spanBox->setSuffix(sampleNumbers ? QStringLiteral(" samples") : QStringLiteral(" s"));
    ui.spanBox->setValue(spans_[sampleNumbers ? 1 : 0]);
    ui.canvas->setAxis(sampleNumbers ? XAxis::SampleNumber : XAxis::Time);
    applySpan();
    // A zoomed range is in the other axis' unit.
    if (view_.mode() != PlotView::Mode::WholeRun)
        view_.follow();
    syncButtons();
}

void PlotWindow::applySpan()
{
    const bool seconds = ui.canvas->axis() == XAxis::Time;
    view_.setSpan(ui.spanBox->value() * (seconds ? 1000 : 1));
    ui.canvas->update();
}

void PlotWindow::syncButtons()
{
    ui.followButton->setChecked(view_.mode() == PlotView::Mode::Follow);
    ui.wholeRunButton->setChecked(view_.mode() == PlotView::Mode::WholeRun);
    ui.pauseButton->setChecked(view_.paused());
}

QString PlotWindow::askSavePath(const QString &title, const QString &filter, const QString &suffix)
{
    // The dialog starts at the last name, with the suffix of this export.
    std::optional<QString> start;
    if (!lastExport_.isEmpty()) {
        const QFileInfo last(lastExport_);
        start = last.dir().filePath(last.completeBaseName() + u'.' + suffix);
    }
    const FileChoice choice =
        chooseFile(*dialog_, {FileDialogMode::Save, filter, title, start}, *messages_);
    if (choice.cancelled || choice.failure || !choice.path)
        return {};
    QString path = lastExport_ = *choice.path;
    if (QFileInfo(path).suffix().isEmpty())
        path += u'.' + suffix;
    return path;
}

void PlotWindow::save(const QString &path, const QByteArray &bytes)
{
    if (const WriteResult saved = writeFileSafely(path, bytes); !saved)
        messages_->show(saveFailedMessage(path, saved.error));
}

void PlotWindow::exportCsv()
{
    const QString path =
        askSavePath(QStringLiteral("Export CSV"), QStringLiteral("CSV Files (*.csv)|*.csv|"),
                    QStringLiteral("csv"));
    if (!path.isEmpty())
        save(path, plotCsv(feed_.store()));
}

void PlotWindow::exportImage()
{
    const QString path =
        askSavePath(QStringLiteral("Export Image"), QStringLiteral("PNG Images (*.png)|*.png|"),
                    QStringLiteral("png"));
    if (path.isEmpty())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    grab().save(&buffer, "PNG");
    save(path, png);
}

void PlotWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    timer_->start();
    refresh();
}

void PlotWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    timer_->stop();
}
