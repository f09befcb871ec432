#include "platform/linesettings.h"

namespace {

constexpr QStringView kParityLetters = u"NOEMS";        // in the order of Parity
constexpr const char *kStopTexts[] = {"1", "1.5", "2"}; // in the order of StopBits

} // namespace

LineSettings LineSettings::of(const PortSettings &s)
{
    return {{s.dataBits, s.parity, s.stopBits}, s.flow};
}

PortSettings LineSettings::at(qint32 baud) const
{
    return {baud, framing.dataBits, framing.parity, framing.stopBits, flow};
}

std::optional<Framing> parseFraming(QStringView text)
{
    if (text.size() < 3 || text[0] < u'5' || text[0] > u'8')
        return std::nullopt;
    const qsizetype parity = kParityLetters.indexOf(text[1].toUpper());
    if (parity < 0)
        return std::nullopt;
    for (int stop = 0; stop < 3; ++stop) {
        if (text.sliced(2) == QLatin1StringView(kStopTexts[stop]))
            return Framing{DataBits(text[0].unicode() - u'0'), Parity(parity), StopBits(stop)};
    }
    return std::nullopt;
}

QString framingText(const Framing &f)
{
    return QString::number(int(f.dataBits)) + kParityLetters[int(f.parity)] +
           QLatin1StringView(kStopTexts[int(f.stopBits)]);
}

std::optional<FlowControl> parseFlowControl(QStringView text)
{
    for (const FlowControl f : {FlowControl::None, FlowControl::RtsCts, FlowControl::XonXoff})
        if (text.compare(flowControlText(f), Qt::CaseInsensitive) == 0)
            return f;
    return std::nullopt;
}

QString flowControlText(FlowControl flow)
{
    switch (flow) {
    case FlowControl::RtsCts:
        return QStringLiteral("rtscts");
    case FlowControl::XonXoff:
        return QStringLiteral("xonxoff");
    case FlowControl::None:
        break;
    }
    return QStringLiteral("none");
}

QString framingLabel(const LineSettings &s)
{
    const char *flow = s.flow == FlowControl::None     ? "no control"
                       : s.flow == FlowControl::RtsCts ? "RTS/CTS"
                                                       : "XON/XOFF";
    return QStringLiteral("%1,%2,%3 %4")
        .arg(int(s.framing.dataBits))
        .arg(kParityLetters[int(s.framing.parity)])
        .arg(QLatin1StringView(kStopTexts[int(s.framing.stopBits)]), QLatin1StringView(flow));
}
