#pragma once
// The serial port component: port settings as properties, open and close, SendData, and the
// events of its reader and writer threads, raised on the thread that created the component
// while that thread pumps its queue (fprn::plat::PumpUntil / DispatchPending).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "msgqueue.h"

namespace fprn {

namespace plat {
class SerialPort;
}

enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };
enum class TByteSize { _5, _6, _7, _8 };
enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };

class ECommsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TComm {
public:
    // Belongs to the calling thread: every call and every event happens on it.
    TComm();
    // Closes an open port; events still queued are dropped.
    ~TComm();
    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    // Opens CommName and starts the reader and writer; nothing when already open.
    // Throws ECommsError; a failed open holds nothing.
    void OpenPort();
    // Stops both threads (also while a write is held by flow control) and closes the port.
    void ClosePort();
    bool IsOpen() const;
    // Queues a copy for the writer. False when closed, when the writer has ended, or when there
    // is nothing to send.
    bool SendData(const void* data, std::size_t length);
    // True while nothing waits to be written.
    bool SendEmpty() const { return sendEmpty_.load(); }

    // Each chunk the reader got (at most 2048 bytes, a 0 byte behind them); the buffer goes
    // away when the handler returns.
    std::function<void(TComm&, const char* buffer, std::size_t length)> OnReceiveData;
    // Line errors: 0x1 input overrun, 0x2 overrun, 0x4 parity, 0x8 framing, 0x10 break.
    std::function<void(TComm&, std::uint32_t mask)> OnReceiveError;
    // 8 carrier detect changed, 4 ring, OR'ed.
    std::function<void(TComm&, std::uint32_t event)> OnModemStateChange;
    // A thread failed or the other side hung up; raised once per open.
    std::function<void(TComm&)> OnRequestHangup;
    // The writer's queue ran empty and the bytes have left (once after each batch and once
    // when the writer starts).
    std::function<void(TComm&)> OnSendDataEmpty;

    // Takes effect at the next OpenPort.
    const std::string& CommName() const { return commName_; }
    void SetCommName(const std::string& name) { commName_ = name; }

    std::uint32_t BaudRate() const { return baudRate_; }
    void SetBaudRate(std::uint32_t value) { SetLine(baudRate_, value); }
    bool ParityCheck() const { return parityCheck_; }
    void SetParityCheck(bool value) { SetLine(parityCheck_, value); }
    bool Outx_CtsFlow() const { return outxCtsFlow_; }
    void SetOutx_CtsFlow(bool value) { SetLine(outxCtsFlow_, value); }
    bool Outx_DsrFlow() const { return outxDsrFlow_; }
    void SetOutx_DsrFlow(bool value) { SetLine(outxDsrFlow_, value); }
    TDtrControl DtrControl() const { return dtrControl_; }
    void SetDtrControl(TDtrControl value) { SetLine(dtrControl_, value); }
    bool DsrSensitivity() const { return dsrSensitivity_; }
    void SetDsrSensitivity(bool value) { SetLine(dsrSensitivity_, value); }
    bool TxContinueOnXoff() const { return txContinueOnXoff_; }
    void SetTxContinueOnXoff(bool value) { SetLine(txContinueOnXoff_, value); }
    bool Outx_XonXoffFlow() const { return outxXonXoffFlow_; }
    void SetOutx_XonXoffFlow(bool value) { SetLine(outxXonXoffFlow_, value); }
    bool Inx_XonXoffFlow() const { return inxXonXoffFlow_; }
    void SetInx_XonXoffFlow(bool value) { SetLine(inxXonXoffFlow_, value); }
    bool ReplaceWhenParityError() const { return replaceWhenParityError_; }
    void SetReplaceWhenParityError(bool value) { SetLine(replaceWhenParityError_, value); }
    bool IgnoreNullChar() const { return ignoreNullChar_; }
    void SetIgnoreNullChar(bool value) { SetLine(ignoreNullChar_, value); }
    TRtsControl RtsControl() const { return rtsControl_; }
    void SetRtsControl(TRtsControl value) { SetLine(rtsControl_, value); }
    std::uint16_t XonLimit() const { return xonLimit_; }
    void SetXonLimit(std::uint16_t value) { SetLine(xonLimit_, value); }
    std::uint16_t XoffLimit() const { return xoffLimit_; }
    void SetXoffLimit(std::uint16_t value) { SetLine(xoffLimit_, value); }
    TByteSize ByteSize() const { return byteSize_; }
    void SetByteSize(TByteSize value) { SetLine(byteSize_, value); }
    TParity Parity() const { return parity_; }
    void SetParity(TParity value) { SetLine(parity_, value); }
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits value) { SetLine(stopBits_, value); }
    char XonChar() const { return xonChar_; }
    void SetXonChar(char value) { SetLine(xonChar_, value); }
    char XoffChar() const { return xoffChar_; }
    void SetXoffChar(char value) { SetLine(xoffChar_, value); }
    char ReplacedChar() const { return replacedChar_; }
    void SetReplacedChar(char value) { SetLine(replacedChar_, value); }

    // Kept for the owner; a termios port has no per-read or per-write time-outs.
    std::uint32_t ReadIntervalTimeout() const { return readIntervalTimeout_; }
    void SetReadIntervalTimeout(std::uint32_t value) { readIntervalTimeout_ = value; }
    std::uint32_t ReadTotalTimeoutMultiplier() const { return readTotalTimeoutMultiplier_; }
    void SetReadTotalTimeoutMultiplier(std::uint32_t value) { readTotalTimeoutMultiplier_ = value; }
    std::uint32_t ReadTotalTimeoutConstant() const { return readTotalTimeoutConstant_; }
    void SetReadTotalTimeoutConstant(std::uint32_t value) { readTotalTimeoutConstant_ = value; }
    std::uint32_t WriteTotalTimeoutMultiplier() const { return writeTotalTimeoutMultiplier_; }
    void SetWriteTotalTimeoutMultiplier(std::uint32_t value) {
        writeTotalTimeoutMultiplier_ = value;
    }
    std::uint32_t WriteTotalTimeoutConstant() const { return writeTotalTimeoutConstant_; }
    void SetWriteTotalTimeoutConstant(std::uint32_t value) { writeTotalTimeoutConstant_ = value; }

private:
    struct Session;

    template <typename T> void SetLine(T& field, T value) {
        if (field == value) return;
        field = value;
        if (IsOpen()) ApplyLineSettings();
    }
    void ApplyLineSettings();
    void ApplyLineSettings(plat::SerialPort& port);
    void HandleThreadMessage(plat::Message& message);

    std::string commName_ = "COM2";
    std::uint32_t baudRate_ = 9600;
    bool parityCheck_ = false;
    bool outxCtsFlow_ = false;
    bool outxDsrFlow_ = false;
    TDtrControl dtrControl_ = TDtrControl::DtrEnable;
    bool dsrSensitivity_ = false;
    bool txContinueOnXoff_ = true;
    bool outxXonXoffFlow_ = true;
    bool inxXonXoffFlow_ = true;
    bool replaceWhenParityError_ = false;
    bool ignoreNullChar_ = false;
    TRtsControl rtsControl_ = TRtsControl::RtsEnable;
    std::uint16_t xonLimit_ = 500;
    std::uint16_t xoffLimit_ = 500;
    TByteSize byteSize_ = TByteSize::_8;
    TParity parity_ = TParity::None;
    TStopBits stopBits_ = TStopBits::_1;
    char xonChar_ = 0x11;
    char xoffChar_ = 0x13;
    char replacedChar_ = 0x00;
    std::uint32_t readIntervalTimeout_ = 100;
    std::uint32_t readTotalTimeoutMultiplier_ = 0;
    std::uint32_t readTotalTimeoutConstant_ = 0;
    std::uint32_t writeTotalTimeoutMultiplier_ = 0;
    std::uint32_t writeTotalTimeoutConstant_ = 0;

    std::atomic<bool> sendEmpty_{true};
    std::unique_ptr<Session> session_;
    // The hidden window the threads post to.
    plat::Target window_;
};

} // namespace fprn
