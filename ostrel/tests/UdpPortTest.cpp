#include "UdpPort.h"

#include <asio/io_context.hpp>
#include <gtest/gtest.h>
#include <poll.h>

using asio::ip::udp;
using ostrel::UdpPort;

namespace {

class UdpPortTest : public ::testing::Test {
protected:
    asio::io_context io;
    UdpPort port{io};
    // A peer socket on loopback that sends to and hears from the port under test.
    udp::socket peer{io, udp::endpoint(asio::ip::address_v4::loopback(), 0)};

    void sendToPort(const std::vector<std::uint8_t>& bytes) {
        peer.send_to(asio::buffer(bytes), udp::endpoint(asio::ip::address_v4::loopback(), port.boundPort()));
    }

    bool readable(int timeoutMs = 5000) {
        pollfd p{port.socket().native_handle(), POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) == 1;
    }
};

} // namespace

TEST_F(UdpPortTest, PortZeroLetsTheSystemChoose) {
    ASSERT_TRUE(port.open(0));
    EXPECT_NE(port.boundPort(), 0);
}

TEST_F(UdpPortTest, PortNumbersAboveSixteenBitsUseTheirLowBits) {
    udp::socket probe(io, udp::endpoint(udp::v4(), 0));
    const std::uint16_t free = probe.local_endpoint().port();
    probe.close();

    ASSERT_TRUE(port.open(0x10000 + free));
    EXPECT_EQ(port.boundPort(), free);
}

// A port that cannot be had leaves the socket in use listening where it was.
TEST_F(UdpPortTest, APortInUseIsRefusedAndTheWorkingSocketKept) {
    udp::socket holder(io, udp::endpoint(udp::v4(), 0));
    EXPECT_FALSE(port.open(holder.local_endpoint().port()));
    EXPECT_FALSE(port.isOpen());

    ASSERT_TRUE(port.open(0));
    const std::uint16_t working = port.boundPort();
    EXPECT_FALSE(port.open(holder.local_endpoint().port()));
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(port.boundPort(), working);
    sendToPort({0x01});
    EXPECT_TRUE(readable()) << "still hears on its port";

    ASSERT_TRUE(port.open(0)) << "a port that can be had replaces it";
    EXPECT_NE(port.boundPort(), working);
}

TEST_F(UdpPortTest, CloseReportsWhetherASocketWasOpen) {
    EXPECT_EQ(port.close(), -1);
    ASSERT_TRUE(port.open(0));
    EXPECT_EQ(port.close(), 0);
    EXPECT_EQ(port.close(), -1);
}

TEST_F(UdpPortTest, TheLocalAddressIsNoLoopbackAddress) {
    ASSERT_TRUE(port.open(0));
    EXPECT_NE(port.localAddress()[0], 127) << "a loopback address cannot be answered by a terminal";
}

TEST_F(UdpPortTest, ReceivesOneDatagramWithItsSender) {
    ASSERT_TRUE(port.open(0));
    sendToPort({0x08, 0x01, 0x02, 0x00, 0x00, 0x00, 0x0B, 0x16});
    ASSERT_TRUE(readable());

    std::array<std::uint8_t, 128> buffer{};
    const auto received = port.receive(buffer);
    ASSERT_FALSE(received.error);
    EXPECT_EQ(received.count, 8);
    EXPECT_EQ(buffer[6], 0x0B);
    EXPECT_EQ(received.source, (ostrel::Ipv4Address{127, 0, 0, 1}));
    EXPECT_EQ(received.sourcePort, peer.local_endpoint().port());
}

TEST_F(UdpPortTest, EmptyAndOversizedDatagramsAreRecognisable) {
    ASSERT_TRUE(port.open(0));
    std::array<std::uint8_t, 128> buffer{};

    sendToPort({});
    ASSERT_TRUE(readable());
    EXPECT_EQ(port.receive(buffer).count, 0);

    sendToPort(std::vector<std::uint8_t>(300, 0xAA));
    ASSERT_TRUE(readable());
    EXPECT_EQ(port.receive(buffer).count, 300) << "the real size, so the caller can drop it";

    const auto nothing = port.receive(buffer);
    EXPECT_EQ(nothing.count, -1);
    EXPECT_EQ(nothing.error, asio::error::would_block);
}

TEST_F(UdpPortTest, SendsToAnAddress) {
    ASSERT_TRUE(port.open(0));
    const std::vector<std::uint8_t> frame{0xFF, 0x01, 0x02, 0x03, 0x00};
    port.send(frame, {127, 0, 0, 1}, peer.local_endpoint().port());

    std::array<std::uint8_t, 16> buffer{};
    udp::endpoint from;
    EXPECT_EQ(peer.receive_from(asio::buffer(buffer), from), 5u);
    EXPECT_EQ(from.port(), port.boundPort());
    EXPECT_EQ(buffer[3], 0x03);
}
