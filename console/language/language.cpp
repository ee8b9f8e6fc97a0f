#include "language.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace fprn::lang {

namespace {

std::unique_ptr<TBsLocale>& Global() {
    static std::unique_ptr<TBsLocale> locale;
    return locale;
}

// The loader takes relative or empty entries of LD_LIBRARY_PATH from the current directory.
bool SearchPathNamesRelativeFolders() {
    const char* path = std::getenv("LD_LIBRARY_PATH");
    if (path == nullptr) return false;
    std::string_view rest(path);
    while (true) {
        auto end = rest.find_first_of(":;");
        std::string_view entry = rest.substr(0, end);
        if (entry.empty() || entry.front() != '/') return true;
        if (end == std::string_view::npos) return false;
        rest.remove_prefix(end + 1);
    }
}

} // namespace

bool TBsLocale::LoadLib(const std::string& name) {
    FreeLib();
    std::string path = name;
    if (name.find('/') == std::string::npos) {
        const std::string folder = plat::ProgramFolder();
        std::string beside = folder + name;
        std::string installed = folder + "../" FPRN_INSTALL_LIBDIR "/" + name;
        if (!folder.empty() && access(beside.c_str(), F_OK) == 0) {
            path = beside;
        } else if (!folder.empty() && access(installed.c_str(), F_OK) == 0) {
            path = installed;
        } else if (SearchPathNamesRelativeFolders()) {
            error_ = "Cannot load " + name + ": LD_LIBRARY_PATH names a relative folder";
            return false;
        }
    }
    loaded_ = lib_.Load(path);
    error_ = loaded_ ? std::string() : "Cannot load " + name + ": " + lib_.Error();
    return loaded_;
}

std::string TBsLocale::GetStr(std::int32_t id) const {
    if (!loaded_) return {};
    char buffer[1024] = {};
    std::int32_t count = plat::LoadString(lib_, id, buffer, sizeof buffer);
    return std::string(buffer, strnlen(buffer, static_cast<std::size_t>(count)));
}

void TBsLocale::FreeLib() {
    if (loaded_) lib_.Unload();
    loaded_ = false;
}

void SetLanguageObject(std::unique_ptr<TBsLocale> locale) {
    Global() = std::move(locale);
}

void DropLanguageObject() {
    Global().reset();
}

TBsLocale* LanguageObject() {
    return Global().get();
}

std::string GetLanguageText(std::int32_t id) {
    TBsLocale* locale = Global().get();
    return locale != nullptr ? locale->GetStr(id) : std::string();
}

} // namespace fprn::lang
