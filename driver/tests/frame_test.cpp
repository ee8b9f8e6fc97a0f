#include "frame.h"

#include <gtest/gtest.h>

#include <random>

using fprn::Bytes;

namespace {

Bytes B(std::initializer_list<int> bytes) {
    Bytes b;
    for (int v : bytes) b.push_back(static_cast<char>(v));
    return b;
}

} // namespace

TEST(Frame, FirstCommandAfterLoadIsTheDocumentedFrame) {
    std::uint8_t seq = 0;
    EXPECT_EQ(fprn::BuildFrame(seq, "40"),
              B({0xC0, 0x01, 0xAA, 0x55, 0x34, 0x30, 0x9B, 0xC0, 0xC0, 0xC0}));
    EXPECT_EQ(seq, 1);
}

TEST(Frame, SequenceRunsOneToNinetyNineAndWraps) {
    std::uint8_t seq = 0;
    for (int i = 1; i <= 99; ++i) {
        Bytes f = fprn::BuildFrame(seq, "39");
        EXPECT_EQ(static_cast<unsigned char>(f[1]), i);
    }
    EXPECT_EQ(seq, 99);
    EXPECT_EQ(static_cast<unsigned char>(fprn::BuildFrame(seq, "39")[1]), 1);
    // State from elsewhere (another library's counter) never leaks into this one.
    std::uint8_t other = 41;
    EXPECT_EQ(static_cast<unsigned char>(fprn::BuildFrame(other, "39")[1]), 42);
    EXPECT_EQ(seq, 1);
}

TEST(Frame, DelimiterAndEscapeBytesAreStuffed) {
    std::uint8_t seq = 0;
    Bytes f = fprn::BuildFrame(seq, B({0xC0, 0xDB}));
    // body: 01 AA 55 C0 DB chk
    ASSERT_GE(f.size(), 9u);
    EXPECT_EQ(f.substr(4, 4), B({0xDB, 0xDC, 0xDB, 0xDD}));
    // Between the delimiters no 0xC0 remains.
    Bytes inner = f.substr(1, f.size() - 4);
    EXPECT_EQ(inner.find(static_cast<char>(0xC0)), Bytes::npos);
    EXPECT_EQ(fprn::ParseFrame(f.substr(0, f.size() - 3)), B({0xC0, 0xDB}));
}

TEST(Frame, ChecksumThatIsADelimiterIsStuffed) {
    // Find texts whose checksum is 0xC0 and 0xDB and check they are escaped.
    for (int want : {0xC0, 0xDB}) {
        bool found = false;
        for (int c = 0; c < 256 && !found; ++c) {
            std::uint8_t seq = 0;
            Bytes text(1, static_cast<char>(c));
            Bytes body = B({1, 0xAA, 0x55}) + text;
            if (fprn::FrameChecksum(body) != want) continue;
            found = true;
            Bytes f = fprn::BuildFrame(seq, text);
            Bytes tail = f.substr(f.size() - 5, 2);
            EXPECT_EQ(tail, B({0xDB, want == 0xC0 ? 0xDC : 0xDD}));
            EXPECT_EQ(fprn::ParseFrame(f.substr(0, f.size() - 3)), text);
        }
        EXPECT_TRUE(found);
    }
}

TEST(Frame, ParsesTheDocumentedReply) {
    Bytes raw = B({0xC0, 0x01, 0xAA, 0x55, 0x4F, 0x30, 0x80});
    EXPECT_EQ(fprn::ParseFrame(raw), "O0");
    for (int last = 0; last < 256; ++last) {
        if (last == 0x80) continue;
        Bytes bad = raw;
        bad.back() = static_cast<char>(last);
        EXPECT_EQ(fprn::ParseFrame(bad), "") << last;
    }
    EXPECT_EQ(fprn::ParseFrame(B({0xC0}) + raw), "O0");
}

TEST(Frame, RejectsShortStretchesAndBadMarkers) {
    // A valid frame with a one-byte payload is only 6 raw bytes: too short with one C0.
    Bytes body = B({0x05, 0xAA, 0x55, 'X'});
    body.push_back(static_cast<char>(fprn::FrameChecksum(body)));
    EXPECT_EQ(fprn::ParseFrame(B({0xC0}) + body), "");
    EXPECT_EQ(fprn::ParseFrame(B({0xC0, 0xC0}) + body), "X");

    Bytes wrongMarker = B({0x05, 0xAB, 0x55, 'X', 'Y'});
    wrongMarker.push_back(static_cast<char>(fprn::FrameChecksum(wrongMarker)));
    EXPECT_EQ(fprn::ParseFrame(B({0xC0}) + wrongMarker), "");
    Bytes wrongMarker2 = B({0x05, 0xAA, 0x54, 'X', 'Y'});
    wrongMarker2.push_back(static_cast<char>(fprn::FrameChecksum(wrongMarker2)));
    EXPECT_EQ(fprn::ParseFrame(B({0xC0}) + wrongMarker2), "");

    // Empty payload: a valid frame that yields nothing, which callers treat like a bad one.
    Bytes empty = B({0x05, 0xAA, 0x55});
    empty.push_back(static_cast<char>(fprn::FrameChecksum(empty)));
    EXPECT_EQ(fprn::ParseFrame(B({0xC0, 0xC0, 0xC0}) + empty), "");
    EXPECT_EQ(fprn::ParseFrame(""), "");
    EXPECT_EQ(fprn::ParseFrame(Bytes(20, static_cast<char>(0xC0))), "");
}

TEST(Frame, BrokenEscapeRejectsTheWholeStretch) {
    Bytes body = B({0x05, 0xAA, 0x55, 'A', 'B', 'C'});
    body.push_back(static_cast<char>(fprn::FrameChecksum(body)));
    Bytes good = B({0xC0}) + body;
    ASSERT_EQ(fprn::ParseFrame(good), "ABC");
    Bytes de = good;
    de.insert(5, B({0xDB, 0xDE}));
    EXPECT_EQ(fprn::ParseFrame(de), "");
    EXPECT_EQ(fprn::ParseFrame(good + B({0xDB})), "");
}

TEST(Frame, ReplySequenceIsNotCompared) {
    Bytes body = B({0x42, 0xAA, 0x55, 'O', '0'});
    body.push_back(static_cast<char>(fprn::FrameChecksum(body)));
    EXPECT_EQ(fprn::ParseFrame(B({0xC0}) + body), "O0");
}

TEST(Frame, RandomRoundTripOverAllByteValues) {
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> len(0, 300);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> special(0, 3);
    std::uint8_t seq = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes text;
        int n = len(rng);
        for (int i = 0; i < n; ++i) {
            int pick = special(rng);
            text.push_back(static_cast<char>(pick == 0 ? 0xC0 : pick == 1 ? 0xDB : byte(rng)));
        }
        std::uint8_t before = seq;
        Bytes f = fprn::BuildFrame(seq, text);
        EXPECT_EQ(seq, before % 99 + 1);
        ASSERT_EQ(f.substr(f.size() - 3), B({0xC0, 0xC0, 0xC0}));
        Bytes stretch = f.substr(0, f.size() - 3);
        EXPECT_EQ(stretch.find(static_cast<char>(0xC0), 1), Bytes::npos);
        // A one-byte text makes a 6-byte stretch, which is too short to be taken.
        EXPECT_EQ(fprn::ParseFrame(stretch), stretch.size() > 6 ? text : Bytes());
        EXPECT_EQ(fprn::ParseFrame(B({0xC0}) + stretch), text);
    }
}
