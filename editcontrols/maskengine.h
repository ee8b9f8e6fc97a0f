#pragma once
// Edit masks: a pattern that fixes which character may stand at each text position.
//
// "mask;save;blank": when one of the last four characters is an unescaped ";", the mask proper
// ends before it; a save section starting with "0" drops the literals from the edit's text; one
// character after a second ";" at the very end is the blank character (default "_").
// In the mask proper: "\x" is the literal x; "!" right-aligns the input; ">" upper case, "<"
// lower case, "<>" ends case conversion; required "0" digit, "A" letter or digit, "C" any,
// "L" letter; optional "#" (digit, blank, "+", "-"), "9", "a", "c", "l"; "/" and ":" stand for
// the locale's date and time separators; anything else is a literal.
//
// Texts are sequences of code points; the window text of a masked edit always holds one
// character per text position.
#include "localeinfo.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fprn::editcontrols {

enum class MaskKind {
    None,
    Literal,
    IntlLiteral,
    Directive,
    Required,
    Optional,
    FieldSeparator,
    Field
};
enum class MaskCase { None, Upper, Lower };

// Letter test and case mapping; the defaults know ASCII and Latin-1, a toolkit may pass its own.
struct CharClasses {
    std::function<bool(char32_t)> isLetter;
    std::function<char32_t(char32_t)> toUpper;
    std::function<char32_t(char32_t)> toLower;
};
CharClasses DefaultCharClasses();

struct MaskEditResult {
    std::u32string text;
    int selStart = 0;
    int selLength = 0;
    bool changed = false; // the text differs
    bool beep = false;    // the key was refused
};

class EditMask {
public:
    EditMask() = default;
    EditMask(std::string_view mask, const LocaleInfo& locale,
             CharClasses classes = DefaultCharClasses());

    const std::string& Mask() const { return mask_; }
    bool IsMasked() const { return !mask_.empty(); }
    // Number of text positions.
    int Length() const { return static_cast<int>(positions_.size()); }
    bool SaveLiterals() const { return saveLiterals_; }
    char32_t Blank() const { return blank_; }
    bool Reversed() const { return reversed_; }

    // By offset into the mask text (0-based, in code points of the mask).
    MaskKind KindAtMaskOffset(int offset) const;
    MaskCase CaseAtMaskOffset(int offset) const;
    int MaskOffsetOf(int textPos) const;
    // The text position of a mask offset, or of the next position after a directive; Length()
    // past the end.
    int TextPosOf(int maskOffset) const;

    bool IsLiteral(int textPos) const;
    char32_t LiteralAt(int textPos) const; // 0 for input positions
    MaskKind KindAt(int textPos) const;
    char32_t MaskCharAt(int textPos) const;
    MaskCase CaseAt(int textPos) const;

    // The character that may stand at an input position, after case conversion; nothing when
    // the mask refuses it. A literal position accepts only its literal.
    std::optional<char32_t> TestChar(int textPos, char32_t c) const;

    // First input position at or after `pos` (Length() when none); last one before it (-1).
    int NextInput(int pos) const;
    int PrevInput(int pos) const;

    // Input characters placed between the literals; missing ones become `blank`, on the left
    // when the input is right-aligned. A blank in `input` becomes `blank` too.
    std::u32string InsertLiterals(const std::u32string& input, char32_t blank) const;
    // The characters at the input positions of a window text.
    std::u32string StripLiterals(const std::u32string& text) const;
    // A text that may already hold the literals, laid onto the mask.
    std::u32string FitText(const std::u32string& value, char32_t blank) const;

    // The edit's Text read from its window text, and the window text for a Text written.
    std::u32string ReadText(const std::u32string& window) const;
    std::u32string WindowTextFor(const std::u32string& value) const;
    // Any window text brought to one character per position.
    std::u32string Normalize(const std::u32string& window) const;

    // The first required position that is left empty, if any.
    std::optional<int> FindUnfilled(const std::u32string& window, bool ignoreBlanks) const;

    // Editing. Positions are text positions; every result holds a full-length window text.
    MaskEditResult TypeChar(const std::u32string& window, int selStart, int selLength,
                            char32_t c) const;
    MaskEditResult Delete(const std::u32string& window, int selStart, int selLength,
                          bool backspace) const;
    MaskEditResult ClearAll(const std::u32string& window) const;
    MaskEditResult Paste(const std::u32string& window, int selStart, int selLength,
                         const std::u32string& clip) const;

private:
    struct Position {
        int maskOffset = 0;
        MaskKind kind = MaskKind::Literal;
        char32_t maskChar = 0;
        char32_t literal = 0;
        MaskCase caseMode = MaskCase::None;
    };
    struct Offset {
        MaskKind kind = MaskKind::None;
        MaskCase caseMode = MaskCase::None;
        int textPos = 0;
    };

    std::string mask_;
    std::vector<Position> positions_;
    std::vector<Offset> offsets_;
    bool saveLiterals_ = true;
    char32_t blank_ = U'_';
    bool reversed_ = false;
    CharClasses classes_;
};

std::u32string ToU32(std::string_view utf8);
std::string ToUtf8(const std::u32string& text);

} // namespace fprn::editcontrols
