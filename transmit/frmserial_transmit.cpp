// Text transmit, send-key bank, sequencer and project file handlers of the main window.
#include "frmserial.h"

#include "hex.h"

qint32 frmSerial::Hex2Dec(const QString &sHex)
{
    return ::Hex2Dec(sHex);
}

void frmSerial::connectTransmitHandlers() {}
void frmSerial::BTNSend_Click() {}
void frmSerial::BTNSend1_Click() {}
void frmSerial::Keyascii_Click(int) {}
void frmSerial::Keyhex_Click(int) {}
void frmSerial::Command4_Click() {}
void frmSerial::cmdSuspend_Click() {}
void frmSerial::Command8_Click() {}
void frmSerial::Command5_Click() {}
void frmSerial::Command9_Click() {}
void frmSerial::ShowBankPage() {}
void frmSerial::StoreBankPage() {}
void frmSerial::Text3_Change() {}
void frmSerial::Timer3_Timer() {}
void frmSerial::Command7_Click() {}
void frmSerial::Command23_Click() {}
void frmSerial::Command2_Click(int) {}
void frmSerial::mnuCopyPage_Click() {}
void frmSerial::mnuPastePage_Click() {}
void frmSerial::Command1_Click() {}
void frmSerial::Command3_Click() {}
void frmSerial::Command6_Click() {}
void frmSerial::Timer1_Timer() {}
void frmSerial::Timer2_Timer() {}
void frmSerial::mnuLoad_Click() {}
void frmSerial::mnuSave_Click() {}
void frmSerial::mnuClear_Click() {}
