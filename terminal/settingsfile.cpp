#include "terminal/settingsfile.h"

#include "terminal/numbers.h"
#include "terminal/records.h"

#include <QDir>
#include <QFileInfo>

namespace {

std::optional<qint32> readInt32(RecordReader &r)
{
    if (auto v = r.number())
        return roundToInt32(*v);
    return std::nullopt;
}

std::optional<qint16> readInt16(RecordReader &r)
{
    if (auto v = r.number())
        return roundToInt16(*v);
    return std::nullopt;
}

} // namespace

SettingsRecords parseSettings(const QByteArray &bytes)
{
    SettingsRecords s;
    RecordReader r(bytes);
    for (int page = 0; page < SettingsRecords::kPages; ++page) {
        for (int row = 0; row < SettingsRecords::kRows; ++row) {
            s.description[page][row] = r.text();
            s.sendString[page][row] = r.text();
        }
    }
    s.transmitLine0 = r.text();
    s.transmitLine1 = r.text();
    s.pageText = r.text();
    s.baudRate = readInt32(r);
    s.commPort = readInt16(r);
    s.mainFontSize = readInt32(r);
    s.autoScroll = readInt16(r);
    s.silentCapture = readInt16(r);
    s.hexFontSize = readInt32(r);
    s.autoClearTX = readInt16(r);
    s.txSilent = readInt16(r);
    return s;
}

QByteArray formatSettings(const SettingsRecords &s)
{
    RecordWriter w;
    for (int page = 0; page < SettingsRecords::kPages; ++page) {
        for (int row = 0; row < SettingsRecords::kRows; ++row) {
            w.text(s.description[page][row].value_or(QString()));
            w.text(s.sendString[page][row].value_or(QString()));
        }
    }
    w.text(s.transmitLine0.value_or(QString()));
    w.text(s.transmitLine1.value_or(QString()));
    w.text(s.pageText.value_or(QString()));
    w.number(s.baudRate.value_or(0));
    w.number(s.commPort.value_or(0));
    w.number(s.mainFontSize.value_or(0));
    w.number(s.autoScroll.value_or(0));
    w.number(s.silentCapture.value_or(0));
    w.number(s.hexFontSize.value_or(0));
    w.number(s.autoClearTX.value_or(0));
    w.number(s.txSilent.value_or(0));
    return w.bytes();
}

std::optional<SettingsRecords> readSettingsFile(const QString &path, QString *error)
{
    if (!QFileInfo::exists(path))
        return std::nullopt;
    if (auto bytes = readWholeFile(path, error))
        return parseSettings(*bytes);
    return std::nullopt;
}

WriteResult writeSettingsFile(const QString &path, const SettingsRecords &records)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileSafely(path, formatSettings(records));
}
