#include "printer.h"

#include "frame.h"
#include "ptypair.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace fprn::emu {

namespace {

// A resend follows its command within three waits of 5 s; later, equal sequence and text are
// a new command (the counter wraps, or another library starts its own count).
constexpr Millis kRepeatWindow{20000};
// After a hang-up the master reports POLLHUP at once; wait this long before looking again.
constexpr Millis kHangupBackoff{100};

ReceivedFrame Decode(Stretch stretch) {
    ReceivedFrame f;
    f.received = Clock::now();
    if (!stretch.raw.empty() && static_cast<unsigned char>(stretch.raw[0]) != kFrameEsc)
        f.sequence = static_cast<std::uint8_t>(stretch.raw[0]);
    if (!stretch.overflow) {
        if (auto text = CommandText(stretch.raw)) {
            f.valid = true;
            f.text = std::move(*text);
        }
    }
    f.raw = std::move(stretch.raw);
    return f;
}

} // namespace

Reaction Reaction::WithPayload(Bytes payload) {
    Reaction r;
    r.answer = Answer::Payload;
    r.payload = std::move(payload);
    return r;
}

Reaction Reaction::ErrorReply(char kind, int number) {
    number = (number % 100 + 100) % 100;
    Bytes p{kind, '0'};
    p.push_back(static_cast<char>('0' + number / 10));
    p.push_back(static_cast<char>('0' + number % 10));
    return WithPayload(std::move(p));
}

Reaction Reaction::Silent() {
    Reaction r;
    r.answer = Answer::Silence;
    return r;
}

Reaction Reaction::Corrupted(Corruption corruption) {
    return Reaction().WithCorruption(corruption);
}

Reaction Reaction::UploadFrames(std::vector<Bytes> frames, bool endFrame) {
    Reaction r;
    r.answer = Answer::Upload;
    r.frames = std::move(frames);
    r.endFrame = endFrame;
    return r;
}

Printer::Printer(Observer observer, PrinterState state)
    : pty_(std::make_unique<test::PtyPair>()), master_(pty_->master()),
      observer_(std::move(observer)), device_(std::move(state)) {
    Start();
}

Printer::Printer(int masterFd, Observer observer, PrinterState state)
    : master_(masterFd), observer_(std::move(observer)), device_(std::move(state)) {
    int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) < 0)
        throw std::runtime_error("emulator: not a usable descriptor");
    Start();
}

Printer::~Printer() {
    Stop();
    if (wake_ >= 0) close(wake_);
    if (release_ >= 0) close(release_);
}

void Printer::Start() {
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    release_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0 || release_ < 0) throw std::runtime_error("emulator: eventfd failed");
    thread_ = std::thread([this] { Serve(); });
}

void Printer::Stop() {
    if (!thread_.joinable()) return;
    std::uint64_t one = 1;
    while (write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    // From the observer the thread ends after it returns; the destructor joins it.
    if (std::this_thread::get_id() == thread_.get_id()) return;
    thread_.join();
}

void Printer::ReleaseHeld() {
    std::uint64_t one = 1;
    while (write(release_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

std::string Printer::SlavePath() const {
    return pty_ ? pty_->slavePath() : std::string();
}

void Printer::PushReaction(Reaction reaction) {
    std::lock_guard lock(mutex_);
    reactions_.push_back(std::move(reaction));
}

std::size_t Printer::QueuedReactions() const {
    std::lock_guard lock(mutex_);
    return reactions_.size();
}

std::vector<ReceivedFrame> Printer::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

Bytes Printer::RawReceived() const {
    std::lock_guard lock(mutex_);
    return raw_;
}

bool Printer::WaitForFrames(std::size_t count, Millis timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

PrinterState Printer::State() const {
    std::lock_guard lock(mutex_);
    return device_.State();
}

void Printer::Serve() {
    bool hungUp = false;
    for (;;) {
        bool blocked = FlushDue();
        int timeout = -1;
        if (!out_.empty() && !blocked) {
            auto left = std::chrono::ceil<Millis>(out_.front().due - Clock::now());
            timeout = static_cast<int>(std::max<Millis::rep>(0, left.count()));
        }
        if (hungUp)
            timeout = timeout < 0 ? static_cast<int>(kHangupBackoff.count())
                                  : std::min(timeout, static_cast<int>(kHangupBackoff.count()));

        pollfd fds[3] = {
            {wake_, POLLIN, 0}, {hungUp ? -1 : master_, POLLIN, 0}, {release_, POLLIN, 0}};
        if (blocked) fds[1].events |= POLLOUT;
        int n = poll(fds, 3, timeout);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents) return;
        if (fds[2].revents & POLLIN) {
            std::uint64_t count = 0;
            if (read(release_, &count, sizeof count) == sizeof count) releases_ += count;
            for (; releases_ > 0 && !held_.empty(); --releases_) {
                auto now = Clock::now();
                for (auto& piece : held_.front()) {
                    piece.due = std::max(piece.due, now);
                    out_.push_back(std::move(piece));
                }
                held_.erase(held_.begin());
            }
            continue;
        }
        hungUp = false;

        if (fds[1].revents & POLLIN) {
            char buf[4096];
            ssize_t got = read(master_, buf, sizeof buf);
            if (got > 0) {
                BytesView chunk(buf, static_cast<std::size_t>(got));
                {
                    std::lock_guard lock(mutex_);
                    raw_.append(chunk);
                }
                for (auto& stretch : collector_.Feed(chunk)) OnStretch(std::move(stretch));
                continue;
            }
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            hungUp = true; // EIO: nobody holds the slave side open
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            hungUp = true;
        } else if (fds[1].revents & POLLNVAL) {
            return;
        }
    }
}

bool Printer::FlushDue() {
    auto now = Clock::now();
    while (!out_.empty() && out_.front().due <= now) {
        auto& piece = out_.front();
        ssize_t n = write(master_, piece.bytes.data(), piece.bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) return true;
            out_.clear(); // the line is gone; nothing can be delivered
            return false;
        }
        piece.bytes.erase(0, static_cast<std::size_t>(n));
        if (!piece.bytes.empty()) return true;
        out_.pop_front();
    }
    return false;
}

void Printer::OnStretch(Stretch stretch) {
    ReceivedFrame frame = Decode(std::move(stretch));
    Reaction reaction;
    {
        std::lock_guard lock(mutex_);
        received_.push_back(frame);
        if (frame.valid && !reactions_.empty()) {
            reaction = std::move(reactions_.front());
            reactions_.pop_front();
        }
    }
    changed_.notify_all();
    if (frame.valid) Schedule(reaction, frame);
    if (observer_) observer_(frame);
}

void Printer::Schedule(const Reaction& reaction, const ReceivedFrame& frame) {
    std::vector<Bytes> payloads;
    switch (reaction.answer) {
    case Reaction::Answer::Silence:
        return;
    case Reaction::Answer::Payload:
        payloads.push_back(reaction.payload);
        break;
    case Reaction::Answer::Upload:
        payloads = reaction.frames;
        if (reaction.endFrame) payloads.push_back(kUploadEnd);
        break;
    case Reaction::Answer::Default:
        if (last_.valid && last_.sequence == frame.sequence && last_.text == frame.text &&
            frame.received - last_.when < kRepeatWindow) {
            payloads = last_.payloads;
        } else {
            std::lock_guard lock(mutex_);
            payloads = device_.Execute(frame.text).payloads;
        }
        last_ = LastCommand{frame.sequence, frame.text, payloads, frame.received, true};
        break;
    }

    // Frames in the order they go out, each with the pause in front of it.
    std::vector<std::pair<Millis, Bytes>> frames;
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        Millis gap = i == 0 ? reaction.delay : reaction.frameGap;
        if (i == 0 && reaction.corruption != Corruption::None) {
            frames.emplace_back(gap, EncodeReply(frame.sequence, payloads[i], reaction.corruption));
            if (!reaction.thenSound) continue;
            gap = reaction.soundDelay;
        }
        frames.emplace_back(gap, EncodeReply(frame.sequence, payloads[i]));
    }
    if (frames.empty()) return;
    frames.front().second.insert(0, reaction.junk);
    if (reaction.held && releases_ == 0) {
        Enqueue(held_.emplace_back(), std::move(frames), reaction);
        return;
    }
    if (reaction.held) --releases_;
    Enqueue(out_, std::move(frames), reaction);
}

void Printer::Enqueue(std::deque<Piece>& into, std::vector<std::pair<Millis, Bytes>> frames,
                      const Reaction& reaction) {
    auto due = std::max(Clock::now(), into.empty() ? Clock::now() : into.back().due);
    for (auto& [gap, bytes] : frames) {
        due += gap;
        if (reaction.chunk == 0) {
            into.push_back(Piece{due, std::move(bytes)});
            continue;
        }
        for (std::size_t at = 0; at < bytes.size(); at += reaction.chunk) {
            if (at > 0) due += reaction.chunkDelay;
            into.push_back(Piece{due, bytes.substr(at, reaction.chunk)});
        }
    }
}

} // namespace fprn::emu
