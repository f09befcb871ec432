#include "terminal/sessionsettings.h"

#include "terminal/baudrate.h"

StartupValues startupValues(const SettingsRecords &file)
{
    StartupValues v;
    // The three boxes are filled through one holder: a missing record leaves the text of
    // the previous one in it.
    QString held;
    if (file.transmitLine0)
        held = *file.transmitLine0;
    v.line0 = held;
    if (file.transmitLine1)
        held = *file.transmitLine1;
    v.line1 = held;
    if (file.pageText)
        held = *file.pageText;
    v.pageText = held;

    v.baudRate = usableBaudRate(file.baudRate.value_or(0));
    qint16 com = file.commPort.value_or(0);
    v.comNumber = com < 1 || com > 16 ? qint16(1) : com;

    Options &o = v.options;
    o.mainFont = file.mainFontSize.value_or(0);
    o.autoScroll = file.autoScroll.value_or(0);
    o.silentCapture = file.silentCapture.value_or(0);
    o.hexFont = file.hexFontSize.value_or(0);
    o.clearTxOnSend = file.autoClearTX.value_or(0);
    o.silentTx = file.txSilent.value_or(0);
    if (o.mainFont == 0)
        o.mainFont = 1;
    return v;
}

void writeClosingValues(const ClosingValues &v, SettingsRecords &file)
{
    file.transmitLine0 = v.line0;
    file.transmitLine1 = v.line1;
    file.pageText = v.pageText;
    file.baudRate = v.typedBaudRate;
    file.commPort = v.comNumber;
    file.mainFontSize = v.options.mainFont;
    file.autoScroll = v.options.autoScroll;
    file.silentCapture = v.options.silentCapture;
    file.hexFontSize = v.options.hexFont;
    file.autoClearTX = v.options.clearTxOnSend;
    file.txSilent = v.options.silentTx;
}
