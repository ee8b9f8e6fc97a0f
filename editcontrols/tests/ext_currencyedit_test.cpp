#include "currencyedit.h"

#include "floatformat.h"
#include "localeinfo.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace fprn::editcontrols;

namespace {

LocaleInfo CommaLocale() {
    LocaleInfo l;
    l.decimalSeparator = ",";
    l.thousandSeparator = ".";
    l.currencySymbol = "kr";
    l.currencyFormat = 3;
    l.currencyDecimals = 2;
    return l;
}

struct BeepCounter {
    int beeps = 0;
    std::function<void()> previous;
    BeepCounter() {
        previous = SetEditBeepHook([this] { ++beeps; });
    }
    ~BeepCounter() { SetEditBeepHook(previous); }
};

// A form with the edit under test and a second edit to move the focus to.
struct Form {
    QWidget window;
    TCurrencyEdit* edit = new TCurrencyEdit(&window);
    TCurrencyEdit* other = new TCurrencyEdit(&window);
    Form() {
        other->move(0, 40);
        window.resize(200, 100);
        window.show();
        Focus();
    }
    void Focus() {
        edit->setFocus();
        QApplication::processEvents();
    }
    void Leave() {
        other->setFocus();
        QApplication::processEvents();
    }
    void Type(const QString& keys) { QTest::keyClicks(edit, keys); }
};

QImage Picture(QWidget* w) {
    return w->grab().toImage();
}

} // namespace

class CurrencyEditTest : public ::testing::Test {
protected:
    ScopedLocale locale_{CLocaleInfo()};
};

TEST_F(CurrencyEditTest, Defaults) {
    TCurrencyEdit e;
    EXPECT_EQ(e.DecimalPlaces(), 2);
    EXPECT_EQ(e.DisplayFormat(), ",0.00;-,0.00");
    EXPECT_EQ(e.StoredValues() & kStoredDisplayFormat, 0);
    EXPECT_EQ(e.MaxValue(), 0);
    EXPECT_EQ(e.MinValue(), 0);
    EXPECT_FALSE(e.UseThousandSeparator());
    EXPECT_FALSE(e.IsInplace());
    EXPECT_EQ(e.size(), QSize(121, 21));
    EXPECT_TRUE(e.focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(e.PaintsInactive());
}

TEST_F(CurrencyEditTest, ValueReadsTheText) {
    TCurrencyEdit e;
    EXPECT_EQ(e.Value(), 0);
    e.SetMinValue(5);
    EXPECT_EQ(e.MinValue(), 0) << "a minimum above the maximum becomes the maximum";
    EXPECT_EQ(e.text(), "");
    e.SetMaxValue(100);
    e.SetMinValue(3);
    EXPECT_EQ(e.text(), "3") << "the limits re-apply the value at once";
    e.SetText("");
    EXPECT_EQ(e.Value(), 0) << "empty reads 0, not MinValue";
    e.SetText("abc");
    EXPECT_EQ(e.Value(), 3) << "a text that is no number reads MinValue";
    e.SetText("250");
    EXPECT_EQ(e.Value(), 250) << "no clamping on reading";
}

TEST_F(CurrencyEditTest, ValueWrites) {
    TCurrencyEdit e;
    e.SetValue(2500.50);
    EXPECT_EQ(e.text(), "2500.5");
    e.SetValue(0.1 + 0.2);
    EXPECT_EQ(e.text(), "0.3");
    e.SetValue(1e20);
    EXPECT_EQ(e.text(), "1E20");
    e.SetValue(0.00001);
    EXPECT_EQ(e.text(), "1E-5");
    e.SetValue(0.0001);
    EXPECT_EQ(e.text(), "0.0001");
    e.SetValue(-5);
    EXPECT_EQ(e.text(), "-5") << "both limits 0: no clamping";
    e.SetMaxValue(999999999);
    e.SetValue(-5);
    EXPECT_EQ(e.text(), "0");
    e.SetValue(1e10);
    EXPECT_EQ(e.text(), "999999999");
}

TEST_F(CurrencyEditTest, ValueWriteKeepsModifiedAndSkipsEqualText) {
    TCurrencyEdit e;
    int changes = 0;
    e.OnChange = [&](TInplaceEdit*) { ++changes; };
    e.SetValue(7);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(e.GetModified());
    e.SetModified(true);
    e.SetValue(7);
    EXPECT_EQ(changes, 1) << "the value already shown changes nothing";
    e.SetValue(8);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(e.GetModified()) << "writing Value never changes the modified flag";
}

TEST_F(CurrencyEditTest, LimitsStayOrdered) {
    TCurrencyEdit e;
    e.SetMaxValue(10);
    e.SetValue(8);
    e.SetMaxValue(5);
    EXPECT_EQ(e.text(), "5") << "lowering the maximum clamps at once";
    e.SetMinValue(2);
    e.SetMaxValue(1);
    EXPECT_EQ(e.MaxValue(), 2) << "a maximum below the minimum becomes the minimum";
    EXPECT_EQ(e.StoredValues() & (kStoredMaxValue | kStoredMinValue),
              kStoredMaxValue | kStoredMinValue);
}

TEST_F(CurrencyEditTest, StoredValuesOfAFormDescription) {
    TCurrencyEdit limits;
    limits.SetMaxLength(10);
    limits.SetMaxValue(50);
    EXPECT_EQ(StoredValuesToStream(limits.StoredValues()), 18);
    TCurrencyEdit pattern;
    pattern.SetDisplayFormat("0.00");
    EXPECT_EQ(StoredValuesToStream(pattern.StoredValues()), 0);
    EXPECT_EQ(StoredValuesFromStream(pattern.StoredValues(), 0), kStoredDisplayFormat);
}

TEST_F(CurrencyEditTest, TypingSignsAndDecimalPlaces) {
    BeepCounter beeps;
    Form f;
    f.Type("-");
    EXPECT_EQ(f.edit->text(), "-");
    EXPECT_EQ(f.edit->Value(), 0) << "a lone minus reads MinValue";
    f.Type("5");
    EXPECT_EQ(f.edit->text(), "-5");
    f.Type("-");
    EXPECT_EQ(f.edit->text(), "-5") << "a minus after the digit is refused";
    EXPECT_EQ(beeps.beeps, 1);
    f.edit->SetText("");
    f.Type("+");
    EXPECT_EQ(f.edit->text(), "");
    EXPECT_EQ(beeps.beeps, 2);
    f.Type("5");
    f.edit->home(false);
    f.Type("-");
    EXPECT_EQ(f.edit->text(), "-5") << "typed before the digit it is taken";
    f.edit->end(false);
    f.Type("1.259");
    EXPECT_EQ(f.edit->text(), "-51.25") << "a third fraction digit is refused";
    EXPECT_EQ(beeps.beeps, 3);
    f.Type("x");
    EXPECT_EQ(beeps.beeps, 4);
    EXPECT_EQ(f.edit->text(), "-51.25");
}

TEST_F(CurrencyEditTest, TypingWithoutDecimalPlacesAndWithExponent) {
    BeepCounter beeps;
    Form f;
    f.edit->SetDecimalPlaces(0);
    f.Type("5.");
    EXPECT_EQ(f.edit->text(), "5.");
    f.Type("1");
    EXPECT_EQ(f.edit->text(), "5.");
    EXPECT_EQ(beeps.beeps, 1);
    f.edit->SetText("");
    f.edit->SetDecimalPlaces(1);
    f.Type("1.2E5");
    EXPECT_EQ(f.edit->text(), "1.2E5") << "only the digits before the exponent count";
    EXPECT_EQ(f.edit->Value(), 120000);
    f.edit->SetText("");
    f.Type(".");
    EXPECT_EQ(f.edit->text(), ".") << "a lone separator reads 0";
    EXPECT_EQ(f.edit->Value(), 0);
    EXPECT_EQ(beeps.beeps, 1);
}

TEST_F(CurrencyEditTest, CommaBecomesTheDecimalSeparator) {
    Form f;
    std::vector<QChar> seen;
    f.edit->OnKeyPress = [&](TInplaceEdit*, QChar& key) { seen.push_back(key); };
    f.Type("7,2");
    EXPECT_EQ(f.edit->text(), "7.2");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1], QChar('.')) << "OnKeyPress sees the mapped key";
    f.Type("a");
    EXPECT_EQ(seen.size(), 3u) << "a refused key never reaches OnKeyPress";
}

TEST_F(CurrencyEditTest, ThousandSeparatorWhenEnabled) {
    Form f;
    f.edit->SetUseThousandSeparator(true);
    f.Type("7,250.5");
    EXPECT_EQ(f.edit->text(), "7,250.5");
    EXPECT_EQ(f.edit->Value(), 7250.5);
    f.Leave();
    EXPECT_EQ(f.edit->text(), "7250.5") << "leaving after a change normalises";
}

TEST_F(CurrencyEditTest, LeavingNormalisesAndClamps) {
    Form f;
    f.edit->SetMaxValue(100);
    f.Type("250.50");
    f.Leave();
    EXPECT_EQ(f.edit->text(), "100");
    f.Focus();
    f.edit->SetText("");
    f.edit->SetModified(true);
    f.Leave();
    EXPECT_EQ(f.edit->text(), "0") << "an empty edit left after a change writes 0";
    f.Focus();
    f.edit->SetText("x");
    f.edit->SetModified(true);
    f.Leave();
    EXPECT_EQ(f.edit->text(), "0") << "a text that is no number becomes MinValue";
    f.Focus();
    f.edit->SetText("12.50");
    f.Leave();
    EXPECT_EQ(f.edit->text(), "12.50") << "an unmodified edit is left alone";
}

TEST_F(CurrencyEditTest, ValidateRefusalKeepsTheEdit) {
    std::vector<std::string> errors;
    auto previous = SetEditErrorHook([&](const std::string& m) { errors.push_back(m); });
    Form f;
    f.edit->OnValidate = [](TInplaceEdit*, std::string&, bool& accept) { accept = false; };
    f.Type("12.5");
    f.Leave();
    QApplication::processEvents();
    SetEditErrorHook(previous);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Invalid input value. Use escape key to abandon changes");
    EXPECT_EQ(f.edit->text(), "12.5");
    EXPECT_TRUE(f.edit->hasFocus());
    f.edit->OnValidate = nullptr;
}

TEST_F(CurrencyEditTest, PasteAcceptedAndRefused) {
    BeepCounter beeps;
    Form f;
    f.Type("12");
    QGuiApplication::clipboard()->setText("3.5");
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(f.edit->text(), "123.5");
    QGuiApplication::clipboard()->setText("4a");
    QTest::keyClick(f.edit, Qt::Key_Insert, Qt::ShiftModifier);
    QApplication::processEvents();
    EXPECT_EQ(f.edit->text(), "123.5") << "the text comes back";
    EXPECT_EQ(f.edit->SelLength(), 5) << "and is selected";
    EXPECT_TRUE(f.edit->GetModified());
    EXPECT_EQ(beeps.beeps, 0) << "silently";
    f.edit->SetUseThousandSeparator(true);
    f.edit->SetText("");
    QGuiApplication::clipboard()->setText("1,000");
    f.edit->PasteFromClipboard();
    EXPECT_EQ(f.edit->text(), "") << "the paste check keeps thousand separators out";
    QGuiApplication::clipboard()->setText("1E3");
    f.edit->PasteFromClipboard();
    EXPECT_EQ(f.edit->text(), "1E3") << "neither decimal places nor limits play a part";
}

TEST_F(CurrencyEditTest, ReadOnlyPasteDoesNothing) {
    Form f;
    f.edit->SetText("5");
    f.edit->SetReadOnly(true);
    QGuiApplication::clipboard()->setText("7");
    f.edit->SelectAll();
    f.edit->PasteFromClipboard();
    EXPECT_EQ(f.edit->text(), "5");
}

TEST_F(CurrencyEditTest, InputMethodCommitTakesThePasteRule) {
    Form f;
    f.Type("9");
    QInputMethodEvent ime;
    ime.setCommitString("x");
    QApplication::sendEvent(f.edit, &ime);
    EXPECT_EQ(f.edit->text(), "9");
    QInputMethodEvent ok;
    ok.setCommitString("1");
    f.edit->end(false);
    QApplication::sendEvent(f.edit, &ok);
    EXPECT_EQ(f.edit->text(), "91");
}

TEST_F(CurrencyEditTest, DisplayText) {
    TCurrencyEdit e;
    e.SetDisplayFormat("0.00");
    EXPECT_EQ(e.StoredValues() & kStoredDisplayFormat, kStoredDisplayFormat);
    e.SetText("12.5");
    EXPECT_EQ(e.GetEditValue(true), "12.50");
    e.SetText("");
    EXPECT_EQ(e.GetEditValue(true), "0.00");
    e.SetMaxValue(10);
    e.SetMinValue(4);
    e.SetText("junk");
    EXPECT_EQ(e.GetEditValue(true), "0.00") << "shows 0 ...";
    EXPECT_EQ(e.Value(), 4) << "... while Value reads MinValue";
    e.SetDisplayFormat("");
    EXPECT_EQ(e.GetEditValue(true), "junk");
    EXPECT_FALSE(e.PaintsInactive());
}

TEST_F(CurrencyEditTest, DisplayTextIsPaintedWhileUnfocused) {
    QWidget window;
    auto* a = new TCurrencyEdit(&window);
    auto* b = new TCurrencyEdit(&window);
    auto* c = new TCurrencyEdit(&window);
    auto* sink = new TCurrencyEdit(&window);
    b->move(0, 25);
    c->move(0, 50);
    sink->move(0, 75);
    for (TCurrencyEdit* e : {a, b, c}) e->SetDisplayFormat("0.00");
    a->SetText("12.5");
    b->SetText("12.50");
    c->SetText("12.6");
    window.show();
    sink->setFocus();
    QApplication::processEvents();
    const QImage pa = Picture(a);
    EXPECT_EQ(pa, Picture(b)) << "12.5 and 12.50 both show 12.50";
    EXPECT_NE(pa, Picture(c));
    // Something dark is drawn: the text.
    int dark = 0;
    for (int y = 0; y < pa.height(); ++y)
        for (int x = 0; x < pa.width(); ++x)
            if (qGray(pa.pixel(x, y)) < 100) ++dark;
    EXPECT_GT(dark, 10);

    // Focused, the raw text shows: 12.5 no longer looks like 12.50.
    a->setFocus();
    QApplication::processEvents();
    a->deselect();
    EXPECT_NE(Picture(a), pa);
}

TEST_F(CurrencyEditTest, DisplayTextPaintMatchesTheFormattedText) {
    QWidget window;
    auto* formatted = new TCurrencyEdit(&window);
    auto* plain = new TCurrencyEdit(&window);
    auto* sink = new TCurrencyEdit(&window);
    plain->move(0, 25);
    sink->move(0, 50);
    formatted->SetDisplayFormat(",0.00;(,0.00)");
    formatted->SetText("-1234.5");
    // The same text painted through the inactive path of an edit without a pattern is drawn
    // by the window itself; compare against a pattern that prints it literally instead.
    plain->SetDisplayFormat("'(1,234.50)'");
    plain->SetText("1");
    window.show();
    sink->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(formatted->GetEditValue(true), "(1,234.50)");
    EXPECT_EQ(Picture(formatted), Picture(plain));
}

TEST(CurrencyEditLocale, CommaLocaleTypingAndDisplay) {
    ScopedLocale scope(CommaLocale());
    BeepCounter beeps;
    Form f;
    EXPECT_EQ(f.edit->DisplayFormat(), ",0.00 kr;-,0.00 kr");
    f.Type("12.5");
    EXPECT_EQ(f.edit->text(), "12,5") << "the point becomes the decimal comma";
    EXPECT_EQ(f.edit->Value(), 12.5);
    f.edit->SetText("");
    f.edit->SetUseThousandSeparator(true);
    f.Type("1.234,5");
    EXPECT_EQ(f.edit->text(), "1.234,5");
    EXPECT_EQ(f.edit->Value(), 1234.5);
    EXPECT_EQ(beeps.beeps, 0);
    f.Leave();
    EXPECT_EQ(f.edit->text(), "1234,5");
    EXPECT_EQ(f.edit->GetEditValue(true), "1.234,50 kr");
    f.edit->SetValue(0.5);
    EXPECT_EQ(f.edit->text(), "0,5");
}

TEST(CurrencyEditLocale, LocaleChangeRebuildsTheDefaultPattern) {
    ScopedLocale scope(CommaLocale());
    TCurrencyEdit byDefault;
    TCurrencyEdit own;
    own.SetDisplayFormat("0.000");
    EXPECT_EQ(byDefault.DisplayFormat(), ",0.00 kr;-,0.00 kr");
    QEvent change(QEvent::LocaleChange);
    LocaleSettings::SetFollowsLocaleChanges(false);
    QApplication::sendEvent(&byDefault, &change);
    EXPECT_EQ(byDefault.DisplayFormat(), ",0.00 kr;-,0.00 kr") << "not following";
    LocaleSettings::SetFollowsLocaleChanges(true);
    QApplication::sendEvent(&byDefault, &change);
    QApplication::sendEvent(&own, &change);
    const std::string expected = BuildDefaultCurrencyFormat(ReadProcessLocale());
    EXPECT_EQ(byDefault.DisplayFormat().toStdString(), expected);
    EXPECT_EQ(own.DisplayFormat(), "0.000") << "a pattern set on purpose stays";
}

TEST_F(CurrencyEditTest, TextStaysPutWhenTheFocusComes) {
    for (TAlignment alignment : {taLeftJustify, taRightJustify, taCenter}) {
        QWidget window;
        auto* e = new TCurrencyEdit(&window);
        auto* sink = new TCurrencyEdit(&window);
        sink->move(0, 40);
        e->SetAlignment(alignment);
        e->SetDisplayFormat("0.0"); // shows the raw text unchanged
        e->SetText("12.5");
        e->SetReadOnly(true); // no caret
        window.show();
        sink->setFocus();
        QApplication::processEvents();
        const QImage unfocused = Picture(e);
        e->setFocus();
        QApplication::processEvents();
        e->deselect();
        EXPECT_EQ(Picture(e), unfocused) << "alignment " << alignment;
    }
}
