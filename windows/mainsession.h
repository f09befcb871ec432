#pragma once

#include "autoreconnect.h"
#include "bank.h"
#include "bankpager.h"
#include "capturebuffer.h"
#include "captureexport.h"
#include "eventlooppacer.h"
#include "filesender.h"
#include "options.h"
#include "portconnection.h"
#include "projectfiles.h"
#include "qtticker.h"
#include "receiveengine.h"
#include "sendgate.h"
#include "sequencer.h"
#include "sessionlog.h"
#include "textsender.h"
#include "transmitcontext.h"
#include "transmitrecord.h"

#include <memory>

class CommPort;
class CommonDialog;
class MainViews;
class MessageBox;

// The parts of one main window, made and wired in one place. It holds no widget: the
// window hands in its views and the platform's port, dialogs and message box.
struct MainSession
{
    MainSession(MainViews &views, std::unique_ptr<CommPort> commPort, CommonDialog &fileDialog,
                CommonDialog &captureDialog, MessageBox &messages);

    Options options;
    CaptureBuffer capture;
    TransmitRecord record;
    SendGate gate;
    TransmitState state;
    EventLoopPacer pacer;
    QtTicker flushTicker{100};
    ReceiveEngine receive;
    SessionLog log;
    PortConnection port;
    QtTicker reconnectTicker{500};
    AutoReconnect autoReconnect{port, reconnectTicker};
    SendKeyBank bank;
    BankPager pager;
    TransmitContext transmit;
    TextSender textSender;
    Sequencer sequencer;
    // "Send File" and the projects share one dialog, which remembers the last name chosen.
    FileSender fileSender;
    ProjectFiles projects;
    CaptureExport captureExport;
};
