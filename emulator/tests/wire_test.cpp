#include "wire.h"

#include "frame.h"
#include "line.h"

#include <gtest/gtest.h>

namespace fprn::emu::testing {

TEST(ReplyFrame, IsDelimitedStuffedAndCarriesTheGivenSequence) {
    // The reply of the driver's own example: C0 01 AA 55 4F 30 80, closed by one C0.
    EXPECT_EQ(EncodeReply(1, "O0"), B({0xC0, 0x01, 0xAA, 0x55, 0x4F, 0x30, 0x80, 0xC0}));
    // Checksums 0xC0 and 0xDB are stuffed too (01 AA 55 sum to 0x100).
    EXPECT_EQ(EncodeReply(1, B({0x3F})).substr(5), B({0xDB, 0xDC, 0xC0}));
    EXPECT_EQ(EncodeReply(1, B({0x24})).substr(5), B({0xDB, 0xDD, 0xC0}));
    // The wrong marker alone is at fault: its checksum matches its own body.
    Bytes marker = EncodeReply(9, "O0", Corruption::WrongMarker);
    Bytes body = marker.substr(1, marker.size() - 2);
    EXPECT_EQ(body.substr(1, 2), B({0xAA, 0x56}));
    EXPECT_EQ(static_cast<unsigned char>(body.back()),
              FrameChecksum(body.substr(0, body.size() - 1)));
}

TEST(CommandText, ReadsSoundFramesOfAnySizeAndRefusesBrokenOnes) {
    auto raw = [](const Bytes& text) {
        std::uint8_t seq = 0;
        Bytes f = BuildFrame(seq, text);
        return f.substr(1, f.size() - 4);
    };
    // One character, no text, stuffed checksum, stuffed text.
    for (const Bytes& text : {Bytes("40"), Bytes("4"), Bytes(), B({0x3F}), B({0xC0, 0xDB})})
        EXPECT_EQ(CommandText(raw(text)), text) << text;
    Bytes bad = raw("4");
    bad.back() = static_cast<char>(bad.back() + 1);
    for (const Bytes& broken :
         {bad, B({0x01, 0xAA, 0x56, 0x00}), B({0x01, 0xAA, 0x55}), B({0x01, 0xAA, 0x55, 0xDB}),
          B({0x01, 0xAA, 0x55, 0xDB, 0xDE, 0x00})})
        EXPECT_FALSE(CommandText(broken)) << broken;
}

} // namespace fprn::emu::testing
