#include "device.h"

#include "commandtexts.h"
#include "line.h"

#include <gtest/gtest.h>

#include <ctime>

using fprn::Bytes;
using fprn::emu::Device;
using fprn::emu::PrinterState;
using fprn::emu::testing::B;
namespace texts = fprn::texts;

namespace {

Bytes Ask(Device& d, const Bytes& text) {
    auto answer = d.Execute(text);
    EXPECT_EQ(answer.payloads.size(), 1u) << text;
    EXPECT_FALSE(answer.upload);
    return answer.payloads.empty() ? Bytes() : answer.payloads.front();
}

std::uint64_t BigEndian(const Bytes& b, std::size_t at, std::size_t width) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

// A text field of an upload: up to its first zero byte.
Bytes Text(const Bytes& b, std::size_t at, std::size_t width) {
    Bytes f = b.substr(at, width);
    return f.substr(0, f.find('\0'));
}

Bytes Subtotal(Device& d) {
    Bytes r = Ask(d, texts::PrintSubTotal());
    return r.size() == 14 ? r.substr(2) : r;
}

} // namespace

TEST(HardwareStatus, FreshPrinterHasNoTaxIdAndRunsInTrainingMode) {
    Device d;
    Bytes r = Ask(d, texts::HardwareStatus());
    ASSERT_EQ(r.size(), 62u);
    EXPECT_EQ(r.substr(0, 2), "O0");
    EXPECT_EQ(r.substr(2, 11), "DEM00012345");
    EXPECT_EQ(r.substr(13, 10), Bytes(10, '\xFF')) << "tax ID empty";
    EXPECT_EQ(r.substr(23, 2), B({0, 0}));
    EXPECT_EQ(r[25], '1') << "training mode";
    EXPECT_EQ(r[26], '0');
    EXPECT_EQ(r[27], '1') << "battery normal";
    EXPECT_EQ(r[29], '0') << "no receipt";
    EXPECT_EQ(r[31], '0');
    EXPECT_EQ(r.substr(32, 4), "0000");
    EXPECT_EQ(r.substr(36, 4), "1800");
    EXPECT_EQ(r.substr(40, 16), Bytes(16, ' ')) << "system number";
    EXPECT_EQ(r.substr(56, 4), "0010") << "all checks passed (flash reports '1')";
    EXPECT_EQ(r.substr(60, 2), "31");
}

TEST(HardwareStatus, ShowsIdentificationFiscalModeReceiptAndZCount) {
    Device d;
    EXPECT_EQ(Ask(d, "52" + Bytes("1234567890") + B({0x33, 0x22})), "O0");
    EXPECT_EQ(Ask(d, "46 AB     567"), "O0");
    EXPECT_EQ(Ask(d, texts::SetSysNum("SYS-42")), "O0");
    EXPECT_EQ(Ask(d, texts::ZReport()), "O0");
    EXPECT_EQ(Ask(d, texts::SaleItem(1, "pcs", 1, "01", "X", 0, 0)), "O0");
    Bytes r = Ask(d, texts::HardwareStatus());
    ASSERT_EQ(r.size(), 62u);
    EXPECT_EQ(r.substr(2, 3), " AB");
    EXPECT_EQ(r.substr(5, 8), "     567");
    EXPECT_EQ(r.substr(13, 10), "1234567890");
    EXPECT_EQ(r.substr(23, 2), B({0x33, 0x22}));
    EXPECT_EQ(r[25], '0') << "fiscal mode";
    EXPECT_EQ(r[29], '1') << "receipt open";
    EXPECT_EQ(r.substr(32, 8), "00011799");
    EXPECT_EQ(r.substr(40, 16), "          SYS-42");

    // Fiscal mode fixes the identification.
    EXPECT_EQ(Ask(d, texts::ReceiptCancel("")), "O0");
    EXPECT_EQ(Ask(d, "50XYZ12345678"), "E011");
    EXPECT_EQ(Ask(d, "46XYZ12345678"), "E011");
}

TEST(HardwareStatus, TaxIdFormatBytesFollowTheServiceCommand) {
    PrinterState blank = fprn::emu::FactoryState();
    blank.idCode.clear();
    blank.idNumber.clear();
    Device d(blank);
    EXPECT_EQ(Ask(d, texts::HardwareStatus()).substr(2, 11), Bytes(11, '\xFF'))
        << "unset identification";
    // Format 0 goes as EE EE; a high byte alone when the low byte is 0.
    EXPECT_EQ(Ask(d, "52ABCDEFGHIJ" + B({0xEE, 0xEE})), "O0");
    EXPECT_EQ(Ask(d, texts::HardwareStatus()).substr(23, 2), B({0, 0}));
    EXPECT_EQ(Ask(d, "52ABCDEFGHIJ" + B({0x04})), "O0");
    EXPECT_EQ(Ask(d, texts::HardwareStatus()).substr(23, 2), B({0x04, 0}));
}

TEST(HardwareStatus, FullFiscalMemoryRefusesTheZReport) {
    PrinterState s = fprn::emu::FactoryState();
    s.lastZ = s.zCapacity - 1;
    Device d(s);
    EXPECT_EQ(Ask(d, texts::ZReport()), "O0");
    EXPECT_EQ(Ask(d, texts::ZReport()), "M001");
    Bytes r = Ask(d, texts::HardwareStatus());
    EXPECT_EQ(r[26], '1');
    EXPECT_EQ(r[31], '1');
    EXPECT_EQ(r.substr(36, 4), "0000");
}

TEST(SoftwareStatus, ClockSetByTimeAndDateCommands) {
    Device d;
    EXPECT_EQ(Ask(d, texts::SetDate(5, 3, 26)), "O0");
    EXPECT_EQ(Ask(d, texts::SetTime(23, 59, 58)), "O0");
    Bytes r = Ask(d, texts::SoftwareStatus());
    ASSERT_EQ(r.size(), 48u);
    EXPECT_EQ(r.substr(0, 2), "O0");
    EXPECT_EQ(r.substr(2, 8), "05032026");
    EXPECT_EQ(r.substr(10, 4), "2359");
    EXPECT_TRUE(r.substr(14, 2) == "58" || r.substr(14, 2) == "59") << r.substr(14, 2);

    // Leap days are dates, 30 February is not; times stay in range.
    EXPECT_EQ(Ask(d, texts::SetDate(29, 2, 28)), "O0");
    EXPECT_EQ(Ask(d, texts::SetDate(30, 2, 28)), "E003");
    EXPECT_EQ(Ask(d, texts::SetDate(29, 2, 27)), "E003");
    EXPECT_EQ(Ask(d, texts::SetTime(24, 0, 0)), "E003");
    EXPECT_EQ(Ask(d, texts::SetTime(0, 60, 0)), "E003");
    EXPECT_EQ(Ask(d, "0412"), "E002");
    EXPECT_EQ(Ask(d, "04ab0000"), "E002");
}

TEST(SoftwareStatus, FollowsTheReceipt) {
    Device d;
    Bytes r = Ask(d, texts::SoftwareStatus());
    EXPECT_EQ(r.substr(16, 6), "000000");
    EXPECT_EQ(r.substr(22, 12), "000000000000");
    EXPECT_EQ(r.substr(34, 2), "00");
    EXPECT_EQ(r[39], '0');
    EXPECT_EQ(r.substr(40, 3), "100");
    EXPECT_EQ(r[47], '0');

    Ask(d, texts::SaleItem(1.5, "kg", 2.35, "01", "APPLE", 0, 0));
    Ask(d, texts::Payment(1, "CARD", 1));
    r = Ask(d, texts::SoftwareStatus());
    EXPECT_EQ(r.substr(16, 6), "000001");
    EXPECT_EQ(r.substr(22, 12), "000000000353") << "1.5 x 2.35 = 3.525, rounded";
    EXPECT_EQ(r[34], '1');
    EXPECT_EQ(r[35], '1') << "payment started";
    EXPECT_EQ(r[39], '1') << "sales since the last Z";

    Ask(d, texts::ReceiptClose(""));
    r = Ask(d, texts::SoftwareStatus());
    EXPECT_EQ(r.substr(16, 6), "000001");
    EXPECT_EQ(r.substr(22, 14), "00000000000000");
    Ask(d, texts::ZReport());
    EXPECT_EQ(Ask(d, texts::SoftwareStatus())[39], '0');

    Ask(d, texts::ServiceLogon("secret"));
    EXPECT_EQ(Ask(d, texts::SoftwareStatus())[36], '1');
    Ask(d, texts::ClerkLogon(1, "000"));
    EXPECT_EQ(Ask(d, texts::SoftwareStatus())[36], '0');
}

TEST(PrinterStatus, IsAShortP0Reply) {
    Device d;
    EXPECT_EQ(Ask(d, texts::PrinterStatus()), "P00");
}

TEST(Receipt, SalesCancellationsDiscountsPaymentsAndTheDrawer) {
    Device d;
    EXPECT_EQ(Ask(d, texts::ReceiveCash(100)), "O0");
    EXPECT_EQ(Ask(d, texts::SaleItem(2, "pcs", 10, "01", "BREAD", 0, 0)), "O0");
    EXPECT_EQ(Ask(d, texts::SaleItem(1, "pcs", 5, "02", "MILK", 1, 0.5)), "O0");
    EXPECT_EQ(Subtotal(d), "000000002550") << "20 + 5 + deposit 0.50";
    EXPECT_EQ(Ask(d, texts::CancelItem(1, "pcs", 10, "01", "BREAD", 0, 0)), "O0");
    EXPECT_EQ(Subtotal(d), "000000001550");
    EXPECT_EQ(Ask(d, texts::Discount(0, 1000, true, false)), "O0") << "10.00 %";
    EXPECT_EQ(Subtotal(d), "000000001395");
    EXPECT_EQ(Ask(d, texts::Discount(0, 200, false, false)), "O0") << "2.00 % increase";
    EXPECT_EQ(Subtotal(d), "000000001423");
    EXPECT_EQ(Ask(d, texts::Payment(2, "CARD", 4.23)), "O0");
    EXPECT_EQ(Ask(d, texts::SaleItem(1, "pcs", 1, "01", "X", 0, 0)), "E009");
    EXPECT_EQ(Ask(d, texts::Discount(0, 100, true, false)), "E009");
    EXPECT_EQ(Ask(d, texts::ReceiptClose("")), "O0");
    EXPECT_EQ(Ask(d, texts::CashInDrawer()), "O0000000011000") << "100 + 10 in cash";
    EXPECT_EQ(Ask(d, texts::PaidOut(110.01)), "E008");
    EXPECT_EQ(Ask(d, texts::PaidOut(10)), "O0");
    EXPECT_EQ(Ask(d, texts::CashInDrawer()), "O0000000010000");
}

TEST(Receipt, CommandsOutsideTheirPlaceAreRefused) {
    Device d;
    EXPECT_EQ(Ask(d, texts::PrintSubTotal()), "E005");
    EXPECT_EQ(Ask(d, texts::Payment(0, "CASH", 1)), "E005");
    EXPECT_EQ(Ask(d, texts::ReceiptClose("")), "E005");
    EXPECT_EQ(Ask(d, texts::ReceiptCancel("")), "E005");
    EXPECT_EQ(Ask(d, texts::CancelItem(1, "pcs", 1, "01", "X", 0, 0)), "E005");
    EXPECT_EQ(Ask(d, texts::Discount(0, 100, true, false)), "E005");

    EXPECT_EQ(Ask(d, texts::SaleItem(1, "pcs", 1, "01", "X", 0, 0)), "O0");
    for (const Bytes& text :
         {texts::ZReport(), texts::XReport(1), texts::SetTime(1, 1, 1),
          texts::SetHeadMessage(1, 0, "A"), texts::SetDepartName("01", "A", "A"),
          texts::ReceiveCash(1), texts::ClerkLogon(1, "000")})
        EXPECT_EQ(Ask(d, text), "E004") << text;
    EXPECT_EQ(Ask(d, texts::CancelItem(2, "pcs", 1, "01", "X", 0, 0)), "E008")
        << "more than the subtotal";
    EXPECT_EQ(Ask(d, texts::Payment(1, "CARD", 1.01)), "E008") << "a card pays no change";
    EXPECT_EQ(Ask(d, texts::ReceiptCancel("")), "O0");
    EXPECT_EQ(Ask(d, texts::PrintSubTotal()), "E005");

    // Tax rates wait for the Z report after sales.
    std::array<int, 9> rates{2300, 800, 500, 0, 255, 255, 255, 255, 255};
    EXPECT_EQ(Ask(d, texts::SetVatRate(rates, "E")), "E006");
    EXPECT_EQ(Ask(d, texts::ZReport()), "O0");
    EXPECT_EQ(Ask(d, texts::SetVatRate(rates, "E")), "O0");
}

TEST(Receipt, MalformedAndUnknownTextsAreRefused) {
    Device d;
    EXPECT_EQ(Ask(d, "77"), "E001");
    EXPECT_EQ(Ask(d, "4"), "E001");
    EXPECT_EQ(Ask(d, "x0"), "E001");
    EXPECT_EQ(Ask(d, "30000001000"), "E002") << "sale cut short";
    EXPECT_EQ(Ask(d, texts::SaleItem(1, "pcs", 1, "10", "X", 0, 0)), "E003") << "department";
    EXPECT_EQ(Ask(d, texts::SaleItem(1, "pcs", 1, "01", "X", 2, 0)), "E003") << "package flag";
    EXPECT_EQ(Ask(d, texts::Payment(0, "CASH", -1)), "E002") << "the text is read first";
    EXPECT_EQ(Ask(d, "35-100"), "E002");
    EXPECT_EQ(Ask(d, texts::SetHeadMessage(6, 0, "X")), "E003");
    EXPECT_EQ(Ask(d, texts::SetDepartName("01", "X", "J")), "E003");
    EXPECT_EQ(Ask(d, texts::SetPrinterSpeed(10)), "E003");
    EXPECT_EQ(Ask(d, texts::MemReportByZNo(0, 5, 4)), "E003");
    EXPECT_EQ(Ask(d, texts::MemReportByDate(1, 31, 4, 26, 1, 5, 26)), "E003");
    EXPECT_EQ(Ask(d, texts::MemReportMonthly(0, 13, 26)), "E003");
    EXPECT_EQ(Ask(d, texts::MemReportMonthly(0, 12, 26)), "O0");
    EXPECT_EQ(Ask(d, texts::ClerkLogon(0, "000")), "E003");
    EXPECT_EQ(Ask(d, texts::ClerkLogon(1, "999")), "E007");
    EXPECT_EQ(Ask(d, texts::SetClerkPwd(1, "999", "ANNA")), "O0");
    EXPECT_EQ(Ask(d, texts::ClerkLogon(1, "999")), "O0");
    EXPECT_EQ(d.State().clerk, 1);
}

TEST(Uploads, TaxRatesDepartmentsAndHeadersFollowTheSetCommands) {
    Device d;
    Bytes r = Ask(d, texts::UploadTaxRate());
    ASSERT_EQ(r.size(), 39u);
    EXPECT_EQ(r.substr(0, 18), "O0230008000500"
                               "0000");
    EXPECT_EQ(r.substr(18, 20), Bytes(20, '\xFF'));
    EXPECT_EQ(r[38], 'E');

    EXPECT_EQ(Ask(d, texts::SetVatRate({1, 2, 3, 4, 5, 6, 7, 8, 255}, "I")), "O0");
    r = Ask(d, texts::UploadTaxRate());
    EXPECT_EQ(r.substr(2, 32), "00010002000300040005000600070008");
    EXPECT_EQ(r.substr(34, 4), Bytes(4, '\xFF'));
    EXPECT_EQ(r[38], 'I');

    EXPECT_EQ(Ask(d, texts::SetDepartName("03", "FRESH FISH", "D")), "O0");
    r = Ask(d, texts::UploadDepartment());
    ASSERT_EQ(r.size(), 209u);
    EXPECT_EQ(r.substr(0, 2), "O0");
    for (int i = 0; i < 9; ++i) EXPECT_EQ(r.substr(2 + 23 * i, 2), "0" + std::to_string(i + 1));
    EXPECT_EQ(r[4 + 46], 'D');
    EXPECT_EQ(Text(r, 5 + 46, 20), "FRESH FISH");
    EXPECT_EQ(r.substr(5 + 46 + 10, 10), Bytes(10, '\0'));

    EXPECT_EQ(Ask(d, texts::SetHeadMessage(4, 7, "  WELCOME")), "O0");
    EXPECT_EQ(Ask(d, texts::SetHeadMessage(5, 0, Bytes(40, 'Z'))), "O0");
    r = Ask(d, texts::UploadHeadMessage());
    ASSERT_EQ(r.size(), 172u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(r[2 + 34 * i], '1' + i);
    EXPECT_EQ(r[2 + 34 * 3 + 1], '7');
    EXPECT_EQ(Text(r, 4 + 34 * 3, 32), "  WELCOME");
    EXPECT_EQ(r.substr(4 + 34 * 4, 32), Bytes(32, 'Z')) << "cut to the field";
}

TEST(Uploads, ItemsComeAsSixtyFourByteRecordsInSeveralFrames) {
    Device d;
    Ask(d, texts::SaleItem(2.5, "kg", 4.49, "01", "APPLES", 0, 0));
    Ask(d, texts::SaleItem(1, "pcs", 7, "05", "NEW THING", 0, 0));
    Ask(d, texts::SaleItem(1, "pcs", 7, "09", "FREE THING", 0, 0));
    auto answer = d.Execute(texts::UploadPlu());
    EXPECT_TRUE(answer.upload);
    ASSERT_GE(answer.payloads.size(), 3u);
    EXPECT_EQ(answer.payloads.back(), "O0\xAA");
    Bytes all;
    for (std::size_t i = 0; i + 1 < answer.payloads.size(); ++i) {
        EXPECT_EQ(answer.payloads[i].size() % 64, 0u);
        all += answer.payloads[i];
    }
    ASSERT_EQ(all.size(), 64u * 8);
    auto find = [&](const Bytes& name) {
        for (std::size_t at = 0; at < all.size(); at += 64)
            if (Text(all, at, 32) == name) return at;
        ADD_FAILURE() << name;
        return std::size_t{0};
    };
    auto apples = find("APPLES");
    EXPECT_EQ(BigEndian(all, apples + 32, 2), 449u);
    EXPECT_EQ(BigEndian(all, apples + 34, 2), 500u);
    EXPECT_EQ(BigEndian(all, apples + 36, 2), 250u) << "2.5 kg sold, in hundredths";
    EXPECT_EQ(BigEndian(all, apples + 38, 6), 0xFFFFFFFFFFFFu);
    EXPECT_EQ(Text(all, apples + 44, 20), "5900000000035");
    auto added = find("NEW THING");
    EXPECT_EQ(BigEndian(all, added + 32, 2), 700u);
    EXPECT_EQ(BigEndian(all, added + 34, 2), 2300u) << "department 5 taxes at A";
    EXPECT_EQ(BigEndian(all, find("FREE THING") + 34, 2), 10000u) << "exempt letter";
    EXPECT_EQ(BigEndian(all, find("NEWSPAPER") + 34, 2), 10000u);
}

TEST(Uploads, ReturnPackagesCountSalesAndReturnsAndClearOnRequest) {
    Device d;
    EXPECT_EQ(Ask(d, texts::SalePackage(3, "pcs", 0.5, "BOTTLE 0.5L")), "O0");
    EXPECT_EQ(Ask(d, texts::ReturnPackage(1, "pcs", 0.5, "BOTTLE 0.5L")), "O0");
    EXPECT_EQ(Ask(d, texts::SalePackage(1, "pcs", 2, "BOX")), "O0");
    EXPECT_EQ(Subtotal(d), "000000000300");
    EXPECT_EQ(Ask(d, texts::ReturnPackage(4, "pcs", 1, "BOX")), "E008");

    auto answer = d.Execute(texts::UploadPkg('1'));
    EXPECT_TRUE(answer.upload);
    EXPECT_EQ(answer.payloads.back(), "O0\xAA");
    Bytes all;
    for (std::size_t i = 0; i + 1 < answer.payloads.size(); ++i) all += answer.payloads[i];
    ASSERT_EQ(all.size(), 58u * 4);
    EXPECT_EQ(Text(all, 0, 32), "BOTTLE 0.5L");
    EXPECT_EQ(BigEndian(all, 32, 6), 50u);
    EXPECT_EQ(BigEndian(all, 38, 4), 3000u);
    EXPECT_EQ(BigEndian(all, 42, 6), 150u);
    EXPECT_EQ(BigEndian(all, 48, 4), 1000u);
    EXPECT_EQ(BigEndian(all, 52, 6), 50u);
    EXPECT_EQ(Text(all, 58 * 3, 32), "BOX");
    EXPECT_EQ(BigEndian(all, 58 * 3 + 42, 6), 200u);

    // Cleared by the "1" selector; "0" leaves the counters.
    answer = d.Execute(texts::UploadPkg('0'));
    EXPECT_EQ(BigEndian(answer.payloads[0], 38, 4), 0u);
    EXPECT_EQ(BigEndian(answer.payloads[0], 32, 6), 50u) << "the price stays";
    EXPECT_EQ(d.Execute(texts::UploadPkg('7')).payloads, std::vector<Bytes>{"E003"});
}

TEST(Dumps, FillTheBufferFromTheAddressAndRefuseBadOnes) {
    Device d;
    Bytes r = Ask(d, texts::SRAMDump(0x1F00));
    ASSERT_EQ(r.size(), 512u);
    EXPECT_EQ(r.substr(0, 2), "O0");
    EXPECT_EQ(static_cast<unsigned char>(r[2]), 0x00);
    EXPECT_EQ(static_cast<unsigned char>(r[3]), 0x01);
    EXPECT_NE(Ask(d, texts::EPROMDump(0x1F00)), r);
    EXPECT_EQ(Ask(d, texts::ROMDump(0xFFFFF)).size(), 3u) << "the last byte only";
    EXPECT_EQ(Ask(d, texts::ROMDump(0x100000)), "E003");
    EXPECT_EQ(Ask(d, "4401G00"), "E002");
    EXPECT_EQ(Ask(d, "44100"), "E002");
}

TEST(ServiceCommands, SramEraseKeepsTheFiscalMemory) {
    Device d;
    Ask(d, "50ABC12345678");
    Ask(d, texts::ZReport());
    Ask(d, texts::SetHeadMessage(1, 0, "CHANGED"));
    Ask(d, texts::SaleItem(1, "pcs", 1, "01", "X", 0, 0));
    EXPECT_EQ(Ask(d, "43"), "O0");
    const auto& s = d.State();
    EXPECT_EQ(s.idCode, "ABC");
    EXPECT_EQ(s.lastZ, 1);
    EXPECT_FALSE(s.receiptOpen);
    EXPECT_EQ(s.receiptNumber, 1) << "numbering goes on";
    EXPECT_EQ(s.headers[0].text, fprn::emu::FactoryState().headers[0].text);
}
