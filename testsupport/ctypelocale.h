#pragma once
// The process's LC_CTYPE for one scope, which the 8-bit charset follows. The old locale comes
// back afterwards, and so does LOCPATH, where a test finds a locale it made itself.
#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

namespace fprn::test {

class ScopedCtype {
public:
    // `folder`: the folder of a locale the test made; empty for the system's locales.
    explicit ScopedCtype(const char* name, const std::string& folder = {}) {
        if (const char* path = std::getenv("LOCPATH")) oldPath_ = path;
        if (!folder.empty()) setenv("LOCPATH", folder.c_str(), 1);
        ok_ = std::setlocale(LC_CTYPE, name) != nullptr;
    }
    ~ScopedCtype() {
        std::setlocale(LC_CTYPE, old_.c_str());
        if (oldPath_)
            setenv("LOCPATH", oldPath_->c_str(), 1);
        else
            unsetenv("LOCPATH");
    }
    ScopedCtype(const ScopedCtype&) = delete;
    ScopedCtype& operator=(const ScopedCtype&) = delete;

    bool ok() const { return ok_; }

private:
    std::string old_ = std::setlocale(LC_CTYPE, nullptr);
    std::optional<std::string> oldPath_;
    bool ok_ = false;
};

} // namespace fprn::test
