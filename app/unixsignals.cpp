#include "app/unixsignals.h"

#include "platform/termination.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalFds[2] = {-1, -1};
volatile std::sig_atomic_t kept = 0; // a UnixSignalCloser takes the signals

void onSignal(int sig)
{
    if (!kept) {
        // Nothing to save yet: the signal's own action ends the program.
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    const int saved = errno;
    // A draining close that holds the window up gives up at once.
    noteTerminationRequest();
    // The signal's number, so the reader can tell SIGTERM from SIGINT.
    const char c = char(sig);
    [[maybe_unused]] const auto n = ::write(signalFds[0], &c, 1);
    errno = saved;
}
} // namespace

void installSignalHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalFds) != 0)
        return;
    // Neither end may block: the handler must not stall, and the reader drains until empty.
    for (int fd : signalFds)
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

UnixSignalCloser::UnixSignalCloser(QObject *parent) : QObject(parent)
{
    if (signalFds[1] < 0)
        return;
    // A signal that came before the event loop runs waits in the socket until it does.
    auto *notifier = new QSocketNotifier(signalFds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &UnixSignalCloser::readSignal);
    kept = 1;
}

UnixSignalCloser::~UnixSignalCloser()
{
    kept = 0;
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
}

void UnixSignalCloser::readSignal()
{
    char buf[16];
    int first = 0;
    for (ssize_t n; (n = ::read(signalFds[1], buf, sizeof buf)) > 0;)
        if (!first)
            first = static_cast<unsigned char>(buf[0]); // a signal number
    // The first signal that came is the one that ends the program.
    if (first)
        emit terminateRequested(first);
}
