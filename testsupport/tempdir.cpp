#include "tempdir.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace fprn::test {

TempDir::TempDir(const std::string& tag, bool enter)
    : path_(fs::temp_directory_path() / ("fprn-" + tag + "-" + std::to_string(getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
    if (enter) {
        previous_ = fs::current_path();
        fs::current_path(path_);
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!previous_.empty()) fs::current_path(previous_, ec);
    // A test may have taken write permission away.
    fs::permissions(path_, fs::perms::owner_all, ec);
    fs::remove_all(path_, ec);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace fprn::test
