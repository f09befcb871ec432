#pragma once

#include <QtGlobal>

#include <optional>

// A font choice of the main window's Options menu or the hex editor's Edit menu.
enum class FontChoice { Small = 1, Medium = 2, Large = 3 };
// The choice a stored value names; nothing for any other value (0: none made yet).
[[nodiscard]] std::optional<FontChoice> fontChoice(qint32 stored);

// The options kept in the settings file, held as they were read: a value other than 0 or 1
// keeps its meaning (a "Silent Capture" of 2 captures silently although its menu item shows
// no check mark), so each option is asked through its own rule.
struct Options
{
    qint16 autoScroll = 0;
    qint16 silentCapture = 0;
    qint16 clearTxOnSend = 0;
    qint16 silentTx = 0;
    // Font choices as stored (fontChoice() tells which they name).
    qint32 mainFont = 0;
    qint32 hexFont = 0;

    bool scrollsToEnd() const { return autoScroll == 1; }
    bool capturesSilently() const { return silentCapture != 0; }
    bool clearsTxOnSend() const { return clearTxOnSend == 1; }
    bool echoesTx() const { return silentTx == 0; }
};

// "Silent Capture" and "Auto Scroll" follow their check mark: a checked item turns the
// option off. Returns the item's new check mark.
bool toggleFollowingMark(bool checked, qint16 &value);
// "Clear TX on Each Send" and "Silent TX" follow their value: a value other than 0 turns
// the option off. Returns the item's new check mark.
bool toggleFollowingValue(qint16 &value);
