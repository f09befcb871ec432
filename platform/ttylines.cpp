#include "platform/ttylines.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX)
// termios2 (for the applied rate) conflicts with <termios.h>; this file uses only the
// kernel's definitions.
#include <asm/termbits.h>
#include <cerrno>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

bool ttyModemLines(int fd, int &lines)
{
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) != 0)
        return false;
    lines = ((bits & TIOCM_CTS) ? ttyLineCts : 0) | ((bits & TIOCM_DSR) ? ttyLineDsr : 0) |
            ((bits & TIOCM_CD) ? ttyLineCd : 0) | ((bits & TIOCM_RI) ? ttyLineRing : 0);
    return true;
}

bool ttyCounters(int fd, TtyCounters &c)
{
    serial_icounter_struct k{};
    if (::ioctl(fd, TIOCGICOUNT, &k) != 0)
        return false;
    c = {k.cts, k.dsr, k.rng, k.dcd, k.frame, k.overrun, k.parity, k.brk, k.buf_overrun};
    return true;
}

bool ttyAppliedBaud(int fd, long &baud)
{
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return false;
    baud = static_cast<long>(t.c_ospeed);
    return true;
}

bool ttyLockExclusive(int fd)
{
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

void ttyDiscardOutput(int fd)
{
    ::ioctl(fd, TCFLSH, TCOFLUSH);
}

bool ttyOutputQueue(int fd, qint64 &bytes)
{
    int n = 0;
    if (::ioctl(fd, TIOCOUTQ, &n) != 0)
        return false;
    bytes = n;
    return true;
}

TtyState ttyState(int fd)
{
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0)
        return TtyState::Fine;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
        return TtyState::HungUp;
    return (p.revents & POLLIN) ? TtyState::Readable : TtyState::Fine;
}

QByteArray ttyDrain(int fd, qsizetype max)
{
    QByteArray out;
    char buf[65536];
    while (out.size() < max) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            out.append(buf, n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    return out;
}

#else

bool ttyModemLines(int, int &)
{
    return false;
}
bool ttyCounters(int, TtyCounters &)
{
    return false;
}
bool ttyAppliedBaud(int, long &)
{
    return false;
}
bool ttyLockExclusive(int)
{
    return true;
}
void ttyDiscardOutput(int) {}
bool ttyOutputQueue(int, qint64 &)
{
    return false;
}
TtyState ttyState(int)
{
    return TtyState::Fine;
}
QByteArray ttyDrain(int, qsizetype)
{
    return QByteArray();
}

#endif

QList<std::pair<LineEvent, int>> lineEvents(int linesBefore, int linesNow, bool ringCounted)
{
    QList<std::pair<LineEvent, int>> events;
    const int changed = linesBefore ^ linesNow;
    if (changed & ttyLineCts)
        events.append({LineEvent::Cts, 1});
    if (changed & ttyLineDsr)
        events.append({LineEvent::Dsr, 1});
    if (changed & ttyLineCd)
        events.append({LineEvent::Cd, 1});
    if (!ringCounted && (linesBefore & ttyLineRing) && !(linesNow & ttyLineRing))
        events.append({LineEvent::Ring, 1});
    return events;
}

QList<std::pair<LineEvent, int>> counterEvents(const TtyCounters &before, const TtyCounters &now)
{
    QList<std::pair<LineEvent, int>> events;
    const auto add = [&](LineEvent event, int was, int is) {
        // A counter that went back (driver reset) reports nothing new.
        if (is > was)
            events.append({event, is - was});
    };
    add(LineEvent::Ring, before.rng, now.rng);
    add(LineEvent::Break, before.brk, now.brk);
    add(LineEvent::Frame, before.frame, now.frame);
    add(LineEvent::Overrun, before.overrun, now.overrun);
    add(LineEvent::RxOver, before.bufOverrun, now.bufOverrun);
    add(LineEvent::Parity, before.parity, now.parity);
    return events;
}
