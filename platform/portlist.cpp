#include "platform/portlist.h"

#include "platform/portnames.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSerialPortInfo>

QString serialPortDescription(const QString &device)
{
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        if (info.systemLocation() != device)
            continue;
        QStringList known;
        for (const QString &part : {info.description(), info.manufacturer(), info.serialNumber()})
            if (!part.trimmed().isEmpty())
                known.append(part.trimmed());
        return known.join(QStringLiteral("  "));
    }
    return QString();
}

QList<PortListEntry> listSerialPorts(const QString &sysClassTty,
                                     const std::function<QString(const QString &)> &describe)
{
    // The links first: their numbers win over the positions.
    QMap<int, QString> byNumber;
    QList<int> linkNumbers; // a link to a missing device still hides the position
    static const QRegularExpression linkName(QStringLiteral("^com([1-9]\\d{0,2})$"));
    const QDir links(QFileInfo(comPortLinkPath(1)).absolutePath());
    for (const QString &name :
         links.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const auto m = linkName.match(name);
        // A link under a number the port cannot be set to selects nothing.
        const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (!isComNumber(n))
            continue;
        linkNumbers.append(n);
        if (QFileInfo::exists(links.filePath(name)))
            byNumber.insert(n, comPortDevice(n, sysClassTty));
    }
    const QStringList linked = byNumber.values();
    const QStringList present = presentSerialDevices(sysClassTty);
    for (qsizetype i = 0; i < qMin<qsizetype>(present.size(), kMaxComNumber); ++i) {
        const int n = int(i + 1);
        if (!linkNumbers.contains(n) && !linked.contains(present.at(i)))
            byNumber.insert(n, present.at(i));
    }
    QList<PortListEntry> ports;
    for (auto it = byNumber.cbegin(); it != byNumber.cend(); ++it)
        ports.append({it.key(), it.value(), describe ? describe(it.value()) : QString()});
    return ports;
}
