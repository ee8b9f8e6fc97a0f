// The currency edit: value and limits, typing through the key filter, focus-out normalisation
// and clamping, paste, the display text painted while unfocused, and two locales.
#include "currencyedit.h"
#include "floatformat.h"
#include "localeinfo.h"
#include "widgettest.h"

#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>

#include <tuple>

using namespace fprn::editcontrols;
using test::Hooks;

namespace {

// The edit under test is `a`; leaving means focusing `b`.
struct Form : test::TwoEdits<TCurrencyEdit> {
    void Type(const QString& keys) { QTest::keyClicks(a, keys); }
    void Leave() { Focus(b); }
};

QImage Picture(QWidget* w) {
    return w->grab().toImage();
}

class CurrencyEditTest : public ::testing::Test {
protected:
    ScopedLocale locale_{CLocaleInfo()};
};

TEST_F(CurrencyEditTest, DefaultsValueAndLimits) {
    TCurrencyEdit e;
    EXPECT_EQ(e.DecimalPlaces(), 2);
    EXPECT_EQ(e.DisplayFormat(), ",0.00;-,0.00");
    EXPECT_EQ(e.StoredValues(), 0);
    EXPECT_FALSE(e.UseThousandSeparator());
    EXPECT_FALSE(e.IsInplace());
    EXPECT_EQ(e.size(), QSize(121, 21));
    EXPECT_TRUE(e.PaintsInactive());
    // Equal limits (both 0) clamp nothing; the value is written as the general number text.
    e.SetValue(-5);
    EXPECT_EQ(e.text(), "-5");
    e.SetValue(1e20);
    EXPECT_EQ(e.text(), "1E20");
    e.SetText("");
    EXPECT_EQ(e.Value(), 0);
    e.SetMinValue(5);
    EXPECT_EQ(e.MinValue(), 0) << "a minimum above the maximum becomes the maximum";
    EXPECT_EQ(e.text(), "");
    e.SetMaxValue(100);
    e.SetMinValue(3);
    EXPECT_EQ(e.text(), "3") << "the limits re-apply the value at once";
    EXPECT_EQ(e.StoredValues(), kStoredMaxValue | kStoredMinValue);
    // Reading: empty reads 0, a text that is no number MinValue; never clamped.
    e.SetText("");
    EXPECT_EQ(e.Value(), 0);
    e.SetText("abc");
    EXPECT_EQ(e.Value(), 3);
    e.SetText("250");
    EXPECT_EQ(e.Value(), 250);
    // Writing clamps at both ends; lowering the maximum clamps at once, and a maximum below
    // the minimum becomes the minimum.
    e.SetValue(-5);
    EXPECT_EQ(e.text(), "3");
    e.SetValue(1e10);
    EXPECT_EQ(e.text(), "100");
    e.SetMaxValue(50);
    EXPECT_EQ(e.text(), "50");
    e.SetMaxValue(1);
    EXPECT_EQ(e.MaxValue(), 3);
    EXPECT_EQ(e.text(), "50") << "equal limits clamp nothing";
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

TEST_F(CurrencyEditTest, TypingSequences) {
    // Keys typed into an empty edit ("^" is Home), decimal places, thousand separator on; the
    // text, the value and the beeps.
    using Case = std::tuple<QString, int, bool, QString, double, int>;
    const Case cases[] = {
        // A lone minus reads MinValue; after a digit it is refused, before it taken; "+" never.
        {"-", 2, false, "-", 0, 0},
        {"-5-", 2, false, "-5", -5, 1},
        {"5^-", 2, false, "-5", -5, 0},
        {"+5", 2, false, "5", 5, 1},
        // A third fraction digit is refused, and so is a letter.
        {"51.259x", 2, false, "51.25", 51.25, 2},
        {"5.1", 0, false, "5.", 5, 1},
        // Only the digits before the exponent count; a lone separator reads 0.
        {"1.2E5", 1, false, "1.2E5", 120000, 0},
        {".", 2, false, ".", 0, 0},
        // "," is the decimal separator unless the thousand separator may be typed.
        {"7,2", 2, false, "7.2", 7.2, 0},
        {"7,250.5", 2, true, "7,250.5", 7250.5, 0}};
    Form f;
    for (const auto& [keys, places, thousands, text, value, beeps] : cases) {
        Hooks hooks;
        f.a->SetText("");
        f.a->SetDecimalPlaces(places);
        f.a->SetUseThousandSeparator(thousands);
        for (QChar key : keys)
            key == '^' ? QTest::keyClick(f.a, Qt::Key_Home) : QTest::keyClicks(f.a, QString(key));
        EXPECT_EQ(f.a->text(), text) << keys.toStdString();
        EXPECT_EQ(f.a->Value(), value) << keys.toStdString();
        EXPECT_EQ(hooks.beeps, beeps) << keys.toStdString();
    }
    // OnKeyPress sees the mapped key, and never a refused one.
    std::vector<QChar> seen;
    f.a->OnKeyPress = [&](TInplaceEdit*, QChar& key) { seen.push_back(key); };
    f.a->SetText("");
    f.a->SetUseThousandSeparator(false);
    f.Type("7,a");
    EXPECT_EQ(seen, (std::vector<QChar>{QChar('7'), QChar('.')}));
}

TEST_F(CurrencyEditTest, LeavingNormalisesAndClamps) {
    Hooks hooks;
    Form f;
    f.a->SetMaxValue(10000);
    f.a->SetUseThousandSeparator(true);
    // Text, modified; the text after leaving. Empty or no number writes MinValue; an
    // unmodified edit is left alone.
    using Case = std::tuple<QString, bool, QString>;
    for (const auto& [text, modified, left] :
         {Case{"250000.50", true, "10000"}, Case{"7,250.50", true, "7250.5"}, Case{"", true, "0"},
          Case{"x", true, "0"}, Case{"12.50", false, "12.50"}}) {
        f.Focus(f.a);
        f.a->SetText(text);
        f.a->SetModified(modified);
        f.Leave();
        EXPECT_EQ(f.a->text(), left) << text.toStdString();
    }
    // A refusal keeps the edit as typed.
    f.Focus(f.a);
    f.a->OnValidate = [](TInplaceEdit*, std::string&, bool& accept) { accept = false; };
    f.a->SetText("");
    f.Type("012.50");
    f.Leave();
    EXPECT_EQ(hooks.errors,
              std::vector<std::string>{"Invalid input value. Use escape key to abandon changes"});
    EXPECT_EQ(f.a->text(), "012.50");
    EXPECT_TRUE(f.a->hasFocus());
    f.a->OnValidate = nullptr;
}

TEST_F(CurrencyEditTest, PasteAcceptedAndRefused) {
    Hooks hooks;
    Form f;
    f.Type("12");
    QGuiApplication::clipboard()->setText("3.5");
    QTest::keyClick(f.a, Qt::Key_V, Qt::ControlModifier);
    test::Settle();
    EXPECT_EQ(f.a->text(), "123.5");
    // Refused without a word: the text comes back, selected, as modified as it was.
    QGuiApplication::clipboard()->setText("4a");
    QTest::keyClick(f.a, Qt::Key_Insert, Qt::ShiftModifier);
    test::Settle();
    EXPECT_EQ(f.a->text(), "123.5");
    EXPECT_EQ(f.a->SelLength(), 5);
    EXPECT_TRUE(f.a->GetModified());
    EXPECT_EQ(hooks.beeps, 0);
    // An input-method commit takes the paste rule.
    f.a->end(false);
    QInputMethodEvent ime;
    ime.setCommitString("x");
    QApplication::sendEvent(f.a, &ime);
    EXPECT_EQ(f.a->text(), "123.5");
    f.a->end(false);
    QInputMethodEvent ok;
    ok.setCommitString("1");
    QApplication::sendEvent(f.a, &ok);
    EXPECT_EQ(f.a->text(), "123.51");
    // The paste check keeps thousand separators out; decimal places and limits play no part.
    f.a->SetUseThousandSeparator(true);
    f.a->SetText("");
    QGuiApplication::clipboard()->setText("1,000");
    f.a->PasteFromClipboard();
    EXPECT_EQ(f.a->text(), "");
    QGuiApplication::clipboard()->setText("1E3");
    f.a->PasteFromClipboard();
    EXPECT_EQ(f.a->text(), "1E3");
    // A read-only edit takes nothing.
    f.a->SetReadOnly(true);
    QGuiApplication::clipboard()->setText("7");
    f.a->SelectAll();
    f.a->PasteFromClipboard();
    EXPECT_EQ(f.a->text(), "1E3");
}

TEST_F(CurrencyEditTest, DisplayText) {
    TCurrencyEdit e;
    e.SetDisplayFormat("0.00");
    EXPECT_EQ(e.StoredValues(), kStoredDisplayFormat);
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
    // Patterns and texts: 12.50 twice, 12.60, (1,234.50) formatted and as a literal; the last
    // edit takes the focus.
    const std::pair<QString, QString> edits[] = {
        {"0.00", "12.5"},      {"0.00", "12.50"}, {"0.00", "12.6"}, {",0.00;(,0.00)", "-1234.5"},
        {"'(1,234.50)'", "1"}, {"", ""}};
    QWidget window;
    std::vector<TCurrencyEdit*> e;
    for (const auto& [pattern, text] : edits) {
        e.push_back(new TCurrencyEdit(&window));
        e.back()->move(0, 25 * static_cast<int>(e.size()));
        e.back()->SetDisplayFormat(pattern);
        e.back()->SetText(text);
    }
    window.show();
    e.back()->setFocus();
    test::Settle();
    const QImage shown = Picture(e[0]);
    EXPECT_EQ(shown, Picture(e[1])) << "12.5 and 12.50 both show 12.50";
    EXPECT_NE(shown, Picture(e[2]));
    EXPECT_EQ(e[3]->GetEditValue(true), "(1,234.50)");
    EXPECT_EQ(Picture(e[3]), Picture(e[4]));
    // Something dark is drawn: the text.
    int dark = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) dark += qGray(shown.pixel(x, y)) < 100;
    EXPECT_GT(dark, 10);
    // Focused, the raw text shows: 12.5 no longer looks like 12.50.
    e[0]->setFocus();
    test::Settle();
    e[0]->deselect();
    EXPECT_NE(Picture(e[0]), shown);
}

TEST_F(CurrencyEditTest, TextStaysPutWhenTheFocusComes) {
    for (TAlignment alignment : {taLeftJustify, taRightJustify, taCenter}) {
        Form f;
        f.a->SetAlignment(alignment);
        f.a->SetDisplayFormat("0.0"); // shows the raw text unchanged
        f.a->SetText("12.5");
        f.a->SetReadOnly(true); // no caret
        f.Leave();
        const QImage unfocused = Picture(f.a);
        f.Focus(f.a);
        f.a->deselect();
        EXPECT_EQ(Picture(f.a), unfocused) << "alignment " << alignment;
    }
}

TEST(CurrencyEditLocale, CommaLocaleTypingDisplayAndLocaleChange) {
    LocaleInfo comma;
    comma.decimalSeparator = ",";
    comma.thousandSeparator = ".";
    comma.currencySymbol = "kr";
    comma.currencyFormat = 3;
    ScopedLocale scope(comma);
    Hooks hooks;
    Form f;
    EXPECT_EQ(f.a->DisplayFormat(), ",0.00 kr;-,0.00 kr");
    f.Type("12.5");
    EXPECT_EQ(f.a->text(), "12,5") << "the point becomes the decimal comma";
    EXPECT_EQ(f.a->Value(), 12.5);
    f.a->SetText("");
    f.a->SetUseThousandSeparator(true);
    f.Type("1.234,5");
    EXPECT_EQ(f.a->text(), "1.234,5");
    EXPECT_EQ(f.a->Value(), 1234.5);
    EXPECT_EQ(hooks.beeps, 0);
    f.Leave();
    EXPECT_EQ(f.a->text(), "1234,5");
    EXPECT_EQ(f.a->GetEditValue(true), "1.234,50 kr");
    f.a->SetValue(0.5);
    EXPECT_EQ(f.a->text(), "0,5");

    // A locale change rebuilds the default pattern when followed, never one set on purpose.
    f.b->SetDisplayFormat("0.000");
    QEvent change(QEvent::LocaleChange);
    LocaleSettings::SetFollowsLocaleChanges(false);
    QApplication::sendEvent(f.a, &change);
    EXPECT_EQ(f.a->DisplayFormat(), ",0.00 kr;-,0.00 kr") << "not following";
    LocaleSettings::SetFollowsLocaleChanges(true);
    QApplication::sendEvent(f.a, &change);
    QApplication::sendEvent(f.b, &change);
    EXPECT_EQ(f.a->DisplayFormat().toStdString(), BuildDefaultCurrencyFormat(ReadProcessLocale()));
    EXPECT_EQ(f.b->DisplayFormat(), "0.000");
}

} // namespace
