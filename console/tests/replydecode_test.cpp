#include "replydecode.h"

#include <gtest/gtest.h>

namespace fprn::console {
namespace {

TEST(ReplyDump, LinesOfSixteenBytesWithTheLastOnePadded) {
    std::string sixteen = "O0" + std::string("\x00\x0A\xE9", 3) + "ABCDEFGHIJK";
    auto one = DumpLines(sixteen);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], "4F 30 00 0A E9 41 42 43 44 45 46 47 48 49 4A 4B | O0.\n\xE9"
                      "ABCDEFGHIJK");
    EXPECT_EQ(one[0].find(" | "), 47u);

    auto two = DumpLines(sixteen + "Z");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], one[0]);
    // The hex part keeps its blank and is padded to 47; the characters to 15.
    EXPECT_EQ(two[1], "5A" + std::string(45, ' ') + " | Z" + std::string(14, ' '));
    EXPECT_TRUE(DumpLines("").empty());
}

TEST(ReplyDump, TheHeadingTakesTheCodeOnlyAsAnArgument) {
    EXPECT_EQ(DumpHeading("Reply to command %s", "40"), "Reply to command 40");
    // Conversions that would read or write what they were not given stay as they stand.
    EXPECT_EQ(DumpHeading("%d %n %s", "41"), "%d %n %s");
    EXPECT_EQ(DumpHeading("[%-4s]", "4"), "[4   ]");
    EXPECT_EQ(DumpHeading("", "40"), "");
}

TEST(ReplyFields, LeadingZerosCodesAndTaxIdGroups) {
    for (auto [in, out] : {std::pair{"000000000000", "0"},
                           {"000000012345", "12345"},
                           {"", ""},
                           {"0102", "102"},
                           {"7", "7"}})
        EXPECT_EQ(StripLeadingZeros(in), out) << in;

    for (auto [in, out] :
         {std::pair{"40", 40}, {"4", 4}, {"", 0}, {"4x", 0}, {" 4", 0}, {"-3", -3}})
        EXPECT_EQ(ReplyCode(in), out) << in;

    for (auto [format, out] : {std::pair{"3322", "123-456-78-90"},
                               {"3340", "123-456-7890-"},
                               {"0000", "1234567890"},
                               {"A9C1", "-123456789--0"},
                               {"9999", "123456789-0--"}})
        EXPECT_EQ(GroupTaxId("1234567890", format), out) << format;
}

std::string HardwareReply() {
    std::string r = "O0DEM00012345";
    r += "1234567890";
    r += "\x33\x22";
    r += "0000010";  // fiscal, not full, battery low, pin open, no receipt, test, no Z block
    r += "00420958"; // last Z, free Z
    r += std::string(16, ' ');
    r += "10"; // records damaged, RAM ok
    r += "00"; // flash not ok, fiscal memory ok
    r += "31";
    return r;
}

TEST(StatusReplies, HardwareFieldsAndTheirRules) {
    std::string r = HardwareReply();
    ASSERT_EQ(r.size(), 62u);
    auto s = ParseHardwareStatus(r);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->idCode, "DEM");
    EXPECT_EQ(s->idNumber, "00012345");
    EXPECT_EQ(s->taxId, "123-456-78-90");
    EXPECT_EQ(s->idFormat, "3322");
    EXPECT_EQ(s->opMode, 0);
    EXPECT_EQ(s->batteryState, 0);
    EXPECT_EQ(s->pinState, 0);
    EXPECT_TRUE(s->testMem);
    EXPECT_FALSE(s->fiscalMemFull || s->saleReceipt || s->zReport);
    EXPECT_EQ(s->lastZNo, "42");
    EXPECT_EQ(s->freeZ, "958");
    EXPECT_TRUE(s->recDamaged && s->ramOk && s->fiscalMemOk);
    EXPECT_FALSE(s->flashOk) << "flash passes on '1'";
    EXPECT_EQ(s->batteryVoltage, "3.1V");

    std::string unset = r;
    unset.replace(2, 21, std::string(21, '\xFF'));
    unset.replace(23, 2, std::string(2, '\0'));
    unset[25] = '7';
    s = ParseHardwareStatus(unset);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->idCode + s->idNumber + s->taxId, "");
    EXPECT_EQ(s->idFormat, "0000");
    EXPECT_FALSE(s->opMode) << "neither radio button for another byte";

    EXPECT_FALSE(ParseHardwareStatus(r.substr(0, 61)));
    EXPECT_FALSE(ParseHardwareStatus("P0" + r.substr(2)));
}

TEST(StatusReplies, SoftwareAndPrinterStatus) {
    std::string r = "O005032026083015000042000000012345101110"
                    "0070301"
                    "1";
    ASSERT_EQ(r.size(), 48u);
    auto s = ParseSoftwareStatus(r, ".", ":");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->date, "05.03.2026");
    EXPECT_EQ(s->time, "08:30:15");
    EXPECT_EQ(s->receiptNo, "000042");
    EXPECT_EQ(s->subtotal, "12345");
    EXPECT_TRUE(s->receiptOpen && s->serviceMode && s->superMode && s->ramChecksumError);
    EXPECT_FALSE(s->paymentStarted || s->zReportNeeded);
    EXPECT_EQ(s->printBuffer, "7");
    EXPECT_EQ(s->version, "0301");
    EXPECT_FALSE(ParseSoftwareStatus(r.substr(0, 47), ".", ":"));

    for (auto [reply, button] : {std::pair{"P00", 0}, {"P06", 6}, {"P07", 7}, {"P0x", 7}})
        EXPECT_EQ(ParsePrinterStatus(reply), button) << reply;
    for (const char* refused : {"P0", "O00", "P13", ""}) EXPECT_FALSE(ParsePrinterStatus(refused));
}

} // namespace
} // namespace fprn::console
