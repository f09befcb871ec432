#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

// The send-key bank: pages 0..50 by rows 0..20 of strings (pages 1..50, rows 0..19 are
// the bank proper; page 0 and row 20 are never saved).
inline constexpr int kBankPages = 50;
inline constexpr int kBankRows = 20;
using BankTexts = QString[kBankPages + 1][kBankRows + 1];

// The page a page-number box names: its numeric prefix x, when 0 < x < 51, rounded half
// to even, if that is at most 50. Anything else names no page.
std::optional<qint16> AcceptedPage(QStringView text);

// The item pause typed into the delay box: the whole text must be a number, rounded half
// to even, within 0..65535 ms; anything else gives nothing (the pause stays as it was).
std::optional<int> DelayFromText(QStringView text);

// Project file: 2000 records, for each page 1..50 and row 0..19 first the description,
// then the string.
QByteArray ProjectFileBytes(const BankTexts &strings, const BankTexts &descriptions);

// Reads a project file into the bank in the same order. Records the file does not have
// leave their entries as they were.
void ReadProjectFile(const QByteArray &data, BankTexts &strings, BankTexts &descriptions);
