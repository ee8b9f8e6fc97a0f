#include "bootloader.h"

#include "tolmibuscodec.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace fprn::emu {

namespace tb = fprn::tolmibus;

namespace {

constexpr unsigned RateTable[] = {9600, 19200, 38400, 57600, 115200};
constexpr int WakeUpBurst = 64;
constexpr std::uint8_t WakeUpByte = 0x66;
constexpr std::uint16_t LogonNumber = 1;
constexpr std::uint16_t EndNumber = 1;

unsigned BaudOf(speed_t s) {
    switch (s) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

// A chunk to write, and a pause before it (a reply split over two writes).
struct Chunk {
    std::string bytes;
    int pauseMs = 0;
};

} // namespace

FakeBootLoader::FakeBootLoader(int master, unsigned printerRate)
    : master_(master), rate_(printerRate) {
    for (std::size_t i = 0; i < identification_.size(); ++i)
        identification_[i] = static_cast<std::uint8_t>(0xA0 ^ i);
}

FakeBootLoader::~FakeBootLoader() {
    Stop();
}

void FakeBootLoader::Script(std::uint8_t command, std::uint16_t number,
                            std::vector<BootAction> actions) {
    std::lock_guard lock(mutex_);
    auto& q = script_[{command, number}];
    q.insert(q.end(), actions.begin(), actions.end());
}

void FakeBootLoader::SetIdentification(const std::array<std::uint8_t, 256>& data) {
    std::lock_guard lock(mutex_);
    identification_ = data;
}

void FakeBootLoader::SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
}

void FakeBootLoader::SetOnPacket(std::function<void(const BootPacket&)> onPacket) {
    std::lock_guard lock(mutex_);
    onPacket_ = std::move(onPacket);
}

void FakeBootLoader::SetOnWakeUp(std::function<void(int)> onWakeUp) {
    std::lock_guard lock(mutex_);
    onWakeUp_ = std::move(onWakeUp);
}

void FakeBootLoader::Start() {
    if (thread_.joinable()) return;
    wake_ = eventfd(0, EFD_CLOEXEC);
    if (wake_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    thread_ = std::thread([this] { Run(); });
}

void FakeBootLoader::Stop() {
    if (!thread_.joinable()) return;
    std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
    thread_.join();
    close(wake_);
    wake_ = -1;
}

unsigned FakeBootLoader::LineRate() const {
    termios tio{};
    if (tcgetattr(master_, &tio) != 0) return 0;
    return BaudOf(cfgetospeed(&tio));
}

void FakeBootLoader::Run() {
    std::uint8_t buf[4096];
    bool hungUp = false;
    for (;;) {
        pollfd fds[2] = {{wake_, POLLIN, 0}, {master_, POLLIN, 0}};
        // After a hang-up the master stays readable-by-error; wait only for the stop.
        int r = poll(fds, hungUp ? 1 : 2, -1);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 || (fds[0].revents & POLLIN)) return;
        if (fds[1].revents & POLLIN) {
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0) {
                std::vector<Chunk> out;
                std::vector<BootPacket> packets;
                std::vector<int> bursts;
                std::function<void(const BootPacket&)> onPacket;
                std::function<void(int)> onWakeUp;
                {
                    std::lock_guard lock(mutex_);
                    received_.append(reinterpret_cast<const char*>(buf),
                                     static_cast<std::size_t>(n));
                    ++arrivals_;
                    Take(buf, static_cast<std::size_t>(n));
                    for (auto& c : pending_) out.push_back({std::move(c.first), c.second});
                    pending_.clear();
                    packets.swap(newPackets_);
                    bursts.swap(newBursts_);
                    onPacket = onPacket_;
                    onWakeUp = onWakeUp_;
                }
                changed_.notify_all();
                for (int b : bursts)
                    if (onWakeUp) onWakeUp(b);
                for (const auto& p : packets)
                    if (onPacket) onPacket(p);
                for (auto& c : out) {
                    if (c.pauseMs > 0) {
                        pollfd w{wake_, POLLIN, 0};
                        if (poll(&w, 1, c.pauseMs) > 0) return;
                    }
                    Write(c.bytes);
                }
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            hungUp = true;
        } else if (fds[1].revents != 0) {
            hungUp = true; // hang-up, error, or a master closed under the loader
        }
    }
}

void FakeBootLoader::Write(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd fds[2] = {{wake_, POLLIN, 0}, {master_, POLLOUT, 0}};
            if (poll(fds, 2, 1000) <= 0 || (fds[0].revents & POLLIN)) return;
        } else if (!(n < 0 && errno == EINTR)) {
            return;
        }
    }
}

void FakeBootLoader::Take(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t b = bytes[i];
        if (b == tb::FrameStart) {
            frame_.assign(1, b);
            inFrame_ = true;
            wakeRun_ = 0;
            continue;
        }
        if (!inFrame_) {
            if (b == WakeUpByte) {
                if (++wakeRun_ == WakeUpBurst) {
                    newBursts_.push_back(++wakeBursts_);
                    wakeRun_ = 0;
                }
            } else {
                wakeRun_ = 0;
            }
            continue;
        }
        frame_.push_back(b);
        if (b == tb::FrameEnd) {
            inFrame_ = false;
            if (frame_.size() == tb::FrameSize) Complete();
        } else if (b < 0x80 || frame_.size() >= tb::FrameSize) {
            inFrame_ = false; // garbled: wait for the next start byte
        }
    }
}

void FakeBootLoader::Complete() {
    tb::Frame f{};
    std::copy(frame_.begin(), frame_.end(), f.begin());
    bool sumError = false;
    tb::Packet packet = tb::DecodePacket(f, sumError);

    BootPacket p;
    p.command = packet[0];
    p.number = tb::PacketNumber(packet);
    std::copy(packet.begin() + tb::DataOffset, packet.begin() + tb::DataOffset + tb::DataSize,
              p.data.begin());
    p.rate = LineRate();
    p.rateOk = p.rate == rate_;
    p.sumOk = !sumError;

    // A frame at another rate would be garbage to a real line: nothing to answer.
    BootAction action = BootAction::Answer;
    if (!p.rateOk || silent_) {
        action = BootAction::Drop;
    } else if (!p.sumOk) {
        action = BootAction::Nak;
    } else if (auto it = script_.find({p.command, p.number});
               it != script_.end() && !it->second.empty()) {
        action = it->second.front();
        it->second.pop_front();
    }
    p.action = action;
    packets_.push_back(p);
    newPackets_.push_back(p);

    if (action == BootAction::Answer) {
        if (p.command == tb::CmdLogon && p.number == LogonNumber) {
            unsigned ordinal = packet[13];
            if (ordinal < std::size(RateTable)) rate_ = RateTable[ordinal];
            // A logon begins a download: the image and its end are those of this one.
            started_ = false;
            startNumber_ = -1;
            endSeen_ = false;
            endSum_ = 0;
            image_.clear();
        } else if (p.command == tb::CmdProgram) {
            if (!started_) {
                started_ = true;
                startNumber_ = p.number;
            } else if (p.number == EndNumber) {
                endSeen_ = true;
                endSum_ = static_cast<std::uint16_t>(p.data[0] | (p.data[1] << 8));
            } else {
                std::size_t block =
                    p.number >= 0x0E00 && p.number <= 0x0E0F ? p.number - 0x0E00u : p.number;
                std::size_t end = (block + 1) * tb::DataSize;
                if (image_.size() < end) image_.resize(end);
                std::copy(p.data.begin(), p.data.end(),
                          image_.begin() + static_cast<long>(block * tb::DataSize));
            }
        }
    }
    Answer(p, action);
}

void FakeBootLoader::Answer(const BootPacket& p, BootAction action) {
    bool request = p.command == tb::CmdLogon && p.number != LogonNumber;
    switch (action) {
    case BootAction::Drop:
        return;
    case BootAction::Nak:
        pending_.push_back({std::string(1, char(tb::NakByte)), 0});
        return;
    case BootAction::Answer:
        if (!request) {
            pending_.push_back({std::string(1, char(tb::AckByte)), 0});
            return;
        }
        break;
    default:
        if (!request) return; // garbled replies exist only for requests
        break;
    }
    tb::Packet reply{};
    reply[0] = p.command;
    tb::SetPacketNumber(reply, action == BootAction::WrongEcho
                                   ? static_cast<std::uint16_t>(p.number + 1)
                                   : p.number);
    std::copy(identification_.begin(), identification_.end(), reply.begin() + tb::DataOffset);
    tb::StoreSum(reply);
    if (action == BootAction::BadSum) reply[259] ^= 0x01;
    tb::Wire w = tb::EncodePacket(reply);
    std::string frame(reinterpret_cast<const char*>(w.data()), w.size());
    switch (action) {
    case BootAction::Noise:
        // Stray bytes and a false start that a low byte breaks off.
        pending_.push_back({std::string("\x00\x41\x03\x81\x82\x7F\x04\x02\x55", 9) + frame, 0});
        break;
    case BootAction::Split:
        pending_.push_back({frame.substr(0, 150), 0});
        pending_.push_back({frame.substr(150), 30});
        break;
    default:
        pending_.push_back({frame, 0});
        break;
    }
}

int FakeBootLoader::WakeUpBursts() const {
    std::lock_guard lock(mutex_);
    return wakeBursts_;
}

unsigned FakeBootLoader::Rate() const {
    std::lock_guard lock(mutex_);
    return rate_;
}

std::vector<BootPacket> FakeBootLoader::Packets() const {
    std::lock_guard lock(mutex_);
    return packets_;
}

std::vector<std::uint8_t> FakeBootLoader::Image() const {
    std::lock_guard lock(mutex_);
    return image_;
}

int FakeBootLoader::StartNumber() const {
    std::lock_guard lock(mutex_);
    return startNumber_;
}

bool FakeBootLoader::EndSeen() const {
    std::lock_guard lock(mutex_);
    return endSeen_;
}

std::uint16_t FakeBootLoader::EndSum() const {
    std::lock_guard lock(mutex_);
    return endSum_;
}

std::string FakeBootLoader::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

bool FakeBootLoader::WaitQuiet(int quietMs, int timeoutMs) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(mutex_);
    for (;;) {
        std::uint64_t seen = arrivals_;
        bool moved = changed_.wait_for(lock, std::chrono::milliseconds(quietMs),
                                       [&] { return arrivals_ != seen; });
        if (!moved) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
    }
}

} // namespace fprn::emu
