#include "windows/windowplace.h"

#include "files_views/windowstate.h"
#include "platform/widgets/services.h"
#include "terminal/useroptions.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QString optionsFilePath(const Services &services)
{
    return userOptionsPath(services.settingsPath.isEmpty() ? defaultSettingsPath()
                                                           : services.settingsPath);
}

WindowPlaceKeeper::WindowPlaceKeeper(QWidget *window, QString optionsPath, QString name)
    : QObject(window), window_(window), path_(std::move(optionsPath)), name_(std::move(name))
{
    window->installEventFilter(this);
}

void WindowPlaceKeeper::restore()
{
    const std::optional<WindowPlace> place = loadWindowPlace(path_, name_);
    if (!place)
        return;
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    if (!liesOnScreens(place->normal, screens)) {
        if (const QScreen *primary = QGuiApplication::primaryScreen()) {
            const QRect area = primary->availableGeometry();
            QRect centred(QPoint(), window_->size());
            centred.moveCenter(area.center());
            window_->move(qMax(centred.left(), area.left()), qMax(centred.top(), area.top()));
        }
        return;
    }
    window_->setGeometry(place->normal);
    if (place->maximized)
        window_->setWindowState(window_->windowState() | Qt::WindowMaximized);
    remembered_ = true;
}

WriteResult WindowPlaceKeeper::save() const
{
    const WindowPlace now{window_->normalGeometry(), window_->isMaximized()};
    const bool changed = activated_ && (now.normal != shownAt_ || now.maximized);
    return saveWindowPlace(path_, name_,
                           remembered_ || changed ? std::optional(now) : std::nullopt);
}

bool WindowPlaceKeeper::eventFilter(QObject *watched, QEvent *event)
{
    // The window system places a new window before it first becomes active; what happens to
    // it after that is the user's doing.
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        shownAt_ = window_->normalGeometry();
    }
    return QObject::eventFilter(watched, event);
}
