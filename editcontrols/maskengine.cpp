#include "maskengine.h"

#include <algorithm>

namespace fprn::editcontrols {

namespace {

bool IsAsciiDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

bool DefaultIsLetter(char32_t c) {
    return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') ||
           (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7);
}

char32_t DefaultToUpper(char32_t c) {
    if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
    return c;
}

char32_t DefaultToLower(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    return c;
}

} // namespace

CharClasses DefaultCharClasses() {
    return CharClasses{DefaultIsLetter, DefaultToUpper, DefaultToLower};
}

std::u32string ToU32(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        char32_t c = extra == 0   ? b
                     : extra == 1 ? (b & 0x1F)
                     : extra == 2 ? (b & 0x0F)
                                  : (b & 0x07);
        if (b >= 0x80 && b < 0xC0) extra = 0, c = b; // stray continuation byte: keep as is
        std::size_t j = i + 1;
        for (int k = 0; k < extra && j < s.size(); ++k, ++j)
            c = (c << 6) | (static_cast<unsigned char>(s[j]) & 0x3F);
        out.push_back(c);
        i = j;
    }
    return out;
}

std::string ToUtf8(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

EditMask::EditMask(std::string_view mask, const LocaleInfo& locale, CharClasses classes)
    : mask_(mask), classes_(std::move(classes)) {
    const std::u32string m = ToU32(mask);
    const int n = static_cast<int>(m.size());
    auto escaped = [&](int i) {
        int slashes = 0;
        while (i - 1 - slashes >= 0 && m[static_cast<std::size_t>(i - 1 - slashes)] == U'\\')
            ++slashes;
        return slashes % 2 == 1;
    };
    int sep = n;
    for (int i = std::max(0, n - 4); i < n; ++i) {
        if (m[static_cast<std::size_t>(i)] == U';' && !escaped(i)) {
            sep = i;
            break;
        }
    }
    if (sep < n) {
        const std::u32string rest = m.substr(static_cast<std::size_t>(sep) + 1);
        if (!rest.empty() && rest[0] == U'0') saveLiterals_ = false;
        const std::size_t second = rest.find(U';');
        if (second != std::u32string::npos && rest.size() == second + 2) blank_ = rest[second + 1];
    }
    const char32_t dateSep =
        ToU32(locale.dateSeparator).empty() ? U'/' : ToU32(locale.dateSeparator)[0];
    const char32_t timeSep =
        ToU32(locale.timeSeparator).empty() ? U':' : ToU32(locale.timeSeparator)[0];

    offsets_.resize(static_cast<std::size_t>(n));
    MaskCase current = MaskCase::None;
    auto add = [&](int k, MaskKind kind, char32_t literal) {
        Position p;
        p.maskOffset = k;
        p.kind = kind;
        p.maskChar = m[static_cast<std::size_t>(k)];
        p.literal = literal;
        p.caseMode = current;
        offsets_[static_cast<std::size_t>(k)] = {kind, current, Length()};
        positions_.push_back(p);
    };
    auto directive = [&](int k) {
        offsets_[static_cast<std::size_t>(k)] = {MaskKind::Directive, current, Length()};
    };
    for (int k = 0; k < sep; ++k) {
        const char32_t c = m[static_cast<std::size_t>(k)];
        switch (c) {
        case U'\\':
            directive(k);
            if (k + 1 < sep) {
                ++k;
                add(k, MaskKind::Literal, m[static_cast<std::size_t>(k)]);
            }
            break;
        case U'!':
            reversed_ = true;
            directive(k);
            break;
        case U'>':
            current = MaskCase::Upper;
            directive(k);
            break;
        case U'<':
            if (k + 1 < sep && m[static_cast<std::size_t>(k) + 1] == U'>') {
                current = MaskCase::None;
                directive(k);
                ++k;
                directive(k);
            } else {
                current = MaskCase::Lower;
                directive(k);
            }
            break;
        case U'/':
            add(k, MaskKind::IntlLiteral, dateSep);
            break;
        case U':':
            add(k, MaskKind::IntlLiteral, timeSep);
            break;
        case U'0':
        case U'A':
        case U'C':
        case U'L':
            add(k, MaskKind::Required, 0);
            break;
        case U'#':
        case U'9':
        case U'a':
        case U'c':
        case U'l':
            add(k, MaskKind::Optional, 0);
            break;
        default:
            add(k, MaskKind::Literal, c);
        }
    }
    for (int k = sep; k < n; ++k) {
        const bool isSep = m[static_cast<std::size_t>(k)] == U';';
        offsets_[static_cast<std::size_t>(k)] = {isSep ? MaskKind::FieldSeparator : MaskKind::Field,
                                                 MaskCase::None, Length()};
    }
}

MaskKind EditMask::KindAtMaskOffset(int offset) const {
    if (offset < 0 || offset >= static_cast<int>(offsets_.size())) return MaskKind::None;
    return offsets_[static_cast<std::size_t>(offset)].kind;
}

MaskCase EditMask::CaseAtMaskOffset(int offset) const {
    if (offset < 0 || offset >= static_cast<int>(offsets_.size())) return MaskCase::None;
    return offsets_[static_cast<std::size_t>(offset)].caseMode;
}

int EditMask::MaskOffsetOf(int textPos) const {
    if (textPos < 0) return 0;
    if (textPos >= Length()) return static_cast<int>(offsets_.size());
    return positions_[static_cast<std::size_t>(textPos)].maskOffset;
}

int EditMask::TextPosOf(int maskOffset) const {
    if (maskOffset < 0) return 0;
    if (maskOffset >= static_cast<int>(offsets_.size())) return Length();
    return offsets_[static_cast<std::size_t>(maskOffset)].textPos;
}

bool EditMask::IsLiteral(int textPos) const {
    const MaskKind k = KindAt(textPos);
    return k == MaskKind::Literal || k == MaskKind::IntlLiteral;
}

char32_t EditMask::LiteralAt(int textPos) const {
    return IsLiteral(textPos) ? positions_[static_cast<std::size_t>(textPos)].literal : 0;
}

MaskKind EditMask::KindAt(int textPos) const {
    if (textPos < 0 || textPos >= Length()) return MaskKind::None;
    return positions_[static_cast<std::size_t>(textPos)].kind;
}

char32_t EditMask::MaskCharAt(int textPos) const {
    if (textPos < 0 || textPos >= Length()) return 0;
    return positions_[static_cast<std::size_t>(textPos)].maskChar;
}

MaskCase EditMask::CaseAt(int textPos) const {
    if (textPos < 0 || textPos >= Length()) return MaskCase::None;
    return positions_[static_cast<std::size_t>(textPos)].caseMode;
}

std::optional<char32_t> EditMask::TestChar(int textPos, char32_t c) const {
    if (textPos < 0 || textPos >= Length()) return std::nullopt;
    const Position& p = positions_[static_cast<std::size_t>(textPos)];
    if (p.kind == MaskKind::Literal || p.kind == MaskKind::IntlLiteral) {
        if (c == p.literal) return c;
        return std::nullopt;
    }
    const bool letter = classes_.isLetter(c);
    auto cased = [&](char32_t ch) {
        if (!classes_.isLetter(ch)) return ch;
        if (p.caseMode == MaskCase::Upper) return classes_.toUpper(ch);
        if (p.caseMode == MaskCase::Lower) return classes_.toLower(ch);
        return ch;
    };
    switch (p.maskChar) {
    case U'#':
        if (IsAsciiDigit(c) || c == U' ' || c == U'+' || c == U'-') return c;
        return std::nullopt;
    case U'0':
    case U'9':
        if (IsAsciiDigit(c)) return c;
        return std::nullopt;
    case U'A':
    case U'a':
        if (letter || IsAsciiDigit(c)) return cased(c);
        return std::nullopt;
    case U'L':
    case U'l':
        if (letter) return cased(c);
        return std::nullopt;
    case U'C':
    case U'c':
        if (c < 0x20) return std::nullopt;
        return cased(c);
    default:
        return std::nullopt;
    }
}

int EditMask::NextInput(int pos) const {
    pos = std::max(pos, 0);
    while (pos < Length() && IsLiteral(pos)) ++pos;
    return std::min(pos, Length());
}

int EditMask::PrevInput(int pos) const {
    pos = std::min(pos, Length()) - 1;
    while (pos >= 0 && IsLiteral(pos)) --pos;
    return pos;
}

std::u32string EditMask::InsertLiterals(const std::u32string& input, char32_t blank) const {
    int inputs = 0;
    for (int i = 0; i < Length(); ++i)
        if (!IsLiteral(i)) ++inputs;
    std::u32string in = input.substr(0, static_cast<std::size_t>(inputs));
    if (reversed_ && static_cast<int>(in.size()) < inputs)
        in.insert(0, static_cast<std::size_t>(inputs) - in.size(), blank);
    std::u32string out;
    std::size_t j = 0;
    for (int i = 0; i < Length(); ++i) {
        if (IsLiteral(i)) {
            out.push_back(LiteralAt(i));
        } else if (j < in.size()) {
            const char32_t c = in[j++];
            out.push_back(c == U' ' ? blank : c);
        } else {
            out.push_back(blank);
        }
    }
    return out;
}

std::u32string EditMask::StripLiterals(const std::u32string& text) const {
    std::u32string out;
    for (int i = 0; i < Length() && i < static_cast<int>(text.size()); ++i)
        if (!IsLiteral(i)) out.push_back(text[static_cast<std::size_t>(i)]);
    return out;
}

std::u32string EditMask::FitText(const std::u32string& value, char32_t blank) const {
    const int n = Length();
    std::u32string out(static_cast<std::size_t>(n), blank);
    auto take = [&](char32_t c) { return c == U' ' ? blank : c; };
    if (!reversed_) {
        std::size_t j = 0;
        for (int i = 0; i < n; ++i) {
            if (IsLiteral(i)) {
                out[static_cast<std::size_t>(i)] = LiteralAt(i);
                if (j < value.size() && value[j] == LiteralAt(i)) ++j;
            } else if (j < value.size()) {
                out[static_cast<std::size_t>(i)] = take(value[j++]);
            }
        }
    } else {
        std::ptrdiff_t j = static_cast<std::ptrdiff_t>(value.size()) - 1;
        for (int i = n - 1; i >= 0; --i) {
            if (IsLiteral(i)) {
                out[static_cast<std::size_t>(i)] = LiteralAt(i);
                if (j >= 0 && value[static_cast<std::size_t>(j)] == LiteralAt(i)) --j;
            } else if (j >= 0) {
                out[static_cast<std::size_t>(i)] = take(value[static_cast<std::size_t>(j--)]);
            }
        }
    }
    return out;
}

std::u32string EditMask::Normalize(const std::u32string& window) const {
    if (static_cast<int>(window.size()) == Length()) return window;
    return FitText(window, blank_);
}

std::u32string EditMask::ReadText(const std::u32string& window) const {
    if (!IsMasked()) return window;
    std::u32string s = StripLiterals(Normalize(window));
    if (reversed_) {
        const std::size_t first = s.find_first_not_of(blank_);
        s.erase(0, first == std::u32string::npos ? s.size() : first);
    } else {
        const std::size_t last = s.find_last_not_of(blank_);
        s.erase(last == std::u32string::npos ? 0 : last + 1);
    }
    if (blank_ != U' ') std::replace(s.begin(), s.end(), blank_, U' ');
    if (saveLiterals_) s = InsertLiterals(s, U' ');
    return s;
}

std::u32string EditMask::WindowTextFor(const std::u32string& value) const {
    if (!IsMasked()) return value;
    return saveLiterals_ ? FitText(value, blank_) : InsertLiterals(value, blank_);
}

std::optional<int> EditMask::FindUnfilled(const std::u32string& window, bool ignoreBlanks) const {
    const std::u32string w = Normalize(window);
    for (int i = 0; i < Length(); ++i) {
        if (KindAt(i) != MaskKind::Required) continue;
        const char32_t c = w[static_cast<std::size_t>(i)];
        if ((c == blank_ && !ignoreBlanks) || (c == U' ' && MaskCharAt(i) != U'C')) return i;
    }
    return std::nullopt;
}

namespace {

void SetCaret(MaskEditResult& r, int caret, int length) {
    r.selStart = caret;
    r.selLength = caret < length ? 1 : 0;
}

} // namespace

MaskEditResult EditMask::TypeChar(const std::u32string& window, int selStart, int selLength,
                                  char32_t c) const {
    MaskEditResult r;
    r.text = Normalize(window);
    r.changed = r.text != window;
    r.selStart = selStart;
    r.selLength = selLength;
    if (selLength > 1) {
        for (int i = selStart; i < selStart + selLength && i < Length(); ++i)
            if (!IsLiteral(i)) r.text[static_cast<std::size_t>(i)] = blank_;
        r.changed = r.text != window;
        SetCaret(r, NextInput(selStart), Length());
    }
    const int pos = NextInput(selStart);
    if (const auto accepted = TestChar(pos, c)) {
        r.text[static_cast<std::size_t>(pos)] = *accepted;
        r.changed = r.text != window;
        SetCaret(r, NextInput(pos + 1), Length());
        return r;
    }
    // Typing the literal that comes next steps over it.
    int literal = std::max(selStart, 0);
    while (literal < Length() && !IsLiteral(literal)) ++literal;
    if (literal < Length() && LiteralAt(literal) == c) {
        SetCaret(r, NextInput(literal + 1), Length());
        return r;
    }
    r.beep = true;
    return r;
}

MaskEditResult EditMask::Delete(const std::u32string& window, int selStart, int selLength,
                                bool backspace) const {
    MaskEditResult r;
    r.text = Normalize(window);
    r.selStart = selStart;
    r.selLength = selLength;
    const bool wide = selLength > 1;
    if (!wide && backspace) {
        const int prev = PrevInput(selStart);
        if (prev < 0) {
            r.changed = r.text != window;
            return r;
        }
        selStart = prev;
        selLength = 1;
    }
    if (selLength < 1) selLength = 1;
    for (int i = selStart; i < selStart + selLength && i < Length(); ++i)
        if (!IsLiteral(i)) r.text[static_cast<std::size_t>(i)] = blank_;
    r.changed = r.text != window;
    SetCaret(r, wide ? NextInput(selStart) : selStart, Length());
    return r;
}

MaskEditResult EditMask::ClearAll(const std::u32string& window) const {
    MaskEditResult r;
    r.text = Normalize(window);
    for (int i = 0; i < Length(); ++i)
        if (!IsLiteral(i)) r.text[static_cast<std::size_t>(i)] = blank_;
    r.changed = r.text != window;
    SetCaret(r, NextInput(0), Length());
    return r;
}

MaskEditResult EditMask::Paste(const std::u32string& window, int selStart, int /*selLength*/,
                               const std::u32string& clip) const {
    MaskEditResult r;
    r.text = Normalize(window);
    int p = std::max(selStart, 0);
    for (char32_t c : clip) {
        bool consumed = false;
        while (p < Length() && IsLiteral(p)) {
            const bool same = LiteralAt(p) == c;
            ++p;
            if (same) {
                consumed = true;
                break;
            }
        }
        if (consumed) continue;
        if (p >= Length()) break;
        const auto accepted = TestChar(p, c);
        r.text[static_cast<std::size_t>(p)] = accepted ? *accepted : blank_;
        ++p;
    }
    r.changed = r.text != window;
    SetCaret(r, NextInput(p), Length());
    return r;
}

} // namespace fprn::editcontrols
