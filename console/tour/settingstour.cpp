// The tour through the settings and reports: the printer's date, time and tax rates set, the
// software status showing the new clock, an X report and a fiscal-memory report by date.
#include "mainform.h"
#include "tour.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QSpinBox>

namespace fprn::console::tour {

namespace {

void SetSpin(Tour& t, const char* name, int value) {
    t.Form().Control<QSpinBox>(QString::fromLatin1(name))->setValue(value);
}

void DateAndTime(Tour& t) {
    t.Click(QStringLiteral("bbtnSetDate")); // hidden in the menu
    t.ExpectPage(2);
    SetSpin(t, "DaySE", 5);
    SetSpin(t, "MonthSE", 3);
    SetSpin(t, "YearSE", 26);
    t.Shoot("set-date");
    t.Click(QStringLiteral("SetDateBtn1"));
    t.ExpectNoBox();
    t.ExpectPage(1);

    t.Click(QStringLiteral("bbtnSetTime"));
    t.ExpectPage(3);
    SetSpin(t, "HourSE", 8);
    SetSpin(t, "MinuteSE", 30);
    SetSpin(t, "SecondSE", 0);
    t.Shoot("set-time");
    t.Click(QStringLiteral("SetTimeBtn1"));
    t.ExpectNoBox();
    t.ExpectPage(1);

    t.Click(QStringLiteral("bbtnChkSw"));
    t.ExpectPage(13);
    t.Shoot("software-status-new-clock");
    t.Click(QStringLiteral("BitBtn5"));
}

void VatRates(Tour& t) {
    t.Click(QStringLiteral("SetVatRateBtn"));
    t.ExpectPage(4);
    const char* const rates[] = {"0023", "0008", "0005", "0000"};
    for (int i = 0; i < 4; ++i) t.Type(QStringLiteral("PtuME%1").arg(i + 1), rates[i]);
    for (int i = 5; i <= 9; ++i) t.Type(QStringLiteral("PtuME%1").arg(i), QString());
    t.Form().Control<QComboBox>(QStringLiteral("cbTaxType2"))->setCurrentText("E");
    t.Shoot("set-vat-rates");
    t.Click(QStringLiteral("SetVatRateBtn1"));
    t.ExpectNoBox();
    t.ExpectPage(1);
    const auto& v = t.Form().VatRates;
    if (v[0] != 23 || v[1] != 8 || v[4] != 255) Fail("the rates were not read as typed");
}

void Reports(Tour& t) {
    t.Click(QStringLiteral("bbtnXReport"));
    t.ExpectNoBox();
    t.ExpectPage(1);
    t.Shoot("x-report");

    t.Click(QStringLiteral("bbtnMemReport"));
    t.ExpectPage(11);
    t.Form().Control<QDateEdit>(QStringLiteral("dtpDate1"))->setDate(QDate(2026, 3, 1));
    t.Form().Control<QDateEdit>(QStringLiteral("dtpDate2"))->setDate(QDate(2026, 3, 5));
    t.Click(QStringLiteral("bbtnDateReport"));
    t.ExpectNoBox();
    t.ExpectPage(11);
    t.Shoot("fiscal-memory-report");
    t.Click(QStringLiteral("BitBtn2"));
    t.ExpectPage(1);
}

FPRN_TOUR_STEP(DateAndTime, {450, "date and time", DateAndTime});
FPRN_TOUR_STEP(VatRates, {460, "tax rates", VatRates});
FPRN_TOUR_STEP(Reports, {470, "X and fiscal-memory reports", Reports});

} // namespace

} // namespace fprn::console::tour
