#include "serialcomm.h"

#include <cerrno>
#include <chrono>
#include <deque>
#include <mutex>
#include <poll.h>
#include <thread>

#include "event.h"
#include "serialport.h"

namespace fprn {

namespace {

// What the threads post to the component's window.
constexpr std::uint32_t kReceiveData = 0x401;
constexpr std::uint32_t kReceiveError = 0x402;
constexpr std::uint32_t kRequestHangup = 0x403;
constexpr std::uint32_t kModemStateChange = 0x404;
constexpr std::uint32_t kSendDataEmpty = 0x405;

constexpr std::size_t kReadChunk = 2048;

} // namespace

// One open port with its two threads; lives from OpenPort to ClosePort.
struct TComm::Session {
    plat::SerialPort port;
    std::unique_ptr<plat::Event> closeEvent;
    plat::TargetRef window;
    std::atomic<bool>* sendEmpty = nullptr;
    std::atomic<bool> failureReported{false};
    std::atomic<bool> writerRunning{false};

    // Write requests; writeReady is set while the queue holds one.
    std::mutex writeMutex;
    std::deque<std::string> writes;
    std::unique_ptr<plat::Event> writeReady;

    std::thread reader;
    std::thread writer;

    ~Session() {
        if (closeEvent) closeEvent->Set();
        if (reader.joinable()) reader.join();
        if (writer.joinable()) writer.join();
    }

    // Both threads may fail on one hang-up; the owner hears of it once.
    void ReportFailure() {
        if (!failureReported.exchange(true)) window.Post(kRequestHangup);
    }

    void ReadLoop();
    void WriteLoop();
    bool WaitForWrites();
};

void TComm::Session::ReadLoop() {
    char buffer[kReadChunk];
    plat::SerialCounters counters;
    bool haveCounters = port.ReadCounters(counters);
    for (;;) {
        std::size_t got = 0;
        plat::IoStatus status = port.ReadSome(buffer, sizeof buffer, got, closeEvent->Fd());
        if (status == plat::IoStatus::Stopped) break;
        if (status != plat::IoStatus::Ok) {
            if (!closeEvent->IsSet()) ReportFailure();
            break;
        }
        // Line errors and modem changes as far as the driver counts them; looked at when
        // bytes come, since that is when a line error shows.
        plat::SerialCounters now;
        if (haveCounters && port.ReadCounters(now)) {
            plat::SerialEvents events = plat::CompareCounters(counters, now);
            counters = now;
            if (events.errors != 0) window.Post(kReceiveError, events.errors);
            if (events.modem != 0) window.Post(kModemStateChange, events.modem);
        }
        if (!window.Post(kReceiveData, got, std::string(buffer, got))) break; // owner is gone
    }
    port.Purge(true, false);
}

// Blocks until a write request or the close event; false on close or failure.
bool TComm::Session::WaitForWrites() {
    pollfd p[2] = {{closeEvent->Fd(), POLLIN, 0}, {writeReady->Fd(), POLLIN, 0}};
    for (;;) {
        int r = poll(p, 2, -1);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            ReportFailure();
            return false;
        }
        return !(p[0].revents & POLLIN);
    }
}

void TComm::Session::WriteLoop() {
    bool notify = true;
    for (;;) {
        std::string block;
        bool have = false;
        {
            std::lock_guard lock(writeMutex);
            if (!writes.empty()) {
                block = std::move(writes.front());
                writes.pop_front();
                have = true;
            }
            if (writes.empty()) writeReady->Reset();
        }
        if (!have) {
            if (notify) {
                // The owner may change the line rate as soon as it hears of the empty queue, so
                // the bytes must have left first.
                plat::IoStatus drained = port.Drain(closeEvent->Fd());
                if (drained == plat::IoStatus::Stopped || closeEvent->IsSet()) break;
                if (drained != plat::IoStatus::Ok) {
                    ReportFailure();
                    break;
                }
            }
            bool empty;
            {
                std::lock_guard lock(writeMutex);
                empty = writes.empty();
                if (empty) sendEmpty->store(true);
            }
            if (!empty) continue; // more came during the drain: report after it
            if (notify) {
                if (!window.Post(kSendDataEmpty)) break; // owner is gone
                notify = false;
            }
            if (!WaitForWrites()) break;
            continue;
        }
        if (closeEvent->IsSet()) break;
        plat::IoStatus status = port.WriteAll(block.data(), block.size(), closeEvent->Fd());
        if (status == plat::IoStatus::Stopped) break;
        if (status != plat::IoStatus::Ok) {
            if (!closeEvent->IsSet()) ReportFailure();
            break;
        }
        notify = true;
    }
    writerRunning.store(false);
    port.Purge(false, true);
    sendEmpty->store(true);
}

TComm::TComm() : window_([this](plat::Message& message) { HandleThreadMessage(message); }) {}

TComm::~TComm() {
    ClosePort();
}

bool TComm::IsOpen() const {
    return session_ != nullptr;
}

void TComm::OpenPort() {
    if (session_) return;
    auto session = std::make_unique<Session>();
    switch (session->port.Open(commName_)) {
    case plat::SerialOpenError::None:
        break;
    case plat::SerialOpenError::CannotOpen:
        throw ECommsError("Error opening serial port");
    case plat::SerialOpenError::NotCharDevice:
        throw ECommsError("File handle is not a comm handle ");
    case plat::SerialOpenError::NotTerminal:
        throw ECommsError("Cannot setup comm buffer");
    }
    session->port.Purge(true, true);
    sendEmpty_.store(true);
    // The time-outs have no termios counterpart: the threads wait in poll() instead.
    ApplyLineSettings(session->port);

    try {
        session->closeEvent = std::make_unique<plat::Event>();
        session->writeReady = std::make_unique<plat::Event>();
    } catch (const std::exception&) {
        throw ECommsError("Unable to create event");
    }
    session->window = window_.Ref();
    session->sendEmpty = &sendEmpty_;

    Session* s = session.get();
    try {
        s->reader = std::thread([s] { s->ReadLoop(); });
    } catch (const std::exception&) {
        throw ECommsError("Unable to create read thread");
    }
    try {
        s->writerRunning.store(true);
        s->writer = std::thread([s] { s->WriteLoop(); });
    } catch (const std::exception&) {
        s->writerRunning.store(false);
        throw ECommsError("Unable to create write thread"); // ~Session stops the reader
    }
    session_ = std::move(session);
}

void TComm::ClosePort() {
    if (!session_) return;
    // Closed from here on, also for a handler that runs while this waits.
    std::unique_ptr<Session> session = std::move(session_);

    session->closeEvent->Set();
    session->port.Purge(true, false);
    if (session->reader.joinable()) session->reader.join();

    session->port.Purge(false, true);
    sendEmpty_.store(true);
    if (session->writer.joinable()) session->writer.join();

    session.reset(); // drops unwritten blocks, closes the events and the port
}

bool TComm::SendData(const void* data, std::size_t length) {
    if (!session_ || !session_->writerRunning.load() || length == 0 || data == nullptr)
        return false;
    std::string block(static_cast<const char*>(data), length);
    std::lock_guard lock(session_->writeMutex);
    // Cleared before the writer can see the block, so it cannot overwrite a later True.
    sendEmpty_.store(false);
    bool wasEmpty = session_->writes.empty();
    session_->writes.push_back(std::move(block));
    if (wasEmpty) session_->writeReady->Set();
    return true;
}

void TComm::ApplyLineSettings() {
    if (session_) ApplyLineSettings(session_->port);
}

void TComm::ApplyLineSettings(plat::SerialPort& port) {
    plat::SerialSettings s;
    s.baudRate = baudRate_;
    s.byteSize = static_cast<int>(byteSize_) + 5;
    switch (parity_) {
    case TParity::None:
        s.parity = plat::SerialParity::None;
        break;
    case TParity::Odd:
        s.parity = plat::SerialParity::Odd;
        break;
    case TParity::Even:
        s.parity = plat::SerialParity::Even;
        break;
    case TParity::Mark:
        s.parity = plat::SerialParity::Mark;
        break;
    case TParity::Space:
        s.parity = plat::SerialParity::Space;
        break;
    }
    switch (stopBits_) {
    case TStopBits::_1:
        s.stopBits = plat::SerialStopBits::One;
        break;
    case TStopBits::_1_5:
        s.stopBits = plat::SerialStopBits::OneAndHalf;
        break;
    case TStopBits::_2:
        s.stopBits = plat::SerialStopBits::Two;
        break;
    }
    s.parityCheck = parityCheck_;
    s.ctsFlow = outxCtsFlow_;
    s.xonXoffOut = outxXonXoffFlow_;
    s.xonXoffIn = inxXonXoffFlow_;
    s.xonChar = xonChar_;
    s.xoffChar = xoffChar_;
    s.dtr = dtrControl_ == TDtrControl::DtrDisable ? plat::ModemLine::Off : plat::ModemLine::On;
    switch (rtsControl_) {
    case TRtsControl::RtsEnable:
    case TRtsControl::RtsTransmissionAvailable:
        s.rts = plat::ModemLine::On;
        break;
    case TRtsControl::RtsDisable:
        s.rts = plat::ModemLine::Off;
        break;
    case TRtsControl::RtsHandshake:
        s.rts = plat::ModemLine::Handshake;
        break;
    }
    port.Apply(s); // a refused setting leaves the line as it was; nothing to report
    // Give the line a moment to settle on the new settings.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void TComm::HandleThreadMessage(plat::Message& message) {
    // Copies: a handler may reassign its own slot.
    switch (message.id) {
    case kReceiveData:
        if (auto handler = OnReceiveData)
            handler(*this, message.bytes.data(), message.bytes.size());
        break;
    case kReceiveError:
        if (auto handler = OnReceiveError)
            handler(*this, static_cast<std::uint32_t>(message.param));
        break;
    case kRequestHangup:
        if (auto handler = OnRequestHangup) handler(*this);
        break;
    case kModemStateChange:
        if (auto handler = OnModemStateChange)
            handler(*this, static_cast<std::uint32_t>(message.param));
        break;
    case kSendDataEmpty:
        if (auto handler = OnSendDataEmpty) handler(*this);
        break;
    default:
        break;
    }
}

} // namespace fprn
