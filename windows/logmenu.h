#pragma once

#include <memory>

class FileDialog;
class MessageBox;
class QAction;
class QWidget;
class SessionLog;
struct Services;

// Binds "Log Received Data..." and "Timestamp Log Lines" to the session log. The log
// item's check mark follows the log, also when a failed write or the command line opens or
// stops it; the timestamp item's mark is the setting, however it was set.
class LogMenu
{
public:
    LogMenu(QWidget *window, const Services &services, QAction *logItem, QAction *timestampItem,
            SessionLog &log, MessageBox &messages);
    ~LogMenu();

private:
    void toggleLog();

    std::unique_ptr<FileDialog> dialog_;
    QAction *logItem_;
    SessionLog &log_;
    MessageBox &messages_;
};
