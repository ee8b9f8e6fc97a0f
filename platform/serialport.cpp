#include "serialport.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace fprn::plat {

std::string ResolvePortName(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    if (name.size() < 4 || name.size() > 12 || strncasecmp(name.c_str(), "COM", 3) != 0)
        return name;
    unsigned long number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return name;
        number = number * 10 + static_cast<unsigned long>(name[i] - '0');
    }
    if (number == 0) return name;
    std::string digits = std::to_string(number);
    if (const char* mapped = std::getenv(("FPRN_COM" + digits).c_str()); mapped && *mapped)
        return mapped;
    return "/dev/ttyS" + std::to_string(number - 1);
}

SerialEvents CompareCounters(const SerialCounters& before, const SerialCounters& after) {
    SerialEvents events;
    if (after.bufOverrun != before.bufOverrun) events.errors |= 0x1;
    if (after.overrun != before.overrun) events.errors |= 0x2;
    if (after.parity != before.parity) events.errors |= 0x4;
    if (after.frame != before.frame) events.errors |= 0x8;
    if (after.brk != before.brk) events.errors |= 0x10;
    if (after.dcd != before.dcd) events.modem |= 8;
    if (after.rng != before.rng) events.modem |= 4;
    return events;
}

namespace {

struct RateEntry {
    std::uint32_t rate;
    speed_t code;
};

constexpr RateEntry kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool RateCode(std::uint32_t rate, speed_t& code) {
    for (const auto& e : kRates)
        if (e.rate == rate) {
            code = e.code;
            return true;
        }
    return false;
}

std::uint32_t RateOf(speed_t code) {
    for (const auto& e : kRates)
        if (e.code == code) return e.rate;
    return 0;
}

void SetModemLine(int fd, int line, ModemLine how) {
    if (how == ModemLine::Handshake && line == TIOCM_RTS) return; // the driver drives it
    unsigned long request = how == ModemLine::Off ? TIOCMBIC : TIOCMBIS;
    int bits = line;
    // A pty has no modem lines; it refuses, and that is fine.
    ioctl(fd, request, &bits);
}

bool WaitFor(int fd, short events, int stopFd, short& revents, bool& stopped) {
    pollfd p[2] = {{stopFd, POLLIN, 0}, {fd, events, 0}};
    for (;;) {
        int r = poll(p, 2, -1);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return false;
        stopped = (p[0].revents & POLLIN) != 0;
        revents = p[1].revents;
        return true;
    }
}

} // namespace

void ToTermios(const SerialSettings& s, termios& tio) {
    cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
    if (s.parityCheck) tio.c_iflag |= INPCK;
    if (s.xonXoffOut) tio.c_iflag |= IXON;
    if (s.xonXoffIn) tio.c_iflag |= IXOFF;

    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    switch (s.byteSize) {
    case 5:
        tio.c_cflag |= CS5;
        break;
    case 6:
        tio.c_cflag |= CS6;
        break;
    case 7:
        tio.c_cflag |= CS7;
        break;
    default:
        tio.c_cflag |= CS8;
        break;
    }
    switch (s.parity) {
    case SerialParity::None:
        break;
    case SerialParity::Odd:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case SerialParity::Even:
        tio.c_cflag |= PARENB;
        break;
    case SerialParity::Mark:
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case SerialParity::Space:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    }
    // With 5-bit bytes a UART sends one and a half stop bits where two are asked for.
    if (s.stopBits != SerialStopBits::One) tio.c_cflag |= CSTOPB;
    if (s.ctsFlow || s.rts == ModemLine::Handshake) tio.c_cflag |= CRTSCTS;
    tio.c_cflag |= CLOCAL | CREAD;

    tio.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;

    speed_t code;
    if (RateCode(s.baudRate, code)) {
        cfsetispeed(&tio, code);
        cfsetospeed(&tio, code);
    }
}

void FromTermios(const termios& tio, SerialSettings& s) {
    s.baudRate = RateOf(cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        s.byteSize = 5;
        break;
    case CS6:
        s.byteSize = 6;
        break;
    case CS7:
        s.byteSize = 7;
        break;
    default:
        s.byteSize = 8;
        break;
    }
    if (!(tio.c_cflag & PARENB))
        s.parity = SerialParity::None;
    else if (tio.c_cflag & CMSPAR)
        s.parity = (tio.c_cflag & PARODD) ? SerialParity::Mark : SerialParity::Space;
    else
        s.parity = (tio.c_cflag & PARODD) ? SerialParity::Odd : SerialParity::Even;
    s.stopBits = (tio.c_cflag & CSTOPB) ? SerialStopBits::Two : SerialStopBits::One;
    s.parityCheck = (tio.c_iflag & INPCK) != 0;
    s.ctsFlow = (tio.c_cflag & CRTSCTS) != 0;
    if (s.ctsFlow) s.rts = ModemLine::Handshake;
    s.xonXoffOut = (tio.c_iflag & IXON) != 0;
    s.xonXoffIn = (tio.c_iflag & IXOFF) != 0;
    s.xonChar = static_cast<char>(tio.c_cc[VSTART]);
    s.xoffChar = static_cast<char>(tio.c_cc[VSTOP]);
}

SerialPort::~SerialPort() {
    Close();
}

SerialOpenError SerialPort::Open(const std::string& name) {
    Close();
    std::string path = ResolvePortName(name);
    int fd;
    while ((fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) < 0 &&
           errno == EINTR) {
    }
    if (fd < 0) return SerialOpenError::CannotOpen;
    // flock holds against a second opener even when both run as root (TIOCEXCL would not).
    int r;
    while ((r = flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (r != 0) {
        ::close(fd);
        return SerialOpenError::CannotOpen;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        ::close(fd);
        return SerialOpenError::NotCharDevice;
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        ::close(fd);
        return SerialOpenError::NotTerminal;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        ::close(fd);
        return SerialOpenError::NotTerminal;
    }
    fd_ = fd;
    return SerialOpenError::None;
}

void SerialPort::Close() {
    // Unsent output would make close() wait for it (up to the driver's closing wait).
    if (fd_ >= 0) tcflush(fd_, TCOFLUSH);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool SerialPort::Apply(const SerialSettings& s) {
    termios tio{};
    if (fd_ < 0 || tcgetattr(fd_, &tio) != 0) return false;
    ToTermios(s, tio);
    int r;
    while ((r = tcsetattr(fd_, TCSANOW, &tio)) != 0 && errno == EINTR) {
    }
    if (r != 0) return false;
    SetModemLine(fd_, TIOCM_DTR, s.dtr);
    SetModemLine(fd_, TIOCM_RTS, s.rts);
    return true;
}

bool SerialPort::Read(SerialSettings& s) const {
    termios tio{};
    if (fd_ < 0 || tcgetattr(fd_, &tio) != 0) return false;
    FromTermios(tio, s);
    int bits = 0;
    if (ioctl(fd_, TIOCMGET, &bits) == 0) {
        s.dtr = (bits & TIOCM_DTR) ? ModemLine::On : ModemLine::Off;
        if (s.rts != ModemLine::Handshake)
            s.rts = (bits & TIOCM_RTS) ? ModemLine::On : ModemLine::Off;
    }
    return true;
}

void SerialPort::Purge(bool input, bool output) {
    if (fd_ < 0 || (!input && !output)) return;
    tcflush(fd_, input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH));
}

IoStatus SerialPort::Drain(int stopFd) {
    // tcdrain() cannot be interrupted but by a signal, and a line held by flow control would
    // hold it (and a close) for good; so ask the driver what is left and wait at least as long
    // as the line needs to send it.
    for (;;) {
        int pending = 0;
        if (ioctl(fd_, TIOCOUTQ, &pending) != 0)
            return errno == EIO ? IoStatus::HangUp : IoStatus::Error;
        if (pending <= 0) {
            unsigned int lsr = 0;
            // Drivers that cannot tell about their transmitter count as empty here.
            if (ioctl(fd_, TIOCSERGETLSR, &lsr) != 0 || (lsr & TIOCSER_TEMT)) return IoStatus::Ok;
            pending = 4; // still in the UART's FIFO or shift register
        }
        termios tio{};
        std::uint32_t rate = tcgetattr(fd_, &tio) == 0 ? RateOf(cfgetospeed(&tio)) : 0;
        if (rate == 0) rate = 9600;
        // Ten bits a byte is the least a byte takes on the line.
        long long ms = (static_cast<long long>(pending) * 10 * 1000 + rate - 1) / rate;
        pollfd p{stopFd, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(std::clamp<long long>(ms, 1, 60000)));
        if (r > 0) return IoStatus::Stopped;
        if (r < 0 && errno != EINTR) return IoStatus::Error;
    }
}

bool SerialPort::ReadCounters(SerialCounters& c) const {
    serial_icounter_struct ic{};
    if (fd_ < 0 || ioctl(fd_, TIOCGICOUNT, &ic) != 0) return false;
    c.frame = static_cast<std::uint32_t>(ic.frame);
    c.overrun = static_cast<std::uint32_t>(ic.overrun);
    c.parity = static_cast<std::uint32_t>(ic.parity);
    c.brk = static_cast<std::uint32_t>(ic.brk);
    c.bufOverrun = static_cast<std::uint32_t>(ic.buf_overrun);
    c.dcd = static_cast<std::uint32_t>(ic.dcd);
    c.rng = static_cast<std::uint32_t>(ic.rng);
    return true;
}

IoStatus SerialPort::ReadSome(char* buffer, std::size_t capacity, std::size_t& got, int stopFd) {
    got = 0;
    for (;;) {
        short revents = 0;
        bool stopped = false;
        if (!WaitFor(fd_, POLLIN, stopFd, revents, stopped)) return IoStatus::Error;
        if (stopped) return IoStatus::Stopped;
        if (revents & POLLNVAL) return IoStatus::Error;
        if (!(revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ssize_t n = ::read(fd_, buffer, capacity);
        if (n > 0) {
            got = static_cast<std::size_t>(n);
            return IoStatus::Ok;
        }
        if (n == 0) return IoStatus::HangUp;
        if (errno == EINTR) continue;
        if (errno == EAGAIN) {
            // Nothing to read although poll said hang-up: the line is gone, do not spin.
            if (revents & (POLLHUP | POLLERR)) return IoStatus::HangUp;
            continue;
        }
        return errno == EIO ? IoStatus::HangUp : IoStatus::Error;
    }
}

IoStatus SerialPort::WriteAll(const char* data, std::size_t length, int stopFd) {
    bool lineGone = false;
    while (length > 0) {
        ssize_t n = ::write(fd_, data, length);
        if (n > 0) {
            data += n;
            length -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN)
            return (errno == EIO || errno == EPIPE || errno == ENXIO) ? IoStatus::HangUp
                                                                      : IoStatus::Error;
        if (lineGone) return IoStatus::HangUp;
        short revents = 0;
        bool stopped = false;
        if (!WaitFor(fd_, POLLOUT, stopFd, revents, stopped)) return IoStatus::Error;
        if (stopped) return IoStatus::Stopped;
        if (revents & POLLNVAL) return IoStatus::Error;
        lineGone = (revents & (POLLHUP | POLLERR)) && !(revents & POLLOUT);
    }
    return IoStatus::Ok;
}

} // namespace fprn::plat
