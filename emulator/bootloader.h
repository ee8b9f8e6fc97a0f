#pragma once
// The printer's boot loader, as far as the firmware download sees it, on the master side of a
// pseudo-terminal: counts wake-up bursts, takes the logon only at its own line rate and then
// moves to the rate the logon names, answers the identification request, acknowledges the
// start packet, the program blocks and the end packet, and rebuilds the image from the blocks
// (each logon begins a new image).
// Scripted answers let a test NAK, drop or garble chosen packets.
#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fprn::emu {

// What the loader does with one received packet.
enum class BootAction {
    Answer,    // ACK, or for the identification request its reply frame
    Nak,       // 0x55
    Drop,      // stays silent
    Noise,     // reply frame behind a few noise bytes (a false start among them)
    Split,     // reply frame in two writes with a pause between them
    WrongEcho, // reply frame carrying another packet number
    BadSum,    // reply frame whose sum does not match
};

struct BootPacket {
    std::uint8_t command = 0;
    std::uint16_t number = 0;
    std::array<std::uint8_t, 256> data{};
    unsigned rate = 0;   // line rate seen when the frame was complete
    bool rateOk = false; // the line was at the loader's rate
    bool sumOk = false;  // the packet sum matched
    BootAction action = BootAction::Answer;
};

class FakeBootLoader {
public:
    // `master` is the pty master; it stays the caller's. `printerRate` is the rate the loader
    // listens at until a logon moves it.
    FakeBootLoader(int master, unsigned printerRate = 9600);
    ~FakeBootLoader();
    FakeBootLoader(const FakeBootLoader&) = delete;
    FakeBootLoader& operator=(const FakeBootLoader&) = delete;

    // Answers for the next receptions of a packet (command, number), in order; once used up,
    // the packet is answered normally. Logons are packet (0x0E, 1).
    void Script(std::uint8_t command, std::uint16_t number, std::vector<BootAction> actions);
    // The identification block sent in reply to the identification request.
    void SetIdentification(const std::array<std::uint8_t, 256>& data);
    // Answers nothing while true (a broadcast receiver).
    void SetSilent(bool silent);

    // Called on the loader's thread for each packet received and each wake-up burst, before
    // the answer goes out. Set before Start.
    void SetOnPacket(std::function<void(const BootPacket&)> onPacket);
    void SetOnWakeUp(std::function<void(int bursts)> onWakeUp);

    // Starts and stops the loader's thread; Stop returns promptly and is idempotent.
    void Start();
    void Stop();

    int WakeUpBursts() const;
    unsigned Rate() const;
    std::vector<BootPacket> Packets() const;
    // The image rebuilt from the program blocks: block i at offset 256 x i.
    std::vector<std::uint8_t> Image() const;
    int StartNumber() const; // -1 until a start packet came
    bool EndSeen() const;
    std::uint16_t EndSum() const;
    // Every byte received, in order.
    std::string Received() const;

    // Waits until no byte has arrived for `quietMs` (bounded by `timeoutMs`); true when quiet.
    bool WaitQuiet(int quietMs, int timeoutMs) const;

private:
    void Run();
    void Take(const std::uint8_t* bytes, std::size_t count);
    void Complete();
    void Answer(const BootPacket& p, BootAction action);
    void Write(const std::string& bytes);
    unsigned LineRate() const;

    const int master_;
    int wake_ = -1; // eventfd that stops the thread
    std::thread thread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    unsigned rate_;
    bool silent_ = false;
    std::map<std::pair<std::uint8_t, std::uint16_t>, std::deque<BootAction>> script_;
    std::array<std::uint8_t, 256> identification_{};
    int wakeRun_ = 0;
    int wakeBursts_ = 0;
    std::vector<std::uint8_t> frame_;
    bool inFrame_ = false;
    std::vector<BootPacket> packets_;
    std::vector<std::uint8_t> image_;
    bool started_ = false;
    int startNumber_ = -1;
    bool endSeen_ = false;
    std::uint16_t endSum_ = 0;
    std::string received_;
    std::uint64_t arrivals_ = 0;
    std::vector<std::pair<std::string, int>> pending_; // answers and the pause before each
    std::function<void(const BootPacket&)> onPacket_;
    std::function<void(int)> onWakeUp_;
    std::vector<BootPacket> newPackets_;
    std::vector<int> newBursts_;
};

} // namespace fprn::emu
