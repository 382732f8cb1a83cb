#include "SerialPort.h"

#include "support/PtyLine.h"

#include <gtest/gtest.h>

using ostrel::SerialPort;
using OpenResult = SerialPort::OpenResult;

namespace {

class SerialPortTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    PtyLine line;
    SerialPort port;
};

} // namespace

TEST(SerialPortPath, DeviceLinkInWorkingFolderWinsOverSystemDevice) {
    ScratchFolder folder;
    EXPECT_EQ(SerialPort::devicePath(3), "/dev/ttyS2");
    std::filesystem::create_directories("dev");
    std::filesystem::create_symlink("/nonexistent/tty", "dev/COM3");
    EXPECT_EQ(SerialPort::devicePath(3), "dev/COM3"); // a dangling link still names the port
    EXPECT_EQ(SerialPort::devicePath(10), "/dev/ttyS9");
}

TEST_F(SerialPortTest, OpensOnceAndCountsASecondOpenAsSuccess) {
    line.linkAs(3);
    ASSERT_EQ(port.open(3, 9600), OpenResult::Opened);
    // With the link gone a real reopen would fail; the open port is simply kept.
    std::filesystem::remove("dev/COM3");
    EXPECT_EQ(port.open(3, 9600), OpenResult::AlreadyOpen);
    EXPECT_TRUE(port.isOpen());
}

TEST_F(SerialPortTest, MissingDeviceOrUnsupportedRateFailsAndCanBeRetried) {
    std::filesystem::create_directories("dev");
    std::filesystem::create_symlink("/nonexistent/tty", "dev/COM9");
    EXPECT_EQ(port.open(9, 9600), OpenResult::Failed);
    EXPECT_FALSE(port.isOpen());

    line.linkAs(4);
    EXPECT_EQ(port.open(4, 12345), OpenResult::Failed);
    EXPECT_EQ(port.open(4, 9600), OpenResult::Opened);
}

TEST_F(SerialPortTest, ANonTerminalDeviceIsRefused) {
    std::filesystem::create_directories("dev");
    std::filesystem::create_symlink("/dev/null", "dev/COM5");
    EXPECT_EQ(port.open(5, 9600), OpenResult::Failed);
}

TEST_F(SerialPortTest, ReadTakesWhatIsQueuedUpToTheCapacity) {
    line.linkAs(1);
    ASSERT_EQ(port.open(1, 9600), OpenResult::Opened);

    std::array<std::uint8_t, 128> buffer{};
    EXPECT_EQ(port.read(buffer).count, 0) << "nothing queued";

    std::vector<std::uint8_t> sent(200);
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<std::uint8_t>(i);
    line.send(sent);
    ASSERT_TRUE(line.waitQueued(200));

    ASSERT_EQ(port.read(buffer).count, 128);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[127], 127);
    ASSERT_EQ(port.read(buffer).count, 72);
    EXPECT_EQ(buffer[0], 128);
    EXPECT_EQ(buffer[71], 199);
    EXPECT_EQ(port.read(buffer).count, 0);
}

TEST_F(SerialPortTest, WritesReachTheLineAndEmptyOrClosedWritesReturnZero) {
    const std::vector<std::uint8_t> frame{0x01, 0x02, 0x05, 0x16, 0xE1};
    EXPECT_EQ(port.write(frame), 0) << "closed port";

    line.linkAs(2);
    ASSERT_EQ(port.open(2, 9600), OpenResult::Opened);
    EXPECT_EQ(port.write({}), 0);
    EXPECT_EQ(port.write(frame), 5);
    EXPECT_EQ(line.receive(5), frame);

    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.write(frame), 0);
    std::array<std::uint8_t, 8> buffer{};
    EXPECT_EQ(port.read(buffer).count, 0);
    EXPECT_FALSE(port.read(buffer).lineLost) << "closed on purpose, not lost";
}

// A pulled adapter: the line is closed at the first read that meets the hang-up, reported lost once, and
// the next open finds the device that is now behind the link.
TEST_F(SerialPortTest, AHungUpLineIsReportedLostOnceAndOpenedAfresh) {
    line.linkAs(6);
    port.setReceiving(true);
    ASSERT_EQ(port.open(6, 9600), OpenResult::Opened);
    line.releaseSlave();
    line.hangUp();
    std::array<std::uint8_t, 128> buffer{};
    const auto lost = port.read(buffer);
    EXPECT_TRUE(lost.lineLost);
    EXPECT_EQ(lost.count, 0);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.isReceiving()) << "nothing to poll until it is started again";
    EXPECT_FALSE(port.read(buffer).lineLost) << "reported once";
    EXPECT_EQ(port.write(std::vector<std::uint8_t>{1, 2, 3}), 0);

    PtyLine replugged;
    replugged.linkAs(6);
    ASSERT_EQ(port.open(6, 9600), OpenResult::Opened);
    replugged.releaseSlave();
    replugged.send({0x42});
    EXPECT_TRUE(waitUntil([&] { return port.read(buffer).count == 1; }));
    EXPECT_EQ(buffer[0], 0x42);
}

// Nobody read the line since it hung up: opening it again must not keep the dead descriptor.
TEST_F(SerialPortTest, OpeningALineThatHungUpUnreadOpensItAfresh) {
    line.linkAs(7);
    ASSERT_EQ(port.open(7, 9600), OpenResult::Opened);
    line.releaseSlave();
    line.hangUp();
    PtyLine replugged;
    replugged.linkAs(7);
    EXPECT_EQ(port.open(7, 9600), OpenResult::Opened);
    replugged.releaseSlave();
    EXPECT_EQ(port.write(std::vector<std::uint8_t>{7, 8}), 2);
    EXPECT_EQ(replugged.receive(2), (std::vector<std::uint8_t>{7, 8}));
}

TEST_F(SerialPortTest, AWriteToAHungUpLineEndsIt) {
    line.linkAs(8);
    port.setReceiving(true);
    ASSERT_EQ(port.open(8, 9600), OpenResult::Opened);
    line.releaseSlave();
    line.hangUp();
    EXPECT_EQ(port.write(std::vector<std::uint8_t>{1, 2, 3}), 3) << "returns at once, without waiting";
    EXPECT_FALSE(port.isOpen());
    std::array<std::uint8_t, 8> buffer{};
    EXPECT_TRUE(port.read(buffer).lineLost) << "the next read tells the receive pass";
}
