#include "windows/windowframe.h"

#include <QEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QScrollArea>
#include <QShortcut>

namespace {

class ResizeWatcher : public QObject
{
public:
    ResizeWatcher(QWidget *w, std::function<void()> react) : QObject(w), react_(std::move(react))
    {
        w->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            react_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> react_;
};

} // namespace

void onResize(QWidget *w, std::function<void()> react)
{
    new ResizeWatcher(w, std::move(react));
}

QScrollArea *setScrollingClient(QMainWindow *window, QWidget *client, QSize design)
{
    client->setMinimumSize(design);
    auto *area = new QScrollArea(window);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(client);
    area->viewport()->setBackgroundRole(QPalette::Window);
    // Small enough for a 1280 x 720 screen at a scale factor of 2.
    constexpr QSize kSmallest(160, 120);
    area->setMinimumSize(kSmallest);
    window->setCentralWidget(area);
    return area;
}

void openFirstMenuOnF10(QMainWindow *window)
{
    QMenuBar *bar = window->menuBar();
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_F10), window), &QShortcut::activated, bar,
                     [bar] { bar->setActiveAction(bar->actions().constFirst()); });
}

void showDesignSize(QMainWindow *window, QSize design)
{
    const QWidget *bar = window->menuWidget();
    const int barHeight = bar ? bar->heightForWidth(design.width()) : 0;
    window->resize(design.width(), design.height() + qMax(0, barHeight));
}
