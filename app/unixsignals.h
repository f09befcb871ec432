#pragma once

#include <QObject>

// SIGTERM and SIGINT from the first moment: installed first thing in main, they end the
// program at once while nothing is open yet. Once a UnixSignalCloser exists (made before
// the window, which opens the settings, the port and the log) they are kept for the event
// loop, where they close the main window, so a logout or a kill saves the settings as a
// user's close does; the window is told the close came from a signal, as nobody may be
// there to answer a question. The handler only writes to a socket.
void installSignalHandlers();

class UnixSignalCloser : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalCloser(QObject *parent = nullptr);
    ~UnixSignalCloser() override;

signals:
    // signalNumber: SIGTERM or SIGINT, the first of them that came.
    void terminateRequested(int signalNumber);

private:
    void readSignal();
};
