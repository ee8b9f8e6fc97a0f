#pragma once
// Turns the chunks the serial port delivers into reply frames.
#include "bytes.h"

#include <functional>

namespace fprn {

class ReplyAssembler {
public:
    // A stretch this long without a delimiter is noise: it is dropped and collection starts
    // again at the next delimiter, so a babbling line cannot grow memory.
    static constexpr std::size_t kMaxStretch = 16384;

    // Forgets any partial frame.
    void Reset();

    // Feeds one chunk. Returns true when a reply is complete; the bytes of the chunk behind
    // the completing delimiter are dropped. In upload mode, every accepted frame other than
    // the end frame ('O', '0', 0xAA) is handed to `onData` (which may throw).
    bool Feed(BytesView chunk, bool upload, const std::function<void(BytesView)>& onData);

    // Payload of the last frame parsed (empty for an invalid frame).
    const Bytes& Payload() const { return payload_; }

private:
    Bytes raw_;
    Bytes payload_;
    bool discarding_ = false;
};

// An upload's last frame carries this mark at its start.
bool IsUploadEndFrame(BytesView payload);

} // namespace fprn
