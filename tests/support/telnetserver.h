#pragma once

// A network server played by the test on loopback, for what a real serial server cannot
// be made to do: answer the Telnet options in a chosen way or not at all, send chosen
// bytes, drop the connection at a chosen moment. It records every byte the client sent.

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <utility>

class TestServer : public QObject
{
public:
    TestServer()
    {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            peer = server_.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, this, [this] {
                if (!std::exchange(answered_, true))
                    peer->write(answer);
                wire += peer->readAll();
                if (onData)
                    onData();
            });
        });
    }

    bool listen() { return server_.listen(QHostAddress::LocalHost); }
    quint16 port() const { return server_.serverPort(); }
    void close() { server_.close(); }

    QByteArray answer;            // sent back when the client's first bytes come
    QTcpSocket *peer = nullptr;   // the client's connection once it came
    QByteArray wire;              // all the client sent
    std::function<void()> onData; // after each piece the client sent

private:
    QTcpServer server_;
    bool answered_ = false;
};
