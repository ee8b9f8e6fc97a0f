#include "frame.h"
#include "replyassembler.h"

#include <gtest/gtest.h>

#include <vector>

using fprn::Bytes;
using fprn::ReplyAssembler;

namespace {

// A reply as the printer sends it: the frame with one closing delimiter.
Bytes Reply(const Bytes& payload, std::uint8_t seq = 7) {
    std::uint8_t s = static_cast<std::uint8_t>(seq - 1);
    Bytes f = fprn::BuildFrame(s, payload);
    return f.substr(0, f.size() - 2);
}

struct Collected {
    std::vector<Bytes> data;
    std::function<void(fprn::BytesView)> sink() {
        return [this](fprn::BytesView p) { data.emplace_back(p); };
    }
};

} // namespace

TEST(ReplyAssembler, CompletesOnAWholeReplyAndDropsTheRestOfTheChunk) {
    ReplyAssembler a;
    Collected c;
    EXPECT_TRUE(a.Feed(Reply("O0") + Reply("P012"), false, c.sink()));
    EXPECT_EQ(a.Payload(), "O0");
}

TEST(ReplyAssembler, ReassemblesAReplySplitByteByByte) {
    ReplyAssembler a;
    Collected c;
    Bytes r = Reply("O0HELLO");
    for (std::size_t i = 0; i + 1 < r.size(); ++i)
        EXPECT_FALSE(a.Feed(r.substr(i, 1), false, c.sink())) << i;
    EXPECT_TRUE(a.Feed(r.substr(r.size() - 1), false, c.sink()));
    EXPECT_EQ(a.Payload(), "O0HELLO");
}

TEST(ReplyAssembler, SkipsJunkAndCorruptFramesThenTakesTheGoodOne) {
    ReplyAssembler a;
    Collected c;
    Bytes bad = Reply("O0");
    bad[bad.size() - 2] ^= 0x01; // checksum
    EXPECT_FALSE(a.Feed("\x01junk", false, c.sink()));
    EXPECT_FALSE(a.Feed(bad, false, c.sink()));
    EXPECT_TRUE(a.Feed(Reply("O0OK"), false, c.sink()));
    EXPECT_EQ(a.Payload(), "O0OK");
}

TEST(ReplyAssembler, EmptyPayloadFrameDoesNotComplete) {
    ReplyAssembler a;
    Collected c;
    // Header-only frames long enough to be parsed but carrying nothing.
    Bytes empty = Bytes(2, static_cast<char>(0xC0)) + Reply("").substr(1);
    EXPECT_FALSE(a.Feed(empty, false, c.sink()));
    EXPECT_TRUE(a.Feed(Reply("X"), false, c.sink()));
    EXPECT_EQ(a.Payload(), "X");
}

TEST(ReplyAssembler, UploadHandsDataFramesOnAndEndsAtTheEndFrame) {
    ReplyAssembler a;
    Collected c;
    Bytes end = "O0\xAA"
                "END";
    Bytes stream = Reply("record-1") + Reply("record-2") + Reply("E012") + Reply(end);
    EXPECT_TRUE(a.Feed(stream, true, c.sink()));
    ASSERT_EQ(c.data.size(), 3u);
    EXPECT_EQ(c.data[0], "record-1");
    EXPECT_EQ(c.data[1], "record-2");
    EXPECT_EQ(c.data[2], "E012"); // an error reply inside an upload is data
    EXPECT_EQ(a.Payload(), end);
    // In normal mode the same stream completes on its first frame.
    ReplyAssembler n;
    EXPECT_TRUE(n.Feed(stream, false, c.sink()));
    EXPECT_EQ(n.Payload(), "record-1");
}

TEST(ReplyAssembler, OverlongNoiseIsDroppedAndCollectionResumesAtADelimiter) {
    ReplyAssembler a;
    Collected c;
    Bytes noise(ReplyAssembler::kMaxStretch * 3, 'x');
    EXPECT_FALSE(a.Feed(Bytes(1, static_cast<char>(0xC0)) + noise, false, c.sink()));
    EXPECT_TRUE(a.Feed(Reply("O0"), false, c.sink()));
    EXPECT_EQ(a.Payload(), "O0");
    // A frame that starts inside the noise but has its own delimiter is still found.
    ReplyAssembler b;
    EXPECT_TRUE(b.Feed(noise + Reply("O1"), false, c.sink()));
    EXPECT_EQ(b.Payload(), "O1");
}

TEST(ReplyAssembler, ResetForgetsAPartialFrame) {
    ReplyAssembler a;
    Collected c;
    Bytes r = Reply("O0STALE");
    EXPECT_FALSE(a.Feed(r.substr(0, 5), false, c.sink()));
    a.Reset();
    EXPECT_TRUE(a.Feed(Reply("O0NEW"), false, c.sink()));
    EXPECT_EQ(a.Payload(), "O0NEW");
}
