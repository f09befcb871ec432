#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

struct SettingsRecords;

// The page a page-number box names: its numeric prefix x, when 0 < x < 51, rounded half
// to even, if that is at most 50. Anything else names no page.
std::optional<qint16> acceptedPage(QStringView text);

// The item pause typed into the delay box: the whole text must be a number, rounded half
// to even, within 0..65535 ms; anything else gives nothing (the pause stays as it was).
std::optional<int> delayFromText(QStringView text);

// The send keys: pages 1..50 of rows 0..19, each a description and a string. Page 0 and
// row 20 exist (a page box of 0.3 shows page 0) but are never saved.
class SendKeyBank
{
public:
    static constexpr int kPages = 50;
    static constexpr int kRows = 20;

    QString string(int page, int row) const;
    QString description(int page, int row) const;
    void setString(int page, int row, const QString &text);
    void setDescription(int page, int row, const QString &text);
    // "Clear Keys": pages 1..50, rows 0..19.
    void clear();

    // Project file: 2000 records, for each page 1..50 and row 0..19 first the
    // description, then the string. Records a file lacks leave their keys as they were.
    QByteArray projectFile() const;
    void readProjectFile(const QByteArray &data);

    // The settings file's first 2000 records, in the same order.
    void importSettings(const SettingsRecords &records);
    void exportSettings(SettingsRecords &records) const;

private:
    QString strings_[kPages + 1][kRows + 1];
    QString descriptions_[kPages + 1][kRows + 1];
};
