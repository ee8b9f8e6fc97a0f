#include "commandtexts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using fprn::Bytes;
using namespace fprn::texts;

namespace {
const Bytes kFF4(4, static_cast<char>(0xFF));
const double kNaN = std::numeric_limits<double>::quiet_NaN();
} // namespace

TEST(CommandTexts, CommandsWithoutArguments) {
    EXPECT_EQ(PrnProgramReport(), "00");
    EXPECT_EQ(ZReport(), "20");
    EXPECT_EQ(PrintSubTotal(), "39");
    EXPECT_EQ(HardwareStatus(), "40");
    EXPECT_EQ(SoftwareStatus(), "41");
    EXPECT_EQ(PrinterStatus(), "47");
    EXPECT_EQ(OpenDrawer(), "82");
    EXPECT_EQ(CashInDrawer(), "88");
    EXPECT_EQ(UploadPlu(), "90");
    EXPECT_EQ(UploadTaxRate(), "91");
    EXPECT_EQ(UploadDepartment(), "92");
    EXPECT_EQ(UploadHeadMessage(), "93");
    EXPECT_EQ(PackagePayment(12345), "970");
    EXPECT_EQ(SalePackagePayment(-1), "850");
}

TEST(CommandTexts, SettingsTexts) {
    EXPECT_EQ(SetHeadMessage(3, 0, "WELCOME"), "0130WELCOME");
    EXPECT_EQ(SetHeadMessage(-1, 12, ""), "01-112");
    // number "%2.2s", tax letter "%1.1s", name "%s".
    EXPECT_EQ(SetDepartName("1", "FRUIT", "B"), "02 1BFRUIT");
    EXPECT_EQ(SetDepartName("123", "FRUIT", "BC"), "0212BFRUIT");
    EXPECT_EQ(SetDepartName("", "", ""), "02   ");
    EXPECT_EQ(SetTime(9, 5, 0), "04090500");
    EXPECT_EQ(SetDate(1, 12, 26), "42011226");
    EXPECT_EQ(SetDate(31, 1, 2026), "4231012026");
    EXPECT_EQ(XReport(1), "101");
    EXPECT_EQ(XReport(12), "1012");
    EXPECT_EQ(SetPrinterSpeed(3), "943");
    EXPECT_EQ(SetSysNum("AB12"), "86            AB12");
    EXPECT_EQ(SetSysNum("0123456789ABCDEFGH"), "860123456789ABCDEF");
}

TEST(CommandTexts, VatRatesWithEmptyMarker) {
    std::array<int, 9> rates{18, 8, 0, 255, 255, 255, 255, 255, 255};
    Bytes want = "03001800080000";
    for (int i = 0; i < 6; ++i) want += kFF4;
    want += "A";
    EXPECT_EQ(SetVatRate(rates, "A"), want);
    EXPECT_EQ(want.size(), 2u + 9 * 4 + 1);
    // Only exactly 255 is the marker; other values are digits, however wide.
    std::array<int, 9> odd{-5, 254, 256, 12345, 0, 0, 0, 0, 0};
    EXPECT_EQ(SetVatRate(odd, ""), "03"
                                   "-0005"
                                   "0254"
                                   "0256"
                                   "12345" +
                                       Bytes(20, '0'));
}

TEST(CommandTexts, FiscalMemoryReports) {
    EXPECT_EQ(MemReportByZNo(1, 5, 120), "21000501201");
    EXPECT_EQ(MemReportByDate(0, 1, 2, 26, 28, 2, 26), "220102262802260");
    EXPECT_EQ(MemReportMonthly(1, 3, 26), "2303261");
}

TEST(CommandTexts, SaleItemFieldByField) {
    Bytes t = SaleItem(1.5, "kg", 2.35, "01", "APPLE", 0, 0);
    EXPECT_EQ(t, "30000001500  kg000000023501"
                 "0"
                 "0000000000"
                 "APPLE" +
                     Bytes(27, ' '));
    EXPECT_EQ(t.size(), 70u);
    EXPECT_EQ(CancelItem(1.5, "kg", 2.35, "01", "APPLE", 0, 0), "31" + t.substr(2));
}

TEST(CommandTexts, SaleItemCutsPadsAndNeverCutsTheName) {
    Bytes longName(40, 'N');
    Bytes t = SaleItem(2, "piece", 0.1, "123", longName, 1, 0.25);
    EXPECT_EQ(t, "30000002000piec000000001012"
                 "1"
                 "0000000025" +
                     longName);
    // Texts end at their first NUL byte, and other bytes pass untouched.
    Bytes withNul("AB\0CD", 5);
    Bytes t2 = SaleItem(1, withNul, 1, "1", "\xC0\xDB", 0, 0);
    EXPECT_EQ(t2.substr(11, 4), "  AB");
    EXPECT_EQ(t2.substr(38), "\xC0\xDB" + Bytes(30, ' '));
}

TEST(CommandTexts, SaleItemRefusesUnsendableNumbers) {
    EXPECT_THROW(SaleItem(kNaN, "kg", 1, "1", "X", 0, 0), fprn::ArgumentError);
    EXPECT_THROW(SaleItem(1, "kg", INFINITY, "1", "X", 0, 0), fprn::ArgumentError);
    EXPECT_THROW(SaleItem(1, "kg", 1, "1", "X", 0, -INFINITY), fprn::ArgumentError);
    // 9 digits of thousandths hold up to 999999.999; 10 digits of hundredths 99999999.99.
    EXPECT_NO_THROW(SaleItem(999999.999, "kg", 99999999.99, "1", "X", 0, 0));
    EXPECT_THROW(SaleItem(1000000, "kg", 1, "1", "X", 0, 0), fprn::ArgumentError);
    EXPECT_THROW(SaleItem(1, "kg", 100000000, "1", "X", 0, 0), fprn::ArgumentError);
    // A sign has no place in a fixed-width field.
    EXPECT_THROW(SaleItem(-1, "kg", 1, "1", "X", 0, 0), fprn::ArgumentError);
}

TEST(CommandTexts, PackagesAndPayments) {
    EXPECT_EQ(SalePackage(3, "pc", 0.5, "BOTTLE"),
              "84000003000  pc0000000050BOTTLE" + Bytes(26, ' '));
    EXPECT_EQ(ReturnPackage(3, "pc", 0.5, "BOTTLE"),
              "96000003000  pc0000000050BOTTLE" + Bytes(26, ' '));
    EXPECT_EQ(Payment(0, " ", 12.5), "330" + Bytes(20, ' ') + "1250");
    EXPECT_EQ(Payment(2, "CARD", 0.125), "332CARD" + Bytes(16, ' ') + "12");
    EXPECT_EQ(Payment(1, Bytes(25, 'x'), 1), "331" + Bytes(25, 'x') + "100");
    EXPECT_EQ(Payment(0, "", -3.75), "330" + Bytes(20, ' ') + "-375");
    EXPECT_EQ(ReceiveCash(0.375), "3538");
    EXPECT_EQ(PaidOut(2.675), "36267");
    EXPECT_THROW(ReceiveCash(kNaN), fprn::ArgumentError);
    EXPECT_THROW(PaidOut(1e300), fprn::ArgumentError);
}

TEST(CommandTexts, Discounts) {
    EXPECT_EQ(Discount(1, 500, false, false), "3810500");
    EXPECT_EQ(Discount(1, 500, false, true), "3810500");
    EXPECT_EQ(Discount(0, 25, true, false), "3200025");
    EXPECT_EQ(Discount(12, 12345, true, true), "321212345");
}

TEST(CommandTexts, ReceiptTextsAndLogons) {
    EXPECT_EQ(ReceiptClose("THANK YOU"), "34THANK YOU");
    EXPECT_EQ(ReceiptCancel(""), "37");
    EXPECT_EQ(SkipPswdLogon("1"), "831");
    EXPECT_EQ(ServiceLogon("0000"), "950000");
    EXPECT_EQ(ClerkLogon(3, "123"), "993123");
    EXPECT_EQ(ClerkLogon(10, "9"), "99109");
    EXPECT_EQ(SetClerkPwd(2, "12", "ANNA"), "98212 ANNA          ");
    EXPECT_EQ(SetClerkPwd(2, "12345", "A VERY LONG CLERK NAME"), "982123A VERY LONG CL");
}

TEST(CommandTexts, DumpsAndUploads) {
    EXPECT_EQ(SRAMDump(0x1A2B), "4401A2B");
    EXPECT_EQ(EPROMDump(0), "4500000");
    EXPECT_EQ(ROMDump(0x123456), "48123456");
    EXPECT_EQ(ROMDump(-1), "48FFFFFFFF");
    EXPECT_EQ(UploadPkg('0'), "890");
    EXPECT_EQ(UploadPkg('1'), "891");
    EXPECT_EQ(UploadPkg(0x100 + '1'), "891");
    EXPECT_EQ(UploadPkg(0), "89");
    EXPECT_EQ(UploadPkg(0x200), "89");
}

TEST(CommandTexts, InvoiceInfoRoundsWithoutScaling) {
    EXPECT_EQ(InvoiceInfo(1, 42, 1234.5, 7.5), "6381000042"
                                               "000000001234"
                                               "000000000008");
    EXPECT_EQ(InvoiceInfo(1, 42, 999999999999.0, 0), "6381000042999999999999000000000000");
    EXPECT_THROW(InvoiceInfo(1, 42, 1e12, 0), fprn::ArgumentError);
}

TEST(CommandTexts, PrintedReportIs231Characters) {
    ReportFigures f{};
    f[0] = 100.5;  // cash at start
    f[1] = 250.25; // cash at end
    f[2] = 7;      // receipts
    for (int pair = 0; pair < 9; ++pair) {
        f[3 + 2 * pair] = pair + 1;
        f[4 + 2 * pair] = (pair + 1) + 0.25;
    }
    Bytes t = PrnRpt("SYS1", "CASHIER", "120000010126", "180000010126", f);
    ASSERT_EQ(t.size(), 231u);
    EXPECT_EQ(t.substr(0, 46), "87  SYS1       CASHIER120000010126180000010126");
    EXPECT_EQ(t.substr(46, 33), "000000010050"
                                "000000025025"
                                "000000007");
    EXPECT_EQ(t.substr(79, 16), "0001"
                                "000000000125");
    EXPECT_EQ(t.substr(79 + 6 * 16, 16), "0007"
                                         "000000000725");
    EXPECT_EQ(t.substr(191, 20), "00000008"
                                 "000000000825");
    EXPECT_EQ(t.substr(211, 20), "00000009"
                                 "000000000925");
    f[3] = 10000; // a count with five digits does not fit "%0.4d"
    EXPECT_THROW(PrnRpt("", "", "", "", f), fprn::ArgumentError);
}

TEST(ReturnBufLength, ByCode) {
    for (const char* c : {"44", "45", "48", "89", "90", "91", "92", "93"})
        EXPECT_EQ(fprn::ReturnBufLength(c), 512) << c;
    EXPECT_EQ(fprn::ReturnBufLength("10"), -1);
    EXPECT_EQ(fprn::ReturnBufLength("20"), -1);
    for (const char* c : {"30", "40", "00", "", "4", "440", "9"})
        EXPECT_EQ(fprn::ReturnBufLength(c), 100) << c;
}
