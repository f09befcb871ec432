#pragma once

#include <QString>

#include <optional>

struct TransmitContext;

// The text a send writes in the current send mode: hexadecimal pairs converted in hex
// mode (a yield after the conversion), then a yield. Nothing when the window closed
// meanwhile.
std::optional<QString> sendModeText(TransmitContext &ctx, QString text);

// The two transmit lines' "<- Send" and the twenty key rows' buttons. A send copies the
// text (hexadecimal pairs converted in hex mode, a yield after the conversion), yields,
// adds CR and LF as ticked, records it, shows its length, echoes it (unless "Silent TX")
// and writes it (unless transmit is suspended). A key row yields once more before it
// records, shows its row in the item box, and writes only a text that is not empty.
class TextSender
{
public:
    explicit TextSender(TransmitContext &context) : ctx_(context) {}

    void sendLine(const QString &text);
    void sendKey(int row, const QString &text);

private:
    TransmitContext &ctx_;
};
