#include "terminal/sessionsettings.h"

StartupValues startupValues(const SettingsRecords &file)
{
    StartupValues v;
    // The three boxes are filled through one holder: a missing record leaves the text of
    // the previous one in it.
    QString held;
    if (file.txt0)
        held = *file.txt0;
    v.line0 = held;
    if (file.txt1)
        held = *file.txt1;
    v.line1 = held;
    if (file.text3)
        held = *file.text3;
    v.pageText = held;

    qint32 baud = file.baudRate.value_or(0);
    v.baudRate = baud < 110 || baud > 116000 ? 9600 : baud;
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
    file.txt0 = v.line0;
    file.txt1 = v.line1;
    file.text3 = v.pageText;
    file.baudRate = v.typedBaudRate;
    file.commPort = v.comNumber;
    file.mainFontSize = v.options.mainFont;
    file.autoScroll = v.options.autoScroll;
    file.silentCapture = v.options.silentCapture;
    file.hexFontSize = v.options.hexFont;
    file.autoClearTX = v.options.clearTxOnSend;
    file.txSilent = v.options.silentTx;
}
