#include "dynlib.h"

#include <algorithm>
#include <climits>
#include <dlfcn.h>
#include <unistd.h>
#include <utility>

namespace fprn::plat {

DynLib::DynLib(const std::string& fileName) {
    Load(fileName);
}

DynLib::~DynLib() {
    Unload();
}

DynLib::DynLib(DynLib&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

DynLib& DynLib::operator=(DynLib&& other) noexcept {
    if (this != &other) {
        Unload();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

bool DynLib::Load(const std::string& fileName) {
    Unload();
    // Local: two libraries exporting the same names must not see each other's.
    handle_ = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* text = dlerror();
        error_ = text != nullptr ? text : "cannot load " + fileName;
        return false;
    }
    error_.clear();
    return true;
}

void DynLib::Unload() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
}

void* DynLib::Symbol(const char* name) const {
    if (handle_ == nullptr) {
        error_ = "no library loaded";
        return nullptr;
    }
    dlerror();
    void* address = dlsym(handle_, name);
    if (address == nullptr) {
        const char* text = dlerror();
        error_ = text != nullptr ? text : std::string(name) + " not found";
    }
    return address;
}

std::int32_t LoadString(const DynLib& lib, std::int32_t id, char* buf, std::int32_t size) {
    if (buf == nullptr || size < 1) return 0;
    buf[0] = '\0';
    using LoadFn = std::int32_t (*)(std::int32_t, char*, std::int32_t);
    auto load = reinterpret_cast<LoadFn>(lib.Symbol("FPrnLoadString"));
    if (load == nullptr) return 0;
    std::int32_t count = load(id, buf, size);
    // The library is outside our control: never trust its count to lie within the buffer.
    count = std::clamp<std::int32_t>(count, 0, size - 1);
    buf[count] = '\0';
    return count;
}

std::string ProgramFolder() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string full(path, static_cast<std::size_t>(n));
    auto slash = full.rfind('/');
    if (slash == std::string::npos) return {};
    return full.substr(0, slash + 1);
}

} // namespace fprn::plat
