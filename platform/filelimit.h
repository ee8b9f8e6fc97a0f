#pragma once
// The file-size limit of the process (RLIMIT_FSIZE). A write past it raises SIGXFSZ, which
// ends a host that keeps the default disposition; writers check first and fail instead.
#include "platexport.h"

#include <cstdint>

namespace fprn::plat {

// False when a file that ends at byte `end` would pass the process's file-size limit.
FPRN_PLAT_API bool FitsFileSizeLimit(std::uint64_t end);

} // namespace fprn::plat
