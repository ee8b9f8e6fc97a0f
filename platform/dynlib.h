#pragma once
// Loading a library by file name and looking names up in it.
#include "platexport.h"

#include <cstdint>
#include <string>

namespace fprn::plat {

class FPRN_PLAT_API DynLib {
public:
    DynLib() = default;
    // Loads at once (RTLD_NOW | RTLD_LOCAL); check IsLoaded().
    explicit DynLib(const std::string& fileName);
    ~DynLib();
    DynLib(const DynLib&) = delete;
    DynLib& operator=(const DynLib&) = delete;
    DynLib(DynLib&& other) noexcept;
    DynLib& operator=(DynLib&& other) noexcept;

    bool Load(const std::string& fileName);
    void Unload();
    bool IsLoaded() const { return handle_ != nullptr; }
    // nullptr when the name is not there (or nothing is loaded).
    void* Symbol(const char* name) const;
    // The loader's text for the last failure of Load or Symbol.
    const std::string& Error() const { return error_; }

private:
    void* handle_ = nullptr;
    mutable std::string error_;
};

// A text of a language library by identifier, through the library's FPrnLoadString: at most
// size - 1 bytes and a terminating zero go to `buf`. Returns the number of bytes of the text;
// 0 and an empty text when the library has no such function or no such text. A count the
// library reports outside 0..size-1 is clamped and the text is terminated there.
FPRN_PLAT_API std::int32_t LoadString(const DynLib& lib, std::int32_t id, char* buf,
                                      std::int32_t size);

// The folder of the running program, with a closing '/'; empty when it cannot be found.
FPRN_PLAT_API std::string ProgramFolder();

} // namespace fprn::plat
