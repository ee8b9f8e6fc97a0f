#include "device.h"

#include "commandtexts.h"
#include "line.h"

#include <gtest/gtest.h>

namespace fprn::emu::testing {
namespace {

Bytes Ask(Device& d, const Bytes& text) {
    auto answer = d.Execute(text);
    EXPECT_EQ(answer.payloads.size(), 1u) << text;
    EXPECT_FALSE(answer.upload);
    return answer.payloads.empty() ? Bytes() : answer.payloads.front();
}

// Commands run in order, each with the reply it must get.
struct Step {
    Bytes text, reply;
};
void Script(Device& d, std::initializer_list<Step> steps) {
    int i = 0;
    for (const auto& s : steps)
        EXPECT_EQ(Ask(d, s.text), s.reply) << "step " << i++ << " " << s.text;
}

// A status field before and after some commands ("" where it is not judged).
struct Field {
    std::size_t at;
    Bytes before, after;
    const char* name;
};
void Compare(const Bytes& before, const Bytes& after, std::initializer_list<Field> fields) {
    for (const auto& f : fields) {
        EXPECT_EQ(before.substr(f.at, f.before.size()), f.before) << f.name << " before";
        if (f.after.empty()) continue;
        EXPECT_EQ(after.substr(f.at, f.after.size()), f.after) << f.name;
    }
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

// The data frames of an upload (whole records, up to four a frame), joined, after checking the
// end frame.
Bytes UploadData(Device& d, const Bytes& text, std::size_t record) {
    auto answer = d.Execute(text);
    EXPECT_TRUE(answer.upload);
    EXPECT_EQ(answer.payloads.back(), kUploadEnd);
    Bytes all;
    for (std::size_t i = 0; i + 1 < answer.payloads.size(); ++i) {
        EXPECT_EQ(answer.payloads[i].size() % record, 0u);
        EXPECT_LE(answer.payloads[i].size(), 4 * record);
        all += answer.payloads[i];
    }
    return all;
}

} // namespace

TEST(HardwareStatus, FieldsOfAFreshPrinterAndAfterIdentificationZAndASale) {
    Device d;
    Bytes fresh = Ask(d, texts::HardwareStatus());
    Script(d, {{"52" + Bytes("1234567890") + B({0x33, 0x22}), "O0"},
               {"46 AB     567", "O0"},
               {texts::SetSysNum("SYS-42"), "O0"},
               {texts::ZReport(), "O0"},
               {texts::SaleItem(1, "pcs", 1, "01", "X", 0, 0), "O0"}});
    Bytes after = Ask(d, texts::HardwareStatus());
    ASSERT_EQ(fresh.size(), 62u);
    ASSERT_EQ(after.size(), 62u);
    Compare(fresh, after,
            {{0, "O0", "O0", "head"},
             {2, "DEM00012345", " AB     567", "identification"},
             {13, Bytes(10, '\xFF'), "1234567890", "tax ID"},
             {23, B({0, 0}), B({0x33, 0x22}), "tax ID format"},
             {25, "1", "0", "training mode"},
             {26, "0", "", "fiscal memory full"},
             {27, "1", "", "battery normal"},
             {29, "0", "1", "receipt open"},
             {31, "0", "", "fiscal memory full"},
             {32, "00001800", "00011799", "Z reports made and left"},
             {40, Bytes(16, ' '), "          SYS-42", "system number"},
             {56, "0010", "", "checks passed (flash reports '1')"},
             {60, "31", "", "last two"}});
    // Fiscal mode fixes the identification.
    Script(
        d,
        {{texts::ReceiptCancel(""), "O0"}, {"50XYZ12345678", "E053"}, {"46XYZ12345678", "E053"}});

    PrinterState blank = FactoryState();
    blank.idCode.clear();
    blank.idNumber.clear();
    Device unset(blank);
    EXPECT_EQ(Ask(unset, texts::HardwareStatus()).substr(2, 11), Bytes(11, '\xFF'));
    // Format 0 goes as EE EE; a high byte alone when the low byte is 0.
    for (auto [format, shown] :
         {std::pair{B({0xEE, 0xEE}), B({0, 0})}, std::pair{B({0x04}), B({4, 0})}}) {
        EXPECT_EQ(Ask(unset, "52ABCDEFGHIJ" + format), "O0");
        EXPECT_EQ(Ask(unset, texts::HardwareStatus()).substr(23, 2), shown);
    }
}

TEST(HardwareStatus, FullFiscalMemoryRefusesTheZReport) {
    PrinterState s = FactoryState();
    s.lastZ = s.zCapacity - 1;
    Device d(s);
    Script(d, {{texts::ZReport(), "O0"}, {texts::ZReport(), "E007"}});
    Bytes r = Ask(d, texts::HardwareStatus());
    EXPECT_EQ(r[26], '1');
    EXPECT_EQ(r[31], '1');
    EXPECT_EQ(r.substr(36, 4), "0000");
}

TEST(HardwareStatus, TheCheckBytesComeFromTheStateAndSurviveAnSramErase) {
    PrinterState s = FactoryState();
    s.hardware = {'0', '1', '1', '1', '1', '0', '1', {'2', '8'}, '1', '1', 7, "0301"};
    Device d(s);
    Script(d, {{"43", "O0"}});
    Bytes hw = Ask(d, texts::HardwareStatus());
    Bytes sw = Ask(d, texts::SoftwareStatus());
    ASSERT_EQ(hw.size(), 62u);
    ASSERT_EQ(sw.size(), 48u);
    EXPECT_EQ(hw.substr(27, 2), "01") << "battery low, reset pin shorted";
    EXPECT_EQ(hw[30], '1') << "memory test";
    EXPECT_EQ(hw.substr(56, 6), "110128") << "damaged records, the three checks, 2.8 V";
    EXPECT_EQ(sw[38], '1') << "super mode";
    EXPECT_EQ(sw.substr(40, 8), "00703011") << "print buffer, version, RAM checksum";

    // The command line's settings: a bad one changes nothing.
    HardwareChecks set;
    for (const char* good : {"battery=0", "voltage=29", "buffer=5", "version=0300"})
        EXPECT_TRUE(SetHardwareCheck(set, good)) << good;
    for (const char* bad : {"battery=", "voltage=2", "buffer=1000", "version=03", "volt=29", "x"})
        EXPECT_FALSE(SetHardwareCheck(set, bad)) << bad;
    EXPECT_EQ(set.batteryState, '0');
    EXPECT_EQ(Bytes(set.batteryVoltage.data(), 2) + fmt::Dec(set.printBufferLeft) + set.version,
              "2950300");
}

TEST(SoftwareStatus, ShowsTheClockAndFollowsTheReceiptAndTheLogons) {
    Device d;
    Script(d, {{texts::SetDate(5, 3, 26), "O0"}, {texts::SetTime(23, 59, 58), "O0"}});
    Bytes fresh = Ask(d, texts::SoftwareStatus());
    ASSERT_EQ(fresh.size(), 48u);
    EXPECT_EQ(fresh.substr(0, 14), "O0050320262359");
    EXPECT_TRUE(fresh.substr(14, 2) == "58" || fresh.substr(14, 2) == "59") << fresh.substr(14, 2);

    Script(d, {{texts::SaleItem(1.5, "kg", 2.35, "01", "APPLE", 0, 0), "O0"},
               {texts::Payment(1, "CARD", 1), "O0"}});
    Bytes open = Ask(d, texts::SoftwareStatus());
    Compare(fresh, open,
            {{16, "000000", "000001", "receipt number"},
             {22, "000000000000", "000000000353", "subtotal: 1.5 x 2.35 = 3.525, rounded"},
             {34, "0", "1", "receipt open"},
             {35, "0", "1", "payment started"},
             {39, "0", "1", "sales since the last Z"},
             {40, "100", "", "flags"},
             {47, "0", "", "last one"}});
    Ask(d, texts::ReceiptClose(""));
    Compare(fresh, Ask(d, texts::SoftwareStatus()),
            {{16, "000000", "000001", "receipt number"},
             {22, "00000000000000", "00000000000000", "subtotal, receipt and payment"}});
    Ask(d, texts::ZReport());
    EXPECT_EQ(Ask(d, texts::SoftwareStatus())[39], '0');
    Ask(d, texts::ServiceLogon("secret"));
    EXPECT_EQ(Ask(d, texts::SoftwareStatus())[36], '1');
    Ask(d, texts::ClerkLogon(1, "000"));
    EXPECT_EQ(Ask(d, texts::SoftwareStatus())[36], '0');
}

TEST(Receipt, SalesCancellationsDiscountsPaymentsAndTheDrawer) {
    Device d;
    Script(d, {{texts::ReceiveCash(100), "O0"},
               {texts::SaleItem(2, "pcs", 10, "01", "BREAD", 0, 0), "O0"},
               {texts::SaleItem(1, "pcs", 5, "02", "MILK", 1, 0.5), "O0"},
               {texts::PrintSubTotal(), "O0000000002550"}, // 20 + 5 + deposit 0.50
               {texts::CancelItem(1, "pcs", 10, "01", "BREAD", 0, 0), "O0"},
               {texts::PrintSubTotal(), "O0000000001550"},
               {texts::Discount(1, 1000, true, false), "O0"}, // 10.00 % of the subtotal
               {texts::PrintSubTotal(), "O0000000001395"},
               {texts::Discount(1, 200, false, false), "O0"}, // 2.00 % increase
               {texts::PrintSubTotal(), "O0000000001423"},
               {texts::Payment(2, "CARD", 4.23), "O0"},
               {texts::SaleItem(1, "pcs", 1, "01", "X", 0, 0), "E005"},
               {texts::Discount(0, 100, true, false), "E005"},
               {texts::ReceiptClose(""), "O0"},
               {texts::CashInDrawer(), "O0000000011000"}, // 100 + 10 in cash
               {texts::PaidOut(110.01), "E031"},
               {texts::PaidOut(10), "O0"},
               {texts::CashInDrawer(), "O0000000010000"}});
}

TEST(Receipt, CommandsOutsideTheirPlaceOrMalformedAreRefused) {
    Device d;
    for (const Bytes& text :
         {texts::PrintSubTotal(), texts::Payment(0, "CASH", 1), texts::ReceiptClose(""),
          texts::ReceiptCancel(""), texts::CancelItem(1, "pcs", 1, "01", "X", 0, 0),
          texts::Discount(0, 100, true, false)})
        EXPECT_EQ(Ask(d, text), "E005") << "no receipt: " << text;
    EXPECT_EQ(Ask(d, texts::SaleItem(1, "pcs", 1, "01", "X", 0, 0)), "O0");
    for (const Bytes& text :
         {texts::ZReport(), texts::XReport(1), texts::SetTime(1, 1, 1),
          texts::SetHeadMessage(1, 0, "A"), texts::SetDepartName("01", "A", "A"),
          texts::ReceiveCash(1), texts::ClerkLogon(1, "000")})
        EXPECT_EQ(Ask(d, text), "E005") << "receipt open: " << text;
    std::array<int, 9> rates{23, 8, 5, 0, 255, 255, 255, 255, 255};
    Script(d, {{texts::CancelItem(2, "pcs", 1, "01", "X", 0, 0), "E023"}, // more than the subtotal
               {texts::Payment(1, "CARD", 1.01), "E028"},                 // a card pays no change
               {texts::ReceiptCancel(""), "O0"},
               {texts::SetVatRate(rates, "E"), "E005"}, // tax rates wait for the Z report
               {texts::ZReport(), "O0"},
               {texts::SetVatRate(rates, "E"), "O0"},
               {"77", "E001"},
               {"4", "E001"},
               {"x0", "E001"},
               {"30000001000", "E002"},                                 // sale cut short
               {texts::SaleItem(1, "pcs", 1, "10", "X", 0, 0), "E019"}, // department
               {texts::SaleItem(1, "pcs", 1, "01", "X", 2, 0), "E003"}, // package flag
               {texts::Payment(0, "CASH", -1), "E027"},                 // the text is read first
               {"35-100", "E029"},
               {texts::SetHeadMessage(6, 0, "X"), "E010"},
               {texts::SetDepartName("01", "X", "J"), "E011"},
               {texts::SetPrinterSpeed(10), "E003"},
               {texts::MemReportByZNo(0, 5, 4), "E033"},
               {texts::MemReportByDate(1, 31, 4, 26, 1, 5, 26), "E037"},
               {texts::MemReportByDate(1, 1, 4, 26, 31, 4, 26), "E038"},
               {texts::MemReportMonthly(0, 13, 26), "E037"},
               {texts::MemReportMonthly(0, 12, 26), "O0"},
               {texts::SetDate(29, 2, 28), "O0"}, // a leap day
               {texts::SetDate(30, 2, 28), "E043"},
               {texts::SetDate(29, 2, 27), "E043"},
               {texts::SetDate(1, 13, 27), "E042"},
               {"42x10126", "E041"},
               {texts::SetTime(24, 0, 0), "E013"},
               {texts::SetTime(0, 60, 0), "E014"},
               {texts::SetTime(0, 0, 60), "E015"},
               {"0412", "E002"},
               {"04ab0000", "E012"},
               {texts::ROMDump(0x100000), "E044"},
               {texts::EPROMDump(0x100000), "E044"},
               {"4401G00", "E081"},
               {"44100", "E081"},
               {texts::SetClerkPwd(0, "123", "X"), "E064"},
               {texts::ClerkLogon(0, "000"), "E066"},
               {texts::ClerkLogon(1, "999"), "E065"},
               {"95", "E067"},
               {"95  ", "E067"},
               {texts::SetClerkPwd(1, "999", "ANNA"), "O0"},
               {texts::ClerkLogon(1, "999"), "O0"}});
    EXPECT_EQ(d.State().clerk, 1);
}

// Each field's refusal carries the error number whose text names that field.
TEST(Receipt, RefusalsNameTheFieldAtFault) {
    auto with = [](Bytes text, std::size_t at, char c) {
        text[at] = c;
        return text;
    };
    const Bytes sale = texts::SaleItem(1, "pcs", 1, "01", "X", 0, 0);
    std::array<int, 9> rates{23, 8, 5, 0, 255, 255, 255, 255, 255};
    Device d;
    Script(d, {{with(sale, 3, 'x'), "E016"},
               {with(sale, 16, 'x'), "E018"},
               {with(sale, 30, 'x'), "E076"},
               {with(texts::SetVatRate(rates, "E"), 2, 'x'), "E071"},
               {texts::SetVatRate(rates, "Z"), "E011"},
               {"320x100", "E024"},
               {"32x0100", "E025"},
               {"33x" + Bytes(20, ' ') + "100", "E026"},
               {"36-5", "E030"},
               {"21000a00050", "E032"},
               {"2201a126010526"
                "0",
                "E036"},
               {"35999999999999", "O0"},
               {"351", "E022"},
               {texts::SaleItem(999999, "pcs", 99999999, "01", "X", 0, 0), "E021"},
               {sale, "O0"},
               {texts::Discount(0, 10001, true, false), "E025"}});
    for (int i = static_cast<int>(d.State().packages.size()); i < 100; ++i)
        ASSERT_EQ(Ask(d, texts::SalePackage(1, "pcs", 1, "BOX " + std::to_string(i))), "O0");
    EXPECT_EQ(Ask(d, texts::SalePackage(1, "pcs", 1, "ONE TOO MANY")), "E077");
}

// The printed report is taken only in its exact layout: a text shifted by a character, or a
// figure that is not digits, is refused; a blank period is taken.
TEST(Receipt, PrintedReportLayoutIsChecked) {
    texts::ReportFigures f{};
    f[0] = 12.5;
    const Bytes report = texts::PrnRpt("SYS1", "ANNA", "083007122026", "", f);
    ASSERT_EQ(report.size(), 231u);
    Bytes shifted = report;
    shifted.insert(2, " ");
    Bytes figureShifted = report;
    figureShifted.erase(60, 1);
    figureShifted.push_back(' ');
    Bytes periodLetter = report;
    periodLetter[23] = 'x';
    Device d;
    Script(d, {{report, "O0"},
               {shifted, "E003"},
               {report.substr(0, 230), "E002"},
               {figureShifted, "E003"},
               {periodLetter, "E003"},
               {texts::SaleItem(1, "pcs", 1, "01", "X", 0, 0), "O0"},
               {report, "E005"}});
}

TEST(Uploads, TaxRatesDepartmentsAndHeadersFollowTheSetCommands) {
    Device d;
    Bytes r = Ask(d, texts::UploadTaxRate());
    ASSERT_EQ(r.size(), 39u);
    EXPECT_EQ(r, "O0002300080005" + Bytes("0000") + Bytes(20, '\xFF') + "E") << "whole percent";
    EXPECT_EQ(Ask(d, texts::SetVatRate({1, 2, 3, 4, 5, 6, 7, 8, 255}, "I")), "O0");
    EXPECT_EQ(Ask(d, texts::UploadTaxRate()),
              "O000010002000300040005000600070008" + Bytes(4, '\xFF') + "I");

    EXPECT_EQ(Ask(d, texts::SetDepartName("03", "FRESH FISH", "D")), "O0");
    r = Ask(d, texts::UploadDepartment());
    ASSERT_EQ(r.size(), 209u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(r.substr(2 + 23 * i, 2), "0" + std::to_string(i + 1));
    EXPECT_EQ(r.substr(50, 21), "DFRESH FISH" + Bytes(10, '\0'));

    EXPECT_EQ(Ask(d, texts::SetHeadMessage(4, 7, "  WELCOME")), "O0");
    EXPECT_EQ(Ask(d, texts::SetHeadMessage(5, 0, Bytes(40, 'Z'))), "O0");
    r = Ask(d, texts::UploadHeadMessage());
    ASSERT_EQ(r.size(), 172u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(r[2 + 34 * i], '1' + i);
    EXPECT_EQ(r[2 + 34 * 3 + 1], '7');
    EXPECT_EQ(Text(r, 4 + 34 * 3, 32), "  WELCOME");
    EXPECT_EQ(r.substr(4 + 34 * 4, 32), Bytes(32, 'Z')) << "cut to the field";
}

TEST(Uploads, ItemRecordsCountWhatWasSold) {
    Device d;
    Ask(d, texts::SaleItem(2.5, "kg", 4.49, "01", "APPLES", 0, 0));
    Ask(d, texts::SaleItem(1, "pcs", 7, "05", "NEW THING", 0, 0));
    Ask(d, texts::SaleItem(1, "pcs", 7, "09", "FREE THING", 0, 0));
    Bytes all = UploadData(d, texts::UploadPlu(), 64);
    ASSERT_EQ(all.size(), 64u * 8);
    auto find = [&](const Bytes& name) {
        for (std::size_t at = 0; at < all.size(); at += 64)
            if (Text(all, at, 32) == name) return at;
        ADD_FAILURE() << name;
        return std::size_t{0};
    };
    const struct {
        const char* name;
        std::size_t at, width;
        std::uint64_t value;
    } fields[] = {{"APPLES", 32, 2, 449},       {"APPLES", 34, 2, 500},
                  {"APPLES", 36, 2, 250},       {"APPLES", 38, 6, 0xFFFFFFFFFFFF},
                  {"NEW THING", 32, 2, 700},    {"NEW THING", 34, 2, 2300},
                  {"FREE THING", 34, 2, 10000}, {"NEWSPAPER", 34, 2, 10000}};
    // Price, tax rate (department 5 taxes at A; the exempt letter), hundredths sold, unused.
    for (const auto& f : fields)
        EXPECT_EQ(BigEndian(all, find(f.name) + f.at, f.width), f.value) << f.name << " " << f.at;
    EXPECT_EQ(Text(all, find("APPLES") + 44, 20), "5900000000035");
}

TEST(Uploads, ReturnPackagesCountSalesAndReturnsAndClearOnRequest) {
    Device d;
    Script(d, {{texts::SalePackage(3, "pcs", 0.5, "BOTTLE 0.5L"), "O0"},
               {texts::ReturnPackage(1, "pcs", 0.5, "BOTTLE 0.5L"), "O0"},
               {texts::SalePackage(1, "pcs", 2, "BOX"), "O0"},
               {texts::PrintSubTotal(), "O0000000000300"},
               {texts::ReturnPackage(4, "pcs", 1, "BOX"), "E023"}});
    Bytes all = UploadData(d, texts::UploadPkg('1'), 58);
    ASSERT_EQ(all.size(), 58u * 4);
    EXPECT_EQ(Text(all, 0, 32), "BOTTLE 0.5L");
    // Price, quantity and amount sold, quantity and amount returned.
    const std::size_t fields[][3] = {{32, 6, 50},   {38, 4, 3000}, {42, 6, 150},
                                     {48, 4, 1000}, {52, 6, 50},   {58 * 3 + 42, 6, 200}};
    for (auto [at, width, value] : fields) EXPECT_EQ(BigEndian(all, at, width), value) << at;
    EXPECT_EQ(Text(all, 58 * 3, 32), "BOX");
    // Cleared by the "1" selector; "0" leaves the counters.
    all = UploadData(d, texts::UploadPkg('0'), 58);
    EXPECT_EQ(BigEndian(all, 38, 4), 0u);
    EXPECT_EQ(BigEndian(all, 32, 6), 50u) << "the price stays";
    EXPECT_EQ(d.Execute(texts::UploadPkg('7')).payloads, std::vector<Bytes>{"E003"});
}

TEST(Uploads, ACancelledReceiptTakesBackWhatItsLinesCounted) {
    Device d;
    Script(d, {{texts::SaleItem(1, "kg", 4.49, "01", "APPLES", 0, 0), "O0"},
               {texts::ReceiptClose(""), "O0"},
               {texts::SaleItem(2, "kg", 4.49, "01", "APPLES", 0, 0), "O0"},
               {texts::CancelItem(1, "kg", 4.49, "01", "APPLES", 0, 0), "O0"},
               {texts::SaleItem(1, "kg", 4.49, "01", "APPLES", 0, 0), "O0"},
               {texts::SalePackage(2, "pcs", 0.5, "CRATE"), "O0"},
               {texts::InvoiceInfo(0, 1, 9, 0), "O0"},
               {texts::InvoiceInfo(1, 1, 9, 0), "O0"},
               {texts::ReceiptCancel(""), "O0"}});
    auto record = [](const Bytes& all, std::size_t size, const Bytes& name) {
        for (std::size_t at = 0; at < all.size(); at += size)
            if (Text(all, at, 32) == name) return at;
        ADD_FAILURE() << name;
        return std::size_t{0};
    };
    Bytes items = UploadData(d, texts::UploadPlu(), 64);
    EXPECT_EQ(BigEndian(items, record(items, 64, "APPLES") + 36, 2), 100u)
        << "hundredths sold: the closed receipt's only";
    Bytes packages = UploadData(d, texts::UploadPkg('0'), 58);
    const std::size_t crate = record(packages, 58, "CRATE");
    EXPECT_EQ(BigEndian(packages, crate + 38, 4), 0u);
    EXPECT_EQ(BigEndian(packages, crate + 42, 6), 0u);
}

TEST(Receipt, LastLineDiscountsPostponedReceiptsAndPackageReceipts) {
    Device d;
    // Base 0 changes the last sold line only, base 1 the subtotal.
    Script(d, {{texts::SaleItem(1, "pcs", 3, "01", "A", 0, 0), "O0"},
               {texts::SaleItem(1, "pcs", 7, "01", "B", 0, 0), "O0"},
               {texts::Discount(0, 1000, true, true), "O0"},
               {texts::PrintSubTotal(), "O0000000000930"},
               {texts::Discount(0, 1000, false, true), "O0"}, // 10 % of the line's 6.30
               {texts::PrintSubTotal(), "O0000000000993"},
               {texts::CancelItem(1, "pcs", 3, "01", "A", 0, 0), "O0"},
               {texts::Discount(1, 1000, true, true), "O0"},
               {texts::PrintSubTotal(), "O0000000000624"},
               // Put aside: the amounts in whole units; the slot and the mode are checked.
               {texts::InvoiceInfo(2, 1, 6, 1), "E045"},
               {texts::InvoiceInfo(0, 4, 6, 1), "E046"},
               {texts::InvoiceInfo(0, 1, 6.24, 1.17), "O0"},
               {texts::PrintSubTotal(), "E005"},
               {texts::InvoiceInfo(0, 1, 6, 1), "E005"}, // no receipt open
               {texts::SaleItem(1, "pcs", 2, "01", "C", 0, 0), "O0"},
               {texts::InvoiceInfo(0, 1, 2, 0), "E047"},
               {texts::InvoiceInfo(0, 2, 2, 0), "O0"},
               {texts::InvoiceInfo(1, 1, 7, 1), "E046"}, // other amounts
               {texts::InvoiceInfo(1, 3, 6, 1), "E046"}, // an empty slot
               {texts::InvoiceInfo(1, 1, 6, 1), "O0"},
               {texts::PrintSubTotal(), "O0000000000624"},
               {texts::InvoiceInfo(1, 2, 2, 0), "E005"}, // one is open
               {texts::Payment(0, "CASH", 1), "O0"},
               {texts::InvoiceInfo(0, 3, 6, 1), "E005"}, // paid already
               {texts::ReceiptClose(""), "O0"},
               {texts::CashInDrawer(), "O0000000000624"},
               {texts::InvoiceInfo(1, 1, 6, 1), "E046"}, // taken up already
               {texts::InvoiceInfo(1, 2, 2, 0), "O0"},
               {texts::ReceiptCancel(""), "O0"}});
    // Package returns outside a receipt are a receipt of their own, paid out of the drawer.
    Script(d, {{texts::ReturnPackage(2, "pcs", 2.5, "CRATE"), "O0"},
               {texts::ReturnPackage(1, "pcs", 1.25, "CRATE"), "O0"},
               {texts::PrintSubTotal(), "O0000000000625"},
               {texts::SaleItem(1, "pcs", 1, "01", "X", 0, 0), "E005"},
               {texts::SalePackage(1, "pcs", 1, "CRATE"), "E005"},
               {texts::ReceiptClose(""), "E005"},
               {texts::SalePackagePayment(0), "E005"},
               {texts::PackagePayment(0), "E028"}, // 6.24 in the drawer
               {texts::ReceiptCancel(""), "O0"},
               {texts::ReturnPackage(1, "pcs", 1.24, "CRATE"), "O0"},
               {texts::PackagePayment(0), "O0"},
               {texts::CashInDrawer(), "O0000000000500"},
               {texts::PackagePayment(0), "E005"},
               {texts::SalePackage(2, "pcs", 1.5, "CRATE"), "O0"},
               {texts::PackagePayment(0), "E005"},
               {texts::SalePackagePayment(0), "O0"},
               {texts::CashInDrawer(), "O0000000000800"},
               {texts::SetSysNum("12"), "O0"}});
}

TEST(ServiceCommands, SramEraseKeepsTheFiscalMemory) {
    Device d;
    Script(d, {{"50ABC12345678", "O0"},
               {texts::ZReport(), "O0"},
               {texts::SetHeadMessage(1, 0, "CHANGED"), "O0"},
               {texts::SaleItem(1, "pcs", 1, "01", "X", 0, 0), "O0"},
               {"43", "O0"}});
    const auto& s = d.State();
    EXPECT_EQ(s.idCode, "ABC");
    EXPECT_EQ(s.lastZ, 1);
    EXPECT_FALSE(s.receiptOpen);
    EXPECT_EQ(s.receiptNumber, 1) << "numbering goes on";
    EXPECT_EQ(s.headers[0].text, FactoryState().headers[0].text);
}

} // namespace fprn::emu::testing
