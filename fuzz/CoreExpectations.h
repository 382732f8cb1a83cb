#pragma once

#include "core/CommandFrame.h"
#include "core/FrameCodec.h"
#include "core/Ipv4Address.h"
#include "core/PortIndex.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

// What the core has been given in one fuzz run, and so what it may hand out: each port's commands only as
// they were queued and in their turn, datagrams only to where frames came from (or to the forward
// destination), failures only of commands that were queued, one outcome per queued frame in its port's
// queue order, and line events that alternate on each line.
class CoreExpectations {
public:
    using Bytes = std::vector<std::uint8_t>;
    using Route = std::pair<ostrel::Ipv4Address, std::uint16_t>;

    explicit CoreExpectations(const ostrel::Ipv4Address& localAddress) { setLocalAddress(localAddress); }

    // A queued frame as its outcome must name it.
    struct QueuedFrame {
        int port, a, b, code;
        bool settled = false;
    };

    // A command the port index's send ring took under the frame number.
    void queued(int portIndex, const ostrel::CommandFrame& frame, std::uint32_t number) {
        failures_.insert({portIndex + 1, frame.bytes[1], frame.bytes[2], frame.bytes[6]});
        waiting_[static_cast<std::size_t>(portIndex)].emplace_back(frame.bytes.begin(),
                                                                   frame.bytes.begin() + frame.frameLength);
        frames_.push_back({portIndex + 1, frame.bytes[1], frame.bytes[2], frame.bytes[6]});
        unsettled_[static_cast<std::size_t>(portIndex)].push_back(number);
    }
    // One core numbers its frames 1, 2, 3, ... in the order its rings took them.
    std::uint32_t nextFrameNumber() const { return static_cast<std::uint32_t>(frames_.size() + 1); }
    // The frame, if that number was given out.
    QueuedFrame* frame(std::uint32_t number) {
        return number >= 1 && number <= frames_.size() ? &frames_[number - 1] : nullptr;
    }
    // True when the frame is the oldest one of its port not settled yet: a port settles its frames in
    // queue order. Settling it makes the next one the oldest.
    bool settleInTurn(std::uint32_t number) {
        QueuedFrame* queued = frame(number);
        if (queued == nullptr || queued->settled)
            return false;
        auto& unsettled = unsettled_[static_cast<std::size_t>(queued->port - 1)];
        if (unsettled.empty() || unsettled.front() != number)
            return false;
        unsettled.pop_front();
        queued->settled = true;
        return true;
    }
    // How many frames still wait for their outcome.
    std::size_t unsettledCount() const {
        std::size_t count = 0;
        for (const auto& port : unsettled_)
            count += port.size();
        return count;
    }
    // A line event: lost only when it was not, reopened only when it was. True when it fits.
    bool lineTurned(int portIndex, bool lost) {
        bool& wasLost = linesLost_[static_cast<std::size_t>(portIndex)];
        if (wasLost == lost)
            return false;
        wasLost = lost;
        return true;
    }

    // The synthetic time the core was last given.
    void setNowMs(std::int64_t nowMs) { nowMs_ = nowMs; }
    std::int64_t nowMs() const { return nowMs_; }
    // A command went out on the port: true when it is the port's next one (those queued before it dropped,
    // as for a terminal that cannot be reached) in one of its wire forms, or a resend of the one out.
    bool sentInTurn(int portIndex, std::span<const std::uint8_t> wire) {
        const Bytes sent(wire.begin(), wire.end());
        const auto port = static_cast<std::size_t>(portIndex);
        if (sent == lastSent_[port])
            return true;
        auto& waiting = waiting_[port];
        const auto next = std::find_if(waiting.begin(), waiting.end(),
                                       [&](const Bytes& canonical) { return isWireFormOf(sent, canonical); });
        if (next == waiting.end())
            return false;
        waiting.erase(waiting.begin(), next + 1);
        lastSent_[port] = sent;
        return true;
    }
    bool mayFail(int port, int a, int b, int code) const { return failures_.contains({port, a, b, code}); }

    // Network frames carry the PC's address as it was when they were converted: any address it had.
    void setLocalAddress(const ostrel::Ipv4Address& address) { localAddresses_.insert(address); }
    bool wasLocalAddress(std::span<const std::uint8_t> octets) const {
        ostrel::Ipv4Address address{};
        std::copy_n(octets.begin(), address.size(), address.begin());
        return localAddresses_.contains(address);
    }

    // A datagram arrived: its source, and the sender a network frame names, may be answered.
    void heardFrom(const ostrel::Ipv4Address& source, std::uint16_t port, const ostrel::Ipv4Address& named) {
        routes_.insert({source, port});
        routes_.insert({named, port});
    }
    // Where a terminal given a time-out without ever being heard is reached: nowhere.
    bool mayBeSentTo(const Route& route) const { return route == Route{} || routes_.contains(route); }

    void setForward(const ostrel::Ipv4Address& host, int port) { forward_ = {host, port}; }
    const std::pair<ostrel::Ipv4Address, int>& forward() const { return forward_; }

private:
    // The canonical frame as protocol type 1 terminals, type 2 terminals on a line or type 2 terminals over
    // UDP receive it.
    bool isWireFormOf(const Bytes& wire, const Bytes& canonical) const {
        ostrel::WireBuffer form;
        const auto is = [&](int length) {
            return std::equal(wire.begin(), wire.end(), form.begin(), form.begin() + std::max(length, 0));
        };
        return is(ostrel::withAdditiveChecksum(canonical, form)) ||
               is(ostrel::canonicalToSerial(canonical, form)) ||
               std::any_of(localAddresses_.begin(), localAddresses_.end(),
                           [&](const ostrel::Ipv4Address& local) {
                               return is(ostrel::canonicalToNetwork(canonical, local, form));
                           });
    }

    std::array<std::deque<Bytes>, ostrel::kPortCount> waiting_;
    std::vector<QueuedFrame> frames_; // by frame number - 1
    std::array<std::deque<std::uint32_t>, ostrel::kPortCount> unsettled_;
    std::array<bool, ostrel::kSerialPortCount> linesLost_{};
    std::int64_t nowMs_ = 0;
    std::array<Bytes, ostrel::kPortCount> lastSent_;
    std::set<std::tuple<int, int, int, int>> failures_;
    std::set<ostrel::Ipv4Address> localAddresses_;
    std::set<Route> routes_;
    std::pair<ostrel::Ipv4Address, int> forward_{};
};
