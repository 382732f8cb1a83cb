#pragma once

#include "CallbackCaller.h"
#include "CommandFrame.h"
#include "LockRecord.h"
#include "PortIndex.h"
#include "SendPump.h"
#include "SendRing.h"
#include "TerminalFrames.h"
#include "TerminalTable.h"
#include "TerminalTimeouts.h"
#include "Transport.h"
#include "ostrel/ostrel.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ostrel {

// The four periodic passes, in the order one tick runs them.
enum class Pass { SendPump, CountDown, ExpiryScan, SerialReceive };
inline constexpr int kPassCount = 4;

// Ostrel's state and rules, without threads, clocks or sockets. The driver feeds it events (a tick
// every 100 ms, a datagram, the socket lost) on one thread and performs its requests through the
// Transport; tests feed it the same events in synthetic time. Only queueFrame and the table's queries
// may be called from other threads.
class OstrelCore {
public:
    static constexpr std::size_t kSerialBufferSize = 128;
    static constexpr int kDatagramCapacity = 128;

    OstrelCore(Transport& transport, void* userValue, const OstrelCallbacks& callbacks);
    OstrelCore(const OstrelCore&) = delete;
    OstrelCore& operator=(const OstrelCore&) = delete;

    // MSG_START_TIMERS: forgets every wait and partial serial input, switches all four passes on.
    void startTimers();
    // MSG_STOP_SENDING: switches the send pump off; the other passes go on.
    void stopSending();
    // The destroy step: switches every pass off.
    void stopTimers();
    bool isRunning(Pass pass) const { return running_[static_cast<int>(pass)]; }
    bool anyPassRunning() const;

    // One 100 ms period: the running passes in their fixed order.
    void tick();

    // The pair every Start_Ostrel call overwrites, for serial and UDP ports alike.
    void storeValues(int replyTimeout, int retryLimit);
    int replyTimeout() const { return replyTimeout_; }
    int retryLimit() const { return retryLimit_; }

    // Start_Translib's destination for zone alarms; host is a dotted IPv4 text of at most 31 characters.
    void setForwardDestination(const char* host, int port);
    const char* forwardHost() const { return forward_.host.data(); }
    int forwardPort() const { return forward_.port; }

    // Queues a copy of the frame for the port under the send-queue lock; false when its ring is full.
    // Safe from any thread.
    bool queueFrame(int portIndex, const CommandFrame& frame);

    // One datagram read from the UDP port; count is what the socket reported (may exceed the buffer).
    void onDatagram(std::span<const std::uint8_t> bytes, int count, const char* sourceText,
                    std::uint16_t sourcePort);
    // The network closed the UDP socket.
    void onConnectionLost();

    TerminalTable& table() { return table_; }
    const TerminalTable& table() const { return table_; }
    const SendPump& sendPump() const { return pump_; }
    int serialReceiveCount(int portIndex) const { return serialCounts_[portIndex]; }
    std::span<const std::uint8_t> serialReceiveBuffer(int portIndex) const {
        return {serialBuffers_[portIndex].data(), static_cast<std::size_t>(serialCounts_[portIndex])};
    }
    const char* textBuffer() const { return callbacks_.textBuffer(); }

private:
    void runSendPump();
    void runSerialReceive();
    void examineSerialInput(int portIndex);
    void replyArrivedOnUdp();
    void processTerminalFrame(int portIndex, std::span<const std::uint8_t> frame, const char* senderText,
                              int udpPort, std::uint8_t protocolType);

    Transport& transport_;
    CallbackCaller callbacks_;

    std::array<bool, kPassCount> running_{};
    int replyTimeout_ = 0;
    int retryLimit_ = 0;
    ForwardDestination forward_;

    LockRecord sendQueueLock_;
    SendRing rings_;
    TerminalTable table_;
    SendPump pump_;
    TerminalFrames frames_;
    TerminalTimeouts timeouts_;

    std::array<std::array<std::uint8_t, kSerialBufferSize>, kSerialPortCount> serialBuffers_{};
    std::array<std::uint8_t, kSerialPortCount> serialCounts_{};
};

} // namespace ostrel
