#include "platform/telnetcodec.h"

#include "platform/ttylines.h"

#include <algorithm>
#include <utility>

namespace {

// Telnet commands (RFC 854).
constexpr quint8 Se = 240, Sb = 250, Will = 251, Wont = 252, Do = 253, Dont = 254, Iac = 255;

// COM Port Control commands, client to server; the server answers with the code + 100.
enum : quint8 {
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    NotifyLineState = 6,
    NotifyModemState = 7,
    FlowControlSuspend = 8,
    FlowControlResume = 9,
    SetLineStateMask = 10,
    SetModemStateMask = 11,
    ServerOffset = 100,
};

// Values of SetControl: flow control, break, DTR and RTS.
enum : quint8 {
    BreakOn = 5,
    BreakOff = 6,
    DtrOn = 8,
    DtrOff = 9,
    RtsOn = 11,
    RtsOff = 12,
};

// A subnegotiation longer than any this client reads is cut, so that a broken server
// cannot make it grow without bound.
constexpr qsizetype MaxSubnegotiation = 512;

QByteArray comPortCommand(quint8 command, QByteArrayView value)
{
    QByteArray out("\xff\xfa\x2c", 3);
    out.append(char(command));
    for (const char c : value) {
        out.append(c);
        if (quint8(c) == Iac)
            out.append(c);
    }
    out.append("\xff\xf0", 2);
    return out;
}

QByteArray comPortCommand(quint8 command, quint8 value)
{
    const char c = char(value);
    return comPortCommand(command, QByteArrayView(&c, 1));
}

quint8 controlCode(FlowControl flow)
{
    switch (flow) {
    case FlowControl::None:
        return 1;
    case FlowControl::XonXoff:
        return 2;
    case FlowControl::RtsCts:
        return 3;
    }
    return 1;
}

} // namespace

QByteArray TelnetCodec::start()
{
    QByteArray out;
    ask(out, Will, BinaryOption);
    ask(out, Do, BinaryOption);
    ask(out, Will, SuppressGoAheadOption);
    ask(out, Do, SuppressGoAheadOption);
    ask(out, Will, ComPortOption);
    return out;
}

void TelnetCodec::ask(QByteArray &out, quint8 verb, quint8 option)
{
    Option &o = options_[option];
    if (verb == Will && !o.us)
        o.usAsked = true;
    else if (verb == Do && !o.them)
        o.themAsked = true;
    else
        return;
    out.append(char(Iac)).append(char(verb)).append(char(option));
}

bool TelnetCodec::negotiating() const
{
    return std::any_of(options_.begin(), options_.end(),
                       [](const Option &o) { return o.usAsked || o.themAsked; });
}

// Answers only what changes an option's state, so that two sides never loop (RFC 854's
// rule); an answer to our own request is taken without a reply.
void TelnetCodec::negotiate(quint8 verb, quint8 option, QByteArray &reply)
{
    Option &o = options_[option];
    const auto answer = [&](quint8 v) {
        reply.append(char(Iac)).append(char(v)).append(char(option));
    };
    const bool weDo =
        option == BinaryOption || option == SuppressGoAheadOption || option == ComPortOption;
    const bool theyMay = option == BinaryOption || option == SuppressGoAheadOption;
    if (option == ComPortOption && (verb == Do || verb == Dont))
        portControlAnswered_ = true;
    switch (verb) {
    case Do:
        if (!weDo)
            answer(Wont);
        else if (!o.us && !std::exchange(o.usAsked, false))
            answer(Will);
        o.us = weDo;
        o.usAsked = false;
        break;
    case Dont:
        if (o.us && !o.usAsked)
            answer(Wont);
        o.us = o.usAsked = false;
        break;
    case Will:
        if (!theyMay)
            answer(Dont);
        else if (!o.them && !std::exchange(o.themAsked, false))
            answer(Do);
        o.them = theyMay;
        o.themAsked = false;
        break;
    case Wont:
        if (o.them && !o.themAsked)
            answer(Dont);
        o.them = o.themAsked = false;
        break;
    }
}

TelnetInput TelnetCodec::receive(QByteArrayView wire)
{
    TelnetInput in;
    in.data.reserve(wire.size());
    for (qsizetype i = 0; i < wire.size(); ++i) {
        const quint8 b = quint8(wire[i]);
        switch (state_) {
        case State::Data: {
            // Plain data runs are copied whole.
            qsizetype end = i;
            while (end < wire.size() && quint8(wire[end]) != Iac &&
                   !(afterCr_ && wire[end] == '\0') && (receivesBinary() || wire[end] != '\r'))
                afterCr_ = false, ++end;
            in.data.append(wire.sliced(i, end - i));
            i = end;
            if (i == wire.size())
                break;
            const quint8 c = quint8(wire[i]);
            if (c == Iac) {
                state_ = State::Command;
            } else if (c == '\r') {
                in.data.append('\r');
                afterCr_ = true;
            } else {
                afterCr_ = false; // the NUL of an NVT's CR NUL
            }
            break;
        }
        case State::Command:
            state_ = State::Data;
            if (b == Iac) {
                in.data.append(char(Iac));
                afterCr_ = false;
            } else if (b >= Will && b <= Dont) {
                verb_ = b;
                state_ = State::OptionCode;
            } else if (b == Sb) {
                sub_.clear();
                state_ = State::Sub;
            }
            // NOP, GA, DM, BRK and the rest carry nothing for a serial line.
            break;
        case State::OptionCode:
            negotiate(verb_, b, in.reply);
            state_ = State::Data;
            break;
        case State::Sub:
            if (b == Iac)
                state_ = State::SubCommand;
            else if (sub_.size() < MaxSubnegotiation)
                sub_.append(char(b));
            break;
        case State::SubCommand:
            if (b == Iac) {
                if (sub_.size() < MaxSubnegotiation)
                    sub_.append(char(b));
                state_ = State::Sub;
            } else if (b == Se) {
                subnegotiation(in);
                state_ = State::Data;
            } else {
                // Any other command ends an unterminated subnegotiation and counts.
                state_ = State::Command;
                --i;
            }
            break;
        }
    }
    return in;
}

void TelnetCodec::subnegotiation(TelnetInput &in)
{
    if (sub_.size() < 2 || quint8(sub_[0]) != ComPortOption)
        return;
    const quint8 command = quint8(sub_[1]);
    const QByteArrayView value = QByteArrayView(sub_).sliced(2);
    if (value.isEmpty() && command != ServerOffset + FlowControlSuspend &&
        command != ServerOffset + FlowControlResume)
        return;
    const quint8 v = value.isEmpty() ? 0 : quint8(value[0]);
    const auto acknowledge = [&](PortRequest r) { in.acknowledged.append(r); };
    const auto event = [&](LineEvent e) { in.events.append({in.data.size(), e}); };
    switch (command - ServerOffset) {
    case SetBaudRate:
        if (value.size() >= 4) {
            applied_.baud =
                qint32(quint32(quint8(value[0])) << 24 | quint32(quint8(value[1])) << 16 |
                       quint32(quint8(value[2])) << 8 | quint8(value[3]));
            acknowledge(PortRequest::Baud);
        }
        break;
    case SetDataSize:
        if (v >= int(DataBits::Five) && v <= int(DataBits::Eight)) {
            applied_.dataBits = DataBits(v);
            acknowledge(PortRequest::DataBits);
        }
        break;
    case SetParity:
        if (v >= 1 && v <= int(Parity::Space) + 1) {
            applied_.parity = Parity(v - 1);
            acknowledge(PortRequest::Parity);
        }
        break;
    case SetStopSize:
        if (v >= 1 && v <= 3) {
            applied_.stopBits = v == 1   ? StopBits::One
                                : v == 2 ? StopBits::Two
                                         : StopBits::OneAndHalf;
            acknowledge(PortRequest::StopBits);
        }
        break;
    case SetControl:
        if (v >= 1 && v <= 3) {
            applied_.flow = v == 1   ? FlowControl::None
                            : v == 2 ? FlowControl::XonXoff
                                     : FlowControl::RtsCts;
            acknowledge(PortRequest::Flow);
        } else if (v == BreakOn || v == BreakOff) {
            acknowledge(PortRequest::Break);
        } else if (v == DtrOn || v == DtrOff) {
            applied_.dtr = v == DtrOn;
            acknowledge(PortRequest::Dtr);
        } else if (v == RtsOn || v == RtsOff) {
            applied_.rts = v == RtsOn;
            acknowledge(PortRequest::Rts);
        }
        break;
    case NotifyLineState:
        if (v & 0x10)
            event(LineEvent::Break);
        if (v & 0x08)
            event(LineEvent::Frame);
        if (v & 0x02)
            event(LineEvent::Overrun);
        if (v & 0x04)
            event(LineEvent::Parity);
        break;
    case NotifyModemState:
        if (v & 0x01)
            event(LineEvent::Cts);
        if (v & 0x02)
            event(LineEvent::Dsr);
        if (v & 0x08)
            event(LineEvent::Cd);
        if (v & 0x04)
            event(LineEvent::Ring);
        in.modemLines = ((v & 0x10) ? ttyLineCts : 0) | ((v & 0x20) ? ttyLineDsr : 0) |
                        ((v & 0x80) ? ttyLineCd : 0) | ((v & 0x40) ? ttyLineRing : 0);
        break;
    case FlowControlSuspend:
    case FlowControlResume:
        in.outputSuspended = command - ServerOffset == FlowControlSuspend;
        break;
    }
}

QByteArray TelnetCodec::encode(QByteArrayView data) const
{
    const bool binary = sendsBinary();
    QByteArray out;
    out.reserve(data.size() + data.size() / 64 + 4);
    const auto special = [binary](char c) { return quint8(c) == Iac || (!binary && c == '\r'); };
    for (auto from = data.begin(); from != data.end();) {
        const auto to = std::find_if(from, data.end(), special);
        out.append(QByteArrayView(from, to));
        if (to == data.end())
            break;
        out.append(*to).append(*to == '\r' ? '\0' : *to);
        from = to + 1;
    }
    return out;
}

QByteArray TelnetCodec::settingsRequest(const PortSettings &s)
{
    const quint32 baud = quint32(s.baud);
    const char rate[4] = {char(baud >> 24), char(baud >> 16), char(baud >> 8), char(baud)};
    const quint8 parity = quint8(int(s.parity) + 1);
    const quint8 stop = s.stopBits == StopBits::One ? 1 : s.stopBits == StopBits::Two ? 2 : 3;
    return comPortCommand(SetBaudRate, QByteArrayView(rate, 4)) +
           comPortCommand(SetDataSize, quint8(s.dataBits)) + comPortCommand(SetParity, parity) +
           comPortCommand(SetStopSize, stop) + comPortCommand(SetControl, controlCode(s.flow));
}

QByteArray TelnetCodec::lineRequest(OutputLine line, bool on)
{
    if (line == OutputLine::Dtr)
        return comPortCommand(SetControl, on ? DtrOn : DtrOff);
    return comPortCommand(SetControl, on ? RtsOn : RtsOff);
}

QByteArray TelnetCodec::breakRequest(bool on)
{
    return comPortCommand(SetControl, on ? BreakOn : BreakOff);
}

QByteArray TelnetCodec::modemStateMask(quint8 mask)
{
    return comPortCommand(SetModemStateMask, mask);
}

QByteArray TelnetCodec::lineStateMask(quint8 mask)
{
    return comPortCommand(SetLineStateMask, mask);
}
