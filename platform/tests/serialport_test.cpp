#include <array>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <termios.h>

#include "event.h"
#include "ptypair.h"
#include "serialport.h"

namespace fprn::plat {
namespace {

using std::chrono::milliseconds;

TEST(ResolvePortName, MapsComNamesPathsAndTheEnvironment) {
    // {FPRN_COM2 ("-" for unset), name, expected}
    const std::array<const char*, 3> cases[] = {{"-", "COM1", "/dev/ttyS0"},
                                                {"-", "COM2", "/dev/ttyS1"},
                                                {"-", "com10", "/dev/ttyS9"},
                                                {"-", "/dev/pts/7", "/dev/pts/7"},
                                                {"-", "./COM2", "./COM2"},
                                                {"-", "COM0", "COM0"},
                                                {"-", "COM", "COM"},
                                                {"-", "COM2x", "COM2x"},
                                                {"-", "ttyUSB0", "ttyUSB0"},
                                                {"/dev/pts/42", "COM2", "/dev/pts/42"},
                                                {"/dev/pts/42", "COM3", "/dev/ttyS2"},
                                                {"", "COM2", "/dev/ttyS1"}};
    unsetenv("FPRN_COM3");
    for (auto [env, name, expected] : cases) {
        if (std::string(env) == "-")
            unsetenv("FPRN_COM2");
        else
            setenv("FPRN_COM2", env, 1);
        EXPECT_EQ(ResolvePortName(name), expected) << name << " with " << env;
    }
    unsetenv("FPRN_COM2");
}

TEST(SerialSettings, TermiosCarriesFramingAndParityCheck) {
    // A pty keeps 8 bits without parity whatever is asked, so these are judged on termios.
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
            s.parityCheck = parity != SerialParity::None;
            s.stopBits = size == 5 ? SerialStopBits::OneAndHalf : SerialStopBits::One;
            s.rts = size == 7 ? ModemLine::Handshake : ModemLine::On;
            termios t{};
            ToTermios(s, t);
            EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), parityBits) << size;
            EXPECT_EQ(t.c_cflag & CSIZE, sizeBits);
            EXPECT_EQ((t.c_cflag & CSTOPB) != 0, size == 5) << "one and a half goes as two";
            EXPECT_EQ((t.c_iflag & INPCK) != 0, s.parityCheck);
            EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, size == 7) << "RTS handshake";
            SerialSettings back;
            FromTermios(t, back);
            EXPECT_EQ(back.parity, parity);
            EXPECT_EQ(back.byteSize, size);
            EXPECT_EQ(back.parityCheck, s.parityCheck);
            EXPECT_EQ(back.rts, s.rts);
        }
}

TEST(SerialPort, OpensRawAndAppliesSettingsVisibleOnTheOtherSide) {
    test::PtyPair pty;
    // Start from a cooked line to see that opening makes it raw.
    termios tio{};
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    tio.c_lflag |= ICANON | ECHO;
    tio.c_oflag |= OPOST;
    tio.c_iflag |= ICRNL | IXANY;
    ASSERT_EQ(tcsetattr(pty.master(), TCSANOW, &tio), 0);
    SerialPort port;
    ASSERT_EQ(port.Open(pty.slavePath()), SerialOpenError::None);
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));

    SerialSettings s;
    s.baudRate = 19200;
    s.xonXoffOut = true;
    s.xonXoffIn = true;
    s.xoffChar = 0x02;
    s.ctsFlow = true;
    ASSERT_TRUE(port.Apply(s));
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B19200);
    EXPECT_EQ(cfgetispeed(&tio), B19200);
    EXPECT_EQ(tio.c_iflag & (ICRNL | IXANY), 0u);
    EXPECT_NE(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(tio.c_cc[VSTOP], 0x02);
    EXPECT_EQ(tio.c_cc[VMIN], 1);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
    SerialSettings back;
    ASSERT_TRUE(port.Read(back));
    EXPECT_EQ(back.baudRate, 19200u);
    EXPECT_TRUE(back.xonXoffOut && back.xonXoffIn && back.ctsFlow);
    EXPECT_EQ(back.xoffChar, 0x02);

    // Taken off again; a rate without a termios code keeps the line's rate.
    SerialSettings plain;
    plain.baudRate = 12345;
    ASSERT_TRUE(port.Apply(plain));
    ASSERT_EQ(tcgetattr(pty.master(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B19200);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
}

TEST(SerialPort, ReadsWritesAndPurgesBothWays) {
    test::PtyPair pty;
    SerialPort port;
    Event stop;
    ASSERT_EQ(port.Open(pty.slavePath()), SerialOpenError::None);
    const std::string out("\x00\x11\x13\xffout", 7);
    ASSERT_EQ(port.WriteAll(out.data(), out.size(), stop.Fd()), IoStatus::Ok);
    EXPECT_EQ(port.Drain(stop.Fd()), IoStatus::Ok);
    EXPECT_EQ(pty.read(out.size(), milliseconds(2000)), out);

    // Unread input is gone after a purge.
    ASSERT_TRUE(pty.write("old"));
    pollfd p{port.Fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    port.Purge(true, false);
    const std::string sent("\x00\xffhello", 7);
    ASSERT_TRUE(pty.write(sent));
    std::string in;
    char buffer[4];
    while (in.size() < sent.size()) {
        std::size_t got = 0;
        ASSERT_EQ(port.ReadSome(buffer, sizeof buffer, got, stop.Fd()), IoStatus::Ok);
        EXPECT_LE(got, sizeof buffer);
        in.append(buffer, got);
    }
    EXPECT_EQ(in, sent);
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
    SerialCounters counters;
    EXPECT_FALSE(port.ReadCounters(counters)); // a pty counts nothing
}

TEST(SerialPort, CountersMapToLineErrorAndModemMasks) {
    const struct {
        SerialCounters after;
        std::uint32_t errors, modem;
    } cases[] = {{{}, 0, 0},
                 {{.frame = 1, .parity = 3}, 0x8 | 0x4, 0},
                 {{.overrun = 1, .brk = 2, .bufOverrun = 1}, 0x1 | 0x2 | 0x10, 0},
                 {{.dcd = 1, .rng = 1}, 0, 8 | 4}};
    for (const auto& c : cases) {
        SerialEvents e = CompareCounters(SerialCounters{}, c.after);
        EXPECT_EQ(e.errors, c.errors) << "expected errors " << c.errors;
        EXPECT_EQ(e.modem, c.modem) << "expected modem " << c.modem;
    }
}

} // namespace
} // namespace fprn::plat
