#include "SerialPort.h"

#include "support/PtyLine.h"

#include <gtest/gtest.h>

using ostrel::SerialPort;

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
    ASSERT_TRUE(port.open(3, 9600));
    // With the link gone a real reopen would fail; the open port is simply kept.
    std::filesystem::remove("dev/COM3");
    EXPECT_TRUE(port.open(3, 9600));
    EXPECT_TRUE(port.isOpen());
}

TEST_F(SerialPortTest, MissingDeviceOrUnsupportedRateFailsAndCanBeRetried) {
    std::filesystem::create_directories("dev");
    std::filesystem::create_symlink("/nonexistent/tty", "dev/COM9");
    EXPECT_FALSE(port.open(9, 9600));
    EXPECT_FALSE(port.isOpen());

    line.linkAs(4);
    EXPECT_FALSE(port.open(4, 12345));
    EXPECT_TRUE(port.open(4, 9600));
}

TEST_F(SerialPortTest, ANonTerminalDeviceIsRefused) {
    std::filesystem::create_directories("dev");
    std::filesystem::create_symlink("/dev/null", "dev/COM5");
    EXPECT_FALSE(port.open(5, 9600));
}

TEST_F(SerialPortTest, ReadTakesWhatIsQueuedUpToTheCapacity) {
    line.linkAs(1);
    ASSERT_TRUE(port.open(1, 9600));

    std::array<std::uint8_t, 128> buffer{};
    EXPECT_EQ(port.read(buffer), 0) << "nothing queued";

    std::vector<std::uint8_t> sent(200);
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<std::uint8_t>(i);
    line.send(sent);
    ASSERT_TRUE(line.waitQueued(200));

    ASSERT_EQ(port.read(buffer), 128);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[127], 127);
    ASSERT_EQ(port.read(buffer), 72);
    EXPECT_EQ(buffer[0], 128);
    EXPECT_EQ(buffer[71], 199);
    EXPECT_EQ(port.read(buffer), 0);
}

TEST_F(SerialPortTest, WritesReachTheLineAndEmptyOrClosedWritesReturnZero) {
    const std::vector<std::uint8_t> frame{0x01, 0x02, 0x05, 0x16, 0xE1};
    EXPECT_EQ(port.write(frame), 0) << "closed port";

    line.linkAs(2);
    ASSERT_TRUE(port.open(2, 9600));
    EXPECT_EQ(port.write({}), 0);
    EXPECT_EQ(port.write(frame), 5);
    EXPECT_EQ(line.receive(5), frame);

    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.write(frame), 0);
    std::array<std::uint8_t, 8> buffer{};
    EXPECT_EQ(port.read(buffer), 0);
}

TEST_F(SerialPortTest, AHungUpLineReadsAndWritesWithoutBlocking) {
    line.linkAs(6);
    ASSERT_TRUE(port.open(6, 9600));
    line.releaseSlave();
    line.hangUp();
    std::array<std::uint8_t, 128> buffer{};
    EXPECT_EQ(port.read(buffer), 0);
    // Lost bytes are not reported: the missing reply tells the sender.
    EXPECT_EQ(port.write(std::vector<std::uint8_t>{1, 2, 3}), 3);
}
