#include "tolmibuscodec.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

using namespace fprn::tolmibus;

namespace {

Packet RandomPacket(std::mt19937& rng) {
    Packet p{};
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t i = 0; i < SummedSize; ++i) p[i] = static_cast<std::uint8_t>(byte(rng));
    StoreSum(p);
    return p;
}

Frame FrameOf(const Wire& w) {
    Frame f{};
    std::copy(w.begin(), w.begin() + FrameSize, f.begin());
    return f;
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<std::uint8_t> v;
    for (int b : list) v.push_back(static_cast<std::uint8_t>(b));
    return v;
}

void Feed(ReplyReceiver& r, const std::vector<std::uint8_t>& block) {
    r.Feed(block.data(), block.size());
}

std::vector<std::uint8_t> WireBytes(const Wire& w, std::size_t from, std::size_t to) {
    return std::vector<std::uint8_t>(w.begin() + static_cast<long>(from),
                                     w.begin() + static_cast<long>(to));
}

} // namespace

TEST(PacketSumTest, SumsUnsignedBytesModulo65536) {
    Packet p{};
    p.fill(0xFF);
    StoreSum(p);
    // 259 x 255 = 66045, which wraps to 0x01FD.
    EXPECT_EQ(p[259], 0xFD);
    EXPECT_EQ(p[260], 0x01);
    std::uint8_t bytes[] = {0x80, 0x80, 0x01};
    EXPECT_EQ(PacketSum(bytes, 3), 0x0101);
    EXPECT_EQ(PacketSum(bytes, 0), 0);
}

TEST(PacketSumTest, NumberIsLowByteFirst) {
    Packet p{};
    SetPacketNumber(p, 0x0E0F);
    EXPECT_EQ(p[1], 0x0F);
    EXPECT_EQ(p[2], 0x0E);
    EXPECT_EQ(PacketNumber(p), 0x0E0F);
}

TEST(EncodeTest, ZeroPacketIsStartMarksEndAndTrailer) {
    Wire w = EncodePacket(Packet{});
    ASSERT_EQ(w.size(), 302u);
    EXPECT_EQ(w[0], 0x03);
    for (std::size_t i = 1; i <= 299; ++i) EXPECT_EQ(w[i], 0x80) << i;
    EXPECT_EQ(w[300], 0x04);
    EXPECT_EQ(w[301], 0xFF);
}

TEST(EncodeTest, TopBitOfFirstByteGoesToGroupMask) {
    Packet p{};
    p[0] = 0xFF;
    Wire w = EncodePacket(p);
    EXPECT_EQ(w[1], 0xFF);
    EXPECT_EQ(w[8], 0x81);
    bool err = false;
    EXPECT_EQ(DecodePacket(FrameOf(w), err)[0], 0xFF);
}

TEST(EncodeTest, SumWithHighLowByteTravelsInMaskByte) {
    Packet p{};
    p[0] = 0x90; // sum 0x0090
    StoreSum(p);
    ASSERT_EQ(p[259], 0x90);
    Wire w = EncodePacket(p);
    EXPECT_EQ(w[297], 0x90); // low 7 bits 0x10 with the wire's top bit
    EXPECT_EQ(w[298], 0x80);
    EXPECT_EQ(w[299], 0x81);
    bool err = false;
    Packet back = DecodePacket(FrameOf(w), err);
    EXPECT_FALSE(err);
    EXPECT_EQ(back[259], 0x90);
    EXPECT_EQ(back[260], 0x00);

    p[260] = 0xC3; // a high sum byte with its top bit; decoding restores it (and flags the sum)
    w = EncodePacket(p);
    EXPECT_EQ(w[298], 0xC3);
    EXPECT_EQ(w[299], 0x83);
    EXPECT_EQ(DecodePacket(FrameOf(w), err)[260], 0xC3);
    EXPECT_TRUE(err);
}

// Every packet byte lands in exactly one data byte and one bit of its group's mask byte.
TEST(EncodeTest, EachPacketBitHasItsOwnWirePosition) {
    Wire zero = EncodePacket(Packet{});
    for (std::size_t i = 0; i < PacketSize; ++i) {
        for (int bit : {0, 6, 7}) {
            Packet p{};
            p[i] = static_cast<std::uint8_t>(1u << bit);
            Wire w = EncodePacket(p);
            std::vector<std::size_t> changed;
            for (std::size_t j = 0; j < WireSize; ++j)
                if (w[j] != zero[j]) changed.push_back(j);
            ASSERT_EQ(changed.size(), 1u) << "byte " << i << " bit " << bit;
            std::size_t expected;
            if (i < SummedSize)
                expected = bit == 7 ? 8 * (i / 7) + 8 : 8 * (i / 7) + 1 + i % 7;
            else
                expected = bit == 7 ? 299 : 297 + (i - 259);
            EXPECT_EQ(changed[0], expected) << "byte " << i << " bit " << bit;
        }
    }
}

TEST(EncodeTest, RandomPacketsRoundTripAndKeepFramingBytesUnique) {
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
}

TEST(DecodeTest, SingleByteChangeIsSeen) {
    std::mt19937 rng(99);
    Packet p = RandomPacket(rng);
    Wire w = EncodePacket(p);
    for (std::size_t i = 1; i < 300; ++i) {
        // A one-bit change moves the sum by a power of two below 65536: never cancels.
        // W[299] carries only the two top bits of the sum.
        int bits = i == 299 ? 2 : 7;
        for (int bit = 0; bit < bits; ++bit) {
            Frame f = FrameOf(w);
            f[i] ^= static_cast<std::uint8_t>(1u << bit);
            bool err = false;
            EXPECT_NE(DecodePacket(f, err), p) << i << "/" << bit;
            EXPECT_TRUE(err) << i << "/" << bit;
        }
        // Any other change still alters the decoded packet.
        Frame f = FrameOf(w);
        f[i] = static_cast<std::uint8_t>(0x80 | ((f[i] + 37) & 0x7F));
        bool err = false;
        EXPECT_NE(DecodePacket(f, err), p) << i;
    }
}

TEST(DecodeTest, ChangeThatCancelsInTheSumIsNotFlagged) {
    Packet p{};
    p[0] = 5;
    p[1] = 5;
    StoreSum(p);
    Frame f = FrameOf(EncodePacket(p));
    f[1] = 0x80 | 6; // P[0] + 1
    f[2] = 0x80 | 4; // P[1] - 1
    bool err = false;
    Packet back = DecodePacket(f, err);
    EXPECT_NE(back, p);
    EXPECT_FALSE(err);
}

TEST(DecodeTest, ErrorFlagIsNeverCleared) {
    Packet p{};
    StoreSum(p);
    bool err = true;
    DecodePacket(FrameOf(EncodePacket(p)), err);
    EXPECT_TRUE(err);
}

TEST(BcdTest, Vectors) {
    std::uint8_t out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    IntToBcd(345678, 8, out);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(out[1], 0x34);
    EXPECT_EQ(out[2], 0x56);
    EXPECT_EQ(out[3], 0x78);
    IntToBcd(5718, 8, out);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(out[1], 0x00);
    EXPECT_EQ(out[2], 0x57);
    EXPECT_EQ(out[3], 0x18);
    IntToBcd(4294967295u, 8, out); // only the last eight digits fit
    EXPECT_EQ(out[0], 0x94);
    EXPECT_EQ(out[3], 0x95);
    std::uint8_t two[2] = {0xAA, 0xAA};
    IntToBcd(12345, 3, two);
    EXPECT_EQ(two[0], 0x03);
    EXPECT_EQ(two[1], 0x45);

    EXPECT_EQ(ByteToBcd(2026), 0x26);
    EXPECT_EQ(ByteToBcd(9), 0x09);
    EXPECT_EQ(ByteToBcd(59), 0x59);
    EXPECT_EQ(ByteToBcd(100), 0x00);
}

TEST(AcknowledgementTest, FirstAckOrNakInBlockWins) {
    ReplyReceiver r;
    r.SetMode(ReceiveMode::Acknowledgement);
    r.Reset();
    EXPECT_EQ(r.Completion(), -1);
    EXPECT_EQ(r.ReplyByte(), 0);
    Feed(r, Bytes({0x41, 0x55, 0x02}));
    EXPECT_EQ(r.Completion(), 1);
    EXPECT_EQ(r.ReplyByte(), 0x55);
    Feed(r, Bytes({0x02})); // later blocks are ignored until the reset
    EXPECT_EQ(r.ReplyByte(), 0x55);
    r.Reset();
    EXPECT_EQ(r.ReplyByte(), 0);
    EXPECT_EQ(r.Completion(), -1);
}

TEST(AcknowledgementTest, NoiseOnlyMarksDataSeen) {
    ReplyReceiver r;
    r.Reset();
    Feed(r, Bytes({0x66, 0x03, 0x80, 0x04, 0xFF}));
    EXPECT_EQ(r.Completion(), 0);
    EXPECT_EQ(r.ReplyByte(), 0);
    r.Feed(nullptr, 0);
    EXPECT_EQ(r.Completion(), 0);
    Feed(r, Bytes({0x00, 0x02}));
    EXPECT_EQ(r.Completion(), 1);
    EXPECT_EQ(r.ReplyByte(), 0x02);
}

class FrameModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        Packet req{};
        req[0] = CmdLogon;
        SetPacketNumber(req, 0x10);
        StoreSum(req);
        request = EncodePacket(req);
        std::mt19937 rng(7);
        reply = RandomPacket(rng);
        reply[0] = CmdLogon;
        SetPacketNumber(reply, 0x10);
        StoreSum(reply);
        replyWire = EncodePacket(reply);
        r.SetMode(ReceiveMode::Frame);
        r.SetEcho(request);
        r.Reset();
    }
    std::vector<std::uint8_t> ReplyFrame() const { return WireBytes(replyWire, 0, FrameSize); }
    void ExpectReply() {
        ASSERT_TRUE(r.IsComplete());
        bool err = false;
        EXPECT_EQ(DecodePacket(r.ReceivedFrame(), err), reply);
        EXPECT_FALSE(err);
    }

    ReplyReceiver r;
    Wire request{};
    Packet reply{};
    Wire replyWire{};
};

TEST_F(FrameModeTest, WholeFrameInOneBlock) {
    Feed(r, ReplyFrame());
    ExpectReply();
    EXPECT_EQ(r.Position(), 0u);
}

TEST_F(FrameModeTest, FrameSplitAtEveryPosition) {
    auto frame = ReplyFrame();
    for (std::size_t cut = 0; cut <= frame.size(); ++cut) {
        r.Reset();
        Feed(r, std::vector<std::uint8_t>(frame.begin(), frame.begin() + static_cast<long>(cut)));
        EXPECT_EQ(r.IsComplete(), cut == frame.size()) << cut;
        Feed(r, std::vector<std::uint8_t>(frame.begin() + static_cast<long>(cut), frame.end()));
        ExpectReply();
    }
}

TEST_F(FrameModeTest, ByteByByteAfterLeadingNoise) {
    auto block = Bytes({0x00, 0x41, 0xFF, 0x04, 0x80});
    auto frame = ReplyFrame();
    block.insert(block.end(), frame.begin(), frame.end());
    for (std::uint8_t b : block) r.Feed(&b, 1);
    ExpectReply();
}

TEST_F(FrameModeTest, WrongEchoIsRefusedAtFirstDifferingByte) {
    for (std::size_t differ = 1; differ <= 3; ++differ) {
        r.Reset();
        auto frame = ReplyFrame();
        frame[differ] ^= 0x01;
        Feed(r,
             std::vector<std::uint8_t>(frame.begin(), frame.begin() + static_cast<long>(differ)));
        EXPECT_EQ(r.Position(), differ);
        Feed(r, std::vector<std::uint8_t>(frame.begin() + static_cast<long>(differ), frame.end()));
        EXPECT_FALSE(r.IsComplete()) << differ;
        EXPECT_EQ(r.Completion(), 0);
        // The right frame behind it is still taken.
        Feed(r, ReplyFrame());
        ExpectReply();
    }
}

TEST_F(FrameModeTest, LowByteInsideFrameDropsIt) {
    auto frame = ReplyFrame();
    auto block = std::vector<std::uint8_t>(frame.begin(), frame.begin() + 150);
    block.push_back(0x41);
    block.insert(block.end(), frame.begin() + 150, frame.end());
    Feed(r, block);
    EXPECT_FALSE(r.IsComplete());
    EXPECT_EQ(r.Position(), 0u);
}

TEST_F(FrameModeTest, StartByteInsideFrameRestartsAtOnce) {
    auto frame = ReplyFrame();
    auto block = std::vector<std::uint8_t>(frame.begin(), frame.begin() + 100);
    block.push_back(0x12);
    block.insert(block.end(), frame.begin(), frame.end()); // starts with its 0x03
    Feed(r, block);
    ExpectReply();

    // A start byte straight after the start byte also restarts (it is not the echo).
    r.Reset();
    block = Bytes({0x03});
    block.insert(block.end(), frame.begin(), frame.end());
    Feed(r, block);
    ExpectReply();
}

TEST_F(FrameModeTest, MissingEndByteDropsFrame) {
    auto frame = ReplyFrame();
    frame[300] = 0x84;
    Feed(r, frame);
    EXPECT_FALSE(r.IsComplete());
    EXPECT_EQ(r.Position(), 0u);
    // A frame end too early (in place of a data byte) is refused as well.
    r.Reset();
    frame = ReplyFrame();
    frame[200] = 0x04;
    Feed(r, frame);
    EXPECT_FALSE(r.IsComplete());
}

TEST_F(FrameModeTest, BytesAfterCompletionAreIgnored) {
    Packet other = reply;
    other[10] ^= 0x55;
    StoreSum(other);
    auto block = ReplyFrame();
    auto second = WireBytes(EncodePacket(other), 0, FrameSize);
    block.insert(block.end(), second.begin(), second.end());
    Feed(r, block);
    ExpectReply();
    Feed(r, second);
    ExpectReply();
    // An acknowledgement byte is nothing special in frame mode.
    r.Reset();
    Feed(r, Bytes({0x02, 0x55}));
    EXPECT_FALSE(r.IsComplete());
    EXPECT_EQ(r.ReplyByte(), 0);
}

TEST_F(FrameModeTest, BadSumIsCompleteButFlagged) {
    auto frame = ReplyFrame();
    frame[50] ^= 0x01;
    Feed(r, frame);
    ASSERT_TRUE(r.IsComplete());
    bool err = false;
    DecodePacket(r.ReceivedFrame(), err);
    EXPECT_TRUE(err);
}

TEST(ReceiverResetTest, KeepsModeAndEcho) {
    ReplyReceiver r;
    Packet req{};
    req[0] = CmdProgram;
    StoreSum(req);
    Wire w = EncodePacket(req);
    r.SetMode(ReceiveMode::Frame);
    r.SetEcho(w);
    r.Reset();
    std::vector<std::uint8_t> frame(w.begin(), w.begin() + FrameSize);
    Feed(r, std::vector<std::uint8_t>(frame.begin(), frame.begin() + 10));
    r.Reset();
    EXPECT_EQ(r.Position(), 0u);
    EXPECT_EQ(r.Mode(), ReceiveMode::Frame);
    Feed(r, frame);
    EXPECT_TRUE(r.IsComplete());
}
