#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "event.h"
#include "ptypair.h"
#include "serialport.h"

namespace fprn::plat {
namespace {

using std::chrono::milliseconds;

TEST(ResolvePortName, MapsComNamesPathsAndTheEnvironment) {
    unsetenv("FPRN_COM2");
    unsetenv("FPRN_COM10");
    EXPECT_EQ(ResolvePortName("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortName("COM2"), "/dev/ttyS1");
    EXPECT_EQ(ResolvePortName("com10"), "/dev/ttyS9");
    EXPECT_EQ(ResolvePortName("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(ResolvePortName("./COM2"), "./COM2");
    EXPECT_EQ(ResolvePortName("COM0"), "COM0");
    EXPECT_EQ(ResolvePortName("COM"), "COM");
    EXPECT_EQ(ResolvePortName("COM2x"), "COM2x");
    EXPECT_EQ(ResolvePortName("ttyUSB0"), "ttyUSB0");

    setenv("FPRN_COM2", "/dev/pts/42", 1);
    EXPECT_EQ(ResolvePortName("COM2"), "/dev/pts/42");
    EXPECT_EQ(ResolvePortName("COM3"), "/dev/ttyS2");
    setenv("FPRN_COM2", "", 1);
    EXPECT_EQ(ResolvePortName("COM2"), "/dev/ttyS1");
    unsetenv("FPRN_COM2");
}

TEST(SerialPort, OpenFailsForWhatIsNoSerialDevice) {
    SerialPort port;
    EXPECT_EQ(port.Open("/nonexistent/ttyX"), SerialOpenError::CannotOpen);
    EXPECT_FALSE(port.IsOpen());

    char path[] = "/tmp/fprn_serialXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(port.Open(path), SerialOpenError::NotCharDevice);
    EXPECT_FALSE(port.IsOpen());
    // The failed open let go of its lock.
    fd = open(path, O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    close(fd);
    unlink(path);

    EXPECT_EQ(port.Open("/dev/null"), SerialOpenError::NotTerminal);
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, SecondOpenerIsRefusedUntilTheFirstCloses) {
    test::PtyPair pty;
    SerialPort first;
    SerialPort second;
    ASSERT_EQ(first.Open(pty.slavePath()), SerialOpenError::None);
    EXPECT_EQ(second.Open(pty.slavePath()), SerialOpenError::CannotOpen);
    first.Close();
    EXPECT_EQ(second.Open(pty.slavePath()), SerialOpenError::None);
}

TEST(SerialSettings, TermiosCarriesEveryFramingAndFlowSetting) {
    termios tio{};
    tio.c_lflag = ICANON | ECHO | ISIG;
    tio.c_oflag = OPOST;
    tio.c_iflag = ICRNL | IXANY;
    cfsetospeed(&tio, B300);

    const std::pair<SerialParity, tcflag_t> parities[] = {
        {SerialParity::None, 0},
        {SerialParity::Odd, PARENB | PARODD},
        {SerialParity::Even, PARENB},
        {SerialParity::Mark, PARENB | PARODD | CMSPAR},
        {SerialParity::Space, PARENB | CMSPAR},
    };
    const std::pair<int, tcflag_t> sizes[] = {{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}};
    for (auto [parity, parityBits] : parities)
        for (auto [size, sizeBits] : sizes) {
            SerialSettings s;
            s.parity = parity;
            s.byteSize = size;
            termios t = tio;
            ToTermios(s, t);
            EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), parityBits);
            EXPECT_EQ(t.c_cflag & CSIZE, sizeBits);
            EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
            EXPECT_EQ(t.c_oflag & OPOST, 0u);
            EXPECT_EQ(t.c_iflag & (ICRNL | IXANY), 0u);
            SerialSettings back;
            FromTermios(t, back);
            EXPECT_EQ(back.parity, parity);
            EXPECT_EQ(back.byteSize, size);
        }

    SerialSettings s;
    s.baudRate = 115200;
    s.stopBits = SerialStopBits::OneAndHalf;
    s.parityCheck = true;
    s.xonXoffOut = true;
    s.xonXoffIn = true;
    s.xonChar = 0x01;
    s.xoffChar = 0x02;
    s.rts = ModemLine::Handshake;
    termios t = tio;
    ToTermios(s, t);
    EXPECT_EQ(cfgetospeed(&t), B115200);
    EXPECT_EQ(cfgetispeed(&t), B115200);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_NE(t.c_cflag & CREAD, 0u);
    EXPECT_EQ(t.c_iflag & (INPCK | IXON | IXOFF), static_cast<tcflag_t>(INPCK | IXON | IXOFF));
    EXPECT_EQ(t.c_cc[VSTART], 0x01);
    EXPECT_EQ(t.c_cc[VSTOP], 0x02);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    SerialSettings back;
    FromTermios(t, back);
    EXPECT_EQ(back.baudRate, 115200u);
    EXPECT_EQ(back.stopBits, SerialStopBits::Two);
    EXPECT_TRUE(back.parityCheck);
    EXPECT_TRUE(back.ctsFlow);
    EXPECT_EQ(back.rts, ModemLine::Handshake);
    EXPECT_TRUE(back.xonXoffOut);
    EXPECT_TRUE(back.xonXoffIn);

    // Taken off again, and a rate without a termios code keeps the line's rate.
    s = SerialSettings{};
    s.baudRate = 12345;
    ToTermios(s, t);
    EXPECT_EQ(cfgetospeed(&t), B115200);
    EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (INPCK | IXON | IXOFF), 0u);
}

TEST(SerialPort, OpensRawAndAppliesSettingsVisibleOnTheOtherSide) {
    test::PtyPair pty;
    // Start from a cooked line to see that opening makes it raw.
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    tio.c_lflag |= ICANON | ECHO;
    tio.c_oflag |= OPOST;
    ASSERT_EQ(tcsetattr(pty.master(), TCSANOW, &tio), 0);

    SerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath()), SerialOpenError::None);
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);

    // A pty keeps 8 bits without parity whatever is asked; the rest shows.
    SerialSettings s;
    s.baudRate = 19200;
    s.stopBits = SerialStopBits::Two;
    s.xonXoffOut = true;
    s.xonXoffIn = true;
    s.xoffChar = 0x02;
    s.ctsFlow = true;
    ASSERT_TRUE(port.Apply(s));
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B19200);
    EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
    EXPECT_NE(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(tio.c_cc[VSTOP], 0x02);

    SerialSettings back;
    ASSERT_TRUE(port.Read(back));
    EXPECT_EQ(back.baudRate, 19200u);
    EXPECT_TRUE(back.xonXoffOut);
    EXPECT_EQ(back.xoffChar, 0x02);

    ASSERT_TRUE(port.Apply(SerialSettings{}));
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(tio.c_cflag & (CSTOPB | CRTSCTS), 0u);
}

TEST(SerialPort, ReadsAndWritesBothWays) {
    test::PtyPair pty;
    SerialPort port;
    Event stop;
    ASSERT_EQ(port.Open(pty.slavePath()), SerialOpenError::None);
    std::string out(3000, '\0');
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(i * 7);
    ASSERT_EQ(port.WriteAll(out.data(), out.size(), stop.Fd()), IoStatus::Ok);
    EXPECT_EQ(port.Drain(stop.Fd()), IoStatus::Ok);
    EXPECT_EQ(pty.read(out.size(), milliseconds(2000)), out);

    ASSERT_TRUE(pty.write(std::string("\x00\xffhello", 7)));
    std::string in;
    char buffer[4];
    while (in.size() < 7) {
        std::size_t got = 0;
        ASSERT_EQ(port.ReadSome(buffer, sizeof buffer, got, stop.Fd()), IoStatus::Ok);
        EXPECT_LE(got, sizeof buffer);
        in.append(buffer, got);
    }
    EXPECT_EQ(in, std::string("\x00\xffhello", 7));
}

TEST(SerialPort, WaitsEndWhenTheStopEventIsSet) {
    test::PtyPair pty;
    SerialPort port;
    Event stop;
    ASSERT_EQ(port.Open(pty.slavePath()), SerialOpenError::None);

    IoStatus readStatus = IoStatus::Ok;
    IoStatus writeStatus = IoStatus::Ok;
    std::thread reader([&] {
        char buffer[16];
        std::size_t got;
        readStatus = port.ReadSome(buffer, sizeof buffer, got, stop.Fd());
    });
    // Nobody reads the other side, so this fills the line and then waits for room.
    std::string big(1 << 20, 'x');
    std::thread writer([&] { writeStatus = port.WriteAll(big.data(), big.size(), stop.Fd()); });
    // Wait until the writer is held: the other side holds all it can take.
    std::string taken = pty.read(1, milliseconds(5000));
    EXPECT_EQ(taken, "x");
    EXPECT_FALSE(stop.IsSet());
    stop.Set();
    EXPECT_TRUE(stop.IsSet());
    reader.join();
    writer.join();
    EXPECT_EQ(readStatus, IoStatus::Stopped);
    EXPECT_EQ(writeStatus, IoStatus::Stopped);
    stop.Reset();
    EXPECT_FALSE(stop.IsSet());
}

TEST(SerialPort, OtherSideClosingIsAHangUp) {
    std::optional<test::PtyPair> pty;
    pty.emplace();
    SerialPort port;
    Event stop;
    ASSERT_EQ(port.Open(pty->slavePath()), SerialOpenError::None);
    pty.reset();
    char buffer[16];
    std::size_t got = 0;
    EXPECT_EQ(port.ReadSome(buffer, sizeof buffer, got, stop.Fd()), IoStatus::HangUp);
    EXPECT_EQ(port.WriteAll("x", 1, stop.Fd()), IoStatus::HangUp);
}

TEST(SerialPort, PurgeDiscardsUnreadInput) {
    test::PtyPair pty;
    SerialPort port;
    Event stop;
    ASSERT_EQ(port.Open(pty.slavePath()), SerialOpenError::None);
    ASSERT_TRUE(pty.write("old"));
    // Let the bytes reach the port before purging them.
    pollfd p{port.Fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    port.Purge(true, false);
    ASSERT_TRUE(pty.write("new"));
    char buffer[16];
    std::size_t got = 0;
    ASSERT_EQ(port.ReadSome(buffer, sizeof buffer, got, stop.Fd()), IoStatus::Ok);
    EXPECT_EQ(std::string(buffer, got), "new");
}

TEST(SerialPort, CountersMapToLineErrorAndModemMasks) {
    SerialCounters a;
    SerialCounters b = a;
    EXPECT_EQ(CompareCounters(a, b).errors, 0u);
    EXPECT_EQ(CompareCounters(a, b).modem, 0u);
    b.frame = 1;
    b.parity = 3;
    EXPECT_EQ(CompareCounters(a, b).errors, 0x8u | 0x4u);
    b = a;
    b.overrun = 1;
    b.bufOverrun = 1;
    b.brk = 2;
    EXPECT_EQ(CompareCounters(a, b).errors, 0x1u | 0x2u | 0x10u);
    EXPECT_EQ(CompareCounters(a, b).modem, 0u);
    b = a;
    b.dcd = 1;
    b.rng = 1;
    EXPECT_EQ(CompareCounters(a, b).modem, 12u);
    EXPECT_EQ(CompareCounters(a, b).errors, 0u);

    test::PtyPair pty;
    SerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath()), SerialOpenError::None);
    SerialCounters counters;
    EXPECT_FALSE(port.ReadCounters(counters)); // a pty counts nothing
}

} // namespace
} // namespace fprn::plat
