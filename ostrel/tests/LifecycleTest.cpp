// The lifecycle exports over real loopback sockets and pseudo-terminals.
#include "OstrelContext.h"
#include "SerialPort.h"
#include "ostrel/ostrel.h"
#include "support/FreeUdpPort.h"
#include "support/PtyLine.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using asio::ip::udp;
using ostrel::Pass;

namespace {

class LifecycleTest : public ::testing::Test {
protected:
    ~LifecycleTest() override {
        if (context)
            Quit_Ostrel(context);
        for (auto& port : ostrel::serialPorts())
            port.close();
    }

    OstrelContext* init() { return context = Init_Ostrel(this, &callbacks); }

    template <class Job> auto inspect(Job job) {
        return context->onWorker([&] { return job(*context); });
    }
    int startTimersHandled() {
        return inspect([](const OstrelContext& c) { return c.startTimersHandled(); });
    }
    bool passRunning(Pass pass) {
        return inspect([pass](const OstrelContext& c) { return c.core().isRunning(pass); });
    }

    ScratchFolder folder;
    OstrelCallbacks callbacks{};
    OstrelContext* context = nullptr;
};

} // namespace

TEST_F(LifecycleTest, NullArgumentsAreRefusedWithoutHarm) {
    EXPECT_EQ(Init_Ostrel(this, nullptr), nullptr);
    EXPECT_FALSE(Start_Ostrel(nullptr, 6000, 1000, 3));
    EXPECT_FALSE(Start_Translib(nullptr, "127.0.0.1", 0, 7000));
    EXPECT_EQ(Stop_Ostrel(nullptr), -1);
    Quit_Ostrel(nullptr);
}

TEST_F(LifecycleTest, TimersStartOnceForSerialAndUdpStarts) {
    PtyLine line;
    line.linkAs(1);
    ASSERT_NE(init(), nullptr);
    EXPECT_EQ(startTimersHandled(), 0) << "no timer before the first port";

    ASSERT_TRUE(Start_Ostrel(context, 1, 1000, 3));
    ASSERT_TRUE(Start_Ostrel(context, 0, 800, 5));
    EXPECT_EQ(startTimersHandled(), 1);
    EXPECT_TRUE(passRunning(Pass::SendPump));
    EXPECT_TRUE(passRunning(Pass::SerialReceive));
    EXPECT_EQ(inspect([](const OstrelContext& c) { return c.core().retryLimit(); }), 5)
        << "the second start overwrites the stored pair";
    EXPECT_NE(inspect([](const OstrelContext& c) { return c.udpPort().boundPort(); }), 0)
        << "port 0 binds a port the system chose";
}

TEST_F(LifecycleTest, TheSameSerialPortTwiceOpensTheDeviceOnce) {
    PtyLine line;
    line.linkAs(3);
    ASSERT_NE(init(), nullptr);
    ASSERT_TRUE(Start_Ostrel(context, 3, 1000, 3));
    std::filesystem::remove("dev/COM3");
    EXPECT_TRUE(Start_Ostrel(context, 3, 1000, 3));
    EXPECT_EQ(startTimersHandled(), 1);
}

TEST_F(LifecycleTest, FailedStartsReturnFalseAndStartNoTimers) {
    std::filesystem::create_directories("dev");
    std::filesystem::create_symlink("/nonexistent/tty", "dev/COM7");
    asio::io_context io;
    udp::socket holder(io, udp::endpoint(udp::v4(), 0));

    ASSERT_NE(init(), nullptr);
    EXPECT_FALSE(Start_Ostrel(context, 7, 1000, 3)) << "a COM port without a device";
    EXPECT_FALSE(Start_Ostrel(context, holder.local_endpoint().port(), 1000, 3)) << "a UDP port in use";
    EXPECT_EQ(startTimersHandled(), 0);
    EXPECT_FALSE(passRunning(Pass::CountDown));
}

TEST_F(LifecycleTest, UdpPortNumbersAboveSixteenBitsUseTheirLowBits) {
    const auto port = static_cast<std::uint16_t>(freeUdpPort());
    ASSERT_NE(init(), nullptr);
    ASSERT_TRUE(Start_Ostrel(context, 0x10000 + port, 1000, 3));
    EXPECT_EQ(inspect([](const OstrelContext& c) { return c.udpPort().boundPort(); }), port);
}

TEST_F(LifecycleTest, StopEndsSendingOnlyAndClosesTheSocket) {
    PtyLine line;
    line.linkAs(2);
    ASSERT_NE(init(), nullptr);
    ASSERT_TRUE(Start_Ostrel(context, 2, 1000, 3));
    ASSERT_TRUE(Start_Ostrel(context, 0, 1000, 3));
    line.releaseSlave();

    EXPECT_EQ(Stop_Ostrel(context), 0);
    EXPECT_EQ(Stop_Ostrel(context), -1) << "nothing left to close";
    EXPECT_FALSE(passRunning(Pass::SendPump));
    EXPECT_TRUE(passRunning(Pass::CountDown));
    EXPECT_TRUE(passRunning(Pass::ExpiryScan));
    EXPECT_TRUE(passRunning(Pass::SerialReceive));
    EXPECT_FALSE(inspect([](const OstrelContext& c) { return c.udpPort().isOpen(); }));

    // The serial receive pass still runs on the worker's 100 ms tick: the start of a frame is collected.
    line.send({1, 2, 9, 0xF1});
    EXPECT_TRUE(waitUntil(
        [&] { return inspect([](const OstrelContext& c) { return c.core().serialInput(1).size(); }) == 4; }));
}

TEST_F(LifecycleTest, QuitWaitsForTheThreadAndReleasesTheSocket) {
    const auto port = static_cast<std::uint16_t>(freeUdpPort());
    ASSERT_NE(init(), nullptr);
    ASSERT_TRUE(Start_Ostrel(context, port, 1000, 3));

    const auto begin = std::chrono::steady_clock::now();
    Quit_Ostrel(context);
    context = nullptr;
    EXPECT_GE(std::chrono::steady_clock::now() - begin, 200ms);

    asio::io_context io;
    udp::socket again(io, udp::v4());
    std::error_code error;
    again.bind(udp::endpoint(udp::v4(), port), error);
    EXPECT_FALSE(error) << "the port is free again after Quit_Ostrel";
}

TEST_F(LifecycleTest, ANewContextAfterQuitStartsItsTimersAgainOnAnOpenSerialPort) {
    PtyLine line;
    line.linkAs(5);
    ASSERT_NE(init(), nullptr);
    ASSERT_TRUE(Start_Ostrel(context, 5, 1000, 3));
    Quit_Ostrel(context);
    context = nullptr;
    EXPECT_TRUE(ostrel::serialPorts()[4].isOpen()) << "serial ports outlive the context";

    ASSERT_NE(init(), nullptr);
    EXPECT_EQ(startTimersHandled(), 0);
    ASSERT_TRUE(Start_Ostrel(context, 5, 1000, 3));
    EXPECT_EQ(startTimersHandled(), 1);
    EXPECT_TRUE(passRunning(Pass::SendPump));
}

TEST_F(LifecycleTest, TranslibAcceptsOnlyADottedAddressThatFits) {
    ASSERT_NE(init(), nullptr);
    EXPECT_FALSE(Start_Translib(context, "not-an-address", 0, 7000));
    EXPECT_FALSE(Start_Translib(context, "192.168.001.010.extra.text.is.too.long", 0, 7000));
    EXPECT_FALSE(Start_Translib(context, nullptr, 0, 7000));
    EXPECT_EQ(inspect([](const OstrelContext& c) { return c.core().forwardPort(); }), 0);

    EXPECT_TRUE(Start_Translib(context, "127.0.0.1", 99, 7000));
    EXPECT_EQ(inspect([](const OstrelContext& c) { return c.core().forwardHost(); }),
              (ostrel::Ipv4Address{127, 0, 0, 1}));
    EXPECT_EQ(inspect([](const OstrelContext& c) { return c.core().forwardPort(); }), 7000);
}
