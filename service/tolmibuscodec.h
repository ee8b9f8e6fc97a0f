#pragma once
// Packets of the firmware download: the 261-byte packet, its 7-bit wire frame, the packet sum,
// the BCD helpers and the byte-by-byte acceptance of the printer's answers. Pure code.
#include <array>
#include <cstddef>
#include <cstdint>

namespace fprn::tolmibus {

constexpr std::size_t PacketSize = 261; // command, number (2), data (256), sum (2)
constexpr std::size_t DataSize = 256;
constexpr std::size_t DataOffset = 3;
constexpr std::size_t SummedSize = 259; // P[0] to P[258]
constexpr std::size_t FrameSize = 301;  // W[0] to W[300]
constexpr std::size_t WireSize = 302;   // the frame and the trailing 0xFF on the line

constexpr std::uint8_t FrameStart = 0x03;
constexpr std::uint8_t FrameEnd = 0x04;
constexpr std::uint8_t FrameTrailer = 0xFF;
constexpr std::uint8_t AckByte = 0x02;
constexpr std::uint8_t NakByte = 0x55;

constexpr std::uint8_t CmdLogon = 0x0E;   // logon and identification
constexpr std::uint8_t CmdProgram = 0x0F; // program data, start and end

using Packet = std::array<std::uint8_t, PacketSize>;
using Frame = std::array<std::uint8_t, FrameSize>;
using Wire = std::array<std::uint8_t, WireSize>;

// 16-bit sum of the bytes, each taken as 0 to 255.
std::uint16_t PacketSum(const std::uint8_t* bytes, std::size_t count);
// Sums P[0] to P[258] into P[259] (low) and P[260] (high).
void StoreSum(Packet& packet);
// Packet number in P[1], P[2], low byte first.
std::uint16_t PacketNumber(const Packet& packet);
void SetPacketNumber(Packet& packet, std::uint16_t number);

// The 302 bytes written to the line: the frame W[0] to W[300] and 0xFF.
Wire EncodePacket(const Packet& packet);
// Unpacks a received frame. Sets `checksumError` when the carried sum does not match the bytes;
// never clears it.
Packet DecodePacket(const Frame& frame, bool& checksumError);

// `value` as `digits` packed-BCD digits, most significant pair first; writes (digits + 1) / 2
// bytes. Digits beyond `digits` are dropped; an odd count leaves the first high nibble 0.
void IntToBcd(std::uint32_t value, int digits, std::uint8_t* out);
// The last two decimal digits of `value` as one packed-BCD byte.
std::uint8_t ByteToBcd(unsigned value);

enum class ReceiveMode { Acknowledgement, Frame };

// Byte acceptance of one wait: an acknowledgement byte (0x02 or 0x55) or a whole reply frame
// that echoes the request's command and packet number.
class ReplyReceiver {
public:
    enum Completion : int { Nothing = -1, Partial = 0, Complete = 1 };

    // Forgets what was received; keeps the mode and the echo bytes.
    void Reset();
    void SetMode(ReceiveMode mode) { mode_ = mode; }
    ReceiveMode Mode() const { return mode_; }
    // W[1] to W[3] of the request: a reply frame must begin with them.
    void SetEcho(const Wire& request);

    // Feeds one block as the serial port delivered it.
    void Feed(const std::uint8_t* bytes, std::size_t count);

    int Completion() const { return completion_; }
    bool IsComplete() const { return completion_ == Complete; }
    // The acknowledgement byte received, 0 when none.
    std::uint8_t ReplyByte() const { return replyByte_; }
    // The received frame, valid once a frame is complete in frame mode.
    const Frame& ReceivedFrame() const { return frame_; }
    std::size_t Position() const { return position_; }

private:
    void FeedAcknowledgement(const std::uint8_t* bytes, std::size_t count);
    void FeedFrame(const std::uint8_t* bytes, std::size_t count);
    bool Accepts(std::uint8_t b) const;

    ReceiveMode mode_ = ReceiveMode::Acknowledgement;
    std::array<std::uint8_t, 3> echo_{};
    Frame frame_{};
    std::size_t position_ = 0;
    int completion_ = Nothing;
    std::uint8_t replyByte_ = 0;
};

} // namespace fprn::tolmibus
