#pragma once

#include "transmit/commandrunner.h"

#include <QObject>
#include <QSize>

#include <functional>

class QMainWindow;
class QScrollArea;
class QWidget;

// What both windows do alike with their frame, and how each binds a control to a command.

// Makes client, never smaller than design, the window's scrolling central widget; larger,
// it fills the window.
QScrollArea *setScrollingClient(QMainWindow *window, QWidget *client, QSize design);
// Sizes the window, its menu bar built, to show a client area of the design size exactly.
void showDesignSize(QMainWindow *window, QSize design);
// F10 opens the window's first menu, whichever box has the focus.
void openFirstMenuOnF10(QMainWindow *window);
// Calls react after each resize of w.
void onResize(QWidget *w, std::function<void()> react);

// Binds a control's signal to a command that runs through the window's runner, so that the
// runner knows it runs (the window is not deleted under it) and applies the rules of the
// command's lane, if it has one.
template <typename Sender, typename Signal, typename Command>
void bindCommand(CommandRunner &runner, QObject *context, Sender *sender, Signal signal,
                 Command command)
{
    // Made a std::function once here, so that a signal costs no conversion.
    QObject::connect(
        sender, signal, context,
        [&runner, command = std::function<void()>(std::move(command))] { runner.run(command); });
}
