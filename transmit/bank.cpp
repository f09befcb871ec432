#include "transmit/bank.h"

#include "terminal/numbers.h"
#include "terminal/records.h"
#include "terminal/settingsfile.h"

std::optional<qint16> acceptedPage(QStringView text)
{
    const double x = numericPrefix(text);
    if (!(x > 0 && x < SendKeyBank::kPages + 1))
        return std::nullopt;
    const std::optional<qint16> page = roundToInt16(x);
    if (!page || *page > SendKeyBank::kPages)
        return std::nullopt;
    return page;
}

std::optional<int> delayFromText(QStringView text)
{
    const std::optional<double> v = strictNumber(text);
    if (!v)
        return std::nullopt;
    const std::optional<qint32> ms = roundToInt32(*v);
    constexpr qint32 kLongestDelayMs = 65535;
    if (!ms || *ms < 0 || *ms > kLongestDelayMs)
        return std::nullopt;
    return *ms;
}

namespace {

bool inBank(int page, int row)
{
    return page >= 0 && page <= SendKeyBank::kPages && row >= 0 && row <= SendKeyBank::kRows;
}

} // namespace

QString SendKeyBank::string(int page, int row) const
{
    return inBank(page, row) ? strings_[page][row] : QString();
}

QString SendKeyBank::description(int page, int row) const
{
    return inBank(page, row) ? descriptions_[page][row] : QString();
}

void SendKeyBank::setString(int page, int row, const QString &text)
{
    if (inBank(page, row))
        strings_[page][row] = text;
}

void SendKeyBank::setDescription(int page, int row, const QString &text)
{
    if (inBank(page, row))
        descriptions_[page][row] = text;
}

void SendKeyBank::clear()
{
    for (int p = 1; p <= kPages; ++p) {
        for (int r = 0; r < kRows; ++r) {
            descriptions_[p][r].clear();
            strings_[p][r].clear();
        }
    }
}

QByteArray SendKeyBank::projectFile() const
{
    RecordWriter w;
    for (int p = 1; p <= kPages; ++p) {
        for (int r = 0; r < kRows; ++r) {
            w.text(descriptions_[p][r]);
            w.text(strings_[p][r]);
        }
    }
    return w.bytes();
}

void SendKeyBank::readProjectFile(const QByteArray &data)
{
    RecordReader reader(data);
    for (int p = 1; p <= kPages; ++p) {
        for (int r = 0; r < kRows; ++r) {
            if (auto t = reader.text())
                descriptions_[p][r] = *t;
            if (auto t = reader.text())
                strings_[p][r] = *t;
        }
    }
}

void SendKeyBank::importSettings(const SettingsRecords &file)
{
    for (int page = 0; page < SettingsRecords::kPages; ++page) {
        for (int row = 0; row < SettingsRecords::kRows; ++row) {
            if (file.description[page][row])
                descriptions_[page + 1][row] = *file.description[page][row];
            if (file.sendString[page][row])
                strings_[page + 1][row] = *file.sendString[page][row];
        }
    }
}

void SendKeyBank::exportSettings(SettingsRecords &file) const
{
    for (int page = 0; page < SettingsRecords::kPages; ++page) {
        for (int row = 0; row < SettingsRecords::kRows; ++row) {
            file.description[page][row] = descriptions_[page + 1][row];
            file.sendString[page][row] = strings_[page + 1][row];
        }
    }
}
