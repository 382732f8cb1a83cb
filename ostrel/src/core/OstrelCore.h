#pragma once

#include "CallbackCaller.h"
#include "CommandFrame.h"
#include "Ipv4Address.h"
#include "PortIndex.h"
#include "SendPump.h"
#include "SendRing.h"
#include "SerialLineBuffer.h"
#include "TerminalFrames.h"
#include "TerminalTable.h"
#include "TerminalTimeouts.h"
#include "Transport.h"
#include "ostrel/ostrel.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ostrel {

// The four periodic passes, in the order one tick runs them.
enum class Pass { SendPump, CountDown, ExpiryScan, SerialReceive };
inline constexpr int kPassCount = 4;

// What the driver read from one serial line in one period; no bytes means the line was quiet.
struct SerialRead {
    int portIndex = 0;
    std::span<const std::uint8_t> bytes;
};

// Ostrel's state and rules, without threads, clocks, sockets or devices. The driver pushes in what
// happens on one thread, the worker thread (a tick every 100 ms with what the serial lines brought, a
// datagram, the socket lost, a serial line lost or back, and the monotonic time before each of these) and
// performs what the core hands out through the Transport; tests do the same in synthetic time. Callers'
// threads meet the worker in exactly two places, both with their own lock: queueFrame (the send rings)
// and the table's queries; and they may set the outcome callback, an atomic.
class OstrelCore {
public:
    static constexpr int kDatagramCapacity = 128;

    OstrelCore(Transport& transport, void* userValue, const OstrelCallbacks& callbacks);
    OstrelCore(const OstrelCore&) = delete;
    OstrelCore& operator=(const OstrelCore&) = delete;

    // MSG_START_TIMERS: forgets every wait (discarding the frames that awaited replies) and partial serial
    // input, switches all four passes on.
    void startTimers();
    // MSG_STOP_SENDING: switches the send pump off; the other passes go on.
    void stopSending();
    // Switches every pass off.
    void stopTimers();
    // The destroy step: every pass off, and every frame still held discarded, each port's in queue order;
    // from now on the rings take no frame, so that none is left without its outcome.
    void destroy();
    bool isRunning(Pass pass) const { return running_[static_cast<int>(pass)]; }
    bool anyPassRunning() const;

    // The monotonic time in milliseconds, pushed in before each tick and each batch of input; outcomes
    // measure from it.
    void setNowMs(std::int64_t nowMs) { nowMs_ = nowMs; }

    // One 100 ms period: the running passes in their fixed order. serialReads holds, in ascending port
    // order, what each line being received brought in this period; the driver reads a line only while
    // the serial receive pass runs, and at most serialRoom(port) bytes of it.
    void tick(std::span<const SerialRead> serialReads = {});
    std::size_t serialRoom(int portIndex) const { return serialLines_[portIndex].room(); }
    // What the line brought so far is forgotten, as when a line the caller never started went away.
    void forgetSerialInput(int portIndex) { serialLines_[portIndex].clear(); }
    // The line went away: what it brought so far is forgotten, and the caller told once (OSTREL_LINE_LOST).
    void serialLineLost(int portIndex);
    // The line was opened afresh: what it brought so far is forgotten; a line that was lost is reported
    // back (OSTREL_LINE_REOPENED).
    void serialLineOpened(int portIndex);
    bool isSerialLineLost(int portIndex) const { return lostLines_[portIndex]; }
    std::span<const std::uint8_t> serialInput(int portIndex) const { return serialLines_[portIndex].bytes(); }

    // The pair every Start_Ostrel call overwrites, for serial and UDP ports alike.
    void storeValues(int replyTimeout, int retryLimit);
    int replyTimeout() const { return replyTimeout_; }
    int retryLimit() const { return retryLimit_; }

    // The PC's own address, which network frames carry as their sender; learnt when the UDP port opens.
    void setLocalAddress(const Ipv4Address& address) { localAddress_ = address; }
    // Start_Translib's destination for zone alarms; port 0 means none.
    void setForwardDestination(const Ipv4Address& host, int port);
    const Ipv4Address& forwardHost() const { return forward_.host; }
    int forwardPort() const { return forward_.port; }

    // Queues a copy of the frame for the port and returns its frame number; 0 when its ring is full or the
    // core is destroyed. Safe from any thread.
    std::uint32_t queueFrame(int portIndex, const CommandFrame& frame) {
        return rings_.push(portIndex, frame);
    }
    // Where every outcome goes (null: nowhere). Safe from any thread, also from a callback.
    void setOutcomeCallback(OstrelOutcomeCallback callback) { callbacks_.setOutcomeCallback(callback); }

    // One datagram read from the UDP port; count is what the socket reported (may exceed the buffer).
    void onDatagram(std::span<const std::uint8_t> bytes, int count, const Ipv4Address& source,
                    std::uint16_t sourcePort);
    // The network closed the UDP socket.
    void onConnectionLost();

    TerminalTable& table() { return table_; }
    const TerminalTable& table() const { return table_; }
    const SendPump& sendPump() const { return pump_; }
    const char* textBuffer() const { return callbacks_.textBuffer(); }

private:
    void receiveSerial(int portIndex, std::span<const std::uint8_t> bytes);
    bool takeCanonicalFromLine(int portIndex, std::span<const std::uint8_t> frame);
    void takeSerialFrame(int portIndex, std::span<const std::uint8_t> frame);
    void replyArrivedOnUdp();

    Transport& transport_;
    CallbackCaller callbacks_;

    std::array<bool, kPassCount> running_{};
    std::int64_t nowMs_ = 0;
    int replyTimeout_ = 0;
    int retryLimit_ = 0;
    Ipv4Address localAddress_{};
    ForwardDestination forward_;

    SendRing rings_;
    TerminalTable table_;
    SendPump pump_;
    TerminalFrames frames_;
    TerminalTimeouts timeouts_;
    std::array<SerialLineBuffer, kSerialPortCount> serialLines_{};
    std::array<bool, kSerialPortCount> lostLines_{};
};

} // namespace ostrel
