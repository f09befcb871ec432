#pragma once

#include "transmit/commandrunner.h"

#include <optional>

struct TransmitContext;
class BankPager;
class BankScreen;
class SendKeyBank;

// "Send Bank" sends the twenty rows of the page shown, "Send All" pages 1 to 50, each item
// followed by the item pause and each page of Send All by the page pause. A run is
// synchronous: the click returns when the run has ended; the pauses keep the window live.
// An item: the stored string (converted in hex mode, a yield after it), a yield, written
// with CR when "Add CR" is ticked (never LF) unless empty, echoed, its row shown; STOP is
// looked at after each item; a suspended transmit makes the current item the last (echoed,
// not written, row 19 shown; Send All still pauses for the page).
class Sequencer
{
public:
    Sequencer(TransmitContext &context, SendKeyBank &bank, BankPager &pager, BankScreen &screen);

    void sendBank();
    void sendAll();
    // STOP: latched, also while no run goes on; the next item seen ends the run.
    void requestStop() { stopLatched_ = true; }
    bool stopLatched() const { return stopLatched_; }

private:
    enum class ItemResult { Next, LastItem, Stopped, Closing };
    // The gate taken, the rows' edits kept and the echo cleared as the option says;
    // nothing while another send runs.
    std::optional<CommandLane::Ticket> beginRun();
    ItemResult sendItem(int page, int row);

    TransmitContext &ctx_;
    SendKeyBank &bank_;
    BankPager &pager_;
    BankScreen &screen_;
    bool stopLatched_ = false;
};
