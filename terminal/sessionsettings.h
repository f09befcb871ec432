#pragma once

#include "platform/portsettings.h"
#include "terminal/options.h"
#include "terminal/settingsfile.h"

#include <QString>

// What the settings file gives the window at start-up, with the start-up rules applied:
// the three boxes share one holder (a missing record repeats the text before it), a baud
// rate outside 110..116000 becomes 9600, a COM number outside 1..16 becomes 1, a main font
// choice of 0 becomes 1. Options keep the values read.
struct StartupValues
{
    QString line0;
    QString line1;
    QString pageText;
    qint32 baudRate = kDefaultBaud;
    qint16 comNumber = 1;
    Options options;
};
StartupValues startupValues(const SettingsRecords &records);

// The fields the window writes back at close (the bank's records are added by the bank).
struct ClosingValues
{
    QString line0;
    QString line1;
    QString pageText;
    qint32 typedBaudRate = 0;
    qint16 comNumber = 0;
    Options options;
};
void writeClosingValues(const ClosingValues &values, SettingsRecords &records);
