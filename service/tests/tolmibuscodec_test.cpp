#include "tolmibuscodec.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace fprn::tolmibus;

namespace {

using Bytes = std::vector<std::uint8_t>;

Packet RandomPacket(std::mt19937& rng, std::uint8_t command = 0, std::uint16_t number = 0) {
    Packet p{};
    for (std::size_t i = 0; i < SummedSize; ++i) p[i] = static_cast<std::uint8_t>(rng());
    if (command != 0) p[0] = command;
    if (number != 0) SetPacketNumber(p, number);
    StoreSum(p);
    return p;
}

Frame FrameOf(const Wire& w) {
    Frame f{};
    std::copy(w.begin(), w.begin() + FrameSize, f.begin());
    return f;
}

} // namespace

TEST(PacketTest, SumWrapsAndNumberIsLowByteFirst) {
    Packet p{};
    p.fill(0xFF);
    StoreSum(p);
    // 259 x 255 = 66045, which wraps to 0x01FD.
    EXPECT_EQ(p[259], 0xFD);
    EXPECT_EQ(p[260], 0x01);
    SetPacketNumber(p, 0x0E0F);
    EXPECT_EQ(p[1], 0x0F);
    EXPECT_EQ(p[2], 0x0E);
    EXPECT_EQ(PacketNumber(p), 0x0E0F);
}

// Every packet bit lands in exactly one wire bit: the low seven in the data byte, the top one in
// its group's mask byte; the sum bytes in W[297], W[298] and two bits of W[299].
TEST(EncodeTest, EachPacketBitHasItsOwnWirePosition) {
    Wire zero = EncodePacket(Packet{});
    Wire expectedZero{};
    expectedZero.fill(0x80);
    expectedZero[0] = 0x03;
    expectedZero[300] = 0x04;
    expectedZero[301] = 0xFF;
    EXPECT_EQ(zero, expectedZero);
    for (std::size_t i = 0; i < PacketSize; ++i) {
        for (int bit : {0, 6, 7}) {
            Packet p{};
            p[i] = static_cast<std::uint8_t>(1u << bit);
            Wire w = EncodePacket(p);
            std::vector<std::size_t> changed;
            for (std::size_t j = 0; j < WireSize; ++j)
                if (w[j] != zero[j]) changed.push_back(j);
            std::size_t expected = i < SummedSize
                                       ? (bit == 7 ? 8 * (i / 7) + 8 : 8 * (i / 7) + 1 + i % 7)
                                       : (bit == 7 ? 299 : 297 + (i - 259));
            ASSERT_EQ(changed, std::vector<std::size_t>{expected})
                << "byte " << i << " bit " << bit;
        }
    }
}

TEST(EncodeTest, RandomPacketsRoundTripAndEveryChangedWireBitIsSeen) {
    std::mt19937 rng(1234);
    for (int n = 0; n < 2000; ++n) {
        Packet p = RandomPacket(rng);
        Wire w = EncodePacket(p);
        ASSERT_EQ(w[0], 0x03);
        ASSERT_EQ(w[300], 0x04);
        ASSERT_EQ(w[301], 0xFF);
        for (std::size_t i = 1; i < 300; ++i) ASSERT_GE(w[i], 0x80) << i;
        bool err = false;
        ASSERT_EQ(DecodePacket(FrameOf(w), err), p);
        ASSERT_FALSE(err);
    }
    Packet p = RandomPacket(rng);
    Wire w = EncodePacket(p);
    // A one-bit change moves the sum by a power of two below 65536: never cancels. W[299]
    // carries only the two top bits of the sum.
    for (std::size_t i = 1; i < 300; ++i) {
        for (int bit = 0; bit < (i == 299 ? 2 : 7); ++bit) {
            Frame f = FrameOf(w);
            f[i] ^= static_cast<std::uint8_t>(1u << bit);
            bool err = false;
            EXPECT_NE(DecodePacket(f, err), p) << i << "/" << bit;
            EXPECT_TRUE(err) << i << "/" << bit;
        }
    }
    bool err = true; // and the flag is never cleared
    DecodePacket(FrameOf(w), err);
    EXPECT_TRUE(err);
}

TEST(BcdTest, Vectors) {
    struct Case {
        std::uint32_t value;
        int digits;
        Bytes expected; // four bytes: the ones not written keep 0xAA
    } cases[] = {{345678, 8, {0x00, 0x34, 0x56, 0x78}},
                 {5718, 8, {0x00, 0x00, 0x57, 0x18}},
                 {4294967295u, 8, {0x94, 0x96, 0x72, 0x95}}, // only the last eight digits fit
                 {12345, 3, {0x03, 0x45, 0xAA, 0xAA}}};
    for (const Case& c : cases) {
        Bytes out(4, 0xAA);
        IntToBcd(c.value, c.digits, out.data());
        EXPECT_EQ(out, c.expected) << c.value << "/" << c.digits;
    }
    const std::pair<unsigned, int> bytes[] = {{2026, 0x26}, {9, 0x09}, {59, 0x59}, {100, 0x00}};
    for (auto [value, bcd] : bytes) EXPECT_EQ(ByteToBcd(value), bcd) << value;
}

TEST(ReceiverTest, AcknowledgementIsTheFirstAckOrNakOfABlock) {
    ReplyReceiver r;
    r.Reset();
    EXPECT_EQ(r.Completion(), ReplyReceiver::Nothing);
    const Bytes noise = {0x66, 0x03, 0x80, 0x04, 0xFF}, replies = {0x41, 0x55, 0x02};
    r.Feed(noise.data(), noise.size());
    r.Feed(nullptr, 0);
    EXPECT_EQ(r.Completion(), ReplyReceiver::Partial);
    EXPECT_EQ(r.ReplyByte(), 0);
    r.Feed(replies.data(), replies.size());
    EXPECT_EQ(r.Completion(), ReplyReceiver::Complete);
    EXPECT_EQ(r.ReplyByte(), 0x55);
    r.Feed(replies.data() + 2, 1); // ignored until the reset
    EXPECT_EQ(r.ReplyByte(), 0x55);
    r.Reset();
    EXPECT_EQ(r.ReplyByte(), 0);
    EXPECT_EQ(r.Completion(), ReplyReceiver::Nothing);
}

// A reply frame must start with the request's first four wire bytes and carry only bytes with
// the top bit up to its end byte; it is taken from whatever comes around it.
TEST(ReceiverTest, FrameAcceptanceRules) {
    std::mt19937 rng(7);
    const Packet reply = RandomPacket(rng, CmdLogon, 0x10);
    auto frameOf = [](const Packet& p) {
        Wire w = EncodePacket(p);
        return Bytes(w.begin(), w.begin() + FrameSize);
    };
    const Bytes F = frameOf(reply), other = frameOf(RandomPacket(rng, CmdLogon, 0x10));
    auto cat = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    auto head = [&](long n) { return Bytes(F.begin(), F.begin() + n); };
    auto with = [&](std::size_t at, std::uint8_t b) {
        Bytes f = F;
        f[at] = b;
        return f;
    };
    struct Case {
        const char* name;
        Bytes stream;
        bool complete;
        bool badSum = false;
    } cases[] = {
        {"whole", F, true},
        {"after noise", cat({{0x00, 0x41, 0xFF, 0x04, 0x80}, F}), true},
        {"low byte inside", cat({head(150), {0x41}, Bytes(F.begin() + 150, F.end())}), false},
        {"low byte inside, then the frame", cat({head(150), {0x41}, F}), true},
        {"start byte inside restarts", cat({head(100), F}), true},
        {"start byte after start", cat({{0x03}, F}), true},
        {"wrong echo 1", with(1, F[1] ^ 1), false},
        {"wrong echo 2", with(2, F[2] ^ 1), false},
        {"wrong echo 3, then the frame", cat({with(3, F[3] ^ 1), F}), true},
        {"no end byte", with(300, 0x84), false},
        {"early end byte", with(200, 0x04), false},
        {"a second frame is ignored", cat({F, other}), true},
        {"acknowledgements are nothing here", {0x02, 0x55}, false},
        {"bad sum", with(50, F[50] ^ 1), true, true},
    };
    ReplyReceiver r;
    r.SetMode(ReceiveMode::Frame);
    Packet request{};
    std::copy(reply.begin(), reply.begin() + 3, request.begin());
    r.SetEcho(EncodePacket(request));
    for (const Case& c : cases) {
        // Split at every position (in one block at either end), then byte by byte.
        for (std::size_t cut = 0; cut <= c.stream.size() + 1; ++cut) {
            r.Reset();
            if (cut > c.stream.size()) {
                for (std::uint8_t b : c.stream) r.Feed(&b, 1);
            } else {
                r.Feed(c.stream.data(), cut);
                r.Feed(c.stream.data() + cut, c.stream.size() - cut);
            }
            ASSERT_EQ(r.IsComplete(), c.complete) << c.name << " cut " << cut;
            EXPECT_EQ(r.ReplyByte(), 0) << c.name;
            if (!c.complete) continue;
            EXPECT_EQ(r.Position(), 0u) << c.name;
            bool err = false;
            EXPECT_EQ(DecodePacket(r.ReceivedFrame(), err) == reply, !c.badSum) << c.name;
            EXPECT_EQ(err, c.badSum) << c.name;
        }
    }
    // Reset drops a half-received frame but keeps the mode and the echo (the cases above
    // rely on the latter).
    r.Reset();
    r.Feed(F.data(), 10);
    r.Reset();
    EXPECT_EQ(r.Position(), 0u);
    EXPECT_EQ(r.Mode(), ReceiveMode::Frame);
}
