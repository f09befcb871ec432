#include "bank.h"

#include "numbers.h"
#include "records.h"

std::optional<qint16> AcceptedPage(QStringView text)
{
    const double x = Val(text);
    if (!(x > 0 && x < kBankPages + 1))
        return std::nullopt;
    const std::optional<qint16> page = CInt(x);
    if (!page || *page > kBankPages)
        return std::nullopt;
    return page;
}

std::optional<int> DelayFromText(QStringView text)
{
    const std::optional<double> v = StrictNumber(text);
    if (!v)
        return std::nullopt;
    const std::optional<qint32> ms = CLng(*v);
    if (!ms || *ms < 0 || *ms > 65535)
        return std::nullopt;
    return *ms;
}

QByteArray ProjectFileBytes(const BankTexts &strings, const BankTexts &descriptions)
{
    RecordWriter w;
    for (int p = 1; p <= kBankPages; ++p) {
        for (int r = 0; r < kBankRows; ++r) {
            w.text(descriptions[p][r]);
            w.text(strings[p][r]);
        }
    }
    return w.bytes();
}

void ReadProjectFile(const QByteArray &data, BankTexts &strings, BankTexts &descriptions)
{
    RecordReader reader(data);
    for (int p = 1; p <= kBankPages; ++p) {
        for (int r = 0; r < kBankRows; ++r) {
            if (auto t = reader.text())
                descriptions[p][r] = *t;
            if (auto t = reader.text())
                strings[p][r] = *t;
        }
    }
}
