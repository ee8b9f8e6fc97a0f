#pragma once
// A pseudo-terminal for tests and the printer emulator: the master side plays the printer,
// the slave path is what the code under test opens as its serial port.
#include <chrono>
#include <string>

namespace fprn::test {

class PtyPair {
public:
    // Opens a pty in raw mode. One slave descriptor stays open for the pair's lifetime so the
    // master never sees a hang-up while the code under test reopens the slave.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // Writes all bytes to the master (retries on EINTR/EAGAIN). Returns false on error.
    bool write(const std::string& bytes);
    // Reads what arrives at the master until `count` bytes are in or `timeout` passes.
    std::string read(std::size_t count, std::chrono::milliseconds timeout);
    // Drops the held slave descriptor (to let the master see a hang-up once the code under
    // test closes its side too).
    void releaseSlave();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

} // namespace fprn::test
