#include "maskengine.h"

#include <gtest/gtest.h>

using namespace fprn::editcontrols;

namespace {

EditMask M(std::string_view mask) {
    return EditMask(mask, CLocaleInfo());
}

std::u32string U(std::string_view s) {
    return ToU32(s);
}

std::string S(const std::u32string& s) {
    return ToUtf8(s);
}

} // namespace

TEST(EditMaskFormat, SectionsSaveFlagAndBlank) {
    const EditMask vat = M("9999;1;_");
    EXPECT_EQ(vat.Length(), 4);
    EXPECT_TRUE(vat.SaveLiterals());
    EXPECT_EQ(vat.Blank(), U'_');
    const EditMask time = M("00:00:00;1;0");
    EXPECT_EQ(time.Length(), 8);
    EXPECT_EQ(time.Blank(), U'0');
    const EditMask noSave = M("00/00;0; ");
    EXPECT_FALSE(noSave.SaveLiterals());
    EXPECT_EQ(noSave.Blank(), U' ');
    const EditMask plain = M("000");
    EXPECT_TRUE(plain.SaveLiterals());
    EXPECT_EQ(plain.Blank(), U'_');
    // A ";" further back than the last four characters is a literal.
    const EditMask early = M("0;00000");
    EXPECT_EQ(early.Length(), 7);
    EXPECT_TRUE(early.IsLiteral(1));
    // An escaped ";" is a literal too.
    const EditMask escaped = M("00\\;0");
    EXPECT_EQ(escaped.Length(), 4);
    EXPECT_EQ(escaped.LiteralAt(2), U';');
    EXPECT_FALSE(M("").IsMasked());
}

TEST(EditMaskFormat, KindsDirectivesAndPositions) {
    const EditMask m = M(">LL<ll<>cc\\0!9;0;*");
    EXPECT_TRUE(m.Reversed());
    EXPECT_EQ(m.Blank(), U'*');
    EXPECT_FALSE(m.SaveLiterals());
    EXPECT_EQ(m.KindAtMaskOffset(0), MaskKind::Directive);
    EXPECT_EQ(m.KindAtMaskOffset(1), MaskKind::Required);
    EXPECT_EQ(m.CaseAtMaskOffset(1), MaskCase::Upper);
    EXPECT_EQ(m.KindAtMaskOffset(4), MaskKind::Optional);
    EXPECT_EQ(m.CaseAtMaskOffset(4), MaskCase::Lower);
    EXPECT_EQ(m.KindAtMaskOffset(6), MaskKind::Directive);
    EXPECT_EQ(m.KindAtMaskOffset(7), MaskKind::Directive);
    EXPECT_EQ(m.CaseAtMaskOffset(8), MaskCase::None);
    EXPECT_EQ(m.KindAtMaskOffset(10), MaskKind::Directive);
    EXPECT_EQ(m.KindAtMaskOffset(11), MaskKind::Literal);
    EXPECT_EQ(m.KindAtMaskOffset(14), MaskKind::FieldSeparator);
    EXPECT_EQ(m.KindAtMaskOffset(15), MaskKind::Field);
    EXPECT_EQ(m.KindAtMaskOffset(99), MaskKind::None);
    // Text positions: L L l l c c 0 9
    EXPECT_EQ(m.Length(), 8);
    EXPECT_EQ(m.MaskOffsetOf(0), 1);
    EXPECT_EQ(m.MaskOffsetOf(2), 4);
    EXPECT_EQ(m.MaskOffsetOf(6), 11);
    EXPECT_EQ(m.TextPosOf(4), 2);
    EXPECT_EQ(m.TextPosOf(6), 4) << "a directive maps to the next position";
    EXPECT_TRUE(m.IsLiteral(6));
    EXPECT_EQ(m.LiteralAt(6), U'0');
}

TEST(EditMaskFormat, InternationalLiteralsFollowTheLocale) {
    LocaleInfo l;
    l.dateSeparator = ".";
    l.timeSeparator = "-";
    const EditMask m("00/00 00:00", l);
    EXPECT_EQ(m.KindAt(2), MaskKind::IntlLiteral);
    EXPECT_EQ(m.LiteralAt(2), U'.');
    EXPECT_EQ(m.LiteralAt(8), U'-');
    EXPECT_EQ(S(m.InsertLiterals(U("12311230"), U'_')), "12.31 12-30");
}

TEST(EditMaskChars, CharacterClasses) {
    const EditMask m = M("#09AaLlCc-");
    EXPECT_EQ(m.TestChar(0, U'+'), U'+');
    EXPECT_EQ(m.TestChar(0, U' '), U' ');
    EXPECT_FALSE(m.TestChar(0, U'x'));
    EXPECT_EQ(m.TestChar(1, U'5'), U'5');
    EXPECT_FALSE(m.TestChar(1, U'-'));
    EXPECT_FALSE(m.TestChar(2, U'a'));
    EXPECT_EQ(m.TestChar(3, U'7'), U'7');
    EXPECT_EQ(m.TestChar(4, U'q'), U'q');
    EXPECT_FALSE(m.TestChar(4, U'%'));
    EXPECT_EQ(m.TestChar(5, U'\u00E4'), U'\u00E4');
    EXPECT_FALSE(m.TestChar(5, U'1'));
    EXPECT_FALSE(m.TestChar(6, U'1'));
    EXPECT_EQ(m.TestChar(7, U'%'), U'%');
    EXPECT_EQ(m.TestChar(8, U' '), U' ');
    EXPECT_EQ(m.TestChar(9, U'-'), U'-') << "a literal position takes its literal";
    EXPECT_FALSE(m.TestChar(9, U'x'));
    EXPECT_FALSE(m.TestChar(10, U'1')) << "past the end";
}

TEST(EditMaskChars, CaseDirectives) {
    const EditMask m = M(">ll<ll<>ll>c");
    EXPECT_EQ(m.TestChar(0, U'a'), U'A');
    EXPECT_EQ(m.TestChar(1, U'\u00E9'), U'\u00C9');
    EXPECT_EQ(m.TestChar(2, U'B'), U'b');
    EXPECT_EQ(m.TestChar(4, U'B'), U'B');
    EXPECT_EQ(m.TestChar(4, U'b'), U'b');
    EXPECT_EQ(m.TestChar(6, U'x'), U'X');
    EXPECT_EQ(m.TestChar(6, U'1'), U'1');
}

TEST(EditMaskText, LiteralsInsertedAndFitted) {
    const EditMask m = M("00:00;1;_");
    EXPECT_EQ(S(m.InsertLiterals(U("12"), U'_')), "12:__");
    EXPECT_EQ(S(m.InsertLiterals(U("123456"), U'_')), "12:34");
    EXPECT_EQ(S(m.FitText(U("12:30"), U'_')), "12:30");
    EXPECT_EQ(S(m.FitText(U("1230"), U'_')), "12:30");
    EXPECT_EQ(S(m.FitText(U("1 :3"), U'_')), "1_:3_");
    EXPECT_EQ(S(m.StripLiterals(U("12:30"))), "1230");
    const EditMask r = M("!999-99");
    EXPECT_EQ(S(r.InsertLiterals(U("123"), U'_')), "__1-23");
    EXPECT_EQ(S(r.FitText(U("1-23"), U'_')), "__1-23");
}

TEST(EditMaskText, ReadAndWriteText) {
    const EditMask save = M("00:00;1;_");
    EXPECT_EQ(S(save.ReadText(U("12:3_"))), "12:3 ");
    EXPECT_EQ(S(save.ReadText(U("1_:3_"))), "1 :3 ");
    EXPECT_EQ(S(save.WindowTextFor(U("12:3 "))), "12:3_");
    EXPECT_EQ(S(save.WindowTextFor(U("1234"))), "12:34");

    const EditMask noSave = M("00:00;0;_");
    EXPECT_EQ(S(noSave.ReadText(U("12:3_"))), "123");
    EXPECT_EQ(S(noSave.ReadText(U("1_:3_"))), "1 3");
    EXPECT_EQ(S(noSave.WindowTextFor(U("123"))), "12:3_");
    EXPECT_EQ(S(noSave.WindowTextFor(U("1 3"))), "1_:3_");

    const EditMask spaced = M("999;0; ");
    EXPECT_EQ(S(spaced.ReadText(U("1  "))), "1");

    const EditMask reversed = M("!999;0;_");
    EXPECT_EQ(S(reversed.ReadText(U("__7"))), "7");
    EXPECT_EQ(S(reversed.WindowTextFor(U("7"))), "__7");

    const EditMask vat = M("9999;1;_");
    EXPECT_EQ(S(vat.WindowTextFor(U("20"))), "20__");
    EXPECT_EQ(S(vat.ReadText(U("20__"))), "20  ");

    const EditMask none = M("");
    EXPECT_EQ(S(none.ReadText(U("  x  "))), "  x  ");
    EXPECT_EQ(S(none.WindowTextFor(U("  x  "))), "  x  ");
}

TEST(EditMaskText, TimeMaskWithZeroBlank) {
    const EditMask m = M("00:00:00;1;0");
    EXPECT_EQ(S(m.WindowTextFor(U(""))), "00:00:00");
    EXPECT_EQ(S(m.WindowTextFor(U("12:5"))), "12:50:00");
    // The blank is "0", so a validated time never counts as unfilled with blanks ignored.
    EXPECT_TRUE(m.FindUnfilled(U("00:00:00"), true) == std::nullopt);
}

TEST(EditMaskValidate, RequiredPositions) {
    const EditMask m = M("00-99;1;_");
    EXPECT_EQ(m.FindUnfilled(U("1_-__"), false), 1);
    EXPECT_EQ(m.FindUnfilled(U("12-__"), false), std::nullopt);
    EXPECT_EQ(m.FindUnfilled(U("1 -__"), false), 1);
    EXPECT_EQ(m.FindUnfilled(U("1_-__"), true), std::nullopt);
    const EditMask any = M("CC;1;_");
    EXPECT_EQ(any.FindUnfilled(U("a "), false), std::nullopt) << "C takes a blank";
    EXPECT_EQ(any.FindUnfilled(U("a_"), false), 1);
}

TEST(EditMaskEditing, TypingMovesOverLiterals) {
    const EditMask m = M("00:00;1;_");
    MaskEditResult r = m.TypeChar(U("__:__"), 0, 1, U'1');
    EXPECT_EQ(S(r.text), "1_:__");
    EXPECT_EQ(r.selStart, 1);
    EXPECT_EQ(r.selLength, 1);
    r = m.TypeChar(r.text, r.selStart, r.selLength, U'2');
    EXPECT_EQ(S(r.text), "12:__");
    EXPECT_EQ(r.selStart, 3) << "the caret skips the literal";
    r = m.TypeChar(r.text, r.selStart, r.selLength, U'x');
    EXPECT_TRUE(r.beep);
    EXPECT_EQ(S(r.text), "12:__");
    r = m.TypeChar(r.text, 3, 1, U'5');
    r = m.TypeChar(r.text, r.selStart, r.selLength, U'9');
    EXPECT_EQ(S(r.text), "12:59");
    EXPECT_EQ(r.selStart, 5);
    EXPECT_EQ(r.selLength, 0);
    r = m.TypeChar(r.text, 5, 0, U'1');
    EXPECT_TRUE(r.beep) << "no room left";
}

TEST(EditMaskEditing, TypingTheNextLiteralStepsOverIt) {
    const EditMask m = M("99:99;1;_");
    MaskEditResult r = m.TypeChar(U("1_:__"), 1, 1, U':');
    EXPECT_FALSE(r.beep);
    EXPECT_EQ(S(r.text), "1_:__");
    EXPECT_EQ(r.selStart, 3);
}

TEST(EditMaskEditing, TypingOverAWideSelectionBlanksItFirst) {
    const EditMask m = M("00:00;1;_");
    MaskEditResult r = m.TypeChar(U("12:34"), 0, 5, U'9');
    EXPECT_EQ(S(r.text), "9_:__");
    EXPECT_EQ(r.selStart, 1);
}

TEST(EditMaskEditing, DeleteAndBackspace) {
    const EditMask m = M("00:00;1;_");
    MaskEditResult r = m.Delete(U("12:34"), 3, 1, false);
    EXPECT_EQ(S(r.text), "12:_4");
    EXPECT_EQ(r.selStart, 3);
    r = m.Delete(U("12:34"), 3, 1, true);
    EXPECT_EQ(S(r.text), "1_:34") << "backspace goes back over the literal";
    EXPECT_EQ(r.selStart, 1);
    r = m.Delete(U("12:34"), 0, 1, true);
    EXPECT_FALSE(r.changed) << "nothing before the first input position";
    EXPECT_EQ(S(r.text), "12:34");
    r = m.Delete(U("12:34"), 1, 3, false);
    EXPECT_EQ(S(r.text), "1_:_4") << "literals stay";
    EXPECT_EQ(r.selStart, 1);
    r = m.ClearAll(U("12:34"));
    EXPECT_EQ(S(r.text), "__:__");
    EXPECT_EQ(r.selStart, 0);
}

TEST(EditMaskEditing, PasteFitsIntoInputPositions) {
    const EditMask m = M("00:00;1;_");
    MaskEditResult r = m.Paste(U("__:__"), 0, 0, U("12:34"));
    EXPECT_EQ(S(r.text), "12:34");
    r = m.Paste(U("__:__"), 0, 0, U("1234"));
    EXPECT_EQ(S(r.text), "12:34");
    r = m.Paste(U("__:__"), 0, 0, U("1x3"));
    EXPECT_EQ(S(r.text), "1_:3_") << "refused characters become blanks";
    EXPECT_EQ(r.selStart, 4);
    r = m.Paste(U("12:34"), 3, 0, U("999"));
    EXPECT_EQ(S(r.text), "12:99") << "what does not fit is dropped";
}

TEST(EditMaskEditing, ShortWindowTextIsNormalised) {
    const EditMask m = M("00:00;1;_");
    EXPECT_EQ(S(m.Normalize(U("1"))), "1_:__");
    MaskEditResult r = m.TypeChar(U(""), 0, 0, U'4');
    EXPECT_EQ(S(r.text), "4_:__");
    EXPECT_TRUE(r.changed);
}

TEST(EditMaskEditing, NextAndPreviousInput) {
    const EditMask m = M("(000) 000");
    EXPECT_EQ(m.NextInput(0), 1);
    EXPECT_EQ(m.NextInput(4), 6);
    EXPECT_EQ(m.NextInput(9), 9);
    EXPECT_EQ(m.PrevInput(6), 3);
    EXPECT_EQ(m.PrevInput(1), -1);
}

TEST(Utf32, RoundTrip) {
    const std::string s = "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(ToU32(s).size(), 4u);
    EXPECT_EQ(ToUtf8(ToU32(s)), s);
}
