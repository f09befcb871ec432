#pragma once

#include "platform/savefile.h"

#include <QObject>
#include <QRect>
#include <QString>

struct Services;
class QWidget;

// options.ini beside the settings file the services name.
QString optionsFilePath(const Services &services);

// Keeps a top-level window's place in options.ini under its name. Before the first show it
// puts a remembered place back when that still lies on a screen; one that does not is
// forgotten and the window opens at its design size on the primary screen. At close it stores
// the place once the user moved, resized or maximized the window, or it was remembered.
class WindowPlaceKeeper : public QObject
{
public:
    WindowPlaceKeeper(QWidget *window, QString optionsPath, QString name);

    void restore();
    WriteResult save() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *window_;
    QString path_;
    QString name_;
    // Where the window system showed the window: it is the user's place only once it differs.
    QRect shownAt_;
    bool activated_ = false;
    bool remembered_ = false;
};
