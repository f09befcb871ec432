#pragma once

// A pseudo-terminal standing in for a serial device: the program opens the slave like a
// port, the test plays the device on the master.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class Pty
{
public:
    Pty()
    {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
            master_ = slave_ = -1;
            return;
        }
        // Raw, so that no byte is echoed or translated before the program sees it.
        termios t{};
        if (::tcgetattr(slave_, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(slave_, TCSANOW, &t);
        }
        slavePath_ = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        hangUp();
        if (slave_ >= 0)
            ::close(slave_);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isOpen() const { return master_ >= 0; }
    int master() const { return master_; }
    int slave() const { return slave_; }
    QString slavePath() const { return slavePath_; }

    // Sends bytes as the device would; waits while the terminal's buffer is full.
    bool send(const QByteArray &bytes, int timeoutMs = 10000)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            pollfd p{master_, POLLOUT, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                return false;
        }
        return true;
    }

    // What the program wrote to the device, waiting up to timeoutMs for `count` bytes.
    QByteArray receive(qsizetype count, int timeoutMs = 10000)
    {
        QByteArray out;
        while (out.size() < count) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                break;
            char buf[4096];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, n);
        }
        return out;
    }

    // The device stops taking what the program writes, as one holding its flow control
    // would: the terminal's output is stopped with XOFF. Returns once the stop holds.
    bool stopReading()
    {
        termios t{};
        if (::tcgetattr(slave_, &t) != 0)
            return false;
        t.c_iflag |= IXON;
        if (::tcsetattr(slave_, TCSANOW, &t) != 0 || ::write(master_, "\x13", 1) != 1)
            return false;
        // The terminal takes the XOFF in on its own time.
        for (int i = 0; i < 5000; ++i) {
            pollfd p{slave_, POLLOUT, 0};
            if (::poll(&p, 1, 0) == 0)
                return true;
            ::usleep(1000);
        }
        return false;
    }
    // Turning flow control off restarts the output.
    void resumeReading()
    {
        termios t{};
        if (::tcgetattr(slave_, &t) == 0) {
            t.c_iflag &= ~tcflag_t(IXON);
            ::tcsetattr(slave_, TCSANOW, &t);
        }
    }

    // What the program wrote until nothing more arrived for quietMs, with the event loop
    // running meanwhile (the port hands small writes to its thread from there).
    QByteArray receiveUntilQuiet(int quietMs = 300)
    {
        QByteArray got;
        for (QElapsedTimer quiet; !quiet.isValid() || quiet.elapsed() < quietMs;) {
            QCoreApplication::processEvents();
            const QByteArray more = receive(std::numeric_limits<int>::max(), 10);
            if (!more.isEmpty() || !quiet.isValid())
                quiet.start();
            got += more;
        }
        return got;
    }

    // What the device sent that the program never read, once it closed the port: read on
    // the terminal's side until nothing more comes for quietMs.
    QByteArray unread(int quietMs = 200)
    {
        QByteArray out;
        char buf[65536];
        for (pollfd p{slave_, POLLIN, 0}; ::poll(&p, 1, quietMs) > 0;) {
            const ssize_t n = ::read(slave_, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, n);
        }
        return out;
    }

    // The device goes away: the program's next read of the port fails.
    void hangUp()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
};

// Where COM n may be pointed at a device: a link in the program's configuration folder
// (with QStandardPaths test mode on, a folder of its own for tests).
inline QString comPortLink(int n)
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/ports/com%1").arg(n);
}

// Points COM n at device (replacing any earlier link).
inline bool linkComPort(int n, const QString &device)
{
    const QString link = comPortLink(n);
    QDir().mkpath(QFileInfo(link).absolutePath());
    QFile::remove(link);
    return QFile::link(device, link);
}
