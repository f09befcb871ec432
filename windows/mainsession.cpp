#include "windows/mainsession.h"

#include "platform/commport.h"
#include "windows/mainviews.h"

MainSession::MainSession(MainViews &views, std::unique_ptr<CommPort> commPort,
                         FileDialog &fileDialog, FileDialog &captureDialog, MessageBox &messages)
    : receive(capture, options, views, flushTicker), log(views),
      port(std::move(commPort), views, views, receive, views),
      pager(bank, views, pacer), transmit{gate, state, options, port, views, views, pacer, record},
      textSender(transmit), sequencer(transmit, bank, pager, views),
      fileSender(transmit, fileDialog, messages), projects(bank, pager, fileDialog, messages),
      captureExport(capture, views, captureDialog, messages), scripts(transmit, port, views)
{
    // The log has every byte taken, whatever the panes and the capture keep.
    port.receiveHub().attach(log);
    port.receiveHub().attach(receive);
    // After the panes: neither may hold them up.
    port.receiveHub().attach(plotSink);
    port.receiveHub().attach(scripts);
}
