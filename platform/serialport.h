#pragma once
// Serial device access over termios: exclusive open by port name, line settings, purge, and the
// waiting reads and writes of a port's worker threads, each of which gives up when a stop fd
// (an Event) becomes readable.
#include "platexport.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct termios;

namespace fprn::plat {

// "COMn" is the device named by the environment variable FPRN_COMn when it is set, else
// /dev/ttyS(n-1); a name containing '/' is a path and any other name is taken as it stands.
FPRN_PLAT_API std::string ResolvePortName(const std::string& name);

enum class SerialParity { None, Odd, Even, Mark, Space };
enum class SerialStopBits { One, OneAndHalf, Two };
enum class ModemLine { On, Off, Handshake };

struct SerialSettings {
    std::uint32_t baudRate = 9600;
    int byteSize = 8; // 5 to 8
    SerialParity parity = SerialParity::None;
    SerialStopBits stopBits = SerialStopBits::One;
    bool parityCheck = false;
    bool ctsFlow = false;    // output held while CTS is low
    bool xonXoffOut = false; // output stopped by a received XOFF
    bool xonXoffIn = false;  // XOFF sent when the input is full
    char xonChar = 0x11;
    char xoffChar = 0x13;
    ModemLine dtr = ModemLine::On;
    ModemLine rts = ModemLine::On; // Handshake: RTS follows the input (with CTS flow)
};

// Raw-mode termios for the settings, built on `tio` as read from the device; a rate without a
// termios code leaves the rate in `tio`. Modem lines are not part of termios.
FPRN_PLAT_API void ToTermios(const SerialSettings& settings, ::termios& tio);
// The settings that termios holds (dtr and rts stay as given).
FPRN_PLAT_API void FromTermios(const ::termios& tio, SerialSettings& settings);

// Counters of line errors and modem-line changes kept by the serial driver.
struct SerialCounters {
    std::uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    std::uint32_t dcd = 0, rng = 0;
};
// What changed between two readings: line errors as a mask (0x1 input buffer overrun,
// 0x2 overrun, 0x4 parity, 0x8 framing, 0x10 break) and modem events (8 carrier detect,
// 4 ring).
struct SerialEvents {
    std::uint32_t errors = 0;
    std::uint32_t modem = 0;
};
FPRN_PLAT_API SerialEvents CompareCounters(const SerialCounters& before,
                                           const SerialCounters& after);

enum class SerialOpenError {
    None,
    CannotOpen,    // missing, no access, or held by another opener
    NotCharDevice, // opened but not a character device
    NotTerminal    // a character device without line settings
};

enum class IoStatus {
    Ok,
    Stopped, // the stop fd became readable
    HangUp,  // the other side went away (EOF, EIO, POLLHUP)
    Error
};

class FPRN_PLAT_API SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the resolved device non-blocking and without becoming its controlling terminal,
    // takes an exclusive flock (a second opener fails), and puts it in raw mode. On failure
    // nothing stays open.
    SerialOpenError Open(const std::string& name);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    // Applies the settings at once. Modem-line errors of devices without modem lines (a pty)
    // are ignored; false only when the line settings themselves cannot be written.
    bool Apply(const SerialSettings& settings);
    bool Read(SerialSettings& settings) const;
    // Discards what waits in the driver's input and/or output queue.
    void Purge(bool input, bool output);
    // Waits until the bytes written have left the driver and, where it tells, the UART; a
    // line held by flow control waits too, until the stop fd becomes readable.
    IoStatus Drain(int stopFd);
    // False when the driver keeps no counters (a pty, for one).
    bool ReadCounters(SerialCounters& counters) const;

    // Waits for input or the stop fd; reads at most `capacity` bytes into `buffer`.
    IoStatus ReadSome(char* buffer, std::size_t capacity, std::size_t& got, int stopFd);
    // Writes all `length` bytes, waiting for room (flow control) or the stop fd.
    IoStatus WriteAll(const char* data, std::size_t length, int stopFd);

private:
    int fd_ = -1;
};

} // namespace fprn::plat
