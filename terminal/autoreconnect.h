#pragma once

class PortConnection;
class Ticker;

// "Reconnect Automatically": after the open device was lost, tries every tick (half a
// second) to open the port again, until it opens or the waiting is ended.
class AutoReconnect
{
public:
    static constexpr int kRetryMs = 500; // the ticker's interval
    AutoReconnect(PortConnection &port, Ticker &ticker);
    ~AutoReconnect();
    AutoReconnect(const AutoReconnect &) = delete;
    AutoReconnect &operator=(const AutoReconnect &) = delete;

    // Off ends any waiting.
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }
    bool waiting() const;
    // The user took the port in hand (Disconnect, ReConnect): no more tries.
    void stop();

private:
    void deviceLost();
    void tryOpen();

    PortConnection &port_;
    Ticker &ticker_;
    bool enabled_ = false;
};
