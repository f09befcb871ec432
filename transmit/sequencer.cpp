#include "transmit/sequencer.h"

#include "platform/pacer.h"
#include "terminal/options.h"
#include "terminal/terminalviews.h"
#include "transmit/bank.h"
#include "transmit/bankpager.h"
#include "transmit/commandrunner.h"
#include "transmit/echo.h"
#include "transmit/portwriter.h"
#include "transmit/textsender.h"
#include "transmit/transmitcontext.h"

Sequencer::Sequencer(TransmitContext &context, SendKeyBank &bank, BankPager &pager,
                     BankScreen &screen)
    : ctx_(context), bank_(bank), pager_(pager), screen_(screen)
{
}

Sequencer::ItemResult Sequencer::sendItem(int page, int row)
{
    const std::optional<QString> converted = sendModeText(ctx_, bank_.string(page, row));
    if (!converted)
        return ItemResult::Closing;
    const QString &sendText = *converted;

    ItemResult result = ItemResult::Next;
    if (ctx_.state.suspended) {
        // Suspended: this item is the run's last; it is echoed and paused for, not sent.
        result = ItemResult::LastItem;
        row = SendKeyBank::kRows - 1;
    } else if (!sendText.isEmpty()) {
        QByteArray bytes = sendText.toLatin1();
        if (ctx_.view.addCr())
            bytes.append('\r');
        if (writePaced(ctx_, bytes).closing)
            return ItemResult::Closing;
    }
    if (ctx_.options.echoesTx())
        ctx_.view.appendEcho(echoLine(sendText, ctx_.state.hexKeys));
    ctx_.view.showItemRow(row);
    if (stopLatched_) {
        stopLatched_ = false;
        return ItemResult::Stopped;
    }
    if (!ctx_.pacer.pause(Pacer::Pause::Item))
        return ItemResult::Closing;
    return result;
}

std::optional<CommandLane::Ticket> Sequencer::beginRun()
{
    auto ticket = ctx_.gate.tryBegin();
    if (ticket) {
        pager_.takeScreenEdits();
        if (ctx_.options.clearsTxOnSend())
            ctx_.view.clearEcho();
    }
    return ticket;
}

void Sequencer::sendBank()
{
    const auto ticket = beginRun();
    if (!ticket)
        return;
    // The run sends the page it started on; moving to another page meanwhile only changes
    // what the rows show.
    const int page = pager_.currentPage();
    for (int row = 0; row < SendKeyBank::kRows; ++row) {
        if (sendItem(page, row) != ItemResult::Next)
            return;
    }
}

void Sequencer::sendAll()
{
    const auto ticket = beginRun();
    if (!ticket)
        return;
    for (int page = 1; page <= SendKeyBank::kPages; ++page) {
        screen_.setPageText(QString::number(page));
        pager_.setCurrentPage(page);
        bool last = false;
        for (int row = 0; row < SendKeyBank::kRows && !last; ++row) {
            switch (sendItem(page, row)) {
            case ItemResult::Next:
                break;
            case ItemResult::LastItem:
                last = true;
                break;
            case ItemResult::Stopped:
            case ItemResult::Closing:
                return;
            }
        }
        if (!ctx_.pacer.pause(Pacer::Pause::Page) || last)
            return;
    }
}
