#include "platform/widgets/stayontop.h"

#include <QRect>
#include <QWidget>

// Changing the stays-on-top hint recreates the native window, which hides it and lets the
// window manager place it anew; the saved geometry puts it back where it was.
void setStaysOnTop(QWidget *window, bool on)
{
    if (!window)
        return;
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    const bool wasVisible = window->isVisible();
    const QRect geometry = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    window->setGeometry(geometry);
    if (wasVisible)
        window->show();
}
