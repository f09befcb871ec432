// Terminal core handlers: start-up and shut-down, port connection, receive engine.
#include "frmserial.h"

#include "commport.h"
#include "textbox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

void frmSerial::connectHandlers()
{
    connect(ConnectButton, &QPushButton::clicked, this, &frmSerial::ConnectButton_Click);
    connect(DisconnectButton, &QPushButton::clicked, this, &frmSerial::DisconnectButton_Click);
    connect(txtBaud, &QLineEdit::textChanged, this, &frmSerial::txtBaud_Change);
    connect(txtCommport, &QLineEdit::textChanged, this, &frmSerial::txtCommport_Change);
    connect(Timer4, &QTimer::timeout, this, &frmSerial::Timer4_Timer);
    connect(SerialText, &TextBox::changed, this, &frmSerial::SerialText_Change);
    connect(SerialText1, &TextBox::changed, this, &frmSerial::SerialText1_Change);
    connect(txtSent, &TextBox::changed, this, &frmSerial::txtSent_Change);
    connect(txtStatus, &TextBox::changed, this, &frmSerial::txtStatus_Change);
    if (MSComm1)
        connect(MSComm1.get(), &CommPort::onComm, this, &frmSerial::MSComm1_OnComm);
}

void frmSerial::Form_Load() {}
void frmSerial::Form_Unload() {}
void frmSerial::ConnectButton_Click() {}
void frmSerial::DisconnectButton_Click() {}
void frmSerial::txtBaud_Change() {}
void frmSerial::txtCommport_Change() {}
void frmSerial::MSComm1_OnComm() {}
void frmSerial::Timer4_Timer() {}
void frmSerial::SerialText_Change() {}
void frmSerial::SerialText1_Change() {}
void frmSerial::txtSent_Change() {}
void frmSerial::txtStatus_Change() {}

void frmSerial::AddStatus(const QString &message)
{
    txtStatus->appendText(message + QStringLiteral("\r\n"));
}

void frmSerial::RefreshConnectLamp() {}
