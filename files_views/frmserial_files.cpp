// File send, capture export and rebuild, view layouts and options of the main window.
#include "frmserial.h"

#include "frmhelp.h"
#include "frmhexeditor.h"

void frmSerial::connectFilesViewsHandlers() {}
void frmSerial::send_Array() {}
void frmSerial::mnuSendfile_Click() {}
void frmSerial::mnuInstantSend_Click() {}
void frmSerial::mnuSaveCaptureAscii_Click() {}
void frmSerial::mnuSaveCaptureHumanHex_Click() {}
void frmSerial::cmdRebuild_Click() {}
void frmSerial::RebuildPanes() {}
void frmSerial::mnuViewPaneList_Click() {}
void frmSerial::mnuViewHexList_Click() {}
void frmSerial::mnuViewBigAsciiPane_Click() {}
void frmSerial::mnuViewBigHEXPane_Click() {}
void frmSerial::mnuViewAsciiHex_Click() {}
void frmSerial::mnuFontSmall_Click() {}
void frmSerial::mnuFontMedium_Click() {}
void frmSerial::mnuFontLarge_Click() {}
void frmSerial::mnuSilent_Click() {}
void frmSerial::mnuScroll_Click() {}
void frmSerial::mnuAutoClearTX_Click() {}
void frmSerial::mnuTXSilent_Click() {}
void frmSerial::mnuAlwaysOnTop_Click() {}
void frmSerial::mnuHexEditor_Click() {}
void frmSerial::mnuHelp_Click() {}
void frmSerial::ShowHelpWindow() {}
