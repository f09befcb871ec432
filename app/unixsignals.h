#pragma once

#include <QObject>

// Turns SIGTERM and SIGINT into a normal close of the main window, so a logout or a
// kill saves the settings as a user's close does. The handler only writes to a pipe;
// the window is closed from the event loop.
class UnixSignalCloser : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalCloser(QObject *parent = nullptr);
    ~UnixSignalCloser() override;

signals:
    void terminateRequested();

private:
    void readSignal();
};
