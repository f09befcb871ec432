#pragma once

#include "files_views/captureexport.h"
#include "files_views/filesender.h"
#include "files_views/projectfiles.h"
#include "platform/eventlooppacer.h"
#include "platform/qtticker.h"
#include "plot/plotfeed.h"
#include "plot/plotsink.h"
#include "scripting/connectionscripts.h"
#include "terminal/autoreconnect.h"
#include "terminal/capturebuffer.h"
#include "terminal/options.h"
#include "terminal/portconnection.h"
#include "terminal/receiveengine.h"
#include "terminal/sessionlog.h"
#include "transmit/bank.h"
#include "transmit/bankpager.h"
#include "transmit/commandrunner.h"
#include "transmit/sequencer.h"
#include "transmit/textsender.h"
#include "transmit/transmitcontext.h"
#include "transmit/transmitrecord.h"

#include <memory>

class CommPort;
class FileDialog;
class MainViews;
class MessageBox;

// The parts of one main window, made and wired in one place. It holds no widget: the
// window hands in its views and the platform's port, dialogs and message box.
struct MainSession
{
    MainSession(MainViews &views, std::unique_ptr<CommPort> commPort, FileDialog &fileDialog,
                FileDialog &captureDialog, MessageBox &messages);

    Options options;
    CaptureBuffer capture;
    TransmitRecord record;
    CommandLane gate;
    TransmitState state;
    EventLoopPacer pacer;
    QtTicker flushTicker{100};
    ReceiveEngine receive;
    SessionLog log;
    PortConnection port;
    QtTicker reconnectTicker{AutoReconnect::kRetryMs};
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
    // The plot's feed takes every byte, shown or not, so a plot can start from the capture.
    PlotFeed plotFeed;
    PlotSink plotSink{plotFeed};
    // Last: a running script ends before the parts it uses go.
    ConnectionScripts scripts;
};
