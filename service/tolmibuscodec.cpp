#include "tolmibuscodec.h"

namespace fprn::tolmibus {

std::uint16_t PacketSum(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t total = 0;
    for (std::size_t i = 0; i < count; ++i) total += bytes[i];
    return static_cast<std::uint16_t>(total & 0xFFFF);
}

void StoreSum(Packet& packet) {
    std::uint16_t sum = PacketSum(packet.data(), SummedSize);
    packet[259] = static_cast<std::uint8_t>(sum & 0xFF);
    packet[260] = static_cast<std::uint8_t>(sum >> 8);
}

std::uint16_t PacketNumber(const Packet& packet) {
    return static_cast<std::uint16_t>(packet[1] | (packet[2] << 8));
}

void SetPacketNumber(Packet& packet, std::uint16_t number) {
    packet[1] = static_cast<std::uint8_t>(number & 0xFF);
    packet[2] = static_cast<std::uint8_t>(number >> 8);
}

Wire EncodePacket(const Packet& packet) {
    Wire w{};
    w[0] = FrameStart;
    for (std::size_t i = 0; i < SummedSize; ++i) {
        std::size_t g = i / 7, k = i % 7;
        w[8 * g + 1 + k] = packet[i] & 0x7F;
        if (packet[i] & 0x80) w[8 * g + 8] |= static_cast<std::uint8_t>(1u << k);
    }
    w[297] = packet[259] & 0x7F;
    w[298] = packet[260] & 0x7F;
    if (packet[259] & 0x80) w[299] |= 0x01;
    if (packet[260] & 0x80) w[299] |= 0x02;
    for (std::size_t i = 1; i < FrameSize - 1; ++i) w[i] |= 0x80;
    w[300] = FrameEnd;
    w[301] = FrameTrailer;
    return w;
}

Packet DecodePacket(const Frame& frame, bool& checksumError) {
    Packet p{};
    for (std::size_t i = 0; i < SummedSize; ++i) {
        std::size_t g = i / 7, k = i % 7;
        p[i] = frame[8 * g + 1 + k] & 0x7F;
        if (frame[8 * g + 8] & (1u << k)) p[i] |= 0x80;
    }
    p[259] = static_cast<std::uint8_t>((frame[297] & 0x7F) | ((frame[299] & 0x01) ? 0x80 : 0));
    p[260] = static_cast<std::uint8_t>((frame[298] & 0x7F) | ((frame[299] & 0x02) ? 0x80 : 0));
    std::uint16_t sum = PacketSum(p.data(), SummedSize);
    if ((sum & 0xFF) != p[259] || (sum >> 8) != p[260]) checksumError = true;
    return p;
}

void IntToBcd(std::uint32_t value, int digits, std::uint8_t* out) {
    if (digits <= 0) return;
    int bytes = (digits + 1) / 2;
    for (int i = bytes - 1; i >= 0; --i) {
        unsigned units = value % 10;
        value /= 10;
        unsigned tens = value % 10;
        value /= 10;
        // The top byte of an odd count carries a single digit.
        if (i == 0 && (digits % 2) != 0) tens = 0;
        out[i] = static_cast<std::uint8_t>(tens * 16 + units);
    }
}

std::uint8_t ByteToBcd(unsigned value) {
    return static_cast<std::uint8_t>((value / 10 % 10) * 16 + value % 10);
}

void ReplyReceiver::Reset() {
    position_ = 0;
    completion_ = Nothing;
    replyByte_ = 0;
}

void ReplyReceiver::SetEcho(const Wire& request) {
    echo_ = {request[1], request[2], request[3]};
}

void ReplyReceiver::Feed(const std::uint8_t* bytes, std::size_t count) {
    if (completion_ == Complete) return;
    if (completion_ == Nothing) completion_ = Partial;
    if (mode_ == ReceiveMode::Acknowledgement)
        FeedAcknowledgement(bytes, count);
    else
        FeedFrame(bytes, count);
}

void ReplyReceiver::FeedAcknowledgement(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] == AckByte || bytes[i] == NakByte) {
            replyByte_ = bytes[i];
            completion_ = Complete;
            return;
        }
    }
}

bool ReplyReceiver::Accepts(std::uint8_t b) const {
    if (position_ == 0) return b == FrameStart;
    if (position_ <= 3) return b == echo_[position_ - 1];
    if (position_ < FrameSize - 1) return b >= 0x80;
    return b == FrameEnd;
}

void ReplyReceiver::FeedFrame(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t b = bytes[i];
        if (Accepts(b)) {
            frame_[position_] = b;
            if (position_ == FrameSize - 1) {
                completion_ = Complete;
                position_ = 0;
                return;
            }
            ++position_;
        } else if (b == FrameStart) {
            // A refused start byte opens the next frame at once.
            frame_[0] = FrameStart;
            position_ = 1;
        } else {
            position_ = 0;
        }
    }
}

} // namespace fprn::tolmibus
