#include "scripting/linesettings.h"

namespace {

constexpr char kParityLetters[] = "NOEMS"; // in the order of Parity

} // namespace

std::optional<PortSettings> parseLineFraming(QStringView text, PortSettings base)
{
    if (text.size() < 3 || text[0] < u'5' || text[0] > u'8')
        return std::nullopt;
    const qsizetype parity =
        QLatin1StringView(kParityLetters).indexOf(text[1].toUpper(), 0, Qt::CaseSensitive);
    if (parity < 0)
        return std::nullopt;
    const QStringView stop = text.sliced(2);
    if (stop == u"1")
        base.stopBits = StopBits::One;
    else if (stop == u"1.5")
        base.stopBits = StopBits::OneAndHalf;
    else if (stop == u"2")
        base.stopBits = StopBits::Two;
    else
        return std::nullopt;
    base.dataBits = DataBits(text[0].unicode() - u'0');
    base.parity = Parity(parity);
    return base;
}

QString lineFramingText(const PortSettings &settings)
{
    static const char *const stops[] = {"1", "1.5", "2"};
    return QString::number(int(settings.dataBits)) +
           QLatin1Char(kParityLetters[int(settings.parity)]) +
           QLatin1StringView(stops[int(settings.stopBits)]);
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
