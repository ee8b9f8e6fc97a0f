#include "wire.h"

#include "frame.h"

namespace fprn::emu {

namespace {

void Stuff(Bytes& out, unsigned char c) {
    if (c == kFrameEnd) {
        out.push_back(static_cast<char>(kFrameEsc));
        out.push_back(static_cast<char>(kFrameEscEnd));
    } else if (c == kFrameEsc) {
        out.push_back(static_cast<char>(kFrameEsc));
        out.push_back(static_cast<char>(kFrameEscEsc));
    } else {
        out.push_back(static_cast<char>(c));
    }
}

} // namespace

Bytes EncodeReply(std::uint8_t sequence, BytesView payload, Corruption corruption) {
    Bytes body;
    body.reserve(payload.size() + 4);
    body.push_back(static_cast<char>(sequence));
    body.push_back(static_cast<char>(0xAA));
    body.push_back(static_cast<char>(corruption == Corruption::WrongMarker ? 0x56 : 0x55));
    body.append(payload);
    auto check = FrameChecksum(body);
    if (corruption == Corruption::BadChecksum) check = static_cast<std::uint8_t>(~check);
    body.push_back(static_cast<char>(check));

    Bytes frame;
    frame.reserve(body.size() * 2 + 4);
    frame.push_back(static_cast<char>(kFrameEnd));
    for (std::size_t i = 0; i < body.size(); ++i) {
        Stuff(frame, static_cast<unsigned char>(body[i]));
        // Right behind the marker, so the fault sits inside any frame however short.
        if (corruption == Corruption::BrokenEscape && i == 2) {
            frame.push_back(static_cast<char>(kFrameEsc));
            frame.push_back(static_cast<char>(0xDE));
        }
    }
    frame.push_back(static_cast<char>(kFrameEnd));
    return frame;
}

std::optional<Bytes> CommandText(BytesView raw) {
    Bytes framed(1, static_cast<char>(kFrameEnd));
    framed.append(raw);
    Bytes text = ParseFrame(framed);
    if (!text.empty()) return text;
    // The parser refuses empty texts and stretches of six bytes or fewer; a printer still
    // reads a sound frame of that size as a command (and refuses it).
    Bytes body;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        auto c = static_cast<unsigned char>(raw[i]);
        if (c == kFrameEsc) {
            if (i + 1 >= raw.size()) return std::nullopt;
            auto next = static_cast<unsigned char>(raw[++i]);
            if (next == kFrameEscEnd)
                c = kFrameEnd;
            else if (next == kFrameEscEsc)
                c = kFrameEsc;
            else
                return std::nullopt;
        }
        body.push_back(static_cast<char>(c));
    }
    if (body.size() < 4 || static_cast<unsigned char>(body[1]) != 0xAA ||
        static_cast<unsigned char>(body[2]) != 0x55 ||
        static_cast<unsigned char>(body.back()) !=
            FrameChecksum(BytesView(body).substr(0, body.size() - 1)))
        return std::nullopt;
    return body.substr(3, body.size() - 4);
}

std::vector<Stretch> FrameCollector::Feed(BytesView bytes) {
    std::vector<Stretch> done;
    for (unsigned char c : bytes) {
        if (c == kFrameEnd) {
            if (!current_.raw.empty()) {
                done.push_back(std::move(current_));
                current_ = Stretch{};
            }
            continue;
        }
        if (current_.raw.size() < kMaxStretch)
            current_.raw.push_back(static_cast<char>(c));
        else
            current_.overflow = true;
    }
    return done;
}

} // namespace fprn::emu
