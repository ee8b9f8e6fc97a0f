// The mask engine: the mask format (sections, directives, classes, literals, blank char,
// save-literals), text conversion and editing.
#include "maskengine.h"

#include <gtest/gtest.h>

#include <tuple>

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

// A result as "text|selStart|selLength", with "!" for a beep.
std::string R(const MaskEditResult& r) {
    return S(r.text) + "|" + std::to_string(r.selStart) + "|" + std::to_string(r.selLength) +
           (r.beep ? "!" : "");
}

} // namespace

TEST(EditMaskFormat, SectionsSaveFlagAndBlank) {
    // mask, length, save literals, blank; a ";" further back than the last four characters is
    // a literal, and so is an escaped one.
    using Case = std::tuple<std::string_view, int, bool, char32_t>;
    for (const auto& [mask, length, save, blank] :
         {Case{"9999;1;_", 4, true, U'_'}, Case{"00:00:00;1;0", 8, true, U'0'},
          Case{"00/00;0; ", 5, false, U' '}, Case{"000", 3, true, U'_'},
          Case{"0;00000", 7, true, U'_'}, Case{"00\\;0", 4, true, U'_'}}) {
        const EditMask m = M(mask);
        EXPECT_EQ(m.Length(), length) << mask;
        EXPECT_EQ(m.SaveLiterals(), save) << mask;
        EXPECT_EQ(m.Blank(), blank) << mask;
    }
    EXPECT_TRUE(M("0;00000").IsLiteral(1));
    EXPECT_EQ(M("00\\;0").LiteralAt(2), U';');
    EXPECT_FALSE(M("").IsMasked());
}

TEST(EditMaskFormat, KindsDirectivesAndPositions) {
    const EditMask m = M(">LL<ll<>cc\\0!9;0;*");
    EXPECT_TRUE(m.Reversed());
    EXPECT_EQ(m.Blank(), U'*');
    EXPECT_FALSE(m.SaveLiterals());
    using K = MaskKind;
    const std::pair<int, MaskKind> kinds[] = {
        {0, K::Directive}, {1, K::Required},   {4, K::Optional}, {6, K::Directive},
        {7, K::Directive}, {10, K::Directive}, {11, K::Literal}, {14, K::FieldSeparator},
        {15, K::Field},    {99, K::None}};
    for (auto [offset, kind] : kinds) EXPECT_EQ(m.KindAtMaskOffset(offset), kind) << offset;
    EXPECT_EQ(m.CaseAtMaskOffset(1), MaskCase::Upper);
    EXPECT_EQ(m.CaseAtMaskOffset(4), MaskCase::Lower);
    EXPECT_EQ(m.CaseAtMaskOffset(8), MaskCase::None);
    // Text positions: L L l l c c 0 9; a directive maps to the next position.
    EXPECT_EQ(m.Length(), 8);
    EXPECT_EQ(m.MaskOffsetOf(0), 1);
    EXPECT_EQ(m.MaskOffsetOf(2), 4);
    EXPECT_EQ(m.MaskOffsetOf(6), 11);
    EXPECT_EQ(m.TextPosOf(4), 2);
    EXPECT_EQ(m.TextPosOf(6), 4);
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

TEST(EditMaskChars, ClassesAndCase) {
    // position, typed, taken as (0: refused); a literal position takes only its literal.
    const EditMask m = M("#09AaLlCc-");
    const std::tuple<int, char32_t, char32_t> classes[] = {
        {0, U'+', U'+'}, {0, U' ', U' '},
        {0, U'x', 0},    {1, U'5', U'5'},
        {1, U'-', 0},    {2, U'a', 0},
        {3, U'7', U'7'}, {4, U'q', U'q'},
        {4, U'%', 0},    {5, U'\u00E4', U'\u00E4'},
        {5, U'1', 0},    {6, U'1', 0},
        {7, U'%', U'%'}, {8, U' ', U' '},
        {9, U'-', U'-'}, {9, U'x', 0},
        {10, U'1', 0}};
    for (auto [pos, typed, taken] : classes)
        EXPECT_EQ(m.TestChar(pos, typed).value_or(0), taken) << pos << " " << int(typed);
    const EditMask c = M(">ll<ll<>ll>c");
    const std::tuple<int, char32_t, char32_t> cases[] = {
        {0, U'a', U'A'}, {1, U'\u00E9', U'\u00C9'}, {2, U'B', U'b'}, {4, U'B', U'B'},
        {4, U'b', U'b'}, {6, U'x', U'X'},           {6, U'1', U'1'}};
    for (auto [pos, typed, taken] : cases) EXPECT_EQ(c.TestChar(pos, typed), taken) << pos;
}

TEST(EditMaskText, LiteralsInsertedFittedReadAndWritten) {
    // Mask, operation, input, result. Right-aligned input fills from the right; with saved
    // literals blanks read as spaces; without them literals and trailing blanks drop out; the
    // blank "0" of a time mask; no mask leaves the text as it is.
    enum Op { Insert, Fit, Read, Write };
    using Case = std::tuple<std::string_view, Op, std::string_view, std::string_view>;
    auto check = [](const auto& cases) {
        for (const auto& [mask, op, input, want] : cases) {
            const EditMask m = M(mask);
            const std::u32string in = U(input);
            const std::u32string got = op == Insert ? m.InsertLiterals(in, U'_')
                                       : op == Fit  ? m.FitText(in, U'_')
                                       : op == Read ? m.ReadText(in)
                                                    : m.WindowTextFor(in);
            EXPECT_EQ(S(got), want) << mask << " op " << op << " " << input;
        }
    };
    const Case cases1[] = {
        {"00:00;1;_", Insert, "12", "12:__"},   {"00:00;1;_", Insert, "123456", "12:34"},
        {"00:00;1;_", Fit, "12:30", "12:30"},   {"00:00;1;_", Fit, "1230", "12:30"},
        {"00:00;1;_", Fit, "1 :3", "1_:3_"},    {"!999-99", Insert, "123", "__1-23"},
        {"!999-99", Fit, "1-23", "__1-23"},     {"00:00;1;_", Read, "12:3_", "12:3 "},
        {"00:00;1;_", Read, "1_:3_", "1 :3 "},  {"00:00;1;_", Write, "12:3 ", "12:3_"},
        {"00:00;1;_", Write, "1234", "12:34"},  {"9999;1;_", Write, "20", "20__"},
        {"9999;1;_", Read, "20__", "20  "},     {"00:00;0;_", Read, "12:3_", "123"},
        {"00:00;0;_", Read, "1_:3_", "1 3"},    {"00:00;0;_", Write, "123", "12:3_"},
        {"00:00;0;_", Write, "1 3", "1_:3_"},   {"!999;0;_", Write, "7", "__7"},
        {"00:00:00;1;0", Write, "", "00:00:00"}};
    const Case cases2[] = {{"999;0; ", Read, "1  ", "1"},
                           {"!999;0;_", Read, "__7", "7"},
                           {"", Read, "  x  ", "  x  "},
                           {"", Write, "  x  ", "  x  "}};
    const Case cases3[] = {{"00:00:00;1;0", Write, "12:5", "12:50:00"}};
    check(cases1);
    check(cases2);
    check(cases3);
    EXPECT_EQ(S(M("00:00;1;_").StripLiterals(U("12:30"))), "1230");
}

TEST(EditMaskValidate, RequiredPositions) {
    const EditMask m = M("00-99;1;_");
    EXPECT_EQ(m.FindUnfilled(U("1_-__"), false), 1);
    EXPECT_EQ(m.FindUnfilled(U("12-__"), false), std::nullopt);
    EXPECT_EQ(m.FindUnfilled(U("1 -__"), false), 1);
    EXPECT_EQ(m.FindUnfilled(U("1_-__"), true), std::nullopt);
    EXPECT_EQ(M("CC;1;_").FindUnfilled(U("a "), false), std::nullopt) << "C takes a blank";
    EXPECT_EQ(M("CC;1;_").FindUnfilled(U("a_"), false), 1);
    // The blank is "0", so a validated time never counts as unfilled with blanks ignored.
    EXPECT_EQ(M("00:00:00;1;0").FindUnfilled(U("00:00:00"), true), std::nullopt);
}

TEST(EditMaskEditing, Typing) {
    const EditMask m = M("00:00;1;_");
    MaskEditResult r = m.TypeChar(U("__:__"), 0, 1, U'1');
    EXPECT_EQ(R(r), "1_:__|1|1");
    r = m.TypeChar(r.text, r.selStart, r.selLength, U'2');
    EXPECT_EQ(R(r), "12:__|3|1") << "the caret skips the literal";
    EXPECT_EQ(R(m.TypeChar(r.text, r.selStart, r.selLength, U'x')), "12:__|3|1!");
    r = m.TypeChar(r.text, 3, 1, U'5');
    r = m.TypeChar(r.text, r.selStart, r.selLength, U'9');
    EXPECT_EQ(R(r), "12:59|5|0");
    EXPECT_TRUE(m.TypeChar(r.text, 5, 0, U'1').beep) << "no room left";
    // Typing the next literal steps over it.
    EXPECT_EQ(R(M("99:99;1;_").TypeChar(U("1_:__"), 1, 1, U':')), "1_:__|3|1");
    // A wide selection is blanked first.
    EXPECT_EQ(R(m.TypeChar(U("12:34"), 0, 5, U'9')), "9_:__|1|1");
    // A short window text is normalised.
    EXPECT_EQ(S(m.Normalize(U("1"))), "1_:__");
    r = m.TypeChar(U(""), 0, 0, U'4');
    EXPECT_EQ(S(r.text), "4_:__");
    EXPECT_TRUE(r.changed);
}

TEST(EditMaskEditing, DeletePasteAndClear) {
    const EditMask m = M("00:00;1;_");
    EXPECT_EQ(R(m.Delete(U("12:34"), 3, 1, false)), "12:_4|3|1");
    EXPECT_EQ(S(m.Delete(U("12:34"), 3, 1, true).text), "1_:34") << "back over the literal";
    EXPECT_EQ(m.Delete(U("12:34"), 3, 1, true).selStart, 1);
    const MaskEditResult first = m.Delete(U("12:34"), 0, 1, true);
    EXPECT_FALSE(first.changed) << "nothing before the first input position";
    EXPECT_EQ(S(first.text), "12:34");
    EXPECT_EQ(S(m.Delete(U("12:34"), 1, 3, false).text), "1_:_4") << "literals stay";
    EXPECT_EQ(m.Delete(U("12:34"), 1, 3, false).selStart, 1);
    EXPECT_EQ(S(m.ClearAll(U("12:34")).text), "__:__");
    EXPECT_EQ(m.ClearAll(U("12:34")).selStart, 0);
    // Paste fits into the input positions: refused characters become blanks, what does not fit
    // is dropped.
    EXPECT_EQ(S(m.Paste(U("__:__"), 0, 0, U("12:34")).text), "12:34");
    EXPECT_EQ(S(m.Paste(U("__:__"), 0, 0, U("1234")).text), "12:34");
    const MaskEditResult pasted = m.Paste(U("__:__"), 0, 0, U("1x3"));
    EXPECT_EQ(S(pasted.text), "1_:3_");
    EXPECT_EQ(pasted.selStart, 4);
    EXPECT_EQ(S(m.Paste(U("12:34"), 3, 0, U("999")).text), "12:99");
}

TEST(EditMaskEditing, NextAndPreviousInputAndUtf32) {
    const EditMask m = M("(000) 000");
    EXPECT_EQ(m.NextInput(0), 1);
    EXPECT_EQ(m.NextInput(4), 6);
    EXPECT_EQ(m.NextInput(9), 9);
    EXPECT_EQ(m.PrevInput(6), 3);
    EXPECT_EQ(m.PrevInput(1), -1);
    const std::string s = "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(ToU32(s).size(), 4u);
    EXPECT_EQ(ToUtf8(ToU32(s)), s);
}
