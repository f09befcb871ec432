#include "platform/portnames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

namespace {

// ttyS nodes exist for every possible on-board port; only those with a UART behind
// them report a type other than 0 (unknown).
bool hasUart(const QString &entry)
{
    QFile type(entry + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const int t = type.readAll().trimmed().toInt(&ok);
    return ok && t != 0;
}

} // namespace

QStringList presentSerialDevices(const QString &sysClassTty)
{
    static const QRegularExpression name(QStringLiteral("^tty(USB|ACM|S)(\\d+)$"));
    static const QStringList kinds{QStringLiteral("USB"), QStringLiteral("ACM"),
                                   QStringLiteral("S")};
    struct Found
    {
        int kind;
        long number;
        QString entry;
    };
    QList<Found> found;
    const QDir dir(sysClassTty);
    for (const QString &entry : dir.entryList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot)) {
        const auto m = name.match(entry);
        if (!m.hasMatch())
            continue;
        const QString path = dir.filePath(entry);
        // A device link means real hardware (or a driver) stands behind the node.
        if (!QFileInfo::exists(path + QStringLiteral("/device")))
            continue;
        const int kind = int(kinds.indexOf(m.captured(1)));
        if (kind == 2 && !hasUart(path))
            continue;
        found.append({kind, m.captured(2).toLong(), entry});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        return a.kind != b.kind ? a.kind < b.kind : a.number < b.number;
    });
    QStringList devices;
    for (const Found &f : found)
        devices.append(QStringLiteral("/dev/") + f.entry);
    return devices;
}

QString comPortLinkPath(int n)
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/ports/com%1").arg(n);
}

QString comPortDevice(int n, const QString &sysClassTty)
{
    if (!isComNumber(n))
        return QString();
    const QFileInfo link(comPortLinkPath(n));
    if (link.isSymLink()) {
        const QString canonical = link.canonicalFilePath();
        return canonical.isEmpty() ? link.symLinkTarget() : canonical;
    }
    if (link.exists())
        return link.absoluteFilePath();
#if defined(Q_OS_WIN)
    Q_UNUSED(sysClassTty);
    return QStringLiteral("COM%1").arg(n);
#else
    const QStringList devices = presentSerialDevices(sysClassTty);
    return n <= devices.size() ? devices.at(n - 1) : QString();
#endif
}
