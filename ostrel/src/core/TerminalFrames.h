#pragma once

#include "CallbackCaller.h"
#include "FrameCodec.h"
#include "TerminalTable.h"
#include "Transport.h"

#include <array>
#include <cstdint>
#include <span>

namespace ostrel {

// Where Start_Translib wants zone alarms forwarded; port 0 means nowhere.
struct ForwardDestination {
    Ipv4Address host{};
    int port = 0;
};

// What a terminal's own frame means: it was heard, perhaps came on line, reported, changed its status or
// zones. Records it in the table, tells the caller through the callbacks and acknowledges reports.
class TerminalFrames {
public:
    TerminalFrames(TerminalTable& table, Transport& transport, const CallbackCaller& callbacks,
                   const ForwardDestination& forward, const Ipv4Address& localAddress);

    // Codes 1 to 4: the terminal's own reports, which the PC acknowledges.
    static bool isReport(std::uint8_t code) { return code >= 1 && code <= 4; }

    // A valid canonical frame from a terminal (the reply to a command never comes here).
    void process(int portIndex, std::span<const std::uint8_t> frame, const Ipv4Address& sender, int udpPort,
                 std::uint8_t protocolType);

    // Acknowledges a report (codes 1 to 4) in the sender's own form.
    void acknowledgeOverUdp(std::span<const std::uint8_t> report, std::uint8_t protocolType,
                            const Ipv4Address& host, std::uint16_t port);
    void acknowledgeCanonicalOnSerial(int portIndex, std::span<const std::uint8_t> report);
    void acknowledgeSerialFrame(int portIndex, std::uint8_t addressA, std::uint8_t addressB);

private:
    void processStatus(int portIndex, std::span<const std::uint8_t> frame);
    void onLine(int portIndex, std::uint8_t a, std::uint8_t b, bool portEntryEvent);
    void offLine(int portIndex, std::uint8_t a, std::uint8_t b);
    void event(int portIndex, std::uint8_t a, std::uint8_t b, int index, int code);

    TerminalTable& table_;
    Transport& transport_;
    const CallbackCaller& callbacks_;
    const ForwardDestination& forward_;
    const Ipv4Address& localAddress_;
};

} // namespace ostrel
