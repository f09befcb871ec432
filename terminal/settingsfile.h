#pragma once

#include "platform/savefile.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

// The settings file: 2011 records carrying the user's work from one run to the next.
// Each field is empty when its record was missing or malformed (on reading) and is
// written as "" or 0 when empty (on writing).
struct SettingsRecords
{
    static constexpr int kPages = 50;
    static constexpr int kRows = 20;
    static constexpr int kRecordCount = 2011;

    // [page - 1][row]: description and send string of each send key.
    std::array<std::array<std::optional<QString>, kRows>, kPages> description;
    std::array<std::array<std::optional<QString>, kRows>, kPages> sendString;
    // The two transmit lines and the bank page box.
    std::optional<QString> transmitLine0;
    std::optional<QString> transmitLine1;
    std::optional<QString> pageText;
    std::optional<qint32> baudRate;
    std::optional<qint16> commPort;
    std::optional<qint32> mainFontSize;
    std::optional<qint16> autoScroll;
    std::optional<qint16> silentCapture;
    std::optional<qint32> hexFontSize;
    std::optional<qint16> autoClearTX;
    std::optional<qint16> txSilent;
};

// Reads the records in order; a number that does not fit its field is malformed.
SettingsRecords parseSettings(const QByteArray &bytes);
QByteArray formatSettings(const SettingsRecords &records);

// Nothing when the file is missing (a first run) or cannot be read; only in the second
// case does *error tell why.
std::optional<SettingsRecords> readSettingsFile(const QString &path, QString *error = nullptr);
// Creates the folder when needed; the old file stays intact when writing fails.
WriteResult writeSettingsFile(const QString &path, const SettingsRecords &records);
