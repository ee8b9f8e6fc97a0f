// The fake boot loader itself, driven by hand from the slave side of the pty. Its scripted
// answers and the image it rebuilds are exercised through the transport's tests.
#include "bootloader.h"
#include "ptypair.h"
#include "tolmibuscodec.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace fprn::tolmibus;
using fprn::emu::BootAction;
using fprn::emu::FakeBootLoader;

namespace {

speed_t SpeedOf(unsigned baud) {
    switch (baud) {
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    default:
        return B115200;
    }
}

// The side the transport would hold: the slave, opened and set like a serial port.
class Slave {
public:
    explicit Slave(const std::string& path) {
        fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
        SetRate(9600);
    }
    ~Slave() { close(fd_); }
    void SetRate(unsigned baud) {
        termios t{};
        tcgetattr(fd_, &t);
        cfsetispeed(&t, SpeedOf(baud));
        cfsetospeed(&t, SpeedOf(baud));
        tcsetattr(fd_, TCSANOW, &t);
    }
    void Send(const std::string& bytes) {
        ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void Send(const Packet& p) {
        Wire w = EncodePacket(p);
        Send(std::string(reinterpret_cast<const char*>(w.data()), w.size()));
    }
    // What arrives until nothing more comes for `quietMs`.
    std::string Receive(int quietMs = 100) {
        std::string out;
        char buf[1024];
        pollfd p{fd_, POLLIN, 0};
        while (poll(&p, 1, quietMs) > 0) {
            ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, static_cast<std::size_t>(n));
        }
        return out;
    }

private:
    int fd_ = -1;
};

Packet MakePacket(std::uint8_t command, std::uint16_t number, std::uint8_t fill = 0) {
    Packet p{};
    p[0] = command;
    SetPacketNumber(p, number);
    for (std::size_t i = 0; i < DataSize; ++i)
        p[DataOffset + i] = static_cast<std::uint8_t>(fill + i);
    StoreSum(p);
    return p;
}

Packet Logon(int rateOrdinal) {
    Packet p = MakePacket(CmdLogon, 1);
    p.fill(0);
    p[0] = CmdLogon;
    SetPacketNumber(p, 1);
    p[13] = static_cast<std::uint8_t>(rateOrdinal);
    StoreSum(p);
    return p;
}

class BootLoaderTest : public ::testing::Test {
protected:
    fprn::test::PtyPair pty;
    Slave slave{pty.slavePath()};
};

} // namespace

// The loader judges the line rate by reading the slave's settings through the master.
TEST_F(BootLoaderTest, MasterSeesTheSlaveRate) {
    for (unsigned rate : {4800u, 9600u, 19200u, 38400u, 57600u, 115200u}) {
        slave.SetRate(rate);
        termios t{};
        ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
        EXPECT_EQ(cfgetospeed(&t), SpeedOf(rate)) << rate;
    }
}

TEST_F(BootLoaderTest, LogonOnlyAtItsRateThenMovesToTheNamedRate) {
    FakeBootLoader loader(pty.master(), 38400);
    loader.Start();
    slave.SetRate(9600);
    slave.Send(Logon(4));
    EXPECT_EQ(slave.Receive(), "");
    slave.SetRate(38400);
    slave.Send(Logon(4));
    EXPECT_EQ(slave.Receive(), "\x02");
    EXPECT_EQ(loader.Rate(), 115200u);
    auto packets = loader.Packets();
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_FALSE(packets[0].rateOk);
    EXPECT_EQ(packets[0].rate, 9600u);
    EXPECT_TRUE(packets[1].rateOk);
    // Still at 38400 the next packet is garbage to it.
    slave.Send(MakePacket(CmdProgram, 0));
    EXPECT_EQ(slave.Receive(), "");
    slave.SetRate(115200);
    slave.Send(MakePacket(CmdProgram, 0));
    EXPECT_EQ(slave.Receive(), "\x02");
    EXPECT_EQ(loader.StartNumber(), 0);
}

TEST_F(BootLoaderTest, CountsWakeUpBursts) {
    FakeBootLoader loader(pty.master());
    loader.Start();
    slave.Send(std::string(63, '\x66') + "\xFF");
    slave.Send(std::string(64, '\x66'));
    slave.Send(std::string(64, '\x66'));
    loader.WaitQuiet(50, 2000);
    EXPECT_EQ(loader.WakeUpBursts(), 2);
    EXPECT_EQ(loader.Received().size(), 64u + 128u);
}

TEST_F(BootLoaderTest, StopsPromptlyWhileIdleAndWhileSilent) {
    FakeBootLoader loader(pty.master());
    loader.SetSilent(true);
    loader.Start();
    slave.Send(Logon(0));
    EXPECT_TRUE(loader.WaitForPackets(1, 2000));
    EXPECT_EQ(slave.Receive(50), "");
    auto t0 = std::chrono::steady_clock::now();
    loader.Stop();
    loader.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
}
