#pragma once
// The printer emulator: answers command frames on the master side of a pseudo-terminal, in
// its own thread, so that the driver under test can open the slave side as its serial port.
//
// Every valid frame takes the next scripted Reaction, or the default one when none is queued.
// The default answer is the emulated printer's own (device.h); scripted answers leave the
// printer's state alone. A default answer to a repeat of the command just executed (same
// sequence number and text, shortly after) is the stored reply again, so a resend never
// sells twice.
#include "bytes.h"
#include "device.h"
#include "wire.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fprn::test {
class PtyPair;
}

namespace fprn::emu {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

// What the emulator does with one received command.
struct Reaction {
    enum class Answer {
        Default, // the printer's own reply (uploads for 89 and 90)
        Payload, // one reply frame with `payload`
        Silence, // nothing at all; the driver will send again
        Upload,  // a data frame per entry of `frames`, then the end frame when `endFrame`
    };
    Answer answer = Answer::Default;
    Bytes payload;
    std::vector<Bytes> frames;
    bool endFrame = true;

    // The first frame goes out broken; with `thenSound` the sound frame follows after
    // `soundDelay`, else only the driver's resend can get an answer.
    Corruption corruption = Corruption::None;
    bool thenSound = false;
    Millis soundDelay{0};

    // The answer waits until Printer::ReleaseHeld (a command that is still running while the
    // host does something else).
    bool held = false;

    Millis delay{0};       // before the first byte
    Bytes junk;            // bytes written in front of the first frame
    std::size_t chunk = 0; // write in pieces of this many bytes (0: each frame at once)
    Millis chunkDelay{0};  // between two pieces
    Millis frameGap{0};    // between two frames

    static Reaction Default() { return {}; }
    static Reaction WithPayload(Bytes payload);
    // "E0", "P0" or "M0" followed by the two digits of `number` mod 100 (kind 'E', 'P', 'M').
    static Reaction ErrorReply(char kind, int number);
    static Reaction Silent();
    static Reaction Corrupted(Corruption corruption);
    static Reaction UploadFrames(std::vector<Bytes> frames, bool endFrame = true);

    Reaction& After(Millis d) {
        delay = d;
        return *this;
    }
    Reaction& WithJunk(Bytes bytes) {
        junk = std::move(bytes);
        return *this;
    }
    Reaction& Chunked(std::size_t size, Millis gap) {
        chunk = size;
        chunkDelay = gap;
        return *this;
    }
    Reaction& FrameGap(Millis gap) {
        frameGap = gap;
        return *this;
    }
    Reaction& WithCorruption(Corruption c) {
        corruption = c;
        return *this;
    }
    Reaction& Held() {
        held = true;
        return *this;
    }
    Reaction& ThenSound(Millis d) {
        thenSound = true;
        soundDelay = d;
        return *this;
    }
};

// One stretch of received bytes between 0xC0 delimiters.
struct ReceivedFrame {
    Bytes raw;                 // as received, still stuffed, without the delimiters
    bool valid = false;        // escapes, marker and checksum sound
    std::uint8_t sequence = 0; // first body byte (0 when there is none)
    Bytes text;                // the command text; empty when not valid
    Clock::time_point received;

    // First two characters of the text.
    Bytes Code() const { return text.substr(0, 2); }
};

class Printer {
public:
    // Called on the emulator's thread for each frame, after its answer has been scheduled.
    using Observer = std::function<void(const ReceivedFrame&)>;

    // Creates its own pseudo-terminal; the driver opens SlavePath().
    explicit Printer(Observer observer = {}, PrinterState state = FactoryState());
    // Serves a master descriptor that the caller owns and keeps open until Stop(). Keep a
    // slave descriptor open too, or the master reports a hang-up whenever the driver closes.
    explicit Printer(int masterFd, Observer observer = {}, PrinterState state = FactoryState());
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // Empty when serving a given descriptor.
    std::string SlavePath() const;

    // Queues reactions for the next commands, in order.
    void PushReaction(Reaction reaction);
    std::size_t QueuedReactions() const;

    std::vector<ReceivedFrame> Received() const;
    // Every byte read from the line so far.
    Bytes RawReceived() const;
    // True once at least `count` frames (valid or not) have been received.
    bool WaitForFrames(std::size_t count, Millis timeout) const;
    // A copy of the emulated printer's state.
    PrinterState State() const;

    // Lets the answer of the next held reaction go out (now, or when its command comes).
    void ReleaseHeld();

    // Ends the thread at once; pending replies are dropped. Idempotent; may be called from
    // the observer.
    void Stop();

private:
    struct Piece {
        Clock::time_point due;
        Bytes bytes;
    };

    void Start();
    void Serve();
    void OnStretch(Stretch stretch);
    void Schedule(const Reaction& reaction, const ReceivedFrame& frame);
    bool FlushDue();
    void Enqueue(std::deque<Piece>& into, std::vector<std::pair<Millis, Bytes>> frames,
                 const Reaction& reaction);

    std::unique_ptr<test::PtyPair> pty_;
    int master_ = -1;
    int wake_ = -1;
    int release_ = -1; // counts ReleaseHeld calls
    Observer observer_;
    std::thread thread_;

    // Serve thread only.
    FrameCollector collector_;
    std::deque<Piece> out_;
    std::vector<std::deque<Piece>> held_; // answers waiting for a release, oldest first
    std::uint64_t releases_ = 0;          // releases not used yet
    struct LastCommand {
        std::uint8_t sequence = 0;
        Bytes text;
        std::vector<Bytes> payloads;
        Clock::time_point when;
        bool valid = false;
    } last_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<Reaction> reactions_;
    std::vector<ReceivedFrame> received_;
    Bytes raw_;
    Device device_;
};

} // namespace fprn::emu
