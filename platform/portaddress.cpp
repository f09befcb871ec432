#include "platform/portaddress.h"

#include "platform/portnames.h"

#include <QHostAddress>

namespace {

std::optional<uint> number(QStringView digits, uint max)
{
    constexpr qsizetype kMostDigits = 5; // 65535, the largest TCP port
    if (digits.isEmpty() || digits.size() > kMostDigits)
        return std::nullopt;
    uint n = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        n = n * 10 + uint(c.unicode() - u'0');
    }
    if (n == 0 || n > max)
        return std::nullopt;
    return n;
}

bool isHostName(QStringView host)
{
    if (host.isEmpty())
        return false;
    for (const QChar c : host) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-' && c != u'.' && c != u'_')
            return false;
    }
    return true;
}

// "host:port" or "[v6]:port".
bool parseHostPort(QStringView text, PortAddress &address)
{
    QStringView host, port;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0 || close + 1 >= text.size() || text[close + 1] != u':')
            return false;
        host = text.sliced(1, close - 1);
        port = text.sliced(close + 2);
        if (QHostAddress(host.toString()).protocol() != QAbstractSocket::IPv6Protocol)
            return false;
    } else {
        const qsizetype colon = text.lastIndexOf(u':');
        if (colon < 0)
            return false;
        host = text.first(colon);
        port = text.sliced(colon + 1);
        if (!isHostName(host))
            return false;
    }
    const auto n = number(port, 65535);
    if (!n)
        return false;
    address.host = host.toString();
    address.port = quint16(*n);
    return true;
}

} // namespace

std::optional<PortAddress> PortAddress::parse(QStringView text)
{
    text = text.trimmed();
    PortAddress a;
    if (const auto n = number(text, uint(kMaxComNumber)); n && isComNumber(*n)) {
        a.kind = Kind::Com;
        a.com = int(*n);
        return a;
    }
    if (text.startsWith(u'/')) {
        a.kind = Kind::Device;
        a.path = text.toString();
        return a;
    }
    for (const auto &[scheme, kind] :
         {std::pair{QStringView(u"tcp://"), Kind::Tcp}, {u"rfc2217://", Kind::Rfc2217}}) {
        if (text.startsWith(scheme, Qt::CaseInsensitive)) {
            a.kind = kind;
            if (!parseHostPort(text.sliced(scheme.size()), a))
                return std::nullopt;
            return a;
        }
    }
    return std::nullopt;
}

QString PortAddress::toString() const
{
    switch (kind) {
    case Kind::Com:
        return QString::number(com);
    case Kind::Device:
        return path;
    case Kind::Tcp:
    case Kind::Rfc2217:
        break;
    }
    const QString h = host.contains(u':') ? u'[' + host + u']' : host;
    return (kind == Kind::Tcp ? QStringLiteral("tcp://") : QStringLiteral("rfc2217://")) + h +
           u':' + QString::number(port);
}
