#include "languagetable.h"

#include "fprnapi.h"
#include "language.h"
#include "languagetext.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <stdexcept>
#include <string>

namespace fprn::console {

namespace {

constexpr int kFrame = kFramePage;

// clang-format off
constexpr LanguageRow kRows[] = {
    // The frame: top panel and the return buffer.
    {kFrame, "GroupBox3", 11042, "Return Buffer"},
    {kFrame, "Label1", 11000, "Port:"},
    {kFrame, "btnOnline", 11001, "Online"},
    {kFrame, "btnOffline", 11002, "Offline"},
    {kFrame, "Button3", 11003, "Clear Buffer"},
    {kFrame, "UpdateProgramBtn", 11004, "Update Program"},
    // Page 1.
    {1, "bbtnPrgReport", 11005, "Message Report"},
    {1, "bbtnSetHeadMessage", 11006, "Set Head Message"},
    {1, "SetVatRateBtn", 11007, "Set VAT Rate"},
    {1, "bbtnSetTime", 11008, "Set Time"},
    {1, "bbtnSetDate", 11009, "Set Date"},
    {1, "bbtnXReport", 11010, "X Report"},
    {1, "bbtnZReport", 11011, "Z Report"},
    {1, "bbtnCashInDraw", 11012, "Cash In Drawer"},
    {1, "bbtnMemReport", 11013, "Fiscal Mem Report"},
    {1, "bbtnSale", 11014, "Sale"},
    {1, "bbtnReceiveAccount", 11015, "Cash Into Drawer"},
    {1, "bbtnPaidOut", 11016, "Paid  Out"},
    {1, "bbtnChkHw", 11017, "Hardware Status"},
    {1, "bbtnChkSw", 11018, "Software Status"},
    {1, "bbtnChkPrn", 11019, "Printer Status"},
    {1, "bbtnCloseRecp", 11020, "Set FootMessage"},
    {1, "bbtnDumpSram", 11021, "Dump SRAM"},
    {1, "bbtnDumpEprom", 11022, "Dump EPROM"},
    {1, "bbtnDumpRom", 11023, "Dump ROM"},
    {1, "bbtnEnterFiscalMode", 11024, "Enter Fiscal Mode"},
    {1, "bbtnSetId", 11025, "Set ID"},
    {1, "bbtnUserMode", 11026, "Set Tax ID"},
    {1, "bbtnServiceLogon", 11027, "Service Logon"},
    {1, "bbtnRtnPackage", 11028, "Return Package"},
    {1, "bbtnTestSram", 11029, "ECR Reset"},
    {1, "bbtnUploadPlu", 11030, "Upload PLU"},
    {1, "bbtnUploadTaxRate", 11031, "Upload TaxRate"},
    {1, "bbtnUploadHeadMessage", 11032, "Upload Head Message"},
    {1, "bbtnPrinterSpeed", 11033, "Set Printer Speed"},
    {1, "bbtnUploadPkg", 11034, "Upload RtnPackage"},
    {1, "bbtnClerkLogon", 11035, "Clerk Logon"},
    {1, "bbtnSetClerkPwd", 11036, "Set Clerk Password"},
    {1, "bbtnSetDept", 11037, "Set Department"},
    {1, "bbtnDepReport", 11038, "Depart Report"},
    {1, "bbtnUploadDepart", 11039, "Upload Department"},
    {1, "bbtnLoadPlu", 11040, "Load PLU"},
    {1, "bbtnCommLine", 11041, "Command Line Mode"},
    {1, "btnOpenDrawer", 11043, "Open Drawer"},
    {1, "btnPrnRpt", 11465, "Print Report"},
    // Page 2.
    {2, "Label4", 11050, "Year:"},
    {2, "Label5", 11051, "Month:"},
    {2, "Label6", 11052, "Day:"},
    {2, "SetDateBtn1", 11053, "Set Date"},
    {2, "BackBtn1", 10500, "Back To Menu"},
    // Page 3.
    {3, "Label7", 11054, "Hour:"},
    {3, "Label8", 11055, "Minute:"},
    {3, "Label9", 11056, "Second:"},
    {3, "SetTimeBtn1", 11057, "Set Time"},
    {3, "BackBtn2", 10500, "Back To Menu"},
    // Page 4.
    {4, "lblTaxA", 11060, "Tax A:"},
    {4, "lblTaxB", 11061, "Tax B:"},
    {4, "lblTaxC", 11062, "Tax C:"},
    {4, "lblTaxD", 11063, "Tax D:"},
    {4, "lblTaxE", 11064, "Tax E:"},
    {4, "lblTaxF", 11065, "Tax F:"},
    {4, "lblTaxG", 11066, "Tax G:"},
    {4, "lblTaxH", 11067, "Tax H:"},
    {4, "lblTaxI", 11068, "Tax I:"},
    {4, "lblTaxJ", 11069, "Tax J:"},
    {4, "lblTaxK", 11070, "Tax K:"},
    {4, "lblTaxL", 11071, "Tax L:"},
    {4, "lblFreeTaxType", 11073, "Free Tax Type"},
    {4, "SetVatRateBtn1", 11074, "Set VAT Rate"},
    {4, "lblTaxAP", 11072, "%"},
    {4, "lblTaxBP", 11072, "%"},
    {4, "lblTaxCP", 11072, "%"},
    {4, "lblTaxDP", 11072, "%"},
    {4, "lblTaxEP", 11072, "%"},
    {4, "lblTaxFP", 11072, "%"},
    {4, "lblTaxGP", 11072, "%"},
    {4, "lblTaxHP", 11072, "%"},
    {4, "lblTaxIP", 11072, "%"},
    {4, "lblTaxJP", 11072, "%"},
    {4, "lblTaxKP", 11072, "%"},
    {4, "lblTaxLP", 11072, "%"},
    {4, "BackBtn3", 10500, "Back To Menu"},
    // Page 5.
    {5, "GroupBox1", 11080, "Head Message"},
    {5, "SetHeadMessageBtn1", 11081, "Set Head Message"},
    {5, "BackBtn4", 10500, "Back To Menu"},
    // Page 6.
    {6, "lblCashIntoDrawer", 11085, "Cash:"},
    {6, "bbtnReceiveCash", 11086, "Cash Into Drawer"},
    {6, "BackBtn5", 10500, "Back To Menu"},
    // Page 7.
    {7, "PaidOutBtn1", 11087, "Paid Out"},
    {7, "BackBtn6", 10500, "Back To Menu"},
    // Page 8.
    {8, "lblBarcode", 11090, "Barcode:"},
    {8, "lblPluName", 11091, "Name:"},
    {8, "lblPrice", 11092, "Price:"},
    {8, "lblTaxType", 11093, "Tax Type:"},
    {8, "lblQty", 11094, "Quantity:"},
    {8, "lblUnit", 11095, "Unit:"},
    {8, "lblChangeAmt", 11096, "Changed Amount:"},
    {8, "lblReturnPkgPrice", 11097, "Return Package Price"},
    {8, "GroupBox14", 11098, "Change Price"},
    {8, "rbDiscCmd1", 11099, "Discount"},
    {8, "rbDiscCmd2", 11100, "Increase"},
    {8, "GroupBox4", 11101, "Changed From"},
    {8, "rbDiscBase1", 11102, "Last Sold Item"},
    {8, "rbDiscBase2", 11103, "Sub Total"},
    {8, "GroupBox13", 11104, "Calc By"},
    {8, "rbDiscAmt1", 11105, "Rate"},
    {8, "rbDiscAmt2", 11106, "Fixed Amt"},
    {8, "btnSaleItem", 11107, "Sale Item"},
    {8, "bbtnDiscount", 11108, "Discount"},
    {8, "btnCancelItem", 11109, "Cancel Item"},
    {8, "btnPrnSubtotal", 11110, "Print SubTotal"},
    {8, "btnPostpone", 11111, "Postpone"},
    {8, "btnCancelPostpone", 11112, "Complete Postpone"},
    {8, "btnSaleOK", 11113, "Pay"},
    {8, "btnSaleVoid", 11114, "Receipt Cancel"},
    {8, "lblSaleTotal", 11115, "Total"},
    {8, "BackBtn7", 10500, "Back To Menu"},
    // Page 9.
    {9, "Label34", 11120, "Total:"},
    {9, "Label31", 11121, "Cash:"},
    {9, "CashBtn", 11122, "Pay"},
    {9, "Label39", 11123, "Card Type:"},
    {9, "Label40", 11124, "Pay:"},
    {9, "Label32", 11125, "Credit:"},
    {9, "Pay1Btn", 11126, "Pay"},
    {9, "Label26", 11466, "System Number"},
    {9, "btnSetSysNum", 11467, "Set"},
    // Page 10.
    {10, "Label28", 11130, "Depart ID:"},
    {10, "Label105", 11131, "Tax Type:"},
    {10, "Label23", 11132, "Depart Name:"},
    {10, "bbtnExecSetDept", 11133, "SetDepartName"},
    {10, "BitBtn1", 10500, "Back To Menu"},
    // Page 11.
    {11, "GroupBox2", 11140, "Fiscal Memory Report By Z No"},
    {11, "rbZNoPrn1", 11141, "Summary"},
    {11, "rbZNoPrn2", 11142, "Detail"},
    {11, "Label29", 11143, "Z No From"},
    {11, "Label49", 11144, "To"},
    {11, "bbtnZNoReport", 11145, "Report By Z No"},
    {11, "GroupBox8", 11146, "Fiscal Memory Report Monthly"},
    {11, "rbMonPrn1", 11147, "Summary"},
    {11, "rbMonPrn2", 11148, "Detail"},
    {11, "Label65", 11149, "Month:"},
    {11, "Label67", 11150, "Year:"},
    {11, "bbtnMonthlyReport", 11151, "Report By Monthly"},
    {11, "GroupBox5", 11152, "Fiscal Memory Report By Date"},
    {11, "rbDatePrn1", 11153, "Summary"},
    {11, "rbDatePrn2", 11154, "Detail"},
    {11, "Label50", 11155, "Date From"},
    {11, "Label51", 11156, "To"},
    {11, "bbtnDateReport", 11157, "Report By Date"},
    {11, "lblSkipPswd", 11158, "Password"},
    {11, "btnSkipPswd", 11159, "Skip to read ony mode"},
    {11, "BitBtn2", 10500, "Back To Menu"},
    // Page 12.
    {12, "GroupBox6", 11160, "Operation Mode"},
    {12, "rbOpMode1", 11161, "Fiscal Mode"},
    {12, "rbOpMode2", 11162, "Training  Mode"},
    {12, "GroupBox11", 11163, "Battery State"},
    {12, "rbBatteryState1", 11164, "Low"},
    {12, "rbBatteryState2", 11165, "Normal"},
    {12, "GroupBox12", 11166, "RAM Rest Pin"},
    {12, "rbPinState1", 11167, "Opened"},
    {12, "rbPinState2", 11168, "Shorted"},
    {12, "GroupBox7", 11169, "Fiscal State"},
    {12, "rbFiscalMode1", 11170, "Fiscal"},
    {12, "rbFiscalMode2", 11171, "Non-Fiscal"},
    {12, "GroupBox9", 11172, "Infomation"},
    {12, "Label61", 11173, "ID Code:"},
    {12, "Label63", 11174, "ID Number:"},
    {12, "Label57", 11175, "Last Z Number:"},
    {12, "Label59", 11176, "Free Z Space:"},
    {12, "Label33", 11177, "Battery Voltage:"},
    {12, "Label82", 11178, "Tax ID:"},
    {12, "Label86", 11179, "ID Format:"},
    {12, "ckbRam", 11180, "RAM Check OK"},
    {12, "ckbFlash", 11181, "Flash Check OK"},
    {12, "ckbFiscalMem", 11182, "Fiscal Memory Check OK"},
    {12, "ckbRecDamaged", 11183, "Records In Fiscal Memory Maybe Damaged"},
    {12, "ckbFiscalMemFull", 11184, "Fiscal Memory Full"},
    {12, "ckbSaleReceipt", 11185, "Sales Receipt Opened"},
    {12, "ckbTestmem", 11186, "Test memory check"},
    {12, "ckbZReport", 11187, "Z Report Blocked"},
    {12, "BitBtn4", 10500, "Back To Menu"},
    // Page 13.
    {13, "Label56", 11190, "Current Date:"},
    {13, "Label60", 11191, "Current Time:"},
    {13, "Label64", 11192, "Current Receipt No:"},
    {13, "Label68", 11193, "Current  Subtotal:"},
    {13, "Label55", 11194, "Software Version:"},
    {13, "Label76", 11195, "Print Buffer Left:"},
    {13, "ckbSaleReceipt_S", 11196, "Sales Receipt Not Closed"},
    {13, "ckbPayment1_S", 11197, "Payment Started"},
    {13, "ckbPayment2_S", 11198, "Service mode"},
    {13, "ckbProgramReceipt_S", 11199, "Super mode"},
    {13, "ckbZReport_S", 11200, "Programming Not Allowed Unless Printing Z Report"},
    {13, "ckbRamCheckSum_S", 11201, "Ram Checksum Error"},
    {13, "BitBtn5", 10500, "Back To Menu"},
    // Page 14.
    {14, "GroupBox10", 11210, "Printer Status"},
    {14, "rbPrinterStatus1", 11211, "Printer OK"},
    {14, "rbPrinterStatus2", 11212, "Busy Pin TimeOut"},
    {14, "rbPrinterStatus3", 11213, "Receipt Printer Is Out Of Paper "},
    {14, "rbPrinterStatus4", 11214, "Journal Printer Is Out Of Paper "},
    {14, "rbPrinterStatus5", 11215, "Receipt and Journal Printer Is Out Of Paper "},
    {14, "rbPrinterStatus6", 11216, "Error Pin"},
    {14, "rbPrinterStatus7", 11217, "Printer Offline"},
    {14, "rbPrinterStatus8", 11218, "Unknown Status"},
    {14, "BitBtn6", 10500, "Back To Menu"},
    // Page 15.
    {15, "Label62", 11220, "Start Address:"},
    {15, "btnExecDumpSRam", 11221, "Dump SRAM"},
    {15, "BitBtn7", 10500, "Back To Menu"},
    // Page 16.
    {16, "Label69", 11222, "Start Address:"},
    {16, "btnExecDumpEprom", 11223, "Dump EPROM"},
    {16, "btnExecDumpRom", 11224, "Dump ROM"},
    {16, "BitBtn8", 10500, "Back To Menu"},
    // Page 17.
    {17, "gbNormal", 11230, "Normal Invoice"},
    {17, "Label58", 11231, "Invoice NO.:"},
    {17, "Label66", 11232, "Paid By Cash:"},
    {17, "Label71", 11233, "Paid By Credit:"},
    {17, "Label73", 11234, "VAT Total:"},
    {17, "gbReceipt", 11235, "Receipt Postponed/Complete"},
    {17, "rbReceipt1", 11236, "Postponed"},
    {17, "rbReceipt2", 11237, "Completed"},
    {17, "Label99", 11238, "Receipt NO.:"},
    {17, "Label101", 11239, "Total:"},
    {17, "Label103", 11240, "VAT: "},
    {17, "gbExpDoc", 11241, "Expense Document"},
    {17, "rbExpDoc1", 11242, "Printed"},
    {17, "rbExpDoc2", 11243, "Canceled"},
    {17, "Label87", 11244, "Doc. NO.:"},
    {17, "Label89", 11245, "Total:"},
    {17, "Label91", 11246, "VAT: "},
    {17, "gbDplSale", 11247, "Diplomatic Sale"},
    {17, "Label79", 11248, "Invoice NO.:"},
    {17, "Label81", 11249, "Paid By Credit:"},
    {17, "Label83", 11250, "Uncharged VAT:"},
    {17, "gbWaybill", 11251, "Waybill "},
    {17, "rbWaybill1", 11252, "Printed"},
    {17, "rbWaybill2", 11253, "Canceled"},
    {17, "Label85", 11254, "Waybill NO.:"},
    {17, "gbGiftCert", 11255, "Gift Certificate"},
    {17, "Label93", 11256, "Cert. NO.:"},
    {17, "Label95", 11257, "Total:"},
    {17, "gbOrdRecp", 11258, "Order Receipt"},
    {17, "Label97", 11259, "Receipt NO.:"},
    {17, "gbCancel", 11260, "Canceled Invoice"},
    {17, "Label75", 11261, "Invoice NO.:"},
    {17, "Label77", 11262, "Total :"},
    {17, "gbGuarantee", 11263, "Guarantee Card"},
    {17, "Label72", 11264, "Card NO.:"},
    {17, "BitBtn9", 10500, "Back To Menu"},
    // Page 18.
    {18, "Label47", 11270, "ID Code:"},
    {18, "Label74", 11271, "ID NO.:"},
    {18, "btnExecSetID", 11272, "Set ID"},
    {18, "btnExecEnterFiscalMode", 11273, "Enter Fiscal Mode"},
    {18, "BitBtn10", 10500, "Back To Menu"},
    // Page 19.
    {19, "Label78", 11275, "Footer Message:"},
    {19, "bbtnExecCancelRecp", 11276, "Cancel Receipt"},
    {19, "bbtnExecCloseRecp", 11277, "Set Foot Message"},
    {19, "BitBtn11", 10500, "Back To Menu"},
    // Page 20.
    {20, "rbReportPrint1", 11280, "Not to Print"},
    {20, "rbReportPrint2", 11281, "Print"},
    {20, "bbtnExecXReport", 11282, "XReport"},
    {20, "bbtnExecDepReport", 11283, "Department Report"},
    {20, "BitBtn12", 10500, "Back To Menu"},
    // Page 21.
    {21, "Label70", 11285, "Postpone Receipt No.:"},
    {21, "btnExecCancelPostpone", 11286, "Complete Postpone"},
    {21, "bbtnBackSale", 10500, "Back To Sale"},
    // Page 22.
    {22, "Label54", 11290, "Tax ID:"},
    {22, "Label80", 11291, "Tax ID FORMAT:"},
    {22, "btnSetTaxID", 11292, "SET TAX ID"},
    {22, "BitBtn13", 10500, "Back To Menu"},
    // Page 23.
    {23, "Label90", 11295, "Service Password"},
    {23, "bbtnExecServiceLogon", 11296, "Service Logon"},
    {23, "BitBtn14", 10500, "Back To Menu"},
    // Page 24.
    {24, "Label92", 11300, "Name:"},
    {24, "Label94", 11301, "Price:"},
    {24, "Label100", 11302, "Unit:"},
    {24, "Label96", 11303, "Quantity:"},
    {24, "btnExecRtnPck", 11304, "Return Package"},
    {24, "Label102", 11305, "Total"},
    {24, "btnExecPckPay", 11306, "Return Payment"},
    {24, "btnSalePackage", 11307, "Sale Package"},
    {24, "btnSalePackagePayment", 11308, "Sale Package Payment"},
    {24, "BitBtn15", 10500, "Back To Menu"},
    // Page 25.
    {25, "Label98", 11310, "Clerk"},
    {25, "Label104", 11311, "Password"},
    {25, "Label106", 11312, "Name"},
    {25, "btnExecClerkPwd", 11313, "Set Password"},
    {25, "btnExecClerkLogon", 11314, "Logon"},
    {25, "BitBtn16", 10500, "Back To Menu"},
    // Page 26.
    {26, "Label107", 11320, "PLU"},
    {26, "btnExecPluUpload", 11321, "Upload"},
    {26, "Label108", 11322, "PLU Uploaded"},
    {26, "BitBtn17", 10500, "Back To Menu"},
    // Page 27.
    {27, "lbUpload", 11330, "Uploaded"},
    {27, "BitBtn18", 10500, "Back To Menu"},
    // Page 28.
    {28, "Label109", 11340, "TaxRate Uploaded"},
    {28, "Label110", 11060, "TAX A:", true},
    {28, "Label111", 11061, "TAX B:", true},
    {28, "Label113", 11062, "TAX C:", true},
    {28, "Label115", 11063, "TAX D:", true},
    {28, "Label117", 11064, "TAX E:", true},
    {28, "Label119", 11065, "TAX F:", true},
    {28, "Label121", 11066, "TAX G:", true},
    {28, "Label123", 11067, "TAX H:", true},
    {28, "Label125", 11068, "TAX I :", true},
    {28, "Label127", 11073, "Free Tax Depart:", true},
    {28, "BitBtn19", 10500, "Back To Menu"},
    // Page 29.
    {29, "Label114", 11345, "Printer Density"},
    {29, "bbtnSetPrinterSpeed", 11346, "Set Printer Speed"},
    {29, "BitBtn20", 10500, "Back To Menu"},
    // Page 30.
    {30, "Label116", 11350, "Return Package Uploaded"},
    {30, "BitBtn21", 10500, "Back To Menu"},
    // Page 31.
    {31, "Label3", 11450, "CASHIER NAME"},
    {31, "Label10", 11451, "WORKING HOUR FROM"},
    {31, "Label11", 11452, "TO"},
    {31, "Label12", 11453, "CASH IN DRAWER AT THE BEGGING"},
    {31, "Label13", 11454, "CASH IN DRAWER AT THE END"},
    {31, "Label14", 11455, "QUANTITY OF SALES RECEIPT"},
    {31, "Label15", 11456, "PAID IN"},
    {31, "Label16", 11457, "PAID OUT"},
    {31, "Label17", 11458, "SALES IN CASH"},
    {31, "Label18", 11459, "SALES IN CARD"},
    {31, "Label19", 11460, "SALES IN CHECK"},
    {31, "Label20", 11461, "DISCOUNT"},
    {31, "Label21", 11462, "INCREASE"},
    {31, "Label22", 11463, "SALES OF RETURN PACKAGES"},
    {31, "Label24", 11464, "TAKING RETURN PACKAGES"},
    {31, "Label25", 11466, "System Number"},
    {31, "BitBtn23", 11465, "Print Report"},
    {31, "BitBtn22", 10500, "Back To Menu"},
    // Page 32.
    {32, "chkbUpRtnPkg", 11470, "Is Clear"},
    {32, "btnUpRtnPkg", 11304, "Upload RtnPackage"},
    {32, "btnUpRtnPkgBack", 10500, "Back To Menu"},
};
// clang-format on

} // namespace

std::span<const LanguageRow> LanguageRows() {
    return kRows;
}

const LanguageRow* FindLanguageRow(std::string_view name) {
    auto it = std::find_if(std::begin(kRows), std::end(kRows),
                           [name](const LanguageRow& row) { return name == row.name; });
    return it == std::end(kRows) ? nullptr : &*it;
}

QString BuiltInCaption(std::string_view name) {
    const LanguageRow* row = FindLanguageRow(name);
    if (!row) throw std::out_of_range("no language row for " + std::string(name));
    return lang::FromCharset(row->builtIn);
}

void SetControlCaption(QWidget* control, const QString& caption) {
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(caption);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(caption);
}

QString ControlCaption(const QWidget* control) {
    if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    return {};
}

void ApplyLanguage(QWidget& mainForm) {
    if (!lang::LanguageObject()) return;
    mainForm.setWindowTitle(
        lang::FromCharset(lang::GetLanguageText(10100) + " V" + kConsoleVersion));
    ApplyLanguageToTexts();
    for (const LanguageRow& row : kRows) {
        auto* control = mainForm.findChild<QWidget*>(QString::fromLatin1(row.name));
        if (!control) continue;
        std::string text = lang::GetLanguageText(row.id);
        if (row.colon) text += ':';
        SetControlCaption(control, lang::FromCharset(text));
    }
}

std::vector<const LanguageRow*> MissingLanguageControls(const QWidget& mainForm) {
    std::vector<const LanguageRow*> missing;
    for (const LanguageRow& row : kRows)
        if (!mainForm.findChild<QWidget*>(QString::fromLatin1(row.name))) missing.push_back(&row);
    return missing;
}

} // namespace fprn::console
