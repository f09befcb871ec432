#include "app/unixsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalFds[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalFds[0], &c, 1);
}
} // namespace

UnixSignalCloser::UnixSignalCloser(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalFds) != 0)
        return;
    // Neither end may block: the handler must not stall, and the reader drains until empty.
    for (int fd : signalFds)
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
    auto *notifier = new QSocketNotifier(signalFds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &UnixSignalCloser::readSignal);

    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

UnixSignalCloser::~UnixSignalCloser()
{
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    for (int &fd : signalFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void UnixSignalCloser::readSignal()
{
    char buf[16];
    while (::read(signalFds[1], buf, sizeof buf) > 0) {
    }
    emit terminateRequested();
}
