#pragma once

#include <QObject>

// Turns SIGTERM and SIGINT into a close of the main window, so a logout or a kill saves
// the settings as a user's close does; the window is told the close came from a signal,
// as nobody may be there to answer a question. The handler only writes to a pipe; the
// window is closed from the event loop.
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
