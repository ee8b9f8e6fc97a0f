#pragma once
// A fresh folder for one test, optionally made the current directory, removed afterwards.
#include <filesystem>
#include <string>

namespace fprn::test {

class TempDir {
public:
    // `tag` keeps the folders of parallel tests apart.
    explicit TempDir(const std::string& tag, bool enter = false);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

} // namespace fprn::test
