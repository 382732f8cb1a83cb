#pragma once

#include "CallbackCaller.h"
#include "FrameCodec.h"
#include "PortIndex.h"
#include "SendRing.h"
#include "TerminalTable.h"
#include "Transport.h"

#include <array>
#include <cstdint>
#include <span>

namespace ostrel {

// Stop-and-wait state of one port: at most one frame is out without its reply.
struct PortSendState {
    bool awaitingReply = false;
    std::uint8_t tickCount = 0;
    std::uint8_t retryCount = 0; // 8 bits: a retry limit of 0 is met only after it wraps
    WireBuffer lastSent{};       // the wire bytes, resent unchanged
    int lastSentLength = 0;
    std::uint8_t addressA = 0; // canonical address and code of the frame out
    std::uint8_t addressB = 0;
    std::uint8_t commandCode = 0;
    std::uint32_t frameNumber = 0; // what the frame out was queued under
    int sendings = 0;              // how often it went out on the wire
    std::int64_t firstSentMs = 0;  // the core's time of its first sending
};

// Takes queued frames off the rings, one unanswered frame per port, converts each to the addressed
// terminal's wire form, resends it every second and gives up after the retry limit. Every frame it takes
// gets exactly one outcome: answered, failed, unreachable or discarded. nowMs is the core's time, which
// the outcomes measure from.
class SendPump {
public:
    static constexpr int kResendTicks = 10;

    SendPump(SendRing& rings, TerminalTable& table, Transport& transport, const CallbackCaller& callbacks,
             const Ipv4Address& localAddress, const std::int64_t& nowMs);

    // Forgets every wait, as when the timers start: a frame that awaited its reply is discarded.
    void clear();
    // The end: port by port, the frame awaiting its reply and then every queued one is discarded, in queue
    // order. The rings must take no more frames by then, or this would not end.
    void discardAll();
    // One pass over the ports in ascending order.
    void run(int retryLimit);
    // Sends the port's next queued frame, if it has one and is not waiting for a reply.
    void sendNext(int portIndex);

    // Replies on the UDP port: a network frame for the terminal last sent to with the reply code (or 0xFC),
    // or a canonical frame with the reply code.
    bool isUdpNetworkReply(std::span<const std::uint8_t> network) const;
    bool isUdpCanonicalReply(std::span<const std::uint8_t> canonical) const;
    // Replies on a serial line, by the code of the frame last written.
    bool isSerialCanonicalReply(int portIndex, std::uint8_t code) const;
    bool isSerialFrameReply(int portIndex, std::uint8_t code) const;
    // The awaited reply came: the port may send its next frame.
    void endWait(int portIndex);

    const PortSendState& state(int portIndex) const { return states_[portIndex]; }

private:
    void serve(int portIndex, int retryLimit);
    void giveUp(int portIndex);
    void transmit(int portIndex, const TerminalTable::Route& route, std::span<const std::uint8_t> bytes);
    // The frame out (or just taken) on the port has met its fate; the port no longer waits for it.
    void settle(int portIndex, OstrelOutcomeKind kind);

    SendRing& rings_;
    TerminalTable& table_;
    Transport& transport_;
    const CallbackCaller& callbacks_;
    const Ipv4Address& localAddress_;
    const std::int64_t& nowMs_;
    std::array<PortSendState, kPortCount> states_{};
};

} // namespace ostrel
