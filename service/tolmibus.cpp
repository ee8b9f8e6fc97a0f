#include "tolmibus.h"

#include "dynlib.h"
#include "msgqueue.h"
#include "serialcomm.h"
#include "timer.h"

#include <algorithm>
#include <ctime>
#include <fstream>

namespace fprn {

namespace tb = tolmibus;

namespace {

constexpr std::uint32_t RateTable[] = {9600, 19200, 38400, 57600, 115200};
constexpr std::uint32_t WakeUpRate = 4800;
constexpr std::uint32_t FirstLogonRate = 9600;
constexpr std::size_t WakeUpLength = 64;
constexpr std::uint8_t WakeUpByte = 0x66;
constexpr int LogonAttempts = 20; // repeats after the first logon
constexpr std::uint16_t LogonNumber = 1;
constexpr std::uint16_t IdentificationNumber = 0x10;
constexpr std::uint16_t EndNumber = 1;
constexpr std::uint8_t ScaleMarker1024 = 0x5A;
constexpr std::uint8_t ScaleMarker5120 = 0xA5;
// Grace beyond the line time of a write before a port that does not take it counts as failed.
constexpr int SendGraceMs = 1000;

// Guards the public operations against being started again from a handler served inside one.
class Running {
public:
    explicit Running(bool& flag) : flag_(flag), entered_(!flag) { flag_ = true; }
    ~Running() {
        if (entered_) flag_ = false;
    }
    bool Entered() const { return entered_; }

private:
    bool& flag_;
    bool entered_;
};

void StoreBcdLowFirst(std::uint32_t value, std::uint8_t* out) {
    std::uint8_t bcd[4];
    tb::IntToBcd(value, 8, bcd);
    for (int i = 0; i < 4; ++i) out[i] = bcd[3 - i];
}

} // namespace

std::uint32_t BaudRateValue(TBaudRate rate) {
    return RateTable[static_cast<int>(rate)];
}

TTolmIBusComm::TTolmIBusComm()
    : comm_(std::make_unique<TComm>()),
      timer_(std::make_unique<plat::Timer>([this] { TimerExpired(); })) {
    comm_->SetBaudRate(FirstLogonRate);
    comm_->SetByteSize(TByteSize::_8);
    comm_->SetParity(TParity::None);
    comm_->SetStopBits(TStopBits::_1);
    comm_->SetDtrControl(TDtrControl::DtrDisable);
    comm_->SetRtsControl(TRtsControl::RtsEnable);
    comm_->SetTxContinueOnXoff(false);
    comm_->SetOutx_XonXoffFlow(false);
    comm_->SetIgnoreNullChar(false);
    comm_->SetReadIntervalTimeout(1);
    comm_->OnReceiveData = [this](TComm&, const char* buffer, std::size_t length) {
        CommReceiveData(buffer, length);
    };
    comm_->OnSendDataEmpty = [this](TComm&) { CommSendDataEmpty(); };
    comm_->OnRequestHangup = [this](TComm&) { CommRequestHangup(); };
    timer_->SetEnabled(false);
}

TTolmIBusComm::~TTolmIBusComm() {
    if (active_) SetActive(false);
}

void TTolmIBusComm::SetActive(bool active) {
    if (!active) {
        active_ = false;
        // A wait in progress (this runs from a handler) ends instead of waiting on a closed port.
        if (running_) failed_ = true;
        comm_->ClosePort();
        WriteTrace();
        return;
    }
    comm_->SetCommName(commName_);
    if (active_) {
        active_ = false;
        comm_->ClosePort();
    }
    try {
        comm_->OpenPort();
    } catch (const ECommsError&) {
        if (reporter_) reporter_("Error opening " + commName_ + "!\r\nplease select other ports.");
        throw;
    }
    active_ = true;
    hungUp_ = false;
    failed_ = false;
    sendDone_ = true;
    trace_.clear();
}

void TTolmIBusComm::SetBaudRate(TBaudRate rate) {
    baudRate_ = rate;
    ApplyRate(BaudRateValue(rate));
}

void TTolmIBusComm::SetRetryCount(int count) {
    retryCount_ = std::clamp(count, 0, MaxRetryCount);
}

void TTolmIBusComm::Abort() {
    failed_ = true;
}

void TTolmIBusComm::ApplyRate(std::uint32_t rate) {
    comm_->SetBaudRate(rate);
}

// --- Waiting -------------------------------------------------------------------------------

void TTolmIBusComm::TimerExpired() {
    timerExpired_ = true;
    timer_->SetEnabled(false);
}

void TTolmIBusComm::CommReceiveData(const char* buffer, std::size_t length) {
    receiver_.Feed(reinterpret_cast<const std::uint8_t*>(buffer), length);
}

void TTolmIBusComm::CommSendDataEmpty() {
    // The writer also reports once when it starts; only an empty queue means our bytes left.
    if (comm_->SendEmpty()) sendDone_ = true;
}

void TTolmIBusComm::CommRequestHangup() {
    hungUp_ = true;
    failed_ = true;
}

bool TTolmIBusComm::SendData(const std::uint8_t* bytes, std::size_t count) {
    if (!active_ || hungUp_) return false;
    sendDone_ = false;
    if (!comm_->SendData(bytes, count)) {
        sendDone_ = true;
        return false;
    }
    return true;
}

bool TTolmIBusComm::WaitSent(std::size_t count) {
    auto start = std::chrono::steady_clock::now();
    // Bounded by twice the line time at the current rate, so that a port that never empties
    // fails the operation instead of holding it.
    std::uint32_t rate = std::max<std::uint32_t>(comm_->BaudRate(), 1);
    auto lineMs = static_cast<int>(count * 10 * 1000 / rate);
    timerExpired_ = false;
    timer_->SetInterval(static_cast<unsigned>(2 * lineMs + SendGraceMs));
    timer_->SetEnabled(true);
    plat::PumpUntil([this] { return sendDone_ || failed_ || hungUp_ || timerExpired_; });
    timer_->SetEnabled(false);
    stats_.sendWait += std::chrono::steady_clock::now() - start;
    if (!sendDone_ || hungUp_) failed_ = true;
    return !failed_;
}

void TTolmIBusComm::ResetReceiveState() {
    failed_ = hungUp_;
    receiver_.Reset();
}

int TTolmIBusComm::WaitReply(int intervalMs) {
    ResetReceiveState();
    if (!WaitSent(tb::WireSize)) return Aborted;

    auto start = std::chrono::steady_clock::now();
    timerExpired_ = false;
    timer_->SetInterval(static_cast<unsigned>(std::max(intervalMs, 1)));
    timer_->SetEnabled(true);
    plat::PumpUntil(
        [this] { return timerExpired_ || failed_ || hungUp_ || receiver_.IsComplete(); });
    timer_->SetEnabled(false);
    stats_.replyWait += std::chrono::steady_clock::now() - start;

    if (failed_ || hungUp_) {
        failed_ = true;
        return Aborted;
    }
    if (timerExpired_) return broadCast_ ? Acked : TimedOut;
    if (receiver_.Mode() == tb::ReceiveMode::Frame) return FrameReply;
    return receiver_.ReplyByte() == tb::NakByte ? Nak : Acked;
}

bool TTolmIBusComm::Delay(int ms) {
    Running running(running_);
    if (!running.Entered()) return false;
    return DoDelay(ms);
}

bool TTolmIBusComm::DoDelay(int ms) {
    timerExpired_ = false;
    timer_->SetInterval(static_cast<unsigned>(std::max(ms, 1)));
    timer_->SetEnabled(true);
    plat::PumpUntil([this] { return timerExpired_ || failed_ || hungUp_; });
    timer_->SetEnabled(false);
    if (hungUp_) failed_ = true;
    return !failed_;
}

bool DelaySeconds(TTolmIBusComm& comm, int seconds) {
    return comm.Delay(seconds * 1000);
}

// --- Packets -------------------------------------------------------------------------------

bool TTolmIBusComm::WritePacket() {
    wire_ = tb::EncodePacket(packet_);
    ++stats_.packets;
    return SendData(wire_.data(), wire_.size());
}

bool TTolmIBusComm::ResendRequest() {
    packet_ = request_;
    wire_ = tb::EncodePacket(packet_);
    receiver_.SetEcho(wire_);
    ++stats_.packets;
    return SendData(wire_.data(), wire_.size());
}

// Broadcast: one send and one wait of the broadcast interval, never repeated.
bool TTolmIBusComm::BroadcastPacket() {
    if (!WritePacket()) {
        failed_ = true;
        return false;
    }
    receiver_.SetMode(tb::ReceiveMode::Acknowledgement);
    if (WaitReply(broadCastInterval_) < 0) {
        failed_ = true;
        return false;
    }
    return true;
}

bool TTolmIBusComm::SendPacketWaitAck() {
    if (broadCast_) {
        return BroadcastPacket();
    }
    for (int repeats = 0;; ++repeats) {
        if (!WritePacket()) {
            failed_ = true;
            return false;
        }
        receiver_.SetMode(tb::ReceiveMode::Acknowledgement);
        if (WaitReply(retryInterval_) == Acked) return true;
        if (failed_ || repeats >= retryCount_) {
            failed_ = true;
            return false;
        }
    }
}

bool TTolmIBusComm::SendPacketWaitReply() {
    for (int repeats = 0;; ++repeats) {
        checksumError_ = false;
        if (!ResendRequest()) {
            failed_ = true;
            return false;
        }
        receiver_.SetMode(tb::ReceiveMode::Frame);
        if (WaitReply(retryInterval_) == FrameReply) {
            packet_ = tb::DecodePacket(receiver_.ReceivedFrame(), checksumError_);
            if (!checksumError_) return true;
        }
        if (failed_ || repeats >= retryCount_) {
            failed_ = true;
            return false;
        }
    }
}

void TTolmIBusComm::BuildPacket(tb::Packet& packet, std::uint8_t command, std::uint16_t number) {
    packet.fill(0);
    packet[0] = command;
    tb::SetPacketNumber(packet, number);
    std::copy(data_.begin(), data_.end(), packet.begin() + tb::DataOffset);
    tb::StoreSum(packet);
}

bool TTolmIBusComm::SendBlock(std::uint8_t command, std::uint16_t number) {
    Running running(running_);
    if (!running.Entered()) return false;
    BuildPacket(packet_, command, number);
    return SendPacketWaitAck();
}

bool TTolmIBusComm::RequestBlock(std::uint8_t command, std::uint16_t number) {
    Running running(running_);
    if (!running.Entered()) return false;
    return DoRequestBlock(command, number);
}

bool TTolmIBusComm::DoRequestBlock(std::uint8_t command, std::uint16_t number) {
    BuildPacket(request_, command, number);
    bool ok = SendPacketWaitReply();
    std::copy(packet_.begin() + tb::DataOffset, packet_.begin() + tb::DataOffset + tb::DataSize,
              data_.begin());
    return ok;
}

bool TTolmIBusComm::SendEndOfProgram(std::uint16_t imageSum) {
    Running running(running_);
    if (!running.Entered()) return false;
    packet_.fill(0);
    packet_[0] = tb::CmdProgram;
    tb::SetPacketNumber(packet_, EndNumber);
    packet_[3] = static_cast<std::uint8_t>(imageSum & 0xFF);
    packet_[4] = static_cast<std::uint8_t>(imageSum >> 8);
    tb::StoreSum(packet_);
    return SendPacketWaitAck();
}

// --- Wake-up, logon, identification --------------------------------------------------------

bool TTolmIBusComm::SendBurst() {
    std::uint8_t burst[WakeUpLength];
    std::fill(std::begin(burst), std::end(burst), WakeUpByte);
    if (!SendData(burst, sizeof burst)) {
        failed_ = true;
        return false;
    }
    // The rate may change only once the burst has left at 4800.
    return WaitSent(sizeof burst);
}

bool TTolmIBusComm::SendWakeUp() {
    Running running(running_);
    if (!running.Entered()) return false;
    failed_ = hungUp_;
    ApplyRate(WakeUpRate);
    SendBurst();
    ApplyRate(BaudRateValue(baudRate_));
    return !failed_;
}

bool TTolmIBusComm::SendWakeUpTwice() {
    Running running(running_);
    if (!running.Entered()) return false;
    failed_ = hungUp_;
    ApplyRate(WakeUpRate);
    if (!SendBurst()) return false;
    if (!DoDelay(tuning_.wakeUpPauseMs)) return false;
    if (!SendBurst()) return false;
    ApplyRate(BaudRateValue(baudRate_));
    return true;
}

bool TTolmIBusComm::Connect(std::uint32_t station, bool strict) {
    Running running(running_);
    if (!running.Entered()) return false;
    return DoLogon(station, strict) && DoReadIdentification();
}

bool TTolmIBusComm::Logon(std::uint32_t station, bool strict) {
    Running running(running_);
    if (!running.Entered()) return false;
    return DoLogon(station, strict);
}

bool TTolmIBusComm::DoLogon(std::uint32_t station, bool strict) {
    packet_.fill(0);
    packet_[0] = tb::CmdLogon;
    tb::SetPacketNumber(packet_, LogonNumber);
    // The station number goes least significant pair first.
    StoreBcdLowFirst(broadCast_ ? 0 : station, &packet_[3]);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    packet_[7] = tb::ByteToBcd(static_cast<unsigned>(local.tm_year + 1900));
    packet_[8] = tb::ByteToBcd(static_cast<unsigned>(local.tm_mon + 1));
    packet_[9] = tb::ByteToBcd(static_cast<unsigned>(local.tm_mday));
    packet_[10] = tb::ByteToBcd(static_cast<unsigned>(local.tm_hour));
    packet_[11] = tb::ByteToBcd(static_cast<unsigned>(local.tm_min));
    packet_[12] = tb::ByteToBcd(static_cast<unsigned>(local.tm_sec));
    packet_[13] = static_cast<std::uint8_t>(baudRate_);
    packet_[14] = strict ? 0 : 1;
    if (broadCast_) {
        packet_[14] =
            scaleType_ == TBroadCastScaleType::tbs1024 ? ScaleMarker1024 : ScaleMarker5120;
        for (int i = 0; i < StationCount; ++i) {
            stations_[i].flag = false;
            StoreBcdLowFirst(stations_[i].number, &packet_[35 + 4 * i]);
        }
    }
    tb::StoreSum(packet_);

    if (broadCast_) {
        ApplyRate(BaudRateValue(baudRate_));
        return BroadcastPacket();
    }

    // Hunt for the printer's rate: 9600, then the table round and round.
    for (int attempt = 0;; ++attempt) {
        ApplyRate(attempt == 0 ? FirstLogonRate : RateTable[(attempt - 1) % 5]);
        if (!WritePacket()) {
            failed_ = true;
            return false;
        }
        receiver_.SetMode(tb::ReceiveMode::Acknowledgement);
        int result = WaitReply(tuning_.logonWaitMs);
        if (result == Acked) {
            ApplyRate(BaudRateValue(baudRate_));
            return true;
        }
        if (strict && result == Nak) failed_ = true;
        if (failed_ || attempt >= LogonAttempts) {
            failed_ = true;
            return false;
        }
    }
}

bool TTolmIBusComm::ReadIdentification() {
    Running running(running_);
    if (!running.Entered()) return false;
    return DoReadIdentification();
}

bool TTolmIBusComm::DoReadIdentification() {
    data_.fill(0);
    data_[2] = 0x10;
    return DoRequestBlock(tb::CmdLogon, IdentificationNumber);
}

// --- Trace ---------------------------------------------------------------------------------

void TTolmIBusComm::WriteTrace() {
    std::string folder = tuning_.traceFolder.empty() ? plat::ProgramFolder() : tuning_.traceFolder;
    if (folder.empty()) return;
    if (folder.back() != '/') folder += '/';
    // Best effort: a folder that cannot be written must not fail the update.
    std::ofstream out(folder + "DEBUG.LOG", std::ios::binary | std::ios::trunc);
    for (const std::string& line : trace_) out << line << "\r\n";
}

} // namespace fprn
