#pragma once

// A ser2net network serial server started by a test: it serves one device (a pty slave)
// on a free loopback port, in the foreground, with a configuration, pid file and no lock
// outside a temporary folder (the system's ser2net and /etc stay untouched); it is killed
// at the end.

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

// Under ThreadSanitizer a test cannot fork a child process (the sanitizer's fork handling
// aborts), so no server is started there.
#if defined(__SANITIZE_THREAD__)
inline constexpr bool kSer2netUnderThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
inline constexpr bool kSer2netUnderThreadSanitizer = true;
#else
inline constexpr bool kSer2netUnderThreadSanitizer = false;
#endif
#else
inline constexpr bool kSer2netUnderThreadSanitizer = false;
#endif

class Ser2net
{
public:
    // accepter: "telnet(rfc2217),tcp" for the COM Port Control option, "tcp" for raw bytes.
    explicit Ser2net(QString device, QString accepter = QStringLiteral("telnet(rfc2217),tcp"))
        : device_(std::move(device)), accepter_(std::move(accepter))
    {
    }
    ~Ser2net() { stop(); }

    // Why no server can be started here, empty when one can.
    static QString unavailable()
    {
        if (kSer2netUnderThreadSanitizer)
            return QStringLiteral("ser2net is not started under ThreadSanitizer (no fork there)");
        if (program().isEmpty())
            return QStringLiteral("ser2net is not installed (scripts/setup.sh installs it)");
        return {};
    }

    static QString program()
    {
        const QString onPath = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
        return !onPath.isEmpty() ? onPath
                                 : QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                                                  {QStringLiteral("/usr/sbin")});
    }

    // Starts and waits until it listens; errorText() says why not. A port found free may
    // be taken by another program before ser2net binds it: then another is tried.
    bool start()
    {
        for (int attempt = 0; attempt < 3 && dir_.isValid(); ++attempt) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost))
                break;
            port_ = probe.serverPort();
            probe.close();
            if (launch())
                return true;
            stop();
        }
        return false;
    }

    // The server comes back on the port it had (killed by stop() before).
    bool restart()
    {
        stop();
        return launch();
    }

    void stop()
    {
        process_.kill();
        process_.waitForFinished(10000);
    }

    quint16 port() const { return port_; }
    QString errorText() const { return error_; }

private:
    bool launch()
    {
        QFile config(dir_.filePath(QStringLiteral("ser2net.yaml")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write(QStringLiteral("connection: &test\n  accepter: %1,127.0.0.1,%2\n"
                                    "  connector: serialdev,%3,9600n81,local\n"
                                    "  options:\n    kickolduser: true\n    mdns: false\n")
                         .arg(accepter_)
                         .arg(port_)
                         .arg(device_)
                         .toUtf8());
        config.close();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        // -n: foreground; -u: no UUCP lock in /var/lock.
        process_.start(program(),
                       {"-n", "-u", "-P", dir_.filePath("pid"), "-c", config.fileName()});
        for (QDeadlineTimer wait(10000); !wait.hasExpired(); QTest::qWait(20)) {
            if (listening())
                return true;
            if (process_.state() == QProcess::NotRunning)
                break;
        }
        error_ = QStringLiteral("ser2net did not listen on port %1: %2 %3")
                     .arg(port_)
                     .arg(process_.errorString(), QString::fromLocal8Bit(process_.readAll()));
        return false;
    }

    // Seen in the kernel's table rather than by connecting: a connection would open the
    // device and take ser2net's only session.
    bool listening() const
    {
        QFile tcp(QStringLiteral("/proc/net/tcp"));
        if (!tcp.open(QIODevice::ReadOnly))
            return false;
        const QByteArray local =
            "0100007F:" + QByteArray::number(port_, 16).toUpper().rightJustified(4, '0');
        for (const QByteArray &line : tcp.readAll().split('\n')) {
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() > 3 && f[1] == local && f[3] == "0A") // 0A: LISTEN
                return true;
        }
        return false;
    }

    QString device_, accepter_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    QString error_ = QStringLiteral("ser2net is not installed");
};
