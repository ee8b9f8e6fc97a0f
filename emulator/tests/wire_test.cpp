#include "wire.h"

#include "frame.h"
#include "line.h"

#include <gtest/gtest.h>

using fprn::Bytes;
using fprn::emu::Corruption;
using fprn::emu::EncodeReply;
using fprn::emu::FrameCollector;
using fprn::emu::testing::B;

TEST(ReplyFrame, IsDelimitedStuffedAndCarriesTheGivenSequence) {
    // The reply of the driver's own example: C0 01 AA 55 4F 30 80, closed by one C0.
    EXPECT_EQ(EncodeReply(1, "O0"), B({0xC0, 0x01, 0xAA, 0x55, 0x4F, 0x30, 0x80, 0xC0}));

    Bytes payload = B({'O', '0', 0xC0, 0xDB, 0xDC, 0x00});
    for (int seq : {1, 57, 99}) {
        Bytes frame = EncodeReply(static_cast<std::uint8_t>(seq), payload);
        EXPECT_EQ(static_cast<unsigned char>(frame[1]), seq);
        EXPECT_EQ(frame.find('\xC0', 1), frame.size() - 1) << "no 0xC0 inside the frame";
        EXPECT_EQ(fprn::ParseFrame(frame.substr(0, frame.size() - 1)), payload);
    }
    // Checksums 0xC0 and 0xDB are stuffed too (01 AA 55 sum to 0x100).
    Bytes end = EncodeReply(1, B({0x3F}));
    EXPECT_EQ(end.substr(end.size() - 3), B({0xDB, 0xDC, 0xC0}));
    Bytes esc = EncodeReply(1, B({0x24}));
    EXPECT_EQ(esc.substr(esc.size() - 3), B({0xDB, 0xDD, 0xC0}));
}

TEST(ReplyFrame, EachCorruptionMakesTheParserRefuseIt) {
    for (auto kind : {Corruption::BadChecksum, Corruption::BrokenEscape, Corruption::WrongMarker}) {
        for (const Bytes& payload : {Bytes("O0"), Bytes("E015"), B({0xC0, 0xDB, 0x01})}) {
            Bytes frame = EncodeReply(9, payload, kind);
            EXPECT_EQ(frame.front(), '\xC0');
            EXPECT_EQ(frame.back(), '\xC0');
            EXPECT_EQ(fprn::ParseFrame(frame.substr(0, frame.size() - 1)), "")
                << static_cast<int>(kind) << " " << payload;
        }
    }
    // The wrong marker alone is at fault: its checksum matches its own body.
    Bytes marker = EncodeReply(9, "O0", Corruption::WrongMarker);
    Bytes body = marker.substr(1, marker.size() - 2);
    EXPECT_EQ(body.substr(1, 2), B({0xAA, 0x56}));
    EXPECT_EQ(static_cast<unsigned char>(body.back()),
              fprn::FrameChecksum(body.substr(0, body.size() - 1)));
}

TEST(FrameCollector, CutsStretchesAcrossFeedsAndRunsOfDelimiters) {
    FrameCollector c;
    EXPECT_TRUE(c.Feed(B({0xC0, 0x01, 0xAA})).empty());
    EXPECT_EQ(c.Pending(), 2u);
    auto done = c.Feed(B({0x55, 0x34, 0xC0, 0xC0, 0xC0, 0xC0, 0x02, 0xC0}));
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].raw, B({0x01, 0xAA, 0x55, 0x34}));
    EXPECT_EQ(done[1].raw, B({0x02}));
    EXPECT_EQ(c.Pending(), 0u);
    // Junk with no opening delimiter is a stretch of its own.
    done = c.Feed(Bytes("junk") + B({0xC0, 0x03, 0xC0}));
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].raw, "junk");
    EXPECT_FALSE(done[0].overflow);
}

TEST(FrameCollector, BoundsAStretchThatNeverEnds) {
    FrameCollector c;
    Bytes noise(FrameCollector::kMaxStretch + 100, 'x');
    EXPECT_TRUE(c.Feed(noise).empty());
    EXPECT_EQ(c.Pending(), FrameCollector::kMaxStretch);
    auto done = c.Feed(B({0xC0, 0x05, 0xC0}));
    ASSERT_EQ(done.size(), 2u);
    EXPECT_TRUE(done[0].overflow);
    EXPECT_EQ(done[0].raw.size(), FrameCollector::kMaxStretch);
    EXPECT_FALSE(done[1].overflow) << "the next stretch starts clean";
}

TEST(CommandText, ReadsSoundFramesOfAnySizeAndRefusesBrokenOnes) {
    auto raw = [](std::uint8_t seq, const Bytes& text) {
        Bytes f = fprn::BuildFrame(seq, text);
        return f.substr(1, f.size() - 4);
    };
    EXPECT_EQ(fprn::emu::CommandText(raw(0, "40")), "40");
    EXPECT_EQ(fprn::emu::CommandText(raw(0, "4")), "4") << "one character, five bytes";
    EXPECT_EQ(fprn::emu::CommandText(raw(0, "")), "") << "sound frame without text";
    EXPECT_EQ(fprn::emu::CommandText(raw(0, B({0x3F}))), B({0x3F})) << "stuffed checksum";
    EXPECT_EQ(fprn::emu::CommandText(raw(0, B({0xC0, 0xDB}))), B({0xC0, 0xDB}));

    Bytes bad = raw(0, "4");
    bad.back() = static_cast<char>(bad.back() + 1);
    EXPECT_FALSE(fprn::emu::CommandText(bad));
    EXPECT_FALSE(fprn::emu::CommandText(B({0x01, 0xAA, 0x56, 0x00})));
    EXPECT_FALSE(fprn::emu::CommandText(B({0x01, 0xAA, 0x55})));
    EXPECT_FALSE(fprn::emu::CommandText(B({0x01, 0xAA, 0x55, 0xDB})));
    EXPECT_FALSE(fprn::emu::CommandText(B({0x01, 0xAA, 0x55, 0xDB, 0xDE, 0x00})));
    EXPECT_FALSE(fprn::emu::CommandText("junk"));
}
