#pragma once
// Language texts by numeric identifier, read from the language library (libpeltrane.so), and
// the one safe way to use such a text as a pattern. Shared by the console and the item editor;
// no Qt here (the Qt edge is languagetext.h).
#include "dynlib.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace fprn::lang {

// The file both programs load with a bare name.
inline constexpr char kLanguageLibraryFile[] = "libpeltrane.so";

// One loaded language library.
class TBsLocale {
public:
    TBsLocale() = default;
    ~TBsLocale() { FreeLib(); }
    TBsLocale(const TBsLocale&) = delete;
    TBsLocale& operator=(const TBsLocale&) = delete;

    // Frees what is loaded, then loads `name`. A name with a '/' is used as it is. A bare name
    // is looked for in the program's folder, then in its installation's library folder
    // (<program folder>/../lib), then on the loader's search path; never in the current
    // directory, where a planted file would run as code. True when loaded.
    bool LoadLib(const std::string& name);
    // The text of `id`, at most 1,023 bytes; empty when nothing is loaded or the library has
    // no such text (the programs carry no string table of their own).
    std::string GetStr(std::int32_t id) const;
    // Frees the library when one is loaded; nothing otherwise.
    void FreeLib();
    bool IsLoaded() const { return loaded_; }
    // Why the last LoadLib failed.
    const std::string& Error() const { return error_; }

private:
    plat::DynLib lib_;
    bool loaded_ = false;
    std::string error_;
};

// The program's one language object. The global owns it: setting replaces (and frees) the
// old one, dropping frees it and clears the reference, so later lookups give empty texts.
void SetLanguageObject(std::unique_ptr<TBsLocale> locale);
void DropLanguageObject();
// nullptr when there is none.
TBsLocale* LanguageObject();
// The text of `id` through the global object; empty, calling nothing, without one.
std::string GetLanguageText(std::int32_t id);

// An argument of FormatLanguageText: an integer for %d, a text for %s.
using FormatArg = std::variant<std::int64_t, std::string_view>;

// Fills a language text used as a pattern. Takes "%%" and %[-][width][.precision] with d (an
// integer) or s (a text), width and precision at most 1,023. Any other conversion, a missing
// argument or one of the wrong kind is copied as it stands, so a text from outside can never
// read or write what it was not given; extra arguments are ignored. Each d or s conversion
// takes the next argument, also when it is copied for the wrong kind.
std::string FormatLanguageText(std::string_view pattern, std::span<const FormatArg> args);
inline std::string FormatLanguageText(std::string_view pattern,
                                      std::initializer_list<FormatArg> args) {
    return FormatLanguageText(pattern, std::span<const FormatArg>(args.begin(), args.size()));
}

} // namespace fprn::lang
