#pragma once

#include "WireCodec.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace sim {

class Link;

// Where a link delivers what comes in on it.
class LinkListener {
public:
    virtual ~LinkListener() = default;
    // The PC can hear the link's terminals now (at once for UDP; a pty when the PC opens its far end).
    virtual void lineUp(Link& link) = 0;
    virtual void lineDown(Link& link) = 0;
    // One datagram, or one frame cut from a serial line.
    virtual void received(Link& link, std::span<const std::uint8_t> frame) = 0;
    // Bytes that form no frame, and why.
    virtual void noise(Link& link, std::span<const std::uint8_t> bytes, std::string_view why) = 0;
};

// One way to the PC that some terminals share: a UDP socket or a serial line. All its terminals have the
// same protocol type, so the link has one wire layout.
class Link {
public:
    Link(std::string name, LinkKind kind, int protocolType)
        : name_(std::move(name)), kind_(kind), layout_(layoutOf(protocolType, kind)) {}
    virtual ~Link() = default;
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // The link's short name in logs, such as "udp1" or "pty2".
    const std::string& name() const { return name_; }
    LinkKind kind() const { return kind_; }
    WireLayout layout() const { return layout_; }

    // Starts listening; the listener hears lineUp once the PC can hear the link.
    virtual void start() = 0;
    // Where the link leads, for the start-up lines.
    virtual std::string description() const = 0;
    // The address network frames carry as their sender.
    virtual Ipv4 senderAddress() const = 0;
    // False when the frame could not go out.
    virtual bool send(std::span<const std::uint8_t> frame) = 0;

private:
    std::string name_;
    LinkKind kind_;
    WireLayout layout_;
};

} // namespace sim
