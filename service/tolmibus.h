#pragma once
// The packet transport of the firmware download: wakes the printer at 4800 baud, logs on while
// hunting for the printer's line rate, reads its identification, sends program blocks and the
// end-of-program packet with acknowledgements and repeats. Everything runs on the thread that
// created the component and serves that thread's queue while it waits; Abort (from a handler
// served during a wait) ends the wait in progress.
#include "tolmibuscodec.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fprn {

class TComm;
namespace plat {
class Timer;
}

enum class TBaudRate { tbr9600, tbr19200, tbr38400, tbr57600, tbr115200 };
enum class TBroadCastScaleType { tbs1024, tbs5120 };

// Line rate of a TBaudRate.
std::uint32_t BaudRateValue(TBaudRate rate);

class TTolmIBusComm {
public:
    static constexpr int StationCount = 56;
    static constexpr int MaxRetryCount = 10;

    // Shows the text of a port that cannot be opened (an error box with one OK button).
    using MessageReporter = std::function<void(const std::string& text)>;

    // Sets up the inner port (not yet open) and the timer on the calling thread.
    TTolmIBusComm();
    // Closes an open port (and writes the trace file).
    ~TTolmIBusComm();
    TTolmIBusComm(const TTolmIBusComm&) = delete;
    TTolmIBusComm& operator=(const TTolmIBusComm&) = delete;

    // Port name for the next open; empty until set.
    const std::string& CommName() const { return commName_; }
    void SetCommName(const std::string& name) { commName_ = name; }

    bool isActive() const { return active_; }
    // True: (re)opens the port; a port that cannot be opened is reported through the
    // reporter and the ECommsError is thrown again. False: closes the port and writes
    // "DEBUG.LOG" into the program's folder (best effort).
    void SetActive(bool active);

    // Rate after a successful logon; its ordinal goes into the logon packet. Applied to the
    // inner port at once.
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate rate);

    bool BroadCast() const { return broadCast_; }
    void SetBroadCast(bool on) { broadCast_ = on; }
    TBroadCastScaleType BroadCastScaleType() const { return scaleType_; }
    void SetBroadCastScaleType(TBroadCastScaleType type) { scaleType_ = type; }
    // Milliseconds after each packet in broadcast mode.
    int BroadCastInterval() const { return broadCastInterval_; }
    void SetBroadCastInterval(int ms) { broadCastInterval_ = ms; }
    // Milliseconds to wait for the answer to each send.
    int RetryInterval() const { return retryInterval_; }
    void SetRetryInterval(int ms) { retryInterval_ = ms; }
    // Repeats after the first send, 0 to 10.
    int RetryCount() const { return retryCount_; }
    void SetRetryCount(int count);

    void SetMessageReporter(MessageReporter reporter) { reporter_ = std::move(reporter); }

    // Ends the wait in progress with a failure; later repeats are not sent.
    void Abort();
    // True when the last operation failed or was aborted.
    bool Failed() const { return failed_; }

    // One burst of 64 bytes 0x66 at 4800 baud, then back to BaudRate.
    bool SendWakeUp();
    // Burst, one second's pause, burst, then back to BaudRate.
    bool SendWakeUpTwice();
    // Logon, then on success the identification.
    bool Connect(std::uint32_t station, bool strict);
    // The logon packet, hunting through the rates until the printer acknowledges. A strict
    // logon ends at the first NAK.
    bool Logon(std::uint32_t station, bool strict);
    // The printer's identification block lands in the data area.
    bool ReadIdentification();
    // Sends the data area as a packet and waits for its acknowledgement, with repeats.
    bool SendBlock(std::uint8_t command, std::uint16_t number);
    // Sends the data area as a request and waits for a reply packet, with repeats; the data
    // area then holds the reply's data (or, after a failure, the last packet's).
    bool RequestBlock(std::uint8_t command, std::uint16_t number);
    bool SendEndOfProgram(std::uint16_t imageSum);

    // The data of the next block to send, and of the last reply.
    std::array<std::uint8_t, tolmibus::DataSize>& DataArea() { return data_; }
    const std::array<std::uint8_t, tolmibus::DataSize>& DataArea() const { return data_; }

    // Internal: shorter intervals for tests and the folder of the trace file.
    struct Tuning {
        int logonWaitMs = 800;
        int wakeUpPauseMs = 1000;
        std::string traceFolder; // empty: the program's folder
    };
    void SetTuning(const Tuning& tuning) { tuning_ = tuning; }
    // Internal: where the time of the operations went, for measurements.
    struct Stats {
        std::chrono::nanoseconds sendWait{};  // until the bytes had left
        std::chrono::nanoseconds replyWait{}; // from then until the answer or the time-out
        int packets = 0;
    };
    const Stats& GetStats() const { return stats_; }

    // Pauses for `ms` while serving messages; false when a failure or abort comes meanwhile.
    bool Delay(int ms);

private:
    enum WaitResult { Aborted = -3, TimedOut = -2, Nak = -1, Acked = 1, FrameReply = 2 };

    bool DoLogon(std::uint32_t station, bool strict);
    bool DoReadIdentification();
    bool DoRequestBlock(std::uint8_t command, std::uint16_t number);
    bool DoDelay(int ms);
    bool SendBurst();
    bool SendData(const std::uint8_t* bytes, std::size_t count);
    bool WaitSent(std::size_t count);
    int WaitReply(int intervalMs);
    void ResetReceiveState();
    bool WritePacket();
    bool SendPacketWaitAck();
    bool BroadcastPacket();
    bool SendPacketWaitReply();
    bool ResendRequest();
    void BuildPacket(tolmibus::Packet& packet, std::uint8_t command, std::uint16_t number);
    void ApplyRate(std::uint32_t rate);
    void WriteTrace();
    void TimerExpired();
    void CommReceiveData(const char* buffer, std::size_t length);
    void CommSendDataEmpty();
    void CommRequestHangup();

    std::unique_ptr<TComm> comm_;
    std::unique_ptr<plat::Timer> timer_;
    MessageReporter reporter_;

    std::string commName_;
    bool active_ = false;
    TBaudRate baudRate_ = TBaudRate::tbr9600;
    bool broadCast_ = false;
    TBroadCastScaleType scaleType_ = TBroadCastScaleType::tbs1024;
    int broadCastInterval_ = 200;
    int retryInterval_ = 800;
    int retryCount_ = 6;

    bool failed_ = false;
    bool hungUp_ = false;
    bool sendDone_ = true;
    bool timerExpired_ = false;
    bool running_ = false; // an operation is in progress: no second one from its handlers

    tolmibus::Packet packet_{};
    tolmibus::Wire wire_{};
    tolmibus::Packet request_{};
    std::array<std::uint8_t, tolmibus::DataSize> data_{};
    tolmibus::ReplyReceiver receiver_;
    bool checksumError_ = false;

    struct Station {
        std::uint32_t number = 0;
        bool flag = false;
    };
    std::array<Station, StationCount> stations_{};
    std::vector<std::string> trace_;

    Tuning tuning_;
    Stats stats_;
};

// Pauses `seconds` while serving messages; false when the component fails or is aborted.
bool DelaySeconds(TTolmIBusComm& comm, int seconds);

} // namespace fprn
