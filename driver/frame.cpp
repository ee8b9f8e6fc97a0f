#include "frame.h"

namespace fprn {

std::uint8_t FrameChecksum(BytesView body) {
    unsigned sum = 0;
    for (unsigned char c : body) sum += c;
    return static_cast<std::uint8_t>(~sum & 0xFF);
}

Bytes BuildFrame(std::uint8_t& sequence, BytesView text) {
    sequence = static_cast<std::uint8_t>(sequence % 99 + 1);
    Bytes body;
    body.reserve(text.size() + 4);
    body.push_back(static_cast<char>(sequence));
    body.push_back(static_cast<char>(0xAA));
    body.push_back(static_cast<char>(0x55));
    body.append(text);
    body.push_back(static_cast<char>(FrameChecksum(body)));

    Bytes frame;
    frame.reserve(body.size() * 2 + 4);
    frame.push_back(static_cast<char>(kFrameEnd));
    for (unsigned char c : body) {
        if (c == kFrameEnd) {
            frame.push_back(static_cast<char>(kFrameEsc));
            frame.push_back(static_cast<char>(kFrameEscEnd));
        } else if (c == kFrameEsc) {
            frame.push_back(static_cast<char>(kFrameEsc));
            frame.push_back(static_cast<char>(kFrameEscEsc));
        } else {
            frame.push_back(static_cast<char>(c));
        }
    }
    frame.append(3, static_cast<char>(kFrameEnd));
    return frame;
}

Bytes ParseFrame(BytesView raw) {
    if (raw.size() <= 6) return {};
    Bytes body;
    body.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        auto c = static_cast<unsigned char>(raw[i]);
        if (c == kFrameEnd) continue;
        if (c == kFrameEsc) {
            if (i + 1 >= raw.size()) return {};
            auto next = static_cast<unsigned char>(raw[++i]);
            if (next == kFrameEscEnd) {
                body.push_back(static_cast<char>(kFrameEnd));
            } else if (next == kFrameEscEsc) {
                body.push_back(static_cast<char>(kFrameEsc));
            } else {
                return {};
            }
            continue;
        }
        body.push_back(static_cast<char>(c));
    }
    if (body.size() < 4) return {};
    if (static_cast<unsigned char>(body[1]) != 0xAA || static_cast<unsigned char>(body[2]) != 0x55)
        return {};
    auto check = static_cast<unsigned char>(body.back());
    if (check != FrameChecksum(BytesView(body).substr(0, body.size() - 1))) return {};
    return body.substr(3, body.size() - 4);
}

} // namespace fprn
