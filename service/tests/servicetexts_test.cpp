#include "servicetexts.h"

#include <gtest/gtest.h>

using fprn::Bytes;
using namespace fprn::texts;

TEST(ServiceTexts, IdentificationFieldsAreRightAlignedAndCut) {
    EXPECT_EQ(SRAMErase(), "43");
    EXPECT_EQ(EnterFiscalMode("AB", "567"), "46 AB     567");
    EXPECT_EQ(SetID("ABCD", "123456789"), "50ABC12345678");
    EXPECT_EQ(SetID("", ""), "50" + Bytes(11, ' '));
    EXPECT_EQ(EnterFiscalMode(Bytes("A\0B", 3), "1"), "46  A       1");
}

TEST(ServiceTexts, TaxIdFormatBytesGoOutWhole) {
    EXPECT_EQ(SetTaxID("1234567890", 0x0102), "521234567890\x01\x02");
    EXPECT_EQ(SetTaxID("12345", 0), "52     12345\xEE\xEE");
    // Zero bytes in the format are sent, so the command keeps its length.
    Bytes highZero = SetTaxID("1234567890", 0x0007);
    EXPECT_EQ(highZero.size(), 14u);
    EXPECT_EQ(highZero.substr(12), Bytes("\x00\x07", 2));
    Bytes lowZero = SetTaxID("1234567890", 0x0300);
    EXPECT_EQ(lowZero.substr(12), Bytes("\x03\x00", 2));
    // Only the low 16 bits count.
    EXPECT_EQ(SetTaxID("X", 0x12345).substr(12), "\x23\x45");
}
