#include "replyassembler.h"

#include "frame.h"

namespace fprn {

bool IsUploadEndFrame(BytesView payload) {
    return payload.size() >= 3 && payload[0] == 'O' && payload[1] == '0' &&
           static_cast<unsigned char>(payload[2]) == 0xAA;
}

void ReplyAssembler::Reset() {
    raw_.clear();
    discarding_ = false;
}

bool ReplyAssembler::Feed(BytesView chunk, bool upload,
                          const std::function<void(BytesView)>& onData) {
    const char delimiter = static_cast<char>(kFrameEnd);
    for (char b : chunk) {
        if (discarding_) {
            if (b != delimiter) continue;
            discarding_ = false;
            raw_.assign(1, delimiter);
            continue;
        }
        if (b == delimiter && !raw_.empty()) {
            payload_ = ParseFrame(raw_);
            if (!upload) {
                if (!payload_.empty()) return true;
            } else {
                if (IsUploadEndFrame(payload_)) return true;
                if (!payload_.empty() && onData) onData(payload_);
            }
            raw_.assign(1, delimiter);
        }
        raw_.push_back(b);
        if (raw_.size() > kMaxStretch) {
            raw_.clear();
            discarding_ = true;
        }
    }
    return false;
}

} // namespace fprn
