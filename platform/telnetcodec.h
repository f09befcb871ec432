#pragma once

#include "platform/lineevent.h"
#include "platform/portsettings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <array>
#include <optional>

// The client side of a Telnet connection to a network serial server with the COM Port
// Control option (RFC 854, 855, 856, 2217). It only turns bytes into bytes: the caller
// writes what it returns to the connection and feeds it what the connection delivers.

// The settings and lines a client asks the server to apply; each request is answered by
// an acknowledgement naming what the server applied (some servers leave some unanswered).
enum class PortRequest { Baud, DataBits, Parity, StopBits, Flow, Break, Dtr, Rts };

// What the server says it applied, as far as it has said so.
struct AppliedSettings
{
    std::optional<qint32> baud;
    std::optional<DataBits> dataBits;
    std::optional<Parity> parity;
    std::optional<StopBits> stopBits;
    std::optional<FlowControl> flow;
    std::optional<bool> dtr, rts;
};

// What one piece of the connection's bytes carried.
struct TelnetInput
{
    QByteArray data;                     // the serial data
    QByteArray reply;                    // to be written back to the server at once
    QList<LineEventAt> events;           // positions in `data`
    std::optional<int> modemLines;       // TtyLine bits, as last reported
    std::optional<bool> outputSuspended; // the server's flow control, as last set
    QList<PortRequest> acknowledged;     // in the order the answers came
};

class TelnetCodec
{
public:
    // Asks for binary transmission and no go-ahead both ways and offers the COM Port
    // Control option.
    [[nodiscard]] QByteArray start();

    // Decodes a piece of what the server sent; a command or subnegotiation cut by the
    // end of the piece is completed by the next one.
    [[nodiscard]] TelnetInput receive(QByteArrayView wire);
    // Data for the server: 0xFF doubled, CR followed by NUL until binary is agreed.
    [[nodiscard]] QByteArray encode(QByteArrayView data) const;

    // True while an option this side asked for is still unanswered.
    bool negotiating() const;
    // The server agreed to (or refused) the COM Port Control option.
    bool portControl() const { return options_[ComPortOption].us; }
    bool portControlAnswered() const { return portControlAnswered_; }
    bool sendsBinary() const { return options_[BinaryOption].us; }
    bool receivesBinary() const { return options_[BinaryOption].them; }
    const AppliedSettings &applied() const { return applied_; }

    // Requests of the COM Port Control option; only for a server that agreed to it.
    // All five settings, answered as Baud, DataBits, Parity, StopBits and Flow.
    [[nodiscard]] static QByteArray settingsRequest(const PortSettings &);
    [[nodiscard]] static QByteArray lineRequest(OutputLine line, bool on);
    [[nodiscard]] static QByteArray breakRequest(bool on);
    // Which modem-line changes and line errors the server reports (RFC 2217 bit masks).
    [[nodiscard]] static QByteArray modemStateMask(quint8 mask);
    [[nodiscard]] static QByteArray lineStateMask(quint8 mask);

private:
    static constexpr quint8 BinaryOption = 0, SuppressGoAheadOption = 3, ComPortOption = 44;
    struct Option
    {
        bool us = false, them = false;           // enabled on this side / the server's
        bool usAsked = false, themAsked = false; // our request is unanswered
    };
    enum class State { Data, Command, OptionCode, Sub, SubCommand };

    void ask(QByteArray &out, quint8 verb, quint8 option);
    void negotiate(quint8 verb, quint8 option, QByteArray &reply);
    void subnegotiation(TelnetInput &in);

    std::array<Option, 256> options_{};
    bool portControlAnswered_ = false;
    State state_ = State::Data;
    quint8 verb_ = 0;
    bool afterCr_ = false;
    QByteArray sub_;
    AppliedSettings applied_;
};
