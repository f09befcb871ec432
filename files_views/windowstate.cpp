#include "files_views/windowstate.h"

#include "terminal/useroptions.h"

#include <QFileInfo>
#include <QSettings>

#include <iterator>

namespace {

const QString kGeometry = QStringLiteral("/geometry");
const QString kMaximized = QStringLiteral("/maximized");
const QString kView = QStringLiteral("MainWindow/view");
const QString kKeysExtra = QStringLiteral("MainWindow/sendKeysExtraWidth");

// In the order of ViewLayout and of the View menu.
const char *const kViewNames[] = {"asciiList", "hexList", "bigAscii", "bigHex", "asciiOverHex"};

} // namespace

bool liesOnScreens(const QRect &place, const QList<QRect> &screens)
{
    for (const QRect &screen : screens)
        if (place.intersects(screen))
            return true;
    return false;
}

std::optional<WindowPlace> loadWindowPlace(const QString &path, const QString &name)
{
    const QSettings file(path, QSettings::IniFormat);
    const QRect normal = file.value(name + kGeometry).toRect();
    if (!normal.isValid())
        return std::nullopt;
    return WindowPlace{normal, file.value(name + kMaximized, false).toBool()};
}

WriteResult saveWindowPlace(const QString &path, const QString &name,
                            const std::optional<WindowPlace> &place)
{
    if (!QFileInfo::exists(path) && !place)
        return {};
    QSettings file(path, QSettings::IniFormat);
    if (place) {
        file.setValue(name + kGeometry, place->normal);
        file.setValue(name + kMaximized, place->maximized);
    } else {
        file.remove(name + kGeometry);
        file.remove(name + kMaximized);
    }
    return syncOptions(file);
}

MainArrangement loadMainArrangement(const QString &path)
{
    const QSettings file(path, QSettings::IniFormat);
    MainArrangement a;
    const QString view = file.value(kView).toString();
    for (size_t i = 0; i < std::size(kViewNames); ++i)
        if (view == QLatin1String(kViewNames[i]))
            a.view = ViewLayout(i);
    a.keysExtra = qMax(0, file.value(kKeysExtra, 0).toInt());
    return a;
}

WriteResult saveMainArrangement(const QString &path, const MainArrangement &arrangement)
{
    if (!QFileInfo::exists(path) && arrangement == MainArrangement{})
        return {};
    QSettings file(path, QSettings::IniFormat);
    file.setValue(kView, QLatin1String(kViewNames[size_t(arrangement.view)]));
    file.setValue(kKeysExtra, arrangement.keysExtra);
    return syncOptions(file);
}
